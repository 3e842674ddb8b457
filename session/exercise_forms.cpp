// How each exercise form presents the template while the learner types: the
// running text of Laufschrift, the lit keys of Leuchttastei and the template
// rows of Textvorgabe auf Bildschirm.
#include "session/exercise_session.h"

#include <algorithm>

#include "keyboard/dead_keys.h"
#include "keyboard/key_table.h"

namespace kv {
namespace {

constexpr std::uint8_t kMiddleDot = 0xB7;

}  // namespace

// ---------------------------------------------------------------------------
// Laufschrift

std::vector<std::string> ExerciseSession::runningTextRows() const {
  std::vector<std::string> rows;
  if (!running_ || text_.lines.empty()) return rows;
  const std::string& line = text_.lines[static_cast<std::size_t>(lineIndex_)];
  std::string revealed;
  if (static_cast<std::size_t>(column_) > line.size()) {
    revealed = lastLine() ? line : line + " ";
  } else {
    revealed = line.substr(0, static_cast<std::size_t>(column_));
  }
  if (lineIndex_ > 0) {
    std::string previous = text_.lines[static_cast<std::size_t>(lineIndex_ - 1)];
    if (previous.empty() || previous.back() != ' ') previous += ' ';
    rows.push_back(std::move(previous));
  }
  rows.push_back(std::move(revealed));
  for (std::string& row : rows) {
    std::replace(row.begin(), row.end(), ' ', static_cast<char>(kMiddleDot));
  }
  return rows;
}

void ExerciseSession::computeLinePeriod() {
  if (params_.pace < 1 || column_ != 1 || text_.lines.empty()) return;
  std::string t = text_.lines[static_cast<std::size_t>(lineIndex_)];
  if (!lastLine()) t += ' ';
  const std::int32_t w = countKeystrokes(t);
  if (t.empty() || w <= 0) return;
  const auto x = static_cast<std::uint32_t>(static_cast<std::uint64_t>(w) * charInterval_ / t.size());
  pendingLineInterval_ = x == paceInterval_ ? 0 : x;
}

void ExerciseSession::advanceRunningText() {
  if (text_.lines.empty()) return;
  const std::string& line = text_.lines[static_cast<std::size_t>(lineIndex_)];
  const auto length = static_cast<std::int32_t>(line.size());
  if (column_ < length) {
    ++column_;
  } else if (column_ == length && !line.empty() && line.back() == ' ') {
    ++column_;
  } else if (!lastLine()) {
    ++lineIndex_;
    column_ = 1;
    computeLinePeriod();
  } else {
    host_.stopPaceTimer();
    return;
  }
  host_.redrawDisplay();
}

// ---------------------------------------------------------------------------
// Leuchttastei

void ExerciseSession::designate(unsigned char ch) {
  litKey_ = keys_.findKey(ch);
  const int modifier = litKey_ != 0 ? keys_.modifierOf(litKey_) : 0;
  litStep_ = modifier != 0 ? modifier : 1;
}

void ExerciseSession::light(bool on) {
  if (on) {
    keyLit_ = litKey_ != 0 && keys_.modifierOf(litKey_) < litStep_;
  } else {
    keyLit_ = false;
  }
  host_.showLitKey(litKey_, litStep_, on);
}

void ExerciseSession::relight() {
  if (form() != ExerciseForm::LitKeys || !running_ || endOfText_ || tickPhase_ >= 4) return;
  keyLit_ = false;
  light(true);
}

void ExerciseSession::advanceLighting() {
  if (endOfText_) return;
  if (keyLit_) light(false);
  const std::string e = expandedLine(lineIndex_);
  const auto length = static_cast<std::int32_t>(e.size());
  // A pending modifier step is finished first wherever the character stands;
  // otherwise the last character of a line would never show its own key.
  if (litKey_ != 0 && keys_.modifierOf(litKey_) >= litStep_) {
    ++litStep_;
  } else if (column_ < length || (column_ == length && !e.empty() && e.back() == ' ')) {
    ++column_;
    designate(column_ <= length ? static_cast<unsigned char>(e[static_cast<std::size_t>(column_ - 1)])
                                : static_cast<unsigned char>(' '));
  } else if (!lastLine()) {
    ++lineIndex_;
    column_ = 1;
    const std::string next = expandedLine(lineIndex_);
    if (next.empty()) {
      litKey_ = 0;
      litStep_ = 1;
    } else {
      designate(static_cast<unsigned char>(next[0]));
    }
  } else {
    endOfText_ = true;
    return;
  }
  light(true);
}

void ExerciseSession::typedCharacterLighting() {
  if (!endOfText_) {
    if (litKey_ != 0 && keys_.modifierOf(litKey_) >= litStep_) {
      keyLit_ = true;
      ++litStep_;
    }
    advanceLighting();
    if (lastKeyInjected_ && litKey_ != 0 && keys_.modifierOf(litKey_) == litStep_) {
      advanceLighting();
    }
  } else if (keyLit_) {
    light(false);
  }
}

// ---------------------------------------------------------------------------
// Textvorgabe auf Bildschirm

std::vector<std::string> ExerciseSession::templateRows() const {
  std::vector<std::string> rows;
  if (!running_) return rows;
  for (std::int32_t i = firstShownLine_;
       i < firstShownLine_ + 6 && static_cast<std::size_t>(i) < text_.lines.size(); ++i) {
    rows.push_back(text_.lines[static_cast<std::size_t>(i)]);
  }
  return rows;
}

void ExerciseSession::scrollTemplateRows() {
  std::int32_t n = std::max(host_.fieldLineCount() - 5, 0);
  const auto last = static_cast<std::int32_t>(text_.lines.size()) - 6;
  if (n > last) n = last;
  n = std::max(n, 0);
  if (n != firstShownLine_) {
    firstShownLine_ = n;
    host_.redrawDisplay();
  }
}

}  // namespace kv
