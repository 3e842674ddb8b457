// The class test's room: the sealed test file, class lists, handing in under
// a name of its own, waiting results, the status of a test folder, and the
// check that a result's figures follow from the text it holds.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "classroom/class_overview.h"
#include "classroom/class_scan.h"
#include "classroom/result_check.h"
#include "evaluation/comparison.h"
#include "evaluation/saved_file.h"
#include "evaluation/summary.h"
#include "exam/class_list.h"
#include "exam/class_test.h"
#include "exam/hand_in.h"
#include "exam/test_status.h"
#include "platform/encoding.h"
#include "session/exercise_session.h"
#include "tests/core/class_files.h"
#include "texts/checksum.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

class TempFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kv-klassenarbeit-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

const std::vector<std::string> kText = {"Die Idee zum Bau eines Hauses kam im Winter.",
                                        w1252("Alle waren froh, dass es endlich losging, auch Ömer."),
                                        "Am Montag begann die Arbeit."};

struct Written {
  std::vector<std::string> typed;
  int form = 4;
  std::int32_t pace = 10;
  bool limitReached = true;
  bool correction = true;
  std::string title = "Hausbau";
  std::string name = w1252("Müller, Jonas");
  std::string klass = "8b";
  std::int64_t seconds = 600;
  std::vector<std::string> templ = kText;
};

// A result as the program makes it: the exercise window's hand-over, the
// comparison, the summary and the sealed file.
std::string genuine(const Written& w) {
  KeyTableLookup keys;
  keys.rebuild();
  HandedOverText handed = prepareTypedText(w.typed, 40, keys);
  TypedExercise ex;
  ex.typedLineCount = static_cast<std::int32_t>(w.typed.size());
  ex.typedText = std::move(handed.typedText);
  ex.keystrokes = handed.keystrokes;
  ex.templateText = joinTemplateLines(w.templ);
  ComparisonInputs ci;
  ci.form = static_cast<std::uint8_t>(w.form);
  ci.pace = w.pace;
  ci.timeLimitReached = w.limitReached;
  compareTexts(ex, ci);
  SummaryInputs in;
  in.form = w.form;
  in.pace = w.pace;
  in.correctionAllowed = w.correction;
  in.exerciseTitle = w.title;
  in.selection = {1, static_cast<std::int32_t>(w.templ.size()), 0, 1};
  in.endTick = static_cast<std::uint32_t>(w.seconds * 1000);
  in.timeLimitReached = w.limitReached;
  in.learnerLine1 = w.name;
  in.learnerLine2 = w.klass;
  in.showKeystrokesPerMinute = false;
  in.longestLine = handed.longestLine;
  in.today = {2026, 12, 9};
  const auto lines = buildSummary(ex, in);
  return encodeResultFile(lines, ex, handed.longestLine);
}

// A correctly sealed file whose figures were made up.
std::string forged(const std::string& typed, std::uint32_t keystrokes, std::int32_t errors) {
  TypedExercise ex;
  ex.typedText = typed + "\r\n";
  ex.keystrokes = keystrokes;
  ex.errorCount = errors;
  SummaryInputs in;
  in.form = 4;
  in.pace = 10;
  in.correctionAllowed = true;
  in.exerciseTitle = "Hausbau";
  in.learnerLine1 = w1252("Müller, Jonas");
  in.learnerLine2 = "8b";
  in.endTick = 600000;
  in.showKeystrokesPerMinute = false;
  in.today = {2026, 12, 9};
  const auto lines = buildSummary(ex, in);
  return encodeResultFile(lines, ex, 40);
}

ClassResult readBack(const fs::path& folder, const std::string& name, const std::string& bytes) {
  const fs::path file = folder / name;
  EXPECT_TRUE(writeFileAtomically(file, bytes));
  return readClassResult(file, folder);
}

ClassTest sampleTest() {
  ClassTest t;
  t.id = testIdOf(0x1234abcdULL);
  t.className = "8b";
  t.title = "Hausbau";
  t.lines = kText;
  t.form = 4;
  t.seconds = 600;
  t.learners = {{w1252("Müller, Jonas"), 0}, {w1252("Yildiz, Ayse"), 750}, {"Becker, Paul", 0}};
  t.prepared = {{2026, 12, 9}, 9, 55, 0};
  return t;
}

// ---------------------------------------------------------------------------

TEST_F(TempFolder, FiguresOfGenuineResultsAlwaysFitAndForgedOnesNever) {
  Written w;
  w.typed = {"Die Idee zum Bau eines Hause kam im Winter.", w1252("Alle waren froh, das es endlich losging")};
  const ClassResult plain = readBack(dir_, "a.kvw", genuine(w));
  EXPECT_TRUE(plain.valid);
  EXPECT_TRUE(plain.figuresFit) << plain.status;
  EXPECT_GT(plain.errors, 0);
  EXPECT_EQ(plain.status, w1252("gültig"));

  Written voided = w;  // the field emptied: one blank line handed over
  voided.typed = {" "};
  const ClassResult v = readBack(dir_, "b.kvw", genuine(voided));
  EXPECT_TRUE(v.voided());
  EXPECT_TRUE(v.figuresFit) << v.status;

  Written dashes = w;  // dead keys, capitals, AltGr and a line of blanks between
  dashes.typed = {w1252("Crème brûlée @ 20 € – ^â"), "", "", "  x  "};
  dashes.form = 3;
  dashes.limitReached = false;
  EXPECT_TRUE(readBack(dir_, "c.kvw", genuine(dashes)).figuresFit);

  Written nonsense = w;  // too far off to evaluate
  nonsense.typed = {"xqz wvb kkk", "pppp"};
  const ClassResult impossible = readBack(dir_, "d.kvw", genuine(nonsense));
  EXPECT_TRUE(impossible.figuresFit) << impossible.status;

  const ClassResult kept = readBack(dir_, "e.kvw", forged("Die Idee zum Bau.", 2400, 0));
  EXPECT_TRUE(kept.valid) << "the seal itself is right";
  EXPECT_FALSE(kept.figuresFit);
  EXPECT_EQ(kept.status, figuresMismatchText());
  EXPECT_FALSE(kept.gradable());
  EXPECT_FALSE(kept.errorPercent());
  GradeKey key = gradeKeyPresets().front();
  EXPECT_FALSE(gradeOf(key, kept.gradeInput()));
  const std::string csv = classCsv({plain, kept}, &key);
  EXPECT_NE(csv.find("Kennzahlen passen nicht zum geschriebenen Text"), std::string::npos);

  // Off by one either way is caught as well.
  const std::int64_t right = keystrokesOfTypedLines({"Die Idee zum Bau."});
  EXPECT_TRUE(readBack(dir_, "f.kvw", forged("Die Idee zum Bau.", static_cast<std::uint32_t>(right), 0)).figuresFit);
  EXPECT_FALSE(readBack(dir_, "g.kvw", forged("Die Idee zum Bau.", static_cast<std::uint32_t>(right + 1), 0)).figuresFit);

  // The overview puts it with the files that are not graded.
  OverviewInput overview;
  overview.folderName = "8b";
  overview.results = {plain, kept};
  overview.testLine = "Hausbau, 10 Minuten";
  overview.missingLearners = {w1252("<b>Müller</b>, Jonas")};
  const std::string html = classOverviewHtml(overview);
  EXPECT_NE(html.find("<li>&lt;b&gt;Müller&lt;/b&gt;, Jonas</li>"), std::string::npos);
  EXPECT_NE(html.find("Nicht gewertete Dateien"), std::string::npos);
  EXPECT_NE(html.find("Kennzahlen passen nicht"), std::string::npos);
}

TEST_F(TempFolder, EarlierGenerationAndTheSharedClassFilesAreNotFlagged) {
  // Klavento 5.0 counted by rules of its own; such files are shown, not judged.
  ClassResult old;
  old.valid = true;
  old.compatibility = true;
  old.keystrokes = 2400;
  old.typedLines = {"kurz"};
  EXPECT_FALSE(figuresProblem(old));
  old.compatibility = false;
  EXPECT_EQ(figuresProblem(old), figuresMismatchText());
  // The files every class-folder test writes are genuine by this rule too.
  for (const std::uint32_t k : {0u, 1u, 59u, 60u, 61u, 1500u, 2400u}) {
    test::HandedIn h;
    h.name = "Jonas";
    h.keystrokes = k;
    ASSERT_TRUE(test::writeHandedIn(dir_ / ("k" + std::to_string(k) + ".kvw"), h));
    const ClassResult r = readClassResult(dir_ / ("k" + std::to_string(k) + ".kvw"), dir_);
    EXPECT_TRUE(r.figuresFit) << k;
    EXPECT_EQ(r.keystrokes, k);
  }
}

TEST(ClassTestResult, ReEvaluationAgainstTheTestCatchesChangedFiguresAndOtherTests) {
  const ClassTest test = sampleTest();
  const fs::path dir = fs::temp_directory_path() / "kv-testproblem";
  fs::create_directories(dir);
  Written w;
  w.typed = {"Die Idee zum Bau eines Hause kam im Winter.", w1252("Alle waren froh, das es")};
  const ClassResult fits = readBack(dir, "a.kvw", genuine(w));
  EXPECT_FALSE(testProblem(fits, test, 600)) << *testProblem(fits, test, 600);
  Written ended = w;  // ended by the learner, not the time limit
  ended.limitReached = false;
  ended.seconds = 300;
  EXPECT_FALSE(testProblem(readBack(dir, "b.kvw", genuine(ended)), test, 600));

  Written other = w;
  other.templ = {"Ein ganz anderer Text."};
  EXPECT_TRUE(testProblem(readBack(dir, "c.kvw", genuine(other)), test, 600)) << "errors against another text";
  Written form = w;
  form.form = 3;
  EXPECT_TRUE(testProblem(readBack(dir, "d.kvw", genuine(form)), test, 600));
  Written longer = w;
  longer.pace = 20;
  longer.seconds = 1100;
  EXPECT_TRUE(testProblem(readBack(dir, "e.kvw", genuine(longer)), test, 600));
  EXPECT_FALSE(testProblem(readBack(dir, "e.kvw", genuine(longer)), test, 1200)) << "a Nachteilsausgleich";
  Written title = w;
  title.title = "Etwas anderes";
  EXPECT_TRUE(testProblem(readBack(dir, "f.kvw", genuine(title)), test, 600));

  // Right Anschläge, fewer errors than the text holds: a forged sheet.
  KeyTableLookup keys;
  keys.rebuild();
  const std::string typed = "Die Idee zum Bau eines Hause kam im Winter.\r\n";
  const std::uint32_t worth = prepareTypedText({"Die Idee zum Bau eines Hause kam im Winter."}, 0, keys).keystrokes - 1;
  const ClassResult noErrors = readBack(dir, "g.kvw", forged(typed.substr(0, typed.size() - 2), worth, 0));
  EXPECT_TRUE(noErrors.figuresFit);
  EXPECT_EQ(testProblem(noErrors, test, 600), figuresMismatchText());
  fs::remove_all(dir);
}

// ---------------------------------------------------------------------------

TEST(ClassTestFile, RoundTripsAndRefusesWhatWasChanged) {
  ClassTest t = sampleTest();
  t.title = w1252("Übung \"A\\B\"\tzwei");
  t.gradeKey = "Note 1: bis 0,5 %\r\nNote 2: bis 1 %\n";
  t.lines.push_back(w1252("Tab\tund Zeichen wie € und \\n"));
  const std::string bytes = encodeClassTest(t);
  ClassTest back;
  std::string reason;
  ASSERT_EQ(decodeClassTest(bytes, back, reason), TestFileError::None) << cp1252ToUtf8(reason);
  EXPECT_EQ(back, t);
  EXPECT_TRUE(isValidUtf8(bytes));

  // Every single changed byte is noticed: the time, the attempts, the text.
  for (std::size_t at = 0; at < bytes.size(); at += 7) {
    std::string changed = bytes;
    changed[at] = static_cast<char>(changed[at] ^ 0x04);
    EXPECT_NE(decodeClassTest(changed, back, reason), TestFileError::None) << at;
    EXPECT_FALSE(reason.empty());
  }
  std::string seconds = bytes;
  seconds.replace(seconds.find("Sekunden: 600"), 13, "Sekunden: 900");
  EXPECT_EQ(decodeClassTest(seconds, back, reason), TestFileError::Altered);
  EXPECT_NE(reason.find(w1252("verändert")), std::string::npos);
  EXPECT_EQ(decodeClassTest(bytes.substr(0, bytes.size() / 2), back, reason), TestFileError::Altered);
  EXPECT_EQ(decodeClassTest("", back, reason), TestFileError::NotATest);
  EXPECT_EQ(decodeClassTest(std::string("\x7f" "ELF\0\0", 6), back, reason), TestFileError::NotATest);
  EXPECT_EQ(decodeClassTest(std::string(kLargestTestFile + 1, 'a'), back, reason), TestFileError::TooLarge);

  // Resealed by someone who knows the format, a value out of range is still refused.
  ClassTest bad = t;
  bad.form = 2;
  EXPECT_EQ(decodeClassTest(encodeClassTest(bad), back, reason), TestFileError::Invalid);
  EXPECT_NE(reason.find("Form"), std::string::npos);
  bad = t;
  bad.learners.assign(kMostLearners + 1, {"Name, Vor", 0});
  EXPECT_EQ(decodeClassTest(encodeClassTest(bad), back, reason), TestFileError::Invalid);

  EXPECT_EQ(minutesText(600), "10 Minuten");
  EXPECT_EQ(minutesText(750), "12,5 Minuten");
  EXPECT_EQ(minutesText(60), "1 Minute");
  EXPECT_EQ(learnerSeconds(t, w1252("yildiz, ayse")), 750);
  EXPECT_EQ(learnerSeconds(t, "Becker, Paul"), 600);
  EXPECT_EQ(testIdOf(0xabcULL), "0000000000000abc");
  EXPECT_EQ(cp1252ToUtf8(cp1252OfPath(handInFolderOf(fs::path("T:") / "Klassenarbeit 8b.kvk").filename())),
            "Klassenarbeit 8b – Abgaben");
  EXPECT_NE(testFileMessage("T:\\a.kvk", "x").find("T:\\a.kvk"), std::string::npos);
}

// ---------------------------------------------------------------------------

std::vector<std::string> names(const ClassListReading& r) {
  std::vector<std::string> out;
  for (const TestLearner& l : r.learners) out.push_back(cp1252ToUtf8(l.name) + (l.seconds ? "@" + std::to_string(l.seconds) : ""));
  return out;
}

TEST(ClassList, ReadsTheFormsSchoolsHave) {
  using V = std::vector<std::string>;
  EXPECT_EQ(names(readClassList("Jonas M\xC3\xBCller\r\nM\xC3\xBCller, Anna\r\nLena von Berg\r\n\r\n\r\n")),
            (V{"Müller, Jonas", "Müller, Anna", "von Berg, Lena"}));
  EXPECT_EQ(names(readClassList("\xEF\xBB\xBFNachname;Vorname\nM\xC3\xBCller;Jonas\nYildiz;Ay\xC5\x9F" "e\n")),
            (V{"Müller, Jonas", "Yildiz, Ay?e"}));
  EXPECT_EQ(names(readClassList("Name;Vorname;Klasse\r\nM\xFCller;Jonas;8b\r\n\"Becker-Schmidt\";\"Paul\";8b\r\n")),
            (V{"Müller, Jonas", "Becker-Schmidt, Paul"}));
  EXPECT_EQ(names(readClassList("Vorname\tNachname\tNachteilsausgleich (Minuten)\nJonas\tM\xFCller\t12,5\nPaul\tBecker\t\n")),
            (V{"Müller, Jonas@750", "Becker, Paul"}));
  EXPECT_EQ(names(readClassList("Nachname,Vorname,Zeit\n\"M\xFCller\",\"Jonas\",15\n")), (V{"Müller, Jonas@900"}));
  EXPECT_EQ(names(readClassList("M\xFCller, Jonas; 12,5\nBecker, Paul; 10\nYildiz;Ayse;8b\n")),
            (V{"Müller, Jonas@750", "Becker, Paul", "Yildiz, Ayse"}));
  // As a teacher types it: a time after one name only, the others bare.
  EXPECT_EQ(names(readClassList("Becker, Jonas\r\nSchmidt, Lea; 1,5\r\nYilmaz, Emre\r\n", 60)),
            (V{"Becker, Jonas", "Schmidt, Lea@90", "Yilmaz, Emre"}));

  const ClassListReading mixed = readClassList("Klassenliste 8b\nJonas M\xFCller\nJonas  m\xFCller\n<b>x</b>\nA;B;C;D\nPaul Becker; zw\xF6lf\n");
  EXPECT_EQ(names(mixed), (V{"Müller, Jonas"}));
  ASSERT_EQ(mixed.notUnderstood.size(), 5u);
  EXPECT_EQ(cp1252ToUtf8(mixed.notUnderstood[0]).rfind("Zeile 1: „Klassenliste 8b“ – ", 0), 0u) << cp1252ToUtf8(mixed.notUnderstood[0]);
  EXPECT_NE(cp1252ToUtf8(mixed.notUnderstood[1]).find("doppelt"), std::string::npos);
  EXPECT_NE(cp1252ToUtf8(mixed.notUnderstood[4]).find("Zeile 6"), std::string::npos);

  EXPECT_FALSE(readClassList(std::string(kLargestClassList + 1, 'a')).refusal.empty());
  std::string many;
  for (std::size_t i = 0; i <= kMostClassListLines; ++i) many += "Anna Becker\n";
  EXPECT_FALSE(readClassList(many).refusal.empty());
  EXPECT_FALSE(readClassList(std::string("PK\x03\x04\0\0\x14", 7)).refusal.empty());
  EXPECT_TRUE(readClassList("").learners.empty());

  const ClassListReading listed = readClassList("M\xFCller, Jonas; 12,5\nBecker, Paul\n");
  EXPECT_EQ(readClassList(classListText(listed.learners, 600)).learners, listed.learners);
  // UTF-16, as spreadsheets save "Unicode text".
  const std::string utf16("\xFF\xFE" "A\0n\0n\0a\0 \0B\0\xE4\0r\0\r\0\n\0", 22);
  EXPECT_EQ(names(readClassList(utf16)), (V{"Bär, Anna"}));
}

// ---------------------------------------------------------------------------

class CountingWriter final : public FileWriter {
 public:
  explicit CountingWriter(int failAt) : failAt_(failAt) {}
  FileProblem create(const fs::path& f) override { return step() ? fault() : inner_->create(f); }
  FileProblem write(std::string_view b) override { return step() ? fault() : inner_->write(b); }
  FileProblem sync() override { return step() ? fault() : inner_->sync(); }
  FileProblem close() override {
    const FileProblem closed = inner_->close();
    return step() ? fault() : closed;
  }
  FileProblem replace(const fs::path& from, const fs::path& to) override {
    return step() ? fault() : inner_->replace(from, to);
  }
  void remove(const fs::path& f) override { inner_->remove(f); }
  bool hit = false;

 private:
  static FileProblem fault() { return {FileFault::DiskFull, 28}; }
  bool step() {
    if (failAt_ <= 0 || ++calls_ < failAt_) return false;
    hit = true;
    return true;
  }
  std::unique_ptr<FileWriter> inner_ = systemFileWriter();
  int calls_ = 0;
  int failAt_;
};

std::vector<fs::path> filesIn(const fs::path& folder) {
  std::vector<fs::path> out;
  for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename());
  std::sort(out.begin(), out.end());
  return out;
}

// A share that refuses to rename a file held open (Wine on a FUSE SMB mount
// does so): the writer's replace answers "locked", as the system did there.
class OpenRenameRefused final : public FileWriter {
 public:
  FileProblem create(const fs::path& f) override { return inner_->create(f); }
  FileProblem write(std::string_view b) override { return inner_->write(b); }
  FileProblem sync() override { return inner_->sync(); }
  FileProblem close() override { return inner_->close(); }
  FileProblem replace(const fs::path&, const fs::path&) override { return {FileFault::Locked, 33}; }
  void remove(const fs::path& f) override { inner_->remove(f); }

 private:
  std::unique_ptr<FileWriter> inner_ = systemFileWriter();
};

TEST_F(TempFolder, WhereRenamingIsRefusedTheBytesStillArriveWholeAndNothingIsOverwritten) {
  OpenRenameRefused writer;
  const HandInOutcome first = handInFile(dir_, "a.kvw", "erste", &writer);
  ASSERT_TRUE(first.delivered) << first.reason;
  const HandInOutcome second = handInFile(dir_, "a.kvw", "zweite", &writer);
  ASSERT_TRUE(second.delivered) << second.reason;
  EXPECT_EQ(second.file.filename(), "a (2).kvw");
  EXPECT_EQ(filesIn(dir_), (std::vector<fs::path>{"a (2).kvw", "a.kvw"})) << "no temporary file left";
  std::string text;
  ASSERT_TRUE(readWholeFile(first.file, text));
  EXPECT_EQ(text, "erste");

  // A new file arrives the same way; an earlier one is never given up for it.
  ASSERT_TRUE(writeFileAtomically(dir_ / "test.kvk", "Arbeit", {}, &writer));
  ASSERT_TRUE(readWholeFile(dir_ / "test.kvk", text));
  EXPECT_EQ(text, "Arbeit");
  EXPECT_FALSE(writeFileAtomically(dir_ / "test.kvk", "andere", {}, &writer));
  ASSERT_TRUE(readWholeFile(dir_ / "test.kvk", text));
  EXPECT_EQ(text, "Arbeit");
  EXPECT_EQ(filesIn(dir_).size(), 3u);
}

TEST_F(TempFolder, HandInNeverOverwritesAndIsWholeOrNothing) {
  const ClockTime when{{2026, 12, 9}, 10, 14, 33};
  EXPECT_EQ(cp1252ToUtf8(handInFileName("8b", w1252("Müller, Jonas"), when)),
            "8b – Müller, Jonas – 2026-12-09 10.14.kvw");
  const std::string odd = handInFileName("8/b", "..a:b*c?d\"e<f>g|h\\i\x01 .", when);
  EXPECT_EQ(odd.find_first_of("/\\:*?\"<>|\x01"), std::string::npos) << odd;
  EXPECT_EQ(odd.substr(0, 7), w1252("8-b \u2013 a"));
  EXPECT_LE(handInFileName("8b", std::string(500, 'x'), when).size(), 120u);

  const std::string name = handInFileName("8b", w1252("Müller, Jonas"), when);
  HandInOutcome first = handInFile(dir_, name, "erste");
  ASSERT_TRUE(first.delivered) << first.reason;
  HandInOutcome again = handInFile(dir_, name, "erste");
  EXPECT_TRUE(again.delivered);
  EXPECT_EQ(again.file, first.file) << "the same bytes: an earlier try got through";
  HandInOutcome other = handInFile(dir_, name, "zweite");
  ASSERT_TRUE(other.delivered);
  EXPECT_EQ(cp1252ToUtf8(cp1252OfPath(other.file.filename())), "8b – Müller, Jonas – 2026-12-09 10.14 (2).kvw");
  std::string text;
  ASSERT_TRUE(readWholeFile(first.file, text));
  EXPECT_EQ(text, "erste");
  EXPECT_EQ(filesIn(dir_).size(), 2u);

  // A failure at any step leaves nothing behind: no temporary file, no claim.
  for (int failAt = 1; failAt <= 8; ++failAt) {
    const fs::path folder = dir_ / ("f" + std::to_string(failAt));
    fs::create_directories(folder);
    CountingWriter writer(failAt);
    const HandInOutcome outcome = handInFile(folder, "x.kvw", "bytes", &writer);
    if (!writer.hit) {
      EXPECT_TRUE(outcome.delivered);
      continue;
    }
    EXPECT_FALSE(outcome.delivered) << failAt;
    EXPECT_NE(outcome.reason.find("voll"), std::string::npos) << outcome.reason;
    EXPECT_TRUE(filesIn(folder).empty()) << failAt;
  }
  const HandInOutcome gone = handInFile(dir_ / "fehlt", "x.kvw", "bytes");
  EXPECT_FALSE(gone.delivered);
  EXPECT_EQ(gone.problem.fault, FileFault::FolderMissing);

  // An empty claim is no result: the class scan passes over it.
  ASSERT_TRUE(writeFileAtomically(dir_ / "leer.kvw", ""));
  for (const fs::path& file : classFiles(dir_)) EXPECT_NE(file.filename(), "leer.kvw");
}

TEST_F(TempFolder, AnEmptyClaimLeftByACutOffTryIsTakenOverNotPassedBy) {
  // The server went down between the claim and the rename, a few seconds
  // before the learner's PC delivers again: one file under the own name.
  const std::string name = handInFileName("8b", w1252("Müller, Jonas"), {{2026, 12, 9}, 10, 14, 0});
  const fs::path claim = dir_ / pathFromCp1252(name);
  ASSERT_TRUE(writeFileAtomically(claim, ""));
  fs::last_write_time(claim, fs::file_time_type::clock::now() - std::chrono::seconds(8));
  const HandInOutcome outcome = handInFile(dir_, name, "Ergebnis");
  ASSERT_TRUE(outcome.delivered) << outcome.reason;
  EXPECT_EQ(outcome.file, claim);
  std::string text;
  ASSERT_TRUE(readWholeFile(claim, text, 100));
  EXPECT_EQ(text, "Ergebnis");
  EXPECT_EQ(filesIn(dir_).size(), 1u);
}

TEST_F(TempFolder, ThirtyLearnersAtOnceGetThirtyWholeFiles) {
  std::vector<std::thread> learners;
  std::atomic<int> delivered{0};
  for (int n = 0; n < 30; ++n) {
    learners.emplace_back([&, n] {
      // The same name for all: the hardest case for the claim.
      const HandInOutcome o = handInFile(dir_, "8b.kvw", "Abgabe " + std::to_string(n) + std::string(20000, 'x'));
      if (o.delivered) ++delivered;
    });
  }
  for (std::thread& t : learners) t.join();
  EXPECT_EQ(delivered.load(), 30);
  std::set<std::string> contents;
  for (const fs::path& name : filesIn(dir_)) {
    std::string text;
    ASSERT_TRUE(readWholeFile(dir_ / name, text));
    ASSERT_EQ(text.rfind("Abgabe ", 0), 0u) << name;
    EXPECT_EQ(text.size() - text.find('x'), 20000u) << name;
    contents.insert(text.substr(0, text.find('x')));
  }
  EXPECT_EQ(contents.size(), 30u);
  EXPECT_EQ(filesIn(dir_).size(), 30u) << "no temporary file left";
}

TEST_F(TempFolder, WaitingResultsAreDeliveredExactlyOnce) {
  const fs::path share = dir_ / "Abgaben";
  const fs::path waiting = dir_ / "wartet";
  ClassTest test = sampleTest();
  Written w;
  w.typed = {"Die Idee zum Bau"};
  const std::string bytes = genuine(w);
  const std::string name = handInFileName("8b", w1252("Müller, Jonas"), {{2026, 12, 9}, 10, 14, 0});
  EXPECT_FALSE(handInFile(share, name, bytes).delivered);
  std::string reason;
  ASSERT_TRUE(keepWaiting(waiting, {{}, share, name, test.id, w1252("Müller, Jonas")}, bytes, reason)) << reason;
  ASSERT_EQ(waitingHandIns(waiting).size(), 1u);
  EXPECT_EQ(waitingHandIns(waiting)[0].fileName, name);

  // Still waiting: the attempt counts, on this PC.
  std::vector<EarlierHandIn> earlier = earlierHandIns(test, share, waiting, w1252("Jonas Müller"));
  ASSERT_EQ(earlier.size(), 1u);
  EXPECT_TRUE(earlier[0].waiting);
  EXPECT_NE(cp1252ToUtf8(furtherAttemptRefusal(test, earlier)).find("10:14 Uhr, wartet noch"), std::string::npos);

  EXPECT_EQ(deliverWaiting(waiting).stillWaiting, 1) << "the folder is still missing";
  fs::create_directories(share);
  // A stop between delivering and clearing the waiting folder: the copy
  // still waiting is delivered again and must not double.
  const fs::path copy = dir_ / "kopie";
  fs::copy(waiting, copy);
  DeliveryReport report = deliverWaiting(waiting);
  ASSERT_EQ(report.delivered.size(), 1u);
  // The window that still shows this result finds it by what it waited as.
  ASSERT_EQ(report.deliveredWaiting.size(), 1u);
  EXPECT_EQ(report.deliveredWaiting[0].fileName, name);
  EXPECT_EQ(report.deliveredWaiting[0].testId, test.id);
  EXPECT_EQ(report.stillWaiting, 0);
  EXPECT_TRUE(waitingHandIns(waiting).empty());
  EXPECT_TRUE(filesIn(waiting).empty());
  report = deliverWaiting(copy);
  ASSERT_EQ(report.delivered.size(), 1u);
  EXPECT_EQ(filesIn(share).size(), 1u) << "delivered exactly once";

  earlier = earlierHandIns(test, share, waiting, w1252("müller,  jonas"));
  ASSERT_EQ(earlier.size(), 1u);
  EXPECT_FALSE(earlier[0].waiting);
  EXPECT_EQ(cp1252ToUtf8(furtherAttemptRefusal(test, earlier)),
            "Sie haben diese Klassenarbeit bereits abgegeben („8b – Müller, Jonas – 2026-12-09 10.14.kvw“, "
            "10:14 Uhr). Ein weiterer Versuch ist nicht vorgesehen.");
  EXPECT_TRUE(earlierHandIns(test, share, waiting, "Becker, Paul").empty());
  test.attempts = 2;
  EXPECT_TRUE(furtherAttemptRefusal(test, earlier).empty()) << "a second attempt is allowed";
}

// ---------------------------------------------------------------------------

TEST_F(TempFolder, TestStatusListsEveryLearnerAndGradesOnlyWhatFits) {
  ClassTest test = sampleTest();
  Written w;
  w.typed = {"Die Idee zum Bau eines Hauses kam im Winter.", w1252("Alle waren froh, dass es")};
  ASSERT_TRUE(writeFileAtomically(dir_ / pathFromCp1252(w1252("8b – Müller, Jonas – 2026-12-09 10.14.kvw")), genuine(w)));
  Written ayse = w;
  ayse.name = "Ayse Yildiz";
  ayse.pace = 13;
  ayse.seconds = 750;
  ASSERT_TRUE(writeFileAtomically(dir_ / pathFromCp1252(w1252("8b – Yildiz – 2026-12-09 10.17.kvw")), genuine(ayse)));
  Written stranger = w;
  stranger.name = "<b>Fremd</b>";
  ASSERT_TRUE(writeFileAtomically(dir_ / pathFromCp1252(w1252("8b – Fremd – 2026-12-09 10.20.kvw")), genuine(stranger)));
  ASSERT_TRUE(writeFileAtomically(dir_ / pathFromCp1252(w1252("8b – Becker – 2026-12-09 10.21.kvw")),
                                  forged("Die Idee zum Bau.", 2400, 0)));
  ASSERT_TRUE(writeFileAtomically(dir_ / "kaputt.kvw", "kein Ergebnis"));
  // The forged file bears Jonas's name: it stands beside his own, ungraded.

  GradeKey key = gradeKeyPresets().front();
  const TestStatus status = testStatus(test, scanClass(dir_), &key);
  ASSERT_GE(status.rows.size(), 5u);
  EXPECT_EQ(status.rows[0].learner, w1252("Müller, Jonas"));
  EXPECT_EQ(status.rows[0].state, HandInState::Several) << status.rows[0].statusText;  // his and the forged one
  EXPECT_EQ(status.rows[1].state, HandInState::HandedIn) << status.rows[1].statusText;
  EXPECT_EQ(status.rows[1].statusText, "abgegeben 10:17");
  EXPECT_TRUE(status.rows[1].ownTime);
  EXPECT_TRUE(status.rows[1].grade);
  EXPECT_EQ(status.rows[2].state, HandInState::Missing);
  EXPECT_EQ(status.rows[2].statusText, "fehlt");
  EXPECT_EQ(status.countText(), "2 von 3 abgegeben");
  const auto stranger_row = std::find_if(status.rows.begin(), status.rows.end(),
                                         [](const TestRow& r) { return r.state == HandInState::NotInList; });
  ASSERT_NE(stranger_row, status.rows.end());
  EXPECT_EQ(stranger_row->statusText, "nicht in der Liste");
  EXPECT_TRUE(std::any_of(status.rows.begin(), status.rows.end(),
                          [](const TestRow& r) { return r.state == HandInState::Refused; }));

  // Ayse's longer time is hers alone: the same file for Jonas is over his limit.
  Written late = ayse;
  late.name = w1252("Müller, Jonas");
  fs::remove_all(dir_);
  fs::create_directories(dir_);
  ASSERT_TRUE(writeFileAtomically(dir_ / "spaet.kvw", genuine(late)));
  const TestStatus lateStatus = testStatus(test, scanClass(dir_), &key);
  EXPECT_EQ(lateStatus.rows[0].state, HandInState::OtherTest) << lateStatus.rows[0].statusText;
  EXPECT_FALSE(lateStatus.rows[0].grade);
  EXPECT_EQ(lateStatus.countText(), "0 von 3 abgegeben");

  const std::string csv = testStatusCsv(test, status);
  EXPECT_TRUE(isValidUtf8(csv));
  EXPECT_NE(csv.find("Es fehlen;Becker, Paul\n"), std::string::npos) << csv;
  EXPECT_NE(csv.find("<b>Fremd</b>"), std::string::npos);
  EXPECT_NE(csv.find("Hausbau"), std::string::npos);
  EXPECT_NE(csv.find("10 Minuten, Text von Vorlage"), std::string::npos);
  EXPECT_EQ(missingLearners(status), std::vector<std::string>{"Becker, Paul"});
  EXPECT_EQ(cp1252ToUtf8(testLine(test)),
            "8b – Hausbau, vorbereitet am 09.12.2026: 10 Minuten, Text von Vorlage, mit Korrekturmöglichkeit, 1 Versuch");
  const std::string text = cp1252ToUtf8(testStatusText(test, status));
  EXPECT_NE(text.find("Es fehlen: Becker, Paul"), std::string::npos) << text;
  EXPECT_NE(text.find("2 von 3 abgegeben"), std::string::npos);

  // Names written "Nachname, Vorname" stay apart when several are missing.
  EXPECT_NE(cp1252ToUtf8(testStatusText(test, lateStatus)).find("Es fehlen: Yildiz, Ayse; Becker, Paul\n"),
            std::string::npos)
      << cp1252ToUtf8(testStatusText(test, lateStatus));
  EXPECT_NE(testStatusCsv(test, lateStatus).find("Es fehlen;Yildiz, Ayse;Becker, Paul\n"), std::string::npos)
      << testStatusCsv(test, lateStatus);
}

TEST_F(TempFolder, AnEmptyHandInSaysSoAndIsNeitherGradedNorShownAsFigures) {
  ClassTest test = sampleTest();
  Written empty;
  empty.typed = {" "};  // voided at once: nothing typed but the blank
  ASSERT_TRUE(writeFileAtomically(dir_ / pathFromCp1252(w1252("8b – Becker, Paul – 2026-12-09 10.22.kvw")),
                                  genuine([&] {
                                    Written w = empty;
                                    w.name = "Becker, Paul";
                                    return w;
                                  }())));
  GradeKey key = gradeKeyPresets().front();
  const TestStatus status = testStatus(test, scanClass(dir_), &key);
  ASSERT_EQ(status.rows.size(), 3u);
  const TestRow& paul = status.rows[2];
  EXPECT_EQ(paul.state, HandInState::Empty);
  EXPECT_EQ(cp1252ToUtf8(paul.statusText), "leer abgegeben 10:22 (keine Anschläge)");
  EXPECT_FALSE(paul.grade);
  // In, so he has no further attempt and is not missing.
  EXPECT_EQ(status.countText(), "1 von 3 abgegeben");
  EXPECT_EQ(missingLearners(status), (std::vector<std::string>{w1252("Müller, Jonas"), w1252("Yildiz, Ayse")}));

  const std::string text = cp1252ToUtf8(testStatusText(test, status));
  EXPECT_NE(text.find("Becker, Paul | leer abgegeben 10:22 (keine Anschläge) | 8b – Becker, Paul"), std::string::npos)
      << text;
  EXPECT_EQ(text.find("0 Anschläge"), std::string::npos) << text;
  const std::string csv = testStatusCsv(test, status);
  EXPECT_NE(csv.find("Becker, Paul;10,0;leer abgegeben 10:22 (keine Anschläge);8b – Becker, Paul"), std::string::npos)
      << csv;
  EXPECT_NE(csv.find(".kvw;09.12.2026;;;;;;\n"), std::string::npos) << "figures shown for an empty hand-in: " << csv;
}

}  // namespace
}  // namespace kv
