#include "ui/frame/about_window_win.h"

#include <algorithm>

#include "core/settings.h"
#include "platform/win/shell.h"
#include "platform/win/strings.h"
#include "platform/win/system_info.h"
#include "ui/shared/system_colours_win.h"

namespace kv {
namespace {

// The labels as designed; the version and memory lines are formats that the
// window fills in from the version resource and the system.
constexpr const wchar_t* kNameDesign = L"Klavento 7";
constexpr const char* kVersionDesign = "Version %s (Build %d)";
constexpr const char* kMemoryDesign = "Arbeitsspeicher: %s KB";

std::wstring linkText() {
  std::string address = kProductWebPage;
  const std::string scheme = "https://";
  if (address.rfind(scheme, 0) == 0) address.erase(0, scheme.size());
  if (!address.empty() && address.back() == '/') address.pop_back();
  return win::widen(address);
}

}  // namespace

void AboutWindow::onCreate() {
  win::createControl(hwnd_, L"STATIC", kNameDesign, SS_LEFT, 0, 0, 10, 10, kName);
  win::createControl(hwnd_, L"STATIC", win::widen(kVersionDesign).c_str(), SS_LEFT, 0, 0, 10, 10,
                     kVersion);
  win::createControl(hwnd_, L"STATIC", L"", SS_LEFT, 0, 0, 10, 10, kLegal);
  win::createControl(hwnd_, L"STATIC", win::widen(kMemoryDesign).c_str(), SS_LEFT, 0, 0, 10, 10,
                     kMemory);
  win::createControl(hwnd_, L"STATIC", linkText().c_str(), SS_LEFT | SS_NOTIFY, 0, 0, 10, 10,
                     kLink);
  win::createControl(hwnd_, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 10, 10, kOk);
  fillLabels();
  applyFont();
  layout();
}

void AboutWindow::fillLabels() {
  const win::VersionStrings strings = win::readVersionStrings(win::programPath());
  if (strings.productName) ::SetWindowTextW(control(kName), L"Klavento®");
  if (strings.productVersion && strings.fileVersion) {
    const std::string text = formatLabel(
        win::narrowLossy(win::windowText(control(kVersion))),
        win::narrowLossy(*strings.productVersion), buildNumber(win::narrowLossy(*strings.fileVersion)));
    ::SetWindowTextW(control(kVersion), win::widen(text).c_str());
  }
  if (strings.legalCopyright) ::SetWindowTextW(control(kLegal), strings.legalCopyright->c_str());
  const std::string memory =
      withThousands(memoryKilobytes(win::physicalMemoryBytes()),
                    win::narrowLossy(win::thousandsSeparator()));
  const std::string memoryLine =
      formatLabel(win::narrowLossy(win::windowText(control(kMemory))), memory);
  ::SetWindowTextW(control(kMemory), win::widen(memoryLine).c_str());
}

void AboutWindow::loadPictureForScreen() {
  picture_ = loadPicture(PictureSet::About, win::screenPixelsPerInch(),
                         ::GetSysColor(COLOR_BTNFACE));
}

void AboutWindow::layout() {
  linkEnabled_ = appState().settings.policies.webLinksEnabled;
  // The link keeps the dialog font's size; underlined only while it works.
  LOGFONTW lf{};
  if (font_ && ::GetObjectW(font_.get(), sizeof lf, &lf) == sizeof lf) {
    lf.lfUnderline = linkEnabled_ ? TRUE : FALSE;
    linkFont_.reset(::CreateFontIndirectW(&lf));
    if (linkFont_) {
      ::SendMessageW(control(kLink), WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_.get()), TRUE);
    }
  }
  loadPictureForScreen();

  const win::DialogUnits du(font_.get());
  const int margin = du.x(7);
  const SIZE shown = picture_.shownSize();
  pictureRect_ = RECT{margin, margin, margin + shown.cx, margin + shown.cy};
  const int textLeft = pictureRect_.right + du.x(10);
  int textWidth = du.x(150);
  for (const int id : {kName, kVersion, kLegal, kMemory, kLink}) {
    const HFONT font = id == kLink && linkFont_ ? linkFont_.get() : font_.get();
    const SIZE size = win::textExtent(font, win::windowText(control(id)));
    textWidth = std::max<int>(textWidth, size.cx + du.x(2));
  }
  const int line = du.y(10);
  int y = margin;
  for (const int id : {kName, kVersion, kLegal, kMemory, kLink}) {
    ::MoveWindow(control(id), textLeft, y, textWidth, du.y(9), FALSE);
    y += id == kName ? line + du.y(4) : line;
  }
  const int contentBottom = std::max<int>(y, pictureRect_.bottom);
  const int buttonWidth = du.x(50);
  const int buttonHeight = du.y(14);
  const int width = textLeft + textWidth + margin;
  ::MoveWindow(control(kOk), width - margin - buttonWidth, contentBottom + du.y(7), buttonWidth,
               buttonHeight, FALSE);
  win::setClientSize(hwnd_, width, contentBottom + du.y(7) + buttonHeight + margin);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void AboutWindow::onPaint() {
  PAINTSTRUCT ps;
  const HDC dc = ::BeginPaint(hwnd_, &ps);
  drawPicture(dc, picture_, pictureRect_.left, pictureRect_.top);
  ::EndPaint(hwnd_, &ps);
}

void AboutWindow::onLinkClicked() {
  if (!appState().settings.policies.webLinksEnabled) return;
  win::openWebPage(hwnd_, kProductWebPage);
}

void AboutWindow::close() { endDialog(); }

LRESULT AboutWindow::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      onCreate();
      return 0;
    case WM_PAINT:
      onPaint();
      return 0;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == control(kLink)) {
        const HDC dc = reinterpret_cast<HDC>(wParam);
        // A live link in the system's link colour when "Systemfarben" is on.
        ::SetTextColor(dc, !linkEnabled_     ? ::GetSysColor(COLOR_WINDOWTEXT)
                           : systemColoursOn() ? ::GetSysColor(COLOR_HOTLIGHT)
                                               : RGB(0, 0, 255));
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wParam) == control(kLink) && linkEnabled_) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == kLink && HIWORD(wParam) == STN_CLICKED) {
        onLinkClicked();
        return 0;
      }
      if (LOWORD(wParam) == kOk || LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) {
        close();
        return 0;
      }
      break;
    case DM_GETDEFID:
      return MAKELRESULT(kOk, DC_HASDEFID);
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      applyFont();
      layout();
      break;
    case WM_CLOSE:
      close();
      return 0;
    case WM_DESTROY:
      done_ = true;
      break;
    default:
      break;
  }
  return defaultHandling(msg, wParam, lParam);
}

}  // namespace kv
