// The exercise window as the session's host: the typing field, timers,
// status line and the hand-over to the evaluation, as the session asks.
#include "ui/exercise/exercise_window_win.h"

#include <algorithm>
#include <string>
#include <vector>

#include "ui/shared/app_state.h"
#include "evaluation/comparison.h"
#include "keyboard/keyboard_renderer_win.h"
#include "platform/win/strings.h"
#include "ui/shared/progress_window_win.h"
#include "ui/exercise/result_options_dialog_win.h"

namespace kv {

std::uint32_t ExerciseWindow::now() { return ::GetTickCount(); }

std::string ExerciseWindow::fieldText() { return win::narrowLossy(win::windowText(field_)); }

// The lines the learner ended with Return. The field also wraps a line that
// is too long for it, but such a wrap is the field's and not the learner's,
// so it must reach neither the template display nor the evaluation.
std::vector<std::string> ExerciseWindow::fieldLines() {
  std::vector<std::string> lines;
  const std::wstring text = win::windowText(field_);
  if (text.empty()) return lines;
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = text.find(L"\r\n", begin);
    lines.push_back(win::narrowLossy(text.substr(begin, end == std::wstring::npos ? std::wstring::npos
                                                                                 : end - begin)));
    if (end == std::wstring::npos) break;
    begin = end + 2;
  }
  return lines;
}

int ExerciseWindow::fieldLineCount() {
  const std::wstring text = win::windowText(field_);
  if (text.empty()) return 0;
  int count = 1;
  for (std::size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n", at + 2)) {
    ++count;
  }
  return count;
}

void ExerciseWindow::clearField() { ::SetWindowTextW(field_, L""); }

void ExerciseWindow::addFieldLine(const std::string& line) {
  const int length = ::GetWindowTextLengthW(field_);
  std::wstring text = length > 0 ? L"\r\n" : L"";
  text += win::widen(line);
  ::SendMessageW(field_, EM_SETSEL, static_cast<WPARAM>(length), static_cast<LPARAM>(length));
  ::SendMessageW(field_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

bool ExerciseWindow::fieldReadOnly() {
  return (::GetWindowLongW(field_, GWL_STYLE) & ES_READONLY) != 0;
}

void ExerciseWindow::setFieldReadOnly(bool readOnly) {
  ::SendMessageW(field_, EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
}

bool ExerciseWindow::fieldHasFocus() { return ::GetFocus() == field_; }

void ExerciseWindow::prepareFieldForTyping() {
  ::InvalidateRect(field_, nullptr, TRUE);
  ::SetFocus(field_);
}

void ExerciseWindow::applyTextSize() { setFieldFont(textSize_); }

void ExerciseWindow::startPaceTimer(std::uint32_t periodMs) {
  pacePeriod_ = std::max<std::uint32_t>(periodMs, USER_TIMER_MINIMUM);
  paceRunning_ = ::SetTimer(hwnd_, kPaceTimer, pacePeriod_, nullptr) != 0;
}

void ExerciseWindow::stopPaceTimer() {
  ::KillTimer(hwnd_, kPaceTimer);
  paceRunning_ = false;
}

void ExerciseWindow::startClockTimer() {
  clockRunning_ = ::SetTimer(hwnd_, kClockTimer, kClockPeriodMs, nullptr) != 0;
}

void ExerciseWindow::stopClockTimer() {
  ::KillTimer(hwnd_, kClockTimer);
  clockRunning_ = false;
}

void ExerciseWindow::setStatusText(int panel, const std::string& text) {
  host_.setStatusText(panel, text);
}

void ExerciseWindow::setStatusFivePanels(bool fivePanels) { host_.setStatusFivePanels(fivePanels); }

void ExerciseWindow::beep() { ::MessageBeep(0xFFFFFFFF); }

void ExerciseWindow::pause(std::uint32_t ms) { ::Sleep(ms); }

void ExerciseWindow::setCaption(const std::string& caption) {
  ::SetWindowTextW(hwnd_, win::widen(caption).c_str());
}


void ExerciseWindow::showStartPrompt(bool shown) {
  promptShown_ = shown;
  ::ShowWindow(prompt_, shown ? SW_SHOWNA : SW_HIDE);
  if (shown) applyLayout();
}

void ExerciseWindow::enableStartPrompt(bool enabled) {
  ::EnableWindow(prompt_, enabled ? TRUE : FALSE);
  ::InvalidateRect(prompt_, nullptr, TRUE);
}

void ExerciseWindow::setEndButton(const std::string& caption, bool enabled) {
  ::SetWindowTextW(endButton_, win::widen(caption).c_str());
  ::EnableWindow(endButton_, enabled ? TRUE : FALSE);
}

void ExerciseWindow::redrawDisplay() {
  const Bounds& d = layout_.display;
  RECT r{d.left, d.top, d.left + d.width, d.top + d.height};
  ::InvalidateRect(hwnd_, &r, FALSE);
  ::UpdateWindow(hwnd_);
}

void ExerciseWindow::showLitKey(int key, int step, bool on) {
  if (!keyboard_) return;
  win::WindowDc dc(hwnd_);
  keyboard_->showLitKey(dc.get(), layout_.display.left, layout_.display.top, key, step, on);
}

void ExerciseWindow::switchCapsLockOff() {
  if ((::GetKeyState(VK_CAPITAL) & 1) == 0) return;
  const auto scan = static_cast<BYTE>(::MapVirtualKeyW(VK_CAPITAL, MAPVK_VK_TO_VSC));
  ::keybd_event(VK_CAPITAL, scan, KEYEVENTF_EXTENDEDKEY, 0);
  ::keybd_event(VK_CAPITAL, scan, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP, 0);
}


int ExerciseWindow::widestLineWidth() { return rules_.text.width(rules_.initialTextSize); }

void ExerciseWindow::removeMouseFilter() { mouseHook_.reset(); }

void ExerciseWindow::removeKeyboardFilter() { keyboardHook_.reset(); }

void ExerciseWindow::runResultOptions() {
  AppState& state = appState();
  state.timeLimitReached = session_.timeLimitReached();
  ResultOptionsDialog dialog;
  dialog.run(host_.frame());
}

namespace {

// The comparison's view of the progress window.
class ProgressBridge final : public ComparisonProgress {
 public:
  void setPosition(std::int32_t position) override { appState().progressPosition = position; }
  std::int32_t maximum() const override { return appState().progressMax; }
  void runPendingEvents() override {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
};

}  // namespace

// What the result window needs from the session once this window is gone.
void ExerciseWindow::recordOutcome() const {
  ExerciseOutcome& outcome = lastExerciseOutcome();
  outcome.startTick = session_.startTick();
  outcome.endTick = session_.endTick();
  outcome.timeLimitReached = session_.timeLimitReached();
  outcome.injectedKeys = session_.injectedKeys();
  outcome.physicalKeys = session_.physicalKeys();
}

void ExerciseWindow::runEvaluation() {
  AppState& state = appState();
  state.progressMax = session_.progressMax();
  state.evaluationRunning = true;
  state.centreProgressWindow = false;
  recordOutcome();
  // What the learning history needs of this evaluation, taken before the
  // comparison clears the template (the window records its outcome again
  // when it closes; these stay from the hand-over).
  ExerciseOutcome& outcome = lastExerciseOutcome();
  outcome.templateText = state.typed.templateText;
  outcome.rhythm = session_.rhythm();
  outcome.recorded = false;
  const ComparisonInputs inputs{state.exercise.form, state.exercise.pace, session_.timeLimitReached()};
  runWithProgress(host_.frame(), [inputs] {
    ProgressBridge progress;
    compareTexts(appState().typed, inputs, progress);
  });
  state.evaluationRunning = false;
  state.fileView = false;
}

void ExerciseWindow::letPendingMessagesRun() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

}  // namespace kv
