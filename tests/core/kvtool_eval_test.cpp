#include "tools/kvtool_eval.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "classroom/result_check.h"
#include "evaluation/saved_file.h"
#include "evaluation/summary.h"

namespace kv::tool {
namespace {

namespace fs = std::filesystem;

class KvtoolFiles : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kvtool-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string write(const std::string& name, const std::string& bytes) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }
  std::string read(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::string saveResult(const std::string& name, const std::string& typed, const std::string& learner) {
    TypedExercise ex;
    ex.typedText = typed;
    // The Anschläge the typed text is worth: the class check reads them back.
    std::vector<std::string> typedLines;
    for (std::size_t begin = 0, end; (end = typed.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
      typedLines.push_back(typed.substr(begin, end - begin));
      std::erase(typedLines.back(), kMarkByte);
    }
    ex.keystrokes = static_cast<std::uint32_t>(keystrokesOfTypedLines(typedLines));
    ex.errorCount = 3;
    SummaryInputs in;
    in.learnerLine1 = learner;
    in.endTick = 150000;
    in.today = {2026, 12, 1};
    const auto lines = buildSummary(ex, in);
    const std::string path = (dir_ / name).string();
    EXPECT_TRUE(saveResultFile(path, lines, ex, 40, 2));
    return path;
  }
  fs::path dir_;
};

const std::string kTemplate =
    "Die Haust\xC3\xBCr ist offen und das Wetter ist sch\xC3\xB6n.\nWir gehen heute nach Hause.\n";

TEST_F(KvtoolFiles, EvaluateCountsAndMarksLikeTheProgram) {
  const std::string templ = write("vorlage.txt", kTemplate);
  // The typed text in Windows-1252: both encodings are read.
  const std::string typed =
      write("getippt.txt", "Die Haus t\xFCr ist offen und das Wetter ist sch\xF6n.\r\nWir gehen nach Hause.\r\n");
  EvaluateInput in;
  in.templatePath = templ;
  in.typedPath = typed;
  in.seconds = 60;
  in.json = true;
  std::ostringstream out, err;
  ASSERT_EQ(runEvaluate(in, out, err), 0) << err.str();
  const auto j = nlohmann::json::parse(out.str());
  EXPECT_EQ(j["errorCount"], 2);
  EXPECT_EQ(j["markCount"], 4);  // Haus, blank, tür; nach
  EXPECT_EQ(j["stoppedEarly"], false);
  EXPECT_EQ(j["lines"][10], "Die \u27E6Haus\u27E7\u27E6 \u27E7\u27E6t\u00FCr\u27E7 ist offen und das Wetter ist sch\u00F6n.");
  EXPECT_EQ(j["lines"][11], "Wir gehen \u27E6nach\u27E7 Hause.");
  EXPECT_GE(j["lines"].size(), 30u);

  in.json = false;
  std::ostringstream text;
  ASSERT_EQ(runEvaluate(in, text, err), 0);
  EXPECT_NE(text.str().find("Fehlerzahl    2 ("), std::string::npos);
  EXPECT_NE(text.str().find("\u00DCbungszeit    00:01:00"), std::string::npos);
}

// kvtool writes its JSON itself; it must be exactly what nlohmann-json's
// dump(2) makes of the same figures, quotes, backslashes, control
// characters, marks and umlauts in the lines included.
TEST_F(KvtoolFiles, EvaluateJsonIsLaidOutAsNlohmannJsonWritesIt) {
  const struct {
    const char* name;
    std::string templ;
    std::string typed;
  } rows[] = {
      {"slips and umlauts", kTemplate,
       "Die Haus t\xFCr ist offen und das Wetter ist sch\xF6n.\r\nWir gehen nach Hause.\r\n"},
      {"quotes, backslashes, controls and Windows-1252 specials",
       "Er sagte \"ja\" und \\ dann \x7F \x80 \x84gut\x93.\nZweite Zeile\n",
       "Er sagt \"ja\" und \\\\ dann\x01\x1F \x7F \x80 \x84gut\x93.\nZweite Zeile\n"},
      {"nothing typed", kTemplate, "\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EvaluateInput in;
    // The title, from the file name, is the one way control characters get in.
    in.templatePath = write("vor\"lage\\\x01\t.txt", row.templ);
    in.typedPath = write("getippt.txt", row.typed);
    in.seconds = 75;
    in.json = true;
    std::ostringstream out, err;
    ASSERT_EQ(runEvaluate(in, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), nlohmann::json::parse(out.str()).dump(2) + "\n");
  }
}

TEST_F(KvtoolFiles, EvaluateRefusesCharactersOutsideWindows1252) {
  const std::string templ = write("vorlage.txt", "Zeile eins\nZeile zwei mit \xC4\x8D\n");
  EvaluateInput in;
  in.templatePath = templ;
  in.typedPath = write("getippt.txt", "Zeile eins\n");
  std::ostringstream out, err;
  EXPECT_EQ(runEvaluate(in, out, err), 1);
  EXPECT_NE(err.str().find("Zeile 2"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("U+010D"), std::string::npos);
  in.templatePath = (dir_ / "fehlt.txt").string();
  EXPECT_EQ(runEvaluate(in, out, err), 1);
}

TEST_F(KvtoolFiles, CheckListsValidAndRejectedFiles) {
  saveResult("anna.kvw", "Das ist \x08gut\x08.\r\nZweite Zeile\r\n", "Anna; Klasse 8b");
  const std::string ben = saveResult("ben.kvw", "Hallo\r\n", "Ben");
  std::string tampered = read("ben.kvw");
  tampered[60] = static_cast<char>(tampered[60] ^ 1);
  write("ben-veraendert.kvw", tampered);
  write("kaputt.kvw", "zu kurz");
  write("notiz.txt", "keine Ergebnisdatei");

  std::ostringstream out, err;
  EXPECT_EQ(runResultCheck({dir_.string()}, true, out, err), 2);
  std::istringstream rows(out.str());
  std::vector<std::string> lines;
  for (std::string line; std::getline(rows, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 5u) << out.str();  // header + four .kvw files, the .txt ignored
  EXPECT_EQ(lines[1].rfind("anna.kvw;01.12.2026;\"Anna; Klasse 8b\";;3 (10,714 Fehlerprozent);28;11;g\u00FCltig", 0), 0u)
      << lines[1];
  // Sorted by name: "ben-veraendert.kvw" comes before "ben.kvw".
  EXPECT_NE(lines[2].find("abgelehnt: "), std::string::npos);
  EXPECT_NE(lines[2].find("ver\u00E4ndert"), std::string::npos);
  EXPECT_NE(lines[3].find("ben.kvw;01.12.2026;Ben"), std::string::npos);
  EXPECT_NE(lines[4].find("keine Klavento-\u00DCbungsdatei"), std::string::npos);

  std::ostringstream single;
  EXPECT_EQ(runResultCheck({ben}, false, single, err), 0);
}

TEST_F(KvtoolFiles, ShowAndExport) {
  const std::string anna = saveResult("anna.kvw", "Das ist \x08gut\x08.\r\n\x08\x08\r\nZweite Zeile\r\n", "Anna");
  std::ostringstream out, err;
  ASSERT_EQ(runResultShow(anna, out, err), 0);
  EXPECT_NE(out.str().find("Das ist \u27E6gut\u27E7."), std::string::npos);
  ASSERT_EQ(runResultExport(anna, (dir_ / "anna.txt").string(), err), 0) << err.str();
  EXPECT_EQ(read("anna.txt"), "Das ist gut.\r\nZweite Zeile\r\n");
  EXPECT_EQ(runResultShow((dir_ / "fehlt.kvw").string(), out, err), 1);
  EXPECT_NE(err.str().find("kann nicht gelesen werden"), std::string::npos);
}

}  // namespace
}  // namespace kv::tool
