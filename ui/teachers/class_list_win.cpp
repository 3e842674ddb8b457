// The teachers' list: its cells, filling and sorting, a result opened from it
// and taken back after, and the list saved as CSV and as the class overview.
#include "ui/teachers/class_window_win.h"
#include "ui/teachers/class_window_parts_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "classroom/class_overview.h"
#include "evaluation/saved_file.h"
#include "evaluation/summary.h"
#include "exam/test_status.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "platform/win/controls.h"
#include "platform/win/file_dialog.h"
#include "platform/win/message_box.h"
#include "platform/win/shell.h"
#include "platform/win/strings.h"
#include "ui/shared/app_state.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

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

}  // namespace

using teachers::WaitingList;
using teachers::waitingList;

bool classListWaiting() { return waitingList().waiting; }

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
  fitColumns();
  ::SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list_, nullptr, TRUE);
  ::EnableWindow(open_, std::any_of(rows.begin(), rows.end(), [](const ClassRow& r) { return r.result.has_value(); }));
  const bool anything = !rows.empty();
  ::EnableWindow(csv_, anything);
  ::EnableWindow(overview_, anything);
}

void ClassWindow::fitColumns() {
  if (list_ == nullptr) return;
  RECT client{};
  ::GetClientRect(list_, &client);
  int total = 0;
  for (int c = 0; c < kColumnCount; ++c) {
    total += static_cast<int>(::SendMessageW(list_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0));
  }
  // The status says why a file does not count and stays whole; the text's
  // title, form, class, date and, last, a long name give way.
  const win::DialogUnits du(dialogFont_.get());
  static constexpr int kGivers[][2] = {{kText, 56}, {kForm, 56}, {kClass, 36}, {kDate, 44}, {kName, 90}};
  int excess = total - static_cast<int>(client.right);
  for (const auto& [column, least] : kGivers) {
    if (excess <= 0) break;
    const auto width = static_cast<int>(::SendMessageW(list_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
    const int give = std::min(excess, width - du.x(least));
    if (give <= 0) continue;
    ::SendMessageW(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), width - give);
    excess -= give;
  }
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
                                                     const wchar_t* extension, std::string_view what) const {
  win::FileDialogRequest request;
  request.kind = win::FileDialogKind::Save;
  request.filter = filter;
  request.title = title;
  request.defaultExtension = extension;
  request.folder = state_.folder;
  // A name that says what it is: the class the results share, and today.
  const std::string className = state_.test ? state_.test->className : sharedClassName(state_.scanned);
  request.name = win::widen(offeredFileName(what, className, todayLocal(), win::narrowLossy(extension)));
  const win::FileDialogAnswer answer = win::askForFile(host_.frame(), request);
  if (answer.outcome != win::FileDialogAnswer::Outcome::Chosen) return std::nullopt;
  return answer.path;
}

void ClassWindow::exportCsv() {
  const auto answer = askSavePath(L"CSV für eine Tabellenkalkulation (*.csv)\0*.csv\0", L"Liste als CSV speichern",
                                  L"csv", "Ergebnisse");
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
  const auto answer =
      askSavePath(L"Webseite (*.html)\0*.html\0", L"Klassenübersicht speichern", L"html", w1252("Klassenübersicht"));
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

}  // namespace kv
