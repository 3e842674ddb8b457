// A fault in a message handler reaches the user as one German message and
// leaves the program running; it never ends the process.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/win/window.h"
#include "tests/win/program_driver.h"

namespace kv {
namespace {

constexpr UINT kThrow = WM_APP + 1;
constexpr UINT kAnswer = WM_APP + 2;

class FaultyWindow final : public win::BaseWindow<FaultyWindow> {
 public:
  explicit FaultyWindow(bool failCreate = false) : failCreate_(failCreate) {}
  bool create() {
    if (!registerClass(L"KlaventoFaultyTestWindow")) return false;
    return ::CreateWindowExW(0, L"KlaventoFaultyTestWindow", L"Test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                             nullptr, nullptr, ::GetModuleHandleW(nullptr), this) != nullptr;
  }
  LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CREATE && failCreate_) throw std::runtime_error("kaputt beim Anlegen");
    if (msg == kThrow) {
      const std::string empty;
      return empty.at(3);  // the kind of slip a handler can make
    }
    if (msg == kAnswer) return 42;
    return defaultHandling(msg, wParam, lParam);
  }

 private:
  bool failCreate_;
};

TEST(WindowGuard, AFaultInAHandlerIsReportedAndTheWindowGoesOn) {
  FaultyWindow window;
  ASSERT_TRUE(window.create());
  std::wstring told;
  {
    test::MessageBoxAnswerer answer(IDOK);
    ::SendMessageW(window.hwnd(), kThrow, 0, 0);
    told = answer.text();
  }
  EXPECT_NE(told.find(L"unerwarteten Fehler"), std::wstring::npos) << "the user was not told";
  ASSERT_NE(window.hwnd(), nullptr);
  EXPECT_TRUE(::IsWindow(window.hwnd()));
  EXPECT_EQ(::SendMessageW(window.hwnd(), kAnswer, 0, 0), 42) << "the window no longer answers";
}

TEST(WindowGuard, AWindowThatFailsWhileCreatedIsNotCreated) {
  FaultyWindow window(/*failCreate=*/true);
  test::MessageBoxAnswerer answer(IDOK);
  EXPECT_FALSE(window.create());
  EXPECT_EQ(window.hwnd(), nullptr);
  EXPECT_NE(answer.text().find(L"kaputt beim Anlegen"), std::wstring::npos);
}

}  // namespace
}  // namespace kv
