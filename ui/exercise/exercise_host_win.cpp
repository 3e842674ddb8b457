#include "ui/exercise/exercise_host_win.h"

#include <algorithm>
#include <string>
#include <vector>

#include "ui/shared/app_state.h"
#include "evaluation/comparison.h"
#include "platform/win/strings.h"
#include "ui/shared/progress_window_win.h"
#include "ui/exercise/result_options_dialog_win.h"

namespace kv {

ExerciseOutcome& lastExerciseOutcome() {
  static ExerciseOutcome outcome;
  return outcome;
}

void ExerciseHost::attach(HWND window, HWND field, HWND prompt, HWND endButton) {
  window_ = window;
  field_ = field;
  prompt_ = prompt;
  endButton_ = endButton;
}

std::uint32_t ExerciseHost::now() { return ::GetTickCount(); }

std::string ExerciseHost::fieldText() { return win::narrowLossy(win::windowText(field_)); }

// The lines the learner ended with Return. The field also wraps a line that
// is too long for it, but such a wrap is the field's and not the learner's,
// so it must reach neither the template display nor the evaluation.
std::vector<std::string> ExerciseHost::fieldLines() {
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

int ExerciseHost::fieldLineCount() {
  const std::wstring text = win::windowText(field_);
  if (text.empty()) return 0;
  int count = 1;
  for (std::size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n", at + 2)) {
    ++count;
  }
  return count;
}

void ExerciseHost::clearField() { ::SetWindowTextW(field_, L""); }

void ExerciseHost::addFieldLine(const std::string& line) {
  const int length = ::GetWindowTextLengthW(field_);
  std::wstring text = length > 0 ? L"\r\n" : L"";
  text += win::widen(line);
  ::SendMessageW(field_, EM_SETSEL, static_cast<WPARAM>(length), static_cast<LPARAM>(length));
  ::SendMessageW(field_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

bool ExerciseHost::fieldReadOnly() {
  return (::GetWindowLongW(field_, GWL_STYLE) & ES_READONLY) != 0;
}

void ExerciseHost::setFieldReadOnly(bool readOnly) {
  ::SendMessageW(field_, EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
}

bool ExerciseHost::fieldHasFocus() { return ::GetFocus() == field_; }

void ExerciseHost::prepareFieldForTyping() {
  ::InvalidateRect(field_, nullptr, TRUE);
  ::SetFocus(field_);
}

void ExerciseHost::startPaceTimer(std::uint32_t periodMs) {
  pacePeriod_ = std::max<std::uint32_t>(periodMs, USER_TIMER_MINIMUM);
  paceRunning_ = ::SetTimer(window_, kPaceTimer, pacePeriod_, nullptr) != 0;
}

void ExerciseHost::stopPaceTimer() {
  ::KillTimer(window_, kPaceTimer);
  paceRunning_ = false;
}

void ExerciseHost::startClockTimer() {
  clockRunning_ = ::SetTimer(window_, kClockTimer, kClockPeriodMs, nullptr) != 0;
}

void ExerciseHost::stopClockTimer() {
  ::KillTimer(window_, kClockTimer);
  clockRunning_ = false;
}

void ExerciseHost::setStatusText(int panel, const std::string& text) {
  frame_.setStatusText(panel, text);
}

void ExerciseHost::setStatusFivePanels(bool fivePanels) { frame_.setStatusFivePanels(fivePanels); }

void ExerciseHost::beep() { ::MessageBeep(0xFFFFFFFF); }

void ExerciseHost::pause(std::uint32_t ms) { ::Sleep(ms); }

void ExerciseHost::setCaption(const std::string& caption) {
  ::SetWindowTextW(window_, win::widen(caption).c_str());
}

void ExerciseHost::enableStartPrompt(bool enabled) {
  ::EnableWindow(prompt_, enabled ? TRUE : FALSE);
  ::InvalidateRect(prompt_, nullptr, TRUE);
}

void ExerciseHost::setEndButton(const std::string& caption, bool enabled) {
  ::SetWindowTextW(endButton_, win::widen(caption).c_str());
  ::EnableWindow(endButton_, enabled ? TRUE : FALSE);
}

void ExerciseHost::switchCapsLockOff() {
  if ((::GetKeyState(VK_CAPITAL) & 1) == 0) return;
  const auto scan = static_cast<BYTE>(::MapVirtualKeyW(VK_CAPITAL, MAPVK_VK_TO_VSC));
  ::keybd_event(VK_CAPITAL, scan, KEYEVENTF_EXTENDEDKEY, 0);
  ::keybd_event(VK_CAPITAL, scan, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP, 0);
}

void ExerciseHost::runResultOptions() {
  AppState& state = appState();
  state.timeLimitReached = session_->timeLimitReached();
  // A class test's result carries the learner's name and class as the test
  // fixed them, and is handed in without a question.
  if (state.classTest.active) {
    state.resultOptions.learnerLine1 = clipLearnerLine(state.classTest.learner);
    state.resultOptions.learnerLine2 = clipLearnerLine(state.classTest.test.className);
    state.resultOptions.showExerciseTime = true;
    state.resultOptions.showKeystrokesPerMinute = true;
    return;
  }
  ResultOptionsDialog dialog;
  dialog.run(frame_.frame());
}

namespace {

void runPendingMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// The comparison's view of the progress window.
class ProgressBridge final : public ComparisonProgress {
 public:
  void setPosition(std::int32_t position) override { appState().progressPosition = position; }
  std::int32_t maximum() const override { return appState().progressMax; }
  void runPendingEvents() override { runPendingMessages(); }
};

}  // namespace

void ExerciseHost::recordOutcome() const {
  ExerciseOutcome& outcome = lastExerciseOutcome();
  outcome.startTick = session_->startTick();
  outcome.endTick = session_->endTick();
  outcome.timeLimitReached = session_->timeLimitReached();
  outcome.injectedKeys = session_->injectedKeys();
  outcome.physicalKeys = session_->physicalKeys();
}

void ExerciseHost::runEvaluation() {
  AppState& state = appState();
  state.progressMax = session_->progressMax();
  state.evaluationRunning = true;
  state.centreProgressWindow = false;
  recordOutcome();
  // What the learning history needs of this evaluation, taken before the
  // comparison clears the template (the window records its outcome again
  // when it closes; these stay from the hand-over).
  ExerciseOutcome& outcome = lastExerciseOutcome();
  outcome.templateText = state.typed.templateText;
  outcome.rhythm = session_->rhythm();
  outcome.recorded = false;
  const ComparisonInputs inputs{state.exercise.form, state.exercise.pace, session_->timeLimitReached()};
  runWithProgress(frame_.frame(), [inputs] {
    ProgressBridge progress;
    compareTexts(appState().typed, inputs, progress);
  });
  state.evaluationRunning = false;
  state.fileView = false;
}

void ExerciseHost::letPendingMessagesRun() { runPendingMessages(); }

}  // namespace kv
