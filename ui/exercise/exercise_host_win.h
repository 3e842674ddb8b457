// The exercise session's host in the exercise window: the typing field, the
// timers, the status line and the hand-over to the evaluation, as the
// session asks. What the window lays out and draws it leaves to the window,
// which it knows only as an ExerciseView.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "session/exercise_session.h"
#include "session/key_rhythm.h"
#include "ui/shared/child_window_win.h"

namespace kv {

// What the evaluation and the result window need of the exercise besides the
// typed-exercise record.
struct ExerciseOutcome {
  std::uint32_t startTick = 0;
  std::uint32_t endTick = 0;
  bool timeLimitReached = false;
  std::int32_t injectedKeys = 0;
  std::int32_t physicalKeys = 0;
  // For the learning history: the template as the comparison received it
  // (the comparison clears its own copy) and the time taken per key.
  std::string templateText;
  KeyRhythm rhythm;
  bool recorded = false;  // entered into the history already
};
ExerciseOutcome& lastExerciseOutcome();

// The parts of the session's requests that are the window's layout and
// drawing.
class ExerciseView {
 public:
  virtual ~ExerciseView() = default;
  virtual void applyTextSize() = 0;
  virtual void setStartPrompt(const std::string& text) = 0;
  virtual void showStartPrompt(bool shown) = 0;
  virtual void redrawDisplay() = 0;
  virtual void showLitKey(int key, int step, bool on) = 0;
  virtual int bannerWidth(const std::string& text) = 0;
  virtual int widestLineWidth() = 0;
  virtual void removeMouseFilter() = 0;
  virtual void removeKeyboardFilter() = 0;
};

class ExerciseHost final : public SessionHost {
 public:
  enum TimerId : UINT_PTR { kPaceTimer = 1, kClockTimer = 2 };
  static constexpr UINT kClockPeriodMs = 250;

  ExerciseHost(ChildHost& frame, ExerciseView& view) : frame_(frame), view_(view) {}
  ExerciseHost(const ExerciseHost&) = delete;
  ExerciseHost& operator=(const ExerciseHost&) = delete;

  // The session this host serves, known once it is made (it is made with
  // this host), and the window's controls, known once they exist.
  void serve(const ExerciseSession& session) { session_ = &session; }
  void attach(HWND window, HWND field, HWND prompt, HWND endButton);

  // What the result window needs from the session once the window is gone.
  void recordOutcome() const;

  // SessionHost
  std::uint32_t now() override;
  std::string fieldText() override;
  std::vector<std::string> fieldLines() override;
  int fieldLineCount() override;
  void clearField() override;
  void addFieldLine(const std::string& line) override;
  bool fieldReadOnly() override;
  void setFieldReadOnly(bool readOnly) override;
  bool fieldHasFocus() override;
  void prepareFieldForTyping() override;
  void applyTextSize() override { view_.applyTextSize(); }
  void startPaceTimer(std::uint32_t periodMs) override;
  void stopPaceTimer() override;
  bool paceTimerRunning() override { return paceRunning_; }
  std::uint32_t pacePeriod() override { return pacePeriod_; }
  void startClockTimer() override;
  void stopClockTimer() override;
  bool clockTimerRunning() override { return clockRunning_; }
  void setStatusText(int panel, const std::string& text) override;
  void setStatusFivePanels(bool fivePanels) override;
  void beep() override;
  void pause(std::uint32_t ms) override;
  void setCaption(const std::string& caption) override;
  void setStartPrompt(const std::string& text) override { view_.setStartPrompt(text); }
  void showStartPrompt(bool shown) override { view_.showStartPrompt(shown); }
  void enableStartPrompt(bool enabled) override;
  void setEndButton(const std::string& caption, bool enabled) override;
  void redrawDisplay() override { view_.redrawDisplay(); }
  void showLitKey(int key, int step, bool on) override { view_.showLitKey(key, step, on); }
  void switchCapsLockOff() override;
  int bannerWidth(const std::string& text) override { return view_.bannerWidth(text); }
  int widestLineWidth() override { return view_.widestLineWidth(); }
  void removeMouseFilter() override { view_.removeMouseFilter(); }
  void removeKeyboardFilter() override { view_.removeKeyboardFilter(); }
  void runResultOptions() override;
  void runEvaluation() override;
  void letPendingMessagesRun() override;
  void request(int n) override { frame_.request(n); }
  bool mainWindowSwitching() override { return frame_.switching(); }
  bool mainWindowMayClose() override { return frame_.confirmClose(); }
  void closeMainWindow() override {}

 private:
  ChildHost& frame_;
  ExerciseView& view_;
  const ExerciseSession* session_ = nullptr;
  HWND window_ = nullptr;
  HWND field_ = nullptr;
  HWND prompt_ = nullptr;
  HWND endButton_ = nullptr;
  bool paceRunning_ = false;
  std::uint32_t pacePeriod_ = 0;
  bool clockRunning_ = false;
};

}  // namespace kv
