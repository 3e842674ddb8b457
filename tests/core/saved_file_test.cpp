#include "evaluation/saved_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "evaluation/summary.h"
#include "platform/file_io.h"
#include "texts/checksum.h"

namespace kv {
namespace {

struct Evaluated {
  TypedExercise record;
  std::vector<std::string> lines;
};

Evaluated evaluated(const std::string& typed = "Das ist \x08gut\x08.\r\nZweite \x08\x08\r\nGr\xFC\xDF" "e\r\n") {
  Evaluated e;
  e.record.typedText = typed;
  e.record.typedLineCount = 3;
  e.record.keystrokes = 42;
  e.record.errorCount = 2;
  SummaryInputs in;
  in.today = {2026, 12, 7};
  in.learnerLine1 = "Ben";
  e.lines = buildSummary(e.record, in);
  return e;
}

std::vector<std::uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

TEST(ResultFile, SavedListComesBackExactly) {
  const Evaluated e = evaluated();
  const std::string file = encodeResultFile(e.lines, e.record, 61);
  ASSERT_GT(file.size(), kResultFileHeaderSize);
  EXPECT_EQ(file.substr(0, 12), "Klavento 7.0");
  EXPECT_EQ(file.find("Zweite"), std::string::npos) << "body must be scrambled";

  OpenedResult opened;
  ASSERT_EQ(decodeResultFile(bytesOf(file), opened), ResultFileError::None);
  EXPECT_EQ(opened.lines, e.lines);
  EXPECT_EQ(opened.longestLine, 61);
  EXPECT_FALSE(opened.compatibility);
  EXPECT_EQ(opened.date, (CalendarDate{2026, 12, 7}));
  EXPECT_EQ(opened.lines[11], "Zweite \x08\x08");
}

TEST(ResultFile, ShortListsArePaddedToThirtyLinesOnOpening) {
  Evaluated e = evaluated();
  e.lines.resize(12);
  OpenedResult opened;
  ASSERT_EQ(decodeResultFile(bytesOf(encodeResultFile(e.lines, e.record, 5)), opened),
            ResultFileError::None);
  ASSERT_EQ(opened.lines.size(), 30u);
  EXPECT_EQ(opened.lines[10], e.lines[10]);
  EXPECT_EQ(opened.lines[29], "");
}

TEST(ResultFile, EveryChangedBodyByteIsRejected) {
  const Evaluated e = evaluated();
  const std::string file = encodeResultFile(e.lines, e.record, 61);
  for (std::size_t at = kResultFileHeaderSize; at < file.size(); ++at) {
    std::string bad = file;
    bad[at] = static_cast<char>(bad[at] ^ 0x01);
    OpenedResult opened;
    ASSERT_NE(decodeResultFile(bytesOf(bad), opened), ResultFileError::None) << "byte " << at;
  }
}

TEST(ResultFile, SealedHeaderFieldsAreCheckedWidthOnlyChangesTheWidth) {
  const Evaluated e = evaluated();
  const std::string file = encodeResultFile(e.lines, e.record, 61);
  for (std::size_t at = 0; at < kResultFileHeaderSize; ++at) {
    SCOPED_TRACE(at);
    std::string bad = file;
    bad[at] = static_cast<char>(bad[at] ^ 0x10);
    OpenedResult opened;
    const ResultFileError error = decodeResultFile(bytesOf(bad), opened);
    if (at >= 32 && at < 36) {
      ASSERT_EQ(error, ResultFileError::None);
      EXPECT_NE(opened.longestLine, 61);
      EXPECT_EQ(opened.lines, e.lines);
    } else if (at >= 12 && at < 20) {
      continue;  // the date: judged by the day it names, below
    } else {
      EXPECT_NE(error, ResultFileError::None);
    }
  }
}

TEST(ResultFile, AnotherSealedDateIsRejected) {
  const Evaluated e = evaluated();
  std::string file = encodeResultFile(e.lines, e.record, 61);
  std::uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | static_cast<std::uint8_t>(file[static_cast<std::size_t>(12 + i)]);
  const std::uint64_t keys = e.record.keySeal | (static_cast<std::uint64_t>(e.record.keySeal) << 32);
  double day = 0;
  const std::uint64_t plain = bits ^ keys;
  std::memcpy(&day, &plain, 8);
  for (double other : {day + 1, day - 365, 1e300}) {
    std::uint64_t changed = 0;
    std::memcpy(&changed, &other, 8);
    changed ^= keys;
    std::string bad = file;
    for (int i = 0; i < 8; ++i) bad[static_cast<std::size_t>(12 + i)] = static_cast<char>(changed >> (8 * i));
    OpenedResult opened;
    EXPECT_NE(decodeResultFile(bytesOf(bad), opened), ResultFileError::None) << other;
  }
}

TEST(ResultFile, ShortOrForeignFilesAreRejectedWithAGermanMessage) {
  OpenedResult opened;
  opened.lines = {"vorher"};
  EXPECT_EQ(decodeResultFile(bytesOf(std::string(39, 'x')), opened), ResultFileError::TooShort);
  EXPECT_EQ(decodeResultFile(bytesOf("Klavento 6.0" + std::string(40, '\0')), opened),
            ResultFileError::UnknownIdentification);
  EXPECT_EQ(opened.lines, std::vector<std::string>{"vorher"}) << "nothing of a rejected file is kept";
  const std::string message = resultFileErrorMessage(ResultFileError::PlainChecksum, "C:\\a.kvw");
  EXPECT_NE(message.find("C:\\a.kvw"), std::string::npos);
  EXPECT_NE(message.find("besch\xE4" "digt"), std::string::npos);
}

TEST(ResultFile, EarlierGenerationOpensInCompatibilityView) {
  const Evaluated e = evaluated();
  std::string file = encodeResultFile(e.lines, e.record, 30);
  // The earlier generation sealed its product field without the identification.
  std::memcpy(file.data(), "Klavento 5.0", 12);
  const std::uint32_t product = e.record.keySeal ^ stringChecksum(0, "(mit Korrekturm\xF6glichkeit)");
  for (int i = 0; i < 4; ++i) file[static_cast<std::size_t>(28 + i)] = static_cast<char>(product >> (8 * i));
  OpenedResult opened;
  ASSERT_EQ(decodeResultFile(bytesOf(file), opened), ResultFileError::None);
  EXPECT_TRUE(opened.compatibility);
  EXPECT_EQ(opened.lines, e.lines);
}

TEST(ResultFile, ZeroSummarySealStillRoundTrips) {
  Evaluated e = evaluated();
  // Force the case the divisor rule exists for by replaying the keystream.
  ResultKeystream zero(e.record.dateSeal, e.record.keySeal, 0);
  ResultKeystream one(e.record.dateSeal, e.record.keySeal, 1);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(zero.next(), one.next());

  // A file sealed with 0 is the very file sealed with 1, byte for byte...
  e.record.summarySeal = 0;
  const std::string withZero = encodeResultFile(e.lines, e.record, 61);
  e.record.summarySeal = 1;
  EXPECT_EQ(withZero, encodeResultFile(e.lines, e.record, 61));
  // ...and its body, scrambled with the one keystream, comes back with the other.
  ResultKeystream scramble(e.record.dateSeal, e.record.keySeal, 0);
  ResultKeystream unscramble(e.record.dateSeal, e.record.keySeal, 1);
  std::string body = withZero.substr(kResultFileHeaderSize);
  std::string expected;
  for (const std::string& line : e.lines) expected += line + "\r\n";
  ASSERT_EQ(body.size(), expected.size());
  for (char& c : body) c = static_cast<char>(static_cast<std::uint8_t>(c) ^ unscramble.next());
  EXPECT_EQ(body, expected);
  std::string again = expected;
  for (char& c : again) c = static_cast<char>(static_cast<std::uint8_t>(c) ^ scramble.next());
  EXPECT_EQ(again, withZero.substr(kResultFileHeaderSize));
}

TEST(ResultFile, KeystreamMatchesItsDefinition) {
  ResultKeystream ks(1000, 7, 3);
  std::uint64_t s = 1000;
  for (std::uint64_t a = 2; a < 50; ++a) {
    s = ((7 * a + a + s) / 3 + a * 3) % 4294967295u;
    ASSERT_EQ(ks.next(), static_cast<std::uint8_t>(s % 256)) << a;
  }
}

TEST(TextExport, TypedLinesWithoutMarksOrEmptyLines) {
  const Evaluated e = evaluated("Das ist \x08gut\x08.\r\n\x08\x08\r\nGr\xFC\xDF" "e\r\n");
  EXPECT_EQ(encodeTextExport(e.lines, 3), "Das ist gut.\r\nGr\xFC\xDF" "e\r\n");
  EXPECT_EQ(encodeTextExport(std::vector<std::string>(10, "x"), 3), "");
}

TEST(SaveName, ExtensionsAreCompletedAsTyped) {
  const struct {
    const char* typed;
    const char* saved;
    bool text;
  } rows[] = {
      {"ergebnis.doc", "ergebnis.doc.kvw", false}, {"ergebnis.TXT", "ergebnis.TXT", true},
      {"ergebnis", "ergebnis.kvw", false},         {"ergebnis.", "ergebnis.kvw", false},
      {"ergebnis.KVW", "ergebnis.KVW", false},     {"C:\\a.b\\ergebnis", "C:\\a.b\\ergebnis.kvw", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.typed);
    EXPECT_EQ(completeSaveName(row.typed), row.saved);
    EXPECT_EQ(isTextExportName(completeSaveName(row.typed)), row.text);
  }
}

class SaveOnDisk : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("kv-save-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string path(const char* name) const { return (dir_ / name).string(); }
  std::filesystem::path dir_;
};

TEST_F(SaveOnDisk, SaveThenOpenAndOverwrite) {
  const Evaluated e = evaluated();
  const std::string target = path("ergebnis.kvw");
  {
    std::ofstream old(target, std::ios::binary);
    old << std::string(5000, 'z');
  }
  ASSERT_TRUE(saveResultFile(target, e.lines, e.record, 61, 3));
  OpenedResult opened;
  ASSERT_EQ(openResultFile(target, opened), ResultFileError::None);
  EXPECT_EQ(opened.lines, e.lines);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1)
      << "no temporary file may remain";

  ASSERT_TRUE(saveResultFile(path("nur.txt"), e.lines, e.record, 61, 3));
  std::vector<std::uint8_t> text;
  ASSERT_TRUE(readWholeFile(path("nur.txt"), text));
  EXPECT_EQ(std::string(text.begin(), text.end()), encodeTextExport(e.lines, 3));
  EXPECT_EQ(openResultFile(path("fehlt.kvw"), opened), ResultFileError::CannotRead);

  // Read into a text buffer as well: past every buffer boundary, within the
  // limit only.
  std::string big;
  for (int k = 0; big.size() < 70000; ++k) big += "Zeile " + std::to_string(k) + "\r\n";
  ASSERT_TRUE(writeFileAtomically(path("gross.txt"), big));
  std::string read = "alter Inhalt";
  ASSERT_TRUE(readWholeFile(path("gross.txt"), read));
  EXPECT_EQ(read, big);
  EXPECT_FALSE(readWholeFile(path("gross.txt"), read, big.size() - 1));
  EXPECT_TRUE(readWholeFile(path("gross.txt"), read, big.size()));
  EXPECT_FALSE(readWholeFile(path("fehlt.txt"), read));
}

TEST_F(SaveOnDisk, FailedSaveLeavesTheEarlierFileIntact) {
  const Evaluated e = evaluated();
  // The target is a folder that cannot be replaced by a file: the write fails
  // after the temporary file was written, and nothing is lost or left over.
  const std::string target = path("ordner.kvw");
  std::filesystem::create_directories(target);
  {
    std::ofstream keep(path("ordner.kvw/inhalt.txt"));
    keep << "bleibt";
  }
  EXPECT_FALSE(saveResultFile(target, e.lines, e.record, 61, 3));
  EXPECT_TRUE(std::filesystem::exists(path("ordner.kvw/inhalt.txt")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
  EXPECT_FALSE(saveResultFile(path("gibt/es/nicht.kvw"), e.lines, e.record, 61, 3));
}

}  // namespace
}  // namespace kv
