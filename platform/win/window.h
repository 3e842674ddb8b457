// The one-class-per-window pattern: a static window procedure finds the object
// stored at WM_NCCREATE and forwards to its member handler.
#pragma once

#include <windows.h>

#include <exception>

namespace kv::win {

// Registers a window class of this program once; later calls find it.
inline bool registerWindowClass(const wchar_t* className, WNDPROC procedure, HICON icon) {
  WNDCLASSEXW wc{};
  if (::GetClassInfoExW(::GetModuleHandleW(nullptr), className, &wc)) return true;
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = procedure;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hIcon = icon;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = className;
  return ::RegisterClassExW(&wc) != 0;
}

// The program's windows are not dialogs, but the message loop lets the dialog
// manager handle their Tab and Alt keys. For a label's Alt letter it asks the
// window to move the focus (WM_NEXTDLGCTL), which only a dialog does by itself:
// here the focus goes where a dialog would send it. True when handled.
inline bool moveFocusAsDialog(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_NEXTDLGCTL) return false;
  const HWND target = LOWORD(lParam) != 0
                          ? reinterpret_cast<HWND>(wParam)
                          : ::GetNextDlgTabItem(window, ::GetFocus(), wParam != 0 ? TRUE : FALSE);
  if (target == nullptr || !::IsChild(window, target)) return true;
  ::SetFocus(target);
  // A field reached by keyboard has its text selected, ready to be typed over.
  if ((::SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0) {
    ::SendMessageW(target, EM_SETSEL, 0, -1);
  }
  return true;
}

// A message handler must never let an exception into the system: it would
// end the program and take the learner's exercise with it. The user is told
// once (never again while that box is open) and the program goes on; a window
// that fails while being created is simply not created.
void reportUnexpectedError(HWND window, const char* what) noexcept;

template <typename Handler>
LRESULT handleGuarded(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, WNDPROC defaultProc,
                      Handler&& handler) noexcept {
  try {
    return handler();
  } catch (const std::exception& e) {
    reportUnexpectedError(hwnd, e.what());
  } catch (...) {
    reportUnexpectedError(hwnd, nullptr);
  }
  if (msg == WM_NCCREATE) return FALSE;
  if (msg == WM_CREATE) return -1;
  return defaultProc(hwnd, msg, wParam, lParam);
}

// The body every window procedure of the program shares: the object stored
// at WM_NCCREATE gets the message, guarded; it is detached at WM_NCDESTROY.
// `created` is the object named by the creation record (WM_NCCREATE only);
// `handleOf` gives its window handle member.
template <typename Self>
LRESULT routeMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, Self* created,
                     HWND& (*handleOf)(Self&), WNDPROC defaultProc) {
  Self* self = nullptr;
  if (msg == WM_NCCREATE) {
    self = created;
    if (self != nullptr) {
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      handleOf(*self) = hwnd;
    }
  } else {
    self = reinterpret_cast<Self*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (self == nullptr) return defaultProc(hwnd, msg, wParam, lParam);
  if (moveFocusAsDialog(hwnd, msg, wParam, lParam)) return 0;
  const LRESULT result = handleGuarded(hwnd, msg, wParam, lParam, defaultProc,
                                       [&] { return self->handleMessage(msg, wParam, lParam); });
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    handleOf(*self) = nullptr;
  }
  return result;
}

template <typename Derived>
class BaseWindow {
 public:
  BaseWindow() = default;
  BaseWindow(const BaseWindow&) = delete;
  BaseWindow& operator=(const BaseWindow&) = delete;
  virtual ~BaseWindow() {
    if (hwnd_ != nullptr) {
      ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
      ::DestroyWindow(hwnd_);
    }
  }

  HWND hwnd() const noexcept { return hwnd_; }

 protected:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Derived* created = nullptr;
    if (msg == WM_NCCREATE && lParam != 0) {
      created = static_cast<Derived*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    }
    return routeMessage<Derived>(hwnd, msg, wParam, lParam, created, &BaseWindow::handleOf,
                                 &::DefWindowProcW);
  }
  static HWND& handleOf(Derived& window) { return static_cast<BaseWindow&>(window).hwnd_; }

  static bool registerClass(const wchar_t* className, HICON icon = nullptr) {
    return registerWindowClass(className, &BaseWindow::windowProc, icon);
  }

  LRESULT defaultHandling(UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(hwnd_, msg, wParam, lParam);
  }

  HWND hwnd_ = nullptr;
};

}  // namespace kv::win
