// The class scan over files the program wrote: figures read back as the
// files show them, subfolders one level down, refused files kept with their
// reason, and a CSV in which a learner's name never becomes a formula.
#include "classroom/class_scan.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <fstream>
#include <map>
#include <sstream>

#include "classroom/class_overview.h"

#include "tests/core/class_files.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

class ClassFolder : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kv-class-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(ClassFolder, ReadsFiguresFromFilesAndSubfoldersAndKeepsRefusedOnes) {
  ASSERT_TRUE(test::writeHandedIn(dir_ / "anna.kvw", {"Anna Becker", "8b", 1560, 3, 600}));
  ASSERT_TRUE(test::writeHandedIn(dir_ / "Ben" / "test.KVW", {"Ben Özdemir", "8b", 1200, 0, 300, 3, 2}));
  ASSERT_TRUE(test::writeHandedIn(dir_ / "Ben" / "tief" / "zu-tief.kvw", {"Zu tief", "8b"}));
  ASSERT_TRUE(test::writeHandedIn(dir_ / "carla.kvw", {"Carla", "8b", 1500, 0, 600, 4, 1, true}));
  ASSERT_TRUE(test::writeHandedIn(dir_ / "leer.kvw", {"Dana", "8b", 0, 0, 0}));
  std::string bytes;
  ASSERT_TRUE(readWholeFile(dir_ / "anna.kvw", bytes));
  bytes[70] = static_cast<char>(bytes[70] ^ 4);
  ASSERT_TRUE(writeFileAtomically(dir_ / "anna-veraendert.kvw", bytes));
  std::ofstream(dir_ / "fremd.kvw") << "Dies ist ein Brief, keine Übung.";
  std::ofstream(dir_ / "notiz.txt") << "keine Übung";

  const std::vector<ClassResult> all = scanClass(dir_);
  ASSERT_EQ(all.size(), 6u);  // not the .txt, not the file two levels down
  std::map<std::string, ClassResult> byName;
  for (const ClassResult& r : all) byName[cp1252ToUtf8(r.shownName)] = r;

  const ClassResult& anna = byName.at("anna.kvw");
  EXPECT_TRUE(anna.valid);
  EXPECT_EQ(cp1252ToUtf8(anna.status), "gültig");
  EXPECT_EQ(cp1252ToUtf8(anna.line1), "Anna Becker");
  EXPECT_EQ(anna.line2, "8b");
  EXPECT_EQ(anna.keystrokes, 1560);
  EXPECT_EQ(anna.errors, 3);
  EXPECT_EQ(anna.seconds, 600);
  EXPECT_EQ(anna.keystrokesPerMinute, 156);
  EXPECT_NEAR(*anna.errorPercent(), 0.1923, 0.0001);
  EXPECT_EQ(cp1252ToUtf8(anna.form), "Text von Vorlage");
  EXPECT_EQ(cp1252ToUtf8(anna.text), "Abschrift Klassenarbeit");
  EXPECT_EQ(anna.date.day, 1);

  const ClassResult& ben = byName.at(fs::path("Ben/test.KVW").make_preferred().string());
  EXPECT_EQ(cp1252ToUtf8(ben.line1), "Ben Özdemir");
  EXPECT_EQ(ben.errors, 0);
  EXPECT_EQ(ben.keystrokesPerMinute, 240);

  EXPECT_TRUE(byName.at("carla.kvw").impossible);
  EXPECT_FALSE(byName.at("carla.kvw").errorPercent());
  EXPECT_TRUE(byName.at("leer.kvw").voided());

  EXPECT_FALSE(byName.at("anna-veraendert.kvw").valid);
  EXPECT_EQ(cp1252ToUtf8(byName.at("anna-veraendert.kvw").status), "abgelehnt: verändert oder beschädigt");
  EXPECT_EQ(cp1252ToUtf8(byName.at("fremd.kvw").status), "abgelehnt: keine Klavento-Übungsdatei");

  // Cancelling after two files keeps the two.
  const std::vector<ClassResult> part = scanClass(dir_, [](std::size_t done, std::size_t) { return done < 2; });
  EXPECT_EQ(part.size(), 2u);
}

TEST_F(ClassFolder, CsvKeepsItsColumnsAddsNumbersAndNeverAFormula) {
  ASSERT_TRUE(test::writeHandedIn(dir_ / "a.kvw", {"=HYPERLINK(\"http://x\";\"klick\")", "+49 8b", 1560, 3, 600}));
  ASSERT_TRUE(test::writeHandedIn(dir_ / "b.kvw", {"@SUMME(A1)", "-1", 1200, 0, 300}));
  ASSERT_TRUE(test::writeHandedIn(dir_ / "c.kvw", {"\tTab", "Klasse", 1500, 0, 600, 4, 1, true}));
  std::ofstream(dir_ / "d.kvw") << "fremd";
  const std::vector<GradeKey> presets = gradeKeyPresets();
  const std::string csv = classCsv(scanClass(dir_), &presets[0]);
  std::vector<std::string> lines;
  std::istringstream in(csv);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 5u) << csv;
  EXPECT_EQ(lines[0],
            "Datei;Datum;Zeile 1;Zeile 2;Fehler;Anschläge;Anschl./Min.;Prüfung;"
            "Anschläge (Zahl);Fehler (Zahl);Fehlerprozent;Anschläge pro Minute;Minuten;Note");
  EXPECT_EQ(lines[1],
            "a.kvw;01.12.2026;\"'=HYPERLINK(\"\"http://x\"\";\"\"klick\"\")\";'+49 8b;3 (0,192 Fehlerprozent);"
            "1560;156;gültig;1560;3;0,192;156;10,00;2");
  EXPECT_EQ(lines[2], "b.kvw;01.12.2026;'@SUMME(A1);'-1;0 (0,000 Fehlerprozent);1200;240;gültig;1200;0;0,000;240;5,00;1");
  EXPECT_EQ(lines[3].rfind("c.kvw;01.12.2026;'\tTab;Klasse;Auswertung nicht möglich;1500;150;gültig;1500;;;150;10,00;–", 0),
            0u)
      << lines[3];
  EXPECT_EQ(lines[4].rfind("d.kvw;;;;;;;\"abgelehnt: Die Datei \"\"d.kvw\"\" ist keine Klavento-Übungsdatei.\"", 0), 0u)
      << lines[4];
  EXPECT_EQ(csvCell("Anna"), "Anna");
  EXPECT_EQ(csvCell("\rx"), "\"'\rx\"");
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// A learner's Lernverlauf made to attack the teacher's program: a view that
// never ends in the place of a table, a trigger, an oversized row. Each is
// refused or read without running anything, and quickly.
TEST_F(ClassFolder, CraftedLernverlaufIsRefusedAndNeverRunsOrHangs) {
  const auto craft = [&](const std::string& folder, const char* sql) {
    fs::create_directories(dir_ / folder);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir_ / folder / "Lernverlauf.sqlite").string().c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
  };
  craft("Endlos",
        "CREATE TABLE key_stats(exercise, ch, needed, missed, timed, mean_ms, m2);"
        "CREATE TABLE confusions(exercise, expected, typed, count); CREATE TABLE word_slips(exercise, expected, typed);"
        "CREATE VIEW exercises AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) "
        "SELECT i AS id, '2026-01-01' AS started, 1 AS form, 0 AS seconds, 0 AS keystrokes,"
        " 0 AS keystrokes_per_minute, NULL AS error_percent, 0 AS voided, 0 AS impossible FROM n;");
  craft("Ausloeser",
        "CREATE TABLE exercises(id INTEGER PRIMARY KEY, started, form, pace, correction, title, archive, first_line,"
        " last_line, seconds, keystrokes, errors, keystrokes_per_minute, error_percent, voided, impossible);"
        "CREATE TABLE key_stats(exercise, ch, needed, missed, timed, mean_ms, m2);"
        "CREATE TABLE confusions(exercise, expected, typed, count); CREATE TABLE word_slips(exercise, expected, typed);"
        "CREATE TABLE spur(x); CREATE TRIGGER t AFTER INSERT ON key_stats BEGIN INSERT INTO spur VALUES (1); END;"
        "INSERT INTO exercises VALUES (1, '2026-11-02 10:00:00', 1, 0, 0, 't', 'a', 0, 0, 60, 300, 1, 300, 0.3, 0, 0);"
        "CREATE TABLE riesig(b); INSERT INTO riesig VALUES (zeroblob(3000000));");
  std::ofstream(dir_ / "Kaputt" / "Lernverlauf.sqlite") << "SQLite format 3";
  fs::create_directories(dir_ / "Kaputt");
  std::ofstream(dir_ / "Kaputt" / "Lernverlauf.sqlite") << std::string(5000, 'x');

  const auto started = std::chrono::steady_clock::now();
  const std::vector<LearnerHistory> histories = readLearnerHistories(dir_);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60)) << "a crafted file held the reader";
  ASSERT_EQ(histories.size(), 3u);
  std::map<std::string, LearnerHistory> byName;
  for (const LearnerHistory& h : histories) byName[h.shownName] = h;
  EXPECT_FALSE(byName.at("Endlos").readable);
  EXPECT_FALSE(byName.at("Kaputt").readable);
  EXPECT_FALSE(byName.at("Kaputt").refusal.empty());
  // A plain file with a trigger is read, and reading runs nothing.
  EXPECT_TRUE(byName.at("Ausloeser").readable) << byName.at("Ausloeser").refusal;
  EXPECT_EQ(byName.at("Ausloeser").points.size(), 1u);

  OverviewInput in;
  in.folderName = "Klasse";
  in.histories = histories;
  const std::string html = classOverviewHtml(in);
  EXPECT_NE(html.find("Nicht gelesen: "), std::string::npos);
}

TEST(ClassOverview, LearnersTextIsEscapedAndTicksAreRound) {
  EXPECT_EQ(htmlText("<img src=x onerror=alert(1)> & \"'"), "&lt;img src=x onerror=alert(1)&gt; &amp; &quot;&#39;");
  EXPECT_DOUBLE_EQ(roundStep(400, 3), 200);
  EXPECT_DOUBLE_EQ(roundStep(700, 3), 250);
  EXPECT_DOUBLE_EQ(roundStep(400, 4), 100);
  EXPECT_DOUBLE_EQ(roundStep(0.78, 5), 0.2);
  EXPECT_DOUBLE_EQ(roundStep(7, 5), 2);
  EXPECT_DOUBLE_EQ(roundStep(226, 6), 50);
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// The names the save dialogs offer: the class where the results agree on one.
TEST(OfferedFileName, NamesWhatItIsTheClassAndTheDay) {
  std::vector<ClassResult> results(3);
  results[0].line2 = "8b";
  results[1].line2 = " 8b ";
  // A refused file names no class and does not count against the others.
  EXPECT_EQ(sharedClassName(results), "8b");
  results[2].line2 = "8c";
  EXPECT_EQ(sharedClassName(results), "") << "the classes differ";
  EXPECT_EQ(sharedClassName({}), "");

  const CalendarDate day{2026, 12, 9};
  EXPECT_EQ(offeredFileName(w1252("Klassenübersicht"), "8b", day, "html"), w1252("Klassenübersicht 8b 2026-12-09.html"));
  EXPECT_EQ(offeredFileName("Ergebnisse", "", day, "csv"), "Ergebnisse 2026-12-09.csv");
  // What no file name may hold is stood in for.
  EXPECT_EQ(offeredFileName("Ergebnisse", "8/b: Gruppe?", day, "csv"), "Ergebnisse 8-b- Gruppe_ 2026-12-09.csv");
}

}  // namespace
}  // namespace kv
