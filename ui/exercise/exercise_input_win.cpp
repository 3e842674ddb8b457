// The exercise window's input filters: the hooks that hand every key and
// pointer event to the session before anything else sees it, and the typing
// field's own messages.
#include "ui/exercise/exercise_window_win.h"

#include <commctrl.h>

#include "platform/encoding.h"
#include "platform/win/window.h"
#include "ui/shared/app_state.h"
#include "ui/shared/measure_log_win.h"

namespace kv {
namespace {

// Times one character event into the window's log, when it has one.
class KeyPathTimer {
 public:
  KeyPathTimer(MeasureLog& log, int form) : log_(log), form_(form) {
    if (log_.on()) ::QueryPerformanceCounter(&start_);
  }
  ~KeyPathTimer() { log_.add(form_, start_); }
  KeyPathTimer(const KeyPathTimer&) = delete;
  KeyPathTimer& operator=(const KeyPathTimer&) = delete;

 private:
  MeasureLog& log_;
  int form_;
  LARGE_INTEGER start_{};
};

}  // namespace

bool ExerciseWindow::fieldActiveAndFocused() const {
  return field_ != nullptr && ::GetFocus() == field_;
}

void ExerciseWindow::installFilters() {
  if (filtersInstalled_) return;
  filtersInstalled_ = true;
  session_.filtersInstalled();
  const DWORD thread = ::GetCurrentThreadId();
  // Should the mouse filter fail, clicks reach the field, whose own button
  // handling still ends an exercise without correction; only the click is
  // then not swallowed.
  mouseHook_.reset(::SetWindowsHookExW(WH_MOUSE, &ExerciseWindow::mouseProc, nullptr, thread));
  keyboardHook_.reset(::SetWindowsHookExW(WH_KEYBOARD_LL, &ExerciseWindow::lowLevelKeyboardProc,
                                          ::GetModuleHandleW(nullptr), 0));
  lowLevelHook_ = static_cast<bool>(keyboardHook_);
  if (!keyboardHook_) {
    keyboardHook_.reset(::SetWindowsHookExW(WH_KEYBOARD, &ExerciseWindow::threadKeyboardProc, nullptr, thread));
  }
}

LRESULT CALLBACK ExerciseWindow::lowLevelKeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
  // A filter of the whole system must not fail: on any fault the event passes.
  try {
    return lowLevelKeyboardProcGuarded(code, wParam, lParam);
  } catch (...) {
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }
}

LRESULT ExerciseWindow::lowLevelKeyboardProcGuarded(int code, WPARAM wParam, LPARAM lParam) {
  if (code < 0 || active_ == nullptr) return ::CallNextHookEx(nullptr, code, wParam, lParam);
  const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  const bool injected = (event->flags & LLKHF_INJECTED) != 0;
  if (active_->session_.lowLevelKeyFilter(static_cast<std::uint16_t>(event->vkCode), injected,
                                          active_->fieldActiveAndFocused())) {
    return 1;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK ExerciseWindow::threadKeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
  // A filter of the whole system must not fail: on any fault the event passes.
  try {
    return threadKeyboardProcGuarded(code, wParam, lParam);
  } catch (...) {
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }
}

LRESULT ExerciseWindow::threadKeyboardProcGuarded(int code, WPARAM wParam, LPARAM lParam) {
  if (code < 0 || active_ == nullptr) return ::CallNextHookEx(nullptr, code, wParam, lParam);
  if (active_->session_.threadKeyFilter(static_cast<std::uint16_t>(wParam), active_->fieldActiveAndFocused())) {
    return 1;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK ExerciseWindow::mouseProc(int code, WPARAM wParam, LPARAM lParam) {
  // A filter of the whole system must not fail: on any fault the event passes.
  try {
    return mouseProcGuarded(code, wParam, lParam);
  } catch (...) {
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }
}

LRESULT ExerciseWindow::mouseProcGuarded(int code, WPARAM wParam, LPARAM lParam) {
  if (code < 0 || active_ == nullptr) return ::CallNextHookEx(nullptr, code, wParam, lParam);
  const auto* event = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
  PointerEvent kind = PointerEvent::Other;
  switch (wParam) {
    case WM_MOUSEMOVE: kind = PointerEvent::Move; break;
    case WM_NCMOUSEMOVE: kind = PointerEvent::NonClientMove; break;
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK: case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK:
      kind = PointerEvent::ButtonDown; break;
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP: kind = PointerEvent::ButtonUp; break;
    case WM_MOUSEWHEEL: kind = PointerEvent::Wheel; break;
    default: break;
  }
  ExerciseWindow& self = *active_;
  const HWND frame = self.host_.frame();
  const PointerDecision d = mouseFilterDecision(event->hwnd == self.field_, kind,
                                                ::GetFocus() == self.field_,
                                                ::GetActiveWindow() == frame);
  if (d.focusField) ::SetFocus(self.field_);
  if (d.activateMainWindow) ::SetActiveWindow(frame);
  if (d.swallow) return 1;
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK ExerciseWindow::fieldProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<ExerciseWindow*>(data);
  if (msg == WM_NCDESTROY) {
    ::RemoveWindowSubclass(hwnd, &ExerciseWindow::fieldProc, 1);
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
  }
  return win::handleGuarded(hwnd, msg, wParam, lParam, &::DefSubclassProc,
                            [&] { return self->onFieldMessage(hwnd, msg, wParam, lParam); });
}

LRESULT ExerciseWindow::onFieldMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
      const bool alt = ::GetKeyState(VK_MENU) < 0;
      const bool shift = ::GetKeyState(VK_SHIFT) < 0;
      if (wParam == 'T' && ctrl && !alt && !shift) {
        session_.toggleStatus();
        return 0;
      }
      // Once the dialog manager has seen the field, the edit control treats
      // Escape as "close the dialog", which here would ask to end the program,
      // and Tab as "next control", after which the learner types into nothing.
      // The end button keeps its Alt letter.
      if (wParam == VK_ESCAPE || wParam == VK_TAB) return 0;
      std::uint16_t key = static_cast<std::uint16_t>(wParam);
      ShiftState state{shift, alt, ctrl};
      session_.onKeyDown(key, state);
      if (key == 0) return 0;
      break;
    }
    case WM_CHAR: {
      if (wParam == VK_ESCAPE) return 0;
      const KeyPathTimer timer(*keyPathLog_, state_.exercise.form);
      const auto byte = codePointToCp1252(static_cast<char32_t>(wParam));
      std::uint8_t ch = byte ? *byte : 0;
      session_.onCharacter(ch);
      if (ch == 0) return 0;
      return ::DefSubclassProc(hwnd, msg, static_cast<WPARAM>(cp1252ToCodePoint(ch)), lParam);
    }
    case WM_KEYUP:
      ::DefSubclassProc(hwnd, msg, wParam, lParam);
      session_.onKeyReleased();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      session_.onPointerOnField();
      if (!state_.exercise.correctionAllowed) return 0;
      break;
    case WM_CONTEXTMENU:
      return 0;
    default:
      break;
  }
  return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace kv
