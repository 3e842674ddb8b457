// What screen readers and magnifiers learn of the parts a window paints
// itself. A window that paints lists its parts as numbered nodes (0 is the
// window's client area) and answers WM_GETOBJECT through answerAccessible();
// the objects handed out ask the window again on every request, so they are
// never stale, and fall silent once the window is gone.
//
// oleacc and oleaut32 are loaded only when a client first asks: most PCs run
// no screen reader, and the program also starts where they are missing.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace kv::win {

// The MSAA roles and states the program uses (the values of oleacc.h, which
// only the implementation includes).
namespace AccRole {
inline constexpr long Client = 0x0A;
inline constexpr long Graphic = 0x28;
inline constexpr long Grouping = 0x14;
inline constexpr long List = 0x21;
inline constexpr long ListItem = 0x22;
inline constexpr long PushButton = 0x2B;
inline constexpr long RadioButton = 0x2D;
inline constexpr long StaticText = 0x29;
inline constexpr long Text = 0x2A;  // editable text; read-only by state
inline constexpr long Chart = 0x11;
inline constexpr long Character = 0x20;
}  // namespace AccRole

namespace AccState {
inline constexpr long Unavailable = 0x1;
inline constexpr long Selected = 0x2;
inline constexpr long Focused = 0x4;
inline constexpr long Pressed = 0x8;
inline constexpr long Checked = 0x10;
inline constexpr long ReadOnly = 0x40;
inline constexpr long HotTracked = 0x80;
inline constexpr long Invisible = 0x8000;
inline constexpr long Offscreen = 0x10000;
inline constexpr long Focusable = 0x100000;
inline constexpr long Selectable = 0x200000;
}  // namespace AccState

// One node as it is now. Texts are UTF-16, as the clients read them.
struct AccessibleFacts {
  std::wstring name;
  std::wstring value;
  std::wstring description;
  std::wstring defaultAction;
  long role = AccRole::Client;
  long state = 0;
  RECT screen{};  // where it is on the screen; empty when it is not shown
};

class AccessibleSource {
 public:
  virtual ~AccessibleSource() = default;
  // The node's children in reading order, as node numbers (positive).
  virtual std::vector<int> accessibleChildren(int node) = 0;
  virtual AccessibleFacts accessibleFacts(int node) = 0;
  // The node that has the keyboard focus while the window has it; -1 none.
  virtual int accessibleFocus() { return -1; }
  // What the default action does (a click on a radio button); false when
  // the node has none.
  virtual bool accessibleDefaultAction(int /*node*/) { return false; }
  // Whether the window's child windows follow the client area's own nodes
  // among its children, as they do in most windows.
  virtual bool accessibleListsChildWindows() { return true; }
};

// Owned by the window: the link the handed-out objects ask through. Reset
// (or destroyed) when the window goes, so clients holding an object get
// "disconnected" instead of reaching a window that is gone.
class AccessibleAnswer {
 public:
  AccessibleAnswer();
  ~AccessibleAnswer();
  AccessibleAnswer(const AccessibleAnswer&) = delete;
  AccessibleAnswer& operator=(const AccessibleAnswer&) = delete;

  // WM_GETOBJECT: for OBJID_CLIENT the window's own object; `handled` is false
  // for every other request, which goes to DefWindowProc.
  LRESULT answer(HWND hwnd, AccessibleSource& source, WPARAM wParam, LPARAM lParam, bool& handled);
  void disconnect();
  // For a control subclassed only to answer for it: WM_GETOBJECT answered,
  // and at WM_NCDESTROY the link cut. True when `result` is the answer.
  bool handleControlMessage(HWND hwnd, AccessibleSource& source, UINT msg, WPARAM wParam, LPARAM lParam,
                            LRESULT& result);

  struct Link;

 private:
  std::shared_ptr<Link> link_;
};

// Tells clients of a change of node `node` of the window's client area
// (EVENT_OBJECT_FOCUS, _NAMECHANGE, _VALUECHANGE, _STATECHANGE,
// _LOCATIONCHANGE, ...). Cheap when no client listens.
void announce(HWND hwnd, DWORD event, int node);

}  // namespace kv::win
