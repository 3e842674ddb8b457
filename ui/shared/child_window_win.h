// What the main window and its child windows know of each other. A child is
// created for one request and destroyed when the next one comes; it talks to
// the main window only through ChildHost.
#pragma once

#include <windows.h>

#include <memory>
#include <string_view>

#include "ui/shared/requests.h"

namespace kv {

class ChildWindow;

class ChildHost {
 public:
  virtual ~ChildHost() = default;
  // Posts request n (see Request); the switch happens after the caller returns.
  virtual void request(int n) = 0;
  // True while the main window replaces its child: the child closes quietly.
  virtual bool switching() const = 0;
  // The closing question; true when the user wants to end the program.
  virtual bool confirmClose() = 0;
  // Called from the child's WM_DESTROY. Outside a switch the program ends.
  virtual void childClosed(ChildWindow& child) = 0;
  // Called when the child's size or place changed.
  virtual void childMoved() = 0;
  // Status line: panel 0-4, Windows-1252 text with optional alignment tabs.
  virtual void setStatusText(int panel, std::string_view text) = 0;
  virtual void setStatusFivePanels(bool fivePanels) = 0;
  virtual HWND mdiClient() const = 0;
  virtual HWND frame() const = 0;
  // A class-test result now waits on this PC: it is tried again while the
  // program runs, not only at the next start.
  virtual void keepTryingHandIns() {}
};

class ChildWindow {
 public:
  virtual ~ChildWindow() = default;
  virtual HWND hwnd() const = 0;
  virtual ChildKind kind() const = 0;
  virtual void destroy() = 0;
  // System colours or settings changed: fonts and colours again.
  virtual void refreshFontsAndColours() {}
  // The application gained (true) or lost the activation.
  virtual void applicationActivated(bool /*active*/) {}
  // The exercise window's typing field has the keyboard focus.
  virtual bool typingFieldHasFocus() const { return false; }
  // A result window that shows a saved file rather than a fresh evaluation.
  virtual bool showsFile() const { return false; }
  // Enables or disables the child's own buttons (during an open).
  virtual void enableCommands(bool /*enabled*/) {}
  // The selection dialog keeps its choices before it is closed for an open.
  virtual void storeParameters() {}
  // Smallest size the child accepts; 0 where it has none.
  virtual SIZE minimumSize() const { return SIZE{0, 0}; }
  // What became of the running class test's hand-in changed (a waiting
  // result went in): the child shows the class test's notice anew.
  virtual void handInChanged() {}
};

// The end of every child's message switch: a close is asked about (quietly
// during a switch), and changed system colours or settings bring fonts and
// colours anew. True when the message is answered with 0, a close the user
// refused; otherwise the child's default handling follows.
inline bool closeRefusedOrRefreshed(ChildHost& host, ChildWindow& child, UINT msg) {
  switch (msg) {
    case WM_CLOSE:
      return !host.switching() && !host.confirmClose();
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      child.refreshFontsAndColours();
      return false;
    default:
      return false;
  }
}

// The system menu of a child that stands in for the selection (Lernverlauf,
// the teachers' window): no switching to another child, and closing leads
// back to the selection. True when the command was taken.
inline bool systemCommandLeadsToSelection(ChildHost& host, WPARAM command) {
  switch (command & 0xFFF0) {
    case SC_NEXTWINDOW:
    case SC_PREVWINDOW:
      return true;
    case SC_CLOSE:
      host.request(static_cast<int>(Request::Selection));
      return true;
    default:
      return false;
  }
}

// Creates a child of this class; nothing when its window could not be made.
template <class Window>
std::unique_ptr<ChildWindow> createChildWindow(ChildHost& host) {
  auto window = std::make_unique<Window>(host);
  if (!window->create()) return nullptr;
  return window;
}

}  // namespace kv
