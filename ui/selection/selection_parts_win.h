// Small helpers the selection dialog's source files share.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win/strings.h"
#include "ui/selection/selection_dialog_win.h"

namespace kv::selection {

inline int spinOf(int field) {
  switch (field) {
    case SelectionDialog::kPaceField: return SelectionDialog::kPaceSpin;
    case SelectionDialog::kFirstLine: return SelectionDialog::kFirstSpin;
    case SelectionDialog::kLastLine: return SelectionDialog::kLastSpin;
    case SelectionDialog::kRepetitions: return SelectionDialog::kRepetitionsSpin;
    default: return 0;
  }
}

// The busy cursor for the length of a load.
class BusyCursor {
 public:
  explicit BusyCursor(bool show)
      : old_(show ? ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT)) : nullptr), shown_(show) {}
  ~BusyCursor() {
    if (shown_) ::SetCursor(old_ != nullptr ? old_ : ::LoadCursorW(nullptr, IDC_ARROW));
  }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  HCURSOR old_;
  bool shown_;
};

inline std::wstring fieldText(HWND field) { return win::windowText(field); }

}  // namespace kv::selection
