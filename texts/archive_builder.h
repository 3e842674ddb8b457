// Making a text archive from a teacher's text files: the checks and the
// reasons for a refusal, shared by `kvtool archive pack` and the window
// "Textarchiv erstellen", so both refuse the same files for the same reason.
//
// Reasons are UTF-8, unlike the core's other texts: a refusal may have to
// quote the very character that Windows-1252 lacks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_io.h"
#include "texts/archive.h"

namespace kv {

// Longer lines no longer fit the exercise window at a size that is pleasant to
// read; a typewriter line had 60 to 70 characters.
inline constexpr std::size_t kPackLineMax = 80;
// Far beyond any text that obeys the other limits, in any encoding.
inline constexpr std::uintmax_t kPackFileMax = 16u * 1024u * 1024u;

enum class PackEncoding { Auto, Utf8, Windows1252 };

// Why a file, a line or a character of it cannot go into an archive.
struct PackProblem {
  std::size_t line = 0;    // from 1; 0: the file as a whole
  std::size_t column = 0;  // from 1; 0: the line as a whole
  std::string reason;      // one or two German sentences, UTF-8
  // Bytes that are no UTF-8 in a file read as UTF-8: the caller may say how
  // to read it as Windows-1252 instead.
  bool notUtf8 = false;
};

// "FILE, Zeile 3, Spalte 7: " before a reason; `display` as the caller shows it.
std::string packPlace(const std::string& display, const PackProblem& problem);

// The file's bytes, refused when it is missing, unreadable or far too large.
std::optional<PackProblem> readPackFile(const std::filesystem::path& path, std::string& bytes);

// The lines of a text file as Windows-1252. Line ends may be CR LF, LF or CR;
// empty lines at the end are dropped, empty lines inside are kept. A UTF-8
// byte-order mark makes the file UTF-8; "auto" takes UTF-8 when the bytes are
// valid UTF-8, else Windows-1252.
std::optional<PackProblem> decodePackText(std::string bytes, PackEncoding encoding,
                                          std::vector<std::string>& lines);

// Both of the above.
std::optional<PackProblem> readPackText(const std::filesystem::path& path, PackEncoding encoding,
                                        std::vector<std::string>& lines);

// The archive's name (Windows-1252): nothing when it will do.
std::optional<std::string> archiveNameProblem(const std::string& name);
// A text's title (Windows-1252) that is not empty: nothing when it will do.
// A control character, or a length over kTitleMax, is refused.
enum class TitleFault { None, Empty, ControlCharacter, TooLong };
TitleFault titleFault(const std::string& title);
// "Der Titel „…“ hat 40 Zeichen; erlaubt sind höchstens 32."
std::string titleTooLongReason(const std::string& title);
// Too many texts for one archive: nothing when `count` will do.
std::optional<std::string> textCountProblem(std::size_t count);

// The characters of a line no key of the German keyboard types, each once,
// separated by blanks, as UTF-8; empty when the line can be typed.
std::string untypableShown(std::string_view line);
// The same for a whole text: each character once, in the order first met.
std::string untypableShown(const std::vector<std::string>& lines);
// Replaces them with what the keyboard types; refused when the line grows
// beyond the pack limit (… becomes ...).
std::optional<std::string> useKeyboardCharacters(std::string& line);

// Writes the archive beside `path`, reads it back and only then puts it in
// place, so a failure at any point leaves no half-written archive and an
// earlier file of that name as it was. Nothing when the texts break the
// format's rules, which the checks above prevent.
std::optional<AtomicWriteResult> writeTextArchive(const std::filesystem::path& path, const std::string& name,
                                                  const std::vector<ArchiveText>& texts);

}  // namespace kv
