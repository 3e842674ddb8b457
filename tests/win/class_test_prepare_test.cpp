// "Klassenarbeit vorbereiten" as a teacher uses it, with real keys: a text of
// the selection, "Textvorgabe auf Bildschirm", one minute, the class list
// loaded from the school's CSV with a line that is not a name and a learner
// with more time; the policy's folder, which cannot be reached, refused with
// its name; then saved into the class folder. The test file holds exactly
// what was chosen, the hand-in folder lies beside it, and the teacher's own
// copy is on this PC.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "exam/class_test.h"
#include "exam/hand_in.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "tests/win/learner_fixture.h"
#include "texts/archive.h"
#include "ui/exam/exam_prepare_dialog_win.h"
#include "ui/teachers/class_window_win.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

// A drive no Wine prefix of the tests maps: the server that is not there.
constexpr const wchar_t* kUnreachable = L"Q:\\Klassen\\8b";

class TeacherPreparation : public LearnerKeys {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring id = std::to_wstring(::GetCurrentProcessId());
    classFolder = fs::path(temp) / (L"Klassenordner " + id);
    listFile = fs::path(temp) / (L"Klassenliste 8b " + id + L".csv");
    std::error_code ec;
    fs::remove_all(classFolder, ec);
    fs::create_directories(classFolder);
    // As the school's administration software exports it, in Windows-1252.
    ASSERT_TRUE(writeFileAtomically(listFile, w1252("Müller, Jonas\r\n"
                                                    "Schmidt, Lea; 1,5\r\n"
                                                    "4711\r\n"
                                                    "Öztürk, Aylin\r\n")));
    ASSERT_TRUE(test::reg(L"add \"HKCU\\Software\\Policies\\Klavento\\7.0\\Verzeichnisse\" /v Klassenarbeitsordner "
                          L"/t REG_SZ /d \"" + std::wstring(kUnreachable) + L"\" /f"));
    LearnerKeys::SetUp();
  }
  void TearDown() override {
    LearnerKeys::TearDown();
    ::SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Policies\\Klavento");
    std::error_code ec;
    fs::remove_all(classFolder, ec);
    fs::remove(listFile, ec);
  }

  HWND focus() { return test::focusOfThread(main); }

  // Waits for a message box, checks it starts with `start`, answers Return.
  std::wstring answerBox(const std::wstring& start) {
    const HWND box = test::waitForMessageBox(program.pid(), 10000);
    EXPECT_NE(box, nullptr) << "no message box " << win::narrowLossy(start);
    if (box == nullptr) return {};
    const std::wstring shown = test::messageBoxText(box);
    EXPECT_EQ(shown.rfind(start, 0), 0u) << win::narrowLossy(shown);
    EXPECT_TRUE(key(L"Return"));
    EXPECT_TRUE(test::waitUntil([&] { return !::IsWindow(box); }, 5000));
    return shown;
  }

  // The Alt letter moves to `field`, whose text is then typed over.
  void typeInto(HWND dialog, const wchar_t* altLetter, int fieldId, const std::wstring& text) {
    const HWND target = ::GetDlgItem(dialog, fieldId);
    ASSERT_TRUE(key(altLetter));
    ASSERT_TRUE(test::waitUntil([&] { return focus() == target; }, 5000)) << win::narrowLossy(altLetter);
    // An empty field shows no sign of the keys' end: wait for the command's.
    ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool key End shift+Home BackSpace"));
    ASSERT_TRUE(test::waitUntil([&] { return test::controlText(target).empty(); }, 5000));
    ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool type --delay 40 " + test::shellQuoted(text)));
    ASSERT_TRUE(test::waitUntil([&] { return test::controlText(target) == text; }, 15000))
        << win::narrowLossy(test::controlText(target));
  }

  fs::path classFolder;
  fs::path listFile;
};

TEST_F(TeacherPreparation, PreparesAOneMinuteTestByKeysAndRefusesAFolderOutOfReach) {
  // Lehrkräfte → Klassenarbeit vorbereiten, by the menu's letters.
  ASSERT_NE(openMenu(L"alt+l"), nullptr) << "Alt+L opened no menu";
  ::Sleep(300);
  ASSERT_TRUE(key(L"v"));
  const HWND dialog = test::waitForTopLevelWindow(program.pid(), L"Klassenarbeit vorbereiten", 10000);
  ASSERT_NE(dialog, nullptr) << "the menu opened no dialog";
  ASSERT_TRUE(test::waitUntilPainted(dialog, 5000));
  EXPECT_TRUE(test::sharedAltLetters(dialog).empty()) << win::narrowLossy(test::describeShared(test::sharedAltLetters(dialog)));
  const auto item = [&](int id) { return ::GetDlgItem(dialog, id); };
  EXPECT_EQ(test::controlText(item(ClassTestPreparation::kFolder)), kUnreachable) << "the policy's folder is offered";
  EXPECT_EQ(::SendMessageW(item(ClassTestPreparation::kFormPaper), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(::SendMessageW(item(ClassTestPreparation::kCorrection), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(test::controlText(item(ClassTestPreparation::kMinutes)), L"10");
  EXPECT_EQ(test::controlText(item(ClassTestPreparation::kAttempts)), L"1");

  // The second text of the first archive, by keys in the text list.
  const HWND texts = item(ClassTestPreparation::kTextList);
  ASSERT_TRUE(key(L"alt+t"));
  ASSERT_TRUE(test::waitUntil([&] { return focus() == texts; }, 5000));
  ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool key Home Down"));
  ASSERT_TRUE(test::waitUntil([&] { return ::SendMessageW(texts, LB_GETCURSEL, 0, 0) == 1; }, 5000));
  const std::wstring title = test::listLine(texts, 1);
  ASSERT_FALSE(title.empty());
  const TextArchives builtin("eingebaut");
  TextArchiveHeader header;
  CurrentText expected;
  ASSERT_TRUE(builtin.openArchive("eingebaut", header, expected));
  ASSERT_TRUE(builtin.loadText(header, 2, false, LineSelection{}, expected));
  ASSERT_EQ(win::widen(header.entries[1].title), title) << "the box's first archive is the built-in one";
  const std::wstring info = test::controlText(item(ClassTestPreparation::kTextInfo));
  EXPECT_EQ(info.rfind(L"„" + title + L"“: " + std::to_wstring(expected.lines.size()) + L" Zeilen, ", 0), 0u)
      << win::narrowLossy(info);
  EXPECT_NE(info.find(L" Anschläge"), std::wstring::npos) << win::narrowLossy(info);

  // The form on screen, one minute, the class.
  const HWND screen = item(ClassTestPreparation::kFormScreen);
  ASSERT_TRUE(key(L"alt+b"));
  ASSERT_TRUE(test::waitUntil([&] { return ::SendMessageW(screen, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 5000));
  ASSERT_NO_FATAL_FAILURE(typeInto(dialog, L"alt+z", ClassTestPreparation::kMinutes, L"1"));
  ASSERT_NO_FATAL_FAILURE(typeInto(dialog, L"alt+k", ClassTestPreparation::kClassField, L"8b"));
  // The class folder in place of the policy's; typed before any message box,
  // after which Wine may hand the next keys to no window.
  ASSERT_NO_FATAL_FAILURE(typeInto(dialog, L"alt+o", ClassTestPreparation::kFolder, classFolder.wstring()));

  // The list from the file: the line that is no name is named, the rest taken.
  ASSERT_TRUE(key(L"alt+l"));
  const HWND open = test::waitForTopLevelWindow(program.pid(), L"Klassenliste laden", 10000, L"#32770");
  ASSERT_NE(open, nullptr);
  const HWND name = test::fileNameField(open);
  ASSERT_NE(name, nullptr);
  ASSERT_TRUE(test::waitUntil([&] { return focus() == name; }, 5000));
  ASSERT_TRUE(runUnix(L"/usr/bin/xdotool type --delay 40 \"" + listFile.wstring() + L"\""));
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(name) == listFile.wstring(); }, 15000));
  ASSERT_TRUE(key(L"Return"));
  const std::wstring left = answerBox(L"Aus „" + listFile.filename().wstring() + L"“ wurden 3 Namen übernommen.");
  EXPECT_NE(left.find(L"Zeile 3: „4711“"), std::wstring::npos) << win::narrowLossy(left);
  EXPECT_EQ(test::controlText(item(ClassTestPreparation::kList)),
            L"Müller, Jonas\r\nSchmidt, Lea; 1,5\r\nÖztürk, Aylin\r\n");
  const std::wstring note = test::controlText(item(ClassTestPreparation::kListNote));
  EXPECT_EQ(note.rfind(L"3 Namen, davon 1 mit eigener Zeit.", 0), 0u) << win::narrowLossy(note);
  EXPECT_NE(note.find(L"Zeile 3: „4711“"), std::wstring::npos) << win::narrowLossy(note);

  ASSERT_TRUE(key(L"alt+s"));
  ASSERT_TRUE(test::waitUntil([&] { return !::IsWindow(dialog); }, 10000)) << "the dialog stayed open";

  // The title's colon cannot be in a file name; the core's stand-in takes its place.
  const fs::path testFile = classFolder / pathFromCp1252(testFileName("8b", header.entries[1].title));
  ASSERT_TRUE(fs::exists(testFile)) << testFile.string();
  std::string bytes;
  ASSERT_TRUE(readWholeFile(testFile, bytes));
  ClassTest prepared;
  std::string reason;
  ASSERT_EQ(decodeClassTest(bytes, prepared, reason), TestFileError::None) << reason;
  EXPECT_EQ(prepared.className, "8b");
  EXPECT_EQ(prepared.title, header.entries[1].title);
  EXPECT_EQ(prepared.lines, expected.lines);
  EXPECT_EQ(prepared.form, static_cast<int>(ExerciseForm::OnScreenText));
  EXPECT_EQ(prepared.seconds, 60);
  EXPECT_TRUE(prepared.correctionAllowed);
  EXPECT_EQ(prepared.attempts, 1);
  const std::vector<TestLearner> learners = {
      {w1252("Müller, Jonas"), 0}, {"Schmidt, Lea", 90}, {w1252("Öztürk, Aylin"), 0}};
  EXPECT_EQ(prepared.learners, learners);
  EXPECT_EQ(prepared.id.size(), 16u);
  SYSTEMTIME today{};
  ::GetLocalTime(&today);
  EXPECT_EQ(prepared.prepared.date, (CalendarDate{today.wYear, today.wMonth, today.wDay}));

  EXPECT_TRUE(fs::is_directory(handInFolderOf(testFile))) << handInFolderOf(testFile).string();
  // The program's own %APPDATA%, whose shell folder this process does not load.
  wchar_t appData[MAX_PATH] = {};
  ASSERT_GT(::GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH), 0u);
  const fs::path copyFile = fs::path(appData) / L"Klavento" / L"Klassenarbeiten" / (win::widen(prepared.id) + L".kvk");
  std::string copy;
  ASSERT_TRUE(readWholeFile(copyFile, copy)) << copyFile.string();
  EXPECT_EQ(copy, bytes) << "the teacher's copy is the test as prepared";
  std::error_code ec;
  fs::remove(copyFile, ec);

  // The teachers' window watches the test; closed, the selection is back.
  const HWND watching = test::waitForOnlyChild(main, kClassChildClass, 15000);
  ASSERT_NE(watching, nullptr) << "the teachers' window did not open on the test";
  ASSERT_TRUE(test::waitUntilPainted(watching, 10000));
  ASSERT_TRUE(key(L"alt+s"));
  ASSERT_NE(selection(), nullptr);

  // Once more with the policy's folder, on a server that is not there: said,
  // with its name, and nothing written.
  ASSERT_TRUE(test::waitUntilPainted(main, 10000));
  ASSERT_NE(openMenu(L"alt+l"), nullptr);
  ::Sleep(300);
  ASSERT_TRUE(key(L"v"));
  const HWND again = test::waitForTopLevelWindow(program.pid(), L"Klassenarbeit vorbereiten", 10000);
  ASSERT_NE(again, nullptr);
  ASSERT_TRUE(test::waitUntilPainted(again, 5000));
  EXPECT_EQ(test::controlText(::GetDlgItem(again, ClassTestPreparation::kFolder)), kUnreachable);
  ASSERT_NO_FATAL_FAILURE(typeInto(again, L"alt+k", ClassTestPreparation::kClassField, L"8c"));
  ASSERT_TRUE(key(L"alt+s"));
  answerBox(L"Der Ordner „" + std::wstring(kUnreachable) + L"“ ist nicht erreichbar.");
  EXPECT_TRUE(::IsWindow(again)) << "the dialog closed on the refusal";
  std::size_t tests = 0;
  for (const auto& entry : fs::directory_iterator(classFolder)) tests += entry.path().extension() == L".kvk";
  EXPECT_EQ(tests, 1u);
}

}  // namespace
}  // namespace kv
