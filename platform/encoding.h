// Windows-1252 is the program's text encoding: texts, archives and saved files
// hold single bytes. These conversions are explicit so umlauts survive on any
// system code page, and they report what Windows-1252 cannot hold instead of
// quietly dropping it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kv {

struct ConversionError {
  std::size_t offset = 0;     // position in the input (bytes for UTF-8, units for UTF-16)
  std::size_t character = 0;  // 0-based number of the offending character
  char32_t codePoint = 0;     // the character, or 0xFFFD for malformed input
  bool malformed = false;     // the input itself was not valid UTF-8 / UTF-16
};

// Unicode code point of one Windows-1252 byte. The five bytes the code page
// leaves undefined map to the C1 controls of the same value, as Windows does.
char32_t cp1252ToCodePoint(unsigned char byte);

// Windows-1252 byte of a code point, or nothing when the code page lacks it.
std::optional<unsigned char> codePointToCp1252(char32_t cp);

std::string cp1252ToUtf8(std::string_view text);
std::u16string cp1252ToUtf16(std::string_view text);

// Both return nothing and fill `error` (when given) at the first character
// that cannot be converted.
std::optional<std::string> utf8ToCp1252(std::string_view utf8, ConversionError* error = nullptr);
std::optional<std::string> utf16ToCp1252(std::u16string_view utf16,
                                         ConversionError* error = nullptr);

// True when the bytes form valid UTF-8 (an empty text is valid).
bool isValidUtf8(std::string_view bytes);

// For the program's own German literals, written in UTF-8 source files. A
// literal that Windows-1252 cannot hold is a programming error and aborts.
std::string w1252(std::string_view utf8Literal);

}  // namespace kv
