#include "platform/file_io.h"

#include <fstream>
#include <random>
#include <system_error>

#include "platform/encoding.h"

namespace kv {

std::filesystem::path pathFromCp1252(std::string_view path) {
#ifdef _WIN32
  const std::u16string wide = cp1252ToUtf16(path);
  return std::filesystem::path(std::wstring(wide.begin(), wide.end()));
#else
  // Paths are written the Windows way throughout the program; on other
  // systems the backslash can only have meant a folder separator.
  std::string native = cp1252ToUtf8(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return std::filesystem::path(native);
#endif
}

bool readWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes,
                   std::uintmax_t limit) {
  bytes.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  char buffer[64 * 1024];
  while (in) {
    in.read(buffer, sizeof buffer);
    const auto got = static_cast<std::size_t>(in.gcount());
    if (bytes.size() + got > limit) return false;
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  return in.eof() && !in.bad();
}

bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  return writeFileAtomically(path, bytes, {}) == AtomicWriteError::None;
}

AtomicWriteError writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                                     const std::function<bool(const std::filesystem::path&)>& verify) {
  std::random_device seed;
  std::filesystem::path temp = path;
  temp += ".tmp" + std::to_string(seed() % 1000000u);
  const auto discard = [&temp] {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
  };
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return AtomicWriteError::Create;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    const bool written = static_cast<bool>(out);
    // The last bytes may only be written, and fail, when the file is closed.
    out.close();
    if (!written || out.fail()) {
      discard();
      return AtomicWriteError::Write;
    }
  }
  if (verify && !verify(temp)) {
    discard();
    return AtomicWriteError::Verify;
  }
  std::error_code error;
  std::filesystem::rename(temp, path, error);
  if (error) {
    discard();
    return AtomicWriteError::Replace;
  }
  return AtomicWriteError::None;
}

}  // namespace kv
