// kvtool evaluate and kvtool result: the evaluation for texts typed elsewhere,
// and a teacher's look at collected result files.
#include "tools/kvtool_eval.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <type_traits>

#include "core/common.h"
#include "core/settings.h"
#include "evaluation/comparison.h"
#include "evaluation/saved_file.h"
#include "evaluation/summary.h"
#include "classroom/class_scan.h"
#include "classroom/grade_key.h"
#include "tools/kvtool_cli.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "session/exercise_session.h"

namespace kv::tool {
namespace {

namespace fs = std::filesystem;

// Marked stretches are shown between these brackets; they do not occur in
// Windows-1252, so they cannot be confused with typed characters.
constexpr const char* kMarkOpen = "\u27E6";
constexpr const char* kMarkClose = "\u27E7";

struct ResultOptionsCli {
  std::string file;
  std::vector<std::string> inputs;
  bool csv = false;
  std::string output;
  std::string gradeKey;
};

std::string u8(std::string_view cp1252) { return cp1252ToUtf8(cp1252); }

// The UTF-8 form of every Windows-1252 byte, made once: the evaluation of a
// long exercise writes every typed character through it.
struct Utf8Byte {
  std::array<char, 3> bytes{};
  std::uint8_t size = 0;
};
const std::array<Utf8Byte, 256>& utf8Bytes() {
  static const std::array<Utf8Byte, 256> table = [] {
    std::array<Utf8Byte, 256> t{};
    for (int b = 0; b < 256; ++b) {
      const char c = static_cast<char>(b);
      const std::string utf8 = cp1252ToUtf8(std::string_view(&c, 1));
      Utf8Byte& entry = t[static_cast<std::size_t>(b)];
      entry.size = static_cast<std::uint8_t>(utf8.size());
      std::copy(utf8.begin(), utf8.end(), entry.bytes.begin());
    }
    return t;
  }();
  return table;
}

// Appends the line in UTF-8 with its marks as brackets; with `json`, escaped
// for a JSON string the way nlohmann-json writes it (which the output always
// matched): the short escapes, other controls as six-character escapes with
// lower-case hex digits, everything else as it is.
void appendVisible(std::string& out, std::string_view line, bool json) {
  const auto& utf8 = utf8Bytes();
  // Plain ASCII, most of any text, is copied a run at a time.
  static const std::array<bool, 256> plain = [] {
    std::array<bool, 256> t{};
    for (int b = 0x20; b < 0x80; ++b) t[static_cast<std::size_t>(b)] = true;
    t['"'] = t['\\'] = false;
    t[static_cast<unsigned char>(kMarkByte)] = false;
    return t;
  }();
  bool open = false;
  for (std::size_t at = 0; at < line.size();) {
    std::size_t run = at;
    while (run < line.size() && plain[static_cast<unsigned char>(line[run])]) ++run;
    out.append(line.substr(at, run - at));
    if (run == line.size()) break;
    at = run + 1;
    const char c = line[run];
    if (c == kMarkByte) {
      out += open ? kMarkClose : kMarkOpen;
      open = !open;
      continue;
    }
    const auto b = static_cast<unsigned char>(c);
    if (json && (b < 0x20 || c == '"' || c == '\\')) {
      switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: {
          static constexpr char kHex[] = "0123456789abcdef";
          const char escaped[] = {'\\', 'u', '0', '0', kHex[b >> 4], kHex[b & 15]};
          out.append(escaped, sizeof escaped);
        }
      }
      continue;
    }
    const Utf8Byte& u = utf8[b];
    out.append(u.bytes.data(), u.size);
  }
}

std::string visibleMarks(std::string_view line) {
  std::string out;
  appendVisible(out, line, false);
  return out;
}

template <typename Number>
void appendMember(std::string& out, std::string_view indent, std::string_view key, Number value,
                  bool last = false) {
  out.append(indent).append("\"").append(key).append("\": ");
  if constexpr (std::is_same_v<Number, bool>) {
    out += value ? "true" : "false";
  } else {
    out += std::to_string(value);
  }
  out += last ? "\n" : ",\n";
}

// The figures as JSON, laid out as nlohmann-json's dump(2) lays them out:
// members sorted by name, two blanks of indentation, "[]" for an empty list.
std::string evaluationJson(const TypedExercise& evaluated, const std::vector<std::string>& lines) {
  std::size_t size = 4096;
  for (const std::string& line : lines) size += line.size() + line.size() / 2 + 8;
  std::string j;
  j.reserve(size);
  j += "{\n";
  appendMember(j, "  ", "errorCount", evaluated.errorCount);
  appendMember(j, "  ", "evaluationPossible", !evaluationImpossible(evaluated.errorCount));
  appendMember(j, "  ", "keystrokes", evaluated.keystrokes);
  j += "  \"lines\": [";
  for (std::size_t k = 0; k < lines.size(); ++k) {
    j += k == 0 ? "\n    \"" : ",\n    \"";
    appendVisible(j, lines[k], true);
    j += '"';
  }
  j += lines.empty() ? "],\n" : "\n  ],\n";
  appendMember(j, "  ", "markCount", evaluated.markCount);
  j += "  \"marks\": [";
  const int shown = std::min(evaluated.markCount, kMaxMarks);
  for (int k = 1; k <= shown; ++k) {
    const ErrorMark& m = evaluated.marks[static_cast<std::size_t>(k)];
    j += k == 1 ? "\n    {\n" : ",\n    {\n";
    appendMember(j, "      ", "end", m.end);
    appendMember(j, "      ", "start", m.start, true);
    j += "    }";
  }
  j += shown < 1 ? "],\n" : "\n  ],\n";
  appendMember(j, "  ", "stopColumn", evaluated.stopColumn);
  appendMember(j, "  ", "stopLine", evaluated.stopLine);
  appendMember(j, "  ", "stoppedEarly", evaluated.stoppedEarly);
  appendMember(j, "  ", "wordCount", evaluated.wordCount, true);
  j += "}\n";
  return j;
}

}  // namespace

bool readTextLines(const std::string& path, std::vector<std::string>& lines, std::string& error) {
  std::string bytes;
  if (!readWholeFile(pathOfArgument(path), bytes)) {
    error = "Die Datei \u201E" + path + "\u201C kann nicht gelesen werden.";
    return false;
  }
  std::string_view text = bytes;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  // Not UTF-8: taken as Windows-1252. UTF-8 never has a line feed inside a
  // character, so the text converts line by line, straight into the lines.
  const bool utf8 = isValidUtf8(text);
  lines.clear();
  std::size_t breaks = 0;
  for (auto at = text.find('\n'); at != std::string_view::npos; at = text.find('\n', at + 1)) ++breaks;
  lines.reserve(breaks + 1);
  std::size_t begin = 0;
  while (begin <= text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(begin, end - begin);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!utf8) {
      lines.emplace_back(line);
    } else if (ConversionError where; auto converted = utf8ToCp1252(line, &where)) {
      lines.push_back(std::move(*converted));
    } else {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(where.codePoint));
      error = "Datei \u201E" + path + "\u201C, Zeile " + std::to_string(lines.size() + 1) +
              ": Das Zeichen " + code + " gibt es in Windows-1252 nicht.";
      return false;
    }
    begin = end + 1;
  }
  // A final line break does not start another line.
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return true;
}

int runEvaluate(const EvaluateInput& in, std::ostream& out, std::ostream& err) {
  std::vector<std::string> templateLines;
  std::vector<std::string> typedLines;
  std::string error;
  if (!readTextLines(in.templatePath, templateLines, error) ||
      !readTextLines(in.typedPath, typedLines, error)) {
    err << error << "\n";
    return 1;
  }
  if (templateLines.empty()) {
    err << "Die Vorlage \u201E" << in.templatePath << "\u201C enth\u00E4lt keinen Text.\n";
    return 1;
  }

  KeyTableLookup keys;
  keys.rebuild();
  std::int32_t longestTemplate = 0;
  for (const std::string& line : templateLines) {
    longestTemplate = std::max(longestTemplate, static_cast<std::int32_t>(line.size()));
  }
  HandedOverText handed = prepareTypedText(typedLines, longestTemplate, keys);
  // Each text is held once from here on: memory given back is taken again
  // by what follows instead of fresh pages, which a short run pays for most.
  std::vector<std::string>().swap(typedLines);

  TypedExercise exercise;
  exercise.typedLineCount = static_cast<std::int32_t>(
      std::count(handed.typedText.begin(), handed.typedText.end(), '\n'));
  exercise.typedText = std::move(handed.typedText);
  exercise.templateText = joinTemplateLines(templateLines);
  const auto templateLineCount = static_cast<std::int32_t>(templateLines.size());
  std::vector<std::string>().swap(templateLines);
  exercise.keystrokes = handed.keystrokes;

  ComparisonInputs comparison;
  comparison.form = static_cast<std::uint8_t>(in.form);
  comparison.pace = in.pace;
  comparison.timeLimitReached = in.timeLimitReached;
  compareTexts(exercise, comparison);

  // The figures as the comparison left them: the summary frees the typed
  // text, which the copy does not need.
  std::string typedText = std::move(exercise.typedText);
  const TypedExercise evaluated = exercise;
  exercise.typedText = std::move(typedText);
  SummaryInputs summary;
  summary.form = in.form;
  summary.pace = in.pace;
  summary.correctionAllowed = in.correction;
  summary.exerciseTitle = textOfPath(pathOfArgument(in.templatePath).stem());
  if (auto title = utf8ToCp1252(summary.exerciseTitle)) summary.exerciseTitle = *title;
  summary.selection = {1, templateLineCount, 0, 1};
  summary.startTick = 0;
  summary.endTick = static_cast<std::uint32_t>(in.seconds * 1000.0);
  summary.timeLimitReached = in.timeLimitReached;
  summary.showKeystrokesPerMinute = !(hasPace(formOf(in.form)) && in.pace > 0);
  summary.longestLine = handed.longestLine;
  summary.today = todayLocal();
  const std::vector<std::string> lines = buildSummary(exercise, summary);

  if (!in.json) {
    std::string text;
    for (const std::string& line : lines) {
      appendVisible(text, line, false);
      text += '\n';
    }
    out << text;
    return 0;
  }
  out << evaluationJson(evaluated, lines);
  return 0;
}

namespace {

// Typed lines stand between the header and the three empty lines before the
// summary block.
std::int32_t typedLineCountOf(const std::vector<std::string>& lines) {
  const std::string titleLabel = label(2);
  for (std::size_t i = kResultHeaderLines; i < lines.size(); ++i) {
    if (lines[i].rfind(titleLabel, 0) == 0 && i >= kResultHeaderLines + 3) {
      return static_cast<std::int32_t>(i - kResultHeaderLines - 3);
    }
  }
  return static_cast<std::int32_t>(lines.size() > kResultHeaderLines ? lines.size() - kResultHeaderLines : 0);
}

std::string dateText(const CalendarDate& d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", d.day, d.month, d.year);
  return buf;
}

bool openForTool(const std::string& path, OpenedResult& opened, std::string& why) {
  std::vector<std::uint8_t> bytes;
  ResultFileError error = ResultFileError::CannotRead;
  if (readWholeFile(pathOfArgument(path), bytes)) error = decodeResultFile(bytes, opened);
  if (error == ResultFileError::None) return true;
  why = u8(resultFileErrorMessage(error, "\x01"));
  why.replace(why.find('\x01'), 1, path);
  return false;
}

}  // namespace

int runResultShow(const std::string& path, std::ostream& out, std::ostream& err) {
  OpenedResult opened;
  std::string why;
  if (!openForTool(path, opened, why)) {
    err << why << "\n";
    return 1;
  }
  if (opened.compatibility) out << "(Klavento 5.0 Kompatibilit\u00E4tsansicht)\n";
  for (const std::string& line : opened.lines) out << visibleMarks(line) << "\n";
  return 0;
}

namespace {

// Lower case, umlauts written out: "Anfänger", "ANFAENGER" and "anfänger"
// all become "anfaenger".
std::string foldedName(const std::string& utf8) {
  static const std::pair<const char*, const char*> kSpelled[] = {
      {"\xC3\xA4", "ae"}, {"\xC3\x84", "ae"}, {"\xC3\xB6", "oe"}, {"\xC3\x96", "oe"},
      {"\xC3\xBC", "ue"}, {"\xC3\x9C", "ue"}, {"\xC3\x9F", "ss"}};
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    bool spelled = false;
    for (const auto& [letter, written] : kSpelled) {
      if (utf8.compare(i, 2, letter) == 0) {
        out += written;
        i += 2;
        spelled = true;
        break;
      }
    }
    if (spelled) continue;
    const unsigned char c = static_cast<unsigned char>(utf8[i++]);
    out += static_cast<char>(c < 0x80 ? std::tolower(c) : c);
  }
  const auto first = out.find_first_not_of(' ');
  const auto last = out.find_last_not_of(' ');
  return first == std::string::npos ? std::string() : out.substr(first, last - first + 1);
}

}  // namespace

std::optional<GradeKey> exampleKeyNamed(const std::string& utf8Name) {
  const std::string wanted = foldedName(utf8Name);
  for (const GradeKey& preset : gradeKeyPresets()) {
    if (!wanted.empty() && foldedName(cp1252ToUtf8(preset.name)) == wanted) return preset;
  }
  return std::nullopt;
}

bool readGradeKeyFile(const std::string& argument, GradeKey& key, std::string& why) {
  const fs::path path = pathOfArgument(argument);
  std::error_code ec;
  // A file of that name comes first: a key file keeps working as it did.
  if (!fs::exists(path, ec)) {
    if (const std::optional<GradeKey> preset = exampleKeyNamed(argument)) {
      key = *preset;
      return true;
    }
    std::string names;
    for (const GradeKey& preset : gradeKeyPresets()) {
      names += (names.empty() ? "" : ", ") + std::string("\u201E") + cp1252ToUtf8(preset.name) + "\u201C";
    }
    why = "\u201E" + argument + "\u201C ist weder ein Notenschl\u00FCssel noch eine lesbare Datei. Notenschl\u00FCssel: " +
          names + ".";
    return false;
  }
  const std::optional<GradeKey> loaded = loadGradeKey(path, why);
  if (!loaded) {
    why = u8(why);
    return false;
  }
  key = *loaded;
  return true;
}

int runResultCheck(const std::vector<std::string>& inputs, bool csv, std::ostream& out, std::ostream& err,
                   const GradeKey* key) {
  std::vector<ClassResult> results;
  for (const std::string& input : inputs) {
    std::error_code ec;
    const fs::path path = pathOfArgument(input);
    if (fs::is_directory(path, ec)) {
      // A class hands in one folder per learner as often as one folder.
      std::vector<ClassResult> found = scanClass(path);
      results.insert(results.end(), found.begin(), found.end());
    } else {
      results.push_back(readClassResult(path, path.parent_path()));
    }
  }
  if (results.empty()) {
    err << "Keine .kvw-Dateien gefunden.\n";
    return 1;
  }
  // A file whose figures do not follow from its typed text counts as refused.
  const auto rejected =
      std::count_if(results.begin(), results.end(), [](const ClassResult& r) { return !r.gradable(); });
  if (csv) {
    out << classCsv(results, key);
    return rejected == 0 ? 0 : 2;
  }
  const char* sep = " | ";
  std::vector<std::string> header = {"Datei", "Datum", "Zeile 1", "Zeile 2", "Fehler",
                                     "Anschl\u00E4ge", "Anschl./Min.", "Pr\u00FCfung"};
  if (key != nullptr) header.push_back("Note");
  for (std::size_t i = 0; i < header.size(); ++i) out << (i ? sep : "") << header[i];
  out << "\n";
  for (const ClassResult& r : results) {
    std::vector<std::string> row = {u8(r.shownName)};
    if (r.valid) {
      row.insert(row.end(), {dateText(r.date), u8(r.line1), u8(r.line2), u8(r.errorText),
                             std::to_string(r.keystrokes),
                             r.keystrokesPerMinute >= 0 ? std::to_string(r.keystrokesPerMinute) : std::string(),
                             u8(r.status)});
    } else {
      row.insert(row.end(), {"", "", "", "", "", "", u8(r.status)});
    }
    if (key != nullptr) row.push_back(u8(gradeText(gradeOf(*key, r.gradeInput()))));
    for (std::size_t i = 0; i < row.size(); ++i) out << (i ? sep : "") << row[i];
    out << "\n";
  }
  return rejected == 0 ? 0 : 2;
}

int runResultExport(const std::string& path, const std::string& output, std::ostream& err) {
  OpenedResult opened;
  std::string why;
  if (!openForTool(path, opened, why)) {
    err << why << "\n";
    return 1;
  }
  const std::string text = encodeTextExport(opened.lines, typedLineCountOf(opened.lines));
  const std::filesystem::path target = pathOfArgument(output);
  if (const AtomicWriteResult written = writeFileAtomically(target, cp1252ToUtf8(text), {}); !written.ok()) {
    err << "Die Datei \u201E" << output << "\u201C wurde nicht geschrieben. "
        << cp1252ToUtf8(written.reason(target)) << "\n";
    return 1;
  }
  return 0;
}

void addEvaluationCommands(CLI::App& app) {
  auto input = std::make_shared<EvaluateInput>();
  CLI::App* evaluate = app.add_subcommand(
      "evaluate", "Einen anderswo geschriebenen Text auswerten (nach den Regeln f\u00FCr Textverarbeitung)");
  evaluate->add_option("--template", input->templatePath, "Vorlage (Textdatei, UTF-8 oder Windows-1252)")
      ->required()
      ->type_name("DATEI");
  evaluate->add_option("--typed", input->typedPath, "Geschriebener Text (Textdatei)")
      ->required()
      ->type_name("DATEI");
  evaluate->add_option("--form", input->form, "\u00DCbungsform 1-4 (Standard 3)")->check(numberBetween(1, 4))->type_name("ZAHL");
  evaluate->add_option("--pace", input->pace,
                       "Formen 1/2: Anschl\u00E4ge pro Minute; Formen 3/4: Zeitlimit in Minuten")
      ->check(numberBetween(0, 100000))
      ->type_name("ZAHL");
  evaluate->add_flag("--correction", input->correction, "Mit Korrekturm\u00F6glichkeit geschrieben");
  evaluate->add_option("--seconds", input->seconds, "\u00DCbungszeit in Sekunden")
      ->check(decimalBetween(0.0, 4.0e6))
      ->type_name("SEKUNDEN");
  evaluate->add_flag("--time-limit-reached", input->timeLimitReached, "Das Zeitlimit hat die \u00DCbung beendet");
  evaluate->add_flag("--json", input->json, "Kennzahlen als JSON ausgeben");
  evaluate->callback([input] {
    const int rc = runEvaluate(*input, std::cout, std::cerr);
    if (rc != 0) throw CLI::RuntimeError(rc);
  });

  CLI::App* result = app.add_subcommand("result", "Gespeicherte \u00DCbungen (.kvw) pr\u00FCfen und anzeigen");
  result->require_subcommand(1);
  auto options = std::make_shared<ResultOptionsCli>();
  CLI::App* show = result->add_subcommand("show", "Eine .kvw-Datei pr\u00FCfen und anzeigen");
  show->add_option("DATEI", options->file, ".kvw-Datei")->required();
  show->callback([options] {
    const int rc = runResultShow(options->file, std::cout, std::cerr);
    if (rc != 0) throw CLI::RuntimeError(rc);
  });
  CLI::App* check = result->add_subcommand("check", "Dateien oder Ordner pr\u00FCfen, eine Zeile je Datei");
  check->add_option("DATEI", options->inputs, ".kvw-Dateien oder Ordner")->required();
  check->add_flag("--csv", options->csv, "Als CSV (Semikolon) f\u00FCr eine Tabellenkalkulation");
  check
      ->add_option("--grade", options->gradeKey,
                   "Notenschl\u00FCssel (Datei oder Name eines Beispielschl\u00FCssels), der die Spalte \u201ENote\u201C f\u00FCllt")
      ->type_name("SCHL\u00DCSSEL");
  check->callback([options] {
    GradeKey key;
    std::string why;
    if (!options->gradeKey.empty() && !readGradeKeyFile(options->gradeKey, key, why)) {
      std::cerr << "kvtool: " << why << "\n";
      throw CLI::RuntimeError(1);
    }
    const int rc = runResultCheck(options->inputs, options->csv, std::cout, std::cerr,
                                  options->gradeKey.empty() ? nullptr : &key);
    if (rc != 0) throw CLI::RuntimeError(rc);
  });
  CLI::App* exportText = result->add_subcommand("export", "Nur den geschriebenen Text als .txt speichern");
  exportText->add_option("DATEI", options->file, ".kvw-Datei")->required();
  exportText->add_option("ZIEL", options->output, "Zieldatei (.txt, UTF-8)")->required();
  exportText->callback([options] {
    const int rc = runResultExport(options->file, options->output, std::cerr);
    if (rc != 0) throw CLI::RuntimeError(rc);
  });
}

}  // namespace kv::tool
