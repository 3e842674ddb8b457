#include "ui/adaptive/adaptive_window_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "keyboard/keyboard_geometry.h"
#include "platform/encoding.h"
#include "platform/win/controls.h"
#include "platform/win/dialog_font.h"
#include "platform/win/message_box.h"
#include "platform/win/strings.h"
#include "platform/win/system_info.h"
#include "ui/adaptive/adaptive_run_win.h"
#include "keyboard/layout_check_win.h"
#include "ui/history/history_window_win.h"
#include "ui/selection/selection_rules.h"
#include "ui/shared/app_state.h"
#include "ui/shared/requests.h"
#include "ui/shared/system_colours_win.h"
#include "ui/shared/window_font_win.h"

namespace kv {
namespace {

// How a key stands, as the keyboard picture colours it.
enum class KeyShade { Locked, Open, Weak, Reached, Focus };

// Light colours, so that the black captions stay readable on every key.
COLORREF shadeColour(KeyShade shade) {
  switch (shade) {
    case KeyShade::Locked: return RGB(0xB4, 0xB4, 0xB4);
    case KeyShade::Open: return RGB(0xFF, 0xFF, 0xFF);
    case KeyShade::Weak: return RGB(0xFF, 0xD2, 0xA0);
    case KeyShade::Reached: return RGB(0xBE, 0xEB, 0xBE);
    case KeyShade::Focus: return RGB(0xFF, 0xC8, 0x3C);
  }
  return RGB(0xFF, 0xFF, 0xFF);
}

const wchar_t* shadeName(KeyShade shade) {
  switch (shade) {
    case KeyShade::Locked: return L"noch gesperrt";
    case KeyShade::Open: return L"noch zu wenig geübt";
    case KeyShade::Weak: return L"unter dem Ziel";
    case KeyShade::Reached: return L"Ziel erreicht";
    case KeyShade::Focus: return L"Schwerpunkt";
  }
  return L"";
}

std::wstring w(const std::string& cp1252) { return win::widen(cp1252); }

void moveControl(HWND control, int x, int y, int width, int height) {
  ::MoveWindow(control, x, y, std::max(width, 0), std::max(height, 0), FALSE);
}

// "142" – a speed in whole Anschläge pro Minute; "–" while untimed.
std::string speedText(double speed) {
  return speed > 0 ? std::to_string(static_cast<long>(std::lround(speed))) : w1252("–");
}

std::string keyState(const KeyProgress& key, const AdaptiveProgress& progress, int target) {
  if (key.key == progress.focus) return w1252("Schwerpunkt");
  if (key.reached) return w1252("Ziel erreicht");
  if (key.strokes < kLeastStrokes) return w1252("noch zu wenig geübt");
  if (key.missRate > kMostMissRate) return w1252("zu oft verfehlt");
  if (key.speed < target) return w1252("zu langsam");
  return w1252("noch nicht sicher");
}

// What the learner reads above the keyboard: the open keys, the focus and
// what comes next, each in words (the colours only repeat it).
std::string summaryText(const AdaptiveProgress& progress, int lessonsTyped) {
  std::string keys;
  for (const KeyProgress& k : progress.keys) keys += (keys.empty() ? "" : " ") + k.name;
  std::string text;
  text += lessonsTyped == 0 ? w1252("Noch keine adaptive Lektion geschrieben. ")
                            : w1252("Adaptive Lektionen bisher: ") + std::to_string(lessonsTyped) + ". ";
  text += w1252("Freie Tasten (") + std::to_string(progress.keys.size()) + "): " + keys + "\r\n";
  text += w1252("Schwerpunkt der nächsten Lektion: ") + courseKeyName(progress.focus) + "\r\n";
  if (!progress.hasNext) {
    text += w1252("Alle Tasten sind frei. Die Lektionen üben weiter, was unter dem Ziel liegt.");
    return text;
  }
  text += w1252("Als Nächstes kommt: ") + courseKeyName(progress.nextKey) + w1252(" – sobald jede freie Taste ") +
          std::to_string(progress.target) + w1252(" Anschläge pro Minute erreicht und selten verfehlt wird. ");
  if (progress.lessonsToNext) {
    const int n = *progress.lessonsToNext;
    text += n <= 1 ? w1252("Geschätzt: noch etwa 1 Lektion.")
                   : w1252("Geschätzt: noch etwa ") + std::to_string(n) + w1252(" Lektionen.");
  } else {
    text += w1252("Wie viele Lektionen es noch sind, lässt sich noch nicht abschätzen.");
  }
  return text;
}

void addColumn(HWND list, int index, const wchar_t* title, int width, bool right) {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  column.fmt = right ? LVCFMT_RIGHT : LVCFMT_LEFT;
  column.cx = width;
  column.pszText = const_cast<wchar_t*>(title);
  ListView_InsertColumn(list, index, &column);
}

}  // namespace

AdaptiveWindow::AdaptiveWindow(ChildHost& host) : HostedChildWindow(host), keyboard_(whiteKeysLook(), keys_) {}

AdaptiveWindow::~AdaptiveWindow() = default;

bool AdaptiveWindow::create() {
  if (!registerClass(kAdaptiveChildClass, ::LoadIconW(::GetModuleHandleW(nullptr), L"APPICON"))) return false;
  load();
  RECT client{};
  ::GetClientRect(host_.mdiClient(), &client);
  if (!createIn(host_.mdiClient(), kAdaptiveChildClass, L"Adaptiv üben", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
                0, client.right, client.bottom)) {
    return false;
  }
  ::ShowWindow(hwnd_, SW_SHOW);
  ::UpdateWindow(hwnd_);
  if (!loadNotice_.empty()) {
    // The lessons go on from this run's own; the learner knows why.
    win::showInformation(host_.frame(), loadNotice_ +
                                            w1252("\r\n\r\nDie Lektionen richten sich bis dahin nach dem, was Sie "
                                                  "seit dem Start von Klavento geschrieben haben."));
    loadNotice_.clear();
  }
  return true;
}

void AdaptiveWindow::load() {
  AdaptiveRun& run = adaptiveRun();
  // Back from a lesson: the next result leads elsewhere unless a new one starts.
  run.lessonRunning = false;
  if (run.target <= 0) run.target = kDefaultTarget;
  const std::vector<ExerciseRecord> records = adaptiveRecords(loadNotice_);
  progress_ = adaptiveProgress(records, run.target);
  lessonsTyped_ = static_cast<int>(std::count_if(records.begin(), records.end(), isAdaptiveRecord));
}

void AdaptiveWindow::createControls() {
  summary_ = win::createControl(hwnd_, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10, kSummaryId);
  keysList_ = win::createControl(hwnd_, WC_LISTVIEWW, L"",
                                 WS_TABSTOP | WS_GROUP | LVS_REPORT | LVS_SINGLESEL | LVS_NOSORTHEADER |
                                     LVS_SHOWSELALWAYS,
                                 0, 0, 10, 10, kKeysListId, WS_EX_CLIENTEDGE);
  ListView_SetExtendedListViewStyle(keysList_, LVS_EX_FULLROWSELECT);
  win::labelForScreenReaders(keysList_, L"Freie Tasten: Tempo und Fehler");
  formLabel_ = win::createControl(hwnd_, L"STATIC", L"Übungs&form:", SS_LEFT, 0, 0, 10, 10, kFormLabelId);
  form_ = win::createControl(hwnd_, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP, 0, 0, 10,
                             10, kFormId);
  for (int form = 1; form <= 4; ++form) {
    ::SendMessageW(form_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w(formName(form)).c_str()));
  }
  targetLabel_ = win::createControl(hwnd_, L"STATIC", L"&Ziel:", SS_LEFT, 0, 0, 10, 10, kTargetLabelId);
  target_ = win::createControl(hwnd_, L"EDIT", L"", ES_NUMBER | WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL, 0, 0, 10, 10,
                               kTargetId, WS_EX_CLIENTEDGE);
  targetSpin_ = win::createControl(hwnd_, UPDOWN_CLASSW, L"",
                                   UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_NOTHOUSANDS | UDS_ARROWKEYS, 0, 0, 10, 10,
                                   kTargetSpinId);
  ::SendMessageW(targetSpin_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(target_), 0);
  ::SendMessageW(targetSpin_, UDM_SETRANGE32, kLeastTarget, kMostTarget);
  UDACCEL steps[] = {{0, 10}};
  ::SendMessageW(targetSpin_, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(steps));
  targetUnit_ = win::createControl(hwnd_, L"STATIC", L"Anschläge pro Minute", SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10,
                                   kTargetUnitId);
  next_ = win::createControl(hwnd_, L"BUTTON", L"&Nächste Lektion", WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0, 0,
                             10, 10, kNextId);
  close_ = win::createControl(hwnd_, L"BUTTON", L"&Schließen", WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10, kCloseId);
  refreshFontsAndColours();
  fillControls();
}

void AdaptiveWindow::fillControls() {
  filling_ = true;
  const AdaptiveRun& run = adaptiveRun();
  ::SetWindowTextW(summary_, w(summaryText(progress_, lessonsTyped_)).c_str());
  ::SendMessageW(form_, CB_SETCURSEL, std::clamp<int>(appState().exercise.form, 1, 4) - 1, 0);
  ::SetWindowTextW(target_, std::to_wstring(run.target).c_str());

  ListView_DeleteAllItems(keysList_);
  int row = 0;
  for (const KeyProgress& key : progress_.keys) {
    const std::vector<std::string> cells = {
        key.name,
        speedText(key.speed),
        std::to_string(key.strokes),
        std::to_string(key.missed),
        keyState(key, progress_, run.target),
    };
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    const std::wstring first = w(cells[0]);
    item.pszText = const_cast<wchar_t*>(first.c_str());
    ListView_InsertItem(keysList_, &item);
    for (std::size_t c = 1; c < cells.size(); ++c) {
      const std::wstring text = w(cells[c]);
      ListView_SetItemText(keysList_, row, static_cast<int>(c), const_cast<wchar_t*>(text.c_str()));
    }
    ++row;
  }
  filling_ = false;
}

void AdaptiveWindow::refreshFontsAndColours() {
  dialogFont_ = createDialogFont(appState().settings.fonts);
  if (dialogFont_) win::applyDialogFont(hwnd_, dialogFont_.get());
  headingFont_ = createHeadingFont(dialogFont_.get());
  if (keysList_ != nullptr && ListView_GetItemCount(keysList_) == 0 &&
      Header_GetItemCount(ListView_GetHeader(keysList_)) == 0) {
    const win::DialogUnits du(dialogFont_.get());
    addColumn(keysList_, 0, L"Taste", du.x(56), false);
    addColumn(keysList_, 1, L"Anschläge/Min.", du.x(62), true);
    addColumn(keysList_, 2, L"geübt", du.x(34), true);
    addColumn(keysList_, 3, L"verfehlt", du.x(38), true);
    addColumn(keysList_, 4, L"Stand", du.x(80), false);
  }
  keyboard_.remeasureTextHeights();
  keyboard_.useSystemColours(systemColoursOn());
  keyboard_.layout(keyboard_.drawnSize(), true);
  layout();
}

SIZE AdaptiveWindow::minimumSize() const {
  const win::DialogUnits du(dialogFont_.get());
  return SIZE{du.x(360), du.y(230)};
}

void AdaptiveWindow::layout() {
  if (close_ == nullptr) return;
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const win::DialogUnits du(dialogFont_.get());
  const int m = du.x(8), gap = du.y(5);
  const int width = client.right - 2 * m;
  const int rowH = du.y(14), labelH = du.y(9);
  int y = m;
  headingRect_ = {m, y, m + width, y + du.y(14)};
  y += du.y(14) + du.y(3);
  moveControl(summary_, m, y, width, labelH * 4);
  y += labelH * 4 + gap;

  // The controls along the foot: form, target, and the two buttons.
  const int buttonsTop = client.bottom - m - rowH;
  int x = m;
  const auto extent = [&](HWND control) {
    return static_cast<int>(win::textExtent(dialogFont_.get(), win::windowText(control)).cx) + du.x(4);
  };
  moveControl(formLabel_, x, buttonsTop + du.y(3), extent(formLabel_), labelH);
  x += extent(formLabel_);
  moveControl(form_, x, buttonsTop, du.x(110), du.y(80));
  x += du.x(110) + du.x(10);
  moveControl(targetLabel_, x, buttonsTop + du.y(3), extent(targetLabel_), labelH);
  x += extent(targetLabel_);
  moveControl(target_, x, buttonsTop + du.y(1), du.x(36), du.y(12));
  ::SendMessageW(targetSpin_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(target_), 0);
  x += du.x(36) + du.x(3);
  moveControl(targetUnit_, x, buttonsTop + du.y(3), extent(targetUnit_), labelH);
  int buttonW = du.x(60);
  for (HWND button : {next_, close_}) buttonW = std::max(buttonW, extent(button) + du.x(8));
  moveControl(close_, client.right - m - buttonW, buttonsTop, buttonW, rowH);
  moveControl(next_, client.right - m - 2 * buttonW - du.x(4), buttonsTop, buttonW, rowH);

  // The list on the right, the keyboard in what is left.
  const int partsBottom = buttonsTop - gap;
  const int listW = std::min(du.x(290), width / 2);
  moveControl(keysList_, client.right - m - listW, y, listW, std::max(0, partsBottom - y));
  keyboardRect_ = {m, y, client.right - m - listW - m, partsBottom};
  const int legend = du.y(14);
  const int keyboardW = keyboardRect_.right - keyboardRect_.left;
  const int keyboardH = keyboardRect_.bottom - keyboardRect_.top - legend;
  std::uint16_t size = 0;
  while (size < 60 && keyboardImageWidth(static_cast<std::uint16_t>(size + 1)) <= keyboardW &&
         keyboardImageHeight(static_cast<std::uint16_t>(size + 1)) <= keyboardH) {
    ++size;
  }
  keyboard_.layout(size, false);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void AdaptiveWindow::paintKeyboard(HDC dc, const RECT& area) {
  if (!keyboard_.ready()) return;
  win::Canvas picture;
  if (!picture.resize(keyboard_.width(), keyboard_.height())) return;
  keyboard_.paint(picture.dc(), 0, 0);
  const bool system = systemColoursOn();

  KeySet open;
  for (const KeyProgress& k : progress_.keys) open.add(k.key);
  const auto shadeOf = [&](unsigned char key) {
    if (!open.has(key)) return KeyShade::Locked;
    if (key == progress_.focus) return KeyShade::Focus;
    const auto found = std::find_if(progress_.keys.begin(), progress_.keys.end(),
                                    [&](const KeyProgress& k) { return k.key == key; });
    if (found == progress_.keys.end()) return KeyShade::Open;
    if (found->reached) return KeyShade::Reached;
    // As the list's "Stand" says: a key is judged only over enough strokes.
    return found->strokes >= kLeastStrokes ? KeyShade::Weak : KeyShade::Open;
  };
  const auto tint = [&](const KeyRect& r, KeyShade shade) {
    if (r.right <= r.left) return;
    if (system) {
      // In the system's colours only the focus is marked, by a frame.
      if (shade != KeyShade::Focus) return;
      const win::Brush frame(::CreateSolidBrush(::GetSysColor(COLOR_HIGHLIGHT)));
      for (int inset = 1; inset <= 3; ++inset) {
        const RECT ring{r.left + inset, r.top + inset, r.right - inset, r.bottom - inset};
        ::FrameRect(picture.dc(), &ring, frame.get());
      }
      return;
    }
    // The keys are white with black captions: ANDing a colour over them
    // colours the key and keeps the captions.
    const win::Brush brush(::CreateSolidBrush(shadeColour(shade)));
    const win::ScopedSelect select(picture.dc(), brush.get());
    constexpr DWORD kPatternAnd = 0x00A000C9;
    ::PatBlt(picture.dc(), r.left + 1, r.top + 1, r.right - r.left - 2, r.bottom - r.top - 2, kPatternAnd);
  };
  for (int i = 1; i <= keys_.count; ++i) {
    const KeyEntry& e = keys_.entries[static_cast<std::size_t>(i)];
    if (e.modifier != ModifierCode::None) continue;
    tint(e.rect, shadeOf(courseKeyOf(e.ch)));
  }
  tint(keys_.LeftShiftRect, shadeOf(kShiftKey));
  tint(keys_.RightShiftRect, shadeOf(kShiftKey));

  const int legend = win::DialogUnits(dialogFont_.get()).y(14);
  const int availableW = area.right - area.left;
  const int availableH = area.bottom - area.top - legend;
  if (availableW <= 0 || availableH <= 0) return;
  const double scale = std::min({1.0, static_cast<double>(availableW) / picture.width(),
                                 static_cast<double>(availableH) / picture.height()});
  const int dw = static_cast<int>(picture.width() * scale), dh = static_cast<int>(picture.height() * scale);
  ::SetStretchBltMode(dc, system ? COLORONCOLOR : HALFTONE);
  ::SetBrushOrgEx(dc, 0, 0, nullptr);
  ::StretchBlt(dc, area.left, area.top, dw, dh, picture.dc(), 0, 0, picture.width(), picture.height(), SRCCOPY);
  if (system) return;

  // The legend: a swatch and a word for each shade.
  const win::ScopedSelect font(dc, dialogFont_.get());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
  const win::DialogUnits du(dialogFont_.get());
  int x = area.left;
  const int y = area.top + dh + du.y(3);
  const int box = du.y(8);
  for (KeyShade shade : {KeyShade::Focus, KeyShade::Weak, KeyShade::Reached, KeyShade::Open, KeyShade::Locked}) {
    const RECT swatch{x, y, x + box, y + box};
    const win::Brush fill(::CreateSolidBrush(shadeColour(shade)));
    ::FillRect(dc, &swatch, fill.get());
    ::FrameRect(dc, &swatch, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    x += box + du.x(2);
    const std::wstring name = shadeName(shade);
    ::TextOutW(dc, x, y - du.y(1), name.c_str(), static_cast<int>(name.size()));
    x += static_cast<int>(win::textExtent(dialogFont_.get(), name).cx) + du.x(8);
  }
}

void AdaptiveWindow::paint(HDC dc) {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_3DFACE));
  {
    const win::ScopedSelect font(dc, headingFont_ ? headingFont_.get() : dialogFont_.get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    RECT heading = headingRect_;
    ::DrawTextW(dc, L"Adaptiv üben", -1, &heading, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
  }
  paintKeyboard(dc, keyboardRect_);
}

void AdaptiveWindow::targetChanged() {
  if (filling_) return;
  const std::optional<std::string> typed = win::narrow(win::windowText(target_));
  int value = 0;
  if (typed && std::sscanf(typed->c_str(), "%d", &value) == 1 && value >= kLeastTarget && value <= kMostTarget) {
    AdaptiveRun& run = adaptiveRun();
    if (value == run.target) return;
    run.target = value;
    load();
    fillControls();
    ::InvalidateRect(hwnd_, nullptr, TRUE);
    return;
  }
  // Empty or out of range: the target in force shows again, and stays.
  filling_ = true;
  ::SetWindowTextW(target_, std::to_wstring(adaptiveRun().target).c_str());
  filling_ = false;
}

void AdaptiveWindow::formChosen() {
  if (filling_) return;
  const LRESULT chosen = ::SendMessageW(form_, CB_GETCURSEL, 0, 0);
  if (chosen < 0 || chosen > 3) return;
  ExerciseParameters& exercise = appState().exercise;
  const int before = exercise.form;
  exercise.form = static_cast<std::uint8_t>(chosen + 1);
  // A pace and a time limit mean different things: the new kind starts free.
  if (hasPace(formOf(before)) != hasPace(formOf(exercise.form))) exercise.pace = 0;
}

void AdaptiveWindow::startLesson() {
  if (starting_) return;
  // What the fields show is what counts, however they were changed.
  formChosen();
  targetChanged();
  // As before any exercise: the German keyboard, and a system it runs on.
  if (!win::CheckKeyboardLayout(host_.frame())) return;
  if (!exerciseStartAllowed(appState().settings.environment)) return;
  std::string notice;
  starting_ = true;
  if (!startAdaptiveLesson(notice)) {
    starting_ = false;
    win::showError(host_.frame(), notice);
    return;
  }
  host_.request(static_cast<int>(Request::Exercise));
}

void AdaptiveWindow::close() {
  endAdaptiveLessons();
  host_.request(static_cast<int>(Request::Selection));
}

LRESULT AdaptiveWindow::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      createControls();
      return 0;
    case WM_SIZE:
      layout();
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = ::BeginPaint(hwnd_, &ps);
      paint(dc);
      ::EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return controlOnFace(wParam);
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kFormId:
          if (HIWORD(wParam) == CBN_SELCHANGE || HIWORD(wParam) == CBN_SELENDOK) formChosen();
          return 0;
        case kTargetId:
          if (HIWORD(wParam) == EN_KILLFOCUS) targetChanged();
          return 0;
        case kNextId:
          startLesson();
          return 0;
        case IDOK:
          // Return: the next lesson, unless "Schließen" has the focus.
          if (::GetFocus() == close_) {
            close();
          } else {
            startLesson();
          }
          return 0;
        case kCloseId:
        case IDCANCEL:
          close();
          return 0;
        default:
          break;
      }
      break;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        close();
        return 0;
      }
      if (systemCommandLeadsToSelection(host_, wParam)) return 0;
      break;
    default:
      break;
  }
  return finishMessage(msg, wParam, lParam);
}

std::unique_ptr<ChildWindow> createAdaptiveWindow(ChildHost& host) { return createChildWindow<AdaptiveWindow>(host); }

}  // namespace kv
