// What a screen reader asks of the program, from this other process: the
// objects oleacc hands out, with their names, values and places. Shared by
// the tests that read what the program shows as a client would.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>
#include <vector>

namespace kv::test {

// One object and the child it names (CHILDID_SELF for the object itself).
struct Acc {
  IAccessible* object = nullptr;
  long child = CHILDID_SELF;

  VARIANT self() const {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = child;
    return v;
  }
  std::wstring text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) const {
    BSTR b = nullptr;
    std::wstring out;
    if (object != nullptr && SUCCEEDED((object->*get)(self(), &b)) && b != nullptr) out = b;
    if (b != nullptr) ::SysFreeString(b);
    return out;
  }
  std::wstring name() const { return text(&IAccessible::get_accName); }
  std::wstring value() const { return text(&IAccessible::get_accValue); }
  std::wstring description() const { return text(&IAccessible::get_accDescription); }
  long role() const {
    VARIANT v;
    ::VariantInit(&v);
    if (object == nullptr || FAILED(object->get_accRole(self(), &v)) || v.vt != VT_I4) return 0;
    return v.lVal;
  }
  long state() const {
    VARIANT v;
    ::VariantInit(&v);
    if (object == nullptr || FAILED(object->get_accState(self(), &v)) || v.vt != VT_I4) return 0;
    return v.lVal;
  }
  RECT location() const {
    long x = 0, y = 0, w = 0, h = 0;
    if (object == nullptr || FAILED(object->accLocation(&x, &y, &w, &h, self()))) return RECT{};
    return RECT{x, y, x + w, y + h};
  }
};

// Holds the objects a walk hands out.
class Objects {
 public:
  Objects() = default;
  Objects(const Objects&) = delete;
  Objects& operator=(const Objects&) = delete;
  ~Objects() {
    for (IAccessible* a : held_) a->Release();
  }

  Acc ofWindow(HWND hwnd, LONG id = OBJID_CLIENT) {
    IAccessible* a = nullptr;
    lastError = ::AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(id), __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&a));
    if (FAILED(lastError) || a == nullptr) return {};
    held_.push_back(a);
    return {a, CHILDID_SELF};
  }

  std::vector<Acc> children(const Acc& parent) {
    std::vector<Acc> out;
    if (parent.object == nullptr || parent.child != CHILDID_SELF) return out;
    long count = 0;
    if (FAILED(parent.object->get_accChildCount(&count)) || count <= 0) return out;
    std::vector<VARIANT> got(static_cast<std::size_t>(count));
    long obtained = 0;
    if (FAILED(::AccessibleChildren(parent.object, 0, count, got.data(), &obtained))) return out;
    for (long i = 0; i < obtained; ++i) {
      VARIANT& v = got[static_cast<std::size_t>(i)];
      if (v.vt == VT_DISPATCH && v.pdispVal != nullptr) {
        IAccessible* a = nullptr;
        if (SUCCEEDED(v.pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&a)))) {
          held_.push_back(a);
          out.push_back({a, CHILDID_SELF});
        }
        v.pdispVal->Release();
      } else if (v.vt == VT_I4) {
        parent.object->AddRef();
        held_.push_back(parent.object);
        out.push_back({parent.object, v.lVal});
      }
    }
    return out;
  }

  // The first object below `root` (depth first) with this name.
  Acc find(const Acc& root, const std::wstring& name, int depth = 4) {
    for (const Acc& c : children(root)) {
      if (c.name() == name) return c;
      if (depth > 0) {
        const Acc below = find(c, name, depth - 1);
        if (below.object != nullptr) return below;
      }
    }
    return {};
  }

  HRESULT lastError = S_OK;

 private:
  std::vector<IAccessible*> held_;
};

}  // namespace kv::test
