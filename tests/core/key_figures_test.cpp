#include "history/key_figures.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace kv {
namespace {

TEST(KeyFigures, SayWhatTheMapShowsInWords) {
  const std::vector<unsigned char> f = {'f', 'F'};
  EXPECT_EQ(cp1252ToUtf8(keyMissFigure(f, {120, 7})), "Taste F: 7-mal verfehlt bei 120 Anschlägen (5,8 %)");
  EXPECT_EQ(cp1252ToUtf8(keyMissFigure(f, {40, 0})), "Taste F: nie verfehlt bei 40 Anschlägen (0,0 %)");
  EXPECT_EQ(cp1252ToUtf8(keyMissFigure(f, {5, 5})), "Taste F: 5-mal verfehlt bei 5 Anschlägen (100,0 %)");
  // Too few strokes for a rate: the map leaves such keys untinted.
  EXPECT_EQ(cp1252ToUtf8(keyMissFigure(f, {4, 3})), "Taste F: zu selten geübt (4 Anschläge)");
  EXPECT_EQ(cp1252ToUtf8(keyMissFigure(f, {1, 1})), "Taste F: zu selten geübt (1 Anschlag)");
  EXPECT_EQ(cp1252ToUtf8(keyMissFigure(f, {0, 0})), "Taste F: noch nicht geübt");
}

TEST(KeyFigures, NameAKeyByItsCapitalOrElseItsFirstCharacter) {
  EXPECT_EQ(cp1252ToUtf8(keyMapName({'q', 'Q', '@'})), "Q");
  EXPECT_EQ(cp1252ToUtf8(keyMapName({0xF6, 0xD6})), "Ö");
  EXPECT_EQ(cp1252ToUtf8(keyMapName({'1', '!'})), "1");
  EXPECT_EQ(cp1252ToUtf8(keyMapName({' '})), "Leertaste");
  EXPECT_EQ(keyMapName({}), "");
}

}  // namespace
}  // namespace kv
