// The learning history as a learner meets it, with real keys: an exercise is
// recorded when its evaluation opens, the Lernverlauf window shows it, and
// "Schwächen üben" leads through the selection to an exercise of its own. A
// policy switches it all off; a damaged file is set aside with one sentence.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "history/drill.h"
#include "history/history_store.h"
#include "tests/win/learner_fixture.h"
#include "texts/archive.h"
#include "ui/history/history_access_win.h"
#include "ui/history/history_window_win.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

class HistoryLearner : public LearnerKeys {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    folder = fs::path(temp) /
             (L"Lernverlauf Test " + std::to_wstring(::GetCurrentProcessId()) + L" " +
              win::widen(testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::error_code ec;
    fs::remove_all(folder, ec);
    fs::create_directories(folder);
    // The program is started by this process and inherits the folder.
    ::SetEnvironmentVariableW(L"KLAVENTO_LERNVERLAUF", folder.c_str());
    // Exercises another test left waiting would be written into this history.
    for (const fs::path& waiting : waitingHistoryFiles()) fs::remove(waiting, ec);
    prepare();
    LearnerKeys::SetUp();
  }
  void TearDown() override {
    LearnerKeys::TearDown();
    ::SetEnvironmentVariableW(L"KLAVENTO_LERNVERLAUF", nullptr);
    ::SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Policies\\Klavento");
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
  // What a test needs in place before the program starts.
  virtual void prepare() {}

  fs::path file() const { return folder / L"Lernverlauf.sqlite"; }

  HWND openHistoryByKeys() {
    if (!key(L"ctrl+l")) return nullptr;
    return test::waitForOnlyChild(main, kHistoryChildClass, 10000);
  }

  // Lines 1 and 2 of the first text in Textvorgabe, with one slip in each.
  void exerciseWithSlips() {
    ASSERT_NO_FATAL_FAILURE(openExercise(3));
    ASSERT_NO_FATAL_FAILURE(startTyping());
    ASSERT_TRUE(typeLikeALearner(L"fded fded fded fded sded sdde sded sded aded aded aded aded"));
    ASSERT_NO_FATAL_FAILURE(newLine());
    ASSERT_TRUE(typeLikeALearner(L"efef efef eded eded eses eses eaea eaea fede dese sede adde"));
    const std::vector<std::wstring> lines = toEvaluationByKeys(false);
    ASSERT_GE(lines.size(), 30u);
    EXPECT_EQ(test::lineStartingWith(lines, L"Fehlerzahl").substr(0, 15), L"Fehlerzahl    2")
        << test::joinedLines(lines);
    ASSERT_NO_FATAL_FAILURE(closeEvaluation());
  }

  std::wstring currentArchive(HWND dialog) {
    const HWND box = ::GetDlgItem(dialog, SelectionDialog::kArchiveBox);
    const auto at = ::SendMessageW(box, CB_GETCURSEL, 0, 0);
    wchar_t text[256] = {};
    if (at >= 0 && ::SendMessageW(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(at), 0) < 255) {
      ::SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(text));
    }
    return text;
  }

  fs::path folder;
};

TEST_F(HistoryLearner, ExerciseIsRecordedShownAndItsWeaknessesPractised) {
  // A new learner: the window tells what will appear, and offers nothing else.
  HWND history = openHistoryByKeys();
  ASSERT_NE(history, nullptr) << "Strg+L did not open the Lernverlauf";
  EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(history, HistoryWindow::kPractiseId)));
  EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(history, HistoryWindow::kCloseId)));
  ASSERT_TRUE(key(L"Escape"));
  ASSERT_NE(selection(), nullptr) << "Escape did not lead back to the selection";

  ASSERT_NO_FATAL_FAILURE(exerciseWithSlips());

  // Recorded when the evaluation opened, with the slips and the key times.
  {
    std::string notice;
    auto store = HistoryStore::open(file(), notice);
    ASSERT_TRUE(store) << notice;
    EXPECT_EQ(store->count(), 1);
    const HistoryOverview o = store->overview(notice);
    ASSERT_EQ(o.points.size(), 1u);
    EXPECT_EQ(o.points[0].form, 3);
    EXPECT_EQ(o.points[0].keystrokes, 119u);
    ASSERT_EQ(o.words.size(), 2u);
    EXPECT_EQ(o.words[0].typedMostOften == "sdde" ? o.words[0].expected : o.words[1].expected, "sded");
    EXPECT_GE(o.keys[static_cast<unsigned char>('e')].missed, 1u);
    EXPECT_GE(o.keys[static_cast<unsigned char>('d')].needed, 30u);
    EXPECT_GT(o.rhythm[static_cast<unsigned char>('d')].count, 20u) << "no key times from the session";
    EXPECT_GT(o.rhythm[static_cast<unsigned char>('d')].meanMs, 10.0);
  }

  history = openHistoryByKeys();
  ASSERT_NE(history, nullptr);
  const HWND practise = ::GetDlgItem(history, HistoryWindow::kPractiseId);
  EXPECT_TRUE(::IsWindowVisible(practise));
  ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == practise; }, 5000));
  ASSERT_TRUE(key(L"Return"));
  // Two slips are too little history to judge keys: the learner is told
  // which keys the drill takes in, and goes on with Return.
  if (const HWND box = test::waitForMessageBox(program.pid(), 3000)) {
    const std::wstring told = test::messageBoxText(box);
    EXPECT_EQ(told.rfind(L"Noch ist der Lernverlauf zu kurz", 0), 0u) << win::narrowLossy(told);
    ASSERT_TRUE(key(L"Return"));
    ASSERT_TRUE(test::waitUntil([&] { return !::IsWindow(box); }, 5000));
  }
  const HWND dialog = selection();
  ASSERT_NE(dialog, nullptr) << "Schwächen üben did not lead to the selection";
  ASSERT_TRUE(selectionCaptionIs(dialog, L"Übungsform wählen"));
  ASSERT_TRUE(key(L"alt+w"));
  ASSERT_TRUE(selectionCaptionIs(dialog, L"Übungstext wählen"));
  EXPECT_TRUE(test::waitUntil([&] { return currentArchive(dialog) == L"Schwächen üben"; }, 5000))
      << win::narrowLossy(currentArchive(dialog));
  EXPECT_TRUE(fs::exists(folder / L"Schwächen üben.kv7"));
  {
    TextArchiveHeader header;
    std::vector<std::string> lines;
    ASSERT_EQ(readArchiveFile(folder / L"Schwächen üben.kv7", header), ArchiveError::None);
    ASSERT_EQ(readArchiveFileText(folder / L"Schwächen üben.kv7", header, 1, lines), ArchiveError::None);
    EXPECT_GE(lines.size(), kDrillLinesAtLeast) << "a drill of a line or two";
  }
  // And it is an exercise like any other: it starts.
  ASSERT_TRUE(key(L"alt+s"));
  EXPECT_NE(test::waitForOnlyChild(main, ExerciseWindow::kClassName, 15000), nullptr);
}

// The file dialogs and GDI+ are loaded on first use; where they cannot be
// loaded (switched off for the program's process, as on a damaged system),
// the user reads why and the program goes on without that one feature.
class LaterLibrariesMissing : public HistoryLearner {
 protected:
  void prepare() override {
    // Wine's own per-program switch: an empty override keeps a DLL from loading.
    for (const wchar_t* dll : {L"comdlg32", L"gdiplus"}) {
      ASSERT_TRUE(test::reg(std::wstring(L"add \"") + kOverrides + L"\" /v " + dll + L" /t REG_SZ /d \"\" /f"));
    }
  }
  void TearDown() override {
    HistoryLearner::TearDown();
    ::SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\klavento.exe");
  }
  static constexpr const wchar_t* kOverrides = L"HKCU\\Software\\Wine\\AppDefaults\\klavento.exe\\DllOverrides";
  void expectRefusal(const std::wstring& start) {
    const HWND box = test::waitForMessageBox(program.pid(), 10000);
    ASSERT_NE(box, nullptr) << "no message for " << win::narrowLossy(start);
    const std::wstring text = test::messageBoxText(box);
    EXPECT_EQ(text.rfind(start, 0), 0u) << win::narrowLossy(text);
    ASSERT_TRUE(key(L"Return"));
    ASSERT_TRUE(test::waitUntil([&] { return !::IsWindow(box); }, 5000));
  }
};

TEST_F(LaterLibrariesMissing, EachFeatureSaysWhyAndTheProgramGoesOn) {
  ASSERT_TRUE(key(L"ctrl+o"));
  ASSERT_NO_FATAL_FAILURE(expectRefusal(L"Das Öffnen und Speichern von Dateien ist auf diesem Rechner nicht möglich: "
                                        L"Die Systemdatei „comdlg32.dll“ lässt sich nicht laden"));
  ASSERT_NE(selection(), nullptr) << "the selection is gone";
  ASSERT_TRUE(key(L"ctrl+l"));
  ASSERT_NO_FATAL_FAILURE(expectRefusal(L"Das Zeichnen der Diagramme ist auf diesem Rechner nicht möglich: "
                                        L"Die Systemdatei „gdiplus.dll“ lässt sich nicht laden"));
  const HWND history = test::waitForOnlyChild(main, kHistoryChildClass, 10000);
  ASSERT_NE(history, nullptr) << "the Lernverlauf did not open without its charts";
  ASSERT_TRUE(program.running());
  ::InvalidateRect(history, nullptr, TRUE);
  ::Sleep(500);
  EXPECT_TRUE(program.running()) << "painting without GDI+ ended the program";
}

// A learner who has not missed a key twice: the lists say so in words.
class HistoryClean : public HistoryLearner {
 protected:
  void prepare() override {
    std::string notice;
    auto store = HistoryStore::open(file(), notice);
    ASSERT_TRUE(store) << notice;
    ExerciseRecord r;
    r.token = newRecordToken();
    r.startedAt = "2026-12-01 10:00:00";
    r.form = 3;
    r.seconds = 120;
    r.keystrokes = 240;
    r.keystrokesPerMinute = 120;
    r.hasErrorPercent = true;
    for (const unsigned char c : std::string("asdfjkl")) r.keys[c].needed = 30;
    ASSERT_TRUE(store->record(r, notice)) << notice;
  }
};

TEST_F(HistoryClean, EmptyListsSayWhyInsteadOfShowingBareHeaders) {
  const HWND history = openHistoryByKeys();
  ASSERT_NE(history, nullptr);
  EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(history, HistoryWindow::kKeysListId)));
  const HWND keys = ::GetDlgItem(history, HistoryWindow::kKeysEmptyId);
  EXPECT_TRUE(::IsWindowVisible(keys));
  EXPECT_EQ(test::controlText(keys), L"keine – noch keine Taste mehrmals verfehlt");
  EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(history, HistoryWindow::kWordsEmptyId)));
  EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(history, HistoryWindow::kWordsListId)));
}

// Not a test: bench/startup_memory.sh --wachstum runs it and reads the
// program's memory at each point it notes (KV_MEASURE_GROWTH names the log in
// the temporary folder); the script's answer lets it go on.
class GrowthLearner : public HistoryLearner {
 protected:
  // KV_GROWTH_WITHOUT_HISTORY=1: the same with the Lernverlauf switched off
  // by policy, to tell the recording apart from the windows.
  static bool withoutHistory() { return ::GetEnvironmentVariableW(L"KV_GROWTH_WITHOUT_HISTORY", nullptr, 0) > 0; }
  void prepare() override {
    if (withoutHistory()) {
      ASSERT_TRUE(test::reg(L"add \"HKCU\\Software\\Policies\\Klavento\\7.0\\Allgemein\" /v Lernverlauf "
                            L"/t REG_DWORD /d 0 /f"));
    }
  }
  void notePoint(const char* point) {
    wchar_t name[MAX_PATH] = {};
    const DWORD n = ::GetEnvironmentVariableW(L"KV_MEASURE_GROWTH", name, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    const fs::path log = fs::path(temp) / std::wstring(name, n);
    {
      std::ofstream out(log, std::ios::app);
      out << point << "\n";
    }
    ++points;
    fs::path answer = log;
    answer += L".gelesen";
    EXPECT_TRUE(test::waitUntil(
        [&] {
          std::ifstream in(answer);
          int read = 0;
          return static_cast<bool>(in >> read) && read >= points;
        },
        60000))
        << "the script did not read the memory at " << point;
  }
  void shortExercise() {
    ASSERT_NO_FATAL_FAILURE(openExercise(3));
    ASSERT_NO_FATAL_FAILURE(startTyping());
    ASSERT_TRUE(runUnix(L"/usr/bin/xdotool type --delay 30 \"fded fded\""));
    ASSERT_TRUE(test::waitUntil([&] { return test::controlText(field).size() >= 9; }, 5000));
    ASSERT_FALSE(toEvaluationByKeys(false).empty());
    ASSERT_TRUE(key(L"alt+s"));
    const HWND box = test::waitForMessageBox(program.pid(), 10000);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(key(L"j"));
    ASSERT_NE(selection(), nullptr);
  }
  int points = 0;
};

TEST_F(GrowthLearner, DISABLED_FiftyExercisesAndTenLernverlaufOpenings) {
  const auto lernverlauf = [&] {
    if (withoutHistory()) return;
    ASSERT_NE(openHistoryByKeys(), nullptr);
    ::Sleep(300);
    ASSERT_TRUE(key(L"Escape"));
    ASSERT_NE(selection(), nullptr);
  };
  ASSERT_NO_FATAL_FAILURE(shortExercise());
  notePoint("nach_der_ersten_Übung");
  // What the first openings load once (GDI+, its fonts, the keyboard's
  // pictures at the window's size) is not growth.
  ASSERT_NO_FATAL_FAILURE(lernverlauf());
  ASSERT_NO_FATAL_FAILURE(lernverlauf());
  notePoint("nach_2-mal_Lernverlauf");
  for (int n = 2; n <= 50; ++n) {
    ASSERT_NO_FATAL_FAILURE(shortExercise()) << "exercise " << n;
    if (n == 10) notePoint("nach_10_Übungen");
  }
  notePoint("nach_50_Übungen");
  for (int n = 0; n < 10; ++n) ASSERT_NO_FATAL_FAILURE(lernverlauf());
  notePoint("nach_12-mal_Lernverlauf");
}

class HistoryOff : public HistoryLearner {
 protected:
  void prepare() override {
    ASSERT_TRUE(test::reg(L"add \"HKCU\\Software\\Policies\\Klavento\\7.0\\Allgemein\" /v Lernverlauf "
                          L"/t REG_DWORD /d 0 /f"));
  }
};

TEST_F(HistoryOff, PolicyRecordsNothingAndHidesTheMenuItem) {
  // The Datei menu has three items (Öffnen, Klassenarbeit öffnen, Beenden)
  // and a separator, not a fourth item.
  const HWND popup = openFileMenu();
  ASSERT_NE(popup, nullptr);
  RECT r{};
  ASSERT_TRUE(::GetWindowRect(popup, &r));
  EXPECT_LT(r.bottom - r.top, 4 * ::GetSystemMetrics(SM_CYMENUSIZE)) << "a fourth menu item is there";
  ASSERT_TRUE(key(L"Escape"));
  ASSERT_TRUE(key(L"Escape"));
  ::Sleep(500);
  ASSERT_TRUE(key(L"ctrl+l"));
  EXPECT_EQ(test::waitForOnlyChild(main, kHistoryChildClass, 2000), nullptr);
  ASSERT_NE(selection(), nullptr);
  ASSERT_NO_FATAL_FAILURE(exerciseWithSlips());
  EXPECT_FALSE(fs::exists(file())) << "recorded although the policy says no";
}

class HistoryDamaged : public HistoryLearner {
 protected:
  void prepare() override {
    std::ofstream junk(file(), std::ios::binary);
    junk << std::string(3000, '?');
  }
};

TEST_F(HistoryDamaged, BrokenFileIsSetAsideAndTheLearnerIsToldInOneSentence) {
  ASSERT_TRUE(key(L"ctrl+l"));
  const HWND box = test::waitForMessageBox(program.pid(), 10000);
  ASSERT_NE(box, nullptr) << "no word about the damaged history";
  const std::wstring text = test::messageBoxText(box);
  EXPECT_NE(text.find(L"Der Lernverlauf war beschädigt"), std::wstring::npos) << win::narrowLossy(text);
  EXPECT_NE(text.find(L"ein neuer Lernverlauf beginnt."), std::wstring::npos) << win::narrowLossy(text);
  test::pressDialogButton(box, IDOK);
  const HWND history = test::waitForOnlyChild(main, kHistoryChildClass, 10000);
  ASSERT_NE(history, nullptr);
  EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(history, HistoryWindow::kPractiseId)));
  EXPECT_EQ(fs::file_size(folder / L"Lernverlauf-beschädigt-1.sqlite"), 3000u);
  ASSERT_TRUE(key(L"Escape"));
  // The next exercise goes into the new history.
  ASSERT_NO_FATAL_FAILURE(exerciseWithSlips());
  std::string notice;
  auto store = HistoryStore::open(file(), notice);
  ASSERT_TRUE(store);
  EXPECT_EQ(store->count(), 1);
}

}  // namespace
}  // namespace kv
