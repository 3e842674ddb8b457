#include "platform/win/accessible.h"

#include <ole2.h>
#include <oleacc.h>

#include <algorithm>
#include <atomic>

#include "platform/win/later_library.h"

// COM objects are destroyed by Release(), never through a base pointer.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

namespace kv::win {

struct AccessibleAnswer::Link {
  HWND hwnd = nullptr;
  AccessibleSource* source = nullptr;
};

namespace {

// The two system libraries, looked up on the first request: importing them
// would load the accessibility stack into every start of the program.
struct AccessibilityApi {
  using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
  using ObjectFromWindowFn = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
  using SysAllocStringFn = BSTR(WINAPI*)(const OLECHAR*);

  AccessibilityApi() {
    oleacc = ::LoadLibraryW(L"oleacc.dll");
    oleaut = ::LoadLibraryW(L"oleaut32.dll");
    if (oleacc != nullptr) {
      lresultFromObject = reinterpret_cast<LresultFromObjectFn>(
          reinterpret_cast<void*>(::GetProcAddress(oleacc, "LresultFromObject")));
      objectFromWindow = reinterpret_cast<ObjectFromWindowFn>(
          reinterpret_cast<void*>(::GetProcAddress(oleacc, "AccessibleObjectFromWindow")));
    }
    if (oleaut != nullptr) {
      sysAllocString = reinterpret_cast<SysAllocStringFn>(
          reinterpret_cast<void*>(::GetProcAddress(oleaut, "SysAllocString")));
    }
    // The objects are called from other processes through COM, which needs
    // an apartment on this (the window's) thread.
    comReady = laterLibraryLoaded(LaterLibrary::Com) && SUCCEEDED(::OleInitialize(nullptr));
  }
  bool usable() const { return lresultFromObject && objectFromWindow && sysAllocString && comReady; }

  HMODULE oleacc = nullptr;
  HMODULE oleaut = nullptr;
  LresultFromObjectFn lresultFromObject = nullptr;
  ObjectFromWindowFn objectFromWindow = nullptr;
  SysAllocStringFn sysAllocString = nullptr;
  bool comReady = false;
};

const AccessibilityApi& api() {
  static const AccessibilityApi instance;
  return instance;
}

HRESULT giveText(const std::wstring& text, BSTR* out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  if (text.empty()) return S_FALSE;
  *out = api().sysAllocString(text.c_str());
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

void clear(VARIANT* v) {
  ::ZeroMemory(v, sizeof *v);
  v->vt = VT_EMPTY;
}

// The standard object of a child window, as a screen reader gets it.
IDispatch* windowObject(HWND window) {
  IDispatch* object = nullptr;
  if (FAILED(api().objectFromWindow(window, static_cast<DWORD>(OBJID_WINDOW), __uuidof(IDispatch),
                                    reinterpret_cast<void**>(&object)))) {
    return nullptr;
  }
  return object;
}

// One node of a window's client area. Every node is an object of its own, so
// nodes may have children; the window's own object also answers for any of
// its nodes by number, which is how clients reach the node an event names.
class AccessibleNode final : public IAccessible, public IEnumVARIANT {
 public:
  AccessibleNode(std::shared_ptr<AccessibleAnswer::Link> link, int node) : link_(std::move(link)), node_(node) {}

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IAccessible)) {
      *out = static_cast<IAccessible*>(this);
    } else if (riid == __uuidof(IEnumVARIANT)) {
      *out = static_cast<IEnumVARIANT*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IDispatch: clients use the IAccessible methods directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (parent == nullptr) return E_POINTER;
    *parent = nullptr;
    if (!alive()) return CO_E_OBJNOTCONNECTED;
    const int above = parentOf(node_);
    if (above < 0) {
      IDispatch* object = nullptr;
      if (FAILED(api().objectFromWindow(link_->hwnd, static_cast<DWORD>(OBJID_WINDOW), __uuidof(IDispatch),
                                        reinterpret_cast<void**>(&object)))) {
        return S_FALSE;
      }
      *parent = object;
      return S_OK;
    }
    *parent = new AccessibleNode(link_, above);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    if (!alive()) return CO_E_OBJNOTCONNECTED;
    *count = static_cast<long>(children().size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!alive()) return CO_E_OBJNOTCONNECTED;
    const int node = nodeOf(child);
    if (node < 0) return E_INVALIDARG;
    if (node == node_) return E_INVALIDARG;
    *out = new AccessibleNode(link_, node);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
    return text(child, out, &AccessibleFacts::name);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
    return text(child, out, &AccessibleFacts::value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
    return text(child, out, &AccessibleFacts::description);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
    return text(child, out, &AccessibleFacts::defaultAction);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (role == nullptr) return E_POINTER;
    clear(role);
    if (!alive()) return CO_E_OBJNOTCONNECTED;
    const int node = nodeOf(child);
    if (node < 0) return E_INVALIDARG;
    role->vt = VT_I4;
    role->lVal = link_->source->accessibleFacts(node).role;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (state == nullptr) return E_POINTER;
    clear(state);
    if (!alive()) return CO_E_OBJNOTCONNECTED;
    const int node = nodeOf(child);
    if (node < 0) return E_INVALIDARG;
    long flags = link_->source->accessibleFacts(node).state;
    if (::GetFocus() == link_->hwnd && link_->source->accessibleFocus() == node) flags |= AccState::Focused;
    if (!::IsWindowVisible(link_->hwnd)) flags |= AccState::Invisible;
    state->vt = VT_I4;
    state->lVal = flags;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* out) override {
    if (out != nullptr) *out = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
    if (file != nullptr) *file = nullptr;
    if (topic != nullptr) *topic = 0;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* out) override {
    if (out != nullptr) *out = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (focus == nullptr) return E_POINTER;
    clear(focus);
    if (!alive()) return CO_E_OBJNOTCONNECTED;
    if (::GetFocus() != link_->hwnd) return S_FALSE;
    const int node = link_->source->accessibleFocus();
    if (node < 0) return S_FALSE;
    focus->vt = VT_I4;
    focus->lVal = node == node_ ? CHILDID_SELF : node;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (selection == nullptr) return E_POINTER;
    clear(selection);
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
    *left = *top = *width = *height = 0;
    if (!alive()) return CO_E_OBJNOTCONNECTED;
    const int node = nodeOf(child);
    if (node < 0) return E_INVALIDARG;
    const RECT r = link_->source->accessibleFacts(node).screen;
    *left = r.left;
    *top = r.top;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    if (end == nullptr) return E_POINTER;
    clear(end);
    if (!alive()) return CO_E_OBJNOTCONNECTED;
    const int from = nodeOf(start);
    if (from < 0) return E_INVALIDARG;
    int target = -1;
    if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
      const std::vector<int> below = link_->source->accessibleChildren(from);
      if (!below.empty()) target = direction == NAVDIR_FIRSTCHILD ? below.front() : below.back();
    } else if (direction == NAVDIR_NEXT || direction == NAVDIR_PREVIOUS || direction == NAVDIR_DOWN ||
               direction == NAVDIR_UP || direction == NAVDIR_RIGHT || direction == NAVDIR_LEFT) {
      const int above = parentOf(from);
      if (above < 0) return S_FALSE;  // the window's own frame knows its neighbours
      const std::vector<int> siblings = link_->source->accessibleChildren(above);
      const auto at = std::find(siblings.begin(), siblings.end(), from);
      if (at == siblings.end()) return S_FALSE;
      const bool forward = direction == NAVDIR_NEXT || direction == NAVDIR_DOWN || direction == NAVDIR_RIGHT;
      if (forward && at + 1 != siblings.end()) target = *(at + 1);
      if (!forward && at != siblings.begin()) target = *(at - 1);
    } else {
      return E_INVALIDARG;
    }
    if (target < 0) return S_FALSE;
    end->vt = VT_DISPATCH;
    end->pdispVal = new AccessibleNode(link_, target);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
    if (out == nullptr) return E_POINTER;
    clear(out);
    if (!alive()) return CO_E_OBJNOTCONNECTED;
    const POINT p{x, y};
    const RECT whole = link_->source->accessibleFacts(node_).screen;
    if (!::PtInRect(&whole, p)) return S_FALSE;
    if (node_ == 0) {
      // A child window on top of the painted parts gets the point first.
      POINT client = p;
      ::ScreenToClient(link_->hwnd, &client);
      const HWND hit = ::ChildWindowFromPointEx(link_->hwnd, client, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
      if (hit != nullptr && hit != link_->hwnd) {
        if (IDispatch* object = windowObject(hit)) {
          out->vt = VT_DISPATCH;
          out->pdispVal = object;
          return S_OK;
        }
      }
    }
    int found = node_;
    for (bool deeper = true; deeper;) {
      deeper = false;
      for (const int below : link_->source->accessibleChildren(found)) {
        const RECT area = link_->source->accessibleFacts(below).screen;
        if (::PtInRect(&area, p)) {
          found = below;
          deeper = true;
          break;
        }
      }
    }
    if (found == node_) {
      out->vt = VT_I4;
      out->lVal = CHILDID_SELF;
    } else {
      out->vt = VT_DISPATCH;
      out->pdispVal = new AccessibleNode(link_, found);
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (!alive()) return CO_E_OBJNOTCONNECTED;
    const int node = nodeOf(child);
    if (node < 0) return E_INVALIDARG;
    return link_->source->accessibleDefaultAction(node) ? S_OK : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  // IEnumVARIANT: the children as objects, the child windows with their
  // standard objects, which is how AccessibleChildren() walks a tree.
  HRESULT STDMETHODCALLTYPE Next(ULONG wanted, VARIANT* out, ULONG* fetched) override {
    if (out == nullptr) return E_POINTER;
    ULONG given = 0;
    if (alive()) {
      const std::vector<Child> all = children();
      while (given < wanted && cursor_ < all.size()) {
        const Child& c = all[cursor_++];
        VARIANT& v = out[given];
        clear(&v);
        IDispatch* object = c.window != nullptr ? windowObject(c.window) : new AccessibleNode(link_, c.node);
        if (object == nullptr) continue;
        v.vt = VT_DISPATCH;
        v.pdispVal = object;
        ++given;
      }
    }
    if (fetched != nullptr) *fetched = given;
    return given == wanted ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    cursor_ += count;
    return alive() && cursor_ <= children().size() ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    cursor_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
    if (out == nullptr) return E_POINTER;
    auto* copy = new AccessibleNode(link_, node_);
    copy->cursor_ = cursor_;
    *out = copy;
    return S_OK;
  }

 private:
  struct Child {
    int node = -1;
    HWND window = nullptr;
  };

  bool alive() const {
    return link_->source != nullptr && link_->hwnd != nullptr && ::IsWindow(link_->hwnd) && api().usable();
  }

  std::vector<Child> children() const {
    std::vector<Child> all;
    for (const int n : link_->source->accessibleChildren(node_)) all.push_back({n, nullptr});
    if (node_ == 0 && link_->source->accessibleListsChildWindows()) {
      for (HWND w = ::GetWindow(link_->hwnd, GW_CHILD); w != nullptr; w = ::GetWindow(w, GW_HWNDNEXT)) {
        all.push_back({-1, w});
      }
    }
    return all;
  }

  // The node a VARIANT names: CHILDID_SELF this one, a number any node of the
  // window (events name nodes by their number). -1 when there is none.
  int nodeOf(const VARIANT& child) const {
    if (child.vt != VT_I4) return -1;
    if (child.lVal == CHILDID_SELF) return node_;
    return child.lVal > 0 && parentOf(child.lVal) >= 0 ? static_cast<int>(child.lVal) : -1;
  }

  // The node above `node`: searched from the client area down; -1 for the
  // client area itself and for numbers that are no node.
  int parentOf(long node) const {
    if (node == 0) return -1;
    std::vector<int> open{0};
    for (std::size_t at = 0; at < open.size() && open.size() < 4096; ++at) {
      for (const int below : link_->source->accessibleChildren(open[at])) {
        if (below == node) return open[at];
        open.push_back(below);
      }
    }
    return -1;
  }

  HRESULT text(const VARIANT& child, BSTR* out, std::wstring AccessibleFacts::*field) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!alive()) return CO_E_OBJNOTCONNECTED;
    const int node = nodeOf(child);
    if (node < 0) return E_INVALIDARG;
    return giveText(link_->source->accessibleFacts(node).*field, out);
  }

  std::shared_ptr<AccessibleAnswer::Link> link_;
  int node_;
  std::atomic<ULONG> references_{1};
  std::size_t cursor_ = 0;
};

}  // namespace

AccessibleAnswer::AccessibleAnswer() : link_(std::make_shared<Link>()) {}

AccessibleAnswer::~AccessibleAnswer() { disconnect(); }

void AccessibleAnswer::disconnect() {
  link_->source = nullptr;
  link_->hwnd = nullptr;
}

LRESULT AccessibleAnswer::answer(HWND hwnd, AccessibleSource& source, WPARAM wParam, LPARAM lParam, bool& handled) {
  handled = false;
  if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT) || !api().usable()) return 0;
  link_->hwnd = hwnd;
  link_->source = &source;
  auto* object = new AccessibleNode(link_, 0);
  const LRESULT result = api().lresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(object));
  object->Release();  // the result holds its own reference
  handled = result > 0;
  return handled ? result : 0;
}

bool AccessibleAnswer::handleControlMessage(HWND hwnd, AccessibleSource& source, UINT msg, WPARAM wParam,
                                            LPARAM lParam, LRESULT& result) {
  if (msg == WM_NCDESTROY) disconnect();
  if (msg != WM_GETOBJECT) return false;
  bool handled = false;
  result = answer(hwnd, source, wParam, lParam, handled);
  return handled;
}

void announce(HWND hwnd, DWORD event, int node) {
  if (hwnd == nullptr) return;
  ::NotifyWinEvent(event, hwnd, OBJID_CLIENT, node == 0 ? CHILDID_SELF : node);
}

}  // namespace kv::win
