// The main window's life: creating the frame, the message filter in front of
// its child, the start once the window is up, and the close. Menus, status
// line, size and the children's switching have files of their own beside it.
#include "ui/frame/main_window_win.h"

#include <commctrl.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/win/message_box.h"
#include "platform/win/modal.h"
#include "platform/win/strings.h"
#include "platform/win/system_info.h"
#include "texts/archive.h"
#include "texts/builtin_texts.h"
#include "ui/exam/hand_in_win.h"
#include "ui/frame/splash_window_win.h"
#include "ui/history/history_access_win.h"
#include "ui/selection/archive_discovery_win.h"
#include "ui/shared/app_state.h"

namespace kv {
namespace {

// Posted by create(): the rest of the start runs once the window is up.
constexpr UINT kFirstActivationMessage = WM_APP + 2;
// Often enough that a result is in soon after the server is back, seldom
// enough that a server that is gone costs nothing.

MainWindow* theMainWindow = nullptr;

// The runtime has split the command line already (wide, as the program is
// built with -municode); asking the shell for it would load the shell at
// every start.
std::string firstArgument() {
  return __argc > 1 && __wargv != nullptr && __wargv[1] != nullptr ? win::narrowLossy(__wargv[1]) : std::string();
}

bool fileExists(std::string_view path) {
  const DWORD attributes = ::GetFileAttributesW(win::widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

MainWindow::MainWindow() = default;

MainWindow::~MainWindow() {
  if (theMainWindow == this) {
    theMainWindow = nullptr;
    win::setMainFrame(nullptr, nullptr);
  }
  if (accelerators_ != nullptr) ::DestroyAcceleratorTable(accelerators_);
}

bool MainWindow::create(int showCommand, SplashWindow* splash) {
  splash_ = splash;
  if (!registerClass(kMainWindowClass, ::LoadIconW(::GetModuleHandleW(nullptr), L"APPICON"))) {
    return false;
  }
  const HMENU menu = createMenuBar();
  const HWND hwnd = ::CreateWindowExW(0, kMainWindowClass, kAppTitle,
                                      WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                      CW_USEDEFAULT, 800, 600, nullptr, menu,
                                      ::GetModuleHandleW(nullptr), this);
  if (hwnd == nullptr) {
    ::DestroyMenu(menu);
    return false;
  }
  theMainWindow = this;
  win::setMainFrame(hwnd, &MainWindow::filterMessage);
  placeInitially(showCommand);
  ::UpdateWindow(hwnd);
  if (splash_ != nullptr) splash_->bringToFront(hwnd);
  ::PostMessageW(hwnd, kFirstActivationMessage, 0, 0);
  return true;
}

bool MainWindow::filterMessage(MSG& msg) {
  MainWindow* self = theMainWindow;
  if (self == nullptr || self->hwnd_ == nullptr) return false;
  if (self->mdiClient_ != nullptr && ::TranslateMDISysAccel(self->mdiClient_, &msg)) return true;
  const HWND root = msg.hwnd != nullptr ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (root != self->hwnd_) return false;
  // Keys typed into an exercise belong to it: F1 must not open the guide over
  // a running clock (with correction every key reaches the field).
  const bool typing = self->childKind() == ChildKind::Exercise && self->child_->typingFieldHasFocus();
  if (self->accelerators_ != nullptr && !typing && ::IsWindowEnabled(self->hwnd_) &&
      ::TranslateAcceleratorW(self->hwnd_, self->accelerators_, &msg)) {
    return true;
  }
  // Tab and arrow keys move between the controls of the child window.
  if (self->childAlive()) {
    const HWND child = self->child_->hwnd();
    if ((msg.hwnd == child || ::IsChild(child, msg.hwnd)) && ::IsDialogMessageW(child, &msg)) {
      return true;
    }
  }
  return false;
}

void MainWindow::onCreate() {
  // Seals of the evaluation start out random (1 to 2^31 - 2).
  std::mt19937 random(std::random_device{}() ^ ::GetTickCount());
  std::uniform_int_distribution<std::uint32_t> seal(1, 2147483646u);
  AppState& state = appState();
  state.typed.dateSeal = seal(random);
  state.typed.keySeal = seal(random);
  state.typed.summarySeal = seal(random);

  state.exercise = ExerciseParameters{};
  state.programArchives.clear();
  state.ownArchives.clear();
  state.currentText.lines.clear();
  state.currentText.totalKeystrokes = 0;

  CLIENTCREATESTRUCT clientCreate{};
  clientCreate.hWindowMenu = nullptr;
  clientCreate.idFirstChild = kFirstMdiChildId;
  mdiClient_ = ::CreateWindowExW(
      WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
      WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE, 0, 0, 0, 0, hwnd_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMdiClientId)), ::GetModuleHandleW(nullptr),
      &clientCreate);
  statusBar_ = ::CreateWindowExW(WS_EX_COMPOSITED, STATUSCLASSNAMEW, nullptr,
                                 WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBarId)),
                                 ::GetModuleHandleW(nullptr), nullptr);
  clipboard_.start(hwnd_, win::ClipboardWatcher::Mechanism::ViewerChain);
  applyFontAndStatusLayout();
  updateCommands();
}

bool MainWindow::confirmClose() {
  if (aboutOpen_) return true;
  return win::askYesNo(hwnd_, closeQuestion());
}

void MainWindow::onClose() {
  if (childAlive() && !aboutOpen_ && !confirmClose()) return;
  // Exercises that could be kept nowhere but in memory: a last try, and the
  // learner is told when they are lost.
  if (const std::string lost = historyLostOnExit(); !lost.empty()) win::showError(hwnd_, lost);
  ::DestroyWindow(hwnd_);
}

void MainWindow::onDestroy() {
  closeFollows_ = false;
  if (childAlive()) child_->destroy();
  child_.reset();
  clipboard_.stop();
  AppState& state = appState();
  state.programArchives.clear();
  state.ownArchives.clear();
  state.currentText.lines.clear();
  if (splash_ != nullptr) splash_->finish();
  ::PostQuitMessage(0);
}

void MainWindow::onClipboardChanged(WPARAM wParam, LPARAM lParam) {
  if (childKind() == ChildKind::Exercise && child_->typingFieldHasFocus()) {
    clipboard_.empty();
  } else {
    clipboard_.passOn(wParam, lParam);
  }
}

void MainWindow::onActivateApp(bool active) {
  clipboard_.empty();
  if (childAlive()) child_->applicationActivated(active);
}

// The course the program carries as a resource, offered after the example
// texts under a name that stands for its place inside the program file.
void MainWindow::addCourseArchive(const std::string& programPath) {
  const HMODULE self = ::GetModuleHandleW(nullptr);
  const HRSRC found = ::FindResourceW(self, L"GRUNDKURS", MAKEINTRESOURCEW(10));  // RT_RCDATA
  const HGLOBAL loaded = found != nullptr ? ::LoadResource(self, found) : nullptr;
  const auto* bytes = loaded != nullptr ? static_cast<const std::uint8_t*>(::LockResource(loaded)) : nullptr;
  if (bytes == nullptr) return;
  // A ".kv7" ending, so that remembering it as the last archive keeps the
  // folder scan's pattern as it is.
  const std::string path = programPath + "\\Grundkurs.kv7";
  registerImageArchive(path, std::vector<std::uint8_t>(bytes, bytes + ::SizeofResource(self, found)));
  appState().programArchives.push_back(archiveEntry("Grundkurs", path));
}

void MainWindow::onFirstActivation() {
  if (firstActivationDone_) return;
  firstActivationDone_ = true;
  AppState& state = appState();

  commandLineFile_ = commandLineFile(
      firstArgument(),
      [](std::string_view text) -> std::optional<std::string> {
        const auto expanded = win::expandEnvironment(text);
        if (!expanded) return std::nullopt;
        return expanded->text;
      },
      fileExists);
  if (!commandLineFile_) {
    commandLineClassTest_ = commandLineClassTest(
        firstArgument(),
        [](std::string_view text) -> std::optional<std::string> {
          const auto expanded = win::expandEnvironment(text);
          if (!expanded) return std::nullopt;
          return expanded->text;
        },
        fileExists);
  }

  const std::string programPath = win::narrowLossy(win::programPath());
  state.programArchives = {archiveEntry(builtinArchiveName(), programPath)};
  addCourseArchive(programPath);
  const TextArchives archives(programPath);
  archives.openArchive(programPath, state.currentHeader, state.currentText);
  state.savedHeader = state.currentHeader;

  // The splash stays for its display time; the window waits with it.
  while (splash_ != nullptr && splash_->timerRunning() && hwnd_ != nullptr) {
    // The main window comes to the front when it is activated; the picture
    // belongs in front of it as long as it is shown.
    splash_->bringToFront(hwnd_);
    if (!win::waitAndProcessMessages(50)) return;
  }
  if (splash_ != nullptr) {
    splash_->finish();
    splash_ = nullptr;
  }
  if (hwnd_ == nullptr) return;

  state.openDialogFolder = state.settings.folders.student;
  // The selection dialog needs the teacher's archives listed before it opens.
  scanOwnArchives(hwnd_);
  if (hwnd_ == nullptr) return;
  if (state.programArchives.empty() && state.ownArchives.empty()) {
    ::DestroyWindow(hwnd_);
    return;
  }
  request(static_cast<int>(commandLineFile_        ? Request::OpenSaved
                           : commandLineClassTest_ ? Request::ClassTest
                                                   : Request::Selection));
  // Class-test results that could not be handed in go in now if the folder
  // is back, and are tried again while the program runs.
  if (state.settings.policies.classTestsEnabled && handInsWaiting()) {
    deliverWaitingHandIns(hwnd_, kHandInsDeliveredMessage);
    keepTryingHandIns();
  }
  // An exercise that waited because the history could not be written is
  // added now that the program starts again.
  if (state.settings.policies.historyEnabled) catchUpHistory();
}

LRESULT MainWindow::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  bool clipboardChanged = false;
  LRESULT clipboardResult = 0;
  if (clipboard_.handle(msg, wParam, lParam, clipboardChanged, clipboardResult)) {
    if (clipboardChanged) onClipboardChanged(wParam, lParam);
    return clipboardResult;
  }
  switch (msg) {
    case WM_CREATE:
      onCreate();
      return 0;
    case WM_SIZE:
      onSize();
      return 0;
    case WM_GETMINMAXINFO:
      onGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
      return 0;
    case kFirstActivationMessage:
      onFirstActivation();
      return 0;
    case kRequestMessage:
      onRequest(static_cast<int>(wParam));
      return 0;
    case kHandInsDeliveredMessage:
      onHandInsDelivered(takeDeliveryReport(static_cast<int>(wParam), lParam));
      return 0;
    case WM_TIMER:
      if (wParam == kHandInTimerId) {
        deliverWaitingHandIns(hwnd_, kHandInsDeliveredMessage);
        return 0;
      }
      break;
    case WM_COMMAND:
      if (lParam == 0 && onCommand(LOWORD(wParam))) return 0;
      break;
    case WM_INITMENUPOPUP:
      updateCommands();
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item != nullptr && item->hwndItem == statusBar_) {
        onDrawStatusItem(*item);
        return TRUE;
      }
      break;
    }
    case WM_ACTIVATEAPP:
      onActivateApp(wParam != FALSE);
      break;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      if (statusBar_ != nullptr) ::SendMessageW(statusBar_, msg, wParam, lParam);
      applyFontAndStatusLayout();
      if (childAlive()) child_->refreshFontsAndColours();
      break;
    case WM_CLOSE:
      onClose();
      return 0;
    case WM_DESTROY:
      onDestroy();
      return 0;
    default:
      break;
  }
  return ::DefFrameProcW(hwnd_, mdiClient_, msg, wParam, lParam);
}

}  // namespace kv
