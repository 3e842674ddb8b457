// The exercise window inside a frame of the test's own, driven through its
// typing field as the edit control's messages would reach it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "ui/shared/app_state.h"
#include "platform/win/handles.h"
#include "platform/win/strings.h"
#include "tests/win/program_driver.h"
#include "texts/builtin_texts.h"
#include "ui/exercise/exercise_window_win.h"
#include "ui/exercise/result_options_dialog_win.h"

namespace kv {
namespace {

void pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// A frame with a multiple-document client, standing in for the main window.
class TestFrame final : public ChildHost {
 public:
  TestFrame() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &TestFrame::proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KlaventoTestFrame";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    ::RegisterClassExW(&wc);
    frame_ = ::CreateWindowExW(0, L"KlaventoTestFrame", L"Testrahmen", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               0, 0, 1100, 800, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    CLIENTCREATESTRUCT ccs{};
    ccs.idFirstChild = 1000;
    client_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                0, 0, 1080, 740, frame_, nullptr, ::GetModuleHandleW(nullptr), &ccs);
  }
  ~TestFrame() override { ::DestroyWindow(frame_); }

  void request(int n) override { requests.push_back(n); }
  bool switching() const override { return switchingNow; }
  bool confirmClose() override { return true; }
  void childClosed(ChildWindow&) override { ++closed; }
  void childMoved() override {}
  void setStatusText(int panel, std::string_view text) override { status[panel] = std::string(text); }
  void setStatusFivePanels(bool five) override { fivePanels = five; }
  HWND mdiClient() const override { return client_; }
  HWND frame() const override { return frame_; }

  std::vector<int> requests;
  std::map<int, std::string> status;
  bool fivePanels = true;
  bool switchingNow = false;
  int closed = 0;

 private:
  static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::DefFrameProcW(hwnd, nullptr, msg, wParam, lParam);
  }
  HWND frame_ = nullptr;
  HWND client_ = nullptr;
};

// Real keys only reach the focused window; X focus changes under Wine may
// move the focus away between two simulated keys, so each key claims it.
void typeInto(HWND field, const std::string& cp1252) {
  for (char c : cp1252) {
    ::SetFocus(field);
    const wchar_t wide = win::widen(std::string(1, c))[0];
    const UINT vkey = c == '\r' ? VK_RETURN : static_cast<UINT>(LOBYTE(::VkKeyScanW(wide)));
    ::SendMessageW(field, WM_KEYDOWN, vkey, 1);
    ::SendMessageW(field, WM_CHAR, wide, 1);
    ::SendMessageW(field, WM_KEYUP, vkey, 0xC0000001);
    ::Sleep(static_cast<DWORD>(60 + (static_cast<unsigned char>(c) * 7) % 90));  // an uneven, human rhythm
    pump();
  }
}

// Presses OK in the result-options dialog when it comes up.
DWORD WINAPI answerResultOptions(void*) {
  for (int i = 0; i < 200; ++i) {
    HWND dialog = ::FindWindowW(ResultOptionsDialog::kClassName, nullptr);
    if (dialog != nullptr) {
      ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(ResultOptionsDialog::kOk, BN_CLICKED),
                     reinterpret_cast<LPARAM>(::GetDlgItem(dialog, ResultOptionsDialog::kOk)));
      return 1;
    }
    ::Sleep(50);
  }
  return 0;
}

class ExerciseWindowTest : public testing::Test {
 protected:
  void prepare(int form, int pace, std::vector<std::string> lines) {
    AppState& state = appState();
    state.exercise = ExerciseParameters{};
    state.exercise.form = static_cast<std::uint8_t>(form);
    state.exercise.pace = pace;
    state.currentText.lines = std::move(lines);
    state.typed = TypedExercise{};
    window_ = createExerciseWindow(frame_);
    ASSERT_NE(window_, nullptr);
    exercise_ = static_cast<ExerciseWindow*>(window_.get());
    pump();
    // The window finishes showing itself from a message it posts to itself,
    // and gives the typing field the focus last.
    test::waitUntil([&] { return ::GetFocus() == field(); }, 5000);
    pump();
  }
  HWND field() const { return exercise_->typingField(); }

  TestFrame frame_;
  std::unique_ptr<ChildWindow> window_;
  ExerciseWindow* exercise_ = nullptr;
};

TEST_F(ExerciseWindowTest, TypedTextReachesTheEvaluationThroughTheHandOver) {
  prepare(3, 0, {"asdf jkl\xF6", "fdsa \xF6lkj"});
  EXPECT_EQ(frame_.status[0], "Status ausblenden mit Strg+T");
  EXPECT_EQ(frame_.status[1], "00:00:00");
  // The banner fills the read-only field until the space bar starts.
  EXPECT_NE(win::windowText(field()).find(L"Grundstellung einnehmen"), std::wstring::npos);
  ::SetFocus(field());
  typeInto(field(), " ");
  ASSERT_TRUE(exercise_->session().running());
  EXPECT_EQ(win::windowText(field()), L"");
  typeInto(field(), "asdf jkl\xF6\rfdsa \xF6lkj");
  EXPECT_EQ(win::windowText(field()), L"asdf jklö\r\nfdsa ölkj");
  ::SendMessageW(exercise_->hwnd(), WM_TIMER, ExerciseWindow::kClockTimer, 0);
  EXPECT_EQ(frame_.status[3], "19 Gesamtanschl\xE4ge");

  // End, then "Weiter >": the options dialog, the evaluation, request 3.
  HWND end = ::GetDlgItem(exercise_->hwnd(), ExerciseWindow::kEndButtonId);
  ::SendMessageW(end, BM_CLICK, 0, 0);
  EXPECT_TRUE(exercise_->session().ended());
  EXPECT_EQ(win::windowText(end), L"&Weiter >");
  EXPECT_NE(win::windowText(field()).find(L"*** Ende ***"), std::wstring::npos);
  win::KernelObject answerer(::CreateThread(nullptr, 0, &answerResultOptions, nullptr, 0, nullptr));
  ::SendMessageW(end, BM_CLICK, 0, 0);
  ::WaitForSingleObject(answerer.get(), 15000);
  pump();
  EXPECT_EQ(frame_.requests, std::vector<int>{3});
  const TypedExercise& typed = appState().typed;
  EXPECT_EQ(typed.errorCount, 0);
  EXPECT_EQ(typed.typedText, "asdf jkl\xF6\r\nfdsa \xF6lkj\r\n");
  EXPECT_EQ(typed.keystrokes, 19u) << "20 keystrokes less the closing one";
  EXPECT_TRUE(appState().currentText.lines.empty());
}

// The field wraps a line too long for it; the wrap is the field's, not a
// line break of the learner's, and must not split the line for the
// evaluation or move the template display.
TEST_F(ExerciseWindowTest, ALineTooLongForTheFieldStaysOneLine) {
  prepare(3, 0, {"ab cd", "ef gh"});
  ::SetFocus(field());
  typeInto(field(), " ");
  ASSERT_TRUE(exercise_->session().running());
  const std::string longLine = "ab cd ab cd ab cd ab cd ab cd ab cd ab cd";
  typeInto(field(), longLine + "\ref gh");
  ASSERT_GT(::SendMessageW(field(), EM_GETLINECOUNT, 0, 0), 2) << "the field did not wrap";

  HWND end = ::GetDlgItem(exercise_->hwnd(), ExerciseWindow::kEndButtonId);
  ::SendMessageW(end, BM_CLICK, 0, 0);
  win::KernelObject answerer(::CreateThread(nullptr, 0, &answerResultOptions, nullptr, 0, nullptr));
  ::SendMessageW(end, BM_CLICK, 0, 0);
  ::WaitForSingleObject(answerer.get(), 15000);
  pump();
  // The evaluation marks the surplus words with byte 8; the lines are what counts.
  std::string typed = appState().typed.typedText;
  typed.erase(std::remove(typed.begin(), typed.end(), '\b'), typed.end());
  EXPECT_EQ(typed, longLine + "\r\nef gh\r\n");
  EXPECT_EQ(appState().typed.typedLineCount, 2);
}

TEST_F(ExerciseWindowTest, CorrectionKeyWithoutCorrectionEndsTheExercise) {
  prepare(4, 0, {"eins zwei drei"});
  ::SetFocus(field());
  typeInto(field(), " eins");
  ASSERT_TRUE(exercise_->session().running());
  ::SendMessageW(field(), WM_KEYDOWN, VK_BACK, 1);
  EXPECT_TRUE(exercise_->session().ended());
  EXPECT_NE(win::windowText(field()).find(L"eins"), std::wstring::npos) << "nothing was deleted";
}

TEST_F(ExerciseWindowTest, CtrlVAndContextMenuDoNothing) {
  prepare(4, 0, {"eins zwei drei"});
  ::SetFocus(field());
  typeInto(field(), " ab");
  ::SendMessageW(field(), WM_CHAR, 0x16, 1);  // Ctrl+V's control character
  ::SendMessageW(field(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(field()), MAKELPARAM(10, 10));
  EXPECT_EQ(win::windowText(field()), L"ab");
  EXPECT_TRUE(exercise_->session().running());
}

TEST_F(ExerciseWindowTest, WidthSnapsToTextSizesAndHeightToWholeRows) {
  prepare(4, 0, builtinTexts()[0].lines);
  RECT before{};
  ::GetWindowRect(exercise_->hwnd(), &before);
  const int width = before.right - before.left;
  // A few pixels wider keeps the size; the window comes back to the snapped width.
  ::SetWindowPos(exercise_->hwnd(), nullptr, 0, 0, width + 3, before.bottom - before.top + 5,
                 SWP_NOMOVE | SWP_NOZORDER);
  RECT after{};
  ::GetWindowRect(exercise_->hwnd(), &after);
  EXPECT_EQ(after.right - after.left, width);
  RECT client{};
  ::GetClientRect(frame_.mdiClient(), &client);
  EXPECT_LE(after.right - after.left, client.right);
}

}  // namespace
}  // namespace kv
