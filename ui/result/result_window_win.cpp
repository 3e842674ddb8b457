#include "ui/result/result_window_win.h"

#include "ui/result/saved_exercise_dialog_win.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <optional>

#include "ui/adaptive/adaptive_run_win.h"
#include "ui/exam/hand_in_win.h"
#include "ui/shared/app_state.h"
#include "evaluation/saved_file.h"
#include "evaluation/summary.h"
#include "platform/encoding.h"
#include "platform/win/controls.h"
#include "platform/win/dialog_font.h"
#include "platform/win/file_dialog.h"
#include "ui/shared/window_font_win.h"
#include "platform/win/message_box.h"
#include "platform/win/strings.h"
#include "ui/exercise/exercise_host_win.h"
#include "ui/shared/fixed_text_win.h"
#include "ui/shared/system_colours_win.h"
#include "ui/history/history_access_win.h"
#include "history/exercise_record.h"

namespace kv {
namespace {

constexpr const wchar_t* kEvaluationCaption = L"Auswertung";
constexpr const wchar_t* kFileCaption = L"Dateiansicht";
constexpr const wchar_t* kCompatibilityCaption = L"Klavento 5.0 Kompatibilitätsansicht";

constexpr const char* kUnsavedQuestion =
    "Der Text wurde weder gedruckt noch gespeichert.\r\nÜbung wirklich beenden?";

void errorBeep() { ::MessageBeep(0xFFFFFFFF); }

bool boldListFont(const std::string& name) { return name != "Consolas"; }

}  // namespace

ResultWindow::ResultWindow(ChildHost& host) : HostedChildWindow(host) {}

ResultWindow::~ResultWindow() = default;

bool ResultWindow::create() {
  if (!registerClass(kClassName, ::LoadIconW(::GetModuleHandleW(nullptr), L"APPICON"))) {
    return false;
  }
  loadFromState();
  RECT client{};
  ::GetClientRect(host_.mdiClient(), &client);
  // WS_VSCROLL here would be the child's own bar; the list has its own.
  // Created with its final caption: a saved file never shows as an evaluation,
  // not even for a moment.
  if (!createIn(host_.mdiClient(), kClassName, caption(),
                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, client.right, client.bottom)) {
    return false;
  }
  placeInitially();
  ::ShowWindow(hwnd_, SW_SHOW);
  if (!historyNotice_.empty()) {
    // The learner learns of a history problem, but the result stays in front.
    if (historyFailed_) {
      win::showError(host_.frame(), historyNotice_);
    } else {
      win::showInformation(host_.frame(), historyNotice_);
    }
    historyNotice_.clear();
  }
  if (!handInMessage_.empty()) {
    // Kept on this PC, nothing is lost: a warning. Not even kept: an error.
    if (handInWaiting_) {
      win::showWarning(host_.frame(), handInMessage_);
    } else {
      win::showError(host_.frame(), handInMessage_);
    }
    handInMessage_.clear();
  }
  if (handInWaiting_) host_.keepTryingHandIns();
  return true;
}

void ResultWindow::loadFromState() {
  AppState& state = appState();
  fileView_ = state.fileView;
  if (fileView_) {
    lines_ = state.openedFile.lines;
    compatibility_ = state.openedFile.compatibility;
    longestLine_ = state.openedFile.longestLine;
    typedLineCount_ = 0;
  } else {
    const ExerciseOutcome& outcome = lastExerciseOutcome();
    SummaryInputs in;
    in.form = state.exercise.form;
    in.pace = state.exercise.pace;
    in.correctionAllowed = state.exercise.correctionAllowed;
    in.exerciseTitle = state.exercise.textTitle;
    in.selection = state.exercise.selection;
    in.startTick = outcome.startTick;
    in.endTick = outcome.endTick;
    in.timeLimitReached = outcome.timeLimitReached;
    in.learnerLine1 = state.resultOptions.learnerLine1;
    in.learnerLine2 = state.resultOptions.learnerLine2;
    in.showExerciseTime = state.resultOptions.showExerciseTime;
    in.showKeystrokesPerMinute = state.resultOptions.showKeystrokesPerMinute;
    in.injectedKeys = static_cast<std::uint32_t>(std::max(0, outcome.injectedKeys));
    in.physicalKeys = static_cast<std::uint32_t>(std::max(0, outcome.physicalKeys));
    in.longestLine = state.currentText.longestLine;
    in.today = todayLocal();
    typedLineCount_ = state.typed.typedLineCount;
    recordInHistory(in);
    lines_ = buildSummary(state.typed, in);
    longestLine_ = state.currentText.longestLine;
    compatibility_ = false;
  }
  while (lines_.size() < kMinResultLines) lines_.emplace_back();
  unsaved_ = true;
  if (!fileView_ && state.classTest.active) {
    const HandInNotice handedIn = handInClassTestResult(lines_, state.typed, longestLine_);
    handInLine_ = handedIn.line;
    handInMessage_ = handedIn.message;
    handInWaiting_ = handedIn.waiting;
    // Handed in, or kept on this PC until it can be: nothing is lost by closing.
    unsaved_ = !handedIn.delivered && !handedIn.waiting;
  }
}

void ResultWindow::handInChanged() {
  const std::string& notice = appState().classTest.handInNotice;
  if (fileView_ || handInLabel_ == nullptr || notice == handInLine_) return;
  handInLine_ = notice;
  handInWaiting_ = false;
  ::SetWindowTextW(handInLabel_, win::widen(handInLine_).c_str());
}

void ResultWindow::recordInHistory(const SummaryInputs& in) {
  const AppState& state = appState();
  ExerciseOutcome& outcome = lastExerciseOutcome();
  // An adaptive lesson is kept for the next one also where no Lernverlauf is.
  const bool adaptive = adaptiveLessonRunning();
  if ((!state.settings.policies.historyEnabled && !adaptive) || outcome.recorded) return;
  outcome.recorded = true;
  RecordInputs r;
  const SummaryFigures figures = summaryFigures(state.typed, in);
  r.startedAt = localTimeText(tickDiff(outcome.endTick, outcome.startTick));
  r.form = state.exercise.form;
  r.pace = state.exercise.pace;
  r.correction = state.exercise.correctionAllowed;
  r.title = state.exercise.textTitle;
  r.archive = state.exercise.archiveCaption;
  r.firstLine = std::max(0, state.exercise.selection.firstLine);
  r.lastLine = std::max(0, state.exercise.selection.lastLine);
  ExerciseRecord record = buildExerciseRecord(r, state.typed, figures, outcome.templateText, outcome.rhythm);
  outcome.templateText.clear();
  // One token for both copies, so that the lesson is counted once.
  record.token = newRecordToken();
  if (adaptive) keepAdaptiveLesson(record);
  if (!state.settings.policies.historyEnabled) return;
  const RecordOutcome recorded = recordExercise(record);
  historyNotice_ = recorded.notice;
  historyFailed_ = recorded.fate != RecordFate::Recorded;
}

void ResultWindow::createControls() {
  list_ = win::createControl(hwnd_, L"LISTBOX", L"",
                             WS_TABSTOP | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                                 LBS_NOSEL | LBS_NOINTEGRALHEIGHT | LBS_DISABLENOSCROLL |
                                 LBS_NOTIFY,
                             0, 0, 10, 10, kListId, WS_EX_CLIENTEDGE);
  ::SetWindowSubclass(list_, &ResultWindow::listProc, 1, reinterpret_cast<DWORD_PTR>(this));
  win::labelForScreenReaders(list_, L"Auswertung");
  listAccess_.attach(
      list_, L"Auswertung", [this] { return static_cast<int>(lines_.size()); },
      [this](int i) {
        const SpokenLine spoken = spokenLine(lines_[static_cast<std::size_t>(i)]);
        return LineListAccess::Line{win::widen(spoken.text), win::widen(spoken.errors)};
      });
  saveButton_ = win::createControl(hwnd_, L"BUTTON", L"", WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10,
                                   10, kSaveId);
  printButton_ = win::createControl(hwnd_, L"BUTTON", L"&Drucken …",
                                    WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10, kPrintId);
  closeButton_ = win::createControl(hwnd_, L"BUTTON", L"&Schließen", WS_TABSTOP | BS_PUSHBUTTON,
                                    0, 0, 10, 10, kCloseId);
  if (!handInLine_.empty()) {
    handInLabel_ = win::createControl(hwnd_, L"STATIC", win::widen(handInLine_).c_str(),
                                      SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, 0, 0, 10, 10, kHandInId);
  }
  grip_ = win::createControl(hwnd_, L"SCROLLBAR", L"", SBS_SIZEGRIP | SBS_SIZEBOXBOTTOMRIGHTALIGN,
                             0, 0, 10, 10, kGripId);
  // The window closes only through its button.
  const HMENU menu = ::GetSystemMenu(hwnd_, FALSE);
  ::EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  ::EnableMenuItem(menu, SC_NEXTWINDOW, MF_BYCOMMAND | MF_GRAYED);
  applyDialogFont();
  buildFontTable();
  showLines();
  applyCaptions();
}

void ResultWindow::applyDialogFont() {
  dialogFont_ = createDialogFont(appState().settings.fonts);
  if (dialogFont_) win::applyDialogFont(hwnd_, dialogFont_.get());
}

void ResultWindow::showLines() {
  ::SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(list_, LB_RESETCONTENT, 0, 0);
  for (const std::string& line : lines_) {
    const std::wstring wide = win::widen(line);
    ::SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  }
  ::SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list_, nullptr, TRUE);
}

const wchar_t* ResultWindow::caption() const {
  return !fileView_ ? kEvaluationCaption : compatibility_ ? kCompatibilityCaption : kFileCaption;
}

void ResultWindow::applyCaptions() {
  ::SetWindowTextW(hwnd_, caption());
  ::SetWindowTextW(saveButton_, fileView_ ? L"Ö&ffnen …" : L"S&peichern …");
  ::ShowWindow(printButton_, compatibility_ ? SW_HIDE : SW_SHOW);
  ::EnableWindow(printButton_, !compatibility_);
}

win::Font ResultWindow::makeListFont(HDC dc, int size, bool underline) const {
  const std::string& face = appState().settings.fonts.fixedName;
  return createFixedFont(dc, face, size, boldListFont(face), underline);
}

void ResultWindow::buildFontTable() {
  const win::WindowDc dc(hwnd_);
  const std::wstring reference(static_cast<std::size_t>(screenReferenceLength(longestLine_)), L' ');
  fontTable_ = FontTable::measure([&](int size) {
    const win::Font font = makeListFont(dc.get(), size, false);
    const win::ScopedSelect select(dc.get(), font.get());
    const SIZE extent = extentOf(dc.get(), reference);
    return FontMetric{extent.cx, extent.cy + 1};
  });
  RECT frame{0, 0, 0, 0};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
  fontSize_ = 0;  // forces the fonts to be made
  setListFontSize(fontTable_.startingSize(frame.right - frame.left + listChromeWidth()));
}

void ResultWindow::setListFontSize(int size) {
  if (size == fontSize_ && listFont_) return;
  fontSize_ = size;
  const win::WindowDc dc(hwnd_);
  listFont_ = makeListFont(dc.get(), size, false);
  underlineFont_ = makeListFont(dc.get(), size, true);
  {
    const win::ScopedSelect select(dc.get(), listFont_.get());
    indentPixels_ = 2 + indentSpaces(longestLine_) * extentOf(dc.get(), L" ").cx;
  }
  ::SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(listFont_.get()), FALSE);
  ::SendMessageW(list_, LB_SETITEMHEIGHT, 0, fontTable_.at(size).height);
  ::InvalidateRect(list_, nullptr, TRUE);
}

int ResultWindow::buttonStripHeight() const {
  const win::DialogUnits du(dialogFont_.get());
  return du.y(14) + 2 * du.x(4) + (handInLabel_ != nullptr ? du.y(10) + du.x(4) : 0);
}

int ResultWindow::listFrameHeight() const { return 2 * ::GetSystemMetrics(SM_CYEDGE); }

int ResultWindow::listChromeWidth() const {
  const win::DialogUnits du(dialogFont_.get());
  return 2 * du.x(4) + 2 * ::GetSystemMetrics(SM_CXEDGE) + ::GetSystemMetrics(SM_CXVSCROLL);
}

void ResultWindow::snapSizingRect(WPARAM edge, RECT& rect) {
  RECT frame{0, 0, 0, 0};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
  const int frameWidth = frame.right - frame.left;
  const int frameHeight = frame.bottom - frame.top;
  const int size = fontTable_.sizeForWidth(rect.right - rect.left - frameWidth - listChromeWidth());
  const int margin = win::DialogUnits(dialogFont_.get()).x(4);
  const int fixed = frameHeight + margin + listFrameHeight() + buttonStripHeight();
  const int listHeight = wholeLineListHeight(rect.bottom - rect.top - fixed,
                                             fontTable_.at(size).height, lines_.size());
  const int height = fixed + listHeight;
  if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT) {
    rect.top = rect.bottom - height;
  } else {
    rect.bottom = rect.top + height;
  }
}

void ResultWindow::placeInitially() {
  RECT client{};
  ::GetClientRect(host_.mdiClient(), &client);
  int width = client.right;
  int height = client.bottom;
  if (::IsZoomed(host_.frame())) {
    width = maximisedResultWidth(client.right, longestLine_);
    height = client.bottom * 9 / 10;
  }
  RECT rect{0, 0, width, height};
  snapSizingRect(WMSZ_BOTTOM, rect);
  width = rect.right - rect.left;
  height = rect.bottom - rect.top;
  placing_ = true;
  ::SetWindowPos(hwnd_, nullptr, (client.right - width) / 2, std::max(0L, (client.bottom - height) / 2),
                 width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  placing_ = false;
  layout();
}

void ResultWindow::layout() {
  if (hwnd_ == nullptr || list_ == nullptr) return;
  RECT r{};
  ::GetClientRect(hwnd_, &r);
  const win::DialogUnits du(dialogFont_.get());
  const int margin = du.x(4);
  const int buttonWidth = du.x(64);
  const int buttonHeight = du.y(14);
  setListFontSize(fontTable_.sizeForWidth(r.right - listChromeWidth()));
  const int strip = buttonStripHeight();
  const int listHeight =
      wholeLineListHeight(r.bottom - strip - margin - listFrameHeight(),
                          fontTable_.at(fontSize_).height, lines_.size()) +
      listFrameHeight();
  ::MoveWindow(list_, margin, margin, std::max(0L, r.right - 2 * margin), listHeight, TRUE);
  const int gripWidth = ::GetSystemMetrics(SM_CXVSCROLL);
  const int gripHeight = ::GetSystemMetrics(SM_CYHSCROLL);
  const int top = static_cast<int>(r.bottom) - margin - buttonHeight;
  if (handInLabel_ != nullptr) {
    ::MoveWindow(handInLabel_, margin, top - margin - du.y(10), std::max(0L, r.right - 2 * margin), du.y(10), TRUE);
  }
  ::MoveWindow(saveButton_, margin, top, buttonWidth, buttonHeight, TRUE);
  ::MoveWindow(printButton_, (static_cast<int>(r.right) - buttonWidth) / 2, top, buttonWidth,
               buttonHeight, TRUE);
  ::MoveWindow(closeButton_, static_cast<int>(r.right) - margin - gripWidth - buttonWidth, top,
               buttonWidth, buttonHeight, TRUE);
  ::MoveWindow(grip_, r.right - gripWidth, r.bottom - gripHeight, gripWidth, gripHeight, TRUE);
}

SIZE ResultWindow::minimumSize() const {
  const win::DialogUnits du(dialogFont_.get());
  RECT frame{0, 0, 0, 0};
  if (hwnd_ != nullptr) {
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
  }
  const int item = fontTable_.at(kSmallestFontSize).height;
  return SIZE{3 * du.x(64) + 4 * du.x(4) + ::GetSystemMetrics(SM_CXVSCROLL) +
                  (frame.right - frame.left),
              buttonStripHeight() + du.x(4) + listFrameHeight() + 5 * item +
                  (frame.bottom - frame.top)};
}

void ResultWindow::refreshFontsAndColours() {
  applyDialogFont();
  buildFontTable();
  layout();
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void ResultWindow::enableCommands(bool enabled) {
  ::EnableWindow(saveButton_, enabled);
  ::EnableWindow(printButton_, enabled && !compatibility_);
  ::EnableWindow(closeButton_, enabled);
}

void ResultWindow::drawLine(const DRAWITEMSTRUCT& item) {
  const RECT& rc = item.rcItem;
  const int width = rc.right - rc.left;
  const int height = rc.bottom - rc.top;
  if (width <= 0 || height <= 0) return;
  const win::MemoryDc memory(::CreateCompatibleDC(item.hDC));
  const win::Bitmap bitmap(::CreateCompatibleBitmap(item.hDC, width, height));
  if (!memory || !bitmap) return;
  const win::ScopedSelect selectBitmap(memory.get(), bitmap.get());
  const RECT whole{0, 0, width, height};
  ::FillRect(memory.get(), &whole, ::GetSysColorBrush(COLOR_WINDOW));
  ::SetTextColor(memory.get(), ::GetSysColor(COLOR_WINDOWTEXT));
  ::SetBkMode(memory.get(), TRANSPARENT);
  const std::size_t index = item.itemID;
  const std::string line = index < lines_.size() ? lines_[index] : std::string();
  drawRuns(memory.get(), indentPixels_, 0, line, listFont_.get(), underlineFont_.get(), systemColoursOn());
  ::BitBlt(item.hDC, rc.left, rc.top, width, height, memory.get(), 0, 0, SRCCOPY);
}

bool ResultWindow::listKey(WPARAM key) {
  const int count = static_cast<int>(::SendMessageW(list_, LB_GETCOUNT, 0, 0));
  const int item = std::max(1, fontTable_.at(fontSize_).height);
  RECT r{};
  ::GetClientRect(list_, &r);
  const int page = std::max(1, static_cast<int>(r.bottom) / item);
  const int top = static_cast<int>(::SendMessageW(list_, LB_GETTOPINDEX, 0, 0));
  int target = top;
  switch (key) {
    case VK_UP:
    case VK_LEFT:
      target = top - 1;
      break;
    case VK_DOWN:
    case VK_RIGHT:
      target = top + 1;
      break;
    case VK_PRIOR:
      target = top - page;
      break;
    case VK_NEXT:
      target = top + page;
      break;
    case VK_HOME:
      target = 0;
      break;
    case VK_END:
      target = count;
      break;
    default:
      return false;
  }
  target = std::clamp(target, 0, std::max(0, count - page));
  ::SendMessageW(list_, LB_SETTOPINDEX, static_cast<WPARAM>(target), 0);
  // The top line is where a screen reader reads and a magnifier looks.
  listAccess_.scrolled();
  return true;
}

LRESULT CALLBACK ResultWindow::listProc(HWND list, UINT msg, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR data) {
  return win::handleGuarded(list, msg, wParam, lParam, &::DefSubclassProc,
                            [&] { return listMessage(list, msg, wParam, lParam, data); });
}

LRESULT ResultWindow::listMessage(HWND list, UINT msg, WPARAM wParam, LPARAM lParam, DWORD_PTR data) {
  auto* self = reinterpret_cast<ResultWindow*>(data);
  switch (msg) {
    case WM_KEYDOWN:
      // The list has no selection to move: keys only scroll, others do nothing.
      if (wParam == VK_TAB || wParam == VK_ESCAPE || wParam == VK_RETURN) break;
      self->listKey(wParam);
      return 0;
    case WM_CHAR:
      return 0;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(list, &ResultWindow::listProc, 1);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(list, msg, wParam, lParam);
}

void ResultWindow::setButtonsEnabled(bool enabled) { enableCommands(enabled); }

// ---- Commands ---------------------------------------------------------------

void ResultWindow::closeResult() {
  if (!fileView_ && unsaved_) {
    errorBeep();
    if (!win::askYesNo(hwnd_, w1252(kUnsavedQuestion))) {
      ::SetFocus(closeButton_);
      return;
    }
  }
  host_.request(static_cast<int>(Request::Selection));
}

void ResultWindow::saveResult() {
  const CommandsOff off(*this);
  win::FileDialogRequest request;
  request.kind = win::FileDialogKind::Save;
  request.filter = L"Text mit Auswertung (*.kvw)\0*.kvw\0Nur Text ohne Auswertung (*.txt)\0*.txt\0";
  request.title = L"Übung speichern";
  request.defaultExtension = L"kvw";
  request.folder = win::widen(appState().settings.folders.student);
  const win::FileDialogAnswer answer = win::askForFile(host_.frame(), request);
  if (answer.outcome == win::FileDialogAnswer::Outcome::Failed) {
    showFileDialogFailure(hwnd_, answer.error);
    return;
  }
  if (answer.outcome == win::FileDialogAnswer::Outcome::Chosen) saveTo(answer.path);
}

bool ResultWindow::saveTo(const std::wstring& chosenPath) {
  const std::optional<std::string> chosen = win::narrow(chosenPath);
  if (!chosen) {
    win::showError(hwnd_, w1252("Der Dateiname enthält Zeichen, die Klavento nicht verwenden "
                                "kann. Bitte wählen Sie einen anderen Namen."));
    return false;
  }
  const std::string path = completeSaveName(*chosen);
  AppState& state = appState();
  state.settings.folders.student = folderOf(path);
  state.openDialogFolder = folderOf(path);
  if (const AtomicWriteResult saved = saveResultFile(path, lines_, state.typed, longestLine_, typedLineCount_);
      !saved) {
    // The evaluation stays open and unsaved, so the learner can choose
    // another place; the earlier file of that name was never touched.
    win::showError(hwnd_, w1252("Die Datei \"") + path + w1252("\" konnte nicht gespeichert werden. ") +
                              saved.reason(pathFromCp1252(path)) +
                              w1252(" Eine frühere Datei dieses Namens ist unverändert. Bitte speichern "
                                    "Sie die Übung an einem anderen Ort."));
    return false;
  }
  unsaved_ = false;
  return true;
}

void ResultWindow::openAnother() {
  const CommandsOff off(*this);
  const auto file = askForSavedExercise(host_.frame());
  if (!file) return;
  openFile(*file);
}

bool ResultWindow::openFile(const std::wstring& path) {
  const std::optional<std::string> narrowPath = win::narrow(path);
  const std::string shown = narrowPath ? *narrowPath : win::narrowLossy(path);
  OpenedResult opened;
  const HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  const ResultFileError error =
      narrowPath ? openResultFile(*narrowPath, opened) : ResultFileError::CannotRead;
  ::SetCursor(previous);
  AppState& state = appState();
  state.openDialogFolder = folderOf(shown);
  if (error != ResultFileError::None) {
    // The shown exercise stays as it was.
    win::showError(hwnd_, resultFileErrorMessage(error, shown));
    return false;
  }
  state.openedFile = std::move(opened);
  state.fileView = true;
  loadFromState();
  buildFontTable();
  showLines();
  applyCaptions();
  layout();
  if (compatibility_) win::showInformation(hwnd_, compatibilityViewNotice());
  return true;
}

// ---- Messages ---------------------------------------------------------------

LRESULT ResultWindow::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      createControls();
      return 0;
    case WM_SIZE:
      if (!placing_) layout();
      break;  // the MDI child handling needs it too
    case WM_SIZING:
      snapSizingRect(wParam, *reinterpret_cast<RECT*>(lParam));
      return TRUE;
    case WM_GETMINMAXINFO:
      // Until its controls are made there is no font table to measure a
      // minimum by: the system's own limits stand.
      if (list_ == nullptr) return defaultHandling(msg, wParam, lParam);
      break;
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (measure->CtlID != kListId) break;
      measure->itemHeight = static_cast<UINT>(std::max(1, fontTable_.at(fontSize_).height));
      return TRUE;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID != kListId) break;
      drawLine(*item);
      return TRUE;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) break;
      switch (LOWORD(wParam)) {
        case kSaveId:
          if (fileView_) {
            openAnother();
          } else {
            saveResult();
          }
          return 0;
        case kPrintId:
          printResult();
          return 0;
        case kCloseId:
          closeResult();
          return 0;
        default:
          break;
      }
      break;
    case WM_SYSCOMMAND: {
      const WPARAM command = wParam & 0xFFF0;
      if (command == SC_CLOSE || command == SC_NEXTWINDOW || command == SC_PREVWINDOW) return 0;
      break;
    }
    default:
      break;
  }
  return finishMessage(msg, wParam, lParam);
}

std::unique_ptr<ChildWindow> createResultWindow(ChildHost& host) {
  return createChildWindow<ResultWindow>(host);
}

}  // namespace kv
