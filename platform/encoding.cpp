#include "platform/encoding.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace kv {
namespace {

// 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes one UTF-8 sequence at `pos`; returns false for malformed input
// (overlong forms, surrogates and values above U+10FFFF included).
bool decodeUtf8(std::string_view s, std::size_t& pos, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  int extra = 0;
  char32_t min = 0;
  if (b0 < 0x80) {
    cp = b0;
    ++pos;
    return true;
  } else if ((b0 & 0xE0) == 0xC0) {
    extra = 1;
    cp = b0 & 0x1F;
    min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2;
    cp = b0 & 0x0F;
    min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3;
    cp = b0 & 0x07;
    min = 0x10000;
  } else {
    return false;
  }
  if (pos + static_cast<std::size_t>(extra) >= s.size()) return false;
  for (int i = 1; i <= extra; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + static_cast<std::size_t>(i)]);
    if ((b & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  pos += static_cast<std::size_t>(extra) + 1;
  return true;
}

// How many bytes from `pos` on are ASCII; eight at a time where it can.
std::size_t asciiRun(std::string_view s, std::size_t pos) {
  const std::size_t begin = pos;
  while (pos + 8 <= s.size()) {
    std::uint64_t word;
    std::memcpy(&word, s.data() + pos, 8);
    if ((word & 0x8080808080808080ull) != 0) break;
    pos += 8;
  }
  while (pos < s.size() && static_cast<unsigned char>(s[pos]) < 0x80) ++pos;
  return pos - begin;
}

}  // namespace

char32_t cp1252ToCodePoint(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
  return byte;
}

std::optional<unsigned char> codePointToCp1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == cp) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

std::string cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  std::size_t pos = 0;
  while (pos < text.size()) {
    // Runs of ASCII, most of any German text, are copied as they are.
    const std::size_t ascii = asciiRun(text, pos);
    out.append(text.data() + pos, ascii);
    pos += ascii;
    if (pos < text.size()) appendUtf8(out, cp1252ToCodePoint(static_cast<unsigned char>(text[pos++])));
  }
  return out;
}

std::u16string cp1252ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) {
    out.push_back(static_cast<char16_t>(cp1252ToCodePoint(static_cast<unsigned char>(c))));
  }
  return out;
}

std::optional<std::string> utf8ToCp1252(std::string_view utf8, ConversionError* error) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  std::size_t index = 0;
  while (pos < utf8.size()) {
    const std::size_t ascii = asciiRun(utf8, pos);
    out.append(utf8.data() + pos, ascii);
    pos += ascii;
    index += ascii;
    if (pos >= utf8.size()) break;
    const std::size_t start = pos;
    char32_t cp = 0;
    const bool ok = decodeUtf8(utf8, pos, cp);
    std::optional<unsigned char> byte;
    if (ok) byte = codePointToCp1252(cp);
    if (!byte) {
      if (error) *error = ConversionError{start, index, ok ? cp : 0xFFFD, !ok};
      return std::nullopt;
    }
    out.push_back(static_cast<char>(*byte));
    ++index;
  }
  return out;
}

std::optional<std::string> utf16ToCp1252(std::u16string_view utf16, ConversionError* error) {
  std::string out;
  out.reserve(utf16.size());
  std::size_t index = 0;
  for (std::size_t pos = 0; pos < utf16.size(); ++index) {
    const std::size_t start = pos;
    char32_t cp = utf16[pos++];
    bool malformed = false;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (pos < utf16.size() && utf16[pos] >= 0xDC00 && utf16[pos] <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[pos++] - 0xDC00u);
      } else {
        malformed = true;
      }
    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
      malformed = true;
    }
    std::optional<unsigned char> byte;
    if (!malformed) byte = codePointToCp1252(cp);
    if (!byte) {
      if (error) *error = ConversionError{start, index, malformed ? 0xFFFD : cp, malformed};
      return std::nullopt;
    }
    out.push_back(static_cast<char>(*byte));
  }
  return out;
}

bool isValidUtf8(std::string_view bytes) {
  std::size_t pos = 0;
  char32_t cp = 0;
  while (pos < bytes.size()) {
    pos += asciiRun(bytes, pos);
    if (pos < bytes.size() && !decodeUtf8(bytes, pos, cp)) return false;
  }
  return true;
}

std::string w1252(std::string_view utf8Literal) {
  auto converted = utf8ToCp1252(utf8Literal);
  if (!converted) std::abort();
  return *converted;
}

}  // namespace kv
