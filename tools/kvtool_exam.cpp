#include "tools/kvtool_exam.h"

#include <cmath>
#include <ctime>
#include <memory>
#include <random>
#include <system_error>

#include "classroom/class_scan.h"
#include "classroom/grade_key.h"
#include "evaluation/saved_file.h"
#include "exam/class_list.h"
#include "exam/class_test.h"
#include "exam/hand_in.h"
#include "exam/test_status.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "tools/kvtool_cli.h"
#include "tools/kvtool_eval.h"

namespace kv::tool {
namespace {

namespace fs = std::filesystem;

std::string u8(std::string_view cp1252) { return cp1252ToUtf8(cp1252); }

ClockTime now() {
  // std::localtime, not localtime_s: Windows XP's C library lacks the latter.
  const std::time_t t = std::time(nullptr);
  const std::tm* local = std::localtime(&t);
  ClockTime c;
  if (local != nullptr) {
    c = {{local->tm_year + 1900, local->tm_mon + 1, local->tm_mday}, local->tm_hour, local->tm_min, local->tm_sec};
  }
  return c;
}

bool readTest(const std::string& testFile, ClassTest& test, std::ostream& err) {
  std::string reason;
  if (readClassTestFile(pathOfArgument(testFile), test, reason) != TestFileError::None) {
    std::string message = u8(testFileMessage("\x01", reason));
    message.replace(message.find('\x01'), 1, testFile);
    err << message << "\n";
    return false;
  }
  return true;
}

std::optional<std::string> cp1252Argument(const std::string& utf8, const char* what, std::ostream& err) {
  auto converted = utf8ToCp1252(utf8);
  if (!converted) err << what << " \u201E" << utf8 << "\u201C enth\u00E4lt ein Zeichen au\u00DFerhalb von Windows-1252.\n";
  return converted;
}

}  // namespace

int runExamCreate(const ExamCreateOptions& o, std::ostream& out, std::ostream& err) {
  ClassTest test;
  std::string error;
  if (!readTextLines(o.textFile, test.lines, error)) {
    err << error << "\n";
    return 1;
  }
  while (!test.lines.empty() && test.lines.back().empty()) test.lines.pop_back();
  if (test.lines.empty()) {
    err << "Der Text \u201E" << o.textFile << "\u201C ist leer.\n";
    return 1;
  }
  const auto title = cp1252Argument(o.title, "Der Titel", err);
  const auto klass = cp1252Argument(o.className, "Die Klasse", err);
  if (!title || !klass) return 1;
  test.title = *title;
  test.className = *klass;
  if (test.className.empty()) {
    err << "Die Klasse fehlt.\n";
    return 1;
  }
  test.form = o.form;
  test.seconds = static_cast<std::int32_t>(std::lround(o.minutes * 60.0));
  test.correctionAllowed = !o.noCorrection;
  test.attempts = o.attempts;
  test.prepared = now();
  std::random_device seed;
  test.id = testIdOf((static_cast<std::uint64_t>(seed()) << 32) ^ seed());
  if (!o.listFile.empty()) {
    std::string bytes;
    if (!readWholeFile(pathOfArgument(o.listFile), bytes, kLargestClassList + 1)) {
      err << "Die Klassenliste \u201E" << o.listFile << "\u201C kann nicht gelesen werden.\n";
      return 1;
    }
    const ClassListReading reading = readClassList(bytes, test.seconds);
    if (!reading.refusal.empty()) {
      err << "Klassenliste \u201E" << o.listFile << "\u201C: " << u8(reading.refusal) << "\n";
      return 1;
    }
    for (const std::string& line : reading.notUnderstood) err << "Klassenliste: " << u8(line) << "\n";
    test.learners = reading.learners;
  }
  if (!o.gradeKey.empty()) {
    std::string why;
    GradeKey key;
    if (!readGradeKeyFile(o.gradeKey, key, why)) {
      err << "kvtool: " << why << "\n";
      return 1;
    }
    // A file goes in as the teacher wrote it, an example key as the program writes keys.
    std::error_code ec;
    if (fs::exists(pathOfArgument(o.gradeKey), ec)) {
      readWholeFile(pathOfArgument(o.gradeKey), test.gradeKey);
    } else {
      test.gradeKey = formatGradeKey(key);
    }
  }
  const fs::path folder = pathOfArgument(o.folder);
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    err << "Der Ordner \u201E" << o.folder << "\u201C ist nicht erreichbar.\n";
    return 1;
  }
  const fs::path file = folder / pathFromCp1252(testFileName(test.className, test.title));
  if (fs::exists(file, ec)) {
    err << "Die Klassenarbeit \u201E" << textOfPath(file) << "\u201C gibt es schon; sie wird nicht \u00FCberschrieben.\n";
    return 1;
  }
  if (const AtomicWriteResult written = writeFileAtomically(file, encodeClassTest(test), {}); !written.ok()) {
    err << "Die Klassenarbeit wurde nicht gespeichert. " << u8(written.reason(file)) << "\n";
    return 1;
  }
  fs::create_directories(handInFolderOf(file), ec);
  if (ec) {
    err << "Der Ordner f\u00FCr die Abgaben \u201E" << textOfPath(handInFolderOf(file))
        << "\u201C kann nicht angelegt werden.\n";
    return 1;
  }
  out << textOfPath(file) << "\n";
  return 0;
}

int runExamStatus(const std::string& testFile, bool csv, const std::string& gradeKey, std::ostream& out,
                  std::ostream& err) {
  ClassTest test;
  if (!readTest(testFile, test, err)) return 1;
  std::optional<GradeKey> key;
  if (!gradeKey.empty()) {
    std::string why;
    GradeKey named;
    if (!readGradeKeyFile(gradeKey, named, why)) {
      err << "kvtool: " << why << "\n";
      return 1;
    }
    key = named;
  } else if (!test.gradeKey.empty()) {
    GradeKeyError why;
    key = parseGradeKey(test.gradeKey, why);
    if (!key) err << "Der Notenschl\u00FCssel der Klassenarbeit ist ung\u00FCltig: " << u8(why.message) << "\n";
  }
  const fs::path folder = handInFolderOf(pathOfArgument(testFile));
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    err << "Der Ordner \u201E" << textOfPath(folder) << "\u201C ist nicht erreichbar.\n";
    return 1;
  }
  const TestStatus status = testStatus(test, scanClass(folder), key ? &*key : nullptr);
  out << (csv ? testStatusCsv(test, status) : u8(testStatusText(test, status)));
  return 0;
}

int runExamHandIn(const std::string& testFile, const std::string& learnerArgument, const std::string& resultFile,
                  const std::string& waitingFolder, std::ostream& out, std::ostream& err) {
  std::string bytes;
  OpenedResult opened;
  if (!readWholeFile(pathOfArgument(resultFile), bytes, 4u * 1024u * 1024u) ||
      decodeResultFile(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), opened) !=
          ResultFileError::None) {
    err << "\u201E" << resultFile << "\u201C ist keine lesbare Klavento-\u00DCbungsdatei.\n";
    return 1;
  }
  const auto learnerText = cp1252Argument(learnerArgument, "Der Name", err);
  if (!learnerText) return 1;
  std::string learner = *learnerText;
  const fs::path testPath = pathOfArgument(testFile);
  const fs::path folder = handInFolderOf(testPath);
  const fs::path waiting = waitingFolder.empty() ? fs::path() : pathOfArgument(waitingFolder);

  ClassTest test;
  std::string reason;
  const TestFileError read = readClassTestFile(testPath, test, reason);
  if (read == TestFileError::CannotRead) {
    // The learner's PC read the test when the exercise began; a server gone
    // since must not cost the result. The class is the one the result names.
    test = ClassTest{};
    test.className = opened.lines.size() > kResultClassLine ? opened.lines[kResultClassLine] : std::string();
  } else if (read != TestFileError::None) {
    std::string message = u8(testFileMessage("\x01", reason));
    message.replace(message.find('\x01'), 1, testFile);
    err << message << "\n";
    return 1;
  } else {
    if (!test.learners.empty()) {
      // The list's spelling, as the start page offers it.
      const ClassListReading asList = readClassList(learner);
      const auto listed = std::find_if(test.learners.begin(), test.learners.end(), [&](const TestLearner& l) {
        return !asList.learners.empty() && readClassList(l.name).learners == asList.learners;
      });
      if (listed == test.learners.end()) {
        err << "\u201E" << learnerArgument << "\u201C steht nicht in der Klassenliste.\n";
        return 1;
      }
      learner = listed->name;
    }
  }
  // A result of someone else, or of another class, is never filed under
  // this learner's name.
  if (const std::string refusal = resultOwnerRefusal(opened.lines, learner, test.className); !refusal.empty()) {
    err << u8(refusal) << "\n";
    return 1;
  }
  if (read == TestFileError::None) {
    const std::string refusal = furtherAttemptRefusal(test, earlierHandIns(test, folder, waiting, learner));
    if (!refusal.empty()) {
      err << u8(refusal) << "\n";
      return 4;
    }
  }
  const std::string name = handInFileName(test.className, learner, now());
  const HandInOutcome outcome = handInFile(folder, name, bytes);
  if (outcome.delivered) {
    out << "abgegeben: " << textOfPath(outcome.file) << "\n";
    return 0;
  }
  err << "Die Abgabe ist nicht gelungen. " << u8(outcome.reason) << "\n";
  if (waiting.empty()) return 3;
  std::string why;
  if (!keepWaiting(waiting, {{}, folder, name, test.id, learner}, bytes, why)) {
    err << "Auch auf diesem PC kann das Ergebnis nicht bleiben. " << u8(why) << "\n";
    return 3;
  }
  err << "Das Ergebnis wartet auf diesem PC und wird abgegeben, sobald der Ordner erreichbar ist.\n";
  return 3;
}

int runExamDeliver(const std::string& waitingFolder, std::ostream& out, std::ostream& err) {
  const DeliveryReport report = deliverWaiting(pathOfArgument(waitingFolder));
  for (const HandInOutcome& o : report.delivered) out << "abgegeben: " << textOfPath(o.file) << "\n";
  if (report.stillWaiting > 0) {
    err << report.stillWaiting << (report.stillWaiting == 1 ? " Ergebnis wartet" : " Ergebnisse warten")
        << " weiter; ihr Ordner ist nicht erreichbar.\n";
    return 3;
  }
  return 0;
}

void addExamCommands(CLI::App& app) {
  CLI::App* exam = app.add_subcommand("exam", "Klassenarbeiten: vorbereiten, abgeben, Stand anzeigen");
  exam->require_subcommand(1);

  auto create = std::make_shared<ExamCreateOptions>();
  CLI::App* make = exam->add_subcommand("create", "Eine Klassenarbeit in einen Ordner legen (mit Abgabeordner)");
  make->add_option("--text", create->textFile, "Der Text (Textdatei, UTF-8 oder Windows-1252)")
      ->required()
      ->type_name("DATEI");
  make->add_option("--title", create->title, "Titel des Textes")->required()->type_name("TITEL");
  make->add_option("--class", create->className, "Klasse, z. B. 8b")->required()->type_name("KLASSE");
  make->add_option("--list", create->listFile, "Klassenliste (Text oder CSV)")->type_name("DATEI");
  make->add_option("--minutes", create->minutes, "Zeitlimit in Minuten (Standard 10)")
      ->check(decimalBetween(1, 600))
      ->type_name("MINUTEN");
  make->add_option("--form", create->form, "3 Textvorgabe auf Bildschirm, 4 Text von Vorlage (Standard)")
      ->check(numberBetween(3, 4))
      ->type_name("ZAHL");
  make->add_flag("--no-correction", create->noCorrection, "Ohne Korrekturm\u00F6glichkeit");
  make->add_option("--attempts", create->attempts, "Versuche (Standard 1)")->check(numberBetween(1, 9))->type_name("ZAHL");
  make->add_option("--grade", create->gradeKey,
                   "Notenschl\u00FCssel: Datei oder Name (\u201EAnf\u00E4nger\u201C, \u201ESekundarstufe I\u201C)")
      ->type_name("SCHL\u00DCSSEL");
  make->add_option("--folder", create->folder, "Ordner, in den die Klassenarbeit kommt")->required()->type_name("ORDNER");
  make->callback([create] {
    const int rc = runExamCreate(*create, std::cout, std::cerr);
    if (rc != 0) throw CLI::RuntimeError(rc);
  });

  struct StatusOptions {
    std::string testFile;
    bool csv = false;
    std::string gradeKey;
  };
  auto status = std::make_shared<StatusOptions>();
  CLI::App* show = exam->add_subcommand("status", "Wer abgegeben hat und wer fehlt, mit Kennzahlen und Noten");
  show->add_option("KLASSENARBEIT", status->testFile, ".kvk-Datei")->required();
  show->add_flag("--csv", status->csv, "Als CSV (Semikolon) f\u00FCr eine Tabellenkalkulation");
  show->add_option("--grade", status->gradeKey, "Notenschl\u00FCssel, Datei oder Name (statt des eigenen der Klassenarbeit)")
      ->type_name("SCHL\u00DCSSEL");
  show->callback([status] {
    const int rc = runExamStatus(status->testFile, status->csv, status->gradeKey, std::cout, std::cerr);
    if (rc != 0) throw CLI::RuntimeError(rc);
  });

  struct HandInOptions {
    std::string testFile;
    std::string learner;
    std::string result;
    std::string waiting;
  };
  auto handIn = std::make_shared<HandInOptions>();
  CLI::App* give = exam->add_subcommand("hand-in", "Ein gespeichertes Ergebnis abgeben, wie es das Programm tut");
  give->add_option("KLASSENARBEIT", handIn->testFile, ".kvk-Datei")->required();
  give->add_option("--learner", handIn->learner, "Name der oder des Lernenden")->required()->type_name("NAME");
  give->add_option("--result", handIn->result, "Das Ergebnis (.kvw)")->required()->type_name("DATEI");
  give->add_option("--waiting", handIn->waiting, "Ordner auf diesem PC, in dem ein nicht abgegebenes Ergebnis wartet")
      ->type_name("ORDNER");
  give->callback([handIn] {
    const int rc = runExamHandIn(handIn->testFile, handIn->learner, handIn->result, handIn->waiting, std::cout,
                                 std::cerr);
    if (rc != 0) throw CLI::RuntimeError(rc);
  });

  auto waiting = std::make_shared<std::string>();
  CLI::App* deliver = exam->add_subcommand("deliver", "Wartende Ergebnisse abgeben, jedes genau einmal");
  deliver->add_option("--waiting", *waiting, "Ordner mit den wartenden Ergebnissen")->required()->type_name("ORDNER");
  deliver->callback([waiting] {
    const int rc = runExamDeliver(*waiting, std::cout, std::cerr);
    if (rc != 0) throw CLI::RuntimeError(rc);
  });
}

}  // namespace kv::tool
