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
#include "texts/archive_builder.h"
#include "texts/archive_scan.h"
#include "texts/text_model.h"
#include "tools/kvtool_builtin.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kv {
namespace {

namespace fs = std::filesystem;
using tool::BuiltinArchive;
using tool::builtinArchiveKeys;
using tool::kExamplesKey;
using tool::openBuiltinArchive;
using tool::unknownBuiltinArchiveMessage;

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

// FILE, or nothing with --builtin or --builtin-archive NAME, followed by more
// arguments.
struct Addressed {
  bool builtin = false;
  std::string builtinArchive;
  std::vector<std::string> arguments;

  bool usesBuiltin() const { return builtin || !builtinArchive.empty(); }
};

const std::string& fileArgument(const Addressed& a) {
  static const std::string none;
  return a.usesBuiltin() ? none : a.arguments.front();
}

void requireArguments(const Addressed& a, std::size_t rest, std::string_view usage) {
  if (a.builtin && !a.builtinArchive.empty()) {
    fail("--builtin und --builtin-archive nicht zusammen angeben; --builtin steht für "
         "--builtin-archive " + std::string(kExamplesKey) + ".");
  }
  const std::size_t wanted = rest + (a.usesBuiltin() ? 0 : 1);
  if (a.arguments.size() != wanted) {
    fail("Falsche Zahl von Argumenten. Aufruf: kvtool archive " + std::string(usage));
  }
}

struct LoadedArchive {
  std::string display;  // what messages call it, UTF-8
  std::optional<fs::path> file;  // empty for a built-in archive
  std::optional<BuiltinArchive> builtin;
  TextArchiveHeader header;
};

[[noreturn]] void failReading(const std::string& display, ArchiveError error) {
  fail(archiveReadErrorMessage(display) + " " + std::string(describeArchiveError(error)));
}

LoadedArchive loadArchive(const Addressed& a) {
  LoadedArchive archive;
  if (a.usesBuiltin()) {
    const std::string key = a.builtin ? std::string(kExamplesKey) : a.builtinArchive;
    archive.builtin = openBuiltinArchive(key);
    if (!archive.builtin) fail(unknownBuiltinArchiveMessage(argumentUtf8(key)));
    archive.display = archive.builtin->display;
    if (archive.builtin->problem != ArchiveError::None) failReading(archive.display, archive.builtin->problem);
    archive.header = archive.builtin->header;
    return archive;
  }
  archive.file = argumentPath(fileArgument(a));
  archive.display = pathText(*archive.file);
  if (const ArchiveError e = readArchiveFile(*archive.file, archive.header);
      e != ArchiveError::None) {
    failReading(archive.display, e);
  }
  return archive;
}

std::vector<std::string> textLines(const LoadedArchive& archive, int n) {
  std::vector<std::string> lines;
  const ArchiveError e = archive.builtin ? archive.builtin->readText(n, lines)
                                         : readArchiveFileText(*archive.file, archive.header, n, lines);
  if (e != ArchiveError::None) failReading(archive.display, e);
  return lines;
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

// The names a teacher can give --builtin-archive, with what each holds.
void listBuiltinArchives(const Addressed& a) {
  if (a.usesBuiltin() || !a.arguments.empty()) {
    fail("--builtin-archives steht allein. Aufruf: kvtool archive list --builtin-archives");
  }
  say("Eingebaute Archive, zu wählen mit --builtin-archive NAME:");
  for (const std::string_view key : builtinArchiveKeys()) {
    const std::optional<BuiltinArchive> archive = openBuiltinArchive(key);
    if (!archive) continue;
    const int count = archive->header.textCount;
    say("  " + padded(key, 10) + " " + utf8Of(archive->header.archiveName) + " (" + std::to_string(count) +
        (count == 1 ? " Text" : " Texte") + (key == kExamplesKey ? "; auch mit --builtin)" : ")"));
  }
}

void listArchive(const Addressed& a, bool builtinArchives) {
  if (builtinArchives) {
    listBuiltinArchives(a);
    return;
  }
  requireArguments(a, 0,
                   "list DATEI | list ORDNER | list --builtin | list --builtin-archive NAME | "
                   "list --builtin-archives");
  if (!a.usesBuiltin()) {
    std::error_code ec;
    const fs::path path = argumentPath(fileArgument(a));
    if (fs::is_directory(path, ec)) {
      listFolder(path);
      return;
    }
  }
  const LoadedArchive archive = loadArchive(a);
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
  requireArguments(a, 1, "show DATEI N | show --builtin N | show --builtin-archive NAME N");
  const LoadedArchive archive = loadArchive(a);
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

std::string where(const std::string& file, std::size_t line) {
  PackProblem at;
  at.line = line;
  return packPlace(file, at);
}

PackEncoding parseEncoding(const std::string& name) {
  std::string lower = name;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "auto") return PackEncoding::Auto;
  if (lower == "utf-8" || lower == "utf8") return PackEncoding::Utf8;
  if (lower == "windows-1252" || lower == "cp1252" || lower == "ansi") {
    return PackEncoding::Windows1252;
  }
  fail("Unbekannte Kodierung " + inQuotes(argumentUtf8(name)) +
       "; erlaubt sind auto, utf-8 und windows-1252.");
}

std::vector<std::string> readTextFile(const fs::path& path, PackEncoding encoding, const std::string& display) {
  std::vector<std::string> lines;
  if (const std::optional<PackProblem> problem = readPackText(path, encoding, lines)) {
    fail(packPlace(display, *problem) + problem->reason +
         (problem->notUtf8 ? " Dann --encoding windows-1252 angeben." : ""));
  }
  return lines;
}

std::string checkedTitle(const std::string& cp1252, const std::string& display,
                         std::string_view origin) {
  switch (titleFault(cp1252)) {
    case TitleFault::Empty:
      fail(display + ": Der Titel ist leer. Bitte --title angeben.");
    case TitleFault::ControlCharacter:
      fail(display + ": Der Titel " + std::string(origin) + " enthält ein Steuerzeichen.");
    case TitleFault::TooLong:
      fail(display + ": " + titleTooLongReason(cp1252) + " Bitte einen kürzeren Titel mit --title angeben.");
    case TitleFault::None:
      break;
  }
  return cp1252;
}

bool hasExtension(const fs::path& path, std::string_view extension) {
  std::string ext = pathText(path.extension());
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == extension;
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
  if (const std::optional<std::string> problem = archiveNameProblem(*name)) fail(*problem);
  if (const std::optional<std::string> problem = textCountProblem(o.files.size())) fail(*problem);
  if (o.titles.size() > o.files.size()) {
    fail("Mehr Titel (--title) als Textdateien angegeben.");
  }
  const PackEncoding encoding = parseEncoding(o.encoding);

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
    text.lines = readTextFile(path, encoding, display);
    // Quotes and dashes from a word processor: allowed, but not on the keyboard.
    for (std::size_t n = 0; n < text.lines.size(); ++n) {
      std::string& line = text.lines[n];
      const std::string shown = untypableShown(line);
      if (shown.empty()) continue;
      if (o.keyboardCharacters) {
        const std::string before = line;
        if (const std::optional<std::string> problem = useKeyboardCharacters(line)) {
          fail(where(display, n + 1) + *problem);
        }
        if (line != before) {
          say("Hinweis: " + where(display, n + 1) + "ersetzt durch Zeichen der Tastatur: " + shown);
        }
        if (untypableShown(line).empty()) continue;
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
  const std::optional<AtomicWriteResult> written = writeTextArchive(out, *name, texts);
  if (!written) fail("Interner Fehler: Die Texte lassen sich nicht als Archiv schreiben.");
  if (!written->ok()) {
    fail(pathText(out) + ": Das Archiv wurde nicht geschrieben. " + cp1252ToUtf8(written->reason(out)));
  }
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
  requireArguments(a, 1,
                   "extract DATEI ORDNER | extract --builtin ORDNER | extract --builtin-archive NAME ORDNER");
  const LoadedArchive archive = loadArchive(a);
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
    command->add_flag("--builtin", a->builtin,
                      "Die eingebauten Beispieltexte statt einer Datei verwenden (wie --builtin-archive " +
                          std::string(kExamplesKey) + ")");
    command->add_option("--builtin-archive", a->builtinArchive, builtinArchiveHelp())->type_name("NAME");
    command->add_option(arguments, a->arguments, help)->type_name("");
    return a;
  };

  CLI::App* list = archive->add_subcommand("list", "Archivname und Texte (Nummer, Titel, Zeilen, Zeichen) auflisten, oder die Archive eines Ordners");
  auto listArgs = addressed(list, "DATEI", "Das Archiv (.kv7 oder .kv5), oder ein Ordner: seine Archive und die Dateien, die Klavento nicht anbietet, mit Grund");
  auto builtinArchives = std::make_shared<bool>(false);
  list->add_flag("--builtin-archives", *builtinArchives,
                 "Die eingebauten Archive mit ihren Namen für --builtin-archive auflisten");
  list->callback([listArgs, builtinArchives] { run([&] { listArchive(*listArgs, *builtinArchives); }); });

  CLI::App* show = archive->add_subcommand("show", "Die Zeilen eines Textes ausgeben (UTF-8)");
  auto showArgs = addressed(show, "ARGUMENTE", "DATEI N – das Archiv und die Nummer des Textes (mit --builtin oder --builtin-archive nur N)");
  show->callback([showArgs] { run([&] { showText(*showArgs); }); });

  CLI::App* extract = archive->add_subcommand("extract", "Jeden Text als UTF-8-Textdatei in einen Ordner schreiben");
  auto extractArgs = addressed(extract, "ARGUMENTE", "DATEI ORDNER – das Archiv und der Zielordner (mit --builtin oder --builtin-archive nur ORDNER)");
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
