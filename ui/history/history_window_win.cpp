#include "ui/history/history_window_win.h"

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

#include "ui/shared/app_state.h"
#include "history/drill.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "platform/win/controls.h"
#include "platform/win/dialog_font.h"
#include "platform/win/later_library.h"
#include "platform/win/message_box.h"
#include "platform/win/strings.h"
#include "platform/win/system_info.h"
#include "texts/archive.h"
#include "texts/archive_scan.h"
#include "core/common.h"
#include "core/palette.h"
#include "texts/builtin_texts.h"
#include "texts/text_model.h"
#include "ui/shared/requests.h"
#include "ui/history/history_access_win.h"
#include "ui/shared/system_colours_win.h"
#include "ui/shared/window_font_win.h"

namespace kv {
namespace {

constexpr const char* kEmptyText =
    "Hier erscheint Ihr Lernverlauf.\n\n"
    "Nach jeder ausgewerteten Übung wird sie hier eingetragen: Ihr Tempo und Ihre Fehler "
    "im Verlauf der Tage, die Tasten, die Sie am häufigsten verfehlen, und die Wörter, die "
    "Ihnen oft misslingen. Daraus stellt „Schwächen üben“ eine Übung nur für Sie zusammen.\n\n"
    "Wählen Sie jetzt eine Übung aus – nach der ersten Auswertung sehen Sie hier Ihren Anfang.";
constexpr const char* kNothingWeak =
    "Noch sind keine Schwächen zu erkennen: Keine Taste wurde mehrmals verfehlt und kein Wort "
    "falsch geschrieben. Üben Sie weiter – der Lernverlauf sammelt mit.";
constexpr const char* kDrillArchiveName = "Schwächen üben";

std::wstring w(const std::string& cp1252) { return win::widen(cp1252); }

void addColumn(HWND list, int index, const wchar_t* title, int width, bool right = false) {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  column.fmt = right ? LVCFMT_RIGHT : LVCFMT_LEFT;
  column.cx = width;
  column.pszText = const_cast<wchar_t*>(title);
  ListView_InsertColumn(list, index, &column);
  HDITEMW item{};
  item.mask = HDI_LPARAM;
  item.lParam = width;
  Header_SetItem(ListView_GetHeader(list), index, &item);
}

void setRow(HWND list, int row, const std::vector<std::wstring>& cells) {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = const_cast<wchar_t*>(cells[0].c_str());
  ListView_InsertItem(list, &item);
  for (std::size_t k = 1; k < cells.size(); ++k) {
    ListView_SetItemText(list, row, static_cast<int>(k), const_cast<wchar_t*>(cells[k].c_str()));
  }
}

// A column's natural width, as created: kept in its header item, so a
// narrowed column can grow back when the window does.
int naturalWidth(HWND list, int column) {
  HDITEMW item{};
  item.mask = HDI_LPARAM;
  return Header_GetItem(ListView_GetHeader(list), column, &item) ? static_cast<int>(item.lParam) : 0;
}

int columnCount(HWND list) { return Header_GetItemCount(ListView_GetHeader(list)); }

int columnsWidth(HWND list) {
  int total = 0;
  for (int c = 0; c < columnCount(list); ++c) total += naturalWidth(list, c);
  return total;
}

// Natural widths where they fit; else the wider columns give up the excess
// in proportion, so the last column is never cut off.
void fitColumns(HWND list, int room) {
  const int count = columnCount(list);
  const int total = columnsWidth(list);
  for (int c = 0; c < count; ++c) {
    const int natural = naturalWidth(list, c);
    const int width = total <= room || total == 0 ? natural : natural * room / total;
    ListView_SetColumnWidth(list, c, width);
  }
}

// The list's height for `rows` whole rows below its header.
int listHeightFor(HWND list, int rows) {
  const int row = HIWORD(ListView_ApproximateViewRect(list, -1, -1, 2)) -
                  HIWORD(ListView_ApproximateViewRect(list, -1, -1, 1));
  RECT header{};
  ::GetWindowRect(ListView_GetHeader(list), &header);
  return (header.bottom - header.top) + rows * row + 2 * ::GetSystemMetrics(SM_CYEDGE) + 2;
}

void moveTo(HWND control, int x, int y, int width, int height) {
  ::MoveWindow(control, x, y, std::max(width, 0), std::max(height, 0), FALSE);
}

}  // namespace

win::KeyboardLook whiteKeysLook() {
  win::KeyboardLook look;
  FingerColours& c = look.colours;
  c.little = c.ring = c.middle = c.index = c.thumb = 0xFFFFFF;
  c.background = palette::kHeatGround;
  look.fontName = appState().settings.fonts.proportionalName;
  look.systemColours = systemColoursOn();
  return look;
}

HistoryWindow::HistoryWindow(ChildHost& host) : HostedChildWindow(host), keyboard_(whiteKeysLook(), keys_) {}

HistoryWindow::~HistoryWindow() = default;

bool HistoryWindow::create() {
  if (!registerClass(kHistoryChildClass, ::LoadIconW(::GetModuleHandleW(nullptr), L"APPICON"))) {
    return false;
  }
  if (!startGdiplus()) {
    win::laterLibraryReady(host_.frame(), win::LaterLibrary::Charts, w1252("Das Zeichnen der Diagramme"));
  }
  load();
  RECT client{};
  ::GetClientRect(host_.mdiClient(), &client);
  if (!createIn(host_.mdiClient(), kHistoryChildClass, L"Lernverlauf", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                0, 0, client.right, client.bottom)) {
    return false;
  }
  ::ShowWindow(hwnd_, SW_SHOW);
  if (!loadNotice_.empty()) {
    win::showInformation(host_.frame(), loadNotice_);
    loadNotice_.clear();
  }
  return true;
}

void HistoryWindow::load() {
  std::string notice;
  HistoryStore* history = openHistory(notice);
  if (history != nullptr) {
    std::string read;
    overview_ = history->overview(read);
    if (!read.empty()) notice = read;
  }
  loadNotice_ = notice;
  // Days once the learner has practised on a few; before that each exercise.
  int days = 0;
  std::string last;
  for (const HistoryPoint& p : overview_.points) {
    if (p.startedAt.compare(0, 10, last) != 0) {
      ++days;
      last = p.startedAt.substr(0, 10);
    }
  }
  scale_ = days >= 3 ? ChartScale::PerDay : ChartScale::PerExercise;
  chart_ = chartData(overview_.points, scale_, 600);
  if (history != nullptr) loadCourse();
}

void HistoryWindow::loadCourse() {
  for (const std::string& entry : appState().programArchives) {
    if (entryName(entry) == "Grundkurs") coursePath_ = entryPath(entry);
  }
  const std::vector<std::uint8_t>* image = coursePath_.empty() ? nullptr : imageArchive(coursePath_);
  TextArchiveHeader header;
  if (image == nullptr || readArchiveImage(*image, header) != ArchiveError::None) {
    coursePath_.clear();
    return;
  }
  std::vector<LessonInfo> lessons;
  for (int i = 0; i < header.textCount; ++i) {
    const TextEntry& e = header.entries[static_cast<std::size_t>(i)];
    lessons.push_back({e.title, e.lineCount});
  }
  std::string notice;
  std::string ignored;
  HistoryStore* history = openHistory(ignored);
  if (history == nullptr) return;
  course_ = courseProgress(history->rowsOfArchive("Grundkurs", notice), lessons, "Grundkurs");
}

void HistoryWindow::startNextLesson() {
  if (coursePath_.empty()) return;
  const std::size_t next = nextLesson(course_);
  AppState& state = appState();
  // The lesson is chosen in the selection as if the learner had picked it.
  state.archiveScan.preferredArchivePath = coursePath_;
  state.archiveScan.preferredArchiveFound = true;
  state.exercise.archiveCaption.clear();
  state.exercise.textTitle = next < course_.size() ? course_[next].title : course_.front().title;
  state.exercise.selection = LineSelection{};
  host_.request(static_cast<int>(Request::Selection));
}

void HistoryWindow::createControls() {
  dialogFont_ = createDialogFont(appState().settings.fonts);
  LOGFONTW heading{};
  ::GetObjectW(dialogFont_.get(), sizeof heading, &heading);
  heading.lfWeight = FW_BOLD;
  headingFont_ = win::Font(::CreateFontIndirectW(&heading));

  perExercise_ = win::createControl(hwnd_, L"BUTTON", L"je Ü&bung", WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON,
                                    0, 0, 10, 10, kPerExerciseId);
  perDay_ = win::createControl(hwnd_, L"BUTTON", L"je &Tag", BS_AUTORADIOBUTTON, 0, 0, 10, 10, kPerDayId);
  ::SendMessageW(scale_ == ChartScale::PerDay ? perDay_ : perExercise_, BM_SETCHECK, BST_CHECKED, 0);
  keysList_ = win::createControl(hwnd_, WC_LISTVIEWW, L"", WS_TABSTOP | WS_GROUP | LVS_REPORT | LVS_SINGLESEL |
                                 LVS_NOSORTHEADER | LVS_SHOWSELALWAYS, 0, 0, 10, 10, kKeysListId, WS_EX_CLIENTEDGE);
  wordsList_ = win::createControl(hwnd_, WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                                  LVS_NOSORTHEADER | LVS_SHOWSELALWAYS, 0, 0, 10, 10, kWordsListId, WS_EX_CLIENTEDGE);
  keysEmpty_ = win::createControl(hwnd_, L"STATIC", win::widenUtf8(kNoWeakKeys).c_str(), SS_LEFT | SS_NOPREFIX, 0, 0,
                                  10, 10, kKeysEmptyId);
  wordsEmpty_ = win::createControl(hwnd_, L"STATIC", win::widenUtf8(kNoMistypedWords).c_str(), SS_LEFT | SS_NOPREFIX,
                                   0, 0, 10, 10, kWordsEmptyId);
  courseList_ = win::createControl(hwnd_, WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                                   LVS_NOSORTHEADER | LVS_SHOWSELALWAYS, 0, 0, 10, 10, kCourseListId,
                                   WS_EX_CLIENTEDGE);
  // Their headings are painted; screen readers read these names instead.
  win::labelForScreenReaders(keysList_, L"Schwächste Tasten (letzte 100 Übungen)");
  win::labelForScreenReaders(wordsList_, L"Häufig falsch geschriebene Wörter");
  win::labelForScreenReaders(courseList_, L"Grundkurs");
  nextLesson_ = win::createControl(hwnd_, L"BUTTON", L"&Nächste Lektion", WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON,
                                   0, 0, 10, 10, kNextLessonId);
  practise_ = win::createControl(hwnd_, L"BUTTON", L"Schwächen &üben", WS_TABSTOP | BS_PUSHBUTTON,
                                 0, 0, 10, 10, kPractiseId);
  // Unless a policy keeps the class on the same lessons.
  if (appState().settings.policies.adaptiveLessons) {
    adaptive_ = win::createControl(hwnd_, L"BUTTON", L"&Adaptiv üben", WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10,
                                   kAdaptiveId);
  }
  close_ = win::createControl(hwnd_, L"BUTTON", L"&Schließen", WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10, kCloseId);
  grip_ = win::createControl(hwnd_, L"SCROLLBAR", L"", SBS_SIZEGRIP | SBS_SIZEBOXBOTTOMRIGHTALIGN, 0, 0, 10, 10,
                             kGripId);
  for (HWND list : {keysList_, wordsList_, courseList_}) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  }
  tips_.attach(hwnd_);
  if (dialogFont_) win::applyDialogFont(hwnd_, dialogFont_.get());
  const win::DialogUnits du(dialogFont_.get());
  addColumn(keysList_, 0, L"Taste", du.x(40));
  addColumn(keysList_, 1, L"verfehlt", du.x(78), true);
  addColumn(keysList_, 2, L"stattdessen", du.x(92));
  addColumn(keysList_, 3, L"Zeit bis zur Taste", du.x(68), true);
  addColumn(wordsList_, 0, L"Wort", du.x(80));
  addColumn(wordsList_, 1, L"Anzahl", du.x(34), true);
  addColumn(wordsList_, 2, L"meist geschrieben", du.x(90));
  addColumn(courseList_, 0, L"Lektion", du.x(120));
  addColumn(courseList_, 1, L"bestes Ergebnis", du.x(110));
  addColumn(courseList_, 2, L"bestanden", du.x(44));
  fillLists();
  const bool none = empty();
  for (HWND c : {perExercise_, perDay_, practise_}) ::ShowWindow(c, none ? SW_HIDE : SW_SHOW);
  // An empty list says so in words, as kvtool does, instead of showing bare headers.
  const bool noKeys = overview_.weakKeys.empty(), noWords = overview_.words.empty();
  ::ShowWindow(keysList_, none || noKeys ? SW_HIDE : SW_SHOW);
  ::ShowWindow(keysEmpty_, !none && noKeys ? SW_SHOW : SW_HIDE);
  ::ShowWindow(wordsList_, none || noWords ? SW_HIDE : SW_SHOW);
  ::ShowWindow(wordsEmpty_, !none && noWords ? SW_SHOW : SW_HIDE);
  // The course's next lesson is offered from the first day, history or not.
  ::ShowWindow(courseList_, coursePath_.empty() || none ? SW_HIDE : SW_SHOW);
  ::ShowWindow(nextLesson_, coursePath_.empty() ? SW_HIDE : SW_SHOW);
  ::ShowWindow(close_, SW_SHOW);
  ::ShowWindow(grip_, SW_SHOW);
}

void HistoryWindow::fillLists() {
  ListView_DeleteAllItems(keysList_);
  int row = 0;
  for (const WeakKey& k : overview_.weakKeys) {
    std::string instead;
    for (std::size_t i = 0; i < k.typedInstead.size() && i < 3; ++i) {
      if (i > 0) instead += ", ";
      instead += keyName(k.typedInstead[i].first) + " (" + std::to_string(k.typedInstead[i].second) + "\xD7)";
    }
    const std::string rate = std::to_string(k.missed) + " von " + std::to_string(k.needed) + " (" +
                             germanNumber(100.0 * k.rate, 0) + " %)";
    const std::string time = k.rhythm.count > 0 ? germanNumber(k.rhythm.meanMs, 0) + " ms" : "";
    setRow(keysList_, row++, {w(keyName(k.ch)), w(rate), w(instead), w(time)});
  }
  ListView_DeleteAllItems(wordsList_);
  row = 0;
  for (const MistypedWord& m : overview_.words) {
    setRow(wordsList_, row++, {w(m.expected), std::to_wstring(m.count), w(m.typedMostOften)});
  }
  ListView_DeleteAllItems(courseList_);
  row = 0;
  for (const LessonProgress& p : course_) {
    const std::string best = p.hasBest ? germanNumber(static_cast<double>(p.bestKeystrokesPerMinute), 0) +
                                             " Anschl./Min., " + germanNumber(p.bestErrorPercent, 1) + " %"
                                       : (p.attempts > 0 ? w1252("geübt") : std::string());
    setRow(courseList_, row++, {w(p.title), w(best), p.passed ? L"ja" : L""});
  }
  const std::size_t next = nextLesson(course_);
  if (next < course_.size()) {
    ListView_SetItemState(courseList_, static_cast<int>(next), LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(courseList_, static_cast<int>(next), FALSE);
  }
}

SIZE HistoryWindow::minimumSize() const {
  const int dpi = win::screenPixelsPerInch();
  return SIZE{::MulDiv(640, dpi, 96), ::MulDiv(480, dpi, 96)};
}

void HistoryWindow::layout() {
  if (keysList_ == nullptr) return;
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const win::DialogUnits du(dialogFont_.get());
  const int m = du.x(7);
  const int row = du.y(12);
  const int width = client.right - 2 * m;
  const int buttonW = du.x(70), buttonH = du.y(14);
  const int buttonsTop = client.bottom - m - buttonH;

  const int radioW = du.x(52);
  moveTo(perDay_, client.right - m - radioW, m, radioW, row);
  moveTo(perExercise_, client.right - m - 2 * radioW, m, radioW, row);
  totalsRect_ = {m, m, client.right - m - 2 * radioW - m, m + row};

  const int lowerTop = m + row + m;
  const int available = buttonsTop - m - lowerTop;
  const bool withCourse = !coursePath_.empty();
  const int parts = withCourse ? 3 : 2;
  const int gap = du.y(2);

  // The lists first: each as wide as its columns, so none scrolls sideways,
  // and five rows high; the keyboard takes the width they leave, the chart
  // the height. On a small screen the chart gives up height down to a floor,
  // and the lists' widest text columns narrow before the keyboard shrinks
  // below two fifths of the width.
  const int edge = 2 * ::GetSystemMetrics(SM_CXEDGE) + ::GetSystemMetrics(SM_CXVSCROLL);
  int needW = 0;
  for (HWND list : {keysList_, wordsList_, courseList_}) {
    if (list == courseList_ && !withCourse) continue;
    needW = std::max(needW, columnsWidth(list) + edge);
  }
  const int listW = std::min(needW, (width - m) * 60 / 100);
  for (HWND list : {keysList_, wordsList_, courseList_}) fitColumns(list, listW - edge);
  const int fiveRows = listHeightFor(keysList_, 5);
  const int listsH = parts * (row + fiveRows) + (parts - 1) * gap;
  const int chartH = std::clamp(available - m - listsH, std::min(du.y(80), available * 46 / 100), available * 46 / 100);
  chartRect_ = {m, lowerTop, client.right - m, lowerTop + chartH};

  const int partsTop = chartRect_.bottom + m;
  const int listX = client.right - m - listW;
  heatRect_ = {m, partsTop, listX - m, buttonsTop - m};
  const int heatW = heatRect_.right - heatRect_.left;
  const int part = (buttonsTop - m - partsTop - parts * row - (parts - 1) * gap) / parts;
  keysLabel_ = {listX, partsTop, listX + listW, partsTop + row};
  moveTo(keysList_, listX, keysLabel_.bottom, listW, part);
  moveTo(keysEmpty_, listX + du.x(2), keysLabel_.bottom + du.y(2), listW - du.x(2), row);
  wordsLabel_ = {listX, keysLabel_.bottom + part + gap, listX + listW, keysLabel_.bottom + part + gap + row};
  moveTo(wordsList_, listX, wordsLabel_.bottom, listW, part);
  moveTo(wordsEmpty_, listX + du.x(2), wordsLabel_.bottom + du.y(2), listW - du.x(2), row);
  courseLabel_ = {listX, wordsLabel_.bottom + part + gap, listX + listW, wordsLabel_.bottom + part + gap + row};
  moveTo(courseList_, listX, courseLabel_.bottom, listW, buttonsTop - m - courseLabel_.bottom);

  // The buttons keep clear of the size grip in the corner, which grows with
  // the system's scroll bars faster than the margin with the font.
  const int grip = ::GetSystemMetrics(SM_CXVSCROLL);
  const int buttonsRight = client.right - std::max(m, grip);
  moveTo(close_, buttonsRight - buttonW, buttonsTop, buttonW, buttonH);
  moveTo(practise_, buttonsRight - 2 * buttonW - du.x(4), buttonsTop, buttonW + du.x(4), buttonH);
  moveTo(nextLesson_, buttonsRight - 3 * buttonW - m - du.x(8), buttonsTop, buttonW + du.x(4), buttonH);
  moveTo(adaptive_, buttonsRight - 4 * buttonW - m - du.x(16), buttonsTop, buttonW + du.x(4), buttonH);
  moveTo(grip_, client.right - grip, client.bottom - grip, grip, grip);

  // The keyboard as large as its part allows, at most its natural size.
  const int legend = du.y(22);
  std::uint16_t size = 0;
  while (keyboardImageWidth(static_cast<std::uint16_t>(size + 1)) <= heatW &&
         keyboardImageHeight(static_cast<std::uint16_t>(size + 1)) <= heatRect_.bottom - heatRect_.top - legend &&
         size < 60) {
    ++size;
  }
  keyboard_.layout(size, false);
  // Each key's figures in its tooltip, where paint puts the map.
  RECT heat = heatRect_;
  heat.top += du.y(12);
  spots_ = empty() ? std::vector<HeatKeySpot>{}
                   : heatMapSpots(heat, keyboard_, keys_, overview_.keys, win::screenPixelsPerInch());
  tips_.update(spots_);
  win::announce(hwnd_, EVENT_OBJECT_REORDER, 0);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void HistoryWindow::paintEmpty(HDC dc, const RECT& client) {
  RECT box = client;
  const int margin = (client.right - client.left) / 6;
  box.left += margin;
  box.right -= margin;
  box.top += (client.bottom - client.top) / 5;
  const std::wstring text = w(w1252(kEmptyText));
  const win::ScopedSelect font(dc, dialogFont_.get());
  ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
  ::SetBkMode(dc, TRANSPARENT);
  RECT heading = box;
  {
    const win::ScopedSelect bold(dc, headingFont_.get());
    ::DrawTextW(dc, L"Lernverlauf", -1, &heading, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  box.top += 2 * win::DialogUnits(dialogFont_.get()).y(10);
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
}

void HistoryWindow::paint(HDC dc, const RECT& client) {
  const auto started = std::chrono::steady_clock::now();
  ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_3DFACE));
  if (empty()) {
    paintEmpty(dc, client);
    return;
  }
  const ChartLook look{dialogFont_.get(), win::screenPixelsPerInch()};
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
  {
    const HistoryTotals& t = overview_.totals;
    const std::string totals =
        germanNumber(static_cast<double>(t.exercises), 0) + (t.exercises == 1 ? w1252(" Übung") : w1252(" Übungen")) +
        w1252(" · Übungszeit ") + formatTimeText(t.seconds) + w1252(" · Anschläge pro Minute: bestes Tempo ") +
        germanNumber(static_cast<double>(t.bestKeystrokesPerMinute), 0) +
        w1252(", zuletzt im Mittel ") + germanNumber(t.recentKeystrokesPerMinute, 0);
    const win::ScopedSelect font(dc, headingFont_.get());
    RECT r = totalsRect_;
    const std::wstring text = w(totals);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  }
  // The chart, drawn in many strokes, is drawn off screen first so it never
  // flickers while the window is sized; the rest is drawn in one pass each.
  // A picture of the chart alone, not of the window: the memory it takes
  // stays with the program after the window has closed.
  {
    const int w = chartRect_.right - chartRect_.left, h = chartRect_.bottom - chartRect_.top;
    const win::MemoryDc memory(::CreateCompatibleDC(dc));
    const win::Bitmap bitmap(w > 0 && h > 0 ? ::CreateCompatibleBitmap(dc, w, h) : nullptr);
    const bool offScreen = memory && bitmap;
    std::optional<win::ScopedSelect> select;
    if (offScreen) select.emplace(memory.get(), bitmap.get());
    const HDC target = offScreen ? memory.get() : dc;
    RECT frame = chartRect_;
    if (offScreen) ::OffsetRect(&frame, -chartRect_.left, -chartRect_.top);
    ::FillRect(target, &frame, ::GetSysColorBrush(COLOR_WINDOW));
    ::DrawEdge(target, &frame, BDR_SUNKENOUTER, BF_RECT);
    RECT inner = chartInner();
    if (offScreen) ::OffsetRect(&inner, -chartRect_.left, -chartRect_.top);
    drawChart(target, inner, chart_, scale_, look);
    if (offScreen) ::BitBlt(dc, chartRect_.left, chartRect_.top, w, h, memory.get(), 0, 0, SRCCOPY);
  }

  {
    const win::ScopedSelect font(dc, headingFont_.get());
    RECT r = keysLabel_;
    ::DrawTextW(dc, L"Schwächste Tasten (letzte 100 Übungen)", -1, &r, DT_LEFT | DT_BOTTOM | DT_SINGLELINE);
    r = wordsLabel_;
    ::DrawTextW(dc, L"Häufig falsch geschriebene Wörter", -1, &r, DT_LEFT | DT_BOTTOM | DT_SINGLELINE);
    if (!coursePath_.empty()) {
      r = courseLabel_;
      ::DrawTextW(dc, L"Grundkurs (bestanden: ganze Lektion, höchstens 2 % Fehler)", -1, &r,
                  DT_LEFT | DT_BOTTOM | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
    RECT heading = heatRect_;
    ::DrawTextW(dc, L"Verfehlte Tasten", -1, &heading, DT_LEFT | DT_TOP | DT_SINGLELINE);
  }
  RECT heat = heatRect_;
  heat.top += win::DialogUnits(dialogFont_.get()).y(12);
  drawHeatMap(dc, heat, keyboard_, keys_, overview_.keys, look);
  lastPaintMs_ = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
}

void HistoryWindow::setScale(ChartScale scale) {
  if (scale == scale_) return;
  scale_ = scale;
  chart_ = chartData(overview_.points, scale_, 600);
  ::InvalidateRect(hwnd_, &chartRect_, FALSE);
  win::announce(hwnd_, EVENT_OBJECT_DESCRIPTIONCHANGE, kSpeedChartNode);
  win::announce(hwnd_, EVENT_OBJECT_DESCRIPTIONCHANGE, kErrorChartNode);
}

std::vector<std::string> HistoryWindow::textsAtHand() const {
  std::vector<std::string> corpus;
  for (const BuiltinText& t : builtinTexts()) corpus.insert(corpus.end(), t.lines.begin(), t.lines.end());
  // The course the program carries, with its letters and reports.
  if (const std::vector<std::uint8_t>* image = coursePath_.empty() ? nullptr : imageArchive(coursePath_)) {
    TextArchiveHeader header;
    if (readArchiveImage(*image, header) == ArchiveError::None) {
      for (int n = 1; n <= header.textCount; ++n) {
        std::vector<std::string> lines;
        if (readImageText(*image, header, n, lines) == ArchiveError::None) {
          corpus.insert(corpus.end(), lines.begin(), lines.end());
        }
      }
    }
  }
  // The teacher's archives too: their words are the ones the learner meets.
  int archives = 0;
  for (const std::string& entry : appState().ownArchives) {
    if (++archives > 20) break;
    const std::filesystem::path file = pathFromCp1252(entryPath(entry));
    TextArchiveHeader header;
    if (readArchiveFile(file, header) != ArchiveError::None) continue;
    for (int n = 1; n <= header.textCount; ++n) {
      std::vector<std::string> lines;
      if (readArchiveFileText(file, header, n, lines) == ArchiveError::None) {
        corpus.insert(corpus.end(), lines.begin(), lines.end());
      }
    }
  }
  return corpus;
}

void HistoryWindow::practiseWeaknesses() {
  const DrillText drill = buildDrill(overview_, textsAtHand());
  if (drill.lines.empty()) {
    win::showInformation(host_.frame(), w1252(kNothingWeak));
    return;
  }
  if (drill.tooLittleHistory) {
    std::string keys;
    for (const char c : drill.weakKeys) {
      if (!keys.empty()) keys += ' ';
      keys += keyName(static_cast<unsigned char>(c));
    }
    win::showInformation(host_.frame(),
                         w1252("Noch ist der Lernverlauf zu kurz, um schwache Tasten sicher zu erkennen. Die Übung "
                               "nimmt deshalb die Tasten dazu, die Sie bisher am ehesten verfehlt oder am meisten "
                               "geübt haben: ") +
                             keys + ".");
  }
  TextArchiveHeader header;
  resetHeader(header);
  header.archiveName = w1252(kDrillArchiveName);
  const auto image = encodeArchive(header, {{drill.title, drill.lines}});
  const std::filesystem::path file = historyFile().parent_path() / (win::widen(header.archiveName) + L".kv7");
  std::error_code ignored;
  std::filesystem::create_directories(file.parent_path(), ignored);
  if (!image) {
    win::showError(host_.frame(), w1252("Die Übung „Schwächen üben“ konnte nicht angelegt werden."));
    return;
  }
  const AtomicWriteResult written = writeFileAtomically(
      file, std::string_view(reinterpret_cast<const char*>(image->data()), image->size()), {});
  if (!written) {
    // An earlier drill of that name stays as it was and can still be chosen.
    win::showError(host_.frame(), w1252("Die Übung „Schwächen üben“ konnte nicht angelegt werden. ") +
                                      written.reason(file) +
                                      w1252(" Der Lernverlauf selbst ist davon nicht betroffen."));
    return;
  }
  // Offered among the program's own archives and chosen for the learner.
  AppState& state = appState();
  const std::string path = win::narrowLossy(file.wstring());
  const std::string entry = archiveEntry(header.archiveName, path);
  std::erase_if(state.programArchives, [&](const std::string& e) { return sameArchivePath(entryPath(e), path); });
  state.programArchives.push_back(entry);
  state.archiveScan.preferredArchivePath = path;
  state.archiveScan.preferredArchiveFound = true;
  state.exercise.archiveCaption.clear();
  host_.request(static_cast<int>(Request::Selection));
}

void HistoryWindow::refreshFontsAndColours() {
  dialogFont_ = createDialogFont(appState().settings.fonts);
  LOGFONTW heading{};
  ::GetObjectW(dialogFont_.get(), sizeof heading, &heading);
  heading.lfWeight = FW_BOLD;
  headingFont_ = win::Font(::CreateFontIndirectW(&heading));
  if (dialogFont_) win::applyDialogFont(hwnd_, dialogFont_.get());
  keyboard_.remeasureTextHeights();
  keyboard_.useSystemColours(systemColoursOn());
  keyboard_.layout(keyboard_.drawnSize(), true);
  layout();
}

LRESULT HistoryWindow::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      createControls();
      return 0;
    case WM_SIZE:
      layout();
      break;  // the MDI child handling needs it too
    case WM_ERASEBKGND:
      return 1;
    case WM_GETOBJECT: {
      bool handled = false;
      const LRESULT object = access_.answer(hwnd_, *this, wParam, lParam, handled);
      if (handled) return object;
      break;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = ::BeginPaint(hwnd_, &ps);
      RECT client{};
      ::GetClientRect(hwnd_, &client);
      paint(dc, client);
      ::EndPaint(hwnd_, &ps);
      if (!shown_) {
        shown_ = true;
        openLog_.add(static_cast<int>(overview_.totals.exercises), opened_);
      }
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return controlOnFace(wParam);
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kPerExerciseId:
          setScale(ChartScale::PerExercise);
          return 0;
        case kPerDayId:
          setScale(ChartScale::PerDay);
          return 0;
        case kPractiseId:
          practiseWeaknesses();
          return 0;
        case kNextLessonId:
          startNextLesson();
          return 0;
        case kAdaptiveId:
          if (adaptive_ != nullptr) host_.request(static_cast<int>(Request::Adaptive));
          return 0;
        case IDOK:
          // Return: the focused button, else the window's own action.
          if (adaptive_ != nullptr && ::GetFocus() == adaptive_) {
            host_.request(static_cast<int>(Request::Adaptive));
          } else if (::GetFocus() == nextLesson_) {
            startNextLesson();
          } else if (::GetFocus() == close_ || empty()) {
            host_.request(static_cast<int>(Request::Selection));
          } else {
            practiseWeaknesses();
          }
          return 0;
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

std::unique_ptr<ChildWindow> createHistoryWindow(ChildHost& host) {
  return createChildWindow<HistoryWindow>(host);
}

}  // namespace kv
