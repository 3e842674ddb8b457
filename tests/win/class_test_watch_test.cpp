// The teachers' window watching a class test, with real keys and the mouse:
// the test folder lies on a drive that goes away as a school server does (a
// bind mount mapped to a Wine drive letter, tests/tools/failing_disk.sh, as
// root). The window shows one row per learner, who is missing and the count;
// a hand-in copied in shows by itself; a result with made-up figures is
// marked and not graded; a test changed in the share is noticed against the
// teacher's own copy. When the drive goes, the rows stay and the window says
// since when; when it is back, it reads again by itself. Choosing a folder
// that cannot be reached says so too.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "classroom/grade_key.h"
#include "evaluation/comparison.h"
#include "evaluation/saved_file.h"
#include "evaluation/summary.h"
#include "exam/class_test.h"
#include "exam/hand_in.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "session/exercise_session.h"
#include "tests/win/learner_fixture.h"
#include "ui/exam/class_test_places_win.h"
#include "ui/teachers/class_window_win.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

constexpr const wchar_t* kLetter = L"w";

const std::vector<std::string> kText = {"Die Idee zum Bau eines Hauses kam im Winter.",
                                        "Am Montag begann die Arbeit am Keller."};

// A hand-in as the program makes it: the exercise window's hand-over, the
// comparison, the summary and the sealed file.
std::string genuine(const std::vector<std::string>& typed, const std::string& name) {
  KeyTableLookup keys;
  keys.rebuild();
  HandedOverText handed = prepareTypedText(typed, 40, keys);
  TypedExercise ex;
  ex.typedLineCount = static_cast<std::int32_t>(typed.size());
  ex.typedText = std::move(handed.typedText);
  ex.keystrokes = handed.keystrokes;
  ex.templateText = joinTemplateLines(kText);
  compareTexts(ex, ComparisonInputs{4, 10, false});
  SummaryInputs in;
  in.form = 4;
  in.pace = 10;
  in.correctionAllowed = false;
  in.exerciseTitle = "Hausbau";
  in.selection = {1, static_cast<std::int32_t>(kText.size()), 0, 1};
  in.endTick = 240000;
  in.learnerLine1 = name;
  in.learnerLine2 = "8b";
  in.longestLine = handed.longestLine;
  in.today = {2026, 12, 9};
  return encodeResultFile(buildSummary(ex, in), ex, handed.longestLine);
}

// Sealed correctly, but with figures a cheat's script wrote in.
std::string forged(const std::string& name) {
  TypedExercise ex;
  ex.typedText = "Die Idee zum Bau\r\n";
  ex.keystrokes = 2400;
  ex.errorCount = 0;
  SummaryInputs in;
  in.form = 4;
  in.pace = 10;
  in.exerciseTitle = "Hausbau";
  in.learnerLine1 = name;
  in.learnerLine2 = "8b";
  in.endTick = 600000;
  in.today = {2026, 12, 9};
  return encodeResultFile(buildSummary(ex, in), ex, 40);
}

class TeacherWatch : public LearnerKeys {
 protected:
  void SetUp() override {
    unixDir_ = L"/tmp/kv-watch-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
               win::widen(testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_NO_FATAL_FAILURE(step(L"teardown"));
    ASSERT_NO_FATAL_FAILURE(step(L"bind"));
    test_.id = testIdOf(0x5eed0c1a55ULL + ::GetCurrentProcessId());
    test_.className = "8b";
    test_.title = "Hausbau";
    test_.lines = kText;
    test_.form = 4;
    test_.seconds = 600;
    test_.correctionAllowed = false;
    test_.learners = {{"Adler, Anna", 0}, {"Becker, Ben", 0}, {"Yilmaz, Can", 750}};
    test_.gradeKey = formatGradeKey(gradeKeyPresets().front());
    test_.prepared = {{2026, 12, 9}, 9, 55, 0};
    testFile_ = fs::path(L"W:\\Klasse 8b") / L"Klassenarbeit 8b.kvk";
    handIns_ = handInFolderOf(testFile_);
    ASSERT_TRUE(fs::create_directories(handIns_));
    // The teacher's copy as prepared; the share's test was changed to 15
    // minutes and sealed again, as anyone who knows the format can.
    copy_ = teachersCopyOf(test_.id);
    fs::create_directories(copy_.parent_path());
    ASSERT_TRUE(writeFileAtomically(copy_, encodeClassTest(test_)));
    ClassTest changed = test_;
    changed.seconds = 900;
    ASSERT_TRUE(writeFileAtomically(testFile_, encodeClassTest(changed)));
    ASSERT_NO_FATAL_FAILURE(handIn("Adler, Anna", genuine(kText, "Adler, Anna"), 10, 14));
    ASSERT_NO_FATAL_FAILURE(
        handIn("Becker, Ben", genuine({"Die Idee zum Bau eines Hauses kam im Wintr.", kText[1]}, "Becker, Ben"), 10, 15));
    ASSERT_NO_FATAL_FAILURE(handIn("Ziegler, Zoe", forged("Ziegler, Zoe"), 10, 16));
    ASSERT_NO_FATAL_FAILURE(prepare());
    ASSERT_TRUE(test::reg(L"add \"HKCU\\Software\\Policies\\Klavento\\7.0\\Verzeichnisse\" /v Schuelerverzeichnis "
                          L"/t REG_SZ /d \"" + startFolder().wstring() + L"\" /f"));
    LearnerKeys::SetUp();
  }
  void TearDown() override {
    LearnerKeys::TearDown();
    ::SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Policies\\Klavento");
    std::error_code ec;
    fs::remove(copy_, ec);
    step(L"teardown");
    fs::remove_all(stateFolder(), ec);
  }

  // Where the window opens: the test's folder, or a class folder of its own.
  virtual fs::path startFolder() const { return testFile_.parent_path(); }
  virtual void prepare() {}

  void handIn(const std::string& learner, const std::string& bytes, int hour, int minute) {
    const ClockTime when{{2026, 12, 9}, hour, minute, 0};
    const HandInOutcome out = handInFile(handIns_, handInFileName("8b", learner, when), bytes);
    ASSERT_TRUE(out.delivered) << out.reason;
  }

  // Runs one step of the drive script and waits for its answer.
  void step(const std::wstring& name) {
    const fs::path done = stateFolder() / (name + L".done");
    const fs::path failed = stateFolder() / (name + L".failed");
    std::error_code ec;
    fs::remove(done, ec);
    fs::remove(failed, ec);
    ASSERT_TRUE(runUnix(L"/bin/bash " + win::widen(KV_SOURCE_DIR) + L"/tests/tools/failing_disk.sh " + name + L" " +
                        unixDir_ + L" " + kLetter));
    ASSERT_TRUE(test::waitUntil([&] { return fs::exists(done, ec) || fs::exists(failed, ec); }, 30000))
        << "the drive step " << win::narrowLossy(name) << " gave no answer";
    std::string why;
    readWholeFile(failed, why);
    ASSERT_FALSE(fs::exists(failed, ec)) << "the drive step " << win::narrowLossy(name) << " failed: " << why;
  }
  fs::path stateFolder() const { return fs::path(L"Z:" + unixDir_ + L".state"); }

  // The row whose name cell starts with `name`; -1 when there is none.
  static int rowOf(HWND list, const std::wstring& name) {
    for (int i = 0; i < test::listViewCount(list); ++i) {
      if (test::listViewText(list, i, ClassWindow::kName).rfind(name, 0) == 0) return i;
    }
    return -1;
  }
  static std::wstring cell(HWND list, const std::wstring& name, int column) {
    const int row = rowOf(list, name);
    return row < 0 ? L"(keine Zeile " + name + L")" : test::listViewText(list, row, column);
  }
  static std::string rows(HWND list) {
    std::string all;
    for (int i = 0; i < test::listViewCount(list); ++i) {
      all += win::narrowLossy(test::listViewText(list, i, ClassWindow::kName) + L" | " +
                              test::listViewText(list, i, ClassWindow::kStatus) + L" | " +
                              test::listViewText(list, i, ClassWindow::kGrade)) + "\n";
    }
    return all;
  }

  // The window as it is on screen, for the user guide: docs/bilder/<name>.png,
  // written under another name first and renamed when complete.
  // Only when asked for (KV_GUIDE_PICTURES=1): a test run leaves the sources alone.
  void photograph(HWND window, const std::wstring& name) {
    wchar_t wanted[8] = {};
    if (::GetEnvironmentVariableW(L"KV_GUIDE_PICTURES", wanted, 8) == 0 || wanted[0] != L'1') return;
    ::RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ASSERT_TRUE(test::waitUntilPainted(window, 5000));
    const std::wstring picture = win::widen(KV_SOURCE_DIR) + L"/docs/bilder/" + name + L".png";
    EXPECT_TRUE(test::photographForGuide(main, picture)) << "no picture " << win::narrowLossy(picture);
  }

  std::wstring unixDir_;
  ClassTest test_;
  fs::path testFile_, handIns_, copy_;
};

TEST_F(TeacherWatch, ShowsWhoIsMissingSeesNewHandInsAndKeepsItsListWhileTheServerIsGone) {
  ASSERT_TRUE(key(L"ctrl+k"));
  // The share's test differs from the teacher's copy: said at once, and the copy counts.
  const HWND box = test::waitForMessageBox(program.pid(), 15000);
  ASSERT_NE(box, nullptr) << "the changed test in the share was not noticed";
  EXPECT_EQ(test::messageBoxText(box).rfind(L"Die Klassenarbeit im Ordner wurde verändert.", 0), 0u)
      << win::narrowLossy(test::messageBoxText(box));
  ASSERT_TRUE(key(L"Return"));
  ASSERT_TRUE(test::waitUntil([&] { return !::IsWindow(box); }, 5000));
  const HWND window = test::waitForOnlyChild(main, kClassChildClass, 15000);
  ASSERT_NE(window, nullptr);
  const HWND list = ::GetDlgItem(window, ClassWindow::kListId);
  const HWND summary = ::GetDlgItem(window, ClassWindow::kSummaryId);
  const HWND notice = ::GetDlgItem(window, ClassWindow::kNoticeId);
  ASSERT_TRUE(test::waitUntil([&] { return test::listViewCount(list) == 4; }, 15000)) << rows(list);
  EXPECT_EQ(test::controlText(::GetDlgItem(window, ClassWindow::kFolderId)), handIns_.wstring());

  // The list's learners in its order, then the file that belongs to nobody.
  EXPECT_EQ(test::listViewText(list, 0, ClassWindow::kName), L"Adler, Anna") << rows(list);
  EXPECT_EQ(test::listViewText(list, 2, ClassWindow::kName), L"Yilmaz, Can (12,5 Minuten)") << rows(list);
  EXPECT_EQ(cell(list, L"Adler, Anna", ClassWindow::kStatus), L"abgegeben 10:14");
  EXPECT_EQ(cell(list, L"Yilmaz, Can", ClassWindow::kStatus), L"fehlt");
  EXPECT_EQ(cell(list, L"Yilmaz, Can", ClassWindow::kKeystrokes), L"");
  // Graded by the test's own key, chosen for it: no errors a 1, one error not.
  EXPECT_NE(test::controlText(::GetDlgItem(window, ClassWindow::kKeyBoxId)).find(L"(Schlüssel der Klassenarbeit)"),
            std::wstring::npos);
  EXPECT_EQ(cell(list, L"Adler, Anna", ClassWindow::kGrade), L"1") << rows(list);
  EXPECT_EQ(cell(list, L"Becker, Ben", ClassWindow::kErrors), L"1") << rows(list);
  EXPECT_NE(cell(list, L"Becker, Ben", ClassWindow::kGrade), L"") << rows(list);
  // 2400 Anschläge stated for a line of 16 characters: marked, never graded.
  EXPECT_EQ(cell(list, L"Ziegler, Zoe", ClassWindow::kStatus), L"Kennzahlen passen nicht zum geschriebenen Text");
  EXPECT_EQ(cell(list, L"Ziegler, Zoe", ClassWindow::kGrade), L"–");
  std::wstring line = test::controlText(summary);
  EXPECT_NE(line.find(L"2 von 3 abgegeben"), std::wstring::npos) << win::narrowLossy(line);
  EXPECT_NE(line.find(L"„Hausbau“"), std::wstring::npos) << win::narrowLossy(line);
  EXPECT_NE(line.find(L"10 Minuten"), std::wstring::npos) << "the share's changed time counted: " << win::narrowLossy(line);
  EXPECT_NE(test::controlText(notice).find(L"wurde verändert"), std::wstring::npos);
  ASSERT_NO_FATAL_FAILURE(photograph(window, L"klassenarbeit-beobachten"));

  // The teacher chooses Ben's row with the mouse; it stays chosen as the list refreshes.
  RECT header = test::listViewHeaderOnScreen(list, ClassWindow::kName);
  const int rowHeight = header.bottom - header.top;
  const int ben = rowOf(list, L"Becker, Ben");
  ASSERT_GE(ben, 0);
  ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool mousemove " + std::to_wstring((header.left + header.right) / 2) +
                                 L" " + std::to_wstring(header.bottom + ben * rowHeight + rowHeight / 3) +
                                 L" click 1"));
  ASSERT_TRUE(test::waitUntil([&] { return test::listViewSelection(list) == ben; }, 5000));

  // Can hands in: the row says so within 5 seconds, without a key pressed.
  ASSERT_NO_FATAL_FAILURE(handIn("Yilmaz, Can", genuine(kText, "Yilmaz, Can"), 10, 20));
  EXPECT_TRUE(test::waitUntil([&] { return cell(list, L"Yilmaz, Can", ClassWindow::kStatus) == L"abgegeben 10:20"; },
                              5000))
      << rows(list);
  EXPECT_TRUE(test::waitUntil([&] { return test::controlText(summary).find(L"3 von 3 abgegeben") != std::wstring::npos; },
                              2000))
      << win::narrowLossy(test::controlText(summary));
  EXPECT_EQ(test::listViewSelection(list), rowOf(list, L"Becker, Ben")) << "the chosen row was lost";

  // The server goes: the rows stay, and the window says since when.
  ASSERT_NO_FATAL_FAILURE(step(L"vanish"));
  const std::wregex gone(L"Der Ordner " + std::regex_replace(handIns_.wstring(), std::wregex(LR"([\\.()^$|?*+\[\]{}])"),
                                                              LR"(\$&)") +
                         LR"( ist nicht erreichbar \(zuletzt gelesen \d\d:\d\d\)\..*)");
  EXPECT_TRUE(test::waitUntil([&] { return std::regex_match(test::controlText(notice), gone); }, 10000))
      << win::narrowLossy(test::controlText(notice));
  EXPECT_TRUE(::IsWindowVisible(notice));
  EXPECT_EQ(test::listViewCount(list), 4) << rows(list);
  EXPECT_EQ(cell(list, L"Yilmaz, Can", ClassWindow::kStatus), L"abgegeben 10:20");
  EXPECT_NE(test::controlText(summary).find(L"3 von 3 abgegeben"), std::wstring::npos);

  // Back again: read by itself; a second hand-in of Ben's arrives.
  ASSERT_NO_FATAL_FAILURE(step(L"return"));
  ASSERT_NO_FATAL_FAILURE(handIn("Becker, Ben", genuine(kText, "Becker, Ben"), 10, 25));
  EXPECT_TRUE(test::waitUntil([&] { return cell(list, L"Becker, Ben", ClassWindow::kStatus) == L"2 Abgaben"; }, 10000))
      << rows(list);
  EXPECT_TRUE(test::waitUntil([&] { return test::controlText(notice).find(L"erreichbar") == std::wstring::npos; }, 5000))
      << win::narrowLossy(test::controlText(notice));
}

// A class folder as before, on the drive that goes; then the same folder
// chosen again by keys in the folder picker: the window says it cannot be
// reached rather than showing an empty class or the picker's own folder, and
// reads it by itself once it is back.
class TeacherWatchPlain : public TeacherWatch {
 protected:
  fs::path startFolder() const override { return L"W:\\Klasse 7a"; }
  void prepare() override {
    fs::create_directories(startFolder());
    ASSERT_TRUE(writeFileAtomically(startFolder() / "abgabe.kvw", genuine(kText, "Kurz, Karla")));
  }
};

TEST_F(TeacherWatchPlain, ChoosingAFolderThatCannotBeReachedSaysSo) {
  ASSERT_TRUE(key(L"ctrl+k"));
  const HWND window = test::waitForOnlyChild(main, kClassChildClass, 15000);
  ASSERT_NE(window, nullptr);
  const HWND list = ::GetDlgItem(window, ClassWindow::kListId);
  const HWND notice = ::GetDlgItem(window, ClassWindow::kNoticeId);
  ASSERT_TRUE(test::waitUntil([&] { return test::listViewCount(list) == 1; }, 15000))
      << rows(list) << win::narrowLossy(test::controlText(::GetDlgItem(window, ClassWindow::kFolderId)) + L" | " +
                                        test::controlText(::GetDlgItem(window, ClassWindow::kSummaryId)) + L" | " +
                                        test::controlText(notice));
  EXPECT_EQ(win::windowText(window), L"Ergebnisse einer Klasse");
  EXPECT_EQ(test::controlText(notice), L"");

  ASSERT_NO_FATAL_FAILURE(step(L"vanish"));
  const std::wstring gone = startFolder().wstring();
  ASSERT_TRUE(test::waitUntil([&] { return ::IsChild(window, test::focusOfThread(main)); }, 5000));
  ASSERT_TRUE(key(L"alt+w"));
  HWND picker = nullptr;
  ASSERT_TRUE(test::waitUntil([&] { return (picker = test::findTopLevelWindow(program.pid(), nullptr, L"#32770")) != nullptr; },
                              15000))
      << "Alt+W opened no folder picker";
  test::waitForFolderTree(picker, 15000);
  const HWND pickerField = ::FindWindowExW(picker, nullptr, L"Edit", nullptr);
  ASSERT_NE(pickerField, nullptr);
  RECT r{};
  ASSERT_TRUE(::GetWindowRect(pickerField, &r));
  ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool mousemove " + std::to_wstring((r.left + r.right) / 2) + L" " +
                                 std::to_wstring((r.top + r.bottom) / 2) + L" click 1"));
  ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(picker) == pickerField; }, 5000));
  ASSERT_TRUE(key(L"End shift+Home"));
  test::waitUntil([&] { return test::allTextSelected(pickerField); }, 5000);
  ASSERT_TRUE(runUnix(L"/usr/bin/xdotool type --delay 30 \"" + gone + L"\""));
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(pickerField) == gone; }, 10000))
      << win::narrowLossy(test::controlText(pickerField));
  ASSERT_TRUE(key(L"Return"));
  ASSERT_TRUE(test::waitUntil([&] { return !::IsWindow(picker); }, 10000)) << "the picker stayed open";
  EXPECT_TRUE(test::waitUntil(
      [&] { return test::controlText(notice).rfind(L"Der Ordner " + gone + L" ist nicht erreichbar.", 0) == 0; }, 10000))
      << win::narrowLossy(test::controlText(notice));
  EXPECT_EQ(test::controlText(::GetDlgItem(window, ClassWindow::kFolderId)), gone);
  EXPECT_EQ(test::listViewCount(list), 0) << rows(list);
  EXPECT_EQ(test::controlText(::GetDlgItem(window, ClassWindow::kSummaryId)), L"")
      << "an unreachable folder is no empty class";

  // Back: read by itself.
  ASSERT_NO_FATAL_FAILURE(step(L"return"));
  EXPECT_TRUE(test::waitUntil([&] { return test::controlText(notice).empty(); }, 10000))
      << win::narrowLossy(test::controlText(notice));
  EXPECT_TRUE(test::waitUntil([&] { return test::listViewCount(list) == 1; }, 10000)) << rows(list);
  EXPECT_EQ(cell(list, L"Kurz, Karla", ClassWindow::kStatus), L"gültig");
}

}  // namespace
}  // namespace kv
