#include "ui/selection_dialog_win.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>

#include "core/state.h"
#include "platform/win/controls.h"
#include "platform/win/dialog_font.h"
#include "ui/window_font_win.h"
#include "keyboard/layout_check_win.h"
#include "platform/win/message_box.h"
#include "platform/win/shell.h"
#include "platform/win/strings.h"
#include "platform/win/system_info.h"
#include "ui/archive_discovery_win.h"
#include "ui/colour_chooser_win.h"
#include "ui/folder_picker_win.h"
#include "ui/selection_pictures_win.h"
#include "ui/themed_button_win.h"

namespace kv {
namespace {

constexpr UINT kFormRightClick = WM_APP + 30;

// Where the dialog was when it last closed, and how large the main window's
// client area was then: the next dialog comes back to the same place only
// when the main window has not changed its size meanwhile.
struct Placement {
  bool known = false;
  SIZE client{};
  POINT position{};
};
Placement lastPlacement;

// Places in dialog units of the dialog font.
struct Place {
  int id;
  int x, y, w, h;
};
constexpr int kClientW = 290;
constexpr int kClientH = 206;
constexpr int kButtonsY = 186;
constexpr Place kPlaces[] = {
    {SelectionDialog::kFormGroup, 7, 5, 150, 80},
    {SelectionDialog::kFormOption1, 15, 18, 136, 11},
    {SelectionDialog::kFormOption1 + 1, 15, 34, 136, 11},
    {SelectionDialog::kFormOption1 + 2, 15, 50, 136, 11},
    {SelectionDialog::kFormOption1 + 3, 15, 66, 136, 11},
    {SelectionDialog::kFormPicture, 164, 10, 119, 56},
    {SelectionDialog::kColourButton1, 164, 69, 119, 14},
    {SelectionDialog::kColourButton1 + 1, 164, 69, 119, 14},
    {SelectionDialog::kColourButton1 + 2, 164, 69, 119, 14},
    {SelectionDialog::kPaceGroup, 7, 92, 150, 52},
    {SelectionDialog::kPaceNone, 15, 105, 130, 11},
    {SelectionDialog::kPaceValue, 15, 124, 84, 11},
    {SelectionDialog::kPaceField, 101, 123, 44, 13},
    {SelectionDialog::kCorrectionGroup, 164, 92, 119, 52},
    {SelectionDialog::kCorrectionNo, 172, 105, 106, 11},
    {SelectionDialog::kCorrectionYes, 172, 124, 106, 11},

    {SelectionDialog::kArchiveLabel, 7, 6, 120, 9},
    {SelectionDialog::kArchiveBox, 7, 16, 276, 160},
    {SelectionDialog::kTextLabel, 7, 34, 120, 9},
    {SelectionDialog::kTextList, 7, 44, 248, 92},
    {SelectionDialog::kPreviewList, 7, 44, 248, 92},
    {SelectionDialog::kPreviewSwitch, 259, 44, 24, 20},
    {SelectionDialog::kRangeGroup, 7, 140, 136, 38},
    {SelectionDialog::kFirstLabel, 14, 157, 22, 9},
    {SelectionDialog::kFirstLine, 37, 155, 36, 13},
    {SelectionDialog::kLastLabel, 79, 157, 16, 9},
    {SelectionDialog::kLastLine, 97, 155, 36, 13},
    {SelectionDialog::kRepeatGroup, 149, 140, 134, 38},
    {SelectionDialog::kModeEachLine, 156, 151, 70, 11},
    {SelectionDialog::kModeWholeText, 156, 164, 70, 11},
    {SelectionDialog::kRepetitionsLabel, 229, 151, 50, 9},
    {SelectionDialog::kRepetitions, 229, 161, 36, 13},

    {SelectionDialog::kBack, 114, kButtonsY, 56, 14},
    {SelectionDialog::kNext, 174, kButtonsY, 90, 14},
    {SelectionDialog::kMenu, 267, kButtonsY, 16, 14},
};

constexpr int kFirstPage[] = {
    SelectionDialog::kFormGroup,       SelectionDialog::kFormOption1,
    SelectionDialog::kFormOption1 + 1, SelectionDialog::kFormOption1 + 2,
    SelectionDialog::kFormOption1 + 3, SelectionDialog::kFormPicture,
    SelectionDialog::kPaceGroup,       SelectionDialog::kPaceNone,
    SelectionDialog::kPaceValue,       SelectionDialog::kPaceField,
    SelectionDialog::kPaceSpin,        SelectionDialog::kCorrectionGroup,
    SelectionDialog::kCorrectionNo,    SelectionDialog::kCorrectionYes,
};
constexpr int kSecondPage[] = {
    SelectionDialog::kArchiveLabel,  SelectionDialog::kArchiveBox,
    SelectionDialog::kTextLabel,     SelectionDialog::kPreviewSwitch,
    SelectionDialog::kRangeGroup,    SelectionDialog::kFirstLabel,
    SelectionDialog::kFirstLine,     SelectionDialog::kFirstSpin,
    SelectionDialog::kLastLabel,     SelectionDialog::kLastLine,
    SelectionDialog::kLastSpin,      SelectionDialog::kRepeatGroup,
    SelectionDialog::kModeEachLine,  SelectionDialog::kModeWholeText,
    SelectionDialog::kRepetitionsLabel, SelectionDialog::kRepetitions,
    SelectionDialog::kRepetitionsSpin,
};

int spinOf(int field) {
  switch (field) {
    case SelectionDialog::kPaceField: return SelectionDialog::kPaceSpin;
    case SelectionDialog::kFirstLine: return SelectionDialog::kFirstSpin;
    case SelectionDialog::kLastLine: return SelectionDialog::kLastSpin;
    case SelectionDialog::kRepetitions: return SelectionDialog::kRepetitionsSpin;
    default: return 0;
  }
}

// The busy cursor for the length of a load.
class BusyCursor {
 public:
  explicit BusyCursor(bool show)
      : old_(show ? ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT)) : nullptr), shown_(show) {}
  ~BusyCursor() {
    if (shown_) ::SetCursor(old_ != nullptr ? old_ : ::LoadCursorW(nullptr, IDC_ARROW));
  }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  HCURSOR old_;
  bool shown_;
};

// Keys that do not open the closed archive box when typed there.
bool keyLeavesBoxClosed(WPARAM key) {
  if (::GetKeyState(VK_MENU) < 0 || ::GetKeyState(VK_CONTROL) < 0) return true;
  if (key >= VK_F1 && key <= VK_F12) return true;
  switch (key) {
    case VK_ESCAPE: case VK_RETURN: case VK_TAB: case VK_SHIFT: case VK_CONTROL: case VK_MENU:
    case VK_CAPITAL: case VK_PAUSE: case VK_SCROLL: case VK_NUMLOCK: case VK_LWIN: case VK_RWIN:
    case VK_APPS: case VK_SPACE: case VK_LSHIFT: case VK_RSHIFT: case VK_LCONTROL:
    case VK_RCONTROL: case VK_LMENU: case VK_RMENU:
      return true;
    default:
      return false;
  }
}

std::wstring fieldText(HWND field) { return win::windowText(field); }

}  // namespace

SelectionDialog::SelectionDialog(ChildHost& host)
    : host_(host), archives_(win::narrowLossy(win::programPath())) {}

SelectionDialog::~SelectionDialog() {
  if (tooltip_ != nullptr) ::DestroyWindow(tooltip_);
}

bool SelectionDialog::create() {
  if (!registerClass(kClassName, ::LoadIconW(::GetModuleHandleW(nullptr), L"APPICON"))) {
    return false;
  }
  font_ = createDialogFont(appState().settings.fonts);
  if (!createIn(host_.mdiClient(), kClassName, L"Übungsform wählen",
                WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 0, 0, 100, 100)) {
    return false;
  }
  shown_ = true;
  return true;
}

int SelectionDialog::ppi() const {
  win::WindowDc screen(nullptr);
  return screen.get() != nullptr ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
}

int SelectionDialog::iconSize() const { return ::MulDiv(16, ppi(), 96); }

SIZE SelectionDialog::minimumSize() const {
  const win::DialogUnits du(font_.get());
  return SIZE{du.x(kClientW), du.y(kClientH)};
}

void SelectionDialog::createControls() {
  auto add = [this](const wchar_t* cls, const wchar_t* text, DWORD style, int id, DWORD ex = 0) {
    return win::createControl(hwnd_, cls, text, style, 0, 0, 10, 10, id, ex);
  };
  auto spin = [&](int field, int id) {
    add(UPDOWN_CLASSW, L"", UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_NOTHOUSANDS | UDS_ARROWKEYS, id);
    ::SendMessageW(item(id), UDM_SETBUDDY, reinterpret_cast<WPARAM>(item(field)), 0);
  };
  add(L"BUTTON", L"Übungsform", BS_GROUPBOX, kFormGroup);
  for (int form = 1; form <= 4; ++form) {
    const std::wstring name = win::widen(formName(form));
    add(L"BUTTON", name.c_str(), BS_AUTORADIOBUTTON | (form == 1 ? WS_GROUP | WS_TABSTOP : 0),
        kFormOption1 + form - 1);
  }
  add(L"STATIC", L"", SS_OWNERDRAW, kFormPicture);
  for (int form = 1; form <= 3; ++form) {
    add(L"BUTTON", L"&Farben...", WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, kColourButton1 + form - 1);
  }
  add(L"BUTTON", L"", BS_GROUPBOX, kPaceGroup);
  add(L"BUTTON", L"", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, kPaceNone);
  add(L"BUTTON", L"", BS_AUTORADIOBUTTON, kPaceValue);
  add(L"EDIT", L"", ES_NUMBER | WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL, kPaceField, WS_EX_CLIENTEDGE);
  spin(kPaceField, kPaceSpin);
  add(L"BUTTON", L"Korrektur", BS_GROUPBOX, kCorrectionGroup);
  add(L"BUTTON", L"o&hne Korrektur", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, kCorrectionNo);
  add(L"BUTTON", L"&mit Korrektur", BS_AUTORADIOBUTTON, kCorrectionYes);

  add(L"STATIC", L"Text&archiv:", SS_LEFT, kArchiveLabel);
  add(L"COMBOBOX", L"",
      CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP | WS_GROUP,
      kArchiveBox);
  add(L"STATIC", L"Übungs&text:", SS_LEFT, kTextLabel);
  add(L"LISTBOX", L"",
      LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_MULTICOLUMN | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
          WS_HSCROLL | WS_TABSTOP | WS_GROUP,
      kTextList, WS_EX_CLIENTEDGE);
  add(L"LISTBOX", L"",
      LBS_OWNERDRAWFIXED | LBS_NOSEL | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP |
          WS_GROUP,
      kPreviewList, WS_EX_CLIENTEDGE);
  ::ShowWindow(item(kPreviewList), SW_HIDE);
  add(L"BUTTON", L"", BS_OWNERDRAW | WS_TABSTOP | WS_GROUP, kPreviewSwitch);
  add(L"BUTTON", L"Zeilen", BS_GROUPBOX, kRangeGroup);
  add(L"STATIC", L"&von", SS_LEFT, kFirstLabel);
  add(L"EDIT", L"", ES_NUMBER | WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL, kFirstLine, WS_EX_CLIENTEDGE);
  spin(kFirstLine, kFirstSpin);
  add(L"STATIC", L"&bis", SS_LEFT, kLastLabel);
  add(L"EDIT", L"", ES_NUMBER | WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL, kLastLine, WS_EX_CLIENTEDGE);
  spin(kLastLine, kLastSpin);
  add(L"BUTTON", L"Wiederholen", BS_GROUPBOX, kRepeatGroup);
  add(L"BUTTON", L"&jede Zeile", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, kModeEachLine);
  add(L"BUTTON", L"den ganzen Te&xt", BS_AUTORADIOBUTTON, kModeWholeText);
  add(L"STATIC", L"A&nzahl:", SS_LEFT, kRepetitionsLabel);
  add(L"EDIT", L"", ES_NUMBER | WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL, kRepetitions, WS_EX_CLIENTEDGE);
  spin(kRepetitions, kRepetitionsSpin);

  add(L"BUTTON", L"< &Zurück", WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, kBack);
  add(L"BUTTON", L"&Weiter >", WS_TABSTOP | BS_DEFPUSHBUTTON, kNext);
  add(L"BUTTON", L"", WS_TABSTOP | BS_OWNERDRAW, kMenu);

  for (int id : {static_cast<int>(kFormOption1), kFormOption1 + 1, kFormOption1 + 2, static_cast<int>(kPaceValue),
                 static_cast<int>(kArchiveBox), static_cast<int>(kPreviewList),
                 static_cast<int>(kPreviewSwitch), static_cast<int>(kFirstLine),
                 static_cast<int>(kLastLine)}) {
    ::SetWindowSubclass(item(id), &SelectionDialog::controlProc, static_cast<UINT_PTR>(id),
                        reinterpret_cast<DWORD_PTR>(this));
  }
  ::SendMessageW(item(kRepetitionsSpin), UDM_SETRANGE32, kMinRepetitions, kMaxRepetitions);
  ::SendMessageW(item(kRepetitions), EM_LIMITTEXT, static_cast<WPARAM>(digitCount(kMaxRepetitions)), 0);

  tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_,
                               nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

void SelectionDialog::applyFont() {
  AppState& state = appState();
  font_ = createDialogFont(state.settings.fonts);
  if (font_) win::applyDialogFont(hwnd_, font_.get());
  // The preview's fixed-pitch font: Consolas, Lucida Console, or whatever
  // fixed font the program settled on at start when neither is there.
  const FontChoice& fonts = state.settings.fonts;
  const std::string face = fonts.hasConsolas          ? "Consolas"
                           : fonts.hasLucidaConsole   ? "Lucida Console"
                                                      : fonts.fixedName;
  const int height = -::MulDiv(fonts.dialogFontSize, ppi(), 72);
  const bool bold = fonts.dialogFontBold;
  const std::wstring wideFace = win::widen(face);
  previewFont_.reset(::CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                   DEFAULT_CHARSET, 0, 0, 0, FIXED_PITCH, wideFace.c_str()));
  previewBold_.reset(::CreateFontW(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   0, 0, 0, FIXED_PITCH, wideFace.c_str()));
  if (previewFont_) {
    ::SendMessageW(item(kPreviewList), WM_SETFONT, reinterpret_cast<WPARAM>(previewFont_.get()), FALSE);
  }
}

void SelectionDialog::layout() {
  const win::DialogUnits du(font_.get());
  for (const Place& p : kPlaces) {
    ::MoveWindow(item(p.id), du.x(p.x), du.y(p.y), du.x(p.w), du.y(p.h), FALSE);
  }
  // Spins sit inside the right edge of their fields.
  for (int field : {static_cast<int>(kPaceField), static_cast<int>(kFirstLine),
                    static_cast<int>(kLastLine), static_cast<int>(kRepetitions)}) {
    ::SendMessageW(item(spinOf(field)), UDM_SETBUDDY, reinterpret_cast<WPARAM>(item(field)), 0);
  }
  const int rowHeight = std::max(iconSize(), du.charHeight()) + 2;
  ::SendMessageW(item(kArchiveBox), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), rowHeight);
  ::SendMessageW(item(kArchiveBox), CB_SETITEMHEIGHT, 0, rowHeight);
  ::SendMessageW(item(kTextList), LB_SETITEMHEIGHT, 0, rowHeight);
  RECT list{};
  ::GetClientRect(item(kTextList), &list);
  ::SendMessageW(item(kTextList), LB_SETCOLUMNWIDTH, static_cast<WPARAM>(list.right / 2), 0);

  // Preview rows: the height of "X" plus two; the list holds whole rows.
  const SIZE x = win::textExtent(previewFont_.get(), L"X");
  const int previewRow = x.cy + 2;
  ::SendMessageW(item(kPreviewList), LB_SETITEMHEIGHT, 0, previewRow);
  const int edge = ::GetSystemMetrics(SM_CYEDGE);
  const int available = du.y(92) - 2 * edge - ::GetSystemMetrics(SM_CYHSCROLL);
  const int rows = std::max(1, available / previewRow);
  ::MoveWindow(item(kPreviewList), du.x(7), du.y(44), du.x(248),
               rows * previewRow + 2 * edge + ::GetSystemMetrics(SM_CYHSCROLL), FALSE);

  RECT frame{0, 0, du.x(kClientW), du.y(kClientH)};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
  ::SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void SelectionDialog::refreshFontsAndColours() {
  applyFont();
  layout();
}

void SelectionDialog::addTooltip(HWND control, const wchar_t* text) {
  if (tooltip_ == nullptr) return;
  TOOLINFOW info{};
  info.cbSize = sizeof info;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = hwnd_;
  info.uId = reinterpret_cast<UINT_PTR>(control);
  info.lpszText = const_cast<wchar_t*>(text);
  ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void SelectionDialog::setTooltip(HWND control, const wchar_t* text) {
  if (tooltip_ == nullptr) return;
  TOOLINFOW info{};
  info.cbSize = sizeof info;
  info.hwnd = hwnd_;
  info.uId = reinterpret_cast<UINT_PTR>(control);
  info.lpszText = const_cast<wchar_t*>(text);
  ::SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

void SelectionDialog::placeInHost() {
  RECT client{};
  ::GetClientRect(host_.mdiClient(), &client);
  RECT own{};
  ::GetWindowRect(hwnd_, &own);
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  int x = (client.right - width) / 2;
  int y = (client.bottom - height) / 2;
  if (lastPlacement.known && lastPlacement.client.cx == client.right &&
      lastPlacement.client.cy == client.bottom) {
    x = lastPlacement.position.x;
    y = lastPlacement.position.y;
  }
  ::SetWindowPos(hwnd_, nullptr, std::max(0, x), std::max(0, y), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  // A main window too small for the dialog grows by a pixel; its own size
  // rule then makes room for the child.
  const int growX = width > client.right ? 1 : 0;
  const int growY = height > client.bottom ? 1 : 0;
  if ((growX != 0 || growY != 0) && host_.frame() != nullptr && !::IsZoomed(host_.frame())) {
    RECT frame{};
    ::GetWindowRect(host_.frame(), &frame);
    ::SetWindowPos(host_.frame(), nullptr, 0, 0, frame.right - frame.left + growX,
                   frame.bottom - frame.top + growY, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void SelectionDialog::setUp() {
  AppState& state = appState();
  ExerciseParameters& ex = state.exercise;
  ::SetWindowTextW(hwnd_, L"Übungsform wählen");
  ::EnableWindow(item(kBack), FALSE);
  if (tooltip_ != nullptr) {
    while (::SendMessageW(tooltip_, TTM_GETTOOLCOUNT, 0, 0) > 0) {
      TOOLINFOW info{};
      info.cbSize = sizeof info;
      if (!::SendMessageW(tooltip_, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&info))) break;
      ::SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
  }
  for (int form = 1; form <= 3; ++form) {
    addTooltip(item(kColourButton1 + form - 1), L"Hier klicken, um Farbauswahl anzuzeigen.");
  }
  addTooltip(item(kArchiveBox), L"Hier klicken, um verfügbare Textarchive anzuzeigen.");
  addTooltip(item(kPreviewSwitch), L"Hier klicken, um Textvorschau anzuzeigen.");

  fillArchiveBox();
  const int form = validForm(ex.form);
  check(kFormOption1 + form - 1, true);
  onFormChosen(form, false);
  placeInHost();

  const Preselection choice = preselectArchive(items_, state.programArchives, ex, state.archiveScan);
  if (choice.makeCurrent) makeCurrent(choice.index);
  selectArchiveItem(choice.index);
  onArchiveChosen(choice.index);
  restoreTextChoice();
  showPage(1);
}

void SelectionDialog::showPage(int page) {
  page_ = page;
  for (int id : kFirstPage) ::ShowWindow(item(id), page == 1 ? SW_SHOW : SW_HIDE);
  for (int id : kSecondPage) ::ShowWindow(item(id), page == 2 ? SW_SHOW : SW_HIDE);
  ::ShowWindow(item(kTextList), page == 2 && !previewOn_ ? SW_SHOW : SW_HIDE);
  ::ShowWindow(item(kPreviewList), page == 2 && previewOn_ ? SW_SHOW : SW_HIDE);
  showColourButtons();
  ::SetWindowTextW(item(kNext), page == 1 ? L"&Weiter >" : L"Übung &starten");
  ::EnableWindow(item(kBack), page == 2);
}

// ---- First page ----

void SelectionDialog::chooseOption(int id) {
  static constexpr int kGroups[][2] = {{kFormOption1, kFormOption1 + 3},
                                       {kPaceNone, kPaceValue},
                                       {kCorrectionNo, kCorrectionYes},
                                       {kModeEachLine, kModeWholeText}};
  for (const auto& group : kGroups) {
    if (id < group[0] || id > group[1]) continue;
    if (!::IsWindowEnabled(item(id))) return;
    for (int other = group[0]; other <= group[1]; ++other) check(other, other == id);
    return;
  }
}

int SelectionDialog::chosenForm() const {
  for (int form = 1; form <= 4; ++form) {
    if (checked(kFormOption1 + form - 1)) return form;
  }
  return form_;
}

void SelectionDialog::showColourButtons() {
  for (int form = 1; form <= 3; ++form) {
    ::ShowWindow(item(kColourButton1 + form - 1), page_ == 1 && form == form_ ? SW_SHOW : SW_HIDE);
  }
}

void SelectionDialog::onFormChosen(int form, bool shown) {
  AppState& state = appState();
  ExerciseParameters& ex = state.exercise;
  form_ = validForm(form);
  state.settings.fingers.colourTarget = form_ - 1;
  showColourButtons();
  ::InvalidateRect(item(kFormPicture), nullptr, FALSE);

  const PaceGroup group = paceGroup(form_);
  ::SetWindowTextW(item(kPaceGroup), win::widen(group.caption).c_str());
  ::SetWindowTextW(item(kPaceNone), (L"&" + win::widen(group.noLimit)).c_str());
  std::wstring valueCaption = win::widen(group.valueOption);
  valueCaption.insert(std::min(group.valueMnemonic, valueCaption.size()), L"&");
  ::SetWindowTextW(item(kPaceValue), valueCaption.c_str());
  const HWND spin = item(kPaceSpin);
  ::SendMessageW(spin, UDM_SETRANGE32, static_cast<WPARAM>(group.minimum), group.maximum);
  UDACCEL accel{0, static_cast<UINT>(group.step)};
  ::SendMessageW(spin, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  ::SendMessageW(item(kPaceField), EM_LIMITTEXT, static_cast<WPARAM>(digitCount(group.maximum)), 0);

  const FormChoice choice = chooseForm(form_, ex.pace, ex.correctionAllowed, shown);
  ex.pace = choice.pace;
  ex.correctionAllowed = choice.correctionAllowed;
  if (!shown) {
    writing_ = true;
    ::SetDlgItemInt(hwnd_, kPaceField, static_cast<UINT>(choice.fieldValue), FALSE);
    writing_ = false;
    ::EnableWindow(item(kPaceField), choice.fieldEnabled);
    ::EnableWindow(spin, choice.fieldEnabled);
  }
  check(kPaceValue, choice.valueChosen);
  check(kPaceNone, !choice.valueChosen);
  ::EnableWindow(item(kCorrectionNo), choice.correction.enabled);
  ::EnableWindow(item(kCorrectionYes), choice.correction.enabled);
  check(kCorrectionYes, choice.correction.withCorrection);
  check(kCorrectionNo, !choice.correction.withCorrection);
  if (shown) onPaceOptionToggled();
}

void SelectionDialog::onPaceOptionToggled() {
  const bool value = checked(kPaceValue);
  ::EnableWindow(item(kPaceField), value);
  ::EnableWindow(item(kPaceSpin), value);
  writing_ = true;
  ::SetDlgItemInt(hwnd_, kPaceField, static_cast<UINT>(paceGroup(form_).minimum), FALSE);
  writing_ = false;
  if (form_ == 1) {
    ::EnableWindow(item(kCorrectionNo), value);
    ::EnableWindow(item(kCorrectionYes), value);
    check(kCorrectionNo, true);
    check(kCorrectionYes, false);
  }
}

void SelectionDialog::onColourButton() {
  if (form_ > 3) return;
  appState().settings.fingers.colourTarget = form_ - 1;
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  ColourChooser chooser(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  chooser.run(host_.frame());
  ::InvalidateRect(item(kFormPicture), nullptr, FALSE);
}

void SelectionDialog::onFormRightClick(int form) {
  if (form < 1 || form > 3 || !::IsWindowEnabled(item(kFormOption1 + form - 1))) return;
  if (form != form_) {
    for (int f = 1; f <= 4; ++f) check(kFormOption1 + f - 1, f == form);
    onFormChosen(form, shown_);
  }
  onColourButton();
}

// ---- Second page: archives and texts ----

void SelectionDialog::fillArchiveBox() {
  const AppState& state = appState();
  items_ = archiveBoxItems(state.programArchives, state.ownArchives);
  const HWND box = item(kArchiveBox);
  ::SendMessageW(box, CB_RESETCONTENT, 0, 0);
  for (const ArchiveItem& it : items_) {
    ::SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win::widen(it.caption).c_str()));
  }
}

void SelectionDialog::selectArchiveItem(int index) {
  archiveShown_ = index;
  ::SendMessageW(item(kArchiveBox), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void SelectionDialog::makeCurrent(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size())) return;
  AppState& state = appState();
  const ArchiveItem& it = items_[static_cast<std::size_t>(index)];
  state.exercise.archiveCaption = it.caption;
  state.exercise.archiveIndex = index;
  state.currentText.archivePath = it.path;
  // The saved directory may belong to another archive than this item (the
  // scan keeps the last one it read there); read the item's own directory
  // and fall back to the saved one only when that fails.
  TextArchiveHeader header;
  CurrentText probe;
  if (!it.path.empty() && archives_.openArchive(it.path, header, probe) && header.textCount > 0) {
    state.savedHeader = header;
  }
  state.currentHeader = state.savedHeader;
}

void SelectionDialog::onArchiveChosen(int index) {
  AppState& state = appState();
  ExerciseParameters& ex = state.exercise;
  const int count = static_cast<int>(items_.size());
  if (index < 0 || index >= count) {
    selectArchiveItem(ex.archiveIndex);
    return;
  }
  if (items_[static_cast<std::size_t>(index)].kind == ArchiveItemKind::Browse) {
    selectArchiveItem(ex.archiveIndex);
    if (shown_) browseForFolder();
    return;
  }
  if (isHeadingItem(items_, index)) {
    selectArchiveItem(ex.archiveIndex);
    return;
  }
  const ArchiveItem& chosen = items_[static_cast<std::size_t>(index)];
  setPreview(false);
  BusyCursor busy(shown_);
  if (!(index == ex.archiveIndex && chosen.caption == ex.archiveCaption &&
        state.currentHeader.textCount > 0)) {
    std::string message;
    if (!archives_.switchArchive(state, chosen.path, index, chosen.caption, message)) {
      const int back = ex.archiveIndex;
      const bool stillThere = back >= 0 && back < count &&
                              items_[static_cast<std::size_t>(back)].caption == ex.archiveCaption;
      selectArchiveItem(stillThere ? back : 0);
      ::InvalidateRect(item(kArchiveBox), nullptr, TRUE);
      win::showError(host_.frame(), message);
      return;
    }
  }
  selectArchiveItem(index);
  ::InvalidateRect(item(kArchiveBox), nullptr, TRUE);
  fillTextList();
  if (shown_) {
    ::SendMessageW(item(kTextList), LB_SETCURSEL, 0, 0);
    onTextChosen(0);
  }
}

void SelectionDialog::fillTextList() {
  const TextArchiveHeader& header = appState().currentHeader;
  const HWND list = item(kTextList);
  ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (int i = 0; i < header.textCount; ++i) {
    const std::wstring title = win::widen(header.entries[static_cast<std::size_t>(i)].title);
    ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title.c_str()));
  }
  ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
}

int SelectionDialog::textPosition() const {
  const auto sel = static_cast<int>(::SendMessageW(item(kTextList), LB_GETCURSEL, 0, 0));
  return sel == LB_ERR ? -1 : sel;
}

void SelectionDialog::onTextChosen(int position) {
  AppState& state = appState();
  const TextArchiveHeader& header = state.currentHeader;
  if (position < 0 || position >= header.textCount) return;
  const TextEntry& entry = header.entries[static_cast<std::size_t>(position)];
  state.exercise.textTitle = entry.title;
  writing_ = true;
  ::SetDlgItemInt(hwnd_, kRepetitions, static_cast<UINT>(kMinRepetitions), FALSE);
  writing_ = false;
  check(kModeEachLine, true);
  check(kModeWholeText, false);
  setRange(wholeText(entry.lineCount), 0);
  if (previewOn_) fillPreview();
}

void SelectionDialog::restoreTextChoice() {
  const AppState& state = appState();
  const ExerciseParameters& ex = state.exercise;
  const TextArchiveHeader& header = state.currentHeader;
  int found = -1;
  for (int i = 0; i < header.textCount && found < 0; ++i) {
    if (header.entries[static_cast<std::size_t>(i)].title == ex.textTitle) found = i;
  }
  if (found < 0) {
    if (header.textCount > 0) {
      ::SendMessageW(item(kTextList), LB_SETCURSEL, 0, 0);
      onTextChosen(0);
    }
    return;
  }
  const LineSelection selection = ex.selection;
  ::SendMessageW(item(kTextList), LB_SETCURSEL, static_cast<WPARAM>(found), 0);
  onTextChosen(found);
  if (selection.firstLine >= 1 && selection.firstLine <= selection.lastLine) {
    LineRange range = wholeText(header.entries[static_cast<std::size_t>(found)].lineCount);
    range = withLastLine(range, selection.lastLine);
    range = withFirstLine(range, selection.firstLine);
    setRange(range, 0);
    if ((selection.repeatMode == 0 || selection.repeatMode == 1) && selection.repetitions > 0) {
      check(kModeEachLine, selection.repeatMode == 0);
      check(kModeWholeText, selection.repeatMode == 1);
      writing_ = true;
      ::SetDlgItemInt(hwnd_, kRepetitions,
                      static_cast<UINT>(std::clamp(selection.repetitions, kMinRepetitions, kMaxRepetitions)),
                      FALSE);
      writing_ = false;
    }
  }
}

// `changedEnd`: 1 the first line, 2 the last line, 0 both (a new text).
void SelectionDialog::setRange(const LineRange& range, int changedEnd) {
  range_ = range;
  writing_ = true;
  ::SendMessageW(item(kFirstSpin), UDM_SETRANGE32, 1, range_.last);
  ::SendMessageW(item(kLastSpin), UDM_SETRANGE32, static_cast<WPARAM>(range_.first), range_.lineCount);
  const auto digits = static_cast<WPARAM>(digitCount(range_.lineCount));
  ::SendMessageW(item(kFirstLine), EM_LIMITTEXT, digits, 0);
  ::SendMessageW(item(kLastLine), EM_LIMITTEXT, digits, 0);
  if (changedEnd != 2) ::SetDlgItemInt(hwnd_, kFirstLine, static_cast<UINT>(range_.first), FALSE);
  if (changedEnd != 1) ::SetDlgItemInt(hwnd_, kLastLine, static_cast<UINT>(range_.last), FALSE);
  writing_ = false;
  if (previewOn_) {
    ::InvalidateRect(item(kPreviewList), nullptr, FALSE);
    if (changedEnd == 1) scrollPreviewTo(range_.first);
    if (changedEnd == 2) scrollPreviewTo(range_.last);
  }
}

void SelectionDialog::onRangeFieldChanged(int id, bool leaving) {
  if (writing_) return;
  const std::string text = win::narrowLossy(fieldText(item(id)));
  if (!leaving && text.empty()) return;  // still being typed
  const std::int32_t value = parseDigits(text);
  if (id == kFirstLine) {
    const LineRange next = withFirstLine(range_, value);
    range_ = next;
    setRange(next, leaving ? 0 : 1);
  } else {
    const LineRange next = withLastLine(range_, value);
    range_ = next;
    setRange(next, leaving ? 0 : 2);
  }
}

void SelectionDialog::onNumberFieldLeft(int id) {
  if (id == kFirstLine || id == kLastLine) {
    onRangeFieldChanged(id, true);
    return;
  }
  int low = 0;
  int high = 0;
  ::SendMessageW(item(spinOf(id)), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                 reinterpret_cast<LPARAM>(&high));
  const int value = clampField(win::narrowLossy(fieldText(item(id))), low, high);
  writing_ = true;
  ::SetDlgItemInt(hwnd_, id, static_cast<UINT>(value), FALSE);
  writing_ = false;
}

// ---- Preview ----

void SelectionDialog::setPreview(bool on) {
  AppState& state = appState();
  if (on && !previewOn_) {
    const int n = textPosition() + 1;
    bool loaded = false;
    {
      BusyCursor busy(true);
      // Loading with the selection first proves the text can be exercised;
      // the preview then shows all of its lines.
      loaded = n >= 1 &&
               archives_.loadText(state.currentHeader, n, true, state.exercise.selection, state.currentText) &&
               archives_.loadText(state.currentHeader, n, false, state.exercise.selection, state.currentText);
    }
    if (!loaded) {
      win::showError(host_.frame(), archiveReadErrorMessage(state.currentText.archivePath));
      on = false;
    }
  }
  previewOn_ = on;
  if (previewOn_) fillPreview();
  setTooltip(item(kPreviewSwitch), previewOn_ ? L"Hier klicken, um Textvorschau zu beenden."
                                              : L"Hier klicken, um Textvorschau anzuzeigen.");
  if (page_ == 2) {
    const bool previewHadFocus = ::GetFocus() == item(kPreviewList);
    ::ShowWindow(item(kTextList), previewOn_ ? SW_HIDE : SW_SHOW);
    ::ShowWindow(item(kPreviewList), previewOn_ ? SW_SHOW : SW_HIDE);
    if (previewHadFocus && !previewOn_) ::SetFocus(item(kTextList));
  }
  ::InvalidateRect(item(kPreviewSwitch), nullptr, FALSE);
}

void SelectionDialog::fillPreview() {
  const CurrentText& text = appState().currentText;
  const HWND list = item(kPreviewList);
  ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
  RECT r{};
  ::GetClientRect(list, &r);
  const auto row = static_cast<int>(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
  const int page = row > 0 ? r.bottom / row : 0;
  const int count = std::max(static_cast<int>(text.lines.size()), page);
  for (int i = 0; i < count; ++i) ::SendMessageW(list, LB_ADDSTRING, 0, static_cast<LPARAM>(i));
  // Room to scroll sideways to the end of the longest line.
  const SIZE one = win::textExtent(previewFont_.get(), L"0");
  const int columns = std::max(2, digitCount(static_cast<int>(text.lines.size()))) + 2 + text.longestLine;
  ::SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(one.cx * (columns + 1)), 0);
  ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
}

void SelectionDialog::scrollPreviewTo(int line) {
  const HWND list = item(kPreviewList);
  RECT r{};
  ::GetClientRect(list, &r);
  const auto row = static_cast<int>(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
  const int page = std::max<int>(1, row > 0 ? r.bottom / row : 1);
  const auto top = static_cast<int>(::SendMessageW(list, LB_GETTOPINDEX, 0, 0));
  const int index = line - 1;
  if (index < top) ::SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
  if (index >= top + page) ::SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(index - page + 1), 0);
}

// ---- Folder of own archives ----

void SelectionDialog::browseForFolder() {
  AppState& state = appState();
  const std::optional<std::wstring> path =
      pickFolder(host_.frame(), L"Ordner mit eigenen Textarchiven wählen:",
                 win::widen(state.settings.folders.teacher));
  if (!path) return;
  const auto narrowed = win::narrow(*path);
  if (!narrowed) {
    // A folder whose name leaves Windows-1252 could not be read back.
    win::showError(host_.frame(), archiveReadErrorMessage(win::narrowLossy(*path)));
    return;
  }
  state.settings.folders.teacher = *narrowed;
  rescan(/*tellSkipped=*/true);
}

void SelectionDialog::rescan(bool tellSkipped) {
  AppState& state = appState();
  scanOwnArchives(host_.frame());
  fillArchiveBox();
  if (tellSkipped) {
    const std::string notice =
        skippedArchivesNotice(state.settings.folders.teacher, state.archiveScan.skipped);
    if (!notice.empty()) win::showInformation(host_.frame(), notice);
  }
  ExerciseParameters& ex = state.exercise;
  // The archive in use keeps its place if the new list still has it.
  for (int i = 1; i < static_cast<int>(items_.size()); ++i) {
    const ArchiveItem& it = items_[static_cast<std::size_t>(i)];
    if (it.kind == ArchiveItemKind::Archive && it.caption == ex.archiveCaption &&
        sameArchivePath(it.path, state.currentText.archivePath)) {
      ex.archiveIndex = i;
      selectArchiveItem(i);
      ::InvalidateRect(item(kArchiveBox), nullptr, TRUE);
      return;
    }
  }
  int first = 1;
  while (first < static_cast<int>(items_.size()) && isHeadingItem(items_, first)) ++first;
  if (first < static_cast<int>(items_.size()) &&
      items_[static_cast<std::size_t>(first)].kind == ArchiveItemKind::Archive) {
    ex.archiveIndex = -1;  // forces the open: the old index means nothing now
    onArchiveChosen(first);
  } else {
    selectArchiveItem(0);
  }
}

void SelectionDialog::showMenu() {
  HMENU menu = ::CreatePopupMenu();
  if (menu == nullptr) return;
  ::AppendMenuW(menu, MF_STRING, kMenuRescan, L"Eigene Textarchive &neu einlesen");
  ::AppendMenuW(menu, MF_STRING, kMenuFolder, L"&Ordner für eigene Textarchive wählen...");
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  const bool web = appState().settings.policies.webLinksEnabled;
  ::AppendMenuW(menu, MF_STRING | (web ? 0 : MF_GRAYED), kMenuWeb, L"Klavento im &Internet");
  RECT r{};
  ::GetWindowRect(item(kMenu), &r);
  const int command = ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTALIGN | TPM_TOPALIGN,
                                       r.right, r.bottom, 0, hwnd_, nullptr);
  ::DestroyMenu(menu);
  switch (command) {
    case kMenuRescan: rescan(/*tellSkipped=*/true); break;
    case kMenuFolder: browseForFolder(); break;
    case kMenuWeb:
      if (appState().settings.policies.webLinksEnabled) win::openWebPage(hwnd_, kProductWebPage);
      break;
    default: break;
  }
}

// ---- Buttons ----

void SelectionDialog::onNext() {
  if (page_ == 1) {
    showPage(2);
    ::SetWindowTextW(hwnd_, L"Übungstext wählen");
    if (textPosition() >= 0) {
      const HWND list = item(kTextList);
      ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(textPosition()), 0);
      ::SetFocus(list);
    } else {
      ::SetFocus(item(kArchiveBox));
    }
    return;
  }
  start();
}

void SelectionDialog::onBack() {
  if (page_ != 2) return;
  setPreview(false);
  showPage(1);
  ::SetWindowTextW(hwnd_, L"Übungsform wählen");
  ::SetFocus(item(kFormOption1 + form_ - 1));
}

void SelectionDialog::storeParameters() {
  SelectionControls controls;
  controls.form = chosenForm();
  controls.valueChosen = checked(kPaceValue);
  controls.paceText = win::narrowLossy(fieldText(item(kPaceField)));
  controls.withCorrection = checked(kCorrectionYes) && ::IsWindowEnabled(item(kCorrectionYes));
  controls.firstLine = range_.first;
  controls.lastLine = range_.last;
  controls.repeatMode = checked(kModeWholeText) ? 1 : 0;
  controls.repetitionsText = win::narrowLossy(fieldText(item(kRepetitions)));
  AppState& state = appState();
  kv::storeParameters(controls, state.exercise);
  state.settings.fingers.colourTarget = state.exercise.form - 1;
}

void SelectionDialog::enableCommands(bool enabled) {
  for (int id : {static_cast<int>(kBack), static_cast<int>(kNext), static_cast<int>(kMenu)}) {
    ::EnableWindow(item(id), enabled && (id != kBack || page_ == 2));
  }
}

void SelectionDialog::start() {
  if (starting_) return;
  // Fields the learner typed into may not have been left yet.
  for (int id : {static_cast<int>(kFirstLine), static_cast<int>(kLastLine),
                 static_cast<int>(kRepetitions), static_cast<int>(kPaceField)}) {
    onNumberFieldLeft(id);
  }
  if (!win::CheckKeyboardLayout(host_.frame())) return;
  storeParameters();
  AppState& state = appState();
  const int n = textPosition() + 1;
  starting_ = true;
  enableCommands(false);
  bool loaded = false;
  {
    BusyCursor busy(true);
    if (previewOn_) {
      applyLineSelection(state.exercise.selection, state.currentText);
      loaded = !state.currentText.lines.empty();
    } else {
      loaded = n >= 1 && archives_.loadText(state.currentHeader, n, true, state.exercise.selection,
                                            state.currentText);
    }
  }
  if (loaded && exerciseStartAllowed(state.settings.environment)) {
    state.archiveScan.lastArchivePath = state.currentText.archivePath;
    host_.request(static_cast<int>(Request::Exercise));
    return;  // the main window replaces the dialog
  }
  starting_ = false;
  enableCommands(true);
  if (!loaded) win::showError(host_.frame(), archiveReadErrorMessage(state.currentText.archivePath));
}

// ---- Drawing ----

void SelectionDialog::drawArchiveItem(const DRAWITEMSTRUCT& di) {
  const HDC dc = di.hDC;
  const bool selected = (di.itemState & ODS_SELECTED) != 0;
  const int index = static_cast<int>(di.itemID);
  if (index < 0 || index >= static_cast<int>(items_.size())) {
    ::FillRect(dc, &di.rcItem, ::GetSysColorBrush(COLOR_WINDOW));
    return;
  }
  const ArchiveItem& it = items_[static_cast<std::size_t>(index)];
  const bool heading = it.kind == ArchiveItemKind::ProgramHeading || it.kind == ArchiveItemKind::OwnHeading;
  const int background = selected ? COLOR_HIGHLIGHT : heading ? COLOR_BTNFACE : COLOR_WINDOW;
  const int foreground = selected ? COLOR_HIGHLIGHTTEXT : heading ? COLOR_BTNTEXT : COLOR_WINDOWTEXT;
  ::FillRect(dc, &di.rcItem, ::GetSysColorBrush(background));
  const int icon = iconSize();
  int x = di.rcItem.left + 2;
  const bool inList = (di.itemState & ODS_COMBOBOXEDIT) == 0;
  if (inList && it.kind == ArchiveItemKind::Archive) x += ::MulDiv(3, ppi(), 96) + icon;
  const int iconTop = di.rcItem.top + (di.rcItem.bottom - di.rcItem.top - icon) / 2;
  const ExerciseParameters& ex = appState().exercise;
  if (heading) {
    drawSelectionIcon(dc, SelectionIcon::Heading, x, iconTop, icon);
    x += icon + 4;
  } else if (it.kind == ArchiveItemKind::Archive) {
    const bool current = index == ex.archiveIndex && it.caption == ex.archiveCaption;
    drawSelectionIcon(dc, current ? SelectionIcon::CurrentArchive : SelectionIcon::Archive, x, iconTop, icon);
    x += icon + 4;
  }
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(foreground));
  RECT text = di.rcItem;
  text.left = x;
  const std::wstring caption = win::widen(it.caption);
  ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  if ((di.itemState & ODS_FOCUS) != 0 && (di.itemState & ODS_NOFOCUSRECT) == 0) {
    ::DrawFocusRect(dc, &di.rcItem);
  }
}

void SelectionDialog::drawTextItem(const DRAWITEMSTRUCT& di) {
  const HDC dc = di.hDC;
  const bool selected = (di.itemState & ODS_SELECTED) != 0;
  ::FillRect(dc, &di.rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (di.itemID == static_cast<UINT>(-1)) return;
  const int icon = iconSize();
  drawSelectionIcon(dc, SelectionIcon::Text, di.rcItem.left + 2,
                    di.rcItem.top + (di.rcItem.bottom - di.rcItem.top - icon) / 2, icon);
  const auto length = static_cast<int>(::SendMessageW(di.hwndItem, LB_GETTEXTLEN, di.itemID, 0));
  std::wstring title(static_cast<std::size_t>(std::max(length, 0)), L'\0');
  if (length > 0) {
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
    ::SendMessageW(di.hwndItem, LB_GETTEXT, di.itemID, reinterpret_cast<LPARAM>(buffer.data()));
    title.assign(buffer.data(), static_cast<std::size_t>(length));
  }
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  RECT text = di.rcItem;
  text.left += icon + 6;
  ::DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  if ((di.itemState & ODS_FOCUS) != 0 && (di.itemState & ODS_NOFOCUSRECT) == 0) {
    ::DrawFocusRect(dc, &di.rcItem);
  }
}

void SelectionDialog::drawPreviewItem(const DRAWITEMSTRUCT& di) {
  const HDC dc = di.hDC;
  const CurrentText& text = appState().currentText;
  const auto lineIndex = static_cast<int>(di.itemData);
  const int count = static_cast<int>(text.lines.size());
  if (di.itemID == static_cast<UINT>(-1) || lineIndex < 0 || lineIndex >= count) {
    ::FillRect(dc, &di.rcItem, ::GetSysColorBrush(COLOR_WINDOW));
    return;
  }
  const int line = lineIndex + 1;
  const bool inRange = line >= range_.first && line <= range_.last;
  const COLORREF back = ::GetSysColor(inRange ? COLOR_HIGHLIGHT : COLOR_WINDOW);
  const COLORREF fore = ::GetSysColor(inRange ? COLOR_HIGHLIGHTTEXT : COLOR_GRAYTEXT);
  win::Brush brush(::CreateSolidBrush(back));
  ::FillRect(dc, &di.rcItem, brush.get());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, fore);
  const std::wstring number = win::widen(previewLineNumber(line, count) + " ");
  int x = di.rcItem.left + 2;
  SIZE numberSize{};
  {
    win::ScopedSelect bold(dc, previewBold_ ? previewBold_.get() : previewFont_.get());
    ::TextOutW(dc, x, di.rcItem.top + 1, number.c_str(), static_cast<int>(number.size()));
    ::GetTextExtentPoint32W(dc, number.c_str(), static_cast<int>(number.size()), &numberSize);
  }
  x += numberSize.cx;
  win::Pen pen(::CreatePen(PS_SOLID, 1, fore));
  {
    win::ScopedSelect keep(dc, pen.get());
    ::MoveToEx(dc, x, di.rcItem.top, nullptr);
    ::LineTo(dc, x, di.rcItem.bottom);
  }
  std::string padded = text.lines[static_cast<std::size_t>(lineIndex)];
  if (static_cast<int>(padded.size()) < text.longestLine) {
    padded.resize(static_cast<std::size_t>(text.longestLine), ' ');
  }
  const std::wstring wide = L" " + win::widen(padded);
  win::ScopedSelect normal(dc, previewFont_.get());
  ::TextOutW(dc, x + 1, di.rcItem.top + 1, wide.c_str(), static_cast<int>(wide.size()));
}

void SelectionDialog::drawFormPicture(const DRAWITEMSTRUCT& di) {
  const int width = di.rcItem.right - di.rcItem.left;
  const int height = di.rcItem.bottom - di.rcItem.top;
  const win::Bitmap strip = drawFormStrip(width, height, appState().settings.fingers);
  win::MemoryDc source(::CreateCompatibleDC(di.hDC));
  if (!strip || !source) return;
  win::ScopedSelect keep(source.get(), strip.get());
  ::BitBlt(di.hDC, di.rcItem.left, di.rcItem.top, width, height, source.get(), 0, (form_ - 1) * height,
           SRCCOPY);
}

void SelectionDialog::drawPreviewSwitch(const DRAWITEMSTRUCT& di) {
  const RECT area = drawButtonFace(di, previewOn_);
  const int icon = iconSize();
  drawSelectionIcon(di.hDC, SelectionIcon::Preview, (area.left + area.right - icon) / 2,
                    (area.top + area.bottom - icon) / 2, icon);
}

// ---- Messages ----

LRESULT CALLBACK SelectionDialog::controlProc(HWND control, UINT msg, WPARAM wParam, LPARAM lParam,
                                              UINT_PTR, DWORD_PTR self) {
  LRESULT result = 0;
  auto* dialog = reinterpret_cast<SelectionDialog*>(self);
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(control, &SelectionDialog::controlProc, ::GetDlgCtrlID(control));
  return win::handleGuarded(control, msg, wParam, lParam, &::DefSubclassProc, [&] {
    if (dialog != nullptr && dialog->controlMessage(control, msg, wParam, lParam, result)) return result;
    return ::DefSubclassProc(control, msg, wParam, lParam);
  });
}

bool SelectionDialog::controlMessage(HWND control, UINT msg, WPARAM wParam, LPARAM lParam,
                                     LRESULT& result) {
  const int id = ::GetDlgCtrlID(control);
  const auto* pending = reinterpret_cast<const MSG*>(lParam);
  const bool escapeKey = msg == WM_KEYDOWN && wParam == VK_ESCAPE;
  switch (id) {
    case kFormOption1:
    case kFormOption1 + 1:
    case kFormOption1 + 2:
      if (msg == WM_RBUTTONUP) {
        ::PostMessageW(hwnd_, kFormRightClick, static_cast<WPARAM>(id - kFormOption1 + 1), 0);
        result = 0;
        return true;
      }
      return false;
    case kPaceValue:
      if (msg == WM_GETDLGCODE) {
        result = ::DefSubclassProc(control, msg, wParam, lParam) | DLGC_WANTARROWS;
        return true;
      }
      if (msg == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN || wParam == VK_LEFT || wParam == VK_RIGHT)) {
        ::SetFocus(item(kPaceNone));
        ::SendMessageW(item(kPaceNone), BM_CLICK, 0, 0);
        result = 0;
        return true;
      }
      return false;
    case kArchiveBox:
      if (msg == WM_KEYDOWN && !::SendMessageW(control, CB_GETDROPPEDSTATE, 0, 0) &&
          !keyLeavesBoxClosed(wParam)) {
        ::SendMessageW(control, CB_SHOWDROPDOWN, TRUE, 0);
        // The key opened the list; its character must not pick an item.
        MSG dropped;
        ::PeekMessageW(&dropped, control, WM_CHAR, WM_CHAR, PM_REMOVE);
        result = 0;
        return true;
      }
      return false;
    case kPreviewList:
      if (msg == WM_GETDLGCODE) {
        result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        if (pending != nullptr && pending->message == WM_KEYDOWN && pending->wParam == VK_ESCAPE) {
          result |= DLGC_WANTMESSAGE;
        }
        return true;
      }
      if (msg == WM_KEYDOWN) {
        RECT r{};
        ::GetClientRect(control, &r);
        const auto row = static_cast<int>(::SendMessageW(control, LB_GETITEMHEIGHT, 0, 0));
        const int page = std::max<int>(1, row > 0 ? r.bottom / row : 1);
        const auto count = static_cast<int>(::SendMessageW(control, LB_GETCOUNT, 0, 0));
        const auto top = static_cast<int>(::SendMessageW(control, LB_GETTOPINDEX, 0, 0));
        int next = top;
        switch (wParam) {
          case VK_PRIOR: next = top - page; break;
          case VK_NEXT: next = top + page; break;
          case VK_HOME: next = 0; break;
          case VK_END: next = count - page; break;
          case VK_UP: next = top - 1; break;
          case VK_DOWN: next = top + 1; break;
          case VK_LEFT: ::SendMessageW(control, WM_HSCROLL, SB_LINELEFT, 0); break;
          case VK_RIGHT: ::SendMessageW(control, WM_HSCROLL, SB_LINERIGHT, 0); break;
          case VK_ESCAPE:
            setPreview(false);
            ::SetFocus(item(kArchiveBox));
            break;
          default: break;
        }
        next = std::clamp(next, 0, std::max(0, count - page));
        if (next != top) ::SendMessageW(control, LB_SETTOPINDEX, static_cast<WPARAM>(next), 0);
        result = 0;
        return true;
      }
      if (msg == WM_CHAR || msg == WM_KEYUP) {
        result = 0;
        return true;
      }
      return false;
    case kPreviewSwitch:
    case kFirstLine:
    case kLastLine:
      if (msg == WM_GETDLGCODE && pending != nullptr && pending->message == WM_KEYDOWN &&
          pending->wParam == VK_ESCAPE && previewOn_) {
        result = ::DefSubclassProc(control, msg, wParam, lParam) | DLGC_WANTMESSAGE;
        return true;
      }
      if (escapeKey && previewOn_) {
        setPreview(false);
        result = 0;
        return true;
      }
      return false;
    default:
      return false;
  }
}

LRESULT SelectionDialog::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      ::SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, ::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
      createControls();
      applyFont();
      layout();
      setUp();
      return 0;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      // A radio option reports BN_CLICKED also when it is reached with the
      // keyboard, before the button has checked itself; the notification is
      // the choice, so the group is set here.
      if (code == BN_CLICKED) chooseOption(id);
      if (id >= kFormOption1 && id < kFormOption1 + 4 && code == BN_CLICKED) {
        if (id - kFormOption1 + 1 != form_) onFormChosen(id - kFormOption1 + 1, shown_);
        return 0;
      }
      if (id >= kColourButton1 && id < kColourButton1 + 3 && code == BN_CLICKED) {
        onColourButton();
        return 0;
      }
      switch (id) {
        case kPaceNone:
        case kPaceValue:
          if (code == BN_CLICKED) {
            const bool value = checked(kPaceValue);
            if (value != ::IsWindowEnabled(item(kPaceField))) onPaceOptionToggled();
          }
          return 0;
        case kPaceField:
        case kRepetitions:
          if (code == EN_KILLFOCUS) onNumberFieldLeft(id);
          return 0;
        case kFirstLine:
        case kLastLine:
          if (code == EN_KILLFOCUS) onRangeFieldChanged(id, true);
          if (code == EN_CHANGE) onRangeFieldChanged(id, false);
          return 0;
        case kArchiveBox: {
          const auto sel = static_cast<int>(::SendMessageW(item(kArchiveBox), CB_GETCURSEL, 0, 0));
          const bool dropped = ::SendMessageW(item(kArchiveBox), CB_GETDROPPEDSTATE, 0, 0) != 0;
          if (code == CBN_SELENDOK || (code == CBN_SELCHANGE && !dropped)) {
            if (sel != archiveShown_ || sel != appState().exercise.archiveIndex) onArchiveChosen(sel);
          } else if (code == CBN_SELENDCANCEL) {
            selectArchiveItem(archiveShown_);
          }
          return 0;
        }
        case kTextList:
          if (code == LBN_SELCHANGE) onTextChosen(textPosition());
          if (code == LBN_DBLCLK) onNext();
          return 0;
        case kPreviewSwitch:
          if (code == BN_CLICKED) setPreview(!previewOn_);
          return 0;
        case kNext:
          if (code == BN_CLICKED) onNext();
          return 0;
        case kBack:
          if (code == BN_CLICKED) onBack();
          return 0;
        case kMenu:
          if (code == BN_CLICKED) showMenu();
          return 0;
        case IDOK:
          onNext();
          return 0;
        default:
          break;
      }
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      // Labels, options and group frames on the dialog's face, as in a dialog.
      ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_BTNFACE));
      ::SetTextColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_BTNTEXT));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    case kFormRightClick:
      onFormRightClick(static_cast<int>(wParam));
      return 0;
    case WM_MEASUREITEM: {
      auto& mi = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      const win::DialogUnits du(font_.get());
      mi.itemHeight = static_cast<UINT>(std::max(iconSize(), du.charHeight()) + 2);
      return TRUE;
    }
    case WM_DRAWITEM: {
      const auto& di = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      switch (di.CtlID) {
        case kArchiveBox: drawArchiveItem(di); return TRUE;
        case kTextList: drawTextItem(di); return TRUE;
        case kPreviewList: drawPreviewItem(di); return TRUE;
        case kFormPicture: drawFormPicture(di); return TRUE;
        case kPreviewSwitch: drawPreviewSwitch(di); return TRUE;
        case kMenu: {
          // A downward arrow: the menu drops down from here.
          const RECT area = drawButtonFace(di, false);
          const int half = std::max(2, ::MulDiv(4, ppi(), 96));
          const int cx = (area.left + area.right) / 2;
          const int cy = (area.top + area.bottom) / 2 - half / 2;
          const POINT arrow[3] = {{cx - half, cy}, {cx + half + 1, cy}, {cx, cy + half + 1}};
          const int colour = (di.itemState & ODS_DISABLED) != 0 ? COLOR_GRAYTEXT : COLOR_BTNTEXT;
          win::Brush brush(::CreateSolidBrush(::GetSysColor(colour)));
          win::ScopedSelect keepBrush(di.hDC, brush.get());
          win::ScopedSelect keepPen(di.hDC, ::GetStockObject(NULL_PEN));
          ::Polygon(di.hDC, arrow, 3);
          return TRUE;
        }
        default: break;
      }
      break;
    }
    case WM_WINDOWPOSCHANGING: {
      // The dialog stays inside the main window's client area.
      auto& pos = *reinterpret_cast<WINDOWPOS*>(lParam);
      if ((pos.flags & SWP_NOMOVE) == 0 && host_.mdiClient() != nullptr) {
        RECT client{};
        ::GetClientRect(host_.mdiClient(), &client);
        RECT own{};
        ::GetWindowRect(hwnd_, &own);
        const int width = (pos.flags & SWP_NOSIZE) != 0 ? own.right - own.left : pos.cx;
        const int height = (pos.flags & SWP_NOSIZE) != 0 ? own.bottom - own.top : pos.cy;
        pos.x = std::max<int>(0, std::min<int>(pos.x, client.right - width));
        pos.y = std::max<int>(0, std::min<int>(pos.y, client.bottom - height));
      }
      break;
    }
    case WM_WINDOWPOSCHANGED:
      host_.childMoved();
      break;
    case WM_SETFOCUS:
      defaultHandling(msg, wParam, lParam);
      ::SetFocus(page_ == 1 ? item(kFormOption1 + form_ - 1) : item(kArchiveBox));
      return 0;
    case WM_CLOSE:
      if (host_.switching() || host_.confirmClose()) break;
      return 0;
    case WM_DESTROY: {
      RECT client{};
      ::GetClientRect(host_.mdiClient(), &client);
      RECT own{};
      ::GetWindowRect(hwnd_, &own);
      POINT topLeft{own.left, own.top};
      ::ScreenToClient(host_.mdiClient(), &topLeft);
      lastPlacement = Placement{true, SIZE{client.right, client.bottom}, topLeft};
      if (tooltip_ != nullptr) {
        ::DestroyWindow(tooltip_);
        tooltip_ = nullptr;
      }
      host_.childClosed(*this);
      break;
    }
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      refreshFontsAndColours();
      break;
    default:
      break;
  }
  return defaultHandling(msg, wParam, lParam);
}

std::unique_ptr<ChildWindow> createSelectionDialog(ChildHost& host) {
  auto dialog = std::make_unique<SelectionDialog>(host);
  if (!dialog->create()) return nullptr;
  return dialog;
}

}  // namespace kv
