#include "ui/frame/main_window_win.h"

#include "ui/selection/archive_discovery_win.h"
#include "ui/result/saved_exercise_dialog_win.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <random>

#include "ui/shared/app_state.h"
#include "evaluation/saved_file.h"
#include "platform/encoding.h"
#include "platform/win/controls.h"
#include "platform/win/dialog_font.h"
#include "ui/shared/window_font_win.h"
#include "platform/win/message_box.h"
#include "platform/win/modal.h"
#include "platform/win/shell.h"
#include "platform/win/strings.h"
#include "platform/win/system_info.h"
#include "texts/archive.h"
#include "texts/builtin_texts.h"
#include "ui/frame/about_window_win.h"
#include "ui/teachers/archive_maker_win.h"
#include "ui/history/history_access_win.h"
#include "ui/frame/splash_window_win.h"

namespace kv {
namespace {

// Posted by create(): the rest of the start runs once the window is up.
constexpr UINT kFirstActivationMessage = WM_APP + 2;

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
  HMENU menu = ::CreateMenu();
  fileMenu_ = ::CreatePopupMenu();
  helpMenu_ = ::CreatePopupMenu();
  // Wine leaves one character's width between an item and its shortcut; the
  // blanks keep the shortcut clear of the text there as on Windows.
  ::AppendMenuW(fileMenu_, MF_STRING, kCommandOpen, L"Gespeicherte Übung ö&ffnen...   \tStrg+O");
  // The learning history is there unless a policy switched it off.
  if (appState().settings.policies.historyEnabled) {
    ::AppendMenuW(fileMenu_, MF_STRING, kCommandHistory, L"&Lernverlauf...   \tStrg+L");
  }
  ::AppendMenuW(fileMenu_, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(fileMenu_, MF_STRING, kCommandExit, L"&Beenden\tAlt+F4");
  ::AppendMenuW(helpMenu_, MF_STRING, kCommandHandbook, L"&Benutzerhandbuch   \tF1");
  ::AppendMenuW(helpMenu_, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(helpMenu_, MF_STRING, kCommandWebDin, L"Hinweise zur &DIN 5008 im Internet");
  ::AppendMenuW(helpMenu_, MF_STRING, kCommandWebSpelling,
                L"Hinweise zur &Rechtschreibung im Internet");
  ::AppendMenuW(helpMenu_, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(helpMenu_, MF_STRING, kCommandAbout, L"&Über Klavento 7...");
  ::AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(fileMenu_), L"&Datei");
  // What teachers do, unless a policy keeps it off the learners' PCs.
  if (appState().settings.policies.teacherFunctions) {
    teacherMenu_ = ::CreatePopupMenu();
    ::AppendMenuW(teacherMenu_, MF_STRING, kCommandClassResults, L"&Ergebnisse einer Klasse...   \tStrg+K");
    ::AppendMenuW(teacherMenu_, MF_STRING, kCommandMakeArchive, L"&Textarchiv erstellen...");
    ::AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(teacherMenu_), L"&Lehrkräfte");
  }
  ::AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(helpMenu_), L"&Hilfe");

  ACCEL keys[] = {{FCONTROL | FVIRTKEY, 'O', kCommandOpen},
                  {FVIRTKEY, VK_F1, kCommandHandbook},
                  {FCONTROL | FVIRTKEY, 'L', kCommandHistory},
                  {FCONTROL | FVIRTKEY, 'K', kCommandClassResults}};
  accelerators_ = ::CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys)));

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

void MainWindow::placeInitially(int showCommand) {
  const bool minimised = showCommand == SW_MINIMIZE || showCommand == SW_SHOWMINIMIZED ||
                         showCommand == SW_SHOWMINNOACTIVE;
  if (appState().settings.policies.maximiseMainWindow && !minimised) {
    ::ShowWindow(hwnd_, SW_SHOWMAXIMIZED);
    return;
  }
  // The designed size, grown with the screen's density and never beyond it.
  const int ppi = win::screenPixelsPerInch();
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int width = std::min<int>(::MulDiv(800, ppi, 96), work.right - work.left);
  const int height = std::min<int>(::MulDiv(600, ppi, 96), work.bottom - work.top);
  const int left = (::GetSystemMetrics(SM_CXSCREEN) - width) / 3;
  const int top = (::GetSystemMetrics(SM_CYSCREEN) - height) / 3;
  ::SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  ::ShowWindow(hwnd_, minimised ? showCommand : SW_SHOWNORMAL);
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

void MainWindow::applyFontAndStatusLayout() {
  FontChoice& fonts = appState().settings.fonts;
  updateDialogFont(fonts);
  win::Font font = createDialogFont(fonts);
  if (font) {
    win::applyDialogFont(hwnd_, font.get());
    dialogFont_ = std::move(font);
  }
  if (statusBar_ == nullptr) return;
  const HFONT statusFont = dialogFont_ ? dialogFont_.get() : nullptr;
  const StatusLayout layout = statusLayout([&](std::string_view text) {
    return static_cast<int>(win::textExtent(statusFont, win::widen(text)).cx);
  });
  const auto edges = layout.rightEdges();
  ::SendMessageW(statusBar_, SB_SETPARTS, kStatusPanels,
                 reinterpret_cast<LPARAM>(edges.data()));
  const int height = statusLineHeight(win::textExtent(statusFont, L"00:00:00").cy);
  ::SendMessageW(statusBar_, SB_SETMINHEIGHT, static_cast<WPARAM>(height), 0);
  ::SendMessageW(statusBar_, SB_SETTEXTW, 4 | SBT_OWNERDRAW, 0);
  ::SendMessageW(statusBar_, WM_SIZE, 0, 0);
  onSize();
}

RECT MainWindow::clientArea() const {
  RECT r{};
  ::GetClientRect(mdiClient_, &r);
  return r;
}

void MainWindow::onSize() {
  if (statusBar_ == nullptr || mdiClient_ == nullptr) return;
  ::SendMessageW(statusBar_, WM_SIZE, 0, 0);
  RECT client{};
  RECT status{};
  ::GetClientRect(hwnd_, &client);
  ::GetWindowRect(statusBar_, &status);
  const int statusHeight = ::IsWindowVisible(statusBar_) ? status.bottom - status.top : 0;
  ::MoveWindow(mdiClient_, 0, 0, client.right, std::max(0L, client.bottom - statusHeight), TRUE);
  // A child that no longer fits moves towards the top left.
  if (childAlive() && !::IsZoomed(child_->hwnd()) && !::IsIconic(child_->hwnd()) &&
      !::IsIconic(hwnd_)) {
    RECT childRect{};
    ::GetWindowRect(child_->hwnd(), &childRect);
    ::MapWindowPoints(nullptr, mdiClient_, reinterpret_cast<POINT*>(&childRect), 2);
    const RECT area = clientArea();
    const Rect moved = keepChildInside({childRect.left, childRect.top, childRect.right,
                                        childRect.bottom},
                                       {area.right, area.bottom});
    if (moved.left != childRect.left || moved.top != childRect.top) {
      ::SetWindowPos(child_->hwnd(), nullptr, moved.left, moved.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
}

void MainWindow::onGetMinMaxInfo(MINMAXINFO& info) {
  if (!childAlive() || mdiClient_ == nullptr) return;
  RECT childRect{};
  ::GetWindowRect(child_->hwnd(), &childRect);
  const SIZE childMinimum = child_->minimumSize();
  const Size minimum = minimumClientForChild(
      {childRect.right - childRect.left, childRect.bottom - childRect.top},
      ::IsZoomed(child_->hwnd()) != FALSE, {childMinimum.cx, childMinimum.cy});
  // From the client area of the multiple-document client to the whole frame.
  RECT frameRect{};
  const RECT client = clientArea();
  ::GetWindowRect(hwnd_, &frameRect);
  const int extraX = (frameRect.right - frameRect.left) - client.right;
  const int extraY = (frameRect.bottom - frameRect.top) - client.bottom;
  info.ptMinTrackSize.x = std::max<LONG>(info.ptMinTrackSize.x, minimum.width + extraX);
  info.ptMinTrackSize.y = std::max<LONG>(info.ptMinTrackSize.y, minimum.height + extraY);
}

void MainWindow::childMoved() {
  if (resizingForChild_ || !childAlive() || switchingNow_) return;
  if (::IsZoomed(hwnd_) || ::IsIconic(hwnd_)) return;
  const HWND child = child_->hwnd();
  if (::IsZoomed(child) || ::IsIconic(child)) return;
  RECT childRect{};
  ::GetWindowRect(child, &childRect);
  const RECT area = clientArea();
  const Size childSize{childRect.right - childRect.left, childRect.bottom - childRect.top};
  if (childSize.width <= area.right && childSize.height <= area.bottom) return;
  RECT frameRect{};
  ::GetWindowRect(hwnd_, &frameRect);
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int extraX = (frameRect.right - frameRect.left) - area.right;
  const int extraY = (frameRect.bottom - frameRect.top) - area.bottom;
  const GrowResult grown =
      growForChild(childSize, {area.right, area.bottom},
                   {(work.right - work.left) - extraX, (work.bottom - work.top) - extraY});
  resizingForChild_ = true;
  ::SetWindowPos(hwnd_, nullptr, 0, 0, grown.client.width + extraX, grown.client.height + extraY,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (grown.child.width != childSize.width || grown.child.height != childSize.height) {
    ::SetWindowPos(child, nullptr, 0, 0, grown.child.width, grown.child.height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  resizingForChild_ = false;
  onSize();
}

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
      // A result opened from the teachers' list goes back to that list.
      switchTo(childKind() == ChildKind::Result && classListWaiting() ? ChildKind::ClassResults
                                                                      : ChildKind::Selection);
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

void MainWindow::updateCommands() {
  if (fileMenu_ == nullptr) return;
  const bool open = openCommandEnabled(childKind(), childAlive() && child_->showsFile(), opening_);
  ::EnableMenuItem(fileMenu_, kCommandOpen, MF_BYCOMMAND | (open ? MF_ENABLED : MF_GRAYED));
  ::EnableMenuItem(fileMenu_, kCommandHistory,
                   MF_BYCOMMAND | (historyCommandEnabled() ? MF_ENABLED : MF_GRAYED));
  if (teacherMenu_ != nullptr) {
    for (const int command : {kCommandClassResults, kCommandMakeArchive}) {
      ::EnableMenuItem(teacherMenu_, static_cast<UINT>(command),
                       MF_BYCOMMAND | (classCommandEnabled() ? MF_ENABLED : MF_GRAYED));
    }
  }
  const bool web = appState().settings.policies.webLinksEnabled;
  ::EnableMenuItem(helpMenu_, kCommandWebDin, MF_BYCOMMAND | (web ? MF_ENABLED : MF_GRAYED));
  ::EnableMenuItem(helpMenu_, kCommandWebSpelling,
                   MF_BYCOMMAND | (web ? MF_ENABLED : MF_GRAYED));
}

bool MainWindow::classCommandEnabled() const {
  return appState().settings.policies.teacherFunctions && !opening_ && childKind() == ChildKind::Selection;
}

bool MainWindow::historyCommandEnabled() const {
  return appState().settings.policies.historyEnabled && !opening_ && childKind() == ChildKind::Selection;
}

void MainWindow::openWebPath(const char* path) {
  if (!appState().settings.policies.webLinksEnabled) return;
  win::openWebPage(hwnd_, std::string(kProductWebPage) + path);
}

void MainWindow::openHandbook() {
  std::wstring folder = win::programPath();
  folder.resize(folder.find_last_of(L"\\/") + 1);
  const std::wstring guide = folder + kHandbookPath;
  if (::GetFileAttributesW(guide.c_str()) == INVALID_FILE_ATTRIBUTES) {
    win::showError(hwnd_, w1252("Das Benutzerhandbuch wurde nicht gefunden (") +
                              win::narrowLossy(guide) +
                              w1252("). Es wird beim Einrichten mit installiert, wenn es dort "
                                    "ausgewählt ist."));
    return;
  }
  if (!win::openWithShell(hwnd_, guide)) {
    win::showError(hwnd_, w1252("Das Benutzerhandbuch konnte nicht geöffnet werden (") +
                              win::narrowLossy(guide) + w1252(")."));
  }
}

void MainWindow::showAbout() {
  aboutOpen_ = true;
  AboutWindow about;
  about.showModal(hwnd_);
  aboutOpen_ = false;
}

bool MainWindow::onCommand(int id) {
  switch (id) {
    case kCommandOpen:
      // The menu item is greyed when opening is not allowed; the key is not.
      if (openCommandEnabled(childKind(), childAlive() && child_->showsFile(), opening_)) {
        request(static_cast<int>(Request::OpenSaved));
      }
      break;
    case kCommandExit:
      ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
      break;
    case kCommandWebDin:
      openWebPath(kWebPathDin5008);
      break;
    case kCommandWebSpelling:
      openWebPath(kWebPathSpelling);
      break;
    case kCommandAbout:
      showAbout();
      break;
    case kCommandHandbook:
      openHandbook();
      break;
    case kCommandMakeArchive:
      if (classCommandEnabled()) {
        ArchiveMakerDialog maker;
        maker.run(hwnd_);
      }
      break;
    case kCommandClassResults:
      // Only from the selection, as the Lernverlauf.
      if (classCommandEnabled()) request(static_cast<int>(Request::ClassResults));
      break;
    case kCommandHistory:
      // Only from the selection: an exercise or an unsaved result would be lost.
      if (historyCommandEnabled()) request(static_cast<int>(Request::History));
      break;
    default:
      return false;
  }
  return true;
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

void MainWindow::childClosed(ChildWindow&) {
  // A child closed other than by a switch takes the program with it.
  if (closeFollows_ && hwnd_ != nullptr) ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
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

void MainWindow::setStatusText(int panel, std::string_view text) {
  if (statusBar_ == nullptr || panel < 0 || panel >= kStatusPanels) return;
  if (panel == 4) {
    // The progress bar is drawn by the window itself.
    RECT r{};
    if (::SendMessageW(statusBar_, SB_GETRECT, 4, reinterpret_cast<LPARAM>(&r))) {
      ::InvalidateRect(statusBar_, &r, TRUE);
    }
    return;
  }
  const std::wstring wide = win::widen(text);
  ::SendMessageW(statusBar_, SB_SETTEXTW, static_cast<WPARAM>(panel),
                 reinterpret_cast<LPARAM>(wide.c_str()));
}

void MainWindow::setStatusFivePanels(bool fivePanels) {
  if (statusBar_ == nullptr || fivePanels_ == fivePanels) return;
  fivePanels_ = fivePanels;
  ::SendMessageW(statusBar_, SB_SIMPLE, fivePanels ? FALSE : TRUE, 0);
}

void MainWindow::onDrawStatusItem(const DRAWITEMSTRUCT& item) {
  // Outside an exercise there is no progress to show, not even an empty frame.
  if (item.itemID != 4 || !appState().exercise.statusVisible ||
      childKind() != ChildKind::Exercise) {
    return;
  }
  const AppState& state = appState();
  const ProgressBarShape shape = progressBarShape(
      {item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom},
      ::GetSystemMetrics(SM_CXEDGE), ::GetSystemMetrics(SM_CYEDGE), win::screenPixelsPerInch(),
      state.liveKeystrokes, state.currentText.totalKeystrokes);
  const RECT frame{shape.frame.left, shape.frame.top, shape.frame.right, shape.frame.bottom};
  if (frame.right <= frame.left || frame.bottom <= frame.top) return;
  ::FrameRect(item.hDC, &frame, ::GetSysColorBrush(COLOR_3DDKSHADOW));
  if (shape.fill.width() > 0) {
    const RECT fill{shape.fill.left, shape.fill.top, shape.fill.right, shape.fill.bottom};
    ::FillRect(item.hDC, &fill, ::GetSysColorBrush(COLOR_BTNSHADOW));
  }
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
  request(static_cast<int>(commandLineFile_ ? Request::OpenSaved : Request::Selection));
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
