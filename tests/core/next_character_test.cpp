// The learner's next character and the display row that shows it: what a
// screen reader says and where a magnifier looks, in each form.
#include "session/next_character.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace kv {
namespace {

const std::vector<std::string> kText = {"Ab c", "de", "Fg"};

TEST(NextCharacter, FollowsTheTypedLinesThroughLineEndsToTheEnd) {
  NextCharacter n = nextCharacter(kText, {""}, ExerciseForm::OnScreenText, 0, 0);
  EXPECT_EQ(n.kind, NextCharacter::Kind::Character);
  EXPECT_EQ(n.ch, 'A');
  EXPECT_EQ(n.row, 0);
  EXPECT_EQ(spokenCharacter(n), w1252("großes A"));

  n = nextCharacter(kText, {"Ab"}, ExerciseForm::OnScreenText, 0, 0);
  EXPECT_EQ(spokenCharacter(n), "Leerzeichen");
  EXPECT_EQ(n.column, 2);

  // Typed past a mistake: the place counts, not what was typed.
  n = nextCharacter(kText, {"Xb c"}, ExerciseForm::OnScreenText, 0, 0);
  EXPECT_EQ(n.kind, NextCharacter::Kind::LineEnd);
  EXPECT_EQ(spokenCharacter(n), "Zeilenschaltung");

  n = nextCharacter(kText, {"Ab c", "de", "Fg"}, ExerciseForm::OnScreenText, 0, 0);
  EXPECT_EQ(n.kind, NextCharacter::Kind::None) << "the whole text is typed";
  EXPECT_EQ(spokenCharacter(n), "");
  EXPECT_EQ(nextCharacter(kText, {"Ab c", "de", "Fg", ""}, ExerciseForm::OnScreenText, 0, 0).kind,
            NextCharacter::Kind::None);
  EXPECT_EQ(nextCharacter({}, {""}, ExerciseForm::OnScreenText, 0, 0).kind, NextCharacter::Kind::None);
}

TEST(NextCharacter, RowIsWhereEachFormShowsTheLine) {
  // The template shows six lines from the first shown one.
  std::vector<std::string> many(10, "xy");
  std::vector<std::string> typed(8, "xy");
  typed.back() = "x";
  EXPECT_EQ(nextCharacter(many, typed, ExerciseForm::OnScreenText, 4, 0).row, 3);
  EXPECT_EQ(nextCharacter(many, typed, ExerciseForm::OnScreenText, 0, 0).row, -1) << "scrolled out";
  // The running text: the revealed line below the one before it.
  EXPECT_EQ(nextCharacter(many, typed, ExerciseForm::RunningText, 0, 7).row, 1);
  EXPECT_EQ(nextCharacter(many, typed, ExerciseForm::RunningText, 0, 8).row, 0);
  EXPECT_EQ(nextCharacter(many, {"x"}, ExerciseForm::RunningText, 0, 0).row, 0);
  EXPECT_EQ(nextCharacter(many, typed, ExerciseForm::RunningText, 0, 9).row, -1);
  // Keys and paper show no text.
  EXPECT_EQ(nextCharacter(many, typed, ExerciseForm::LitKeys, 0, 7).row, -1);
  EXPECT_EQ(nextCharacter(many, typed, ExerciseForm::FromPaper, 0, 7).row, -1);
}

TEST(NextCharacter, SignsAreReadByTheirNames) {
  auto spoken = [](char c) {
    NextCharacter n;
    n.kind = NextCharacter::Kind::Character;
    n.ch = static_cast<unsigned char>(c);
    return spokenCharacter(n);
  };
  EXPECT_EQ(spoken(','), "Komma");
  EXPECT_EQ(spoken('.'), "Punkt");
  EXPECT_EQ(spoken('f'), "f");
  EXPECT_EQ(spoken('7'), "7");
  EXPECT_EQ(spoken(w1252("Ü")[0]), w1252("großes Ü"));
  EXPECT_EQ(spoken(w1252("ü")[0]), w1252("ü"));
  EXPECT_EQ(spoken(w1252("ß")[0]), "scharfes S");
  EXPECT_EQ(spoken(w1252("€")[0]), "Euro");
}

}  // namespace
}  // namespace kv
