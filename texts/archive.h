// Text archive files (".kv7", and ".kv5" of the previous version): the
// directory at the start of the file, the texts behind it, the built-in
// archive that answers to the program's own path, and what happens when an
// archive cannot be opened. The layout is documented for teachers and other
// tools in docs/Textarchive.md; keep the two in step.
//
// The program only ever reads archives. encodeArchive exists for kvtool and
// the tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_io.h"  // pathFromCp1252: paths in the program are Windows-1252
#include "texts/text_model.h"

namespace kv {

// What an archive change touches of the program's records: the directory of
// the current archive and of the one last opened successfully, the current
// text's archive path, and the chosen item's index and caption.
struct ArchiveSwitch {
  TextArchiveHeader& currentHeader;
  TextArchiveHeader& savedHeader;
  CurrentText& currentText;
  std::int32_t& archiveIndex;
  std::string& archiveCaption;
};

// Archives of the previous version carry their own signature and version in
// the same header; everything else about them is identical.
inline constexpr std::string_view kSignatureKv5 = "Klavento 5.0";
inline constexpr std::int32_t kFormatVersionKv5 = 5;

// The selection dialog shows line numbers from the low 16 bits.
inline constexpr std::int32_t kMaxTextLines = 32767;
// A bound against damaged files, not a teaching limit: nothing sensible is
// typed in a line this long, and the exercise window must never be asked to
// lay out megabytes.
inline constexpr std::size_t kMaxLineLength = 255;

enum class ArchiveError {
  None,
  CannotRead,   // the file could not be opened or read to the end
  TooShort,     // shorter than the header
  BadHeader,    // a length byte or the text count beyond what the record holds
  RecordSize,
  Signature,    // neither signature and version of ".kv7" nor of ".kv5"
  EntryCounts,  // a used entry's line or character count is impossible
  BodySize,     // the file's length is not header plus the texts' character counts
  NoSuchText,
  Changed,      // the file no longer matches the directory read when it was opened
  TextBody,     // a text's bytes are not its lines, each ended by CR LF
};

// A short German explanation for kvtool, UTF-8.
std::string_view describeArchiveError(ArchiveError error);

// What an exercise line may consist of: the printable characters of
// Windows-1252. Control bytes (line breaks and tabs included), DEL and the five
// bytes the code page leaves undefined are never part of a line.
bool isTextCharacter(unsigned char c);

// ---- The format, over bytes ----

// Judges a directory that was read from a file of `fileSize` bytes: record
// size, signature and version, and every used entry's counts against each
// other and against the file's length. Reading a text then needs no further
// look at the other texts.
ArchiveError checkArchiveDirectory(const TextArchiveHeader& header, std::uint64_t fileSize);

// Decodes and checks the directory of a whole archive held in memory.
ArchiveError readArchiveImage(std::span<const std::uint8_t> image, TextArchiveHeader& header);

// Where text n (1-based) begins in the file and how many bytes it has. Only
// meaningful for a checked directory and 1 <= n <= textCount.
struct ArchiveTextSpan {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
};
ArchiveTextSpan textExtent(const TextArchiveHeader& header, int n);

// Splits the bytes of one text into exactly `lineCount` lines, each ended by
// CR LF and made of text characters only, at most kMaxLineLength of them.
// Appends to `lines` only when the whole body is right.
ArchiveError splitTextBody(std::string_view body, std::int32_t lineCount,
                           std::vector<std::string>& lines);

// Text n of an archive held in memory whose directory `header` was read from it.
ArchiveError readImageText(std::span<const std::uint8_t> image, const TextArchiveHeader& header,
                           int n, std::vector<std::string>& lines);

// One text to be written: Windows-1252 title and lines.
struct ArchiveText {
  std::string title;
  std::vector<std::string> lines;
};

// The bytes of a ".kv7" archive. `header` supplies name, dates and
// identifiers; signature, version, text count and the used entries' titles and
// counts come from `texts`. Nothing when the texts break the format's rules
// (more than 250, a title over 32 or a name over 64 characters, no lines or
// too many, a line too long or with a character that is not a text character).
std::optional<std::vector<std::uint8_t>> encodeArchive(TextArchiveHeader header,
                                                       const std::vector<ArchiveText>& texts);

// ---- Files ----

ArchiveError readArchiveFile(const std::filesystem::path& file, TextArchiveHeader& header);
// Reads the directory again before the text, so a file replaced since it was
// opened yields Changed instead of lines that belong to another text.
ArchiveError readArchiveFileText(const std::filesystem::path& file, const TextArchiveHeader& header,
                                 int n, std::vector<std::string>& lines);

// loadText's view of an archive file.
class ArchiveFileSource : public TextSource {
 public:
  ArchiveFileSource(std::filesystem::path file, const TextArchiveHeader& header)
      : file_(std::move(file)), header_(header) {}
  bool readLines(int n, std::vector<std::string>& lines) override;
  ArchiveError lastError() const { return error_; }

 private:
  std::filesystem::path file_;
  const TextArchiveHeader& header_;
  ArchiveError error_ = ArchiveError::None;
};

// ---- Archives the program carries ----

// Archives held in memory under a name that stands for their path: the
// program's own course comes packed into the executable. Registered once at
// start; `path` is compared like a file path.
void registerImageArchive(std::string path, std::vector<std::uint8_t> image);
// The registered image for `path`; null when there is none.
const std::vector<std::uint8_t>* imageArchive(std::string_view path);

// ---- The program's view ----

// Two paths name the same archive when they are equal without regard to
// letter case (Windows-1252 letters, umlauts included).
bool sameArchivePath(std::string_view a, std::string_view b);
// The text with every Windows-1252 letter in lower case, as that comparison sees it.
std::string foldCaseCp1252(std::string_view text);

// "Fehler beim Lesen der Datei "<path>"." as Windows-1252, for the message box
// after a failed open or text load.
std::string archiveReadErrorMessage(std::string_view path);

// Opens archives by path. The program's own file path names the built-in
// archive; every other path names an archive file.
class TextArchives {
 public:
  explicit TextArchives(std::string programPath) : programPath_(std::move(programPath)) {}

  const std::string& programPath() const { return programPath_; }
  bool isBuiltin(std::string_view path) const;

  // Resets `header`, sets text.archivePath to `path` and fills the header from
  // the archive. On failure the header stays reset: empty, no texts.
  // `why`, when given, receives the reason of a failure.
  bool openArchive(std::string_view path, TextArchiveHeader& header, CurrentText& text,
                   ArchiveError* why = nullptr) const;

  // Text n of the archive named by text.archivePath, whose directory is
  // `header` (see loadText in text_model.h for the rest).
  bool loadText(const TextArchiveHeader& header, int n, bool withSelection,
                const LineSelection& selection, CurrentText& text) const;

  // The selection dialog's archive change. Keeps a copy of the current
  // directory in savedHeader and opens `path`; an archive that cannot be read
  // or has no texts leaves header, path and archive index as they were and
  // fills `message` for the dialog's error box. On success the archive is
  // current, savedHeader holds its directory too, and `index` and `caption`
  // are the chosen item's.
  bool switchArchive(ArchiveSwitch state, std::string_view path, std::int32_t index,
                     std::string_view caption, std::string& message) const;

 private:
  std::string programPath_;
};

}  // namespace kv
