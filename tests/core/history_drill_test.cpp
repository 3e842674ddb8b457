#include "history/drill.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"
#include "texts/builtin_texts.h"

namespace kv {
namespace {

std::vector<std::string> builtinCorpus() {
  std::vector<std::string> corpus;
  for (const BuiltinText& t : builtinTexts()) corpus.insert(corpus.end(), t.lines.begin(), t.lines.end());
  return corpus;
}

HistoryOverview weakOn(const std::string& keys, std::vector<MistypedWord> words = {}) {
  HistoryOverview o;
  for (const char c : keys) {
    WeakKey w;
    w.ch = static_cast<unsigned char>(c);
    w.needed = 50;
    w.missed = 10;
    o.weakKeys.push_back(w);
  }
  o.words = std::move(words);
  return o;
}

int count(const std::vector<std::string>& lines, char c) {
  int n = 0;
  for (const std::string& l : lines) n += static_cast<int>(std::count(l.begin(), l.end(), c));
  return n;
}

TEST(Drill, ConcentratesOnTheWeakKeysWithRealWords) {
  const std::vector<std::string> corpus = builtinCorpus();
  const DrillText drill = buildDrill(weakOn(w1252("gö ")), corpus);
  EXPECT_EQ(drill.weakKeys, w1252("gö"));
  ASSERT_GE(drill.lines.size(), 2u);
  std::size_t letters = 0;
  for (const std::string& l : drill.lines) {
    EXPECT_LE(l.size(), kDrillLineLength);
    EXPECT_FALSE(l.empty());
    letters += l.size();
  }
  // Far more of the weak keys than ordinary text has.
  const double share = (count(drill.lines, 'g') + count(drill.lines, '\xF6')) / static_cast<double>(letters);
  EXPECT_GT(share, 0.08) << share;
  // The words come from the texts, not from invented letter strings.
  std::string all;
  for (const std::string& l : corpus) all += l + " ";
  int fromTexts = 0, words = 0;
  for (const std::string& l : drill.lines) {
    std::size_t at = 0;
    while (at < l.size()) {
      const std::size_t end = std::min(l.find(' ', at), l.size());
      const std::string w = l.substr(at, end - at);
      ++words;
      fromTexts += all.find(w) != std::string::npos ? 1 : 0;
      at = end + 1;
    }
  }
  EXPECT_EQ(fromTexts, words);
  EXPECT_LE(drill.title.size(), 32u);
}

TEST(Drill, MistypedWordsComeFirstAndLast) {
  const DrillText drill =
      buildDrill(weakOn("", {{w1252("Grüße,"), 5, w1252("Gruße")}, {"Haus", 2, "Hasu"}}), builtinCorpus());
  ASSERT_GE(drill.lines.size(), 2u);
  EXPECT_EQ(drill.lines.front(), w1252("Grüße Grüße Grüße Haus Haus Haus"));
  EXPECT_EQ(drill.lines.back(), w1252("Grüße Haus"));
}

TEST(Drill, KeysInNoWordAreDrilledAloneAndNothingWeakGivesNoText) {
  const DrillText drill = buildDrill(weakOn("@"), {"Ein Satz ohne das Zeichen."});
  ASSERT_FALSE(drill.lines.empty());
  EXPECT_NE(drill.lines[0].find("@@@"), std::string::npos);
  EXPECT_TRUE(buildDrill(HistoryOverview{}, builtinCorpus()).lines.empty());
  EXPECT_TRUE(buildDrill(weakOn(" "), builtinCorpus()).lines.empty()) << "the space bar alone has no drill";
}

// Lesson 1 with two slips ("dsa" for "das", "fasss" for "fass") made a drill
// of two lines. Too little history to judge keys: the drill takes the keys
// missed most so far, then those practised most, and is a real exercise.
TEST(Drill, FewSlipsStillGiveARealExercise) {
  HistoryOverview o = weakOn("", {{"das", 1, "dsa"}, {"fass", 1, "fasss"}});
  for (const char c : std::string("asdfjkl")) o.keys[static_cast<unsigned char>(c)].needed = 40;
  o.keys[static_cast<unsigned char>('s')].missed = 1;
  o.keys[static_cast<unsigned char>('a')].missed = 1;
  for (const std::vector<std::string>& corpus : {builtinCorpus(), std::vector<std::string>{"das fass"}}) {
    const DrillText drill = buildDrill(o, corpus);
    EXPECT_TRUE(drill.tooLittleHistory);
    EXPECT_GE(drill.lines.size(), kDrillLinesAtLeast) << corpus.size();
    ASSERT_FALSE(drill.lines.empty());
    EXPECT_EQ(drill.lines.front(), "das das das fass fass fass");
    EXPECT_EQ(drill.lines.back(), "das fass");
    // The keys missed come first among those taken in.
    EXPECT_EQ(drill.weakKeys.substr(0, 2), "as");
    for (const std::string& l : drill.lines) EXPECT_LE(l.size(), kDrillLineLength);
  }
  // Enough weak keys: the history is long enough to judge.
  EXPECT_FALSE(buildDrill(weakOn("gkl"), builtinCorpus()).tooLittleHistory);
}

}  // namespace
}  // namespace kv
