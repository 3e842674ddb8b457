// libFuzzer target for the archive reader. Whatever the bytes, reading the
// directory and every text ends in a result: no crash, no read outside the
// image, and a text that is accepted agrees with its directory entry.
//
// The first byte chooses how the rest is taken, by its value modulo 3:
// 1: as a whole archive file.
// 0: as a compact recipe (format bits, text count, per text a 16-bit line and
//    character count, then the body) that becomes a well-formed header, so the
//    fuzzer spends its time on the counts and the texts rather than on 51388
//    bytes of header.
// 2: as a 32-bit line count and the bytes of one text, for the line splitter
//    alone, with counts the directory check would never let through.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "texts/archive.h"

namespace {

std::int16_t take16(const std::uint8_t*& data, std::size_t& size) {
  std::uint16_t v = 0;
  for (int i = 0; i < 2 && size > 0; ++i, ++data, --size) {
    v = static_cast<std::uint16_t>(v | (*data << (8 * i)));
  }
  return static_cast<std::int16_t>(v);
}

std::vector<std::uint8_t> fromRecipe(const std::uint8_t* data, std::size_t size) {
  kv::TextArchiveHeader h;
  const std::uint8_t flags = size > 0 ? *data : 0;
  if (size > 0) ++data, --size;
  if (flags & 1) {
    h.signature = std::string(kv::kSignatureKv5);
    h.formatVersion = kv::kFormatVersionKv5;
  }
  if (flags & 2) h.formatVersion ^= 1;
  h.textCount = size > 0 ? *data : 0;
  if (size > 0) ++data, --size;
  const std::size_t used = h.textCount < kv::kMaxTexts ? h.textCount : kv::kMaxTexts;
  for (std::size_t i = 0; i < used; ++i) {
    h.entries[i].title = "T";
    h.entries[i].lineCount = take16(data, size);
    h.entries[i].charCount = take16(data, size);
  }
  const kv::HeaderBytes head = kv::encodeHeader(h);
  std::vector<std::uint8_t> image(head.begin(), head.end());
  image.insert(image.end(), data, data + size);
  return image;
}

void expect(bool condition) {
  if (!condition) std::abort();
}

void splitOnly(const std::uint8_t* data, std::size_t size) {
  const auto low = static_cast<std::uint16_t>(take16(data, size));
  const auto high = static_cast<std::uint16_t>(take16(data, size));
  const auto lineCount = static_cast<std::int32_t>(static_cast<std::uint32_t>(low) |
                                                   (static_cast<std::uint32_t>(high) << 16));
  std::vector<std::string> lines;
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  if (kv::splitTextBody(body, lineCount, lines) != kv::ArchiveError::None) {
    expect(lines.empty());
    return;
  }
  expect(lines.size() == static_cast<std::size_t>(lineCount));
  std::size_t bytes = 0;
  for (const std::string& line : lines) bytes += line.size() + 2;
  expect(bytes == size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  if (data[0] % 3 == 2) {
    splitOnly(data + 1, size - 1);
    return 0;
  }
  const std::vector<std::uint8_t> image = data[0] % 3 == 1
                                              ? std::vector<std::uint8_t>(data + 1, data + size)
                                              : fromRecipe(data + 1, size - 1);

  kv::TextArchiveHeader header;
  if (kv::readArchiveImage(image, header) != kv::ArchiveError::None) return 0;
  expect(header.textCount <= kv::kMaxTexts);
  for (int n = -1; n <= header.textCount + 1; ++n) {
    std::vector<std::string> lines;
    const kv::ArchiveError error = kv::readImageText(image, header, n, lines);
    if (error != kv::ArchiveError::None) {
      expect(lines.empty());
      continue;
    }
    const kv::TextEntry& entry = header.entries[static_cast<std::size_t>(n - 1)];
    expect(lines.size() == static_cast<std::size_t>(entry.lineCount));
    std::int64_t chars = 0;
    for (const std::string& line : lines) {
      expect(line.size() <= kv::kMaxLineLength);
      for (char c : line) expect(kv::isTextCharacter(static_cast<unsigned char>(c)));
      chars += static_cast<std::int64_t>(line.size()) + 2;
    }
    expect(chars == entry.charCount);
  }
  return 0;
}
