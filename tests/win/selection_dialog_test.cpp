// The selection dialog and the colour chooser on the real screen, inside a
// test frame of their own, so they are tested without the main window.
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ui/frame/frame_rules.h"
#include "platform/file_io.h"
#include "ui/shared/app_state.h"
#include "platform/encoding.h"
#include "platform/win/dialog_font.h"
#include "ui/shared/window_font_win.h"
#include "platform/win/handles.h"
#include "platform/win/modal.h"
#include "platform/win/strings.h"
#include "platform/win/system_info.h"
#include "tests/win/program_driver.h"
#include "texts/archive.h"
#include "texts/builtin_texts.h"
#include "ui/selection/archive_discovery_win.h"
#include "ui/selection/colour_chooser_win.h"
#include "ui/selection/selection_dialog_win.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using D = SelectionDialog;

// A frame with a multiple-document client, standing in for the main window.
class TestHost final : public ChildHost {
 public:
  TestHost() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &TestHost::frameProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = L"KvSelectionTestFrame";
    ::RegisterClassExW(&wc);
    frame_ = ::CreateWindowExW(0, wc.lpszClassName, L"Klavento 7", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               0, 0, 900, 680, nullptr, nullptr, wc.hInstance, nullptr);
    CLIENTCREATESTRUCT ccs{};
    ccs.idFirstChild = 1000;
    RECT r{};
    ::GetClientRect(frame_, &r);
    client_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
                                WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, r.right, r.bottom,
                                frame_, nullptr, wc.hInstance, &ccs);
  }
  ~TestHost() override {
    if (frame_ != nullptr) ::DestroyWindow(frame_);
  }

  void request(int n) override { requests.push_back(n); }
  bool switching() const override { return true; }
  bool confirmClose() override { return false; }
  void childClosed(ChildWindow&) override { ++closed; }
  void childMoved() override {}
  void setStatusText(int, std::string_view) override {}
  void setStatusFivePanels(bool) override {}
  HWND mdiClient() const override { return client_; }
  HWND frame() const override { return frame_; }

  std::vector<int> requests;
  int closed = 0;

 private:
  static LRESULT CALLBACK frameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const HWND client = ::FindWindowExW(hwnd, nullptr, L"MDICLIENT", nullptr);
    return ::DefFrameProcW(hwnd, client, msg, wParam, lParam);
  }
  HWND frame_ = nullptr;
  HWND client_ = nullptr;
};

std::vector<std::string> numberedLines(const char* stem, int count) {
  std::vector<std::string> lines;
  for (int i = 1; i <= count; ++i) lines.push_back(w1252(stem) + " " + std::to_string(i));
  return lines;
}

void writeArchive(const fs::path& file, const std::string& name, const std::vector<ArchiveText>& texts) {
  TextArchiveHeader header;
  header.archiveName = name;
  const auto bytes = encodeArchive(header, texts);
  ASSERT_TRUE(bytes.has_value());
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
}

class SelectionDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    appState() = AppState{};
    AppState& state = appState();
    updateDialogFont(state.settings.fonts);
    folder_ = fs::temp_directory_path() / "kv-selection-test";
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    writeArchive(folder_ / "grundkurs.kv7", "Grundkurs",
                 {{"Zeilen", numberedLines("asdf jklö", 12)}, {"Kurz", numberedLines("fff jjj", 3)}});
    writeArchive(folder_ / "defekt.kv7", "Defekt", {{"Eins", numberedLines("ddd kkk", 4)}});
    state.settings.folders.teacher = win::narrowLossy(folder_.wstring());
    const std::string program = win::narrowLossy(win::programPath());
    state.programArchives = {makeArchiveEntry(builtinArchiveName(), program)};
    TextArchives(program).openArchive(program, state.currentHeader, state.currentText);
    state.savedHeader = state.currentHeader;
    scanOwnArchives(host.frame());
    ASSERT_EQ(state.ownArchives.size(), 2u);
  }
  void TearDown() override {
    dialog.reset();
    std::error_code ec;
    fs::remove_all(folder_, ec);
    appState() = AppState{};
  }

  SelectionDialog& open() {
    dialog = createSelectionDialog(host);
    EXPECT_NE(dialog, nullptr);
    win::processPendingMessages();
    return static_cast<SelectionDialog&>(*dialog);
  }
  HWND item(int id) const { return ::GetDlgItem(dialog->hwnd(), id); }
  bool checked(int id) const { return ::IsDlgButtonChecked(dialog->hwnd(), id) == BST_CHECKED; }
  bool enabled(int id) const { return ::IsWindowEnabled(item(id)) != FALSE; }
  void click(int id) {
    ::SendMessageW(item(id), BM_CLICK, 0, 0);
    win::processPendingMessages();
  }
  void command(int id, int code) {
    ::SendMessageW(dialog->hwnd(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(item(id)));
  }
  // Types into a number field and leaves it.
  void enter(int id, const wchar_t* text) {
    ::SetWindowTextW(item(id), text);
    command(id, EN_KILLFOCUS);
  }
  std::wstring text(int id) const { return win::windowText(item(id)); }
  int archiveItem(const wchar_t* caption) {
    return static_cast<int>(::SendMessageW(item(D::kArchiveBox), CB_FINDSTRINGEXACT,
                                           static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(caption)));
  }
  void chooseArchive(int index) {
    ::SendMessageW(item(D::kArchiveBox), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    command(D::kArchiveBox, CBN_SELENDOK);
  }
  void chooseText(int position) {
    ::SendMessageW(item(D::kTextList), LB_SETCURSEL, static_cast<WPARAM>(position), 0);
    command(D::kTextList, LBN_SELCHANGE);
  }
  int archiveShown() const {
    return static_cast<int>(::SendMessageW(item(D::kArchiveBox), CB_GETCURSEL, 0, 0));
  }

  fs::path folder_;
  TestHost host;
  std::unique_ptr<ChildWindow> dialog;
};

TEST_F(SelectionDialogTest, EachFormStartsWithItsParametersAndLines) {
  struct Row {
    int form;
    const wchar_t* pace;  // nullptr: the no-limit option
    bool correction;
    const wchar_t *first, *last;
    bool wholeText;
    const wchar_t* repetitions;
    std::int32_t pace2;
    bool correction2;
    std::vector<int> lines;  // line numbers of the exercise
  };
  const Row rows[] = {
      {1, L"300", true, L"2", L"4", false, L"2", 300, true, {2, 2, 3, 3, 4, 4}},
      {2, L"120", true, L"11", L"12", true, L"3", 120, false, {11, 12, 11, 12, 11, 12}},
      {3, nullptr, true, L"1", L"12", false, L"1", 0, true, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
      {4, L"15", false, L"5", L"5", true, L"2", 15, false, {5, 5}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.form);
    host.requests.clear();
    SelectionDialog& d = open();
    ASSERT_EQ(d.page(), 1);
    EXPECT_EQ(win::windowText(d.hwnd()), L"Übungsform wählen");
    click(D::kFormOption1 + r.form - 1);
    if (r.pace != nullptr) {
      click(D::kPaceValue);
      enter(D::kPaceField, r.pace);
    }
    if (r.correction && enabled(D::kCorrectionYes)) click(D::kCorrectionYes);
    click(D::kNext);
    ASSERT_EQ(d.page(), 2);
    EXPECT_EQ(win::windowText(d.hwnd()), L"Übungstext wählen");
    const int grundkurs = archiveItem(L"Grundkurs");
    ASSERT_GT(grundkurs, 0);
    chooseArchive(grundkurs);
    ASSERT_EQ(::SendMessageW(item(D::kTextList), LB_GETCOUNT, 0, 0), 2);
    chooseText(0);
    EXPECT_EQ(text(D::kFirstLine), L"1");
    EXPECT_EQ(text(D::kLastLine), L"12");
    enter(D::kLastLine, r.last);
    enter(D::kFirstLine, r.first);
    click(r.wholeText ? D::kModeWholeText : D::kModeEachLine);
    enter(D::kRepetitions, r.repetitions);
    click(D::kNext);

    EXPECT_EQ(host.requests, std::vector<int>{2});
    const AppState& state = appState();
    EXPECT_EQ(state.exercise.form, r.form);
    EXPECT_EQ(state.exercise.pace, r.pace2);
    EXPECT_EQ(state.exercise.correctionAllowed, r.correction2);
    EXPECT_EQ(state.exercise.textTitle, "Zeilen");
    EXPECT_EQ(state.exercise.archiveCaption, "Grundkurs");
    EXPECT_EQ(state.settings.fingers.colourTarget, r.form - 1);
    std::vector<std::string> expected;
    for (int n : r.lines) expected.push_back(w1252("asdf jklö ") + std::to_string(n));
    EXPECT_EQ(state.currentText.lines, expected);
    EXPECT_TRUE(sameArchivePath(state.currentText.archivePath, entryPath(state.ownArchives[1])) ||
                sameArchivePath(state.currentText.archivePath, entryPath(state.ownArchives[0])));
    dialog.reset();
  }
}

// On each page, in each form, an Alt letter leads to one control only.
TEST_F(SelectionDialogTest, EveryAltLetterLeadsToOnePlace) {
  open();
  for (int form = 1; form <= 4; ++form) {
    SCOPED_TRACE(form);
    click(D::kFormOption1 + form - 1);
    auto shared = test::sharedAltLetters(dialog->hwnd());
    EXPECT_TRUE(shared.empty()) << "first page: " << win::narrowLossy(test::describeShared(shared));
    click(D::kNext);
    ASSERT_EQ(win::windowText(dialog->hwnd()), L"Übungstext wählen");
    shared = test::sharedAltLetters(dialog->hwnd());
    EXPECT_TRUE(shared.empty()) << "second page: " << win::narrowLossy(test::describeShared(shared));
    click(D::kBack);
  }
}

TEST_F(SelectionDialogTest, NumberFieldsClampWhenLeft) {
  struct Row {
    int form;
    int field;
    const wchar_t* typed;
    const wchar_t* shown;
  };
  const Row rows[] = {
      {3, D::kPaceField, L"999", L"90"}, {3, D::kPaceField, L"0", L"1"},
      {4, D::kPaceField, L"45", L"45"},  {1, D::kPaceField, L"5", L"30"},
      {1, D::kPaceField, L"9999", L"720"}, {2, D::kPaceField, L"500", L"200"},
  };
  SelectionDialog& d = open();
  (void)d;
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.form << " " << win::narrowLossy(r.typed));
    click(D::kFormOption1 + r.form - 1);
    click(D::kPaceValue);
    ASSERT_TRUE(checked(D::kPaceValue));
    ASSERT_TRUE(enabled(r.field));
    enter(r.field, r.typed);
    EXPECT_EQ(text(r.field), r.shown);
  }
  // The field holds no more digits than its maximum has.
  click(D::kFormOption1 + 2);
  click(D::kPaceValue);
  EXPECT_EQ(::SendMessageW(item(D::kPaceField), EM_GETLIMITTEXT, 0, 0), 2);

  click(D::kNext);
  chooseArchive(archiveItem(L"Grundkurs"));
  chooseText(0);
  enter(D::kLastLine, L"99");
  EXPECT_EQ(text(D::kLastLine), L"12");
  enter(D::kLastLine, L"6");
  enter(D::kFirstLine, L"9");
  EXPECT_EQ(text(D::kFirstLine), L"6") << "the first line never passes the last";
  enter(D::kLastLine, L"2");
  EXPECT_EQ(text(D::kLastLine), L"6") << "the last line never comes before the first";
  enter(D::kRepetitions, L"0");
  EXPECT_EQ(text(D::kRepetitions), L"1");
}

TEST_F(SelectionDialogTest, FormChangesWhileShown) {
  open();
  click(D::kFormOption1);
  click(D::kPaceValue);
  enter(D::kPaceField, L"300");
  click(D::kCorrectionYes);
  EXPECT_TRUE(checked(D::kCorrectionYes));
  click(D::kFormOption1 + 1);  // Leuchttastei: back to "individuell", no correction
  EXPECT_TRUE(checked(D::kPaceNone));
  EXPECT_FALSE(enabled(D::kPaceField));
  EXPECT_FALSE(enabled(D::kCorrectionNo));
  EXPECT_FALSE(enabled(D::kCorrectionYes));
  EXPECT_TRUE(checked(D::kCorrectionNo));
  EXPECT_EQ(text(D::kPaceGroup), L"Geschwindigkeit");
  EXPECT_TRUE(::IsWindowVisible(item(D::kColourButton1 + 1)));
  EXPECT_FALSE(::IsWindowVisible(item(D::kColourButton1)));

  click(D::kFormOption1 + 3);  // Text von Vorlage: time limit, no colour button
  EXPECT_EQ(text(D::kPaceGroup), L"Zeitbegrenzung");
  EXPECT_EQ(text(D::kPaceNone), L"&ohne");
  EXPECT_TRUE(enabled(D::kCorrectionYes));
  for (int k = 0; k < 3; ++k) EXPECT_FALSE(::IsWindowVisible(item(D::kColourButton1 + k)));
}

TEST_F(SelectionDialogTest, UnreadableArchiveKeepsThePreviousOne) {
  open();
  click(D::kNext);
  const int grundkurs = archiveItem(L"Grundkurs");
  const int defekt = archiveItem(L"Defekt");
  ASSERT_GT(grundkurs, 0);
  ASSERT_GT(defekt, 0);
  chooseArchive(grundkurs);
  const std::string goodPath = appState().currentText.archivePath;
  fs::resize_file(folder_ / "defekt.kv7", 60000);  // damaged after the scan

  test::MessageBoxAnswerer answer(IDOK);
  chooseArchive(defekt);
  const std::wstring message = answer.text();
  const std::wstring badPath = (folder_ / "defekt.kv7").wstring();
  EXPECT_EQ(message, L"Fehler beim Lesen der Datei \"" + badPath + L"\".");
  EXPECT_EQ(archiveShown(), grundkurs);
  const AppState& state = appState();
  EXPECT_EQ(state.exercise.archiveCaption, "Grundkurs");
  EXPECT_EQ(state.exercise.archiveIndex, grundkurs);
  EXPECT_EQ(state.currentText.archivePath, goodPath);
  EXPECT_EQ(::SendMessageW(item(D::kTextList), LB_GETCOUNT, 0, 0), 2);
}

TEST_F(SelectionDialogTest, ArchiveBoxHeadingsAndChoiceComeBack) {
  open();
  click(D::kNext);
  const HWND box = item(D::kArchiveBox);
  ASSERT_EQ(::SendMessageW(box, CB_GETCOUNT, 0, 0), 6);
  const wchar_t* expected[] = {L"Klavento 7", nullptr, L"Eigene Textarchive", L"Defekt",
                               L"Grundkurs", L"Durchsuchen..."};
  for (int i = 0; i < 6; ++i) {
    if (expected[i] == nullptr) continue;
    wchar_t buffer[128] = {};
    ::SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
    EXPECT_STREQ(buffer, expected[i]) << i;
  }
  EXPECT_EQ(archiveShown(), 1) << "the built-in archive is chosen first";
  chooseArchive(2);  // a heading: the previous choice comes back
  EXPECT_EQ(archiveShown(), 1);
  chooseArchive(0);
  EXPECT_EQ(archiveShown(), 1);

  chooseArchive(4);
  chooseText(1);
  enter(D::kLastLine, L"2");
  click(D::kModeWholeText);
  enter(D::kRepetitions, L"4");
  click(D::kNext);
  ASSERT_EQ(host.requests, std::vector<int>{2});
  dialog.reset();

  // Opened again: the same form, archive, text, range and repetitions.
  SelectionDialog& d = open();
  EXPECT_EQ(d.page(), 1);
  click(D::kNext);
  EXPECT_EQ(archiveShown(), 4);
  EXPECT_EQ(::SendMessageW(item(D::kTextList), LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(text(D::kFirstLine), L"1");
  EXPECT_EQ(text(D::kLastLine), L"2");
  EXPECT_TRUE(checked(D::kModeWholeText));
  EXPECT_EQ(text(D::kRepetitions), L"4");
}

// Answers the folder picker from a helper thread as a user would: writes
// `folder` (none: leaves the start folder) into the picker's path field and
// presses `button`. The field, not the tree: a teacher's server folder need not
// be in the tree, and Wine's tree cannot always reach the temporary folder
// (an unreadable Z: drive stalls it). Records the prompt the picker showed.
class FolderPickerAnswerer {
 public:
  FolderPickerAnswerer(int button, fs::path folder) : button_(button), folder_(std::move(folder)) {
    thread_.reset(::CreateThread(nullptr, 0, &FolderPickerAnswerer::run, this, 0, nullptr));
  }
  ~FolderPickerAnswerer() { wait(); }
  void wait() {
    if (thread_) ::WaitForSingleObject(thread_.get(), INFINITE);
  }
  std::wstring prompt() {
    wait();
    return prompt_;
  }
  bool answered() {
    wait();
    return answered_;
  }

 private:
  static DWORD WINAPI run(void* param) {
    auto* self = static_cast<FolderPickerAnswerer*>(param);
    HWND picker = nullptr;
    test::waitUntil(
        [&] {
          picker = test::findTopLevelWindow(::GetCurrentProcessId(), nullptr, L"#32770");
          return picker != nullptr &&
                 ::FindWindowExW(picker, nullptr, L"SysTreeView32", nullptr) != nullptr;
        },
        10000);
    if (picker == nullptr) return 0;
    // The picker fills its tree and selects the start folder first, which
    // writes that folder's name into the field.
    test::waitForFolderTree(picker, 15000);
    ::EnumChildWindows(
        picker,
        [](HWND child, LPARAM p) CALLBACK -> BOOL {
          auto* me = reinterpret_cast<FolderPickerAnswerer*>(p);
          if (test::className(child) == L"Static" && me->prompt_.empty()) {
            me->prompt_ = win::windowText(child);
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(self));
    if (!self->folder_.empty()) {
      const HWND field = ::FindWindowExW(picker, nullptr, L"Edit", nullptr);
      if (field == nullptr) {  // no field: closed, so the test fails instead of hanging
        test::pressDialogButton(picker, IDCANCEL);
        return 0;
      }
      // The tree writes the chosen folder's name into the field as it settles;
      // written until it stays.
      const std::wstring path = self->folder_.wstring();
      for (int attempt = 0; attempt < 5 && win::windowText(field) != path; ++attempt) {
        ::SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        // Looked at again once the picker has worked through what it had
        // queued and drawn the field anew.
        test::waitUntilPainted(picker, 5000);
      }
    }
    test::pressDialogButton(picker, self->button_);
    self->answered_ = true;
    return 0;
  }

  int button_;
  fs::path folder_;
  std::wstring prompt_;
  bool answered_ = false;
  win::KernelObject thread_;
};

TEST_F(SelectionDialogTest, BrowseChoosesTheFolderOfOwnArchivesAndRescans) {
  const fs::path other = fs::temp_directory_path() / "kv-selection-test-2";
  fs::remove_all(other);
  fs::create_directories(other);
  writeArchive(other / "aufbau.kv7", "Aufbaukurs", {{w1252("Sätze"), numberedLines("der die das", 5)}});
  open();
  click(D::kNext);
  const HWND box = item(D::kArchiveBox);
  const int texts = static_cast<int>(::SendMessageW(item(D::kTextList), LB_GETCOUNT, 0, 0));
  AppState& state = appState();
  const std::string teacher = state.settings.folders.teacher;

  {  // Cancelled: the folder, the list and the choice stay.
    FolderPickerAnswerer picker(IDCANCEL, {});
    chooseArchive(5);
    win::processPendingMessages();
    ASSERT_TRUE(picker.answered()) << "no folder picker";
    EXPECT_EQ(picker.prompt(), L"Ordner mit eigenen Textarchiven wählen:");
  }
  EXPECT_EQ(state.settings.folders.teacher, teacher);
  EXPECT_EQ(::SendMessageW(box, CB_GETCOUNT, 0, 0), 6);
  EXPECT_EQ(archiveShown(), 1);

  {  // Another folder: its archives replace the old ones, the built-in stays chosen.
    FolderPickerAnswerer picker(IDOK, other);
    chooseArchive(5);
    win::processPendingMessages();
    ASSERT_TRUE(picker.answered()) << "no folder picker";
  }
  win::processPendingMessages();
  EXPECT_TRUE(fs::equivalent(fs::path(win::widen(state.settings.folders.teacher)), other));
  ASSERT_EQ(::SendMessageW(box, CB_GETCOUNT, 0, 0), 5);
  wchar_t caption[128] = {};
  ::SendMessageW(box, CB_GETLBTEXT, 3, reinterpret_cast<LPARAM>(caption));
  EXPECT_STREQ(caption, L"Aufbaukurs");
  EXPECT_EQ(archiveItem(L"Grundkurs"), CB_ERR);
  EXPECT_EQ(archiveShown(), 1);
  EXPECT_EQ(::SendMessageW(item(D::kTextList), LB_GETCOUNT, 0, 0), texts);
  chooseArchive(3);
  EXPECT_EQ(state.exercise.archiveCaption, "Aufbaukurs");
  EXPECT_EQ(::SendMessageW(item(D::kTextList), LB_GETCOUNT, 0, 0), 1);
  dialog.reset();
  std::error_code ec;
  fs::remove_all(other, ec);
}

TEST_F(SelectionDialogTest, PreviewShowsTheTextAndEscapeEndsIt) {
  SelectionDialog& d = open();
  click(D::kNext);
  chooseArchive(archiveItem(L"Grundkurs"));
  chooseText(0);
  click(D::kPreviewSwitch);
  ASSERT_TRUE(d.previewShown());
  EXPECT_TRUE(::IsWindowVisible(item(D::kPreviewList)));
  EXPECT_FALSE(::IsWindowVisible(item(D::kTextList)));
  EXPECT_GE(::SendMessageW(item(D::kPreviewList), LB_GETCOUNT, 0, 0), 12);
  EXPECT_EQ(appState().currentText.lines.size(), 12u);
  ::SendMessageW(item(D::kFirstLine), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(d.previewShown());
  EXPECT_TRUE(::IsWindowVisible(item(D::kTextList)));

  // Starting from the preview exercises the range of the lines it loaded.
  click(D::kPreviewSwitch);
  enter(D::kLastLine, L"3");
  enter(D::kFirstLine, L"3");
  click(D::kNext);
  ASSERT_EQ(host.requests, std::vector<int>{2});
  EXPECT_EQ(appState().currentText.lines, std::vector<std::string>{w1252("asdf jklö 3")});
}

class ColourChooserTest : public testing::Test {
 protected:
  void SetUp() override {
    appState() = AppState{};
    updateDialogFont(appState().settings.fonts);
    reconcileColours(appState().settings.fingers, appState().settings.schemes);
  }
  void TearDown() override { appState() = AppState{}; }
  HWND button(ColourChooser& c, int k) { return ::GetDlgItem(c.hwnd(), ColourChooser::kFirstButtonId + k - 1); }
};

TEST_F(ColourChooserTest, FocusClickAndEscape) {
  struct Row {
    int target;
    Colour background;
    int focused;  // button 1-9
  };
  const Row rows[] = {{1, 0x808000, 5}, {0, 0x808000, 1}, {2, 0x008000, 9}, {0, 0x000080, 7}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.target);
    AppState& state = appState();
    state.settings.fingers.colourTarget = r.target;
    state.settings.fingers.background = r.background;
    ColourChooser chooser(POINT{400, 300});
    ASSERT_TRUE(chooser.createPopup(nullptr));
    win::processPendingMessages();
    EXPECT_EQ(::GetFocus(), button(chooser, r.focused));
    RECT rect{};
    ::GetWindowRect(chooser.hwnd(), &rect);
    EXPECT_NEAR((rect.left + rect.right) / 2, 400, 1);
    EXPECT_NEAR((rect.top + rect.bottom) / 2, 300, 1);
    const FingerColours before = state.settings.fingers;
    ::SendMessageW(chooser.hwnd(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(chooser.finished());
    EXPECT_EQ(state.settings.fingers.background, before.background);
    EXPECT_EQ(state.settings.fingers.thumb, before.thumb);
    ::DestroyWindow(chooser.hwnd());
  }

  AppState& state = appState();
  state.settings.fingers.colourTarget = 1;
  state.settings.fingers.background = 0x808000;
  ColourChooser chooser(POINT{400, 300});
  ASSERT_TRUE(chooser.createPopup(nullptr));
  ::SendMessageW(button(chooser, 2), BM_CLICK, 0, 0);
  EXPECT_TRUE(chooser.finished());
  EXPECT_EQ(state.settings.fingers.little, 0xFFFF00u);
  EXPECT_EQ(state.settings.fingers.ring, 0x00FF00u);
  EXPECT_EQ(state.settings.fingers.thumb, 0x808080u);
  EXPECT_EQ(state.settings.fingers.background, 0x808000u) << "target 1 leaves the background";
  ::DestroyWindow(chooser.hwnd());
}

// Pictures for the user guide: each window is photographed from the screen
// into KV_SELECTION_SHOTS\<name>.bmp. Not part of the test run.
void photograph(HWND window, const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  ASSERT_GT(::GetEnvironmentVariableW(L"KV_SELECTION_SHOTS", folder, MAX_PATH), 0u);
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  win::processPendingMessages();
  test::waitUntilPainted(window, 5000);
  // Wine hands what was drawn to the screen when the queue is found empty.
  win::processPendingMessages();
  test::saveWindowPicture(window, std::wstring(folder) + L"\\" + name + L".bmp");
}

TEST_F(SelectionDialogTest, DISABLED_PicturesForTheUserGuide) {
  test::becomeDpiAware();
  appState().exercise.form = 2;
  appState().exercise.pace = 120;
  // The real course, as the program carries it, in place of the test archive
  // of that name: the build leaves it beside this program.
  {
    std::string bytes;
    ASSERT_TRUE(readWholeFile(fs::path(test::besideThisExe(L"grundkurs\\Grundkurs.kv7")), bytes));
    const std::string path = win::narrowLossy(win::programPath()) + "\\Grundkurs.kv7";
    registerImageArchive(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    appState().programArchives.push_back(archiveEntry("Grundkurs", path));
    fs::remove(folder_ / "grundkurs.kv7");
    scanOwnArchives(host.frame());
  }
  SelectionDialog& d = open();
  ::SetWindowPos(host.frame(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  photograph(d.hwnd(), L"auswahl-seite1");
  click(D::kNext);
  chooseArchive(archiveItem(L"Grundkurs"));
  chooseText(0);
  enter(D::kLastLine, L"8");
  enter(D::kFirstLine, L"3");
  photograph(d.hwnd(), L"auswahl-seite2");
  click(D::kPreviewSwitch);
  photograph(d.hwnd(), L"auswahl-vorschau");
  appState().settings.fingers.colourTarget = 1;
  ColourChooser chooser(POINT{450, 340});
  ASSERT_TRUE(chooser.createPopup(host.frame()));
  photograph(chooser.hwnd(), L"farbschema");
  ::DestroyWindow(chooser.hwnd());
}

}  // namespace
}  // namespace kv
