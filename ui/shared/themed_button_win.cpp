#include "ui/shared/themed_button_win.h"

#include <commctrl.h>

#include "platform/win/handles.h"
#include "platform/win/strings.h"

namespace kv {
namespace {

// uxtheme is looked up at run time: the program also runs where it is
// missing or themes are switched off.
struct ThemeApi {
  using IsThemeActiveFn = BOOL(WINAPI*)();
  using OpenThemeDataFn = HANDLE(WINAPI*)(HWND, LPCWSTR);
  using CloseThemeDataFn = HRESULT(WINAPI*)(HANDLE);
  using DrawThemeBackgroundFn = HRESULT(WINAPI*)(HANDLE, HDC, int, int, const RECT*, const RECT*);
  using GetThemeBackgroundContentRectFn = HRESULT(WINAPI*)(HANDLE, HDC, int, int, const RECT*, RECT*);

  ThemeApi() : library(::LoadLibraryW(L"uxtheme.dll")) {
    if (!library) return;
    isActive = reinterpret_cast<IsThemeActiveFn>(
        reinterpret_cast<void*>(::GetProcAddress(library.get(), "IsThemeActive")));
    open = reinterpret_cast<OpenThemeDataFn>(
        reinterpret_cast<void*>(::GetProcAddress(library.get(), "OpenThemeData")));
    close = reinterpret_cast<CloseThemeDataFn>(
        reinterpret_cast<void*>(::GetProcAddress(library.get(), "CloseThemeData")));
    draw = reinterpret_cast<DrawThemeBackgroundFn>(
        reinterpret_cast<void*>(::GetProcAddress(library.get(), "DrawThemeBackground")));
    content = reinterpret_cast<GetThemeBackgroundContentRectFn>(reinterpret_cast<void*>(
        ::GetProcAddress(library.get(), "GetThemeBackgroundContentRect")));
  }
  bool usable() const { return isActive && open && close && draw && content && isActive(); }

  win::Library library;
  IsThemeActiveFn isActive = nullptr;
  OpenThemeDataFn open = nullptr;
  CloseThemeDataFn close = nullptr;
  DrawThemeBackgroundFn draw = nullptr;
  GetThemeBackgroundContentRectFn content = nullptr;
};

const ThemeApi& themeApi() {
  static const ThemeApi api;
  return api;
}

constexpr int kPushButtonPart = 1;
enum ThemeState { kNormal = 1, kHot = 2, kPressed = 3, kDisabled = 4, kDefaulted = 5 };

}  // namespace

RECT drawButtonFace(const DRAWITEMSTRUCT& item, bool latched) {
  RECT area = item.rcItem;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  const bool pressed = latched || (item.itemState & ODS_SELECTED) != 0;
  const bool focused = (item.itemState & ODS_FOCUS) != 0;
  const ThemeApi& api = themeApi();
  if (api.usable()) {
    if (HANDLE theme = api.open(item.hwndItem, L"BUTTON")) {
      // The first state that applies, in this order.
      const int state = disabled  ? kDisabled
                        : pressed ? kPressed
                        : focused ? kDefaulted
                        : (item.itemState & ODS_HOTLIGHT) != 0 ? kHot
                                                                : kNormal;
      api.draw(theme, item.hDC, kPushButtonPart, state, &item.rcItem, nullptr);
      api.content(theme, item.hDC, kPushButtonPart, state, &item.rcItem, &area);
      api.close(theme);
      if (focused && (item.itemState & ODS_NOFOCUSRECT) == 0) ::DrawFocusRect(item.hDC, &area);
      return area;
    }
  }
  ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_BTNFACE));
  UINT frame = DFCS_BUTTONPUSH;
  if (pressed) frame |= DFCS_PUSHED;
  if (disabled) frame |= DFCS_INACTIVE;
  RECT edge = item.rcItem;
  if (focused && !pressed) {
    // The classic default-button look: a dark frame around the raised face.
    ::FrameRect(item.hDC, &edge, ::GetSysColorBrush(COLOR_WINDOWFRAME));
    ::InflateRect(&edge, -1, -1);
  }
  ::DrawFrameControl(item.hDC, &edge, DFC_BUTTON, frame);
  area = edge;
  ::InflateRect(&area, -3, -3);
  if (focused && (item.itemState & ODS_NOFOCUSRECT) == 0) ::DrawFocusRect(item.hDC, &area);
  if (pressed) ::OffsetRect(&area, 1, 1);
  return area;
}

void drawCentredBitmap(HDC dc, HBITMAP bitmap, const RECT& area, bool disabled) {
  BITMAP info{};
  if (bitmap == nullptr || ::GetObjectW(bitmap, sizeof info, &info) == 0) return;
  const int x = area.left + (area.right - area.left - info.bmWidth) / 2;
  const int y = area.top + (area.bottom - area.top - info.bmHeight) / 2;
  if (disabled) {
    ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(bitmap), 0, x, y, info.bmWidth,
                 info.bmHeight, DST_BITMAP | DSS_DISABLED);
    return;
  }
  win::MemoryDc source(::CreateCompatibleDC(dc));
  if (!source) return;
  win::ScopedSelect keep(source.get(), bitmap);
  ::BitBlt(dc, x, y, info.bmWidth, info.bmHeight, source.get(), 0, 0, SRCCOPY);
}

ToggleButtonAccess::~ToggleButtonAccess() {
  if (button_ != nullptr && ::IsWindow(button_)) ::RemoveWindowSubclass(button_, &buttonProc, 1);
}

void ToggleButtonAccess::attach(HWND button, std::function<bool()> switchedOn) {
  button_ = button;
  on_ = std::move(switchedOn);
  ::SetWindowSubclass(button_, &buttonProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

void ToggleButtonAccess::changed() {
  if (button_ != nullptr) win::announce(button_, EVENT_OBJECT_STATECHANGE, 0);
}

win::AccessibleFacts ToggleButtonAccess::accessibleFacts(int) {
  win::AccessibleFacts facts;
  facts.name = win::windowText(button_);
  facts.role = win::AccRole::PushButton;
  facts.state = win::AccState::Focusable;
  if (on_ && on_()) facts.state |= win::AccState::Pressed;
  if (!::IsWindowEnabled(button_)) facts.state |= win::AccState::Unavailable;
  facts.defaultAction = L"Drücken";
  ::GetWindowRect(button_, &facts.screen);
  return facts;
}

bool ToggleButtonAccess::accessibleDefaultAction(int) {
  // As a click: the parent hears BN_CLICKED.
  ::PostMessageW(::GetParent(button_), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button_), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button_));
  return true;
}

LRESULT CALLBACK ToggleButtonAccess::buttonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                DWORD_PTR data) {
  auto* self = reinterpret_cast<ToggleButtonAccess*>(data);
  LRESULT object = 0;
  if (self->answer_.handleControlMessage(hwnd, *self, msg, wParam, lParam, object)) return object;
  if (msg == WM_NCDESTROY) {
    ::RemoveWindowSubclass(hwnd, &buttonProc, 1);
    self->button_ = nullptr;
  }
  return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace kv
