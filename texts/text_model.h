// The directory of a text archive and the lines of the text being exercised.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/line_selection.h"

namespace kv {

inline constexpr std::size_t kHeaderSize = 51388;
inline constexpr std::size_t kEntrySize = 205;
inline constexpr std::size_t kMaxTexts = 250;
inline constexpr std::size_t kEntriesOffset = 126;
inline constexpr std::size_t kArchiveNameMax = 64;
inline constexpr std::size_t kTitleMax = 32;
inline constexpr std::int32_t kFormatVersion = 7;
inline constexpr std::string_view kSignature = "Klavento 7.0";
// Repetition never makes an exercise longer than this many lines.
inline constexpr std::size_t kMaxExerciseLines = 1200;

struct TextEntry {
  std::string title;  // at most kTitleMax characters
  std::int32_t charCount = 0;  // line lengths plus two per line break
  std::int32_t lineCount = 0;
  std::uint32_t textId = 0;
  bool operator==(const TextEntry&) const = default;
};

// In memory as fields; on disk the 51388 little-endian bytes written and read
// by encodeHeader / decodeHeader at fixed offsets. Reserved fields are always
// zero when written and ignored when read.
struct TextArchiveHeader {
  std::int32_t recordSize = static_cast<std::int32_t>(kHeaderSize);
  std::string signature = std::string(kSignature);  // exactly 12 bytes on disk
  std::int32_t formatVersion = kFormatVersion;
  std::string archiveName;  // at most kArchiveNameMax characters
  double created = 0;       // whole days since 30 December 1899
  double modified = 0;
  std::uint8_t textCount = 0;
  std::array<TextEntry, kMaxTexts> entries{};
  std::uint32_t archiveId = 0;
  bool operator==(const TextArchiveHeader&) const = default;
};

using HeaderBytes = std::array<std::uint8_t, kHeaderSize>;

// Names and titles longer than their capacity are cut to it.
HeaderBytes encodeHeader(const TextArchiveHeader& header);
// Reads the first kHeaderSize bytes. Fails when there are fewer, or when a
// length byte or the text count exceeds what the record can hold; it does not
// judge record size, signature or version (the archive reader does).
bool decodeHeader(std::span<const std::uint8_t> bytes, TextArchiveHeader& header);

// An empty header dated `createdDays`, with fresh random identifiers: each is
// the checksum, seeded with the date, of 255 random characters 32..254.
void resetHeader(TextArchiveHeader& header, std::int32_t createdDays, std::mt19937& random);
// The same for today with the process's random source.
void resetHeader(TextArchiveHeader& header);

struct CurrentText {
  std::string archivePath;
  std::vector<std::string> lines;  // Windows-1252, no line-break characters
  std::int32_t longestLine = 0;    // of the text as loaded, before the selection
  std::int32_t totalKeystrokes = 0;
};

// Where loadText takes the lines of text n from (an archive file or the
// built-in archive). Appends the lines in order; false when they cannot be read.
class TextSource {
 public:
  virtual ~TextSource() = default;
  virtual bool readLines(int n, std::vector<std::string>& lines) = 0;
};

bool loadText(TextSource& source, int n, bool withSelection, const LineSelection& selection,
              CurrentText& text);
void applyLineSelection(const LineSelection& selection, CurrentText& text);

// Keystrokes on the German keyboard: 1 unshifted, 2 shifted, 3 AltGr or dead
// key combinations, 0 for control characters other than carriage return.
int countKeystrokes(unsigned char character);
std::int32_t countKeystrokes(std::string_view line);

// The number made of the text's decimal digits, others ignored; 0 without
// digits. Saturates instead of overflowing.
std::int32_t parseDigits(std::string_view text);

// Blanks off both ends, then one pair of enclosing double quotes.
std::string trimName(std::string_view text);

// An archive list entry: the name trimmed and padded to 64 characters, then
// the path.
std::string archiveEntry(std::string_view archiveName, std::string_view path);

}  // namespace kv
