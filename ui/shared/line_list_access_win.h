// A list box whose lines the program paints itself (owner-drawn, without
// strings of its own) as screen readers meet it: a list of items, each with
// its line's text and, where one is given, a description. The top line is
// where the reader is: scrolling tells clients so.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/win/accessible.h"

namespace kv {

class LineListAccess final : private win::AccessibleSource {
 public:
  struct Line {
    std::wstring text;
    std::wstring description;
  };
  LineListAccess() = default;
  ~LineListAccess() override;
  LineListAccess(const LineListAccess&) = delete;
  LineListAccess& operator=(const LineListAccess&) = delete;

  // `lineAt` is asked for lines 0 .. count - 1.
  void attach(HWND list, std::wstring name, std::function<int()> count, std::function<Line(int)> lineAt);
  // The list was scrolled by the program: the new top line is announced.
  void scrolled();

 private:
  static LRESULT CALLBACK listProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  std::vector<int> accessibleChildren(int node) override;
  win::AccessibleFacts accessibleFacts(int node) override;
  int accessibleFocus() override;
  bool accessibleListsChildWindows() override { return false; }

  HWND list_ = nullptr;
  std::wstring name_;
  std::function<int()> count_;
  std::function<Line(int)> lineAt_;
  int topBefore_ = -1;
  win::AccessibleAnswer answer_;
};

}  // namespace kv
