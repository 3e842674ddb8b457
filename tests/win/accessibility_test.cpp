// The program as a screen reader and a magnifier meet it: this test process
// is the other process, asking through oleacc as they do. The windows are
// opened with real keys; what is asked is only what clients can ask.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/win/learner_fixture.h"

namespace kv {
namespace {

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

bool inside(const RECT& inner, const RECT& outer) {
  return inner.right > inner.left && inner.bottom > inner.top && inner.left >= outer.left &&
         inner.top >= outer.top && inner.right <= outer.right && inner.bottom <= outer.bottom;
}

class Accessible : public LearnerKeys {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
    LearnerKeys::SetUp();
  }
  void TearDown() override {
    LearnerKeys::TearDown();
    ::OleUninitialize();
  }

  // The typing field's caret on the screen, as a magnifier reads it.
  RECT caret() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = ::GetWindowThreadProcessId(main, nullptr);
    if (!::GetGUIThreadInfo(thread, &info) || info.hwndCaret == nullptr) return RECT{};
    RECT r = info.rcCaret;
    ::MapWindowPoints(info.hwndCaret, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
};

TEST_F(Accessible, TheTemplateItsNextCharacterAndTheCaretFollowTheTyping) {
  ASSERT_NO_FATAL_FAILURE(openExercise(3));
  ASSERT_NO_FATAL_FAILURE(startTyping());
  Objects objects;
  const Acc window = objects.ofWindow(exercise);
  ASSERT_NE(window.object, nullptr) << "the exercise window answers no accessibility request: " << std::hex
                                    << objects.lastError;
  const Acc shown = objects.find(window, L"Vorlage");
  ASSERT_NE(shown.object, nullptr) << "no object named Vorlage";
  EXPECT_EQ(shown.role(), ROLE_SYSTEM_TEXT);
  EXPECT_NE(shown.state() & STATE_SYSTEM_READONLY, 0);
  EXPECT_EQ(shown.value().rfind(kLine1 + L"\r\n" + kLine2, 0), 0u) << win::narrowLossy(shown.value());
  EXPECT_EQ(shown.description(), L"Als Nächstes: f");
  const Acc next = objects.find(window, L"Nächstes Zeichen");
  ASSERT_NE(next.object, nullptr) << "no object for the next character";
  EXPECT_EQ(next.value(), L"f");
  RECT display = shown.location();
  const RECT first = next.location();
  EXPECT_TRUE(inside(first, display)) << first.left << "," << first.top << " not in the template";
  const RECT caretBefore = caret();
  ASSERT_GT(caretBefore.bottom, caretBefore.top) << "the typing field shows no caret";

  // "fded " typed: the next one is the second group's f, further right.
  ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool type --delay 120 'fded '"));
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(field) == L"fded "; }, 10000))
      << win::narrowLossy(test::controlText(field));
  EXPECT_TRUE(test::waitUntil([&] { return next.location().left > first.left; }, 5000));
  const RECT moved = next.location();
  EXPECT_EQ(moved.top, first.top);
  EXPECT_EQ(next.value(), L"f");
  EXPECT_GT(caret().left, caretBefore.left) << "the caret did not follow";
  // One character further the next is a "d".
  ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool type --delay 120 'f'"));
  EXPECT_TRUE(test::waitUntil([&] { return next.value() == L"d"; }, 5000)) << win::narrowLossy(next.value());
  EXPECT_EQ(shown.description(), L"Als Nächstes: d");

  // A line typed to its end asks for the line break.
  ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool type --delay 60 " +
                                 test::shellQuoted(std::wstring(kLine1).substr(6)),
                                 60000));
  EXPECT_TRUE(test::waitUntil([&] { return next.value() == L"Zeilenschaltung"; }, 10000))
      << win::narrowLossy(next.value());
  ASSERT_NO_FATAL_FAILURE(newLine());
  EXPECT_TRUE(test::waitUntil([&] { return next.value() == L"e"; }, 5000)) << win::narrowLossy(next.value());
  const RECT secondRow = next.location();
  EXPECT_GT(secondRow.top, first.top) << "the next character did not move to the second row";
  EXPECT_EQ(secondRow.left, first.left);
}

TEST_F(Accessible, TheOnScreenKeyboardHasItsKeysAndTheLitOneIsFound) {
  ASSERT_NO_FATAL_FAILURE(openExercise(2));
  ASSERT_NO_FATAL_FAILURE(startTyping());
  Objects objects;
  const Acc window = objects.ofWindow(exercise);
  ASSERT_NE(window.object, nullptr);
  const Acc keyboard = objects.find(window, L"Bildschirmtastatur");
  ASSERT_NE(keyboard.object, nullptr);
  EXPECT_EQ(keyboard.role(), ROLE_SYSTEM_GROUPING);
  std::set<std::wstring> names;
  Acc keyF;
  for (const Acc& k : objects.children(keyboard)) {
    names.insert(k.name());
    if (k.name() == L"Taste F") keyF = k;
  }
  for (const wchar_t* wanted : {L"Taste F", L"Taste J", L"Taste Ä", L"Leertaste", L"Umschalttaste links",
                                L"Eingabetaste", L"Alt Gr", L"Taste Komma"}) {
    EXPECT_TRUE(names.count(wanted)) << "no key " << win::narrowLossy(wanted);
  }
  ASSERT_NE(keyF.object, nullptr);
  EXPECT_EQ(keyF.role(), ROLE_SYSTEM_PUSHBUTTON);
  EXPECT_TRUE(inside(keyF.location(), keyboard.location()));
  // The first character is an f: its key is lit, and the lit key's object
  // lies on it.
  const Acc lit = objects.find(window, L"Leuchtende Taste");
  ASSERT_NE(lit.object, nullptr);
  EXPECT_TRUE(test::waitUntil([&] { return (keyF.state() & STATE_SYSTEM_PRESSED) != 0; }, 5000))
      << "Taste F is not lit";
  EXPECT_EQ(lit.value(), L"Taste F");
  const RECT onF = lit.location();
  const RECT keyFArea = keyF.location();
  EXPECT_TRUE(::EqualRect(&onF, &keyFArea) != 0);
  // Typed, the light moves to the d.
  ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool type --delay 120 'f'"));
  EXPECT_TRUE(test::waitUntil([&] { return lit.value() == L"Taste D"; }, 5000)) << win::narrowLossy(lit.value());
  EXPECT_EQ(keyF.state() & STATE_SYSTEM_PRESSED, 0) << "Taste F is still lit";
  EXPECT_LT(lit.location().left, onF.left) << "the lit key's object did not move to the left";
}

}  // namespace
}  // namespace kv
