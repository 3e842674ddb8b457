// The teachers' window itself: its creation, controls and layout, the grade
// key offered, the caption, summary and notice, and the messages.
#include "ui/teachers/class_window_win.h"
#include "ui/teachers/class_window_parts_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "core/settings.h"
#include "exam/class_test.h"
#include "exam/test_status.h"
#include "platform/encoding.h"
#include "platform/win/controls.h"
#include "platform/win/dialog_font.h"
#include "platform/win/file_dialog.h"
#include "platform/win/message_box.h"
#include "platform/win/strings.h"
#include "ui/shared/app_state.h"
#include "ui/shared/folder_picker_win.h"
#include "ui/shared/system_colours_win.h"
#include "ui/shared/window_font_win.h"
#include "ui/teachers/grade_key_dialog_win.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

void moveControl(HWND control, int x, int y, int width, int height) {
  ::MoveWindow(control, x, y, std::max(0, width), std::max(0, height), TRUE);
}

std::wstring clockText(const SYSTEMTIME& t) {
  wchar_t text[8];
  std::swprintf(text, 8, L"%02u:%02u", t.wHour, t.wMinute);
  return text;
}

std::string testDescription(const ClassTest& test) {
  std::string text = w1252("Klassenarbeit ") + test.className + w1252(" „") + test.title + w1252("“, ") +
                     minutesText(test.seconds) + ", " + formName(test.form) + ", " +
                     (test.correctionAllowed ? w1252("mit Korrektur") : w1252("ohne Korrektur"));
  return text;
}

constexpr win::ListColumn kColumns[ClassWindow::kColumnCount] = {
    {L"Name (Zeile 1)", 90, false}, {L"Klasse (Zeile 2)", 66, false}, {L"Datum", 44, false},
    {L"Übungsform", 70, false},     {L"Text", 80, false},             {L"Zeit", 36, true},
    {L"Anschläge", 44, true},       {L"Fehler", 30, true},            {L"Fehlerprozent", 58, true},
    {L"Anschl./Min.", 52, true},    {L"Note", 24, true},              {L"Status", 130, false},
};

}  // namespace

using teachers::kReadingDone;
using teachers::kWatchTimer;
using teachers::waitingList;

ClassWindow::ClassWindow(ChildHost& host) : HostedChildWindow(host) {}

ClassWindow::~ClassWindow() = default;

bool ClassWindow::create() {
  if (!registerClass(kClassChildClass, ::LoadIconW(::GetModuleHandleW(nullptr), L"APPICON"))) return false;
  AppState& state = appState();
  // The test the teacher has just prepared, asked for once.
  const std::string testFile = std::exchange(state.classTestFile, std::string());
  state_.folder = win::widen(!state.classFolder.empty() ? state.classFolder : state.settings.folders.student);
  RECT client{};
  ::GetClientRect(host_.mdiClient(), &client);
  if (!createIn(host_.mdiClient(), kClassChildClass, L"Ergebnisse einer Klasse",
                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, client.right, client.bottom)) {
    return false;
  }
  ::ShowWindow(hwnd_, SW_SHOW);
  if (!testFile.empty()) {
    waitingList().waiting = false;
    offerKeys();
    const fs::path file = pathFromCp1252(testFile);
    if (!openTest(file.wstring())) {
      // The hand-ins can still be looked at, checked as any class folder's.
      std::error_code ec;
      const fs::path handIns = handInFolderOf(file);
      openFolderPlain(fs::is_directory(handIns, ec) ? handIns.wstring() : file.parent_path().wstring());
    }
  } else if (std::optional<std::wstring> selected = takeWaitingList()) {
    offerKeys();
    showTestCaption();
    fillList(*selected, true);
    showNotice();
    showSummary();
    // What arrived while the result was open.
    watch();
  } else {
    offerKeys();
    openFolder(state_.folder);
  }
  keepTimer();
  ::UpdateWindow(hwnd_);
  openLog_.add(static_cast<int>(state_.rows.size()), opened_);
  return true;
}

void ClassWindow::createControls() {
  folderLabel_ = win::createControl(hwnd_, L"STATIC", L"&Ordner:", SS_LEFT, 0, 0, 10, 10, kFolderLabelId);
  folderField_ = win::createControl(hwnd_, L"EDIT", state_.folder.c_str(), WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL,
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
  win::labelForScreenReaders(list_, L"Abgegebene Übungen");
  summary_ = win::createControl(hwnd_, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10, kSummaryId);
  notice_ = win::createControl(hwnd_, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10, kNoticeId);
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
  // The notice of a folder that cannot be read stands out in bold.
  LOGFONTW bold{};
  if (dialogFont_ && ::GetObjectW(dialogFont_.get(), sizeof bold, &bold) == sizeof bold) {
    bold.lfWeight = FW_BOLD;
    noticeFont_ = win::Font(::CreateFontIndirectW(&bold));
    if (noticeFont_) ::SendMessageW(notice_, WM_SETFONT, reinterpret_cast<WPARAM>(noticeFont_.get()), TRUE);
  }
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
  const int lineW = client.right - 2 * m;
  // The summary may name a long test title; the notice a long server path:
  // each takes a second line rather than being cut off.
  const auto linesFor = [&](HWND control, HFONT font) {
    const std::wstring text = win::windowText(control);
    if (text.empty()) return 0;
    return win::textExtent(font, text).cx > lineW - du.x(4) ? 2 : 1;
  };
  const int summaryH = std::max(1, linesFor(summary_, dialogFont_.get())) * labelH;
  const int noticeLines = linesFor(notice_, noticeFont_ ? noticeFont_.get() : dialogFont_.get());
  const int noticeH = noticeLines * labelH;
  const int summaryTop = buttonsTop - gap - summaryH;
  moveControl(summary_, m, summaryTop, lineW, summaryH);
  const int noticeTop = summaryTop - (noticeLines > 0 ? du.y(2) + noticeH : 0);
  moveControl(notice_, m, noticeTop, lineW, noticeH);
  ::ShowWindow(notice_, noticeLines > 0 ? SW_SHOWNA : SW_HIDE);
  moveControl(list_, m, y, lineW, noticeTop - gap - y);
  fitColumns();
  int x = m;
  for (HWND button : {open_, csv_, overview_}) {
    moveControl(button, x, buttonsTop, buttonW, rowH);
    x += buttonW + gap;
  }
  moveControl(close_, client.right - m - buttonW, buttonsTop, buttonW, rowH);
}

void ClassWindow::offerKeys(bool testKeyFirst) {
  AppState& state = appState();
  KeyOffer offer = offerGradeKeys(state.settings.folders.gradeKey, state.classGradeKey);
  if (!offer.schoolKeyProblem.empty()) win::showError(host_.frame(), offer.schoolKeyProblem);
  // The test's own key, after "ohne Noten"; chosen when the test opens, and
  // whenever it is the key chosen before.
  if (state_.test && !state_.test->gradeKey.empty()) {
    GradeKeyError ignored;
    if (std::optional<GradeKey> key = parseGradeKey(state_.test->gradeKey, ignored)) {
      const auto same = std::find_if(offer.keys.begin() + 1, offer.keys.end(),
                                     [&](const OfferedKey& k) { return k.key == key; });
      const int before = same == offer.keys.end() ? -1 : static_cast<int>(same - offer.keys.begin());
      if (before >= 0) offer.keys.erase(same);
      offer.keys.insert(offer.keys.begin() + 1, {win::widen(key->name) + L" (Schlüssel der Klassenarbeit)", key});
      if (testKeyFirst || before == offer.chosen) {
        offer.chosen = 1;
        state.classGradeKey = formatGradeKey(*key);
      } else if (before < 0 || offer.chosen < before) {
        offer.chosen += offer.chosen > 0 ? 1 : 0;
      }
    }
  }
  showKeyOffer(keyBox_, offer);
  keys_ = std::move(offer.keys);
}

const GradeKey* ClassWindow::chosenKey() const { return chosenKeyOf(keyBox_, keys_); }

void ClassWindow::chooseFolder() {
  std::wstring unreachable;
  const auto chosen =
      pickFolder(host_.frame(), L"Ordner mit den abgegebenen Übungen (.kvw) der Klasse:", state_.folder, &unreachable);
  if (!chosen && unreachable.empty()) return;
  // A folder typed that cannot be reached is taken as chosen: the window says
  // so and reads it once it is there.
  openFolder(chosen ? *chosen : unreachable);
  keepTimer();
}

void ClassWindow::showTestCaption() {
  // In a test the state of each hand-in and its grade matter most: beside
  // the name, not at the far right where they would be cut off; class,
  // date, form and text are the test's own for every fitting hand-in.
  int plain[kColumnCount];
  for (int c = 0; c < kColumnCount; ++c) plain[c] = c;
  static constexpr int kTestOrder[kColumnCount] = {kName,     kStatus,    kGrade, kKeystrokes, kErrors, kPercent,
                                                   kPerMinute, kTime,     kClass, kDate,       kForm,   kText};
  ::SendMessageW(list_, LVM_SETCOLUMNORDERARRAY, kColumnCount,
                 reinterpret_cast<LPARAM>(state_.test ? kTestOrder : plain));
  const std::wstring caption =
      state_.test ? L"Ergebnisse einer Klasse: Klassenarbeit " + win::widen(state_.test->className)
                  : L"Ergebnisse einer Klasse";
  if (win::windowText(hwnd_) != caption) ::SetWindowTextW(hwnd_, caption.c_str());
}

void ClassWindow::loadKeyFile() {
  win::FileDialogRequest request;
  request.kind = win::FileDialogKind::Open;
  request.filter = L"Notenschlüssel (*.txt)\0*.txt\0Alle Dateien (*.*)\0*.*\0";
  request.title = L"Notenschlüssel laden";
  request.defaultExtension = L"txt";
  request.folder = state_.folder;
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
  keyChanged();
}

void ClassWindow::editKey() {
  const GradeKey* chosen = chosenKey();
  GradeKey start = chosen != nullptr ? *chosen : gradeKeyPresets().front();
  if (chosen == nullptr) start.name = w1252("Eigener Schlüssel");
  GradeKeyDialog dialog(start, state_.folder);
  const std::optional<GradeKey> edited = dialog.run(host_.frame());
  if (!edited) return;
  appState().classGradeKey = formatGradeKey(*edited);
  offerKeys();
  keyChanged();
}

void ClassWindow::keyChanged() {
  if (state_.test && state_.everRead) {
    // A reading under way grades by the key it started with.
    job_.reset();
    state_.status = testStatus(*state_.test, state_.scanned, chosenKey());
    rebuildRows();
  } else {
    sortRows();
  }
  fillList(selectedId(), true);
}

void ClassWindow::showSummary() {
  std::wstring summary;
  const auto notGraded = std::count_if(state_.scanned.begin(), state_.scanned.end(),
                                       [](const ClassResult& r) { return !r.gradable(); });
  if (state_.test) {
    summary = win::widen(testDescription(*state_.test));
    if (state_.status) summary += L": " + win::widen(state_.status->countText());
  } else if (!state_.everRead) {
    summary.clear();
  } else if (state_.cancelled) {
    summary = L"Lesen abgebrochen: " + std::to_wstring(state_.scanned.size()) + L" von " +
              std::to_wstring(state_.filesFound) + L" Dateien gelesen";
    if (notGraded > 0) summary += L", davon " + std::to_wstring(notGraded) + L" nicht gewertet";
    summary += L". „Ordner wählen …“ liest den Ordner neu.";
  } else if (state_.scanned.empty()) {
    summary = L"In diesem Ordner und seinen Unterordnern liegen keine gespeicherten Übungen (.kvw).";
  } else {
    const std::size_t files = state_.scanned.size();
    summary = files == 1 ? std::wstring(L"1 Datei") : std::to_wstring(files) + L" Dateien";
    if (notGraded > 0) summary += L", davon " + std::to_wstring(notGraded) + L" nicht gewertet";
  }
  if (win::windowText(summary_) != summary) {
    ::SetWindowTextW(summary_, summary.c_str());
    layout();
  }
}

void ClassWindow::showNotice() {
  std::wstring notice;
  if (state_.unreachable) {
    if (state_.readError == ERROR_ACCESS_DENIED) {
      notice = L"Der Ordner " + state_.folder + L" darf nicht gelesen werden (Zugriff verweigert)";
    } else {
      notice = L"Der Ordner " + state_.folder + L" ist nicht erreichbar";
    }
    notice += state_.everRead ? L" (zuletzt gelesen " + clockText(state_.lastRead) + L")." : L".";
    notice += L" Er wird wieder gelesen, sobald er erreichbar ist.";
  }
  if (!state_.testNotice.empty()) notice += (notice.empty() ? L"" : L" ") + state_.testNotice;
  if (win::windowText(notice_) != notice) {
    ::SetWindowTextW(notice_, notice.c_str());
    layout();
  }
}

LRESULT ClassWindow::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      createControls();
      return 0;
    case WM_SIZE:
      layout();
      break;
    case WM_TIMER:
      if (wParam == kWatchTimer) {
        watch();
        return 0;
      }
      break;
    case kReadingDone:
      readingDone();
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      // Every label in the button text; the notice in red unless "Systemfarben".
      ::SetTextColor(reinterpret_cast<HDC>(wParam),
                     reinterpret_cast<HWND>(lParam) == notice_ && !systemColoursOn() ? RGB(160, 0, 0)
                                                                                     : ::GetSysColor(COLOR_BTNTEXT));
      ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_3DFACE));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_3DFACE));
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == list_ && header->code == LVN_COLUMNCLICK) {
        const int column = reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem;
        state_.ascending = column == state_.sortColumn ? !state_.ascending : true;
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
            keyChanged();
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
