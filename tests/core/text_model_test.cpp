#include "texts/text_model.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/common.h"
#include "texts/checksum.h"

namespace kv {
namespace {

std::uint32_t le32(const HeaderBytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

TEST(ArchiveHeader, ResetHeaderWritesEveryFieldAtItsOffset) {
  std::mt19937 random(42);
  TextArchiveHeader header;
  const std::int32_t day = daysSince1899({2026, 12, 7});
  resetHeader(header, day, random);
  header.archiveName = "Meine Texte";
  header.textCount = 2;
  header.entries[0] = {"Erster Text", 244, 4, header.entries[0].textId};
  header.entries[249] = {std::string(32, 'z'), 61, 1, header.entries[249].textId};

  const HeaderBytes b = encodeHeader(header);
  ASSERT_EQ(b.size(), 51388u);
  EXPECT_EQ(le32(b, 0), 51388u);
  EXPECT_EQ(std::memcmp(b.data() + 4, "Klavento 7.0", 12), 0);
  EXPECT_EQ(le32(b, 16), 7u);
  EXPECT_EQ(b[20], 11);
  EXPECT_EQ(std::memcmp(b.data() + 21, "Meine Texte", 11), 0);
  EXPECT_EQ(b[21 + 11], 0) << "rest of the name is zero";
  double created = 0;
  std::memcpy(&created, b.data() + 85, 8);
  EXPECT_EQ(created, day);
  double modified = 0;
  std::memcpy(&modified, b.data() + 93, 8);
  EXPECT_EQ(modified, created);
  for (std::size_t at = 101; at < 125; ++at) EXPECT_EQ(b[at], 0) << at;
  EXPECT_EQ(b[125], 2);
  // Entry 0.
  EXPECT_EQ(b[126], 11);
  EXPECT_EQ(std::memcmp(b.data() + 127, "Erster Text", 11), 0);
  EXPECT_EQ(le32(b, 126 + 33), 244u);
  EXPECT_EQ(le32(b, 126 + 37), 4u);
  EXPECT_EQ(le32(b, 126 + 193), header.entries[0].textId);
  for (std::size_t at = 126 + 41; at < 126 + 193; ++at) EXPECT_EQ(b[at], 0) << at;
  // Entry 249 ends where the archive identifier begins.
  const std::size_t last = 126 + 205 * 249;
  EXPECT_EQ(b[last], 32);
  EXPECT_EQ(le32(b, last + 37), 1u);
  EXPECT_EQ(last + 205, 51376u);
  EXPECT_EQ(le32(b, 51376), header.archiveId);
  EXPECT_EQ(le32(b, 51380), 0u);
  EXPECT_EQ(le32(b, 51384), 0u);

  TextArchiveHeader back;
  ASSERT_TRUE(decodeHeader(b, back));
  EXPECT_EQ(back, header);
}

TEST(ArchiveHeader, IdentifiersAreRandomAndDiffer) {
  std::mt19937 random(7);
  TextArchiveHeader a;
  resetHeader(a, 46000, random);
  TextArchiveHeader b;
  resetHeader(b, 46000, random);
  EXPECT_NE(a.archiveId, b.archiveId);
  EXPECT_NE(a.entries[0].textId, a.entries[1].textId);
  EXPECT_EQ(a.textCount, 0);
  EXPECT_EQ(a.entries[3].title, "");
  EXPECT_EQ(a.entries[3].lineCount, 0);
}

TEST(ArchiveHeader, IdentifierIsChecksumOfRandomCharactersSeededWithTheDate) {
  // Replay the generator: the first identifier is entry 0's.
  std::mt19937 random(99);
  std::mt19937 replay(99);
  TextArchiveHeader header;
  resetHeader(header, 45000, random);
  std::uniform_int_distribution<int> pick(0, 222);
  std::string chars(255, '\0');
  for (char& c : chars) {
    c = static_cast<char>(pick(replay) + 32);
    ASSERT_GE(static_cast<unsigned char>(c), 32);
    ASSERT_LE(static_cast<unsigned char>(c), 254);
  }
  EXPECT_EQ(header.entries[0].textId, stringChecksum(45000, chars));
}

TEST(ArchiveHeader, TodayIsTheCreationDate) {
  TextArchiveHeader header;
  resetHeader(header);
  EXPECT_EQ(header.created, daysSince1899(todayLocal()));
  EXPECT_EQ(header.modified, header.created);
}

TEST(ArchiveHeader, DecodeRefusesWhatTheRecordCannotHold) {
  TextArchiveHeader header;
  HeaderBytes b = encodeHeader(header);
  TextArchiveHeader out;
  EXPECT_FALSE(decodeHeader(std::span<const std::uint8_t>(b.data(), b.size() - 1), out));
  HeaderBytes longName = b;
  longName[20] = 65;
  EXPECT_FALSE(decodeHeader(longName, out));
  HeaderBytes tooMany = b;
  tooMany[125] = 251;
  EXPECT_FALSE(decodeHeader(tooMany, out));
  HeaderBytes longTitle = b;
  longTitle[126 + 205 * 17] = 33;
  EXPECT_FALSE(decodeHeader(longTitle, out));
  EXPECT_TRUE(decodeHeader(b, out));
}

TEST(ArchiveHeader, OverlongNamesAreCutWhenEncoded) {
  TextArchiveHeader header;
  header.archiveName = std::string(80, 'n');
  header.entries[0].title = std::string(40, 't');
  const HeaderBytes b = encodeHeader(header);
  EXPECT_EQ(b[20], 64);
  EXPECT_EQ(b[126], 32);
  EXPECT_EQ(b[126 + 33], 0) << "title must not spill into the character count";
}

TEST(Keystrokes, EveryCharacterClassCountsAsOnTheGermanKeyboard) {
  const std::string unshifted = " 0123456789abcdefghijklmnopqrstuvwxyz#+,-.<^\xB4\xDF\xE4\xF6\xFC\r";
  const std::string shifted = "ABCDEFGHIJKLMNOPQRSTUVWXYZ!\"$%&'()*/:;=>?_`\xA7\xB0\xC4\xD6\xDC";
  EXPECT_EQ(unshifted.size(), 50u);  // carriage return included
  EXPECT_EQ(shifted.size(), 48u);
  for (char c : unshifted) EXPECT_EQ(countKeystrokes(static_cast<unsigned char>(c)), 1) << int(c);
  for (char c : shifted) EXPECT_EQ(countKeystrokes(static_cast<unsigned char>(c)), 2) << int(c);
  for (char c : std::string("@[]{}\\|~\x80\xE9\xB2\xFF\xA0")) {
    EXPECT_EQ(countKeystrokes(static_cast<unsigned char>(c)), 3) << int(c);
  }
  for (int c = 0; c < 32; ++c) {
    if (c != 13) {
      EXPECT_EQ(countKeystrokes(static_cast<unsigned char>(c)), 0) << c;
    }
  }
  int total = 0;
  for (int c = 0; c < 256; ++c) total += countKeystrokes(static_cast<unsigned char>(c)) == 1;
  EXPECT_EQ(total, 50);
  EXPECT_EQ(countKeystrokes("A\xE4@"), 6);
  EXPECT_EQ(countKeystrokes(""), 0);
}

class VectorSource : public TextSource {
 public:
  explicit VectorSource(std::vector<std::string> lines, bool ok = true)
      : lines_(std::move(lines)), ok_(ok) {}
  bool readLines(int n, std::vector<std::string>& out) override {
    lastN = n;
    out.insert(out.end(), lines_.begin(), lines_.end());
    return ok_;
  }
  int lastN = 0;

 private:
  std::vector<std::string> lines_;
  bool ok_;
};

std::vector<std::string> numberedLines(int n) {
  std::vector<std::string> lines;
  for (int i = 1; i <= n; ++i) lines.push_back("Zeile " + std::to_string(i));
  return lines;
}

TEST(LoadText, SetsLongestLineAndKeystrokesOnlyWithSelection) {
  const std::string line59(59, 'f');
  VectorSource source({line59, line59, line59, "Das ist kurz."});
  CurrentText text;
  text.totalKeystrokes = 99;
  ASSERT_TRUE(loadText(source, 3, false, {}, text));
  EXPECT_EQ(source.lastN, 3);
  EXPECT_EQ(text.lines.size(), 4u);
  EXPECT_EQ(text.longestLine, 59);
  EXPECT_EQ(text.totalKeystrokes, 0);

  ASSERT_TRUE(loadText(source, 3, true, {}, text));
  EXPECT_EQ(text.totalKeystrokes, 3 * 59 + countKeystrokes("Das ist kurz.") + 3);
}

TEST(LoadText, FourLinesOfFiftyNineGiveTheirKeystrokesPlusThreeEnters) {
  const std::string line = "fded fded fded fded sded sded sded sded aded aded aded aded";
  ASSERT_EQ(line.size(), 59u);
  VectorSource source({line, line, line, line});
  CurrentText text;
  ASSERT_TRUE(loadText(source, 1, true, {}, text));
  EXPECT_EQ(text.totalKeystrokes, 4 * 59 + 3);
  EXPECT_EQ(4 * (59 + 2), 244) << "charCount counts two per line break";
}

TEST(LoadText, FailureReplacesTheLinesAndReportsFalse) {
  VectorSource source({"halb"}, false);
  CurrentText text;
  text.lines = {"alt"};
  text.totalKeystrokes = 12;
  EXPECT_FALSE(loadText(source, 1, true, {}, text));
  EXPECT_EQ(text.totalKeystrokes, 0);
  EXPECT_EQ(text.lines, std::vector<std::string>{"halb"});
}

TEST(LineSelection, RangesKeepTheChosenLines) {
  const struct {
    int first, last;
    std::vector<int> kept;
  } rows[] = {{3, 5, {3, 4, 5}},  {-1, -1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
              {1, 2, {1, 2}},     {0, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
              {9, -1, {9, 10}},   {10, 10, {10}},
              {2, 20, {2, 3, 4, 5, 6, 7, 8, 9, 10}}, {11, -1, {}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.first << ".." << row.last);
    CurrentText text;
    text.lines = numberedLines(10);
    applyLineSelection({row.first, row.last, 0, 1}, text);
    std::vector<std::string> expected;
    for (int n : row.kept) expected.push_back("Zeile " + std::to_string(n));
    EXPECT_EQ(text.lines, expected);
  }
}

TEST(LineSelection, EachLineRepeatsLinesInPlaceWholeTextRepeatsTheBlock) {
  CurrentText each;
  each.lines = {"A", "B"};
  applyLineSelection({-1, -1, 0, 3}, each);
  EXPECT_EQ(each.lines, (std::vector<std::string>{"A", "A", "A", "B", "B", "B"}));
  EXPECT_EQ(each.totalKeystrokes, 6 * 2 + 5);

  CurrentText whole;
  whole.lines = {"A", "B"};
  applyLineSelection({-1, -1, 1, 3}, whole);
  EXPECT_EQ(whole.lines, (std::vector<std::string>{"A", "B", "A", "B", "A", "B"}));
}

TEST(LineSelection, WholeTextStopsAtTwelveHundredLines) {
  CurrentText text;
  text.lines = numberedLines(700);
  applyLineSelection({-1, -1, 1, 2}, text);
  ASSERT_EQ(text.lines.size(), 1200u);
  EXPECT_EQ(text.lines[699], "Zeile 700");
  EXPECT_EQ(text.lines[700], "Zeile 1");
  EXPECT_EQ(text.lines[1199], "Zeile 500");
}

TEST(LineSelection, EachLineTriplesEarlyLinesUntilTheCap) {
  CurrentText text;
  text.lines = numberedLines(700);
  applyLineSelection({-1, -1, 0, 3}, text);
  ASSERT_EQ(text.lines.size(), 1200u);
  // 250 lines tripled give 750 + 450 single = 1200.
  EXPECT_EQ(text.lines[0], "Zeile 1");
  EXPECT_EQ(text.lines[2], "Zeile 1");
  EXPECT_EQ(text.lines[747], "Zeile 250");
  EXPECT_EQ(text.lines[749], "Zeile 250");
  EXPECT_EQ(text.lines[750], "Zeile 251");
  EXPECT_EQ(text.lines[751], "Zeile 252");
  EXPECT_EQ(text.lines[1199], "Zeile 700");
}

TEST(LineSelection, CapCanCutARepetitionShort) {
  CurrentText text;
  text.lines = numberedLines(599);
  applyLineSelection({-1, -1, 0, 3}, text);
  ASSERT_EQ(text.lines.size(), 1200u);
  // Lines 1-300 tripled reach 900 + 299 = 1199; line 301 gets one copy more.
  EXPECT_EQ(text.lines[900], "Zeile 301");
  EXPECT_EQ(text.lines[901], "Zeile 301");
  EXPECT_EQ(text.lines[902], "Zeile 302");
}

TEST(LineSelection, TextAlreadyAtTheCapIsNotRepeated) {
  CurrentText text;
  text.lines = numberedLines(1300);
  applyLineSelection({-1, -1, 1, 5}, text);
  EXPECT_EQ(text.lines.size(), 1300u);
}

TEST(LineSelection, SelectionThenRepetitionAndEmptyText) {
  CurrentText text;
  text.lines = numberedLines(32);
  applyLineSelection({31, 32, 1, 2}, text);
  EXPECT_EQ(text.lines,
            (std::vector<std::string>{"Zeile 31", "Zeile 32", "Zeile 31", "Zeile 32"}));

  CurrentText empty;
  empty.totalKeystrokes = 5;
  applyLineSelection({1, 3, 0, 4}, empty);
  EXPECT_TRUE(empty.lines.empty());
  EXPECT_EQ(empty.totalKeystrokes, 0);
}

TEST(ParseDigits, TakesOnlyTheDigits) {
  EXPECT_EQ(parseDigits("1 2a3"), 123);
  EXPECT_EQ(parseDigits(""), 0);
  EXPECT_EQ(parseDigits("abc"), 0);
  EXPECT_EQ(parseDigits("-12"), 12);
  EXPECT_EQ(parseDigits("007"), 7);
  EXPECT_EQ(parseDigits("99999999999999"), 2147483647) << "saturates instead of overflowing";
}

TEST(TrimName, BlanksThenOnePairOfQuotes) {
  EXPECT_EQ(trimName("  \"Mein Archiv\"  "), "Mein Archiv");
  EXPECT_EQ(trimName("\""), "\"");
  EXPECT_EQ(trimName("\"\""), "");
  EXPECT_EQ(trimName("\"\"\"x\"\"\""), "\"\"x\"\"");
  EXPECT_EQ(trimName("\"links"), "\"links");
  EXPECT_EQ(trimName("   "), "");
  EXPECT_EQ(trimName("Name" + std::string(60, ' ')), "Name");
}

}  // namespace
}  // namespace kv
