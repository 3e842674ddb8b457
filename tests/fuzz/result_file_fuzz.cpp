// Any byte string handed to the result-file reader: it must reject or accept
// without crashing, and what it accepts must hold at least the padded lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "evaluation/saved_file.h"
#include "evaluation/summary.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kv::OpenedResult opened;
  const auto error = kv::decodeResultFile(std::span<const std::uint8_t>(data, size), opened);
  if (error == kv::ResultFileError::None && opened.lines.size() < kv::kMinResultLines) std::abort();
  if (error != kv::ResultFileError::None && !opened.lines.empty()) std::abort();
  return 0;
}
