// Both ways of watching the clipboard, against the real clipboard: a change
// made by another thread (as another program would) reaches the watcher, the
// watcher empties the clipboard, and emptying does not set off a storm of
// further notifications.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "platform/win/clipboard.h"
#include "platform/win/window.h"
#include "tests/win/program_driver.h"

namespace kv::win {
namespace {

class GuardWindow final : public BaseWindow<GuardWindow> {
 public:
  bool create(ClipboardWatcher::Mechanism mechanism) {
    if (!registerClass(L"KlaventoClipboardTest")) return false;
    mechanism_ = mechanism;
    return ::CreateWindowExW(0, L"KlaventoClipboardTest", L"", WS_OVERLAPPED, 0, 0, 10, 10,
                             nullptr, nullptr, ::GetModuleHandleW(nullptr), this) != nullptr;
  }
  LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CREATE) {
      started = watcher.start(hwnd_, mechanism_);
      return 0;
    }
    bool changed = false;
    LRESULT result = 0;
    if (watcher.handle(msg, wParam, lParam, changed, result)) {
      ++notifications;
      // As the main window does: empty, or let the next viewer know.
      if (changed && guarding) {
        watcher.empty();
      } else if (changed) {
        watcher.passOn(wParam, lParam);
      }
      return result;
    }
    if (msg == WM_DESTROY) watcher.stop();
    return defaultHandling(msg, wParam, lParam);
  }

  ClipboardWatcher watcher;
  bool started = false;
  bool guarding = true;
  int notifications = 0;

 private:
  ClipboardWatcher::Mechanism mechanism_ = ClipboardWatcher::Mechanism::ViewerChain;
};

// Puts text on the clipboard from a thread of its own, like another program.
void copyFromAnotherThread(const wchar_t* text) {
  struct Job {
    const wchar_t* text;
  } job{text};
  const HANDLE thread = ::CreateThread(
      nullptr, 0,
      [](void* p) WINAPI -> DWORD {
        const wchar_t* t = static_cast<Job*>(p)->text;
        for (int attempt = 0; attempt < 50 && !::OpenClipboard(nullptr); ++attempt) ::Sleep(20);
        ::EmptyClipboard();
        const SIZE_T bytes = (std::wcslen(t) + 1) * sizeof(wchar_t);
        const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
        std::memcpy(::GlobalLock(memory), t, bytes);
        ::GlobalUnlock(memory);
        ::SetClipboardData(CF_UNICODETEXT, memory);
        ::CloseClipboard();
        return 0;
      },
      &job, 0, nullptr);
  // The watcher's window lives on this thread: keep its messages flowing.
  while (::MsgWaitForMultipleObjects(1, &thread, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  }
  ::CloseHandle(thread);
}

class Clipboard : public testing::TestWithParam<ClipboardWatcher::Mechanism> {};

TEST_P(Clipboard, ACopyIsEmptiedWithoutANotificationStorm) {
  GuardWindow window;
  ASSERT_TRUE(window.create(GetParam()));
  ASSERT_TRUE(window.started);
  window.notifications = 0;
  copyFromAnotherThread(L"abgeschrieben");
  EXPECT_TRUE(test::waitUntil([] { return ::CountClipboardFormats() == 0; }, 3000))
      << "the clipboard still holds the copied text";
  const int afterEmptying = window.notifications;
  EXPECT_GE(afterEmptying, 1);
  test::waitUntil([] { return false; }, 500);
  EXPECT_LE(window.notifications, afterEmptying + 2) << "emptying keeps notifying itself";
}

TEST_P(Clipboard, WithoutTheGuardACopyStays) {
  GuardWindow window;
  ASSERT_TRUE(window.create(GetParam()));
  window.guarding = false;
  copyFromAnotherThread(L"darf bleiben");
  test::waitUntil([] { return false; }, 300);
  EXPECT_TRUE(::IsClipboardFormatAvailable(CF_UNICODETEXT));
  emptyClipboard(nullptr);
}

TEST(ClipboardChain, ViewersAfterTheProgramStillHearOfChanges) {
  GuardWindow first;
  ASSERT_TRUE(first.create(ClipboardWatcher::Mechanism::ViewerChain));
  first.guarding = false;
  GuardWindow second;  // joins later, so it is told first and passes on
  ASSERT_TRUE(second.create(ClipboardWatcher::Mechanism::ViewerChain));
  second.guarding = false;
  first.notifications = second.notifications = 0;
  copyFromAnotherThread(L"Kette");
  EXPECT_TRUE(test::waitUntil([&] { return first.notifications > 0; }, 2000))
      << "the change was not passed along the chain";
  EXPECT_GE(second.notifications, 1);

  second.watcher.stop();
  first.notifications = 0;
  copyFromAnotherThread(L"Kette 2");
  EXPECT_TRUE(test::waitUntil([&] { return first.notifications > 0; }, 2000))
      << "leaving the chain must hand its place to the successor";
  emptyClipboard(nullptr);
}

INSTANTIATE_TEST_SUITE_P(BothMechanisms, Clipboard,
                         testing::Values(ClipboardWatcher::Mechanism::ViewerChain,
                                         ClipboardWatcher::Mechanism::FormatListener),
                         [](const testing::TestParamInfo<ClipboardWatcher::Mechanism>& param) {
                           return param.param == ClipboardWatcher::Mechanism::ViewerChain
                                      ? std::string("ViewerChain")
                                      : std::string("FormatListener");
                         });

}  // namespace
}  // namespace kv::win
