// One typing exercise from the home-row prompt to the hand-over to the
// evaluation. The session decides; the exercise window draws. Everything the
// session needs from its window goes through SessionHost, so every timing
// rule runs against a fake clock in the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/settings.h"
#include "session/key_rhythm.h"
#include "evaluation/typed_exercise.h"
#include "texts/text_model.h"

namespace kv {

// Status bar panels while an exercise window is open.
enum StatusPanel { kPanelHint = 0, kPanelClock, kPanelSpeed, kPanelKeystrokes, kPanelProgress };

// Virtual-key codes the session reasons about.
namespace vk {
inline constexpr std::uint16_t Back = 8, Tab = 9, Return = 13, Shift = 16, Control = 17,
                               Menu = 18, Capital = 20, Space = 32, Prior = 33, Left = 37,
                               Down = 40, Delete = 46, F4 = 115, Oem5 = 220, Oem6 = 221;
}

struct ShiftState {
  bool shift = false;
  bool alt = false;
  bool ctrl = false;
  bool empty() const { return !shift && !alt && !ctrl; }
  void clear() { shift = alt = ctrl = false; }
};

// The keyboard model as the session sees it: lookups on the key table.
class KeyboardLookup {
 public:
  virtual ~KeyboardLookup() = default;
  virtual void rebuild() = 0;
  virtual int findKey(unsigned char ch) = 0;  // 0 = no key
  virtual int modifierOf(int index) = 0;      // 0 plain, 1-4 shift / AltGr steps
};

// What the session asks of its window.
class SessionHost {
 public:
  virtual ~SessionHost() = default;
  virtual std::uint32_t now() = 0;  // millisecond tick count

  // The typing field. Text uses CR LF between lines.
  virtual std::string fieldText() = 0;
  virtual std::vector<std::string> fieldLines() = 0;
  virtual int fieldLineCount() = 0;  // as the control reports it
  virtual void clearField() = 0;
  virtual void addFieldLine(const std::string& line) = 0;
  virtual bool fieldReadOnly() = 0;
  virtual void setFieldReadOnly(bool readOnly) = 0;
  virtual bool fieldHasFocus() = 0;
  virtual void prepareFieldForTyping() = 0;  // left-aligned, window-text colour
  virtual void applyTextSize() = 0;

  virtual void startPaceTimer(std::uint32_t periodMs) = 0;
  virtual void stopPaceTimer() = 0;
  virtual bool paceTimerRunning() = 0;
  virtual std::uint32_t pacePeriod() = 0;
  virtual void startClockTimer() = 0;
  virtual void stopClockTimer() = 0;
  virtual bool clockTimerRunning() = 0;

  virtual void setStatusText(int panel, const std::string& text) = 0;
  virtual void setStatusFivePanels(bool fivePanels) = 0;

  virtual void beep() = 0;
  virtual void pause(std::uint32_t ms) = 0;

  virtual void setCaption(const std::string& caption) = 0;
  virtual void setStartPrompt(const std::string& text) = 0;
  virtual void showStartPrompt(bool shown) = 0;
  virtual void enableStartPrompt(bool enabled) = 0;
  virtual void setEndButton(const std::string& caption, bool enabled) = 0;
  virtual void redrawDisplay() = 0;  // the form's display, from the session's state
  virtual void showLitKey(int key, int step, bool on) = 0;
  virtual void switchCapsLockOff() = 0;

  // Width of a banner line in the typing field's font at the initial size,
  // and the widest exercise line's width at that size.
  virtual int bannerWidth(const std::string& text) = 0;
  virtual int widestLineWidth() = 0;

  virtual void removeMouseFilter() = 0;
  virtual void removeKeyboardFilter() = 0;

  // The hand-over's modal windows and the main window's requests.
  virtual void runResultOptions() = 0;
  virtual void runEvaluation() = 0;
  virtual void letPendingMessagesRun() = 0;
  virtual void request(int n) = 0;
  virtual bool mainWindowSwitching() = 0;
  virtual bool mainWindowMayClose() = 0;
  virtual void closeMainWindow() = 0;
};

// The process-wide key table as the session sees it.
class KeyTableLookup final : public KeyboardLookup {
 public:
  void rebuild() override;
  int findKey(unsigned char ch) override;
  int modifierOf(int index) override;
};

// The typed lines as the evaluation receives them: blanks and control
// characters trimmed from each line, runs of empty lines folded into one,
// each line followed by CR LF, with the keystrokes the lines needed.
struct HandedOverText {
  std::string typedText;
  std::uint32_t keystrokes = 0;
  std::int32_t longestLine = 0;  // longest kept line + 1, at least `longestLine` given
  std::int32_t progressMax = 1;  // twice the separators, at least 1
};
HandedOverText prepareTypedText(const std::vector<std::string>& typedLines,
                                std::int32_t longestLine, KeyboardLookup& keys);
// The template lines, each followed by CR LF.
std::string joinTemplateLines(const std::vector<std::string>& lines);

class ExerciseSession {
 public:
  ExerciseSession(SessionHost& host, KeyboardLookup& keys, ExerciseParameters& params,
                  CurrentText& text, TypedExercise& typed);

  void prepare(Colour keyboardBackground);
  void onCharacter(std::uint8_t& ch);
  void onKeyDown(std::uint16_t& key, ShiftState& shift);
  void onTextChanged();
  void onPaceTick();
  void onClockTick();
  void onEndButton();
  void toggleStatus();
  void onActivate();
  void onDeactivate();
  bool onCloseRequest();
  void onClose();
  void startByPointer();
  void onPointerOnField();
  void onKeyReleased();

  // The input filters. The low-level filter answers whether to swallow the
  // event; the thread fallback counts nothing.
  void filtersInstalled();
  bool lowLevelKeyFilter(std::uint16_t key, bool injected, bool fieldActiveAndFocused);
  bool threadKeyFilter(std::uint16_t key, bool fieldActiveAndFocused) const;

  // What the form's display shows now.
  std::vector<std::string> runningTextRows() const;
  std::vector<std::string> templateRows() const;
  // Repaint of the keyboard display must not lose the light.
  void relight();

  // State the window and the evaluation read.
  bool ready() const { return ready_; }
  bool running() const { return running_; }
  bool ended() const { return ended_; }
  bool waitingForStart() const { return promptShown_; }
  bool timeLimitReached() const { return timeLimitReached_; }
  std::uint32_t startTick() const { return startTick_; }
  std::uint32_t endTick() const { return endTick_; }
  std::int32_t physicalKeys() const { return physicalKeys_; }
  std::int32_t injectedKeys() const { return injectedKeys_; }
  std::int32_t liveKeystrokes() const { return liveKeystrokes_; }
  std::int32_t lineIndex() const { return lineIndex_; }
  std::int32_t column() const { return column_; }
  std::int32_t firstShownLine() const { return firstShownLine_; }
  int litKey() const { return litKey_; }
  int litStep() const { return litStep_; }
  bool keyLit() const { return keyLit_; }
  bool endOfText() const { return endOfText_; }
  int tickPhase() const { return tickPhase_; }
  std::uint32_t charInterval() const { return charInterval_; }
  std::uint32_t paceInterval() const { return paceInterval_; }
  std::uint32_t pendingLineInterval() const { return pendingLineInterval_; }
  std::uint16_t regularCount() const { return regularCount_; }
  std::uint32_t meanInterval() const { return meanInterval_; }
  std::int32_t typedLineCount() const { return typedLineCount_; }
  // Twice the separators of the handed-over text: the comparison's steps.
  std::int32_t progressMax() const { return progressMax_; }
  bool lastKeyInjected() const { return lastKeyInjected_; }
  // The time to each typed character since the keystroke before, for the
  // learning history; pauses and the keys before the start do not count.
  const KeyRhythm& rhythm() const { return rhythm_; }
  void setLongestLineIndex(std::int32_t index) { longestLineIndex_ = index; }
  Colour textColour() const { return textColour_; }
  int textSize() const { return textSize_; }

  static std::string captionFor(const ExerciseParameters& params);
  static Colour textColourFor(Colour background);
  static std::string startPromptText();

 private:
  bool clockedPace() const { return hasPace(form()) && params_.pace >= 1; }
  bool timeLimited() const { return hasTimeLimit(form()) && (params_.pace >= 1 || params_.limitSeconds > 0); }
  // A class test may give half minutes; everything else counts whole ones.
  std::uint32_t limitSeconds() const {
    return params_.limitSeconds > 0 ? static_cast<std::uint32_t>(params_.limitSeconds)
                                    : static_cast<std::uint32_t>(params_.pace) * 60u;
  }
  ExerciseForm form() const { return formOf(params_.form); }
  bool allowedControl(std::uint8_t ch) const;

  void start();
  void performEnd();
  void handOver();
  void voidExercise();
  void fillStatusIdle();
  void showHint();
  std::string expandedLine(std::int32_t index) const;
  bool lastLine() const;

  // Laufschrift.
  void advanceRunningText();
  void computeLinePeriod();
  // Leuchttastei.
  void advanceLighting();
  void light(bool on);
  void designate(unsigned char ch);
  void typedCharacterLighting();
  // Textvorgabe.
  void scrollTemplateRows();

  SessionHost& host_;
  KeyboardLookup& keys_;
  ExerciseParameters& params_;
  CurrentText& text_;
  TypedExercise& typed_;

  bool ready_ = false;
  bool running_ = false;
  bool ended_ = false;
  bool promptShown_ = false;
  bool handedOver_ = false;
  std::uint32_t startTick_ = 0;
  std::uint32_t clockStartTick_ = 0;
  std::uint32_t clockTick_ = 0;
  std::uint32_t lastTimerTick_ = 0;
  std::uint32_t endTick_ = 0;
  bool timeLimitReached_ = false;
  std::int32_t lineIndex_ = 0;
  std::int32_t column_ = 1;
  std::int32_t firstShownLine_ = 0;
  std::int32_t longestLineIndex_ = 0;
  int litKey_ = 0;
  int litStep_ = 0;
  bool keyLit_ = false;
  bool endOfText_ = false;
  int tickPhase_ = 0;
  std::uint32_t charInterval_ = 0;
  std::uint32_t paceInterval_ = 0;
  std::uint32_t pendingLineInterval_ = 0;
  std::uint32_t lastPaceTick_ = 0;
  std::int32_t lengthWatermark_ = 0;
  std::uint32_t prevKeyTick_ = 0;
  std::uint32_t thisKeyTick_ = 0;
  std::uint32_t meanInterval_ = 0;
  std::uint16_t regularCount_ = 0;
  std::uint8_t lastChar_ = 0;
  KeyRhythm rhythm_;
  std::uint32_t rhythmTick_ = 0;
  bool lastKeyInjected_ = false;
  std::int32_t physicalKeys_ = 0;
  std::int32_t injectedKeys_ = 0;
  std::int32_t liveKeystrokes_ = 0;
  std::uint32_t lastThrottleTick_ = 0;
  Colour textColour_ = 0;
  int textSize_ = 8;
  std::int32_t typedLineCount_ = 0;
  std::int32_t progressMax_ = 0;
  bool paceBusy_ = false;
  bool clockBusy_ = false;
  bool fivePanels_ = true;
};

// What the mouse filter does with one pointer event.
enum class PointerEvent { Move, NonClientMove, ButtonDown, ButtonUp, Wheel, Other };
struct PointerDecision {
  bool swallow = false;
  bool focusField = false;
  bool activateMainWindow = false;
};
// Clicks can neither move the caret nor select text; a press only gives the
// typing field the focus and brings the program to the front.
PointerDecision mouseFilterDecision(bool targetIsField, PointerEvent event,
                                    bool fieldIsActiveControl, bool mainWindowActive);

// Keys the keyboard filter lets through while the typing field has the focus.
bool isAllowedKey(std::uint16_t key);

}  // namespace kv
