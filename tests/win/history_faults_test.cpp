// The Lernverlauf on a drive that fails, as a learner meets it with real
// keys: a full disk, a read-only folder, a drive whose folder is gone. The
// learner reads the cause in German, the exercise waits, and it arrives in
// the Lernverlauf once the drive is back: after the next exercise or at the
// next start, and never twice. The drive is a real tmpfs or bind mount
// mapped to a Wine drive letter (tests/tools/failing_disk.sh, as root).
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "history/history_store.h"
#include "platform/file_io.h"
#include "tests/win/learner_fixture.h"
#include "ui/history/history_access_win.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

constexpr const wchar_t* kLetter = L"k";

class FailingDrive : public LearnerKeys {
 protected:
  // The drive's kind ("tmpfs" or "bind") before the program starts.
  void start(const wchar_t* kind) {
    unixDir_ = L"/tmp/kv-drive-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
               win::widen(testing::UnitTest::GetInstance()->current_test_info()->name());
    forgetWaiting();
    ASSERT_NO_FATAL_FAILURE(step(L"teardown"));
    ASSERT_NO_FATAL_FAILURE(step(kind));
    ::SetEnvironmentVariableW(L"KLAVENTO_LERNVERLAUF", L"K:\\Lernverlauf");
    ASSERT_NO_FATAL_FAILURE(LearnerKeys::SetUp());
  }
  void SetUp() override {}
  void TearDown() override {
    LearnerKeys::TearDown();
    ::SetEnvironmentVariableW(L"KLAVENTO_LERNVERLAUF", nullptr);
    if (!unixDir_.empty()) step(L"teardown");
    std::error_code ec;
    fs::remove_all(stateFolder(), ec);
    forgetWaiting();
  }

  // Runs one step of the drive script and waits for its answer.
  void step(const std::wstring& name) {
    const fs::path done = stateFolder() / (name + L".done");
    const fs::path failed = stateFolder() / (name + L".failed");
    std::error_code ec;
    fs::remove(done, ec);
    fs::remove(failed, ec);
    ASSERT_TRUE(runUnix(L"/bin/bash " + win::widen(KV_SOURCE_DIR) + L"/tests/tools/failing_disk.sh " + name +
                        L" " + unixDir_ + L" " + kLetter));
    ASSERT_TRUE(test::waitUntil([&] { return fs::exists(done, ec) || fs::exists(failed, ec); }, 30000))
        << "the drive step " << win::narrowLossy(name) << " gave no answer";
    std::string why;
    readWholeFile(failed, why);
    ASSERT_FALSE(fs::exists(failed, ec)) << "the drive step " << win::narrowLossy(name) << " failed: " << why;
  }

  fs::path stateFolder() const { return fs::path(L"Z:" + unixDir_ + L".state"); }
  static fs::path historyPath() { return L"K:\\Lernverlauf\\Lernverlauf.sqlite"; }

  // The program keeps exercises that wait in the user's local folder.
  static fs::path waitingFile() {
    wchar_t local[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local);
    return fs::path(local) / L"Klavento" / L"Lernverlauf-ausstehend.sqlite";
  }
  static void forgetWaiting() {
    std::error_code ec;
    for (const fs::path& place : waitingHistoryFiles()) {
      for (const char* suffix : {"", "-journal"}) fs::remove(fs::path(place) += suffix, ec);
    }
  }
  static std::int64_t count(const fs::path& file) {
    std::error_code ec;
    if (!fs::exists(file, ec)) return 0;
    std::string notice;
    auto store = HistoryStore::open(file, notice);
    return store ? store->count() : -1;
  }

  // Lines 1 and 2 of the first text in Textvorgabe, typed and evaluated.
  void typeExercise() {
    ASSERT_NO_FATAL_FAILURE(openExercise(3));
    ASSERT_NO_FATAL_FAILURE(startTyping());
    ASSERT_TRUE(typeLikeALearner(kLine1));
    ASSERT_NO_FATAL_FAILURE(newLine());
    ASSERT_TRUE(typeLikeALearner(kLine2));
    const std::vector<std::wstring> lines = toEvaluationByKeys(false);
    ASSERT_GE(lines.size(), 30u);
  }

  // The message that comes with the evaluation, read and closed with Return.
  std::wstring noticeClosedByReturn() {
    const HWND box = test::waitForMessageBox(program.pid(), 10000);
    if (box == nullptr) return L"(keine Meldung)";
    const std::wstring text = test::messageBoxText(box);
    EXPECT_TRUE(key(L"Return"));
    EXPECT_TRUE(test::waitUntil([&] { return !::IsWindow(box); }, 5000)) << "Return did not close the message";
    return text;
  }

  void expectNotice(const std::wstring& text, const std::wstring& cause) {
    const std::string shown = win::narrowLossy(text);
    EXPECT_NE(text.find(L"Der Lernverlauf \u201EK:\\Lernverlauf\\Lernverlauf.sqlite\u201C konnte nicht "
                        L"geschrieben werden."),
              std::wstring::npos)
        << shown;
    EXPECT_NE(text.find(cause), std::wstring::npos) << shown;
    EXPECT_NE(text.find(L"Die \u00DCbung ist aufbewahrt"), std::wstring::npos) << shown;
    for (const wchar_t* english : {L"rollback", L"transaction", L"disk", L"database", L"readonly"}) {
      EXPECT_EQ(text.find(english), std::wstring::npos) << "English in the notice: " << shown;
    }
  }

  void expectNoNotice() {
    if (const HWND box = test::waitForMessageBox(program.pid(), 2000)) {
      ADD_FAILURE() << "unexpected message: " << win::narrowLossy(test::messageBoxText(box));
      key(L"Return");
    }
  }

  std::wstring unixDir_;
};

TEST_F(FailingDrive, FullDiskKeepsTheExerciseUntilTheNextStartAndASaveLeavesTheEarlierFile) {
  ASSERT_NO_FATAL_FAILURE(start(L"tmpfs"));
  const fs::path earlier = L"K:\\ergebnis.kvw";
  ASSERT_TRUE(writeFileAtomically(earlier, "die fr\xFChere Datei"));
  ASSERT_NO_FATAL_FAILURE(step(L"fill"));
  ASSERT_NO_FATAL_FAILURE(typeExercise());
  expectNotice(noticeClosedByReturn(), L"Der Datentr\u00E4ger ist voll.");
  EXPECT_NE(result, nullptr);
  EXPECT_TRUE(::IsWindowVisible(result)) << "the evaluation must stay open";
  EXPECT_LE(count(historyPath()), 0);
  EXPECT_EQ(count(waitingFile()), 1) << "the exercise does not wait";

  // Saving over the earlier file on the full drive: told why, nothing lost.
  ASSERT_TRUE(key(L"alt+p"));
  const HWND dialog = test::waitForTopLevelWindow(program.pid(), L"\u00DCbung speichern", 15000, L"#32770");
  ASSERT_NE(dialog, nullptr) << "Alt+P opened no save dialog";
  const HWND name = test::fileNameField(dialog);
  ASSERT_NE(name, nullptr);
  ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == name; }, 5000));
  ASSERT_TRUE(runUnix(L"/usr/bin/xdotool type --delay 60 \"K:\\ergebnis.kvw\""));
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(name) == L"K:\\ergebnis.kvw"; }, 10000))
      << win::narrowLossy(test::controlText(name));
  ASSERT_TRUE(key(L"Return"));
  // The dialog asks before it replaces a file.
  if (const HWND ask = test::waitForMessageBox(program.pid(), 3000);
      ask != nullptr && test::messageBoxText(ask).find(L"berschreiben?") != std::wstring::npos) {
    ASSERT_TRUE(key(L"j"));
    ASSERT_TRUE(test::waitUntil([&] { return !::IsWindow(ask); }, 5000)) << "J did not answer Ja";
  }
  const std::wstring refused = noticeClosedByReturn();
  EXPECT_NE(refused.find(L"konnte nicht gespeichert werden. Der Datentr\u00E4ger ist voll."), std::wstring::npos)
      << win::narrowLossy(refused);
  EXPECT_NE(refused.find(L"Eine fr\u00FChere Datei dieses Namens ist unver\u00E4ndert."), std::wstring::npos)
      << win::narrowLossy(refused);
  std::string kept;
  ASSERT_TRUE(readWholeFile(earlier, kept));
  EXPECT_EQ(kept, "die fr\xFChere Datei");
  EXPECT_EQ(test::waitForOnlyChild(main, ResultWindow::kClassName, 2000), result) << "the evaluation closed";

  // Space is freed; the program is ended and started again.
  ASSERT_NO_FATAL_FAILURE(step(L"free"));
  ASSERT_NO_FATAL_FAILURE(closeEvaluation());
  ASSERT_TRUE(program.closeNormally(main));
  main = nullptr;
  ASSERT_NO_FATAL_FAILURE(LearnerKeys::SetUp());
  EXPECT_TRUE(test::waitUntil([&] { return count(historyPath()) == 1; }, 10000))
      << "the start did not add the exercise that waited: " << count(historyPath());
  EXPECT_EQ(count(waitingFile()), 0);
}

TEST_F(FailingDrive, ReadOnlyFolderKeepsTheExerciseUntilTheNextOne) {
  ASSERT_NO_FATAL_FAILURE(start(L"bind"));
  ASSERT_NO_FATAL_FAILURE(step(L"readonly"));
  ASSERT_NO_FATAL_FAILURE(typeExercise());
  expectNotice(noticeClosedByReturn(), L"ist schreibgesch\u00FCtzt.");
  EXPECT_EQ(count(waitingFile()), 1);

  ASSERT_NO_FATAL_FAILURE(step(L"writable"));
  ASSERT_NO_FATAL_FAILURE(closeEvaluation());
  ASSERT_NO_FATAL_FAILURE(typeExercise());
  expectNoNotice();
  EXPECT_EQ(count(historyPath()), 2) << "the waiting exercise and the new one, each once";
  EXPECT_EQ(count(waitingFile()), 0);
}

TEST_F(FailingDrive, VanishedFolderIsNamedAndTheExerciseArrivesWhenItIsBack) {
  ASSERT_NO_FATAL_FAILURE(start(L"bind"));
  ASSERT_NO_FATAL_FAILURE(typeExercise());
  expectNoNotice();
  ASSERT_EQ(count(historyPath()), 1);
  ASSERT_NO_FATAL_FAILURE(closeEvaluation());

  // The server drops away while the program runs, its history open.
  ASSERT_NO_FATAL_FAILURE(step(L"vanish"));
  ASSERT_NO_FATAL_FAILURE(typeExercise());
  expectNotice(noticeClosedByReturn(), L"Der Ordner \u201EK:\\Lernverlauf\u201C ist nicht erreichbar.");
  EXPECT_TRUE(test::waitUntil([&] { return count(waitingFile()) == 1; }, 5000))
      << "the exercise does not wait: " << count(waitingFile());

  ASSERT_NO_FATAL_FAILURE(step(L"return"));
  ASSERT_NO_FATAL_FAILURE(closeEvaluation());
  ASSERT_NO_FATAL_FAILURE(typeExercise());
  expectNoNotice();
  EXPECT_EQ(count(historyPath()), 3) << "the first, the one that waited and the last, each once";
  EXPECT_EQ(count(waitingFile()), 0);
}

}  // namespace
}  // namespace kv
