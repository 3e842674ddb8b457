#include "keyboard/layout_check_win.h"
#include "platform/win/keyboard_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "keyboard/key_table.h"
#include "platform/win/handles.h"
#include "platform/win/strings.h"

namespace kv::win {
namespace {

// What the test saw of the warning box once it was shown, before it answered.
struct SeenBox {
  int boxes = 0;
  std::wstring title;
  std::wstring text;
  std::vector<int> buttons;  // ids of the visible buttons, left to right
  bool allEnabled = true;
  RECT abort{}, retry{}, ignore{};
  LONG clientWidth = 0;
  bool rescued = false;  // the box had to be closed without the answer wanted
};

SeenBox gSeen;
int gAnswer = IDABORT;
HWND gBox = nullptr;

std::wstring textOf(HWND window) {
  wchar_t buffer[1024] = {};
  ::GetWindowTextW(window, buffer, 1024);
  return buffer;
}

bool isDialog(HWND window) {
  wchar_t className[16] = {};
  ::GetClassNameW(window, className, 16);
  return std::wcscmp(className, L"#32770") == 0;
}

RECT rectIn(HWND box, int id) {
  RECT r{};
  ::GetWindowRect(::GetDlgItem(box, id), &r);
  ::MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void inspectAndAnswer(HWND box) {
  gSeen.title = textOf(box);
  gSeen.text = textOf(::GetDlgItem(box, 0xFFFF));
  gSeen.abort = rectIn(box, IDABORT);
  gSeen.retry = rectIn(box, IDRETRY);
  gSeen.ignore = rectIn(box, IDIGNORE);
  RECT client{};
  ::GetClientRect(box, &client);
  gSeen.clientWidth = client.right;

  std::vector<std::pair<LONG, int>> buttons;
  for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t className[16] = {};
    ::GetClassNameW(child, className, 16);
    if (_wcsicmp(className, L"Button") != 0) continue;
    if (!::IsWindowVisible(child)) continue;
    gSeen.allEnabled = gSeen.allEnabled && ::IsWindowEnabled(child);
    RECT r{};
    ::GetWindowRect(child, &r);
    buttons.emplace_back(r.left, ::GetDlgCtrlID(child));
  }
  std::sort(buttons.begin(), buttons.end());
  for (const auto& [left, id] : buttons) gSeen.buttons.push_back(id);

  // Answered as a click would, and only through a button the user can see.
  int id = gAnswer;
  if (std::find(gSeen.buttons.begin(), gSeen.buttons.end(), id) == gSeen.buttons.end()) {
    gSeen.rescued = true;
    id = IDABORT;
  }
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(box, id)));
}

// The box is looked at once its modal loop runs: by then it is laid out and
// shown as the user sees it.
void CALLBACK inspectTimer(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  if (gBox != nullptr && ::IsWindow(gBox)) inspectAndAnswer(gBox);
  gBox = nullptr;
}

LRESULT CALLBACK watchingHook(int code, WPARAM wParam, LPARAM lParam) {
  HWND window = reinterpret_cast<HWND>(wParam);
  if (code == HCBT_ACTIVATE && isDialog(window) && gBox != window) {
    ++gSeen.boxes;
    gBox = window;
    ::SetTimer(nullptr, 0, 1, inspectTimer);
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// A safety net, not a measurement: should the box never be activated, the
// test is not left waiting for a click that does not come.
void CALLBACK rescueTimer(HWND, UINT, UINT_PTR, DWORD) {
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND window, LPARAM) CALLBACK -> BOOL {
        if (isDialog(window)) {
          gSeen.rescued = true;
          ::EndDialog(window, IDABORT);
        }
        return TRUE;
      },
      0);
}

class LayoutCheck : public testing::Test {
 protected:
  void SetUp() override {
    gSeen = SeenBox{};
    hook_.reset(::SetWindowsHookExW(WH_CBT, watchingHook, nullptr, ::GetCurrentThreadId()));
    ASSERT_TRUE(hook_);
    timer_ = ::SetTimer(nullptr, 0, 15000, rescueTimer);
    ASSERT_NE(timer_, 0u);
  }
  void TearDown() override {
    ::KillTimer(nullptr, timer_);
    hook_.reset();
  }

 private:
  Hook hook_;
  UINT_PTR timer_ = 0;
};

TEST_F(LayoutCheck, TheTestSystemHasTheGermanLayoutAndPassesSilently) {
  EXPECT_EQ(activeKeyboardLayoutId(), "00000407");
  EXPECT_TRUE(CheckKeyboardLayout(nullptr));
  EXPECT_EQ(gSeen.boxes, 0);
}

TEST_F(LayoutCheck, OtherLayoutsAskAndTheAnswerDecides) {
  const struct {
    const char* id;
    int answer;
    bool passes;
    int boxes;
  } rows[] = {
      {"00000407", IDABORT, true, 0},
      {"00010407", IDABORT, true, 0},
      {"00000807", IDIGNORE, true, 1},
      {"00000807", IDABORT, false, 1},
      {"", IDABORT, false, 1},  // the system could not name its layout
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "\"" << row.id << "\" answered "
                                    << (row.answer == IDIGNORE ? "Ignore" : "Abort"));
    gSeen = SeenBox{};
    gAnswer = row.answer;
    EXPECT_EQ(CheckKeyboardLayout(nullptr, row.id), row.passes);
    EXPECT_EQ(gSeen.boxes, row.boxes);
    EXPECT_FALSE(gSeen.rescued);
  }
}

TEST_F(LayoutCheck, WarningOffersExactlyAbortAndIgnore) {
  gAnswer = IDIGNORE;
  ASSERT_TRUE(warnUnsupportedLayout(nullptr));
  ASSERT_EQ(gSeen.boxes, 1);
  EXPECT_FALSE(gSeen.rescued);
  EXPECT_EQ(gSeen.title, L"Klavento 7");
  EXPECT_EQ(gSeen.text, widen(kLayoutWarning));
  EXPECT_NE(gSeen.text.find(L"Tastaturlayouts : Deutsch (Deutschland), Deutsch (Österreich)"),
            std::wstring::npos);
  EXPECT_EQ(gSeen.buttons, (std::vector<int>{IDABORT, IDIGNORE}));
  EXPECT_TRUE(gSeen.allEnabled);
}

// Retry stays where the system put it (hidden), so it tells how the row of
// three was aligned; the pair must keep that alignment without a hole.
TEST_F(LayoutCheck, AbortAndIgnoreCloseUpWhereTheRowWas) {
  gAnswer = IDABORT;
  ASSERT_FALSE(warnUnsupportedLayout(nullptr));
  ASSERT_EQ(gSeen.boxes, 1);
  const RECT& a = gSeen.abort;
  const RECT& r = gSeen.retry;
  const RECT& i = gSeen.ignore;
  const LONG width = a.right - a.left;
  EXPECT_EQ(a.top, i.top);
  EXPECT_GT(i.left, a.right);
  EXPECT_LT(i.left - a.right, width) << "a gap where Retry was";

  const LONG retryCentre = (r.left + r.right) / 2;
  const bool rowWasCentred = std::abs(2 * retryCentre - gSeen.clientWidth) < width;
  if (rowWasCentred) {
    EXPECT_LE(std::abs(a.left + i.right - 2 * retryCentre), 2);
  } else {
    EXPECT_EQ(a.left, r.left);
  }
}

}  // namespace
}  // namespace kv::win
