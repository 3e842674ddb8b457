#include "session/exercise_session.h"

#include <algorithm>
#include <array>

#include "core/common.h"
#include "core/palette.h"
#include "keyboard/dead_keys.h"
#include "keyboard/key_table.h"
#include "platform/encoding.h"

namespace kv {
namespace {

constexpr std::uint32_t kTimeLimitCheckMs = 775;
constexpr std::uint16_t kRegularLimit = 35;
constexpr std::int32_t kPasteLimit = 25;
constexpr std::uint32_t kThrottleGapMs = 150;
constexpr std::uint32_t kThrottlePauseMs = 95;

std::string withNumber(int wordIndex, std::int64_t number) {
  std::string pattern = uiWord(wordIndex);
  const auto at = pattern.find("%s");
  if (at != std::string::npos) pattern.replace(at, 2, std::to_string(number));
  return pattern;
}

bool isSeparator(char c) {
  switch (c) {
    case ' ': case '!': case '(': case ')': case ',': case '.': case ':': case ';': case '?':
      return true;
    default:
      return false;
  }
}

// Later ticks compare as later across the wrap of the 32-bit counter.
bool tickAfter(std::uint32_t later, std::uint32_t earlier) {
  const std::uint32_t d = tickDiff(later, earlier);
  return d != 0 && d < 0x80000000u;
}

}  // namespace

void KeyTableLookup::rebuild() { RebuildKeyTable(); }
int KeyTableLookup::findKey(unsigned char ch) { return FindKey(ch); }
int KeyTableLookup::modifierOf(int index) { return static_cast<int>(ModifierOf(index)); }

HandedOverText prepareTypedText(const std::vector<std::string>& typedLines,
                                std::int32_t longestLine, KeyboardLookup& keys) {
  HandedOverText out;
  out.longestLine = longestLine;
  std::int32_t separators = 0;
  // Kept lines from the last one up; joined in reading order at the end.
  std::vector<std::string> kept;
  std::size_t keptBytes = 0;
  bool belowWasEmpty = false;
  bool first = true;
  // Keystrokes per typed character, dead-key expansion included: a long
  // exercise has tens of thousands of characters and only 256 kinds.
  std::array<std::uint8_t, 256> strokes{};
  for (int b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    for (char part : ExpandDeadKeys(std::string_view(&c, 1), true)) {
      const int key = keys.findKey(static_cast<unsigned char>(part));
      const int weight = key == 0 ? 3 : (keys.modifierOf(key) == 0 ? 1 : 2);
      strokes[static_cast<std::size_t>(b)] =
          static_cast<std::uint8_t>(strokes[static_cast<std::size_t>(b)] + weight);
    }
  }
  for (std::size_t k = typedLines.size(); k-- > 0;) {
    std::string_view raw = typedLines[k];
    while (!raw.empty() && static_cast<unsigned char>(raw.front()) <= 32) raw.remove_prefix(1);
    while (!raw.empty() && static_cast<unsigned char>(raw.back()) <= 32) raw.remove_suffix(1);
    std::string line(raw);
    for (char& c : line) {
      if (static_cast<unsigned char>(c) < 32) c = ' ';
      if (isSeparator(c)) ++separators;
    }
    if (line.empty() && belowWasEmpty && !first) continue;
    belowWasEmpty = line.empty();
    first = false;
    out.longestLine = std::max(out.longestLine, static_cast<std::int32_t>(line.size()) + 1);
    for (char c : line) out.keystrokes += strokes[static_cast<unsigned char>(c)];
    out.keystrokes += strokes[' '];  // the line break counts as one keystroke, like a blank
    keptBytes += line.size() + 2;
    kept.push_back(std::move(line));
  }
  std::string typed;
  typed.reserve(keptBytes);
  for (auto it = kept.rbegin(); it != kept.rend(); ++it) typed.append(*it).append("\r\n");
  // An exercise ended before anything was typed still hands over one line end.
  if (typed.empty()) typed = "\r\n";
  out.typedText = std::move(typed);
  out.progressMax = separators * 2 > 0 ? separators * 2 : 1;
  return out;
}

std::string joinTemplateLines(const std::vector<std::string>& lines) {
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines) text.append(line).append("\r\n");
  return text;
}

PointerDecision mouseFilterDecision(bool targetIsField, PointerEvent event,
                                    bool fieldIsActiveControl, bool mainWindowActive) {
  PointerDecision d;
  if (!targetIsField) return d;
  if (event == PointerEvent::ButtonDown) {
    d.focusField = !fieldIsActiveControl;
    d.activateMainWindow = !mainWindowActive;
  }
  d.swallow = event != PointerEvent::Move && event != PointerEvent::NonClientMove;
  return d;
}

bool isAllowedKey(std::uint16_t key) {
  switch (key) {
    case 9: case 13: case 16: case 17: case 18: case 20: case 32: case 91: case 92: case 115:
    case 226:
      return true;
    default:
      break;
  }
  return (key >= 48 && key <= 57) || (key >= 65 && key <= 90) || (key >= 160 && key <= 165) ||
         (key >= 186 && key <= 192) || (key >= 219 && key <= 222);
}

ExerciseSession::ExerciseSession(SessionHost& host, KeyboardLookup& keys,
                                 ExerciseParameters& params, CurrentText& text,
                                 TypedExercise& typed)
    : host_(host), keys_(keys), params_(params), text_(text), typed_(typed) {}

std::string ExerciseSession::captionFor(const ExerciseParameters& params) {
  std::string caption = formName(params.form);
  if (params.correctionAllowed) {
    // "(mit Korrekturmöglichkeit)" without "möglichkeit" reads "(mit Korrektur)".
    std::string word = uiWord(23);
    word.erase(14, 11);
    caption += " " + word;
  } else if (hasPace(formOf(params.form)) && params.pace == 0) {
    caption += " " + uiWord(27);
  }
  return caption;
}

Colour ExerciseSession::textColourFor(Colour background) { return palette::textColourOn(background); }

std::string ExerciseSession::startPromptText() {
  return w1252(
      "\rHinweis: Die Fenstergröße kann durch Ziehen mit der Maus geändert werden.\r\r"
      ">>>  Start mit Leertaste   <<<");
}

bool ExerciseSession::allowedControl(std::uint8_t ch) const {
  if (ch == 13 || ch == 17 || ch == 18) return true;
  return ch == 8 && params_.correctionAllowed;
}

std::string ExerciseSession::expandedLine(std::int32_t index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= text_.lines.size()) return {};
  return ExpandDeadKeys(text_.lines[static_cast<std::size_t>(index)], true);
}

bool ExerciseSession::lastLine() const {
  return static_cast<std::size_t>(lineIndex_) + 1 >= text_.lines.size();
}

// ---------------------------------------------------------------------------
// Preparation and start

void ExerciseSession::prepare(Colour keyboardBackground) {
  ready_ = false;
  host_.stopPaceTimer();
  host_.stopClockTimer();
  startTick_ = clockStartTick_ = clockTick_ = lastTimerTick_ = endTick_ = 0;
  timeLimitReached_ = false;
  liveKeystrokes_ = 0;
  physicalKeys_ = injectedKeys_ = 0;
  ended_ = false;
  handedOver_ = false;
  paceBusy_ = clockBusy_ = false;

  textColour_ = textColourFor(keyboardBackground);
  keys_.rebuild();

  typedLineCount_ = 0;
  lastChar_ = 0;
  prevKeyTick_ = thisKeyTick_ = meanInterval_ = 0;
  regularCount_ = 0;
  tickPhase_ = 0;
  charInterval_ = paceInterval_ = pendingLineInterval_ = 0;
  endOfText_ = false;
  lastThrottleTick_ = host_.now();
  firstShownLine_ = 0;
  column_ = 1;
  lineIndex_ = 0;
  lastKeyInjected_ = false;
  running_ = false;
  textSize_ = 8;

  const std::string first = expandedLine(0);
  litKey_ = first.empty() ? 0 : keys_.findKey(static_cast<unsigned char>(first[0]));
  const int modifier = litKey_ != 0 ? keys_.modifierOf(litKey_) : 0;
  litStep_ = modifier != 0 ? modifier : 1;
  keyLit_ = false;

  host_.setCaption(captionFor(params_));
  host_.clearField();
  lengthWatermark_ = 0;

  std::string banner = w1252("+++ Grundstellung einnehmen +++");
  const std::string piece = w1252(" Grundstellung einnehmen +++");
  const int widest = host_.widestLineWidth();
  // A banner that can never reach the width stops at a sane length.
  while (banner.size() < 2000 && host_.bannerWidth(banner + piece) < widest) banner += piece;
  for (int i = 0; i < 100; ++i) host_.addFieldLine(banner);
  host_.setFieldReadOnly(true);

  params_.statusVisible = !clockedPace();
  fivePanels_ = true;
  host_.setStatusFivePanels(true);
  showHint();
  fillStatusIdle();

  host_.setStartPrompt(startPromptText());
  host_.showStartPrompt(true);
  promptShown_ = true;
  ready_ = true;
}

void ExerciseSession::filtersInstalled() {
  injectedKeys_ = 0;
  physicalKeys_ = 0;
}

void ExerciseSession::showHint() {
  host_.setStatusText(kPanelHint, uiWord(params_.statusVisible ? 34 : 33));
}

void ExerciseSession::fillStatusIdle() {
  if (params_.statusVisible) {
    host_.setStatusText(kPanelClock,
                        formatTimeText(timeLimited() ? static_cast<std::int64_t>(limitSeconds()) : 0));
    host_.setStatusText(kPanelSpeed, withNumber(35, 0));
    host_.setStatusText(kPanelKeystrokes, withNumber(36, 0));
  } else {
    host_.setStatusText(kPanelClock, timeLimited() && running_ ? "Timer aktiv" : "");
    host_.setStatusText(kPanelSpeed, "");
    host_.setStatusText(kPanelKeystrokes, "");
  }
  host_.setStatusText(kPanelProgress, "");
}

void ExerciseSession::startByPointer() {
  if (!promptShown_ || !host_.fieldReadOnly() || ended_) return;
  std::uint8_t space = ' ';
  onCharacter(space);
}

void ExerciseSession::start() {
  if (params_.correctionAllowed) host_.removeMouseFilter();
  host_.showStartPrompt(false);
  promptShown_ = false;
  running_ = true;
  rhythm_.clear();
  rhythmTick_ = 0;
  host_.clearField();
  host_.prepareFieldForTyping();
  lengthWatermark_ = 0;
  host_.setFieldReadOnly(false);

  const std::uint32_t now = host_.now();
  auto setTicks = [&] {
    startTick_ = lastTimerTick_ = clockStartTick_ = clockTick_ = endTick_ = now;
  };
  switch (form()) {
    case ExerciseForm::RunningText:
      if (params_.pace >= 1) {
        tickPhase_ = 0;
        charInterval_ = paceInterval_ = static_cast<std::uint32_t>(60000 / params_.pace);
        pendingLineInterval_ = 0;
      }
      computeLinePeriod();
      host_.redrawDisplay();
      setTicks();
      if (params_.pace >= 1) {
        std::uint32_t period = charInterval_;
        if (pendingLineInterval_ != 0) {
          paceInterval_ = pendingLineInterval_;
          period = pendingLineInterval_;
          pendingLineInterval_ = 0;
        }
        lastPaceTick_ = now;
        host_.startPaceTimer(period);
      }
      break;
    case ExerciseForm::LitKeys:
      light(true);
      if (lastKeyInjected_ && litKey_ != 0 && litStep_ == keys_.modifierOf(litKey_)) {
        advanceLighting();
      }
      setTicks();
      if (params_.pace >= 1) {
        tickPhase_ = 1;
        paceInterval_ = static_cast<std::uint32_t>(60000 / params_.pace / 4);
        lastPaceTick_ = now;
        host_.startPaceTimer(paceInterval_);
      }
      break;
    case ExerciseForm::OnScreenText:
      host_.redrawDisplay();
      setTicks();
      if (params_.pace >= 1) {
        tickPhase_ = 0;
        host_.startPaceTimer(kTimeLimitCheckMs);
      }
      break;
    case ExerciseForm::FromPaper:
    default:
      host_.applyTextSize();
      setTicks();
      if (params_.pace >= 1) {
        tickPhase_ = 0;
        host_.startPaceTimer(kTimeLimitCheckMs);
      }
      break;
  }
  clockBusy_ = false;
  host_.startClockTimer();
  host_.setEndButton(w1252("&Beenden"), true);
}

// ---------------------------------------------------------------------------
// Typing

void ExerciseSession::onCharacter(std::uint8_t& ch) {
  if (promptShown_ && !ended_) {
    if (ch == ' ' && ready_) {
      ch = 0;
      start();
    } else {
      host_.beep();
      ch = 0;
    }
    return;
  }
  if (host_.fieldText().empty() && ch <= 32) ch = 0;
  if (!host_.fieldHasFocus()) ch = 0;
  if ((ch < 32 && !allowedControl(ch)) || ch == 127) ch = 0;
  if (host_.fieldReadOnly()) return;

  const std::uint32_t now = host_.now();
  thisKeyTick_ = now;
  endTick_ = now;

  if (prevKeyTick_ != 0 && tickAfter(thisKeyTick_, prevKeyTick_) && ch != lastChar_) {
    const std::uint32_t d = tickDiff(thisKeyTick_, prevKeyTick_);
    if (meanInterval_ == 0) {
      meanInterval_ = d;
    } else if (d < 2000 && ch >= 32) {
      const std::uint32_t window = meanInterval_ < 300 ? 15 : 25;
      const bool regular = d + window >= meanInterval_ && d <= meanInterval_ + window;
      if (meanInterval_ < 15) {
        regularCount_ = 0;
      } else if (regular) {
        ++regularCount_;
      } else {
        regularCount_ = 0;
      }
      meanInterval_ = static_cast<std::uint32_t>(roundHalfEven((d + meanInterval_) / 2.0));
    }
  }
  lastChar_ = ch;
  prevKeyTick_ = thisKeyTick_;
  if (running_ && !ended_ && ch != 0) {
    if (ch >= 32 && rhythmTick_ != 0 && tickAfter(now, rhythmTick_) &&
        tickDiff(now, rhythmTick_) <= kLongestKeyInterval) {
      rhythm_.add(ch, tickDiff(now, rhythmTick_));
    }
    rhythmTick_ = now;
  }

  if (ch >= 32) {
    if (form() == ExerciseForm::RunningText && params_.pace < 1) advanceRunningText();
    if (form() == ExerciseForm::LitKeys && params_.pace < 1) typedCharacterLighting();
  }
  if (form() == ExerciseForm::OnScreenText) scrollTemplateRows();

  if (regularCount_ >= kRegularLimit) voidExercise();
}

void ExerciseSession::voidExercise() {
  host_.setFieldReadOnly(true);
  host_.clearField();
  if (!ended_) onEndButton();
}

void ExerciseSession::onTextChanged() {
  if (ended_) {
    // Emptying sends another change; only an actual text needs clearing.
    if (!host_.fieldText().empty()) host_.clearField();
    typedLineCount_ = 0;
    return;
  }
  if (host_.fieldReadOnly()) return;
  const auto n = static_cast<std::int32_t>(host_.fieldText().size());
  if (n < lengthWatermark_ + kPasteLimit) {
    lengthWatermark_ = n;
  } else {
    host_.setFieldReadOnly(true);
    host_.clearField();
    onEndButton();
  }
}

void ExerciseSession::onKeyDown(std::uint16_t& key, ShiftState& shift) {
  const bool noLine = host_.fieldText().empty();
  if ((key == vk::Return || key == vk::Space) && noLine) {
    key = 0;
    shift.clear();
  }
  const bool onlyAlt = shift.alt && !shift.ctrl && !shift.shift;
  const bool onlyCtrl = shift.ctrl && !shift.alt && !shift.shift;
  const bool keep = (key == vk::Menu && onlyAlt) || (key >= vk::Left && key <= vk::Down && onlyCtrl);
  if (!keep && key != 0) {
    if (shift.ctrl != shift.alt) {
      if (!(key == vk::F4 && (onlyCtrl || onlyAlt))) key = 0;
    } else if (key == vk::F4) {
      key = 0;
    }
  }
  const bool correctionKey = key == vk::Back || key == vk::Delete || (key >= vk::Prior && key <= vk::Down);
  if (correctionKey && !host_.fieldReadOnly() && !params_.correctionAllowed) {
    key = 0;
    if (!ended_) {
      onEndButton();
      host_.beep();
    }
  }
  if (host_.fieldReadOnly()) return;
  if (noLine && key == 0 && shift.empty()) return;

  if (form() != ExerciseForm::LitKeys || params_.pace >= 1 || !running_ || endOfText_) return;
  if (key >= vk::Shift && key <= vk::Menu) {
    if (litKey_ != 0 && keys_.modifierOf(litKey_) == litStep_ && !lastKeyInjected_) {
      advanceLighting();
    }
    return;
  }
  if (key == vk::Shift) return;
  if (key >= 32) {
    light(false);
    const std::uint32_t now = host_.now();
    if (tickDiff(now, lastThrottleTick_) > kThrottleGapMs) {
      host_.pause(kThrottlePauseMs);
      lastThrottleTick_ = host_.now();
    }
  }
  if (key == vk::Oem5 || key == vk::Oem6) {
    // Dead keys give no character event of their own.
    const int step = litStep_;
    if (litKey_ != 0 && keys_.modifierOf(litKey_) >= step) litStep_ = step + 1;
    advanceLighting();
  }
}

void ExerciseSession::onPointerOnField() {
  if (!params_.correctionAllowed && !host_.fieldReadOnly() && !ended_) {
    onEndButton();
    host_.beep();
  }
}

void ExerciseSession::onKeyReleased() {
  if (form() == ExerciseForm::OnScreenText && !host_.fieldReadOnly()) scrollTemplateRows();
}

bool ExerciseSession::lowLevelKeyFilter(std::uint16_t key, bool injected,
                                        bool fieldActiveAndFocused) {
  if (!fieldActiveAndFocused) return false;
  lastKeyInjected_ = injected;
  const bool allowed = isAllowedKey(key);
  if (!params_.correctionAllowed && !allowed) return true;
  if (!host_.fieldReadOnly() && allowed && key >= 10 && key != vk::Capital) {
    if (injected) {
      ++injectedKeys_;
    } else {
      ++physicalKeys_;
    }
  }
  return false;
}

bool ExerciseSession::threadKeyFilter(std::uint16_t key, bool fieldActiveAndFocused) const {
  return fieldActiveAndFocused && !params_.correctionAllowed && !isAllowedKey(key);
}

// ---------------------------------------------------------------------------
// Timers

void ExerciseSession::onPaceTick() {
  if (paceBusy_ || !host_.paceTimerRunning()) return;
  paceBusy_ = true;
  const std::uint32_t now = host_.now();
  if (clockedPace()) {
    if (form() == ExerciseForm::RunningText && pendingLineInterval_ != 0) {
      if (pendingLineInterval_ * 2 >= paceInterval_ &&
          pendingLineInterval_ * 2 <= paceInterval_ * 3) {
        paceInterval_ = pendingLineInterval_;
      }
      host_.startPaceTimer(paceInterval_);
      pendingLineInterval_ = 0;
    } else if (tickAfter(now, lastPaceTick_)) {
      const std::int64_t e = paceInterval_;
      const std::int64_t d = tickDiff(now, lastPaceTick_);
      std::int64_t period = host_.pacePeriod();
      if (d < e - 1) {
        period += e - d;
      } else if (d > e + 1) {
        period -= d - e;
      }
      if (period * 2 < e || period * 2 > e * 3) period = e;
      if (period != static_cast<std::int64_t>(host_.pacePeriod())) {
        host_.startPaceTimer(static_cast<std::uint32_t>(period));
      }
    }
    lastPaceTick_ = now;
  }
  if (form() == ExerciseForm::RunningText) {
    advanceRunningText();
  } else if (form() == ExerciseForm::LitKeys) {
    const int p = tickPhase_;
    tickPhase_ = p + 1;
    if (p == 0) advanceLighting();
    if (tickPhase_ == 4) {
      if (litKey_ == 0 || keys_.modifierOf(litKey_) < litStep_) light(false);
      tickPhase_ = 0;
      if (endOfText_) {
        host_.stopPaceTimer();
        host_.beep();
      }
    }
  } else if (timeLimited()) {
    ++tickPhase_;
    lastTimerTick_ = now;
    const std::uint32_t elapsed = tickDiff(now, startTick_);
    if (elapsed / 1000 >= limitSeconds()) {
      endTick_ = startTick_ + limitSeconds() * 1000u;
      timeLimitReached_ = true;
      onEndButton();
      host_.beep();
    }
  }
  paceBusy_ = false;
}

void ExerciseSession::onClockTick() {
  if (clockBusy_ || !host_.clockTimerRunning() || promptShown_) return;
  clockBusy_ = true;
  clockTick_ = host_.now();
  const std::uint32_t elapsedMs = tickDiff(clockTick_, clockStartTick_);
  const std::int64_t elapsed = elapsedMs / 1000;
  if (params_.statusVisible) {
    liveKeystrokes_ = countKeystrokes(host_.fieldText());
    host_.setStatusText(kPanelClock,
                        formatTimeText(timeLimited() ? static_cast<std::int64_t>(limitSeconds()) - elapsed : elapsed));
    const std::int64_t s = std::max<std::int64_t>(elapsed, 1);
    host_.setStatusText(kPanelSpeed,
                        withNumber(35, roundHalfEven(static_cast<double>(liveKeystrokes_) /
                                                     static_cast<double>(s) * 60.0)));
    host_.setStatusText(kPanelKeystrokes, withNumber(36, liveKeystrokes_));
  } else {
    host_.setStatusText(kPanelClock, timeLimited() ? "Timer aktiv" : "");
    host_.setStatusText(kPanelSpeed, "");
    host_.setStatusText(kPanelKeystrokes, "");
  }
  host_.setStatusText(kPanelProgress, "");
  clockBusy_ = false;
}

void ExerciseSession::toggleStatus() {
  if (!fivePanels_) return;
  params_.statusVisible = !params_.statusVisible;
  showHint();
  if ((promptShown_ && !ended_) || !params_.statusVisible) fillStatusIdle();
}

// ---------------------------------------------------------------------------
// End and hand-over

void ExerciseSession::onEndButton() {
  if (handedOver_) return;
  if (ended_) {
    handOver();
    return;
  }
  performEnd();
}

void ExerciseSession::performEnd() {
  host_.setFieldReadOnly(true);
  host_.stopPaceTimer();
  host_.stopClockTimer();
  if (!timeLimited()) endTick_ = host_.now();
  running_ = false;
  if (static_cast<std::int32_t>(host_.fieldText().size()) >= lengthWatermark_ + kPasteLimit ||
      regularCount_ > kRegularLimit - 1) {
    host_.clearField();
  }
  if (host_.fieldText().empty()) host_.addFieldLine(" ");
  typedLineCount_ = host_.fieldLineCount();
  host_.addFieldLine("\r\n");
  host_.addFieldLine("*** Ende ***");
  ended_ = true;
  promptShown_ = false;
  fivePanels_ = false;
  host_.setStatusFivePanels(false);
  for (int panel = kPanelHint; panel <= kPanelProgress; ++panel) host_.setStatusText(panel, "");
  if (form() == ExerciseForm::LitKeys) {
    endOfText_ = true;
    light(false);
  }
  host_.redrawDisplay();
  if (!params_.correctionAllowed) host_.removeMouseFilter();
  host_.removeKeyboardFilter();
  host_.setEndButton(w1252("&Weiter >"), true);
}

void ExerciseSession::handOver() {
  host_.setEndButton(w1252("&Weiter >"), false);
  if (!host_.fieldReadOnly()) {
    host_.clearField();
    typedLineCount_ = 0;
  }
  host_.runResultOptions();

  typed_.typedText.clear();
  typed_.templateText.clear();
  typed_.keystrokes = 0;
  text_.longestLine = 0;
  if (longestLineIndex_ >= 0 && static_cast<std::size_t>(longestLineIndex_) < text_.lines.size()) {
    text_.longestLine =
        static_cast<std::int32_t>(text_.lines[static_cast<std::size_t>(longestLineIndex_)].size());
  }
  std::vector<std::string> lines = host_.fieldLines();
  lines.resize(std::min<std::size_t>(lines.size(), static_cast<std::size_t>(std::max(typedLineCount_, 0))));
  HandedOverText handed = prepareTypedText(lines, text_.longestLine, keys_);
  typed_.typedText = std::move(handed.typedText);
  typed_.keystrokes = handed.keystrokes;
  typed_.typedLineCount = typedLineCount_;
  text_.longestLine = handed.longestLine;
  progressMax_ = handed.progressMax;
  typed_.templateText = joinTemplateLines(text_.lines);
  text_.lines.clear();

  host_.letPendingMessagesRun();
  host_.runEvaluation();
  handedOver_ = true;
  host_.request(3);
}

// ---------------------------------------------------------------------------
// Activation and closing

void ExerciseSession::onActivate() {
  host_.enableStartPrompt(true);
  host_.switchCapsLockOff();
}

void ExerciseSession::onDeactivate() { host_.enableStartPrompt(false); }

bool ExerciseSession::onCloseRequest() {
  if (host_.mainWindowSwitching()) return true;
  return host_.mainWindowMayClose();
}

void ExerciseSession::onClose() {
  host_.stopPaceTimer();
  host_.stopClockTimer();
  fivePanels_ = false;
  host_.setStatusFivePanels(false);
  for (int panel = kPanelHint; panel <= kPanelProgress; ++panel) host_.setStatusText(panel, "");
  host_.removeMouseFilter();
  host_.removeKeyboardFilter();
  if (!host_.mainWindowSwitching()) host_.closeMainWindow();
}

}  // namespace kv
