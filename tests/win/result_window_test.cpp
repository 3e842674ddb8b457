// The result window in this process, inside a small frame of its own: the
// evaluation and file views, drawing with underlines, the font that follows
// the width, the list keys, saving, opening, closing and printing through the
// real common dialogs and a real (file) printer.
#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "ui/shared/app_state.h"
#include "evaluation/result_layout.h"
#include "evaluation/saved_file.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "platform/win/handles.h"
#include "platform/win/controls.h"
#include "platform/win/modal.h"
#include "platform/win/strings.h"
#include "tests/win/file_printer.h"
#include "tests/win/program_driver.h"
#include "ui/exercise/exercise_window_win.h"
#include "ui/result/result_window_win.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

// A frame with a multiple-document client, standing in for the main window.
class TestHost final : public ChildHost {
 public:
  TestHost(int width, int height) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &TestHost::frameProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = L"KlaventoResultTestFrame";
    ::RegisterClassExW(&wc);
    frame_ = ::CreateWindowExW(0, wc.lpszClassName, L"Ergebnis-Test", WS_OVERLAPPEDWINDOW,
                               0, 0, width, height, nullptr, nullptr, wc.hInstance, nullptr);
    CLIENTCREATESTRUCT ccs{};
    RECT r{};
    ::GetClientRect(frame_, &r);
    client_ = ::CreateWindowExW(0, L"MDICLIENT", nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE,
                                0, 0, r.right, r.bottom, frame_, nullptr, wc.hInstance, &ccs);
    ::ShowWindow(frame_, SW_SHOWNORMAL);
    ::UpdateWindow(frame_);
  }
  ~TestHost() override {
    switching_ = true;
    window_.reset();
    ::DestroyWindow(frame_);
    win::processPendingMessages();
  }

  ResultWindow& open() {
    window_.reset();
    auto child = createResultWindow(*this);
    EXPECT_NE(child, nullptr);
    window_.reset(static_cast<ResultWindow*>(child.release()));
    pump();
    return *window_;
  }
  ResultWindow& window() { return *window_; }

  void request(int n) override { requests.push_back(n); }
  bool switching() const override { return switching_; }
  bool confirmClose() override { return false; }
  void childClosed(ChildWindow&) override {}
  void childMoved() override {}
  void setStatusText(int, std::string_view) override {}
  void setStatusFivePanels(bool) override {}
  HWND mdiClient() const override { return client_; }
  HWND frame() const override { return frame_; }

  static void pump() {
    for (int i = 0; i < 5; ++i) win::processPendingMessages();
  }

  std::vector<int> requests;

 private:
  static LRESULT CALLBACK frameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const HWND client = ::FindWindowExW(hwnd, nullptr, L"MDICLIENT", nullptr);
    if (msg == WM_SIZE && client != nullptr) {
      ::MoveWindow(client, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    }
    return ::DefFrameProcW(hwnd, client, msg, wParam, lParam);
  }

  HWND frame_ = nullptr;
  HWND client_ = nullptr;
  bool switching_ = false;
  std::unique_ptr<ResultWindow> window_;
};

// Works a common dialog of this process from a helper thread while the code
// under test sits in the dialog's modal loop.
class DialogDriver {
 public:
  using Action = std::function<void(HWND dialog)>;
  explicit DialogDriver(Action action, DWORD timeoutMs = 15000)
      : action_(std::move(action)), timeoutMs_(timeoutMs) {
    thread_.reset(::CreateThread(nullptr, 0, &DialogDriver::run, this, 0, nullptr));
  }
  ~DialogDriver() { finished(); }
  bool finished() {
    if (thread_) ::WaitForSingleObject(thread_.get(), INFINITE);
    return found_;
  }
  std::wstring caption() { finished(); return caption_; }

 private:
  static DWORD WINAPI run(void* param) {
    auto* self = static_cast<DialogDriver*>(param);
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < self->timeoutMs_) {
      const HWND dialog = test::findTopLevelWindow(::GetCurrentProcessId(), nullptr, L"#32770");
      if (dialog != nullptr) {
        // Let it finish setting itself up: its first drawing comes after
        // the messages it posted to itself for that.
        test::waitUntilPainted(dialog, 10000);
        self->caption_ = win::windowText(dialog);
        self->found_ = true;
        self->action_(dialog);
        return 0;
      }
      ::Sleep(50);
    }
    return 0;
  }

  Action action_;
  DWORD timeoutMs_;
  bool found_ = false;
  std::wstring caption_;
  win::KernelObject thread_;
};

// Types a file name into an open or save dialog and confirms it.
DialogDriver::Action chooseFile(const std::wstring& path) {
  return [path](HWND dialog) {
    const HWND edit = test::fileNameField(dialog);
    if (edit == nullptr) {
      // Without its field the dialog cannot be answered; closing it lets the
      // code under test go on, and the failure names why.
      ADD_FAILURE() << "the file dialog has no file name field";
      test::pressDialogButton(dialog, IDCANCEL);
      return;
    }
    ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    test::pressDialogButton(dialog, IDOK);
  };
}

// The same, then answers the message box that follows and keeps its text.
DialogDriver::Action chooseFileThenAnswer(const std::wstring& path, std::wstring& boxText) {
  return [path, &boxText](HWND dialog) {
    chooseFile(path)(dialog);
    test::waitUntil([&] { return !::IsWindow(dialog); }, 10000);
    const HWND box = test::waitForMessageBox(::GetCurrentProcessId(), 10000);
    if (box == nullptr) {
      ADD_FAILURE() << "no message box after the file dialog";
      return;
    }
    boxText = test::messageBoxText(box);
    test::pressDialogButton(box, IDOK);
  };
}

void click(ResultWindow& window, int id) {
  ::SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(window.hwnd(), id)));
  TestHost::pump();
}

std::wstring workFolder() {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const fs::path folder = fs::path(temp) / L"klavento-result-test";
  fs::create_directories(folder);
  return folder.wstring();
}

// A fresh evaluation as the exercise window and the comparison leave it.
void prepareFreshEvaluation() {
  AppState& state = appState();
  state = AppState{};
  state.exercise.form = 4;
  state.exercise.pace = 0;
  state.exercise.textTitle = w1252("Beispiel 02: Übungssätze");
  state.currentText.longestLine = 44;
  state.resultOptions.learnerLine1 = w1252("\"Jörg Muster\"");
  state.resultOptions.learnerLine2 = "Klasse 8b";
  state.typed.typedText =
      "Das ist \x08HUT\x08.\r\nOhne einen Fehler\r\nZeile mit Ende\x08\x08\r\n"
      "Wer \x08" "fragt\x08 gewinnt.\r\n";
  state.typed.typedLineCount = 4;
  state.typed.keystrokes = 70;
  state.typed.errorCount = 3;
  ExerciseOutcome& outcome = lastExerciseOutcome();
  outcome = ExerciseOutcome{};
  outcome.startTick = 5000;
  outcome.endTick = 65000;
  outcome.physicalKeys = 140;
}

class ResultWindowTest : public testing::Test {
 protected:
  void SetUp() override { prepareFreshEvaluation(); }
  void TearDown() override { appState() = AppState{}; }
};

std::size_t lineIndexOf(const std::vector<std::string>& lines, std::string_view prefix) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind(prefix, 0) == 0) return i;
  }
  return lines.size();
}

TEST_F(ResultWindowTest, FreshEvaluationShowsTheSummary) {
  TestHost host(1000, 800);
  ResultWindow& window = host.open();
  EXPECT_EQ(win::windowText(window.hwnd()), L"Auswertung");
  EXPECT_EQ(win::windowText(::GetDlgItem(window.hwnd(), ResultWindow::kSaveId)), L"S&peichern …");
  // Speichern and Schließen began with the same letter: Alt+S saved.
  EXPECT_TRUE(test::sharedAltLetters(window.hwnd()).empty())
      << win::narrowLossy(test::describeShared(test::sharedAltLetters(window.hwnd())));
  EXPECT_EQ(win::windowText(::GetDlgItem(window.hwnd(), ResultWindow::kCloseId)), L"&Schließen");
  const auto& lines = window.lines();
  ASSERT_GE(lines.size(), 30u);
  EXPECT_EQ(lines[4], w1252("\"Jörg Muster\""));
  EXPECT_EQ(lines[10], "Das ist \x08HUT\x08.");
  EXPECT_EQ(lines[12], "Zeile mit Ende\x08\x08");
  EXPECT_LT(lineIndexOf(lines, w1252("Übungszeit    00:01:00")), lines.size());
  EXPECT_LT(lineIndexOf(lines, "Fehlerzahl    3 (4,286 Fehlerprozent)"), lines.size());
  // The list holds the same lines, for whoever reads it from outside.
  EXPECT_EQ(::SendMessageW(window.list(), LB_GETCOUNT, 0, 0), static_cast<LRESULT>(lines.size()));
  EXPECT_TRUE(window.unsaved());
  // Closing and switching windows through the system menu is greyed out.
  const UINT close = ::GetMenuState(::GetSystemMenu(window.hwnd(), FALSE), SC_CLOSE, MF_BYCOMMAND);
  EXPECT_NE(close & MF_GRAYED, 0u);
}

// Dark pixels in the rows below the baseline of list line `index`, by column.
std::vector<bool> underlineColumns(ResultWindow& window, std::size_t index, int& itemHeight) {
  RECT item{};
  ::SendMessageW(window.list(), LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
  itemHeight = item.bottom - item.top;
  const int width = item.right - item.left;
  const win::WindowDc screen(window.list());
  const win::MemoryDc dc(::CreateCompatibleDC(screen.get()));
  const win::Bitmap bitmap(::CreateCompatibleBitmap(screen.get(), width, itemHeight));
  const win::ScopedSelect select(dc.get(), bitmap.get());
  DRAWITEMSTRUCT draw{};
  draw.CtlType = ODT_LISTBOX;
  draw.CtlID = ResultWindow::kListId;
  draw.itemID = static_cast<UINT>(index);
  draw.itemAction = ODA_DRAWENTIRE;
  draw.hwndItem = window.list();
  draw.hDC = dc.get();
  draw.rcItem = RECT{0, 0, width, itemHeight};
  ::SendMessageW(window.hwnd(), WM_DRAWITEM, ResultWindow::kListId, reinterpret_cast<LPARAM>(&draw));
  TEXTMETRICW tm{};
  {
    const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(window.list(), WM_GETFONT, 0, 0));
    const win::ScopedSelect f(dc.get(), font);
    ::GetTextMetricsW(dc.get(), &tm);
  }
  const COLORREF background = ::GetSysColor(COLOR_WINDOW);
  std::vector<bool> columns(static_cast<std::size_t>(width), false);
  for (int y = tm.tmAscent + 1; y < itemHeight; ++y) {
    for (int x = 0; x < width; ++x) {
      if (::GetPixel(dc.get(), x, y) != background) columns[static_cast<std::size_t>(x)] = true;
    }
  }
  return columns;
}

// First and last underlined column, or {-1, -1}.
std::pair<int, int> underlinedSpan(const std::vector<bool>& columns) {
  int first = -1, last = -1;
  for (int x = 0; x < static_cast<int>(columns.size()); ++x) {
    if (!columns[static_cast<std::size_t>(x)]) continue;
    if (first < 0) first = x;
    last = x;
  }
  return {first, last};
}

TEST_F(ResultWindowTest, ErrorsAreUnderlinedAfterTheIndent) {
  TestHost host(1000, 800);
  ResultWindow& window = host.open();
  const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(window.list(), WM_GETFONT, 0, 0));
  const int charWidth = win::textExtent(font, L" ").cx;
  ASSERT_GT(charWidth, 2);
  const int indent = 2 + 8 * charWidth;  // longest line 44: eight spaces
  int height = 0;

  // "Das ist \bHUT\b.": columns 8 to 10 underlined.
  auto span = underlinedSpan(underlineColumns(window, 10, height));
  EXPECT_NEAR(span.first, indent + 8 * charWidth, 1);
  EXPECT_NEAR(span.second, indent + 11 * charWidth - 1, 1);
  // No marks, no underline.
  span = underlinedSpan(underlineColumns(window, 11, height));
  EXPECT_EQ(span.first, -1) << "a line without marks shows no underline";
  // A marked line end: one underlined space after "Zeile mit Ende".
  span = underlinedSpan(underlineColumns(window, 12, height));
  EXPECT_NEAR(span.first, indent + 14 * charWidth, 1);
  EXPECT_NEAR(span.second, indent + 15 * charWidth - 1, 1);
  // The item height is the font table's: text height + 1.
  RECT item{};
  ::SendMessageW(window.list(), LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(item.bottom - item.top, win::textExtent(font, L"X").cy + 1);
}

TEST_F(ResultWindowTest, WidthChoosesTheFontAndHeightIsWholeLines) {
  TestHost host(1200, 900);
  ResultWindow& window = host.open();
  std::vector<int> sizes;
  for (const int width : {560, 1100}) {
    SCOPED_TRACE(width);
    RECT rect{0, 0, width, 700};
    ::SendMessageW(window.hwnd(), WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&rect));
    EXPECT_EQ(rect.right, width) << "the width is the user's";
    ::SetWindowPos(window.hwnd(), nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                   SWP_NOZORDER | SWP_NOMOVE);
    TestHost::pump();
    RECT list{};
    ::GetClientRect(window.list(), &list);
    const int item = static_cast<int>(::SendMessageW(window.list(), LB_GETITEMHEIGHT, 0, 0));
    ASSERT_GT(item, 0);
    EXPECT_EQ(list.bottom % item, 0) << "list height " << list.bottom << ", item " << item;
    // The reference line of 54 spaces fits the list, one size more would not.
    const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(window.list(), WM_GETFONT, 0, 0));
    EXPECT_LE(win::textExtent(font, std::wstring(54, L' ')).cx, list.right + 40);
    sizes.push_back(window.fontSize());
  }
  EXPECT_LT(sizes[0], sizes[1]) << "a wider window takes a larger font";

  // Never more lines than the list holds.
  RECT tall{0, 0, 560, 30000};
  ::SendMessageW(window.hwnd(), WM_SIZING, WMSZ_BOTTOM, reinterpret_cast<LPARAM>(&tall));
  const int item = static_cast<int>(::SendMessageW(window.list(), LB_GETITEMHEIGHT, 0, 0));
  EXPECT_LT(tall.bottom, static_cast<int>(window.lines().size() + 6) * item + 200);
}

TEST_F(ResultWindowTest, ListKeysOnlyScroll) {
  TestHost host(800, 600);
  ResultWindow& window = host.open();
  RECT rect{0, 0, 700, 300};
  ::SendMessageW(window.hwnd(), WM_SIZING, WMSZ_BOTTOM, reinterpret_cast<LPARAM>(&rect));
  ::SetWindowPos(window.hwnd(), nullptr, 0, 0, rect.right, rect.bottom, SWP_NOZORDER | SWP_NOMOVE);
  TestHost::pump();
  const HWND list = window.list();
  const auto top = [&] { return static_cast<int>(::SendMessageW(list, LB_GETTOPINDEX, 0, 0)); };
  const auto key = [&](WPARAM vk) { ::SendMessageW(list, WM_KEYDOWN, vk, 0); };
  RECT client{};
  ::GetClientRect(list, &client);
  const int page = client.bottom / static_cast<int>(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
  const int count = static_cast<int>(window.lines().size());
  ASSERT_LT(page, count);
  const struct {
    WPARAM key;
    int top;
  } steps[] = {{VK_DOWN, 1}, {VK_RIGHT, 2}, {VK_UP, 1}, {VK_LEFT, 0}, {VK_UP, 0},
               {VK_NEXT, page}, {'A', page}, {VK_SPACE, page}, {VK_PRIOR, 0},
               {VK_END, count - page}, {VK_DOWN, count - page}, {VK_HOME, 0}};
  for (const auto& step : steps) {
    key(step.key);
    EXPECT_EQ(top(), step.top) << "key " << step.key;
  }
  EXPECT_EQ(::SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR) << "nothing is selected";
}

std::string readAll(const std::wstring& path) {
  std::ifstream in(fs::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(ResultWindowTest, SavedAsKvwAndTxtAndReopenedWithIdenticalLines) {
  const std::wstring folder = workFolder();
  for (const wchar_t* name : {L"ergebnis.doc", L"ergebnis.doc.kvw", L"ergebnis.TXT", L"kaputt.kvw",
                              L"nurtext.txt", L"nurtext.kvw"}) {
    ::DeleteFileW((folder + L"\\" + name).c_str());
  }
  appState().settings.folders.student = "C:\\";
  TestHost host(1000, 800);
  ResultWindow& window = host.open();
  const std::vector<std::string> shown = window.lines();

  // The save dialog: a name with a foreign extension becomes a .kvw file.
  {
    DialogDriver driver(chooseFile(folder + L"\\ergebnis.doc"));
    click(window, ResultWindow::kSaveId);
    ASSERT_TRUE(driver.finished()) << "no save dialog";
    EXPECT_EQ(driver.caption(), L"Übung speichern");
  }
  EXPECT_FALSE(fs::exists(fs::path(folder) / L"ergebnis.doc"));
  ASSERT_TRUE(fs::exists(fs::path(folder) / L"ergebnis.doc.kvw"));
  EXPECT_FALSE(window.unsaved());
  EXPECT_EQ(win::widen(appState().settings.folders.student), folder) << "student folder remembered";
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window.hwnd(), ResultWindow::kSaveId)));

  // ".TXT" in any case is the plain text export: typed lines, no marks.
  ASSERT_TRUE(window.saveTo(folder + L"\\ergebnis.TXT"));
  EXPECT_EQ(readAll(folder + L"\\ergebnis.TXT"),
            "Das ist HUT.\r\nOhne einen Fehler\r\nZeile mit Ende\r\nWer fragt gewinnt.\r\n");

  // The second filter chosen and a bare name typed: the plain text, as the
  // filter promised.
  {
    DialogDriver driver([&](HWND dialog) {
      const HWND filters = ::GetDlgItem(dialog, cmb1);
      ::SendMessageW(filters, CB_SETCURSEL, 1, 0);
      // What a click in the list sends.
      for (const int code : {CBN_SELCHANGE, CBN_SELENDOK}) {
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(cmb1, static_cast<WORD>(code)),
                       reinterpret_cast<LPARAM>(filters));
      }
      chooseFile(folder + L"\\nurtext")(dialog);
    });
    click(window, ResultWindow::kSaveId);
    ASSERT_TRUE(driver.finished());
  }
  EXPECT_FALSE(fs::exists(fs::path(folder) / L"nurtext.kvw"));
  EXPECT_EQ(readAll(folder + L"\\nurtext.txt"), readAll(folder + L"\\ergebnis.TXT"));

  // Reopened as the main window does for the command line: the file view.
  OpenedResult opened;
  ASSERT_EQ(openResultFile(win::narrowLossy(folder + L"\\ergebnis.doc.kvw"), opened),
            ResultFileError::None);
  appState().openedFile = opened;
  appState().fileView = true;
  ResultWindow& fileView = host.open();
  EXPECT_EQ(win::windowText(fileView.hwnd()), L"Dateiansicht");
  EXPECT_EQ(win::windowText(::GetDlgItem(fileView.hwnd(), ResultWindow::kSaveId)), L"Ö&ffnen …");
  EXPECT_TRUE(test::sharedAltLetters(fileView.hwnd()).empty())
      << win::narrowLossy(test::describeShared(test::sharedAltLetters(fileView.hwnd())));
  EXPECT_EQ(fileView.lines(), shown);
  EXPECT_EQ(fileView.longestLine(), 44);

  // A tampered copy through the "Öffnen" button: rejected, the view stays.
  std::string bytes = readAll(folder + L"\\ergebnis.doc.kvw");
  bytes[60] = static_cast<char>(bytes[60] ^ 0x20);
  std::ofstream(fs::path(folder) / L"kaputt.kvw", std::ios::binary) << bytes;
  {
    std::wstring message;
    DialogDriver driver(chooseFileThenAnswer(folder + L"\\kaputt.kvw", message));
    click(fileView, ResultWindow::kSaveId);
    ASSERT_TRUE(driver.finished()) << "no open dialog";
    EXPECT_EQ(driver.caption(), L"Gespeicherte Übung öffnen");
    EXPECT_NE(message.find(L"beschädigt"), std::wstring::npos) << win::narrowLossy(message);
    EXPECT_NE(message.find(L"kaputt.kvw"), std::wstring::npos);
  }
  EXPECT_EQ(fileView.lines(), shown) << "the previous view stays";

  // And the good file through the button, in place of an empty list.
  appState().openedFile.lines.assign(30, "");
  ResultWindow& again = host.open();
  ASSERT_NE(again.lines(), shown);
  {
    DialogDriver driver(chooseFile(folder + L"\\ergebnis.doc.kvw"));
    click(again, ResultWindow::kSaveId);
    ASSERT_TRUE(driver.finished());
  }
  EXPECT_EQ(again.lines(), shown);
  EXPECT_EQ(::SendMessageW(again.list(), LB_GETCOUNT, 0, 0), static_cast<LRESULT>(shown.size()));
}

TEST_F(ResultWindowTest, ClosingAsksOnlyWhileNothingWasSaved) {
  const std::wstring folder = workFolder();
  TestHost host(1000, 800);
  ResultWindow& window = host.open();
  {
    test::MessageBoxAnswerer answer(IDNO);
    click(window, ResultWindow::kCloseId);
    EXPECT_EQ(answer.text(), L"Der Text wurde weder gedruckt noch gespeichert.\r\nÜbung wirklich beenden?");
  }
  EXPECT_TRUE(host.requests.empty()) << "No keeps the window";
  EXPECT_EQ(::GetFocus(), ::GetDlgItem(window.hwnd(), ResultWindow::kCloseId));
  {
    test::MessageBoxAnswerer answer(IDYES);
    click(window, ResultWindow::kCloseId);
    EXPECT_FALSE(answer.text().empty());
  }
  EXPECT_EQ(host.requests, std::vector<int>{1});

  ASSERT_TRUE(window.saveTo(folder + L"\\gespeichert.kvw"));
  host.requests.clear();
  {
    test::MessageBoxAnswerer answer(IDNO, 1500);
    click(window, ResultWindow::kCloseId);
    EXPECT_EQ(answer.text(), L"") << "saved: no question";
  }
  EXPECT_EQ(host.requests, std::vector<int>{1});

  // The file view never asks.
  appState().fileView = true;
  appState().openedFile.lines.assign(30, "x");
  ResultWindow& fileView = host.open();
  host.requests.clear();
  {
    test::MessageBoxAnswerer answer(IDNO, 1500);
    click(fileView, ResultWindow::kCloseId);
    EXPECT_EQ(answer.text(), L"");
  }
  EXPECT_EQ(host.requests, std::vector<int>{1});
}

TEST_F(ResultWindowTest, CompatibilityViewHidesPrinting) {
  appState().fileView = true;
  appState().openedFile.lines.assign(30, "alt");
  appState().openedFile.compatibility = true;
  TestHost host(1000, 800);
  ResultWindow& window = host.open();
  EXPECT_EQ(win::windowText(window.hwnd()), L"Klavento 5.0 Kompatibilitätsansicht");
  const HWND print = ::GetDlgItem(window.hwnd(), ResultWindow::kPrintId);
  EXPECT_FALSE(::IsWindowVisible(print));
  EXPECT_FALSE(::IsWindowEnabled(print));
  window.enableCommands(false);
  window.enableCommands(true);
  EXPECT_FALSE(::IsWindowEnabled(print)) << "enabling the buttons leaves printing off";
}

// KV_RESULT_PICTURES=<Windows folder> photographs the evaluation view at two
// widths for the user guide.
TEST_F(ResultWindowTest, PicturesAtTwoWidths) {
  char folder[MAX_PATH] = {};
  if (::GetEnvironmentVariableA("KV_RESULT_PICTURES", folder, MAX_PATH) == 0) {
    GTEST_SKIP() << "KV_RESULT_PICTURES not set";
  }
  TestHost host(1100, 760);
  ResultWindow& window = host.open();
  int n = 0;
  for (const int width : {620, 1000}) {
    RECT rect{0, 0, width, 600};
    ::SendMessageW(window.hwnd(), WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&rect));
    ::SetWindowPos(window.hwnd(), nullptr, 10, 10, rect.right, rect.bottom, SWP_NOZORDER);
    ::SendMessageW(window.list(), LB_SETTOPINDEX, 3, 0);
    ::RedrawWindow(window.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    TestHost::pump();
    test::waitUntilPainted(window.hwnd(), 5000);
    // Wine hands what was drawn to the screen when the queue is found empty.
    TestHost::pump();
    test::saveWindowPicture(window.hwnd(), win::widen(folder) + L"\\auswertung-" + std::to_wstring(++n) + L".bmp");
  }
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

struct PrintRun {
  bool dialog = false;
  std::wstring checkBoxText;
  bool checkedAtFirst = true;
  std::string output;
};

PrintRun printThroughDialog(ResultWindow& window, bool withoutEvaluation) {
  const std::wstring out = test::printerOutput();
  ::DeleteFileW(out.c_str());
  PrintRun run;
  {
    DialogDriver driver([&](HWND dialog) {
      const HWND box = ::GetDlgItem(dialog, ResultWindow::kWithoutEvaluationId);
      if (box == nullptr) return test::pressDialogButton(dialog, IDCANCEL);
      run.checkBoxText = win::windowText(box);
      run.checkedAtFirst = ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
      if (withoutEvaluation) ::SendMessageW(box, BM_CLICK, 0, 0);
      test::pressDialogButton(dialog, IDOK);
    });
    click(window, ResultWindow::kPrintId);
    run.dialog = driver.finished();
  }
  // Nothing is printed when the dialog is cancelled: a short wait then.
  run.output = test::printedDocument(run.checkBoxText.empty() ? 1000 : 5000);
  return run;
}

TEST_F(ResultWindowTest, PrintsOnAFilePrinterWithAndWithoutEvaluation) {
  ASSERT_TRUE(test::ensureFilePrinter()) << "no test printer: " << ::GetLastError();
  // Fifty typed lines do not fit on one page.
  std::string typed;
  for (int i = 1; i <= 50; ++i) {
    typed += "Zeile " + std::to_string(i) + (i % 7 == 0 ? " mit \x08" "Fehler\x08" : " richtig") + "\r\n";
  }
  appState().typed.typedText = typed;
  appState().typed.typedLineCount = 50;
  TestHost host(1000, 800);
  ResultWindow& window = host.open();

  const PrintRun with = printThroughDialog(window, false);
  ASSERT_TRUE(with.dialog) << "no print dialog";
  EXPECT_EQ(with.checkBoxText, L"ohne Auswertung drucken");
  EXPECT_FALSE(with.checkedAtFirst);
  ASSERT_FALSE(with.output.empty()) << "nothing printed";
  EXPECT_EQ(test::pageCount(with.output), 2);
  EXPECT_NE(with.output.find("%%Title: (Klavento 7 - J"), std::string::npos)
      << "the learner goes into the document title";
  EXPECT_FALSE(window.unsaved()) << "printing counts as keeping the result";
  EXPECT_EQ(::GetFocus(), ::GetDlgItem(window.hwnd(), ResultWindow::kPrintId));
  for (const int id : {ResultWindow::kSaveId, ResultWindow::kPrintId, ResultWindow::kCloseId}) {
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window.hwnd(), id))) << id;
  }
  test::keepCopy(with.output, L"mit-auswertung.ps");

  const PrintRun without = printThroughDialog(window, true);
  ASSERT_FALSE(without.output.empty());
  EXPECT_FALSE(without.checkedAtFirst) << "the check box starts unchecked every time";
  EXPECT_EQ(test::pageCount(without.output), 2);
  EXPECT_LT(without.output.size(), with.output.size()) << "no underlines, no error line";
  test::keepCopy(without.output, L"ohne-auswertung.ps");

  // A cancelled dialog prints nothing and leaves the buttons usable.
  ::DeleteFileW(test::printerOutput().c_str());
  {
    DialogDriver driver([](HWND dialog) { test::pressDialogButton(dialog, IDCANCEL); });
    click(window, ResultWindow::kPrintId);
    ASSERT_TRUE(driver.finished());
  }
  EXPECT_EQ(::GetFileAttributesW(test::printerOutput().c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window.hwnd(), ResultWindow::kSaveId)));

  // Only empty lines: no sheet at all, and the result still counts as unkept.
  appState().fileView = true;
  appState().openedFile.lines.assign(30, "");
  ResultWindow& empty = host.open();
  const PrintRun nothing = printThroughDialog(empty, false);
  EXPECT_TRUE(nothing.dialog);
  EXPECT_TRUE(nothing.output.empty());
}

}  // namespace
}  // namespace kv
