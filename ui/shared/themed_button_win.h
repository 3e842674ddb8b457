// The face of an owner-drawn push button: the visual theme's when themes are
// active, the classic raised or pushed frame otherwise. The program's picture
// buttons (colour chooser, preview switch) draw their picture over it.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "platform/win/accessible.h"

namespace kv {

// Draws the face for the item's state; `latched` shows a toggle button that
// is switched on as pressed. Returns the area left for the content.
RECT drawButtonFace(const DRAWITEMSTRUCT& item, bool latched);

// Draws `bitmap` centred in `area`, greyed when `disabled`.
void drawCentredBitmap(HDC dc, HBITMAP bitmap, const RECT& area, bool disabled);

// A painted toggle button as screen readers meet it: its caption as name, a
// push button that is "pressed" while switched on. The button's own window
// procedure knows nothing of the latch, so this answers for it.
class ToggleButtonAccess final : private win::AccessibleSource {
 public:
  ToggleButtonAccess() = default;
  ~ToggleButtonAccess() override;
  ToggleButtonAccess(const ToggleButtonAccess&) = delete;
  ToggleButtonAccess& operator=(const ToggleButtonAccess&) = delete;

  void attach(HWND button, std::function<bool()> switchedOn);
  // The latch changed: clients are told.
  void changed();

 private:
  static LRESULT CALLBACK buttonProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  std::vector<int> accessibleChildren(int) override { return {}; }
  win::AccessibleFacts accessibleFacts(int node) override;
  int accessibleFocus() override { return 0; }
  bool accessibleDefaultAction(int node) override;
  bool accessibleListsChildWindows() override { return false; }

  HWND button_ = nullptr;
  std::function<bool()> on_;
  win::AccessibleAnswer answer_;
};

}  // namespace kv
