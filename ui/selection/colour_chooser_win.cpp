#include "ui/selection/colour_chooser_win.h"

#include <algorithm>

#include "ui/selection/selection_pictures_win.h"
#include "ui/selection/selection_rules.h"
#include "ui/shared/system_colours_win.h"
#include "ui/shared/themed_button_win.h"

namespace kv {
namespace {

// Posted when the window is shown: the focus goes to the matching scheme once
// the system has finished giving it to the first button.
constexpr UINT kShownMessage = WM_APP + 20;

int screenPpi() {
  win::WindowDc screen(nullptr);
  return screen.get() != nullptr ? ::GetDeviceCaps(screen.get(), LOGPIXELSX) : 96;
}

Colour systemColour(int index) { return ::GetSysColor(index); }

}  // namespace

void ColourChooser::placeWindow() {
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  ::SetWindowPos(hwnd_, nullptr, centre_.x - width / 2, centre_.y - height / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ColourChooser::onCreate() {
  for (int k = 1; k <= kSchemeCount; ++k) {
    // The scheme's picture is painted; its text is what screen readers say.
    win::createControl(hwnd_, L"BUTTON", (L"Farbschema " + std::to_wstring(k)).c_str(),
                       WS_TABSTOP | BS_OWNERDRAW | (k == 1 ? WS_GROUP : 0),
                       0, 0, 10, 10, kFirstButtonId + k - 1);
  }
  // Its own group after the pictures: Tab reaches it, and so does Alt+S.
  win::createControl(hwnd_, L"BUTTON", L"&Systemfarben", WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, 0, 0, 10, 10,
                     kSystemColoursId);
  applyFont();
  buildGlyphs();
  layout();
}

void ColourChooser::buildGlyphs() {
  const AppState& state = appState();
  const GlyphScale scale = glyphScale(screenPpi());
  // Below 100 % the factor would be 0; the 100 % picture is still legible.
  const int factor = std::max(1, scale.factor);
  const GlyphTemplate picture = drawGlyphTemplate(scale.picturePercent);
  const int strip = std::clamp(state.settings.fingers.colourTarget, 0, 2);
  glyphSize_ = SIZE{picture.width * factor, picture.stripHeight * factor};

  GlyphSystemColours system;
  system.buttonFace = ::GetSysColor(COLOR_BTNFACE);
  system.buttonShadow = ::GetSysColor(COLOR_BTNSHADOW);
  system.buttonHighlight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
  system.darkShadow = ::GetSysColor(COLOR_3DDKSHADOW);
  system.windowText = ::GetSysColor(COLOR_WINDOWTEXT);
  system.window = ::GetSysColor(COLOR_WINDOW);

  win::WindowDc screen(nullptr);
  win::MemoryDc source(::CreateCompatibleDC(screen.get()));
  win::MemoryDc target(::CreateCompatibleDC(screen.get()));
  if (!picture.bitmap || !source || !target) return;
  win::ScopedSelect keepSource(source.get(), picture.bitmap.get());
  RGBQUAD templateColours[256] = {};
  const UINT used = ::GetDIBColorTable(source.get(), 0, 256, templateColours);
  for (int k = 0; k < kSchemeCount; ++k) {
    const ColourScheme& scheme = state.settings.schemes[static_cast<std::size_t>(k)];
    RGBQUAD mapped[256] = {};
    for (UINT i = 0; i < used; ++i) {
      const RGBQUAD q = templateColours[i];
      const Colour from = RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
      const Colour to = mapTemplateColour(from, scheme, system, systemColour);
      mapped[i] = RGBQUAD{GetBValue(to), GetGValue(to), GetRValue(to), 0};
    }
    // The template's own palette is swapped for the scheme's while its strip
    // is copied, then put back for the next scheme.
    ::SetDIBColorTable(source.get(), 0, used, mapped);
    win::Bitmap glyph(::CreateCompatibleBitmap(screen.get(), glyphSize_.cx, glyphSize_.cy));
    {
      win::ScopedSelect keepTarget(target.get(), glyph.get());
      ::SetStretchBltMode(target.get(), COLORONCOLOR);
      ::StretchBlt(target.get(), 0, 0, glyphSize_.cx, glyphSize_.cy, source.get(), 0,
                   strip * picture.stripHeight, picture.width, picture.stripHeight, SRCCOPY);
    }
    ::SetDIBColorTable(source.get(), 0, used, templateColours);
    glyphs_[static_cast<std::size_t>(k)] = std::move(glyph);
  }
}

void ColourChooser::layout() {
  const win::DialogUnits du(font_.get());
  const int margin = du.x(7);
  const int gap = du.x(4);
  const int buttonW = glyphSize_.cx + 12;
  const int buttonH = glyphSize_.cy + 12;
  for (int k = 0; k < kSchemeCount; ++k) {
    ::MoveWindow(control(kFirstButtonId + k), margin + (k % 3) * (buttonW + gap),
                 margin + (k / 3) * (buttonH + gap), buttonW, buttonH, TRUE);
  }
  const int gridW = 3 * buttonW + 2 * gap;
  const int systemTop = margin + 3 * buttonH + 3 * gap;
  const int systemH = du.y(14);
  ::MoveWindow(control(kSystemColoursId), margin, systemTop, gridW, systemH, TRUE);
  win::setClientSize(hwnd_, 2 * margin + gridW, systemTop + systemH + margin);
}

void ColourChooser::focusMatchingScheme() {
  const AppState& state = appState();
  if (systemColoursOn()) {
    ::SetFocus(control(kSystemColoursId));
  } else if (const auto k = matchingScheme(state.settings.fingers, state.settings.schemes)) {
    ::SetFocus(control(kFirstButtonId + *k));
  } else {
    ::SetFocus(control(kFirstButtonId));
  }
}

void ColourChooser::choose(int scheme) {
  AppState& state = appState();
  selectScheme(state.settings.fingers, state.settings.schemes, scheme);
  state.settings.colourMode.systemColours = false;
  close();
}

void ColourChooser::chooseSystemColours() {
  appState().settings.colourMode.systemColours = true;
  close();
}

// The modal loop destroys the window once the owner is enabled again, so the
// activation goes back to the selection dialog.
void ColourChooser::close() { done_ = true; }

LRESULT ColourChooser::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      onCreate();
      return 0;
    case WM_SHOWWINDOW:
      if (wParam) ::PostMessageW(hwnd_, kShownMessage, 0, 0);
      break;
    case kShownMessage:
      focusMatchingScheme();
      return 0;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == IDCANCEL) {
        close();
        return 0;
      }
      if (id >= kFirstButtonId && id < kFirstButtonId + kSchemeCount && HIWORD(wParam) == BN_CLICKED) {
        choose(id - kFirstButtonId);
        return 0;
      }
      if (id == kSystemColoursId && HIWORD(wParam) == BN_CLICKED) {
        chooseSystemColours();
        return 0;
      }
      break;
    }
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) {
        close();
        return 0;
      }
      break;
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      const int k = static_cast<int>(item.CtlID) - kFirstButtonId;
      if (k < 0 || k >= kSchemeCount) break;
      const RECT area = drawButtonFace(item, false);
      drawCentredBitmap(item.hDC, glyphs_[static_cast<std::size_t>(k)].get(), area,
                        (item.itemState & ODS_DISABLED) != 0);
      return TRUE;
    }
    case WM_CLOSE:
      close();
      return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      applyFont();
      buildGlyphs();
      ::InvalidateRect(hwnd_, nullptr, TRUE);
      break;
    default:
      break;
  }
  return defaultHandling(msg, wParam, lParam);
}

}  // namespace kv
