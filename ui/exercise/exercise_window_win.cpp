#include "ui/exercise/exercise_window_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "ui/shared/app_state.h"
#include "platform/win/dialog_font.h"
#include "ui/shared/window_font_win.h"
#include "platform/win/strings.h"
#include "keyboard/keyboard_renderer_win.h"
#include "ui/shared/measure_log_win.h"
#include "ui/shared/system_colours_win.h"

namespace kv {

// One exercise window exists at a time; the hooks find it here.
ExerciseWindow* ExerciseWindow::active_ = nullptr;

namespace {

// Posted when the window is first shown: it then takes its initial size and
// installs its input filters, once the main window has placed it.
constexpr UINT kShownMessage = WM_APP + 10;
// Wide enough that the exercise's lines, added before the first layout, do
// not wrap in the field (see applyLayout).
constexpr int kUnwrappedFieldWidth = 8000;

int pointsToPixels(int points, int dpi) { return -::MulDiv(points, dpi, 72); }

int screenDpi() {
  win::WindowDc screen(nullptr);
  return screen.get() != nullptr ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
}

enum class Pitch { Fixed, Proportional };

win::Font makeFont(const std::string& face, int points, bool bold, int dpi,
                   Pitch pitch = Pitch::Fixed) {
  LOGFONTW lf{};
  lf.lfHeight = pointsToPixels(points, dpi);
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  // Asking a proportional face for a fixed pitch makes the font mapper pick
  // another face, which is both ugly and not the one measured.
  lf.lfPitchAndFamily = pitch == Pitch::Fixed ? FIXED_PITCH | FF_MODERN : DEFAULT_PITCH;
  lf.lfQuality = ANTIALIASED_QUALITY;
  win::setFaceName(lf, face);
  return win::Font(::CreateFontIndirectW(&lf));
}

// Measures exercise lines in the typing field's font, one font per size.
class FieldFontMeasurer final : public TextMeasurer {
 public:
  FieldFontMeasurer(std::string face, bool bold) : face_(std::move(face)), bold_(bold) {
    dc_.reset(::CreateCompatibleDC(nullptr));
    dpi_ = screenDpi();
  }
  TextExtent measure(std::string_view text, int points) override {
    if (points != points_) {
      font_ = makeFont(face_, points, bold_, dpi_);
      points_ = points;
    }
    win::ScopedSelect select(dc_.get(), font_.get());
    const std::wstring wide = win::widen(text);
    SIZE size{};
    ::GetTextExtentPoint32W(dc_.get(), wide.c_str(), static_cast<int>(wide.size()), &size);
    if (text.empty()) {
      TEXTMETRICW tm{};
      ::GetTextMetricsW(dc_.get(), &tm);
      size.cy = tm.tmHeight;
    }
    return {size.cx, size.cy};
  }

 private:
  std::string face_;
  bool bold_;
  int dpi_ = 96;
  int points_ = 0;
  win::MemoryDc dc_;
  win::Font font_;
};

// Measures in the window's own (dialog) font at a given point size.
class WindowFontMeasurer final : public TextMeasurer {
 public:
  explicit WindowFontMeasurer(const FontChoice& fonts) : fonts_(fonts) {
    dc_.reset(::CreateCompatibleDC(nullptr));
    dpi_ = screenDpi();
  }
  TextExtent measure(std::string_view text, int points) override {
    win::Font font =
        makeFont(fonts_.dialogFontName, points, fonts_.dialogFontBold, dpi_, Pitch::Proportional);
    win::ScopedSelect select(dc_.get(), font.get());
    const std::wstring wide = win::widen(text);
    SIZE size{};
    ::GetTextExtentPoint32W(dc_.get(), wide.c_str(), static_cast<int>(wide.size()), &size);
    return {size.cx, size.cy};
  }

 private:
  const FontChoice& fonts_;
  int dpi_ = 96;
  win::MemoryDc dc_;
};

std::wstring withLineBreaks(const std::string& cp1252) {
  std::wstring out;
  for (wchar_t c : win::widen(cp1252)) {
    if (c == L'\r') {
      out += L"\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

COLORREF systemColour(int index) { return ::GetSysColor(index); }

}  // namespace

ExerciseWindow::ExerciseWindow(ChildHost& host)
    : host_(host),
      state_(appState()),
      sessionHost_(host, *this),
      keyPathLog_(std::make_unique<MeasureLog>(L"KV_MEASURE_KEYS")),
      session_(sessionHost_, keys_, state_.exercise, state_.currentText, state_.typed) {
  sessionHost_.serve(session_);
}

ExerciseWindow::~ExerciseWindow() {
  if (active_ == this) active_ = nullptr;
}

bool ExerciseWindow::create() {
  if (!registerClass(kClassName, ::LoadIconW(::GetModuleHandleW(nullptr), L"APPICON"))) {
    return false;
  }
  active_ = this;
  RECT client{};
  ::GetClientRect(host_.mdiClient(), &client);
  return createIn(host_.mdiClient(), kClassName, win::widen(formName(state_.exercise.form)).c_str(),
                  WS_CHILD | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_CLIPCHILDREN,
                  0, 0, client.right, client.bottom);
}

void ExerciseWindow::onCreate() {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  const Settings& settings = state_.settings;
  fixedFontName_ = settings.fonts.fixedName;
  fieldBold_ = fixedFontName_ != "Consolas";

  field_ = ::CreateWindowExW(0, L"EDIT", L"",
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | ES_MULTILINE | ES_AUTOVSCROLL |
                                 ES_WANTRETURN | ES_READONLY | ES_NOHIDESEL | WS_BORDER,
                             0, 0, kUnwrappedFieldWidth, 100, hwnd_, reinterpret_cast<HMENU>(kFieldId),
                             instance, nullptr);
  ::SendMessageW(field_, EM_SETLIMITTEXT, 0, 0);
  ::SetWindowSubclass(field_, &ExerciseWindow::fieldProc, 1, reinterpret_cast<DWORD_PTR>(this));
  endButton_ = ::CreateWindowExW(0, L"BUTTON", L"&Beenden",
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | WS_DISABLED, 0, 0,
                                 100, 28, hwnd_, reinterpret_cast<HMENU>(kEndButtonId), instance, nullptr);
  // Drawn by the window: a static control wraps a line that it finds a pixel
  // too wide, and then the prompt's last line falls out of its box.
  prompt_ = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_OWNERDRAW | SS_NOTIFY, 0, 0, 10, 10, hwnd_,
                              reinterpret_cast<HMENU>(kPromptId), instance, nullptr);
  sessionHost_.attach(hwnd_, field_, prompt_, endButton_);

  if (HMENU menu = ::GetSystemMenu(hwnd_, FALSE)) {
    ::EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    ::EnableMenuItem(menu, SC_NEXTWINDOW, MF_BYCOMMAND | MF_GRAYED);
  }
  dialogFont_ = createDialogFont(settings.fonts);
  if (dialogFont_) win::applyDialogFont(hwnd_, dialogFont_.get());

  if (formOf(state_.exercise.form) == ExerciseForm::LitKeys) {
    keyboard_ = std::make_unique<win::KeyboardRenderer>(
        win::KeyboardLook{settings.fingers, settings.fonts.proportionalName, systemColoursOn()});
  }
  prepareCornerPicture();
  measureMetrics();
  computeSizes();
  setFieldFont(rules_.initialTextSize);
  // The status line's progress bar must not show the last exercise's fill.
  state_.liveKeystrokes = 0;
  session_.setLongestLineIndex(rules_.text.longestLineIndex);
  session_.prepare(settings.fingers.background);
  applyLayout();
}

void ExerciseWindow::measureMetrics() {
  metrics_ = LayoutMetrics{};
  metrics_.lengths = densityLengths(screenDpi());
  RECT window{};
  RECT client{};
  ::GetWindowRect(hwnd_, &window);
  ::GetClientRect(hwnd_, &client);
  metrics_.frameW = (window.right - window.left) - client.right;
  metrics_.frameH = (window.bottom - window.top) - client.bottom;
  metrics_.edgeX = ::GetSystemMetrics(SM_CXEDGE);
  metrics_.edgeY = ::GetSystemMetrics(SM_CYEDGE);
  metrics_.gripW = ::GetSystemMetrics(SM_CXVSCROLL);
  metrics_.gripH = ::GetSystemMetrics(SM_CYHSCROLL);
  const LRESULT margins = ::SendMessageW(field_, EM_GETMARGINS, 0, 0);
  metrics_.fieldMarginLeft = LOWORD(margins);
  metrics_.fieldMarginRight = HIWORD(margins);
  RECT format{};
  ::SendMessageW(field_, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
  metrics_.fieldFormatTop = format.top;
  RECT fw{};
  RECT fc{};
  ::GetWindowRect(field_, &fw);
  ::GetClientRect(field_, &fc);
  metrics_.fieldFrameW = (fw.right - fw.left) - fc.right;
  metrics_.buttonWidth = ::MulDiv(110, screenDpi(), 96);
  metrics_.buttonHeight = ::MulDiv(28, screenDpi(), 96);
}

void ExerciseWindow::computeSizes() {
  FieldFontMeasurer measurer(fixedFontName_, fieldBold_);
  // The typing field's border takes width the text cannot use.
  LayoutMetrics metrics = metrics_;
  metrics.fieldMarginRight += metrics.fieldFrameW;
  rules_ = computeTextSizes(formOf(state_.exercise.form),
                            state_.currentText.lines, measurer, metrics);
  if (textSize_ < rules_.initialTextSize) textSize_ = rules_.initialTextSize;
  layoutKeyboard(true);
}

void ExerciseWindow::layoutKeyboard(bool force) {
  if (!keyboard_) return;
  const int sizeValue = rules_.keyboard.at(textSize_).sizeValue;
  if (sizeValue >= 0) keyboard_->layout(static_cast<std::uint16_t>(sizeValue), force);
}

void ExerciseWindow::setFieldFont(int points) {
  if (points == fieldFontPoints_ && fieldFont_) return;
  fieldFont_ = makeFont(fixedFontName_, points, fieldBold_, screenDpi());
  ::SendMessageW(field_, WM_SETFONT, reinterpret_cast<WPARAM>(fieldFont_.get()), TRUE);
  fieldFontPoints_ = points;
}

void ExerciseWindow::applyLayout() {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  WindowFontMeasurer windowFont(state_.settings.fonts);
  ControlLayoutInput in;
  in.clientWidth = client.right;
  in.clientHeight = client.bottom;
  in.textSize = textSize_;
  in.promptText = promptText_;
  in.windowFontPoints = state_.settings.fonts.dialogFontSize;
  layout_ = layoutControls(rules_, in, windowFont);
  // Wine's edit control never frees the shaping data of wrapped lines that
  // join again, about 4 KB a line. The layout makes the field fit its text, so
  // the field is widened before its font grows and gets the smaller font
  // before it narrows: in between, no line wraps either.
  const bool fontGrows = textSize_ > fieldFontPoints_;
  if (!fontGrows) setFieldFont(textSize_);
  const Bounds& f = layout_.field;
  ::MoveWindow(field_, f.left, f.top, f.width + metrics_.fieldFrameW, f.height, TRUE);
  if (fontGrows) setFieldFont(textSize_);
  layoutKeyboard(false);
  const Bounds& b = layout_.endButton;
  ::MoveWindow(endButton_, b.left, b.top, b.width, b.height, TRUE);
  if (promptShown_ && layout_.promptPoints > 0) {
    promptFont_ = makeFont(state_.settings.fonts.dialogFontName, layout_.promptPoints,
                           state_.settings.fonts.dialogFontBold, screenDpi(),
                           Pitch::Proportional);
    ::SendMessageW(prompt_, WM_SETFONT, reinterpret_cast<WPARAM>(promptFont_.get()), TRUE);
    const Bounds& p = layout_.prompt;
    ::SetWindowPos(prompt_, HWND_TOP, p.left, p.top, p.width, p.height, SWP_NOACTIVATE);
    ::InvalidateRect(prompt_, nullptr, TRUE);
  }
  if (::GetFocus() == field_ && !session_.waitingForStart()) {
    ::SendMessageW(field_, EM_SCROLLCARET, 0, 0);
  }
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

// ---------------------------------------------------------------------------
// Size negotiation

RECT ExerciseWindow::mainClientRect() const {
  RECT r{};
  ::GetClientRect(host_.mdiClient(), &r);
  return r;
}

bool ExerciseWindow::mainMaximised() const { return ::IsZoomed(host_.frame()) != FALSE; }

void ExerciseWindow::onWindowPosChanging(WINDOWPOS& pos) {
  if ((pos.flags & SWP_NOSIZE) != 0 && (pos.flags & SWP_NOMOVE) != 0) return;
  const RECT main = mainClientRect();
  NegotiationInput in;
  in.ready = session_.ready();
  in.maximised = ::IsZoomed(hwnd_) != FALSE;
  in.minimised = ::IsIconic(hwnd_) != FALSE;
  in.textSize = textSize_;
  in.mainClientWidth = main.right;
  in.mainClientHeight = main.bottom;
  RECT now{};
  ::GetWindowRect(hwnd_, &now);
  ::MapWindowPoints(nullptr, host_.mdiClient(), reinterpret_cast<POINT*>(&now), 2);
  Bounds proposed{pos.x, pos.y, pos.cx, pos.cy};
  if ((pos.flags & SWP_NOSIZE) != 0) {
    proposed.width = now.right - now.left;
    proposed.height = now.bottom - now.top;
  }
  if ((pos.flags & SWP_NOMOVE) != 0) {
    proposed.left = now.left;
    proposed.top = now.top;
  }
  const NegotiatedSize result = negotiateSize(rules_, in, proposed);
  if (!result.applied) return;
  pos.x = result.window.left;
  pos.y = result.window.top;
  pos.cx = result.window.width;
  pos.cy = result.window.height;
  pos.flags &= ~static_cast<UINT>(SWP_NOSIZE | SWP_NOMOVE);
  textSize_ = result.textSize;
  rules_.minHeight = result.minHeight;
}

SIZE ExerciseWindow::minimumSize() const { return SIZE{rules_.minWidth, rules_.minHeight}; }

void ExerciseWindow::onShowFirstTime() {
  const RECT main = mainClientRect();
  std::size_t widest = 0;
  const auto& lines = state_.currentText.lines;
  if (rules_.text.longestLineIndex >= 0 &&
      static_cast<std::size_t>(rules_.text.longestLineIndex) < lines.size()) {
    widest = lines[static_cast<std::size_t>(rules_.text.longestLineIndex)].size();
  }
  const Bounds initial = initialWindowSize(main.right, main.bottom, mainMaximised(),
                                           static_cast<int>(widest));
  ::SetWindowPos(hwnd_, nullptr, initial.left, initial.top, initial.width, initial.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  installFilters();
  ::SetFocus(field_);
}

// ---------------------------------------------------------------------------
// Messages

LRESULT ExerciseWindow::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      onCreate();
      break;
    case WM_SHOWWINDOW:
      if (wParam && !shownOnce_) {
        shownOnce_ = true;
        ::PostMessageW(hwnd_, kShownMessage, 0, 0);
      }
      break;
    case kShownMessage:
      onShowFirstTime();
      return 0;
    case WM_WINDOWPOSCHANGING:
      onWindowPosChanging(*reinterpret_cast<WINDOWPOS*>(lParam));
      break;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      if (rules_.minWidth > 0) info->ptMinTrackSize.x = rules_.minWidth;
      if (rules_.minHeight > 0) info->ptMinTrackSize.y = rules_.minHeight;
      break;
    }
    case WM_SIZE:
      if (field_ != nullptr) applyLayout();
      host_.childMoved();
      announcePlace();
      break;
    case WM_GETOBJECT: {
      bool handled = false;
      const LRESULT object = access_.answer(hwnd_, *this, wParam, lParam, handled);
      if (handled) return object;
      break;
    }
    case WM_MOVE:
      host_.childMoved();
      break;
    case WM_PAINT:
      onPaint();
      return 0;
    case WM_NCHITTEST: {
      POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      ::ScreenToClient(hwnd_, &p);
      RECT client{};
      ::GetClientRect(hwnd_, &client);
      if (hitsSizeGrip(sizeGripBounds(client.right, client.bottom, metrics_), p.x, p.y)) {
        return HTBOTTOMRIGHT;
      }
      break;
    }
    case WM_TIMER:
      if (wParam == kPaceTimer) session_.onPaceTick();
      if (wParam == kClockTimer) {
        session_.onClockTick();
        state_.liveKeystrokes = session_.liveKeystrokes();
      }
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kEndButtonId && HIWORD(wParam) == BN_CLICKED) {
        session_.onEndButton();
        return 0;
      }
      if (LOWORD(wParam) == kPromptId && HIWORD(wParam) == STN_CLICKED) {
        session_.startByPointer();
        ::SetFocus(field_);
        return 0;
      }
      if (LOWORD(wParam) == kFieldId && HIWORD(wParam) == EN_CHANGE) {
        session_.onTextChanged();
        // The template stands still, but its highlighted next character moves.
        if (systemColoursOn() && formOf(state_.exercise.form) == ExerciseForm::OnScreenText) {
          const Bounds& d = layout_.display;
          const RECT display{d.left, d.top, d.left + d.width, d.top + d.height};
          ::InvalidateRect(hwnd_, &display, FALSE);
        }
        announcePlace();
        return 0;
      }
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item != nullptr && item->hwndItem == prompt_) {
        paintPrompt(*item);
        return TRUE;
      }
      break;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == field_) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, systemColour(COLOR_WINDOWTEXT));
        ::SetBkColor(dc, systemColour(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_CONTEXTMENU:
      return 0;
    case WM_SETFOCUS:
      // A closed message box or a reactivated frame hands the focus to this
      // window; the learner's next key belongs in the typing field.
      if (field_ != nullptr) ::SetFocus(field_);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE || (wParam & 0xFFF0) == SC_NEXTWINDOW) return 0;
      break;
    case WM_CLOSE:
      if (!session_.onCloseRequest()) return 0;
      break;
    case WM_DESTROY: {
      access_.disconnect();
      session_.onClose();
      sessionHost_.recordOutcome();
      ::KillTimer(hwnd_, kPaceTimer);
      ::KillTimer(hwnd_, kClockTimer);
      keyboardHook_.reset();
      mouseHook_.reset();
      host_.childClosed(*this);
      break;
    }
    default:
      break;
  }
  return ::DefMDIChildProcW(hwnd_, msg, wParam, lParam);
}

void ExerciseWindow::refreshFontsAndColours() {
  dialogFont_ = createDialogFont(state_.settings.fonts);
  if (dialogFont_) win::applyDialogFont(hwnd_, dialogFont_.get());
  fieldFontPoints_ = 0;
  setFieldFont(textSize_);
  prepareCornerPicture();
  if (keyboard_) {
    keyboard_->useSystemColours(systemColoursOn());
    keyboard_->layout(keyboard_->drawnSize(), true);
  }
  measureMetrics();
  computeSizes();
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  ::SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  applyLayout();
}

void ExerciseWindow::applicationActivated(bool active) {
  if (active) {
    session_.onActivate();
    if (!session_.waitingForStart()) {
      ::InvalidateRect(field_, nullptr, TRUE);
      ::SetFocus(field_);
    }
  } else {
    session_.onDeactivate();
  }
}

bool ExerciseWindow::typingFieldHasFocus() const { return ::GetFocus() == field_; }

int ExerciseWindow::bannerWidth(const std::string& text) {
  FieldFontMeasurer measurer(fixedFontName_, fieldBold_);
  return measurer.measure(text, rules_.initialTextSize).width;
}

void ExerciseWindow::setStartPrompt(const std::string& text) {
  promptText_ = text;
  ::SetWindowTextW(prompt_, withLineBreaks(text).c_str());
  ::InvalidateRect(prompt_, nullptr, TRUE);
}

void ExerciseWindow::applyTextSize() { setFieldFont(textSize_); }

void ExerciseWindow::showStartPrompt(bool shown) {
  promptShown_ = shown;
  ::ShowWindow(prompt_, shown ? SW_SHOWNA : SW_HIDE);
  if (shown) applyLayout();
}

void ExerciseWindow::redrawDisplay() {
  const Bounds& d = layout_.display;
  RECT r{d.left, d.top, d.left + d.width, d.top + d.height};
  ::InvalidateRect(hwnd_, &r, FALSE);
  ::UpdateWindow(hwnd_);
  announcePlace();
}

void ExerciseWindow::showLitKey(int key, int step, bool on) {
  if (!keyboard_) return;
  win::WindowDc dc(hwnd_);
  keyboard_->showLitKey(dc.get(), layout_.display.left, layout_.display.top, key, step, on);
  announceLitKeys();
}

int ExerciseWindow::widestLineWidth() { return rules_.text.width(rules_.initialTextSize); }

void ExerciseWindow::removeMouseFilter() { mouseHook_.reset(); }

void ExerciseWindow::removeKeyboardFilter() { keyboardHook_.reset(); }

std::unique_ptr<ChildWindow> createExerciseWindow(ChildHost& host) {
  auto window = std::make_unique<ExerciseWindow>(host);
  if (!window->create()) return nullptr;
  ::ShowWindow(window->hwnd(), SW_SHOW);
  return window;
}

}  // namespace kv
