// Small helpers the teachers' window's source files share.
#pragma once

#include <windows.h>

#include <string>

#include "ui/teachers/class_window_win.h"

namespace kv::teachers {

// The hand-in folder is looked at this often while a test runs, and an
// unreachable folder tried again: a new hand-in shows within 5 seconds.
inline constexpr UINT_PTR kWatchTimer = 1;
inline constexpr UINT kWatchEveryMs = 2000;
// Posted by the reading in the background when it is done.
inline constexpr UINT kReadingDone = WM_APP + 41;

// A result opened from the list goes back to the list, not to the selection,
// when it is closed: the list as it was (read, sorted, the row chosen) waits
// here meanwhile.
struct WaitingList {
  bool waiting = false;
  ClassListState state;
  std::wstring selected;
};

inline WaitingList& waitingList() {
  static WaitingList list;
  return list;
}

}  // namespace kv::teachers
