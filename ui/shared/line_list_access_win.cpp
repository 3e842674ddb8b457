#include "ui/shared/line_list_access_win.h"

#include <commctrl.h>

namespace kv {

LineListAccess::~LineListAccess() {
  if (list_ != nullptr && ::IsWindow(list_)) ::RemoveWindowSubclass(list_, &listProc, 2);
}

void LineListAccess::attach(HWND list, std::wstring name, std::function<int()> count,
                            std::function<Line(int)> lineAt) {
  list_ = list;
  name_ = std::move(name);
  count_ = std::move(count);
  lineAt_ = std::move(lineAt);
  ::SetWindowSubclass(list_, &listProc, 2, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK LineListAccess::listProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR data) {
  auto* self = reinterpret_cast<LineListAccess*>(data);
  LRESULT object = 0;
  if (self->answer_.handleControlMessage(hwnd, *self, msg, wParam, lParam, object)) return object;
  if (msg == WM_NCDESTROY) {
    ::RemoveWindowSubclass(hwnd, &listProc, 2);
    self->list_ = nullptr;
  } else if (msg == WM_VSCROLL || msg == WM_MOUSEWHEEL || msg == WM_KEYDOWN) {
    // The top line after the list has moved is where the reader is.
    const LRESULT result = ::DefSubclassProc(hwnd, msg, wParam, lParam);
    self->scrolled();
    return result;
  }
  return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

void LineListAccess::scrolled() {
  const int top = accessibleFocus();
  if (top == topBefore_) return;
  topBefore_ = top;
  if (top > 0 && ::GetFocus() == list_) win::announce(list_, EVENT_OBJECT_FOCUS, top);
}

std::vector<int> LineListAccess::accessibleChildren(int node) {
  std::vector<int> items;
  if (node != 0 || !count_) return items;
  const int n = count_();
  for (int i = 0; i < n; ++i) items.push_back(i + 1);
  return items;
}

win::AccessibleFacts LineListAccess::accessibleFacts(int node) {
  win::AccessibleFacts facts;
  if (node == 0) {
    facts.name = name_;
    facts.role = win::AccRole::List;
    facts.state = win::AccState::Focusable | win::AccState::ReadOnly;
    ::GetWindowRect(list_, &facts.screen);
    return facts;
  }
  if (!count_ || node > count_()) return facts;
  const Line line = lineAt_(node - 1);
  facts.name = line.text;
  facts.description = line.description;
  facts.role = win::AccRole::ListItem;
  facts.state = win::AccState::ReadOnly | win::AccState::Focusable;
  RECT item{};
  RECT shown{};
  ::GetClientRect(list_, &shown);
  if (::SendMessageW(list_, LB_GETITEMRECT, static_cast<WPARAM>(node - 1), reinterpret_cast<LPARAM>(&item)) !=
      LB_ERR) {
    RECT visible{};
    if (::IntersectRect(&visible, &item, &shown) == 0) facts.state |= win::AccState::Offscreen;
    ::MapWindowPoints(list_, nullptr, reinterpret_cast<POINT*>(&item), 2);
    facts.screen = item;
  }
  return facts;
}

int LineListAccess::accessibleFocus() {
  const auto top = ::SendMessageW(list_, LB_GETTOPINDEX, 0, 0);
  return top < 0 || !count_ || count_() == 0 ? 0 : static_cast<int>(top) + 1;
}

}  // namespace kv
