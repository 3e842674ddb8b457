// A class test from start to end on a real school server, with real keys:
// the teacher prepares a one-minute test in the program, a learner opens it
// through its file, picks a name, types until the time is up and reads that
// the result was handed in; the teacher's window shows the learner with a
// grade, the class overview names who is missing, and a second attempt is
// refused. tests/tools/class_test_flow.sh starts Samba, mounts the share
// once as the teacher (L:) and once as a learner (T:) and runs this.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "exam/class_test.h"
#include "platform/file_io.h"
#include "tests/win/learner_fixture.h"
#include "ui/exam/exam_prepare_dialog_win.h"
#include "ui/exam/exam_start_win.h"
#include "ui/teachers/class_window_win.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

std::wstring environment(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD n = ::GetEnvironmentVariableW(name, value, 1024);
  return n > 0 && n < 1024 ? std::wstring(value, n) : std::wstring();
}

// Puts text on the clipboard, for the program's Ctrl+V.
bool putOnClipboard(const std::wstring& text) {
  if (!::OpenClipboard(nullptr)) return false;
  ::EmptyClipboard();
  const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  bool put = false;
  if (memory != nullptr) {
    auto* target = static_cast<wchar_t*>(::GlobalLock(memory));
    std::copy(text.c_str(), text.c_str() + text.size() + 1, target);
    ::GlobalUnlock(memory);
    put = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    if (!put) ::GlobalFree(memory);
  }
  ::CloseClipboard();
  return put;
}

// Keys and text, each xdotool run to its end before the next: two runs at
// once mix their keys (a Ctrl held by one turns the other's "1" into Ctrl+1).
bool press(const std::wstring& keys) { return test::runUnixToEnd(L"xdotool key " + keys); }
bool typeText(const std::wstring& text) {
  return test::runUnixToEnd(L"xdotool type --delay 60 " + test::shellQuoted(text), 60000);
}

// The Alt letter a control's caption marks with "&"; 0 without one.
wchar_t altLetter(HWND control) {
  const std::wstring text = test::controlText(control);
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == L'&' && text[i + 1] != L'&') return static_cast<wchar_t>(::towlower(text[i + 1]));
    if (text[i] == L'&') ++i;
  }
  return 0;
}

// Pixels of a window as the screen shows them: how many are the yellow of a
// warning sign and how many the red of an error sign.
struct SignColours {
  int yellow = 0;
  int red = 0;
};
SignColours signColoursOf(HWND window) {
  SignColours found;
  RECT r{};
  if (!::GetWindowRect(window, &r)) return found;
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  const HDC screen = ::GetDC(nullptr);
  const HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  const HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr && bits != nullptr) {
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    ::SelectObject(memory, old);
    const auto* pixel = static_cast<const std::uint8_t*>(bits);
    for (int i = 0; i < width * height; ++i, pixel += 4) {
      const int blue = pixel[0], green = pixel[1], red = pixel[2];
      if (red > 200 && green > 160 && blue < 90) ++found.yellow;
      if (red > 170 && green < 90 && blue < 90) ++found.red;
    }
  }
  if (bitmap != nullptr) ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return found;
}

class ClassTestFlow : public testing::Test {
 protected:
  void SetUp() override {
    work = environment(L"KV_FLOW_WORK");
    ASSERT_FALSE(work.empty()) << "runs only from tests/tools/class_test_flow.sh, which starts the server";
    teacherShare = L"L:\\8b";
    learnerShare = L"T:\\8b";
    ASSERT_NE(::GetFileAttributesW(teacherShare.c_str()), INVALID_FILE_ATTRIBUTES) << "the teacher's share is not on L:";
    ASSERT_NE(::GetFileAttributesW(learnerShare.c_str()), INVALID_FILE_ATTRIBUTES) << "the learner's share is not on T:";
  }

  void TearDown() override {
    // What the screen showed when it went wrong, beside the run's work folder.
    if (HasFailure()) test::runUnixToEnd(L"import -window root " + test::shellQuoted(work + L"-fehler.png"));
    for (auto* p : {&learner, &teacher}) {
      if (p->main != nullptr && p->process.running()) p->process.closeNormally(p->main);
    }
  }

  struct Program {
    test::ProgramProcess process;
    HWND main = nullptr;
    std::wstring xWindow;  // its X window, as xdotool names it
  };

  // Starts the program and gives its X window the keyboard, telling it from
  // another program's window by the ones there were before.
  void start(Program& p, const std::wstring& args = L"") {
    const std::wstring before = work + L"/x-before";
    ASSERT_TRUE(test::runUnixToEnd(L"xdotool search --name '^Klavento 7$' > " + test::shellQuoted(before) + L" || true"));
    ASSERT_TRUE(p.process.start(test::besideThisExe(KV_EXE_NAME), args));
    p.main = test::waitForTopLevelWindow(p.process.pid(), L"Klavento 7", 30000, kMainWindowClass);
    ASSERT_NE(p.main, nullptr);
    ASSERT_TRUE(test::waitUntilPainted(p.main, 20000));
    const std::wstring found = work + L"/x-new";
    ASSERT_TRUE(test::runUnixToEnd(L"for i in $(seq 50); do xdotool search --name '^Klavento 7$' | grep -vxFf " +
                                   test::shellQuoted(before) + L" > " + test::shellQuoted(found) +
                                   L" && break; sleep 0.2; done"));
    std::string id;
    ASSERT_TRUE(readWholeFile(windowsPath(found), id));
    id = id.substr(0, id.find('\n'));
    ASSERT_FALSE(id.empty()) << "the program's X window was not found";
    p.xWindow = win::widen(id);
    focus(p);
  }

  // A file of the work folder as Wine's Z: drive names it.
  std::wstring windowsPath(const std::wstring& unixPath) const {
    std::wstring path = L"Z:" + unixPath;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
  }

  void focus(const Program& p) {
    ASSERT_TRUE(test::runUnixToEnd(L"xdotool windowactivate --sync " + p.xWindow + L" 2>/dev/null; xdotool windowfocus --sync " +
                                   p.xWindow));
    ::Sleep(500);
  }

  // Presses the Alt letter of a control's label or caption.
  void altOf(HWND dialog, int id) {
    const wchar_t letter = altLetter(::GetDlgItem(dialog, id));
    ASSERT_NE(letter, 0) << "control " << id << " has no Alt letter";
    ASSERT_TRUE(press(std::wstring(L"alt+") + letter));
    ::Sleep(300);
  }

  void typeInto(HWND dialog, int labelId, int fieldId, const std::wstring& text) {
    altOf(dialog, labelId);
    const HWND field = ::GetDlgItem(dialog, fieldId);
    ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(dialog) == field; }, 5000))
        << "Alt letter of " << labelId << " did not reach its field";
    ASSERT_TRUE(press(L"ctrl+a"));
    ASSERT_TRUE(typeText(text));
    ASSERT_TRUE(test::waitUntil([&] { return test::controlText(field) == text; }, 15000))
        << win::narrowLossy(test::controlText(field));
  }

  std::wstring work;
  std::wstring teacherShare;
  std::wstring learnerShare;
  Program teacher;
  Program learner;
};

TEST_F(ClassTestFlow, PreparedTakenHandedInWatchedAndASecondAttemptRefused) {
  // --- The teacher prepares a one-minute test by keys.
  ASSERT_NO_FATAL_FAILURE(start(teacher));
  ASSERT_NE(test::waitForOnlyChild(teacher.main, SelectionDialog::kClassName, 15000), nullptr);
  ASSERT_TRUE(press(L"alt+l"));
  ASSERT_NE(test::waitForMenu(teacher.process.pid(), 5000), nullptr) << "Alt+L opened no menu";
  ASSERT_TRUE(press(L"v"));
  const HWND dialog = test::waitForTopLevelWindow(teacher.process.pid(), L"Klassenarbeit vorbereiten", 15000);
  ASSERT_NE(dialog, nullptr) << "Lehrkräfte → Klassenarbeit vorbereiten opened no dialog";
  ASSERT_TRUE(test::waitUntilPainted(dialog, 10000));
  // The first text of the list: the built-in lines the learner types.
  altOf(dialog, ClassTestPreparation::kTextLabel);
  ASSERT_TRUE(press(L"Home"));
  ASSERT_TRUE(test::waitUntil([&] { return !test::controlText(::GetDlgItem(dialog, ClassTestPreparation::kTextInfo)).empty(); }, 5000));
  altOf(dialog, ClassTestPreparation::kFormScreen);
  ASSERT_NO_FATAL_FAILURE(typeInto(dialog, ClassTestPreparation::kMinutesLabel, ClassTestPreparation::kMinutes, L"1"));
  ASSERT_NO_FATAL_FAILURE(typeInto(dialog, ClassTestPreparation::kClassLabel, ClassTestPreparation::kClassField, L"8b"));
  // The class list, pasted as from the school's export: 32 names, one with
  // a time of her own. The script wrote it; its classmates hand in later.
  std::string classList;
  ASSERT_TRUE(readWholeFile(windowsPath(work + L"/liste.txt"), classList));
  ASSERT_TRUE(putOnClipboard(win::widenUtf8(classList)));
  altOf(dialog, ClassTestPreparation::kListLabel);
  const HWND list = ::GetDlgItem(dialog, ClassTestPreparation::kList);
  ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(dialog) == list; }, 5000));
  ASSERT_TRUE(press(L"ctrl+v"));
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(list).find(L"Zimmer, Kim") != std::wstring::npos; }, 10000))
      << win::narrowLossy(test::controlText(list));
  // A grade key: the first one offered after "ohne Noten".
  altOf(dialog, ClassTestPreparation::kKeyLabel);
  ASSERT_TRUE(press(L"Down"));
  ASSERT_NO_FATAL_FAILURE(typeInto(dialog, ClassTestPreparation::kFolderLabel, ClassTestPreparation::kFolder, teacherShare));
  altOf(dialog, ClassTestPreparation::kSave);
  if (!test::waitUntil([&] { return !::IsWindow(dialog); }, 20000)) {
    const HWND box = test::waitForMessageBox(teacher.process.pid(), 1000);
    FAIL() << "Speichern left the dialog open: "
           << (box != nullptr ? win::narrowLossy(test::messageBoxText(box)) : std::string("no message"));
  }

  // The test lies in the share with its hand-in folder; the teachers' window watches it.
  fs::path testFile;
  for (const auto& entry : fs::directory_iterator(fs::path(teacherShare))) {
    if (entry.path().extension() == L".kvk") testFile = entry.path();
  }
  ASSERT_FALSE(testFile.empty()) << "no test file in " << win::narrowLossy(teacherShare);
  ClassTest test;
  std::string reason;
  ASSERT_EQ(readClassTestFile(testFile, test, reason), TestFileError::None) << reason;
  EXPECT_EQ(test.seconds, 60);
  EXPECT_EQ(test.form, 3);
  EXPECT_EQ(test.className, "8b");
  ASSERT_EQ(test.learners.size(), 32u);
  EXPECT_EQ(test.learners[1].seconds, 90);
  EXPECT_TRUE(fs::is_directory(handInFolderOf(testFile)));
  ASSERT_TRUE(writeFileAtomically(fs::path(windowsPath(work + L"/vorbereitet")), "ja"));
  const HWND watch = test::waitForOnlyChild(teacher.main, kClassChildClass, 15000);
  ASSERT_NE(watch, nullptr) << "the teachers' window did not open on the test";
  const HWND rows = ::GetDlgItem(watch, ClassWindow::kListId);
  const HWND summary = ::GetDlgItem(watch, ClassWindow::kSummaryId);
  ASSERT_TRUE(test::waitUntil([&] { return test::listViewCount(rows) == 32; }, 10000));
  EXPECT_NE(test::controlText(summary).find(L"0 von 32 abgegeben"), std::wstring::npos)
      << win::narrowLossy(test::controlText(summary));

  // --- A learner opens the test through its file, as a double-click does.
  const std::wstring learnerFile = learnerShare + L"\\" + testFile.filename().wstring();
  ASSERT_NO_FATAL_FAILURE(start(learner, L"\"" + learnerFile + L"\""));
  const HWND page = test::waitForOnlyChild(learner.main, kClassTestChildClass, 20000);
  ASSERT_NE(page, nullptr) << "the test file did not open the start page";
  ASSERT_TRUE(test::waitUntilPainted(page, 10000));
  const HWND name = ::GetDlgItem(page, ClassTestStart::kNameId);
  ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(learner.main) == name; }, 10000));
  // The first letters of the first name find her in the list.
  ASSERT_TRUE(typeText(L"Jon"));
  const HWND names = ::GetDlgItem(page, ClassTestStart::kListId);
  ASSERT_TRUE(test::waitUntil([&] { return ::SendMessageW(names, LB_GETCURSEL, 0, 0) == 0; }, 5000))
      << "typing did not find the name";
  // The arrow keys walk the list from the name field; back up to her.
  ASSERT_TRUE(press(L"Down"));
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(name) == L"Schmidt, Lea"; }, 5000))
      << win::narrowLossy(test::controlText(name));
  EXPECT_NE(test::controlText(::GetDlgItem(page, ClassTestStart::kNoteId)).find(L"1,5 Minuten"), std::wstring::npos)
      << "her own time is not shown";
  ASSERT_TRUE(press(L"Up"));
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(name) == L"Becker, Jonas"; }, 5000))
      << win::narrowLossy(test::controlText(name));
  ASSERT_TRUE(press(L"Return"));
  const HWND exercise = test::waitForOnlyChild(learner.main, ExerciseWindow::kClassName, 15000);
  ASSERT_NE(exercise, nullptr) << "Beginnen started no exercise";
  const HWND field = ::GetDlgItem(exercise, ExerciseWindow::kFieldId);
  ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(learner.main) == field; }, 10000));
  ASSERT_TRUE(test::startExerciseWithSpace(field));
  const DWORD started = ::GetTickCount();
  ASSERT_TRUE(typeLikeALearner(kLine1.substr(0, 29)));
  // Until the time is up: the exercise ends by itself; "Weiter >" as always.
  ASSERT_TRUE(test::waitUntil([&] { return test::exerciseEnded(field); }, 90000)) << "the time limit did not end it";
  EXPECT_GE(::GetTickCount() - started, 55000u) << "ended before the minute was up";
  // The classmates hand in at this moment too (the script waits for "los").
  ASSERT_TRUE(writeFileAtomically(fs::path(windowsPath(work + L"/los")), "los"));
  ASSERT_TRUE(press(L"alt+w"));
  const HWND result = test::waitForOnlyChild(learner.main, ResultWindow::kClassName, 30000);
  ASSERT_NE(result, nullptr) << "no evaluation after the time limit";
  const HWND handIn = ::GetDlgItem(result, ResultWindow::kHandInId);
  ASSERT_NE(handIn, nullptr) << "the result window says nothing of the hand-in";
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(handIn).rfind(L"Abgegeben um", 0) == 0; }, 5000))
      << win::narrowLossy(test::controlText(handIn));
  EXPECT_EQ(test::listLine(::GetDlgItem(result, ResultWindow::kListId), 4), L"Becker, Jonas");
  EXPECT_EQ(test::listLine(::GetDlgItem(result, ResultWindow::kListId), 5), L"8b");
  // Her file arrived once, under a name that says who.
  int hers = 0;
  for (const auto& entry : fs::directory_iterator(handInFolderOf(testFile))) {
    hers += entry.path().filename().wstring().rfind(L"8b – Becker, Jonas – ", 0) == 0;
  }
  EXPECT_EQ(hers, 1);
  ASSERT_TRUE(press(L"alt+s"));  // Schließen: handed in, so nothing to ask
  ASSERT_NE(test::waitForOnlyChild(learner.main, SelectionDialog::kClassName, 15000), nullptr);
  ASSERT_TRUE(learner.process.closeNormally(learner.main));
  learner.main = nullptr;

  // --- The teachers' window shows her within seconds, with a grade.
  int row = -1;
  ASSERT_TRUE(test::waitUntil(
      [&] {
        for (int i = 0; i < test::listViewCount(rows); ++i) {
          if (test::listViewText(rows, i, ClassWindow::kName).rfind(L"Becker, Jonas", 0) == 0 &&
              test::listViewText(rows, i, ClassWindow::kStatus).rfind(L"abgegeben", 0) == 0) {
            row = i;
            return true;
          }
        }
        return false;
      },
      10000))
      << "the hand-in did not show in the teachers' window";
  EXPECT_FALSE(test::listViewText(rows, row, ClassWindow::kGrade).empty()) << "no grade";
  // With hers, the 29 classmates' at the same moment: 30 of the 32.
  EXPECT_TRUE(test::waitUntil([&] { return test::controlText(summary).find(L"30 von 32 abgegeben") != std::wstring::npos; },
                              15000))
      << win::narrowLossy(test::controlText(summary));

  // --- The server stops while the teacher watches: the list stays, the
  // window says so with the time of the last reading, and reads again by
  // itself once the server is back.
  const HWND notice = ::GetDlgItem(watch, ClassWindow::kNoticeId);
  const std::wstring server = test::shellQuoted(win::widen(KV_SOURCE_DIR) + L"/tests/tools/school_server.sh");
  ASSERT_TRUE(test::runUnixToEnd(server + L" stop " + test::shellQuoted(work + L"/server"), 60000));
  EXPECT_TRUE(test::waitUntil(
      [&] { return test::controlText(notice).find(L"ist nicht erreichbar (zuletzt gelesen ") != std::wstring::npos; },
      20000))
      << win::narrowLossy(test::controlText(notice));
  EXPECT_EQ(test::listViewCount(rows), 32) << "the list was not kept";
  ASSERT_TRUE(test::runUnixToEnd(server + L" start " + test::shellQuoted(work + L"/server") + L" >/dev/null", 60000));
  EXPECT_TRUE(test::waitUntil([&] { return test::controlText(notice).empty(); }, 40000))
      << "not read again after the server came back: " << win::narrowLossy(test::controlText(notice));
  EXPECT_NE(test::controlText(summary).find(L"30 von 32 abgegeben"), std::wstring::npos)
      << win::narrowLossy(test::controlText(summary));

  // --- The class overview, for Chromium: the script reads who is missing.
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring note = std::wstring(temp) + L"kv-klassenarbeit-geoeffnet.txt";
  ::DeleteFileW(note.c_str());
  wchar_t before[128] = {};
  LONG size = sizeof before;
  ASSERT_EQ(::RegQueryValueW(HKEY_CLASSES_ROOT, L".html", before, &size), ERROR_SUCCESS);
  ASSERT_TRUE(test::setClassesRootDefault(L".html", L"KlaventoTestSeite"));
  ASSERT_TRUE(test::setClassesRootDefault(L"KlaventoTestSeite\\shell\\open\\command",
                                          L"C:\\windows\\system32\\cmd.exe /c echo %1> \"" + note + L"\""));
  const std::wstring page2 = windowsPath(work + L"/uebersicht.html");
  focus(teacher);
  ASSERT_TRUE(test::waitUntil([&] { return ::IsChild(watch, test::focusOfThread(teacher.main)); }, 5000));
  altOf(watch, ClassWindow::kOverviewId);
  const HWND save = test::waitForTopLevelWindow(teacher.process.pid(), L"Klassenübersicht speichern", 15000, L"#32770");
  ASSERT_NE(save, nullptr);
  const HWND saveName = test::fileNameField(save);
  ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(teacher.main) == saveName; }, 5000));
  // It offers a name that says what it is; typed over here.
  EXPECT_EQ(test::controlText(saveName).rfind(L"Klassenübersicht 8b ", 0), 0u)
      << win::narrowLossy(test::controlText(saveName));
  ASSERT_TRUE(press(L"End shift+Home BackSpace"));
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(saveName).empty(); }, 5000));
  ASSERT_TRUE(typeText(page2));
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(saveName) == page2; }, 15000));
  ASSERT_TRUE(press(L"Return"));
  const bool opened = test::waitUntil([&] { return ::GetFileAttributesW(note.c_str()) != INVALID_FILE_ATTRIBUTES; }, 15000);
  test::setClassesRootDefault(L".html", before);
  ::SHDeleteKeyW(HKEY_CLASSES_ROOT, L"KlaventoTestSeite");
  ::DeleteFileW(note.c_str());
  EXPECT_TRUE(opened) << "the overview was not opened in the browser";
  EXPECT_NE(::GetFileAttributesW(page2.c_str()), INVALID_FILE_ATTRIBUTES);

  // --- A second attempt, on another PC as on this one, is refused by name.
  ASSERT_NO_FATAL_FAILURE(start(learner, L"\"" + learnerFile + L"\""));
  const HWND again = test::waitForOnlyChild(learner.main, kClassTestChildClass, 20000);
  ASSERT_NE(again, nullptr);
  const HWND name2 = ::GetDlgItem(again, ClassTestStart::kNameId);
  ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(learner.main) == name2; }, 10000));
  ASSERT_TRUE(typeText(L"Becker, Jonas"));
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(name2) == L"Becker, Jonas"; }, 10000));
  ASSERT_TRUE(press(L"Return"));
  const HWND box = test::waitForMessageBox(learner.process.pid(), 10000);
  ASSERT_NE(box, nullptr) << "a second attempt was not refused";
  const std::wstring refusal = test::messageBoxText(box);
  EXPECT_NE(refusal.find(L"8b – Becker, Jonas – "), std::wstring::npos) << win::narrowLossy(refusal);
  test::pressDialogButton(box, IDOK);
  EXPECT_EQ(test::waitForOnlyChild(learner.main, ExerciseWindow::kClassName, 2000), nullptr)
      << "the refused attempt began anyway";
}

// The server goes while a learner types: the result waits on this PC, the
// box says so with a warning (nothing is lost), and once the server is back
// the program hands it in by itself while it is still open, and the result
// window says where it went.
TEST_F(ClassTestFlow, AResultKeptWaitingGoesInWhileTheProgramRuns) {
  fs::path testFile;
  for (const auto& entry : fs::directory_iterator(fs::path(learnerShare))) {
    if (entry.path().extension() == L".kvk") testFile = entry.path();
  }
  ASSERT_FALSE(testFile.empty()) << "no test file in the share: the first flow did not prepare one";
  const fs::path handIns = handInFolderOf(testFile);
  const auto hisFiles = [&] {
    int found = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(handIns, ec)) {
      found += entry.path().filename().wstring().rfind(L"8b – Yilmaz, Emre – ", 0) == 0;
    }
    return found;
  };
  ASSERT_EQ(hisFiles(), 0);

  ASSERT_NO_FATAL_FAILURE(start(learner, L"\"" + testFile.wstring() + L"\""));
  const HWND page = test::waitForOnlyChild(learner.main, kClassTestChildClass, 20000);
  ASSERT_NE(page, nullptr) << "the test file did not open the start page";
  const HWND name = ::GetDlgItem(page, ClassTestStart::kNameId);
  ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(learner.main) == name; }, 10000));
  ASSERT_TRUE(typeText(L"Yilmaz, Emre"));
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(name) == L"Yilmaz, Emre"; }, 10000));
  ASSERT_TRUE(press(L"Return"));
  const HWND exercise = test::waitForOnlyChild(learner.main, ExerciseWindow::kClassName, 15000);
  ASSERT_NE(exercise, nullptr) << "Beginnen started no exercise";
  const HWND field = ::GetDlgItem(exercise, ExerciseWindow::kFieldId);
  ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(learner.main) == field; }, 10000));
  ASSERT_TRUE(test::startExerciseWithSpace(field));
  ASSERT_TRUE(typeLikeALearner(kLine1.substr(0, 20)));

  // The server goes before the time is up.
  const std::wstring server = test::shellQuoted(win::widen(KV_SOURCE_DIR) + L"/tests/tools/school_server.sh");
  const std::wstring serverFolder = test::shellQuoted(work + L"/server");
  ASSERT_TRUE(test::runUnixToEnd(server + L" stop " + serverFolder, 60000));
  ASSERT_TRUE(test::waitUntil([&] { return test::exerciseEnded(field); }, 90000)) << "the time limit did not end it";
  ASSERT_TRUE(press(L"alt+w"));
  const HWND result = test::waitForOnlyChild(learner.main, ResultWindow::kClassName, 30000);
  ASSERT_NE(result, nullptr) << "no evaluation after the time limit";

  const HWND box = test::waitForMessageBox(learner.process.pid(), 20000);
  ASSERT_NE(box, nullptr) << "the learner was not told that the result waits";
  const std::wstring said = test::messageBoxText(box);
  EXPECT_NE(said.find(L"auch beim nächsten Start"), std::wstring::npos) << win::narrowLossy(said);
  EXPECT_NE(said.find(L"„Speichern …“"), std::wstring::npos) << win::narrowLossy(said);
  EXPECT_EQ(said.find(L'"'), std::wstring::npos) << "two kinds of quotes: " << win::narrowLossy(said);
  ASSERT_TRUE(test::waitUntilPainted(box, 5000));
  ::Sleep(500);
  const SignColours sign = signColoursOf(box);
  EXPECT_GT(sign.yellow, 20) << "no warning sign in the box";
  EXPECT_LT(sign.red, 20) << "an error sign, though nothing is lost";
  ASSERT_TRUE(test::answerWithReturn(box, 15000)) << "Return did not close the box";

  const HWND handIn = ::GetDlgItem(result, ResultWindow::kHandInId);
  ASSERT_NE(handIn, nullptr);
  EXPECT_EQ(test::controlText(handIn).rfind(L"Noch nicht abgegeben", 0), 0u) << win::narrowLossy(test::controlText(handIn));

  // The server is back; the program stays open and hands in by itself.
  ASSERT_TRUE(test::runUnixToEnd(server + L" start " + serverFolder + L" >/dev/null", 60000));
  const DWORD back = ::GetTickCount();
  EXPECT_TRUE(test::waitUntil([&] { return test::controlText(handIn).rfind(L"Abgegeben um", 0) == 0; }, 60000))
      << "still waiting a minute after the server came back: " << win::narrowLossy(test::controlText(handIn));
  EXPECT_LE(::GetTickCount() - back, 60000u);
  EXPECT_NE(test::controlText(handIn).find(L"8b – Yilmaz, Emre – "), std::wstring::npos)
      << win::narrowLossy(test::controlText(handIn));
  EXPECT_TRUE(test::waitUntil([&] { return hisFiles() == 1; }, 20000)) << "his result is not in the share once";
  EXPECT_TRUE(learner.process.running()) << "the program did not stay open";
  ASSERT_TRUE(press(L"alt+s"));  // handed in: closing asks nothing
  ASSERT_NE(test::waitForOnlyChild(learner.main, SelectionDialog::kClassName, 15000), nullptr);
}

}  // namespace
}  // namespace kv
