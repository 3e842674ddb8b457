// The selection dialog itself: its controls and where they sit, the two pages
// and the steps between them, the start of an exercise and the messages.
#include "ui/selection/selection_dialog_win.h"
#include "ui/shared/measure_log_win.h"
#include "ui/selection/selection_parts_win.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>

#include "ui/shared/app_state.h"
#include "platform/win/controls.h"
#include "platform/win/dialog_font.h"
#include "ui/shared/window_font_win.h"
#include "keyboard/layout_check_win.h"
#include "platform/win/message_box.h"
#include "platform/win/shell.h"
#include "platform/win/strings.h"
#include "platform/win/system_info.h"
#include "ui/selection/archive_discovery_win.h"
#include "ui/shared/folder_picker_win.h"
#include "ui/selection/selection_pictures_win.h"
#include "ui/shared/themed_button_win.h"

namespace kv {

using selection::BusyCursor;
using selection::fieldText;
using selection::spinOf;
namespace {

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
  // Owner-drawn: the text is never painted, it is the name screen readers say.
  add(L"BUTTON", L"Vorschau des Textes", BS_OWNERDRAW | WS_TABSTOP | WS_GROUP, kPreviewSwitch);
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
  add(L"BUTTON", L"Weitere Befehle", WS_TABSTOP | BS_OWNERDRAW, kMenu);
  win::labelForScreenReaders(item(kPreviewList), L"Vorschau des Textes");
  previewAccess_.attach(item(kPreviewSwitch), [this] { return previewOn_; });
  // The preview paints the text's lines; screen readers get them as items.
  previewLines_.attach(
      item(kPreviewList), L"Vorschau des Textes",
      [] { return static_cast<int>(appState().currentText.lines.size()); },
      [](int i) {
        return LineListAccess::Line{win::widen(appState().currentText.lines[static_cast<std::size_t>(i)]), {}};
      });

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

// ---- Messages ----

// A command of a control; true when it was handled.
bool SelectionDialog::onCommand(int id, int code) {
  // A radio option reports BN_CLICKED also when it is reached with the
  // keyboard, before the button has checked itself; the notification is
  // the choice, so the group is set here.
  if (code == BN_CLICKED) chooseOption(id);
  if (id >= kFormOption1 && id < kFormOption1 + 4 && code == BN_CLICKED) {
    if (id - kFormOption1 + 1 != form_) onFormChosen(id - kFormOption1 + 1, shown_);
    return true;
  }
  if (id >= kColourButton1 && id < kColourButton1 + 3 && code == BN_CLICKED) {
    onColourButton();
    return true;
  }
  switch (id) {
    case kPaceNone:
    case kPaceValue:
      if (code == BN_CLICKED) {
        const bool value = checked(kPaceValue);
        if (value != ::IsWindowEnabled(item(kPaceField))) onPaceOptionToggled();
      }
      return true;
    case kPaceField:
    case kRepetitions:
      if (code == EN_KILLFOCUS) onNumberFieldLeft(id);
      return true;
    case kFirstLine:
    case kLastLine:
      if (code == EN_KILLFOCUS) onRangeFieldChanged(id, true);
      if (code == EN_CHANGE) onRangeFieldChanged(id, false);
      return true;
    case kArchiveBox: {
      const auto sel = static_cast<int>(::SendMessageW(item(kArchiveBox), CB_GETCURSEL, 0, 0));
      const bool dropped = ::SendMessageW(item(kArchiveBox), CB_GETDROPPEDSTATE, 0, 0) != 0;
      if (code == CBN_SELENDOK || (code == CBN_SELCHANGE && !dropped)) {
        if (sel != archiveShown_ || sel != appState().exercise.archiveIndex) onArchiveChosen(sel);
      } else if (code == CBN_SELENDCANCEL) {
        selectArchiveItem(archiveShown_);
      }
      return true;
    }
    case kTextList:
      if (code == LBN_SELCHANGE) onTextChosen(textPosition());
      if (code == LBN_DBLCLK) onNext();
      return true;
    case kPreviewSwitch:
      if (code == BN_CLICKED) setPreview(!previewOn_);
      return true;
    case kNext:
      if (code == BN_CLICKED) onNext();
      return true;
    case kBack:
      if (code == BN_CLICKED) onBack();
      return true;
    case kMenu:
      if (code == BN_CLICKED) showMenu();
      return true;
    case IDOK:
      onNext();
      return true;
    default:
      break;
  }
  return false;
}

// The dialog stays inside the main window's client area.
void SelectionDialog::keepInsideHost(WINDOWPOS& pos) {
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
}

// Where the dialog was is kept for the next one.
void SelectionDialog::onDestroy() {
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
    case WM_COMMAND:
      if (onCommand(LOWORD(wParam), HIWORD(wParam))) return 0;
      break;
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
    case WM_DRAWITEM:
      if (drawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
      break;
    case WM_WINDOWPOSCHANGING:
      keepInsideHost(*reinterpret_cast<WINDOWPOS*>(lParam));
      break;
    case WM_WINDOWPOSCHANGED:
      host_.childMoved();
      break;
    case WM_PAINT: {
      const LRESULT painted = defaultHandling(msg, wParam, lParam);
      // The start is over when the learner first sees the dialog
      // (bench/startup_memory.sh).
      static bool measured = false;
      if (!measured) {
        measured = true;
        MeasureLog(L"KV_MEASURE_START").addSinceProcessStart(0);
      }
      return painted;
    }
    case WM_SETFOCUS:
      defaultHandling(msg, wParam, lParam);
      ::SetFocus(page_ == 1 ? item(kFormOption1 + form_ - 1) : item(kArchiveBox));
      return 0;
    case WM_DESTROY:
      onDestroy();
      break;
    default:
      break;
  }
  if (closeRefusedOrRefreshed(host_, *this, msg)) return 0;
  return defaultHandling(msg, wParam, lParam);
}

std::unique_ptr<ChildWindow> createSelectionDialog(ChildHost& host) {
  return createChildWindow<SelectionDialog>(host);
}

}  // namespace kv
