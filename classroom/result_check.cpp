#include "classroom/result_check.h"

#include <algorithm>

#include "core/settings.h"
#include "evaluation/comparison.h"
#include "evaluation/summary.h"
#include "keyboard/key_table.h"
#include "platform/encoding.h"
#include "session/exercise_session.h"

namespace kv {
namespace {

// A key table of its own: the teacher window checks results on a worker
// thread while the program's table may be rebuilt, and the weights of the
// German keyboard model do not depend on the machine.
class PrivateKeys final : public KeyboardLookup {
 public:
  PrivateKeys() { RebuildKeyTable(table_); }
  void rebuild() override { RebuildKeyTable(table_); }
  int findKey(unsigned char ch) override { return FindKey(table_, ch, nullptr); }
  int modifierOf(int index) override { return static_cast<int>(ModifierOf(table_, index)); }

 private:
  KeyTable table_;
};

// The keystrokes before the comparison takes its one away, as the exercise
// window hands them over.
std::uint32_t handedOverKeystrokes(const std::vector<std::string>& typedLines, std::string* typedText) {
  PrivateKeys keys;
  HandedOverText handed = prepareTypedText(typedLines, 0, keys);
  if (typedText != nullptr) *typedText = std::move(handed.typedText);
  return handed.keystrokes;
}

std::string joinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text.append(line).append("\r\n");
  return text;
}

}  // namespace

std::string figuresMismatchText() { return w1252("Kennzahlen passen nicht zum geschriebenen Text"); }

std::int64_t keystrokesOfTypedLines(const std::vector<std::string>& typedLines) {
  const std::uint32_t handed = handedOverKeystrokes(typedLines, nullptr);
  return handed > 0 ? static_cast<std::int64_t>(handed) - 1 : 0;
}

std::optional<std::string> figuresProblem(const ClassResult& result) {
  // Files of the earlier generation counted by rules this version does not
  // know; they are shown in compatibility view and not judged here.
  if (!result.valid || result.compatibility) return std::nullopt;
  if (result.typedLines.empty()) return figuresMismatchText();
  if (keystrokesOfTypedLines(result.typedLines) != result.keystrokes) return figuresMismatchText();
  return std::nullopt;
}

std::optional<std::string> exerciseProblem(const ClassResult& result, const ExpectedExercise& test) {
  const std::int32_t learnerSeconds = test.seconds;
  if (!result.valid) return result.status;
  if (const auto own = figuresProblem(result)) return own;
  if (result.compatibility) return w1252("nicht mit dieser Klassenarbeit geschrieben (Klavento 5.0)");
  if (result.text != test.title) return w1252("anderer Text als in der Klassenarbeit");
  if (result.form.rfind(formName(test.form), 0) != 0) return w1252("andere Übungsform als in der Klassenarbeit");
  if (result.correctionAllowed != test.correctionAllowed) {
    return test.correctionAllowed ? w1252("ohne Korrekturmöglichkeit geschrieben, die Klassenarbeit erlaubt sie")
                                   : w1252("mit Korrekturmöglichkeit geschrieben, die Klassenarbeit erlaubt sie nicht");
  }
  // The exercise counts its time limit in whole minutes.
  const std::int32_t minutes = (std::max<std::int32_t>(learnerSeconds, 1) + 59) / 60;
  if (result.seconds > static_cast<std::int64_t>(minutes) * 60) return w1252("länger geschrieben als erlaubt");

  // The comparison again, by the program's own rules: how the exercise ended
  // is not in the file, so either ending may be the one.
  for (const bool limitReached : {true, false}) {
    TypedExercise again;
    again.keystrokes = handedOverKeystrokes(result.typedLines, &again.typedText);
    again.typedLineCount = static_cast<std::int32_t>(result.typedLines.size());
    again.templateText = joinLines(test.lines);
    ComparisonInputs inputs;
    inputs.form = static_cast<std::uint8_t>(test.form);
    inputs.pace = minutes;
    inputs.timeLimitReached = limitReached;
    compareTexts(again, inputs);
    if (static_cast<std::int64_t>(again.keystrokes) != result.keystrokes) continue;
    if (evaluationImpossible(again.errorCount)) {
      if (result.impossible) return std::nullopt;
      continue;
    }
    if (!result.impossible && again.errorCount == result.errors) return std::nullopt;
  }
  return figuresMismatchText();
}

}  // namespace kv
