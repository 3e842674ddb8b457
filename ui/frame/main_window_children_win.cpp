// The main window's children: the numbered requests that ask for the next
// one, the switch from one child to another, and opening a saved exercise,
// which shows it in a result window.
#include "ui/frame/main_window_win.h"

#include <optional>
#include <string>
#include <utility>

#include "evaluation/saved_file.h"
#include "platform/win/message_box.h"
#include "platform/win/modal.h"
#include "platform/win/strings.h"
#include "ui/adaptive/adaptive_run_win.h"
#include "ui/exam/exam_start_win.h"
#include "ui/exam/hand_in_win.h"
#include "ui/result/saved_exercise_dialog_win.h"
#include "ui/shared/app_state.h"
#include "ui/shared/requests.h"
#include "ui/teachers/class_window_win.h"

namespace kv {

void MainWindow::request(int n) {
  if (hwnd_ != nullptr) ::PostMessageW(hwnd_, kRequestMessage, static_cast<WPARAM>(n), 0);
}

void MainWindow::onRequest(int n) {
  if (!isValidRequest(n)) return;
  // A request that arrives while the window is switching waits for its end.
  if (switchingNow_ || opening_) {
    pendingRequest_ = n;
    return;
  }
  switch (static_cast<Request>(n)) {
    case Request::Selection:
      // A class test is over once its start page or result is left.
      endClassTestRun();
      // An adaptive lesson's result, or the lesson left, leads back to the
      // lessons; a result opened from the teachers' list to that list.
      if (adaptiveLessonRunning() && (childKind() == ChildKind::Result || childKind() == ChildKind::Exercise)) {
        switchTo(ChildKind::Adaptive);
      } else {
        switchTo(childKind() == ChildKind::Result && classListWaiting() ? ChildKind::ClassResults
                                                                        : ChildKind::Selection);
      }
      break;
    case Request::Exercise:
      switchTo(ChildKind::Exercise);
      break;
    case Request::Result:
      switchTo(ChildKind::Result);
      break;
    case Request::OpenSaved:
      openSavedExercise();
      break;
    case Request::History:
      if (childKind() == ChildKind::Selection) child_->storeParameters();
      switchTo(ChildKind::History);
      break;
    case Request::ClassResults:
      if (childKind() == ChildKind::Selection) child_->storeParameters();
      switchTo(ChildKind::ClassResults);
      break;
    case Request::ClassTest:
      openClassTest();
      break;
    case Request::Adaptive:
      if (!appState().settings.policies.adaptiveLessons) break;
      if (childKind() == ChildKind::Selection) child_->storeParameters();
      switchTo(ChildKind::Adaptive);
      break;
  }
  if (pendingRequest_ != 0 && hwnd_ != nullptr) {
    const int next = pendingRequest_;
    pendingRequest_ = 0;
    request(next);
  }
}

void MainWindow::closeChild() {
  if (child_ == nullptr) return;
  closeFollows_ = false;
  if (childAlive()) {
    child_->destroy();
    win::processPendingMessages();
  }
  child_.reset();
  closeFollows_ = true;
}

void MainWindow::switchTo(ChildKind kind) {
  switchingNow_ = true;
  const HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  const bool frozen = ::IsWindowVisible(hwnd_) != FALSE;
  if (frozen) ::SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);

  closeChild();
  if (kind == ChildKind::Exercise) appState().fileView = false;
  // Any other window ends the adaptive lessons: the learner's own text and
  // choices come back before it reads them.
  if (kind != ChildKind::Exercise && kind != ChildKind::Result && kind != ChildKind::Adaptive) endAdaptiveLessons();
  switch (kind) {
    case ChildKind::Selection:
      child_ = createSelectionChild(*this);
      break;
    case ChildKind::Exercise:
      child_ = createExerciseChild(*this);
      break;
    case ChildKind::Result:
      child_ = createResultChild(*this);
      break;
    case ChildKind::History:
      child_ = createHistoryChild(*this);
      break;
    case ChildKind::ClassResults:
      child_ = createClassChild(*this);
      break;
    case ChildKind::ClassTest:
      child_ = createClassTestChild(*this);
      break;
    case ChildKind::Adaptive:
      child_ = createAdaptiveChild(*this);
      break;
    case ChildKind::None:
      break;
  }

  if (frozen && hwnd_ != nullptr) {
    ::SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    ::RedrawWindow(hwnd_, nullptr, nullptr,
                   RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
  }
  if (childAlive()) {
    // The child was created while drawing was frozen; give it the focus now.
    ::SendMessageW(mdiClient_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(child_->hwnd()), 0);
    ::SetFocus(child_->hwnd());
  }
  ::SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  ::SetCursor(previous != nullptr ? previous : ::LoadCursorW(nullptr, IDC_ARROW));
  switchingNow_ = false;
  updateCommands();
}

void MainWindow::openSavedExercise() {
  opening_ = true;
  updateCommands();
  AppState& state = appState();
  if (childKind() == ChildKind::Selection) {
    child_->storeParameters();
    closeChild();
  }
  const bool resultOpen = childKind() == ChildKind::Result;
  if (resultOpen) child_->enableCommands(false);

  std::optional<std::wstring> chosen;
  if (commandLineFile_) {
    chosen = win::widen(*commandLineFile_);
    commandLineFile_.reset();
  } else {
    chosen = askForSavedExercise(hwnd_);
  }
  if (chosen && ::GetFileAttributesW(chosen->c_str()) != INVALID_FILE_ATTRIBUTES) {
    const HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    const std::optional<std::string> path = win::narrow(*chosen);
    OpenedResult opened;
    const ResultFileError error =
        path ? openResultFile(*path, opened) : ResultFileError::CannotRead;
    ::SetCursor(previous);
    const std::string shownPath = path ? *path : win::narrowLossy(*chosen);
    state.openDialogFolder = folderOf(shownPath);
    if (error == ResultFileError::None) {
      const bool compatibility = opened.compatibility;
      state.openedFile = std::move(opened);
      state.fileView = true;
      switchTo(ChildKind::Result);
      if (compatibility && hwnd_ != nullptr) {
        win::showInformation(hwnd_, compatibilityViewNotice());
      }
    } else {
      win::showError(hwnd_, resultFileErrorMessage(error, shownPath));
    }
  }
  if (childKind() == ChildKind::Result) child_->enableCommands(true);
  opening_ = false;
  updateCommands();
  if (hwnd_ != nullptr && !childAlive()) request(static_cast<int>(Request::Selection));
}

void MainWindow::openClassTest() {
  opening_ = true;
  updateCommands();
  if (childKind() == ChildKind::Selection) child_->storeParameters();
  std::optional<std::wstring> chosen;
  if (commandLineClassTest_) {
    chosen = win::widen(*commandLineClassTest_);
    commandLineClassTest_.reset();
  } else {
    chosen = askForClassTest(hwnd_);
  }
  const bool opened = chosen && openClassTestFile(hwnd_, *chosen);
  opening_ = false;
  if (opened) {
    switchTo(ChildKind::ClassTest);
  } else {
    updateCommands();
  }
  if (hwnd_ != nullptr && !childAlive()) request(static_cast<int>(Request::Selection));
}

void MainWindow::onHandInsDelivered(const HandInsDelivered& handedIn) {
  const int delivered = handedIn.count;
  if (!handInsWaiting()) ::KillTimer(hwnd_, kHandInTimerId);
  if (handedIn.thisResult && childAlive()) child_->handInChanged();
  if (delivered > 0 && childKind() == ChildKind::Selection) {
    setStatusText(0, delivered == 1 ? w1252("Ein wartendes Ergebnis einer Klassenarbeit wurde abgegeben.")
                                    : std::to_string(delivered) +
                                          w1252(" wartende Ergebnisse einer Klassenarbeit wurden abgegeben."));
  }
}

void MainWindow::keepTryingHandIns() {
  if (hwnd_ == nullptr || !appState().settings.policies.classTestsEnabled) return;
  // Setting the timer again only moves its next tick; one timer serves all.
  ::SetTimer(hwnd_, kHandInTimerId, kHandInRetryMs, nullptr);
}

void MainWindow::childClosed(ChildWindow&) {
  // A child closed other than by a switch takes the program with it.
  if (closeFollows_ && hwnd_ != nullptr) ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

}  // namespace kv
