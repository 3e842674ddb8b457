#include "ui/teachers/class_window_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "classroom/class_overview.h"
#include "ui/shared/app_state.h"
#include "evaluation/saved_file.h"
#include "evaluation/summary.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "platform/win/controls.h"
#include "platform/win/dialog_font.h"
#include "platform/win/file_dialog.h"
#include "platform/win/message_box.h"
#include "platform/win/modal.h"
#include "platform/win/shell.h"
#include "platform/win/strings.h"
#include "ui/shared/folder_picker_win.h"
#include "ui/teachers/grade_key_dialog_win.h"
#include "ui/shared/progress_window_win.h"
#include "ui/shared/window_font_win.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

// From this many files on, the scan shows the progress window.
constexpr std::size_t kFilesWithoutProgress = 150;

void moveControl(HWND control, int x, int y, int width, int height) {
  ::MoveWindow(control, x, y, std::max(0, width), std::max(0, height), TRUE);
}

constexpr win::ListColumn kColumns[ClassWindow::kColumnCount] = {
    {L"Name (Zeile 1)", 90, false}, {L"Klasse (Zeile 2)", 66, false}, {L"Datum", 44, false},
    {L"Übungsform", 70, false},     {L"Text", 80, false},             {L"Zeit", 36, true},
    {L"Anschläge", 44, true},       {L"Fehler", 30, true},            {L"Fehlerprozent", 58, true},
    {L"Anschl./Min.", 52, true},    {L"Note", 24, true},              {L"Status", 130, false},
};

std::string today() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  char text[16];
  std::snprintf(text, sizeof text, "%02u.%02u.%04u", now.wDay, now.wMonth, now.wYear);
  return text;
}

// A number the list sorts by; -1 sorts before every figure.
double sortNumber(const ClassResult& r, int column) {
  switch (column) {
    case ClassWindow::kDate:
      return r.valid ? r.date.year * 10000.0 + r.date.month * 100.0 + r.date.day : -1;
    case ClassWindow::kTime:
      return static_cast<double>(r.seconds);
    case ClassWindow::kKeystrokes:
      return r.valid ? static_cast<double>(r.keystrokes) : -1;
    case ClassWindow::kErrors:
      return r.valid && !r.impossible ? static_cast<double>(r.errors) : -1;
    case ClassWindow::kPercent:
      return r.errorPercent().value_or(-1);
    case ClassWindow::kPerMinute:
      return static_cast<double>(r.keystrokesPerMinute);
    default:
      return 0;
  }
}

// A result opened from the list goes back to the list, not to the selection,
// when it is closed: the list as it was (read, sorted, the row chosen) waits
// here meanwhile.
struct WaitingList {
  bool waiting = false;
  std::wstring folder;
  std::vector<ClassResult> results;
  int sortColumn = 0;
  bool ascending = true;
  int selected = 0;
  std::wstring summary;
};

WaitingList& waitingList() {
  static WaitingList list;
  return list;
}

}  // namespace

bool classListWaiting() { return waitingList().waiting; }

ClassWindow::ClassWindow(ChildHost& host) : HostedChildWindow(host) {}

ClassWindow::~ClassWindow() = default;

bool ClassWindow::create() {
  if (!registerClass(kClassChildClass, ::LoadIconW(::GetModuleHandleW(nullptr), L"APPICON"))) return false;
  const AppState& state = appState();
  folder_ = win::widen(!state.classFolder.empty() ? state.classFolder : state.settings.folders.student);
  RECT client{};
  ::GetClientRect(host_.mdiClient(), &client);
  if (!createIn(host_.mdiClient(), kClassChildClass, L"Ergebnisse einer Klasse",
                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, client.right, client.bottom)) {
    return false;
  }
  ::ShowWindow(hwnd_, SW_SHOW);
  offerKeys();
  if (!takeWaitingList() && !folder_.empty() && ::GetFileAttributesW(folder_.c_str()) != INVALID_FILE_ATTRIBUTES) {
    scan();
  }
  ::UpdateWindow(hwnd_);
  openLog_.add(static_cast<int>(results_.size()), opened_);
  return true;
}

void ClassWindow::createControls() {
  folderLabel_ = win::createControl(hwnd_, L"STATIC", L"&Ordner:", SS_LEFT, 0, 0, 10, 10, kFolderLabelId);
  folderField_ = win::createControl(hwnd_, L"EDIT", folder_.c_str(), WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL,
                                    0, 0, 10, 10, kFolderId, WS_EX_CLIENTEDGE);
  choose_ = win::createControl(hwnd_, L"BUTTON", L"Ordner &wählen …", WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10,
                               kChooseId);
  keyLabel_ = win::createControl(hwnd_, L"STATIC", L"&Notenschlüssel:", SS_LEFT, 0, 0, 10, 10, kKeyLabelId);
  keyBox_ = win::createControl(hwnd_, L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 0, 10, 200,
                               kKeyBoxId);
  loadKey_ = win::createControl(hwnd_, L"BUTTON", L"Schlüssel &laden …", WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10,
                                kLoadKeyId);
  editKey_ = win::createControl(hwnd_, L"BUTTON", L"Schlüssel &bearbeiten …", WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10,
                                10, kEditKeyId);
  list_ = win::createControl(hwnd_, WC_LISTVIEWW, L"",
                             WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, 10, 10, kListId,
                             WS_EX_CLIENTEDGE);
  ::SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  summary_ = win::createControl(hwnd_, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10, kSummaryId);
  open_ = win::createControl(hwnd_, L"BUTTON", L"Ö&ffnen", WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10, kOpenId);
  csv_ = win::createControl(hwnd_, L"BUTTON", L"&CSV speichern …", WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10, kCsvId);
  overview_ = win::createControl(hwnd_, L"BUTTON", L"&Klassenübersicht …", WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10,
                                 kOverviewId);
  close_ = win::createControl(hwnd_, L"BUTTON", L"&Schließen", WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10, kCloseId);
  refreshFontsAndColours();
  const win::DialogUnits du(dialogFont_.get());
  win::addListColumns(list_, du, kColumns, kColumnCount);
}

void ClassWindow::refreshFontsAndColours() {
  dialogFont_ = createDialogFont(appState().settings.fonts);
  if (dialogFont_) win::applyDialogFont(hwnd_, dialogFont_.get());
  layout();
}

SIZE ClassWindow::minimumSize() const {
  const win::DialogUnits du(dialogFont_.get());
  return SIZE{du.x(330), du.y(160)};
}

void ClassWindow::layout() {
  if (close_ == nullptr) return;
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const win::DialogUnits du(dialogFont_.get());
  const int m = du.x(7), gap = du.x(4);
  const int labelW = du.x(62), rowH = du.y(14), labelH = du.y(9);
  // Wide enough for the longest caption in the dialog font, whatever the dpi.
  int buttonW = du.x(76);
  for (HWND button : {choose_, editKey_, loadKey_, open_, csv_, overview_, close_}) {
    buttonW = std::max<int>(buttonW, win::textExtent(dialogFont_.get(), win::windowText(button)).cx + du.x(12));
  }
  int y = m;
  const int fieldX = m + labelW;
  const int fieldW = client.right - m - buttonW - gap - fieldX;
  moveControl(folderLabel_, m, y + du.y(3), labelW, labelH);
  moveControl(folderField_, fieldX, y, fieldW, du.y(12));
  moveControl(choose_, client.right - m - buttonW, y, buttonW, rowH);
  y += rowH + gap;
  moveControl(keyLabel_, m, y + du.y(3), labelW, labelH);
  moveControl(keyBox_, fieldX, y, std::min(fieldW - buttonW - gap, du.x(180)), du.y(120));
  moveControl(editKey_, client.right - m - 2 * buttonW - gap, y, buttonW, rowH);
  moveControl(loadKey_, client.right - m - buttonW, y, buttonW, rowH);
  y += rowH + gap;
  const int buttonsTop = client.bottom - m - rowH;
  moveControl(summary_, m, buttonsTop - gap - labelH, client.right - 2 * m, labelH);
  moveControl(list_, m, y, client.right - 2 * m, buttonsTop - 2 * gap - labelH - y);
  int x = m;
  for (HWND button : {open_, csv_, overview_}) {
    moveControl(button, x, buttonsTop, buttonW, rowH);
    x += buttonW + gap;
  }
  moveControl(close_, client.right - m - buttonW, buttonsTop, buttonW, rowH);
}

void ClassWindow::offerKeys() {
  const AppState& state = appState();
  KeyOffer offer = offerGradeKeys(state.settings.folders.gradeKey, state.classGradeKey);
  if (!offer.schoolKeyProblem.empty()) win::showError(host_.frame(), offer.schoolKeyProblem);
  showKeyOffer(keyBox_, offer);
  keys_ = std::move(offer.keys);
}

const GradeKey* ClassWindow::chosenKey() const { return chosenKeyOf(keyBox_, keys_); }

void ClassWindow::chooseFolder() {
  const auto chosen = pickFolder(host_.frame(), L"Ordner mit den abgegebenen Übungen (.kvw) der Klasse:", folder_);
  if (!chosen) return;
  folder_ = *chosen;
  ::SetWindowTextW(folderField_, folder_.c_str());
  appState().classFolder = win::narrowLossy(folder_);
  scan();
}

void ClassWindow::loadKeyFile() {
  win::FileDialogRequest request;
  request.kind = win::FileDialogKind::Open;
  request.filter = L"Notenschlüssel (*.txt)\0*.txt\0Alle Dateien (*.*)\0*.*\0";
  request.title = L"Notenschlüssel laden";
  request.defaultExtension = L"txt";
  request.folder = folder_;
  const win::FileDialogAnswer answer = win::askForFile(host_.frame(), request);
  if (answer.outcome != win::FileDialogAnswer::Outcome::Chosen) return;
  std::string why;
  const std::optional<GradeKey> key = loadGradeKey(fs::path(answer.path), why);
  if (!key) {
    win::showError(hwnd_, why);
    return;
  }
  appState().classGradeKey = formatGradeKey(*key);
  offerKeys();
  fillList();
}

void ClassWindow::editKey() {
  const GradeKey* chosen = chosenKey();
  GradeKey start = chosen != nullptr ? *chosen : gradeKeyPresets().front();
  if (chosen == nullptr) start.name = w1252("Eigener Schlüssel");
  GradeKeyDialog dialog(start, folder_);
  const std::optional<GradeKey> edited = dialog.run(host_.frame());
  if (!edited) return;
  appState().classGradeKey = formatGradeKey(*edited);
  offerKeys();
  fillList();
}

void ClassWindow::scan() {
  const fs::path folder(folder_);
  const std::size_t files = classFiles(folder).size();
  results_.clear();
  bool cancelled = false;
  if (files >= kFilesWithoutProgress) {
    AppState& state = appState();
    runWithProgress(
        host_.frame(),
        [&] {
          state.progressMax = static_cast<std::int32_t>(files);
          results_ = scanClass(folder, [&](std::size_t done, std::size_t) {
            state.progressPosition = static_cast<std::int32_t>(done);
            if (done % 25 == 0) win::processPendingMessages();
            return hwnd_ != nullptr && !cancelled;
          });
        },
        cancelled);
  } else {
    results_ = scanClass(folder);
  }
  sortBy(sortColumn_);
  const auto refused = std::count_if(results_.begin(), results_.end(), [](const ClassResult& r) { return !r.valid; });
  std::wstring summary = std::to_wstring(results_.size()) + L" Dateien";
  if (refused > 0) summary += L", davon " + std::to_wstring(refused) + L" nicht gewertet";
  if (results_.empty()) summary = L"In diesem Ordner und seinen Unterordnern liegen keine gespeicherten Übungen (.kvw).";
  if (cancelled) {
    summary = L"Lesen abgebrochen: " + std::to_wstring(results_.size()) + L" von " + std::to_wstring(files) +
              L" Dateien gelesen";
    if (refused > 0) summary += L", davon " + std::to_wstring(refused) + L" nicht gewertet";
    summary += L". „Ordner wählen …“ liest den Ordner neu.";
  }
  ::SetWindowTextW(summary_, summary.c_str());
}

std::wstring ClassWindow::cellText(const ClassResult& r, int column) const {
  if (!r.valid && column != kName && column != kStatus) return L"";
  switch (column) {
    case kName:
      return win::widen(r.line1.empty() && !r.valid ? r.shownName : r.line1);
    case kClass:
      return win::widen(r.line2);
    case kDate: {
      wchar_t text[16];
      std::swprintf(text, 16, L"%02d.%02d.%04d", r.date.day, r.date.month, r.date.year);
      return text;
    }
    case kForm:
      return win::widen(r.form);
    case kText:
      return win::widen(r.text);
    case kTime:
      return r.seconds >= 0 ? win::widen(formatDuration(r.seconds)) : L"";
    case kKeystrokes:
      return std::to_wstring(r.keystrokes);
    case kErrors:
      return r.impossible ? L"–" : std::to_wstring(r.errors);
    case kPercent: {
      const auto p = r.errorPercent();
      return p ? win::widen(decimalComma(*p, 3)) : L"–";
    }
    case kPerMinute:
      return r.keystrokesPerMinute >= 0 ? std::to_wstring(r.keystrokesPerMinute) : L"";
    case kGrade:
      return chosenKey() ? win::widen(gradeText(gradeOf(*chosenKey(), r.gradeInput()))) : L"";
    case kStatus:
      return win::widen(r.status);
    default:
      return L"";
  }
}

void ClassWindow::fillList() {
  ::SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
  for (std::size_t i = 0; i < results_.size(); ++i) {
    const std::wstring first = cellText(results_[i], 0);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<wchar_t*>(first.c_str());
    const auto row = ::SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (int c = 1; c < kColumnCount; ++c) {
      const std::wstring text = cellText(results_[i], c);
      LVITEMW sub{};
      sub.iSubItem = c;
      sub.pszText = const_cast<wchar_t*>(text.c_str());
      ::SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
    }
  }
  if (!results_.empty()) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list_, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
  }
  ::SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list_, nullptr, TRUE);
  ::EnableWindow(open_, !results_.empty());
  ::EnableWindow(csv_, !results_.empty());
  ::EnableWindow(overview_, !results_.empty());
}

void ClassWindow::sortBy(int column) {
  const GradeKey* key = chosenKey();
  const auto grade = [&](const ClassResult& r) {
    const std::optional<int> g = key ? gradeOf(*key, r.gradeInput()) : std::nullopt;
    return g ? *g : 9;
  };
  const bool numeric = column >= kTime && column <= kPerMinute;
  const bool ascending = sortAscending_;
  std::stable_sort(results_.begin(), results_.end(), [&](const ClassResult& a, const ClassResult& b) {
    bool less = false, greater = false;
    if (column == kDate || numeric) {
      less = sortNumber(a, column) < sortNumber(b, column);
      greater = sortNumber(b, column) < sortNumber(a, column);
    } else if (column == kGrade) {
      less = grade(a) < grade(b);
      greater = grade(b) < grade(a);
    } else {
      const std::wstring x = cellText(a, column), y = cellText(b, column);
      const int order = ::lstrcmpiW(x.c_str(), y.c_str());
      less = order < 0;
      greater = order > 0;
    }
    return ascending ? less : greater;
  });
  sortColumn_ = column;
  fillList();
}

void ClassWindow::openSelected() {
  const auto at = ::SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
  if (at < 0 || static_cast<std::size_t>(at) >= results_.size()) return;
  const ClassResult& r = results_[static_cast<std::size_t>(at)];
  OpenedResult opened;
  const std::string path = cp1252OfPath(r.file);
  const ResultFileError error = openResultFile(path, opened);
  if (error != ResultFileError::None) {
    win::showError(hwnd_, resultFileErrorMessage(error, path));
    return;
  }
  WaitingList& waiting = waitingList();
  waiting.waiting = true;
  waiting.folder = folder_;
  waiting.results = results_;
  waiting.sortColumn = sortColumn_;
  waiting.ascending = sortAscending_;
  waiting.selected = static_cast<int>(at);
  waiting.summary = win::windowText(summary_);
  // Read as when a saved exercise is opened: the result window's file view.
  AppState& state = appState();
  const bool compatibility = opened.compatibility;
  state.openedFile = std::move(opened);
  state.fileView = true;
  host_.request(static_cast<int>(Request::Result));
  if (compatibility) {
    win::showInformation(host_.frame(), compatibilityViewNotice());
  }
}

bool ClassWindow::takeWaitingList() {
  WaitingList& waiting = waitingList();
  if (!waiting.waiting) return false;
  waiting.waiting = false;
  if (waiting.folder != folder_) return false;
  results_ = std::move(waiting.results);
  sortColumn_ = waiting.sortColumn;
  sortAscending_ = waiting.ascending;
  fillList();
  ::SetWindowTextW(summary_, waiting.summary.c_str());
  if (waiting.selected >= 0 && static_cast<std::size_t>(waiting.selected) < results_.size()) {
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(waiting.selected), reinterpret_cast<LPARAM>(&state));
    ::SendMessageW(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(waiting.selected), FALSE);
  }
  return true;
}

std::optional<std::wstring> ClassWindow::askSavePath(const wchar_t* filter, const wchar_t* title,
                                                     const wchar_t* extension) const {
  win::FileDialogRequest request;
  request.kind = win::FileDialogKind::Save;
  request.filter = filter;
  request.title = title;
  request.defaultExtension = extension;
  request.folder = folder_;
  const win::FileDialogAnswer answer = win::askForFile(host_.frame(), request);
  if (answer.outcome != win::FileDialogAnswer::Outcome::Chosen) return std::nullopt;
  return answer.path;
}

void ClassWindow::exportCsv() {
  const auto answer = askSavePath(L"CSV für eine Tabellenkalkulation (*.csv)\0*.csv\0", L"Liste als CSV speichern",
                                  L"csv");
  if (!answer) return;
  const fs::path target(*answer);
  // The byte-order mark tells spreadsheet programs that the file is UTF-8.
  const AtomicWriteResult written = writeFileAtomically(target, "\xEF\xBB\xBF" + classCsv(results_, chosenKey()), {});
  if (!written) {
    win::showError(hwnd_, w1252("Die Liste wurde nicht als „") + cp1252OfPath(target) + w1252("“ gespeichert. ") +
                              written.reason(target));
  }
}

void ClassWindow::exportOverview() {
  const auto answer = askSavePath(L"Webseite (*.html)\0*.html\0", L"Klassenübersicht speichern", L"html");
  if (!answer) return;
  const fs::path target(*answer);
  const HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  OverviewInput in;
  const fs::path folder(folder_);
  in.folderName = cp1252OfPath(folder.filename().empty() ? folder.parent_path().filename() : folder.filename());
  in.madeOn = today();
  in.key = chosenKey();
  in.results = results_;
  in.histories = readLearnerHistories(folder);
  const AtomicWriteResult written = writeFileAtomically(target, classOverviewHtml(in), {});
  ::SetCursor(previous);
  if (!written) {
    win::showError(hwnd_, w1252("Die Klassenübersicht wurde nicht als „") + cp1252OfPath(target) +
                              w1252("“ gespeichert. ") + written.reason(target));
    return;
  }
  win::openWithShell(host_.frame(), target.wstring());
}

LRESULT ClassWindow::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      createControls();
      return 0;
    case WM_SIZE:
      layout();
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_3DFACE));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_3DFACE));
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == list_ && header->code == LVN_COLUMNCLICK) {
        const int column = reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem;
        sortAscending_ = column == sortColumn_ ? !sortAscending_ : true;
        sortBy(column);
        return 0;
      }
      if (header->hwndFrom == list_ && header->code == NM_DBLCLK) {
        openSelected();
        return 0;
      }
      break;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kChooseId:
          chooseFolder();
          return 0;
        case kLoadKeyId:
          loadKeyFile();
          return 0;
        case kEditKeyId:
          editKey();
          return 0;
        case kKeyBoxId:
          if (HIWORD(wParam) == CBN_SELCHANGE) {
            const GradeKey* key = chosenKey();
            appState().classGradeKey = key ? formatGradeKey(*key) : std::string();
            fillList();
          }
          return 0;
        case kOpenId:
          openSelected();
          return 0;
        case kCsvId:
          exportCsv();
          return 0;
        case kOverviewId:
          exportOverview();
          return 0;
        case IDOK: {
          // Return: the focused button, else the selected result.
          const HWND focus = ::GetFocus();
          if (focus == choose_) chooseFolder();
          else if (focus == loadKey_) loadKeyFile();
          else if (focus == editKey_) editKey();
          else if (focus == csv_) exportCsv();
          else if (focus == overview_) exportOverview();
          else if (focus == close_) host_.request(static_cast<int>(Request::Selection));
          else openSelected();
          return 0;
        }
        case kCloseId:
        case IDCANCEL:
          host_.request(static_cast<int>(Request::Selection));
          return 0;
        default:
          break;
      }
      break;
    case WM_SYSCOMMAND:
      if (systemCommandLeadsToSelection(host_, wParam)) return 0;
      break;
    default:
      break;
  }
  return finishMessage(msg, wParam, lParam);
}

std::unique_ptr<ChildWindow> createClassWindow(ChildHost& host) { return createChildWindow<ClassWindow>(host); }

}  // namespace kv
