#include "tools/kvtool_archive.h"
#include "tools/kvtool_cli.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/encoding.h"
#include "platform/file_io.h"
#include "keyboard/typable.h"
#include "texts/archive.h"
#include "texts/archive_scan.h"
#include "texts/builtin_texts.h"
#include "texts/text_model.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kv {
namespace {

namespace fs = std::filesystem;

// Longer lines no longer fit the exercise window at a size that is pleasant to
// read; a typewriter line had 60 to 70 characters.
constexpr std::size_t kPackLineMax = 80;
// Far beyond any text that obeys the other limits, in any encoding.
constexpr std::uintmax_t kInputFileMax = 16u * 1024u * 1024u;

// Every failure ends the command with a German message on stderr and exit code 1.
struct Failure {
  std::string message;  // UTF-8
};

[[noreturn]] void fail(std::string message) { throw Failure{std::move(message)}; }

// ---- Console and arguments ----

// Wide output to a Windows console shows umlauts whatever its code page and
// font; redirected output stays UTF-8.
void emit(std::ostream& stream, std::string_view utf8) {
#ifdef _WIN32
  const DWORD which = &stream == &std::cerr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
  HANDLE handle = GetStdHandle(which);
  DWORD mode = 0;
  if (handle != nullptr && GetConsoleMode(handle, &mode)) {
    stream.flush();
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                      nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(n, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
#endif
  stream << utf8;
}

void say(std::string_view utf8) {
  std::string line(utf8);
  line += '\n';
  emit(std::cout, line);
}

fs::path argumentPath(const std::string& argument) { return tool::pathOfArgument(argument); }

std::u8string toU8(std::string_view utf8) { return std::u8string(utf8.begin(), utf8.end()); }

std::string pathText(const fs::path& path) { return tool::textOfPath(path); }

std::string utf8Of(std::string_view cp1252) { return cp1252ToUtf8(cp1252); }

// Names and titles from the command line, as Windows-1252; nothing when they
// hold a character the code page lacks.
std::optional<std::string> argumentCp1252(const std::string& argument) {
  return utf8ToCp1252(argument);
}

std::string argumentUtf8(const std::string& argument) { return argument; }

std::string inQuotes(std::string_view utf8) { return "„" + std::string(utf8) + "“"; }

// Blanks up to `width` characters (Windows-1252 counts one per character).
std::string padded(std::string_view cp1252, std::size_t width) {
  std::string text(cp1252);
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

std::string rightAligned(long long value, std::size_t width) {
  std::string text = std::to_string(value);
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

bool parseNumber(std::string_view text, long long& value) {
  if (text.empty() || text.size() > 9) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// ---- The archive a command works on ----

struct LoadedArchive {
  std::string display;  // what messages call it, UTF-8
  std::optional<fs::path> file;  // empty for the built-in archive
  TextArchiveHeader header;
};

[[noreturn]] void failReading(const std::string& display, ArchiveError error) {
  fail(archiveReadErrorMessage(display) + " " + std::string(describeArchiveError(error)));
}

LoadedArchive loadArchive(bool builtin, const std::string& argument) {
  LoadedArchive archive;
  if (builtin) {
    archive.display = "eingebautes Archiv";
    resetHeader(archive.header);
    fillBuiltinHeader(archive.header);
    return archive;
  }
  archive.file = argumentPath(argument);
  archive.display = pathText(*archive.file);
  if (const ArchiveError e = readArchiveFile(*archive.file, archive.header);
      e != ArchiveError::None) {
    failReading(archive.display, e);
  }
  return archive;
}

std::vector<std::string> textLines(const LoadedArchive& archive, int n) {
  std::vector<std::string> lines;
  if (!archive.file) {
    BuiltinTextSource source;
    if (!source.readLines(n, lines)) failReading(archive.display, ArchiveError::NoSuchText);
    return lines;
  }
  if (const ArchiveError e = readArchiveFileText(*archive.file, archive.header, n, lines);
      e != ArchiveError::None) {
    failReading(archive.display, e);
  }
  return lines;
}

// FILE, or nothing with --builtin, followed by `rest` more arguments.
struct Addressed {
  bool builtin = false;
  std::vector<std::string> arguments;
};

const std::string& fileArgument(const Addressed& a) {
  static const std::string none;
  return a.builtin ? none : a.arguments.front();
}

void requireArguments(const Addressed& a, std::size_t rest, std::string_view usage) {
  const std::size_t wanted = rest + (a.builtin ? 0 : 1);
  if (a.arguments.size() != wanted) {
    fail("Falsche Zahl von Argumenten. Aufruf: kvtool archive " + std::string(usage));
  }
}

// ---- list, show ----

class NoProgress final : public ScanProgress {
 public:
  void setMaximum(std::int32_t) override {}
  void setPosition(std::int32_t) override {}
  void runPendingEvents() override {}
};

// A folder is listed as the program scans it: the archives it offers, then
// the files it passes over and why, so a teacher can mend them.
void listFolder(const fs::path& folder) {
  const std::optional<std::string> name = utf8ToCp1252(pathText(folder));
  if (!name) {
    fail("Der Ordnername " + inQuotes(pathText(folder)) +
         " enthält Zeichen, die Klavento nicht lesen kann.");
  }
  FileSystemLister lister;
  const TextArchives archives("");
  NoProgress progress;
  ArchiveScanState state;
  TextArchiveHeader current;
  TextArchiveHeader saved;
  CurrentText text;
  ScanContext context{lister, archives, progress, state, current, saved, text, germanEntryLess};
  std::string scanned = *name;
  std::vector<std::string> entries;
  scanArchiveFolder(scanned, entries, context);
  say("Ordner: " + pathText(folder));
  if (entries.empty()) {
    say("Keine lesbaren Textarchive.");
  } else {
    say("Textarchive:");
    for (const std::string& entry : entries) {
      TextArchiveHeader header;
      const std::string path = entryPath(entry);
      const bool read = readArchiveFile(pathFromCp1252(path), header) == ArchiveError::None;
      const std::size_t slash = path.find_last_of("\\/");
      std::string line = "  " + utf8Of(padded(entryName(entry), 32)) + "  " +
                         utf8Of(path.substr(slash == std::string::npos ? 0 : slash + 1));
      if (read) {
        line += " (" + std::to_string(header.textCount) +
                (header.textCount == 1 ? " Text)" : " Texte)");
      }
      say(line);
    }
  }
  if (!state.skipped.empty()) {
    say("Nicht angeboten:");
    for (const SkippedArchive& skipped : state.skipped) {
      const std::size_t slash = skipped.path.find_last_of("\\/");
      say("  " + utf8Of(skipped.path.substr(slash == std::string::npos ? 0 : slash + 1)) + ": " +
          skipReasonText(skipped));
    }
  }
}

void listArchive(const Addressed& a) {
  requireArguments(a, 0, "list DATEI | list ORDNER | list --builtin");
  if (!a.builtin) {
    std::error_code ec;
    const fs::path path = argumentPath(fileArgument(a));
    if (fs::is_directory(path, ec)) {
      listFolder(path);
      return;
    }
  }
  const LoadedArchive archive = loadArchive(a.builtin, fileArgument(a));
  const TextArchiveHeader& h = archive.header;
  say("Archiv: " + utf8Of(h.archiveName));
  if (h.textCount == 0) {
    say("Das Archiv enthält keine Texte.");
    return;
  }
  say(utf8Of(" Nr.  " + padded("Titel", kTitleMax) + "  Zeilen  Zeichen"));
  for (int n = 1; n <= h.textCount; ++n) {
    const TextEntry& e = h.entries[static_cast<std::size_t>(n - 1)];
    say(rightAligned(n, 4) + "  " + utf8Of(padded(e.title, kTitleMax)) + "  " +
        rightAligned(e.lineCount, 6) + "  " + rightAligned(e.charCount, 7));
  }
}

void showText(const Addressed& a) {
  requireArguments(a, 1, "show DATEI N | show --builtin N");
  const LoadedArchive archive = loadArchive(a.builtin, fileArgument(a));
  if (archive.header.textCount == 0) fail("Das Archiv enthält keine Texte.");
  long long n = 0;
  const std::string& number = a.arguments.back();
  if (!parseNumber(number, n) || n < 1 || n > archive.header.textCount) {
    fail("Einen Text " + inQuotes(argumentUtf8(number)) + " gibt es nicht; das Archiv enthält " +
         std::to_string(archive.header.textCount) + " Texte (Nummern 1 bis " +
         std::to_string(archive.header.textCount) + ").");
  }
  std::string out;
  for (const std::string& line : textLines(archive, static_cast<int>(n))) {
    out += utf8Of(line);
    out += '\n';
  }
  emit(std::cout, out);
}

// ---- pack ----

struct PackOptions {
  std::string output;
  std::string name;
  std::vector<std::string> titles;
  std::string encoding = "auto";
  std::vector<std::string> files;
  bool keyboardCharacters = false;
};

std::string where(const std::string& file, std::size_t line, std::size_t column = 0) {
  std::string text = file + ", Zeile " + std::to_string(line);
  if (column > 0) text += ", Spalte " + std::to_string(column);
  return text + ": ";
}

// The whole UTF-8 sequence that starts at `offset`.
std::string utf8SequenceAt(std::string_view text, std::size_t offset) {
  std::size_t end = offset + 1;
  while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  return std::string(text.substr(offset, end - offset));
}

std::string codePointText(char32_t cp) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
  return buf;
}

std::string describeNonText(unsigned char c) {
  if (c == '\t') return "Tabulatorzeichen; bitte durch Leerzeichen ersetzen.";
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", static_cast<unsigned>(c));
  if (c < 32 || c == 127) return std::string("Steuerzeichen (Byte ") + buf + ").";
  return std::string("Das Byte ") + buf + " ist in Windows-1252 kein Zeichen.";
}

enum class InputEncoding { Auto, Utf8, Windows1252 };

InputEncoding parseEncoding(const std::string& name) {
  std::string lower = name;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "auto") return InputEncoding::Auto;
  if (lower == "utf-8" || lower == "utf8") return InputEncoding::Utf8;
  if (lower == "windows-1252" || lower == "cp1252" || lower == "ansi") {
    return InputEncoding::Windows1252;
  }
  fail("Unbekannte Kodierung " + inQuotes(argumentUtf8(name)) +
       "; erlaubt sind auto, utf-8 und windows-1252.");
}

std::string readInputFile(const fs::path& path, const std::string& display) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) fail(display + ": Die Datei gibt es nicht oder sie ist keine Datei.");
  const std::uintmax_t size = fs::file_size(path, ec);
  if (ec) fail(display + ": Die Datei lässt sich nicht lesen.");
  if (size > kInputFileMax) {
    fail(display + ": Die Datei ist zu groß für einen Übungstext (" + std::to_string(size) +
         " Bytes).");
  }
  std::ifstream in(path, std::ios::binary);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(size));
  if (!in || static_cast<std::uintmax_t>(in.gcount()) != size) {
    fail(display + ": Die Datei lässt sich nicht lesen.");
  }
  return bytes;
}

// The lines of a text file as Windows-1252. Line ends may be CR LF, LF or CR;
// empty lines at the end are dropped, empty lines inside are kept.
std::vector<std::string> decodeTextFile(std::string bytes, InputEncoding encoding,
                                        const std::string& display) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (encoding != InputEncoding::Windows1252 && bytes.starts_with(kBom)) {
    bytes.erase(0, kBom.size());
    encoding = InputEncoding::Utf8;
  }
  if (encoding == InputEncoding::Auto) {
    encoding = isValidUtf8(bytes) ? InputEncoding::Utf8 : InputEncoding::Windows1252;
  }
  std::vector<std::string> raw;
  std::size_t start = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    raw.push_back(bytes.substr(start, i - start));
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < bytes.size()) raw.push_back(bytes.substr(start));
  while (!raw.empty() && raw.back().empty()) raw.pop_back();
  if (raw.empty()) fail(display + ": Die Datei enthält keinen Text.");
  if (raw.size() > static_cast<std::size_t>(kMaxTextLines)) {
    fail(display + ": Der Text hat " + std::to_string(raw.size()) + " Zeilen; erlaubt sind höchstens " +
         std::to_string(kMaxTextLines) + ".");
  }

  std::vector<std::string> lines;
  lines.reserve(raw.size());
  for (std::size_t k = 0; k < raw.size(); ++k) {
    std::string line = std::move(raw[k]);
    if (encoding == InputEncoding::Utf8) {
      ConversionError error;
      std::optional<std::string> converted = utf8ToCp1252(line, &error);
      if (!converted) {
        if (error.malformed) {
          fail(where(display, k + 1, error.character + 1) +
               "Ungültige UTF-8-Bytefolge. Ist die Datei in einer anderen Kodierung gespeichert? "
               "Dann --encoding windows-1252 angeben.");
        }
        const std::string shown =
            error.codePoint >= 0x20 ? " " + inQuotes(utf8SequenceAt(line, error.offset)) : "";
        fail(where(display, k + 1, error.character + 1) + "Das Zeichen " +
             codePointText(error.codePoint) + shown +
             " gibt es in Windows-1252 nicht; Übungstexte können es nicht enthalten.");
      }
      line = std::move(*converted);
    }
    for (std::size_t i = 0; i < line.size(); ++i) {
      const auto c = static_cast<unsigned char>(line[i]);
      if (!isTextCharacter(c)) fail(where(display, k + 1, i + 1) + describeNonText(c));
    }
    if (line.size() > kPackLineMax) {
      fail(where(display, k + 1) + "Die Zeile hat " + std::to_string(line.size()) +
           " Zeichen; für das Übungsfenster sind höchstens " + std::to_string(kPackLineMax) +
           " erlaubt.");
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string checkedTitle(const std::string& cp1252, const std::string& display,
                         std::string_view origin) {
  if (cp1252.empty()) fail(display + ": Der Titel ist leer. Bitte --title angeben.");
  for (char c : cp1252) {
    if (!isTextCharacter(static_cast<unsigned char>(c))) {
      fail(display + ": Der Titel " + std::string(origin) + " enthält ein Steuerzeichen.");
    }
  }
  if (cp1252.size() > kTitleMax) {
    fail(display + ": Der Titel " + inQuotes(utf8Of(cp1252)) + " hat " +
         std::to_string(cp1252.size()) + " Zeichen; erlaubt sind höchstens " +
         std::to_string(kTitleMax) + ". Bitte einen kürzeren Titel mit --title angeben.");
  }
  return cp1252;
}

bool hasExtension(const fs::path& path, std::string_view extension) {
  std::string ext = pathText(path.extension());
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == extension;
}

// Writes the archive beside its destination, reads it back and only then
// puts it in place, so a failure at any point leaves no half-written archive.
void writeArchiveFile(const fs::path& out, const std::vector<std::uint8_t>& image,
                      const std::vector<ArchiveText>& texts) {
  const std::string display = pathText(out);
  const auto readsBack = [&texts](const fs::path& temp) {
    TextArchiveHeader header;
    bool same = readArchiveFile(temp, header) == ArchiveError::None && header.textCount == texts.size();
    for (std::size_t i = 0; same && i < texts.size(); ++i) {
      std::vector<std::string> lines;
      same = readArchiveFileText(temp, header, static_cast<int>(i + 1), lines) == ArchiveError::None &&
             lines == texts[i].lines && header.entries[i].title == texts[i].title;
    }
    return same;
  };
  const std::string_view bytes(reinterpret_cast<const char*>(image.data()), image.size());
  const AtomicWriteResult written = writeFileAtomically(out, bytes, readsBack);
  if (!written.ok()) fail(display + ": Das Archiv wurde nicht geschrieben. " + cp1252ToUtf8(written.reason(out)));
}

void packArchive(const PackOptions& o) {
  if (o.output.empty()) fail("Keine Ausgabedatei angegeben (-o DATEI.kv7).");
  const fs::path out = argumentPath(o.output);
  if (!hasExtension(out, ".kv7")) {
    fail(pathText(out) + ": Die Ausgabedatei muss auf .kv7 enden, sonst findet Klavento sie nicht.");
  }
  if (o.name.empty()) fail("Kein Archivname angegeben (--name NAME).");
  const std::optional<std::string> name = argumentCp1252(o.name);
  if (!name) fail("Der Archivname " + inQuotes(argumentUtf8(o.name)) + " enthält Zeichen außerhalb von Windows-1252.");
  if (!std::all_of(name->begin(), name->end(),
                   [](char c) { return isTextCharacter(static_cast<unsigned char>(c)); })) {
    fail("Der Archivname enthält ein Steuerzeichen.");
  }
  if (name->size() > kArchiveNameMax) {
    fail("Der Archivname " + inQuotes(utf8Of(*name)) + " hat " + std::to_string(name->size()) +
         " Zeichen; erlaubt sind höchstens " + std::to_string(kArchiveNameMax) + ".");
  }
  if (o.files.empty()) fail("Keine Textdateien angegeben.");
  if (o.files.size() > kMaxTexts) {
    fail("Zu viele Textdateien: " + std::to_string(o.files.size()) + "; ein Archiv fasst höchstens " +
         std::to_string(kMaxTexts) + " Texte.");
  }
  if (o.titles.size() > o.files.size()) {
    fail("Mehr Titel (--title) als Textdateien angegeben.");
  }
  const InputEncoding encoding = parseEncoding(o.encoding);

  constexpr int kShownWarnings = 10;
  int warnings = 0;
  std::vector<ArchiveText> texts;
  for (std::size_t i = 0; i < o.files.size(); ++i) {
    const fs::path path = argumentPath(o.files[i]);
    const std::string display = pathText(path);
    ArchiveText text;
    if (i < o.titles.size()) {
      const std::optional<std::string> title = argumentCp1252(o.titles[i]);
      if (!title) {
        fail(display + ": Der Titel " + inQuotes(argumentUtf8(o.titles[i])) +
             " enthält Zeichen außerhalb von Windows-1252.");
      }
      text.title = checkedTitle(*title, display, "aus --title");
    } else {
      const std::string stem = pathText(path.stem());
      const std::optional<std::string> title = utf8ToCp1252(stem);
      if (!title) {
        fail(display + ": Der Dateiname enthält Zeichen außerhalb von Windows-1252 und taugt nicht "
                       "als Titel. Bitte --title angeben.");
      }
      text.title = checkedTitle(*title, display, "aus dem Dateinamen");
    }
    text.lines = decodeTextFile(readInputFile(path, display), encoding, display);
    // Quotes and dashes from a word processor: allowed, but not on the keyboard.
    for (std::size_t n = 0; n < text.lines.size(); ++n) {
      std::string& line = text.lines[n];
      const std::vector<std::size_t> untypable = untypablePositions(line);
      if (untypable.empty()) continue;
      std::string shown;
      for (const std::size_t at : untypable) {
        const std::string c = utf8Of(line.substr(at, 1));
        if (shown.find(c) == std::string::npos) shown += (shown.empty() ? "" : " ") + c;
      }
      if (o.keyboardCharacters) {
        std::string replaced = withKeyboardCharacters(line);
        if (replaced.size() > kMaxLineLength) {
          fail(where(display, n + 1) + "Mit den Ersatzzeichen wird die Zeile länger als " +
               std::to_string(kMaxLineLength) + " Zeichen.");
        }
        if (replaced != line) {
          say("Hinweis: " + where(display, n + 1) + "ersetzt durch Zeichen der Tastatur: " + shown);
        }
        line = std::move(replaced);
        if (untypablePositions(line).empty()) continue;
      }
      // A long list would hide everything else: the first few, then a count.
      if (++warnings > kShownWarnings) continue;
      emit(std::cerr, "Warnung: " + where(display, n + 1) + shown +
                          " gibt es auf der deutschen Tastatur nicht; Lernende können es nicht tippen." +
                          (o.keyboardCharacters ? std::string()
                                                : std::string(" Mit --keyboard-characters wird es durch "
                                                              "Zeichen der Tastatur ersetzt (\" ' - ...).")) +
                          "\n");
    }
    texts.push_back(std::move(text));
  }

  if (warnings > kShownWarnings) {
    emit(std::cerr, "Warnung: " + std::to_string(warnings - kShownWarnings) +
                        " weitere Zeilen mit Zeichen, die es auf der deutschen Tastatur nicht gibt.\n");
  }
  TextArchiveHeader header;
  resetHeader(header);
  header.archiveName = *name;
  const std::optional<std::vector<std::uint8_t>> image = encodeArchive(header, texts);
  if (!image) fail("Interner Fehler: Die Texte lassen sich nicht als Archiv schreiben.");
  writeArchiveFile(out, *image, texts);
  say("Archiv " + inQuotes(utf8Of(*name)) + " mit " + std::to_string(texts.size()) +
      (texts.size() == 1 ? " Text" : " Texten") + " geschrieben: " + pathText(out));
}

// ---- extract ----

// A file name that every file system the program runs on accepts.
std::string safeFileName(std::string cp1252, int n) {
  for (char& c : cp1252) {
    if (std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos ||
        !isTextCharacter(static_cast<unsigned char>(c))) {
      c = '_';
    }
  }
  if (!cp1252.empty() && (cp1252.back() == '.' || cp1252.back() == ' ')) cp1252.back() = '_';
  if (cp1252.empty()) cp1252 = "Text " + std::to_string(n);
  std::string upper = cp1252.substr(0, cp1252.find('.'));
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  static const std::set<std::string> kDevices = {
      "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
      "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
  if (kDevices.contains(upper)) cp1252.insert(0, "_");
  return cp1252;
}

void extractArchive(const Addressed& a, bool overwrite) {
  requireArguments(a, 1, "extract DATEI ORDNER | extract --builtin ORDNER");
  const LoadedArchive archive = loadArchive(a.builtin, fileArgument(a));
  const fs::path folder = argumentPath(a.arguments.back());
  const TextArchiveHeader& h = archive.header;

  struct Target {
    fs::path path;
    std::string content;
  };
  std::vector<Target> targets;
  std::set<std::string> taken;
  for (int n = 1; n <= h.textCount; ++n) {
    std::string content;
    for (const std::string& line : textLines(archive, n)) content += utf8Of(line) + "\r\n";
    const std::string base = safeFileName(h.entries[static_cast<std::size_t>(n - 1)].title, n);
    std::string name = base;
    for (int k = 2; !taken.insert(foldCaseCp1252(name)).second; ++k) {
      name = base + " (" + std::to_string(k) + ")";
    }
    const std::string utf8Name = utf8Of(name) + ".txt";
    targets.push_back({folder / fs::path(toU8(utf8Name)), std::move(content)});
  }

  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec || !fs::is_directory(folder, ec)) {
    // The cause lies with the nearest folder that is there.
    fs::path existing = folder;
    while (existing.has_parent_path() && existing != existing.parent_path() && !fs::is_directory(existing, ec)) {
      existing = existing.parent_path();
    }
    FileProblem problem = probeFolder(existing);
    if (!problem) problem = {FileFault::Other, static_cast<std::uint32_t>(ec.value())};
    fail(pathText(folder) + ": Der Ordner kann nicht angelegt werden. " +
         cp1252ToUtf8(faultSentence(problem, cp1252OfPath(existing))));
  }
  if (!overwrite) {
    for (const Target& t : targets) {
      if (fs::exists(t.path, ec)) {
        fail(pathText(t.path) + ": Die Datei gibt es schon; nichts wurde geschrieben. Mit --force "
                                "werden vorhandene Dateien überschrieben.");
      }
    }
  }
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const AtomicWriteResult written = writeFileAtomically(targets[i].path, targets[i].content, {});
    if (!written.ok()) {
      fail(pathText(targets[i].path) + ": Die Datei wurde nicht geschrieben. " +
           cp1252ToUtf8(written.reason(targets[i].path)) +
           (i > 0 ? " Die " + std::to_string(i) + " Texte davor sind vollständig geschrieben." : std::string()));
    }
    say("Text " + std::to_string(i + 1) + ": " + pathText(targets[i].path));
  }
}

// Runs a command; failures become a message and exit code 1.
template <typename F>
void run(F&& command) {
  try {
    command();
  } catch (const Failure& failure) {
    std::cout.flush();
    emit(std::cerr, "kvtool: " + failure.message + "\n");
    throw CLI::RuntimeError(1);
  } catch (const std::exception& e) {
    std::cout.flush();
    emit(std::cerr, std::string("kvtool: Unerwarteter Fehler: ") + e.what() + "\n");
    throw CLI::RuntimeError(1);
  }
}

}  // namespace

namespace tool {

void addArchiveCommands(CLI::App& app) {
  CLI::App* archive = app.add_subcommand("archive", "Textarchive (.kv7, .kv5) ansehen, packen und entpacken");
  archive->require_subcommand(0, 1);
  // A path may begin with a slash; it is never an option here. Subcommands
  // created below inherit this.
  archive->allow_windows_style_options(false);
  archive->callback([archive] {
    if (archive->get_subcommands().empty()) emit(std::cout, archive->help());
  });

  auto addressed = [](CLI::App* command, const std::string& arguments, const std::string& help) {
    auto a = std::make_shared<Addressed>();
    command->add_flag("--builtin", a->builtin, "Das eingebaute Archiv statt einer Datei verwenden");
    command->add_option(arguments, a->arguments, help)->type_name("");
    return a;
  };

  CLI::App* list = archive->add_subcommand("list", "Archivname und Texte (Nummer, Titel, Zeilen, Zeichen) auflisten, oder die Archive eines Ordners");
  auto listArgs = addressed(list, "DATEI", "Das Archiv (.kv7 oder .kv5), oder ein Ordner: seine Archive und die Dateien, die Klavento nicht anbietet, mit Grund");
  list->callback([listArgs] { run([&] { listArchive(*listArgs); }); });

  CLI::App* show = archive->add_subcommand("show", "Die Zeilen eines Textes ausgeben (UTF-8)");
  auto showArgs = addressed(show, "ARGUMENTE", "DATEI N – das Archiv und die Nummer des Textes (mit --builtin nur N)");
  show->callback([showArgs] { run([&] { showText(*showArgs); }); });

  CLI::App* extract = archive->add_subcommand("extract", "Jeden Text als UTF-8-Textdatei in einen Ordner schreiben");
  auto extractArgs = addressed(extract, "ARGUMENTE", "DATEI ORDNER – das Archiv und der Zielordner (mit --builtin nur ORDNER)");
  auto overwrite = std::make_shared<bool>(false);
  extract->add_flag("-f,--force", *overwrite, "Vorhandene Dateien überschreiben");
  extract->callback([extractArgs, overwrite] { run([&] { extractArchive(*extractArgs, *overwrite); }); });

  CLI::App* pack = archive->add_subcommand("pack", "Ein .kv7-Archiv aus Textdateien packen (ein Text je Datei)");
  auto packOptions = std::make_shared<PackOptions>();
  pack->add_option("-o,--output", packOptions->output, "Das neue Archiv (DATEI.kv7)")->type_name("DATEI");
  pack->add_option("--name", packOptions->name, "Der Archivname (höchstens 64 Zeichen)")->type_name("NAME");
  pack->add_option("--title", packOptions->titles,
                   "Titel statt des Dateinamens (höchstens 32 Zeichen); mehrfach angegeben gilt "
                   "der n-te Titel für die n-te Datei")
      ->allow_extra_args(false)
      ->type_name("TITEL");
  pack->add_option("--encoding", packOptions->encoding,
                   "Kodierung der Textdateien: auto (Standard: UTF-8, sonst Windows-1252), utf-8 "
                   "oder windows-1252")
      ->type_name("KODIERUNG");
  pack->add_flag("--keyboard-characters", packOptions->keyboardCharacters,
                 "Typografische Zeichen, die es auf der Tastatur nicht gibt (\u201E \u201C \u2013 \u2026), durch "
                 "\" ' - ... ersetzen");
  pack->add_option("DATEIEN", packOptions->files, "Die Textdateien, eine je Text (höchstens 250)")
      ->type_name("DATEI");
  pack->callback([packOptions] { run([&] { packArchive(*packOptions); }); });
}

}  // namespace tool
}  // namespace kv
