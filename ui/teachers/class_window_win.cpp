#include "ui/teachers/class_window_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <utility>

#include "classroom/class_overview.h"
#include "core/settings.h"
#include "exam/class_test.h"
#include "exam/test_status.h"
#include "ui/exam/class_test_places_win.h"
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

// The hand-in folder is looked at this often while a test runs, and an
// unreachable folder tried again: a new hand-in shows within 5 seconds.
constexpr UINT_PTR kWatchTimer = 1;
constexpr UINT kWatchEveryMs = 2000;
// Posted by the reading in the background when it is done.
constexpr UINT kReadingDone = WM_APP + 41;

std::uint64_t joined(DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; }

bool isResultName(const wchar_t* name) {
  const std::size_t length = std::wcslen(name);
  return length > 4 && ::lstrcmpiW(name + length - 4, L".kvw") == 0;
}

bool isDots(const wchar_t* name) { return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0; }

// The folder's ".kvw" files and those of its subfolders one level down, as
// classFiles finds them, with their size and time from the listing itself:
// one request per folder, not one per file, which counts on a network share.
// False when the folder cannot be listed; `error` then holds the reason.
bool listClassFolder(const std::wstring& folder, std::vector<ListedFile>& files, DWORD& error) {
  files.clear();
  std::vector<std::wstring> subfolders;
  const auto list = [&](const std::wstring& dir, bool descend) {
    WIN32_FIND_DATAW found{};
    const std::wstring pattern = (fs::path(dir) / L"*").wstring();
    const HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
      error = ::GetLastError();
      // A drive's root holds no "." entry: empty, not unreachable.
      return error == ERROR_FILE_NOT_FOUND;
    }
    do {
      if (isDots(found.cFileName)) continue;
      const std::wstring path = (fs::path(dir) / found.cFileName).wstring();
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        if (descend && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) subfolders.push_back(path);
      } else if (isResultName(found.cFileName)) {
        files.push_back({path, joined(found.nFileSizeHigh, found.nFileSizeLow),
                         joined(found.ftLastWriteTime.dwHighDateTime, found.ftLastWriteTime.dwLowDateTime)});
      }
    } while (::FindNextFileW(search, &found));
    error = ::GetLastError();
    ::FindClose(search);
    return error == ERROR_NO_MORE_FILES;
  };
  if (!list(folder, true)) return false;
  for (const std::wstring& sub : subfolders) {
    // A learner's folder that cannot be read is left out, as the class scan
    // does; one that fails because the whole folder went is not.
    if (!list(sub, false) && ::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
      error = ::GetLastError();
      return false;
    }
  }
  std::sort(files.begin(), files.end(),
            [](const ListedFile& a, const ListedFile& b) { return fs::path(a.path) < fs::path(b.path); });
  error = ERROR_SUCCESS;
  return true;
}

std::wstring clockText(const SYSTEMTIME& t) {
  wchar_t text[8];
  std::swprintf(text, 8, L"%02u:%02u", t.wHour, t.wMinute);
  return text;
}

// The single test file in `folder`, or the test whose hand-in folder it is;
// empty when there is none or more than one.
std::wstring testOfFolder(const std::wstring& folder) {
  const auto testsIn = [](const fs::path& dir) {
    std::vector<fs::path> tests;
    WIN32_FIND_DATAW found{};
    const std::wstring pattern = (dir / (L"*" + win::widen(kClassTestExtension))).wstring();
    const HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return tests;
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) tests.push_back(dir / found.cFileName);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return tests;
  };
  const fs::path place = fs::path(folder).lexically_normal();
  const std::vector<fs::path> here = testsIn(place);
  if (here.size() == 1) return here.front().wstring();
  if (!here.empty()) return {};
  const fs::path trimmed = place.has_filename() ? place : place.parent_path();
  std::vector<fs::path> owners;
  for (const fs::path& test : testsIn(trimmed.parent_path())) {
    if (::lstrcmpiW(handInFolderOf(test).lexically_normal().wstring().c_str(), trimmed.wstring().c_str()) == 0) {
      owners.push_back(test);
    }
  }
  return owners.size() == 1 ? owners.front().wstring() : std::wstring();
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

std::string today() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  char text[16];
  std::snprintf(text, sizeof text, "%02u.%02u.%04u", now.wDay, now.wMonth, now.wYear);
  return text;
}

// A number the list sorts by; -1 sorts before every figure.
double sortNumber(const ClassRow& row, int column) {
  if (!row.result) return -2;
  const ClassResult& r = *row.result;
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
  ClassListState state;
  std::wstring selected;
};

WaitingList& waitingList() {
  static WaitingList list;
  return list;
}

}  // namespace

// One reading of the folder: what it starts from and what it found. A
// reading in the background works on copies only, so the window may close
// or read again meanwhile; it posts kReadingDone when it is done.
struct ClassWindow::ReadJob {
  std::wstring folder;
  std::map<std::wstring, CachedResult> cache;
  std::vector<ListedFile> before;
  std::optional<ClassTest> test;
  std::optional<GradeKey> key;
  HWND notify = nullptr;
  bool force = false;  // read and judge even when the listing is as before

  bool reachable = false;
  DWORD error = ERROR_SUCCESS;
  bool changed = false;
  bool cancelled = false;
  std::vector<ListedFile> listed;
  std::vector<ClassResult> scanned;
  std::optional<TestStatus> status;
  SYSTEMTIME readAt{};
  volatile LONG done = 0;

  // Lists the folder: whether it can be reached and whether anything changed.
  void list() {
    reachable = listClassFolder(folder, listed, error);
    ::GetLocalTime(&readAt);
    changed = reachable && listed != before;
  }
  bool needsReading() const { return reachable && (changed || force); }
  bool cached(const ListedFile& f) const {
    const auto at = cache.find(f.path);
    return at != cache.end() && at->second.size == f.size && at->second.written == f.written;
  }
  std::size_t toRead() const {
    return static_cast<std::size_t>(std::count_if(listed.begin(), listed.end(), [&](const ListedFile& f) { return !cached(f); }));
  }
  // Reads what is new or changed, takes the rest from the cache, and judges
  // the test's hand-ins. `progress(done, total)` over the files read; false
  // stops early.
  void readListed(const std::function<bool(std::size_t, std::size_t)>& progress = {}) {
    const std::size_t total = toRead();
    std::map<std::wstring, CachedResult> kept;
    std::size_t read = 0;
    const fs::path base(folder);
    scanned.reserve(listed.size());
    for (const ListedFile& f : listed) {
      if (cached(f)) {
        const CachedResult& c = cache.at(f.path);
        scanned.push_back(*c.result);
        kept.emplace(f.path, c);
        continue;
      }
      auto result = std::make_shared<const ClassResult>(readClassResult(fs::path(f.path), base));
      scanned.push_back(*result);
      ++read;
      // A file that could not be read at all is tried again next time.
      if (result->valid ||
          result->refusedMessage != resultFileErrorMessage(ResultFileError::CannotRead, result->shownName)) {
        kept.emplace(f.path, CachedResult{f.size, f.written, std::move(result)});
      }
      if (progress && !progress(read, total)) {
        cancelled = true;
        break;
      }
    }
    // Files that failed because the folder went are no refusals.
    if (std::any_of(scanned.begin(), scanned.end(), [](const ClassResult& r) { return !r.valid; }) &&
        ::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
      error = ::GetLastError();
      reachable = false;
      return;
    }
    cache = std::move(kept);
    if (test) status = testStatus(*test, scanned, key ? &*key : nullptr);
  }
  void run() {
    list();
    if (needsReading()) readListed();
  }

  static DWORD WINAPI inBackground(void* parameter) {
    auto* held = static_cast<std::shared_ptr<ReadJob>*>(parameter);
    ReadJob& job = **held;
    job.run();
    ::InterlockedExchange(&job.done, 1);
    ::PostMessageW(job.notify, kReadingDone, 0, 0);
    delete held;
    return 0;
  }
};

bool classListWaiting() { return waitingList().waiting; }

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

void ClassWindow::openFolder(std::wstring folder) {
  if (!folder.empty()) {
    const std::wstring test = testOfFolder(folder);
    if (!test.empty() && openTest(test)) return;
  }
  openFolderPlain(folder);
}

void ClassWindow::openFolderPlain(std::wstring folder) {
  const bool wasTest = state_.test.has_value();
  const int sortColumn = state_.sortColumn < 0 ? kName : state_.sortColumn;
  const bool ascending = state_.sortColumn < 0 ? true : state_.ascending;
  job_.reset();
  state_ = ClassListState{};
  state_.folder = folder;
  state_.sortColumn = sortColumn;
  state_.ascending = ascending;
  ::SetWindowTextW(folderField_, folder.c_str());
  if (!folder.empty()) appState().classFolder = win::narrowLossy(folder);
  showTestCaption();
  if (wasTest) offerKeys();
  // The rows of the folder before are no rows of this one, reached or not.
  fillList({}, false);
  if (folder.empty()) {
    showNotice();
    showSummary();
    return;
  }
  scan();
}

bool ClassWindow::openTest(const std::wstring& testFile) {
  const fs::path file(testFile);
  ClassTest shared;
  std::string why;
  if (readClassTestFile(file, shared, why) != TestFileError::None) {
    win::showError(host_.frame(), testFileMessage(cp1252OfPath(file), why));
    return false;
  }
  // The share is writable by many; the copy the teacher prepared is not.
  ClassTest used = shared;
  std::string notice;
  std::error_code ec;
  if (const fs::path copy = teachersCopyOf(shared.id); fs::exists(copy, ec)) {
    ClassTest own;
    std::string ownWhy;
    if (readClassTestFile(copy, own, ownWhy) != TestFileError::None) {
      notice = w1252("Ihre eigene Fassung dieser Klassenarbeit ist nicht lesbar (") + ownWhy +
               w1252("); es gilt die Klassenarbeit im Ordner.");
    } else if (!(own == shared)) {
      used = std::move(own);
      notice = w1252("Die Klassenarbeit im Ordner wurde verändert. Es gilt Ihre eigene Fassung, "
                     "wie Sie sie vorbereitet haben.");
    }
  }
  if (!notice.empty()) win::showError(host_.frame(), notice);
  job_.reset();
  state_ = ClassListState{};
  state_.folder = handInFolderOf(file).wstring();
  state_.testFile = testFile;
  state_.test = std::move(used);
  state_.testNotice = win::widen(notice);
  state_.sortColumn = -1;
  ::SetWindowTextW(folderField_, state_.folder.c_str());
  appState().classFolder = win::narrowLossy(state_.folder);
  showTestCaption();
  offerKeys(true);
  fillList({}, false);
  scan();
  return true;
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

std::shared_ptr<ClassWindow::ReadJob> ClassWindow::newJob(bool force) const {
  auto job = std::make_shared<ReadJob>();
  job->folder = state_.folder;
  job->cache = state_.cache;
  job->before = state_.listed;
  job->test = state_.test;
  if (const GradeKey* key = chosenKey()) job->key = *key;
  job->notify = hwnd_;
  job->force = force || !state_.everRead;
  return job;
}

void ClassWindow::scan() {
  if (reading_) return;
  reading_ = true;
  job_.reset();
  const std::shared_ptr<ReadJob> job = newJob(true);
  job->list();
  bool cancelled = false;
  if (job->needsReading()) {
    const std::size_t files = job->toRead();
    if (files >= kFilesWithoutProgress) {
      AppState& state = appState();
      runWithProgress(
          host_.frame(),
          [&] {
            state.progressMax = static_cast<std::int32_t>(files);
            job->readListed([&](std::size_t done, std::size_t) {
              state.progressPosition = static_cast<std::int32_t>(done);
              if (done % 25 == 0) win::processPendingMessages();
              return hwnd_ != nullptr && !cancelled;
            });
          },
          cancelled);
    } else {
      job->readListed();
    }
  }
  reading_ = false;
  takeReading(*job, true);
}

void ClassWindow::watch() {
  if (reading_ || state_.folder.empty()) return;
  if (job_ && job_->done == 0) return;  // the one under way answers first
  job_ = newJob(false);
  auto* held = new std::shared_ptr<ReadJob>(job_);
  const HANDLE thread = ::CreateThread(nullptr, 0, &ReadJob::inBackground, held, 0, nullptr);
  if (thread != nullptr) {
    ::CloseHandle(thread);
    return;
  }
  delete held;
  job_->run();
  ::InterlockedExchange(&job_->done, 1);
  readingDone();
}

void ClassWindow::readingDone() {
  if (!job_ || job_->done == 0) return;
  const std::shared_ptr<ReadJob> job = std::move(job_);
  // A folder that could not be reached when it was chosen may hold a test.
  if (!state_.test && !state_.everRead && job->reachable) {
    openFolder(state_.folder);
    keepTimer();
    return;
  }
  takeReading(*job, false);
}

void ClassWindow::takeReading(ReadJob& job, bool forced) {
  if (!job.reachable) {
    state_.unreachable = true;
    state_.readError = job.error;
  } else {
    const bool fresh = forced || job.changed || !state_.everRead;
    state_.unreachable = false;
    state_.lastRead = job.readAt;
    if (fresh && (job.changed || job.force)) {
      const std::wstring keep = selectedId();
      // A reading stopped early is finished by the next one.
      state_.listed = job.cancelled ? std::vector<ListedFile>() : std::move(job.listed);
      state_.filesFound = job.cancelled ? job.listed.size() : state_.listed.size();
      state_.cache = std::move(job.cache);
      state_.scanned = std::move(job.scanned);
      state_.status = std::move(job.status);
      state_.cancelled = job.cancelled;
      state_.everRead = true;
      rebuildRows();
      fillList(keep, !keep.empty());
    }
  }
  showNotice();
  showSummary();
  keepTimer();
}

void ClassWindow::keepTimer() {
  if (hwnd_ == nullptr) return;
  // A test is watched while the window is open; a class folder only while
  // it cannot be reached.
  const bool wanted = !state_.folder.empty() && (state_.test.has_value() || state_.unreachable);
  if (wanted && !timerRunning_) {
    timerRunning_ = ::SetTimer(hwnd_, kWatchTimer, kWatchEveryMs, nullptr) != 0;
  } else if (!wanted && timerRunning_) {
    ::KillTimer(hwnd_, kWatchTimer);
    timerRunning_ = false;
  }
}

void ClassWindow::rebuildRows() {
  state_.rows.clear();
  if (state_.test && state_.status) {
    const TestStatus& status = *state_.status;
    for (std::size_t i = 0; i < status.rows.size(); ++i) {
      const TestRow& t = status.rows[i];
      ClassRow row;
      row.result = t.result;
      row.name = t.learner;
      if (row.name.empty() && t.result) row.name = t.result->line1.empty() ? t.result->shownName : t.result->line1;
      if (t.ownTime) row.name += " (" + minutesText(t.seconds) + ")";
      row.status = t.statusText;
      row.grade = t.grade;
      row.order = static_cast<int>(i);
      row.id = static_cast<int>(i) < status.listed ? L"L:" + win::widen(t.learner)
                                                   : L"F:" + (t.result ? t.result->file.wstring() : std::wstring());
      state_.rows.push_back(std::move(row));
    }
  } else {
    for (std::size_t i = 0; i < state_.scanned.size(); ++i) {
      const ClassResult& r = state_.scanned[i];
      ClassRow row;
      row.result = r;
      row.name = r.line1.empty() && !r.valid ? r.shownName : r.line1;
      row.status = r.status;
      row.order = static_cast<int>(i);
      row.id = L"F:" + r.file.wstring();
      state_.rows.push_back(std::move(row));
    }
  }
  sortRows();
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
    summary = std::to_wstring(state_.scanned.size()) + L" Dateien";
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

std::wstring ClassWindow::cellText(const ClassRow& row, int column) const {
  if (column == kName) return win::widen(row.name);
  if (column == kStatus) return win::widen(row.status);
  if (!row.result || !row.result->valid) return L"";
  const ClassResult& r = *row.result;
  switch (column) {
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
      if (chosenKey() == nullptr) return L"";
      // In a test the status grades: a hand-in for another test gets none.
      if (state_.test) return win::widen(gradeText(row.grade));
      return win::widen(gradeText(gradeOf(*chosenKey(), r.gradeInput())));
    default:
      return L"";
  }
}

std::wstring ClassWindow::selectedId() const {
  const auto at = ::SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
  if (at < 0 || static_cast<std::size_t>(at) >= state_.rows.size()) return {};
  return state_.rows[static_cast<std::size_t>(at)].id;
}

void ClassWindow::fillList(const std::wstring& keep, bool keepScroll) {
  const auto top = keepScroll ? ::SendMessageW(list_, LVM_GETTOPINDEX, 0, 0) : 0;
  const std::vector<ClassRow>& rows = state_.rows;
  ::SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
  int chosen = rows.empty() ? -1 : 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::wstring first = cellText(rows[i], 0);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<wchar_t*>(first.c_str());
    const auto row = ::SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (int c = 1; c < kColumnCount; ++c) {
      const std::wstring text = cellText(rows[i], c);
      LVITEMW sub{};
      sub.iSubItem = c;
      sub.pszText = const_cast<wchar_t*>(text.c_str());
      ::SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
    }
    if (!keep.empty() && rows[i].id == keep) chosen = static_cast<int>(i);
  }
  if (chosen >= 0) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(chosen), reinterpret_cast<LPARAM>(&state));
  }
  if (top > 0 && !rows.empty()) {
    // Back to where the teacher had scrolled.
    RECT item{};
    item.left = LVIR_BOUNDS;
    if (::SendMessageW(list_, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)) != 0) {
      ::SendMessageW(list_, LVM_SCROLL, 0, static_cast<LPARAM>(top * (item.bottom - item.top)));
    }
  }
  if (chosen >= 0 && !keep.empty()) ::SendMessageW(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(chosen), FALSE);
  // A name with its own time and a status that says why a hand-in does not
  // count are read whole: those columns grow to their longest text.
  for (const int column : {static_cast<int>(kName), static_cast<int>(kStatus)}) {
    const auto width = ::SendMessageW(list_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0);
    ::SendMessageW(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), LVSCW_AUTOSIZE);
    if (::SendMessageW(list_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0) < width) {
      ::SendMessageW(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), width);
    }
  }
  ::SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list_, nullptr, TRUE);
  ::EnableWindow(open_, std::any_of(rows.begin(), rows.end(), [](const ClassRow& r) { return r.result.has_value(); }));
  const bool anything = !rows.empty();
  ::EnableWindow(csv_, anything);
  ::EnableWindow(overview_, anything);
}

void ClassWindow::sortRows() {
  const int column = state_.sortColumn;
  std::vector<ClassRow>& rows = state_.rows;
  if (column < 0) {
    std::stable_sort(rows.begin(), rows.end(), [](const ClassRow& a, const ClassRow& b) { return a.order < b.order; });
    return;
  }
  const GradeKey* key = chosenKey();
  const bool inTest = state_.test.has_value();
  const auto grade = [&](const ClassRow& r) {
    std::optional<int> g;
    if (inTest) g = key ? r.grade : std::nullopt;
    else if (key && r.result) g = gradeOf(*key, r.result->gradeInput());
    return g ? *g : 9;
  };
  const bool numeric = column >= kTime && column <= kPerMinute;
  const bool ascending = state_.ascending;
  std::stable_sort(rows.begin(), rows.end(), [&](const ClassRow& a, const ClassRow& b) {
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
}

void ClassWindow::sortBy(int column) {
  const std::wstring keep = selectedId();
  state_.sortColumn = column;
  sortRows();
  fillList(keep, false);
}

void ClassWindow::openSelected() {
  const auto at = ::SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
  if (at < 0 || static_cast<std::size_t>(at) >= state_.rows.size()) return;
  const ClassRow& row = state_.rows[static_cast<std::size_t>(at)];
  if (!row.result) {
    ::MessageBeep(MB_OK);  // a learner who has handed nothing in
    return;
  }
  OpenedResult opened;
  const std::string path = cp1252OfPath(row.result->file);
  const ResultFileError error = openResultFile(path, opened);
  if (error != ResultFileError::None) {
    win::showError(hwnd_, resultFileErrorMessage(error, path));
    return;
  }
  WaitingList& waiting = waitingList();
  waiting.waiting = true;
  waiting.state = state_;
  waiting.selected = row.id;
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

std::optional<std::wstring> ClassWindow::takeWaitingList() {
  WaitingList& waiting = waitingList();
  if (!waiting.waiting) return std::nullopt;
  waiting.waiting = false;
  if (waiting.state.folder != state_.folder) return std::nullopt;
  state_ = std::move(waiting.state);
  ::SetWindowTextW(folderField_, state_.folder.c_str());
  return std::move(waiting.selected);
}

std::optional<std::wstring> ClassWindow::askSavePath(const wchar_t* filter, const wchar_t* title,
                                                     const wchar_t* extension) const {
  win::FileDialogRequest request;
  request.kind = win::FileDialogKind::Save;
  request.filter = filter;
  request.title = title;
  request.defaultExtension = extension;
  request.folder = state_.folder;
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
  std::string table = state_.test && state_.status ? testStatusCsv(*state_.test, *state_.status)
                                                  : classCsv(state_.scanned, chosenKey());
  if (table.rfind("\xEF\xBB\xBF", 0) != 0) table.insert(0, "\xEF\xBB\xBF");
  const AtomicWriteResult written = writeFileAtomically(target, table, {});
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
  const fs::path folder(state_.test ? fs::path(state_.testFile).parent_path() : fs::path(state_.folder));
  in.folderName = cp1252OfPath(folder.filename().empty() ? folder.parent_path().filename() : folder.filename());
  in.madeOn = today();
  in.key = chosenKey();
  in.results = state_.scanned;
  in.histories = readLearnerHistories(folder);
  // A test's overview keeps its record: title, date and rules, and who is missing.
  if (state_.test) {
    in.testLine = testLine(*state_.test);
    const TestStatus status = testStatus(*state_.test, state_.scanned, in.key);
    in.missingLearners = missingLearners(status);
  }
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
      if (reinterpret_cast<HWND>(lParam) == notice_) ::SetTextColor(reinterpret_cast<HDC>(wParam), RGB(160, 0, 0));
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
