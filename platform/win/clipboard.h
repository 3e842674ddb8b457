// Watching the clipboard from a window and emptying it. Two mechanisms exist:
// the viewer chain (every Windows version) and the format listener (Vista
// and later). The program uses the chain, which XP has too; the listener is
// kept for comparison in the tests.
#pragma once

#include <windows.h>

namespace kv::win {

// Empties the clipboard when it holds anything; true when it is empty now.
bool emptyClipboard(HWND owner);

class ClipboardWatcher {
 public:
  enum class Mechanism { ViewerChain, FormatListener };

  ClipboardWatcher() = default;
  ClipboardWatcher(const ClipboardWatcher&) = delete;
  ClipboardWatcher& operator=(const ClipboardWatcher&) = delete;
  ~ClipboardWatcher() { stop(); }

  // False when the mechanism is not available on this system.
  bool start(HWND window, Mechanism mechanism = Mechanism::ViewerChain);
  void stop();

  // Feed every message of the watching window through here. Returns true when
  // the message was the watcher's; `changed` then says whether the clipboard's
  // contents changed (the caller decides whether to empty it).
  bool handle(UINT msg, WPARAM wParam, LPARAM lParam, bool& changed, LRESULT& result);

  // Passes a change notification on to the next viewer in the chain; the
  // caller does this when it leaves the clipboard alone.
  void passOn(WPARAM wParam, LPARAM lParam) const;

  // Empties the clipboard without reacting to the notification that causes.
  void empty();

 private:
  HWND window_ = nullptr;
  Mechanism mechanism_ = Mechanism::ViewerChain;
  HWND next_ = nullptr;
  bool started_ = false;
  bool emptying_ = false;
};

}  // namespace kv::win
