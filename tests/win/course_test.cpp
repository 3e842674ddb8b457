// The course the program carries, as a learner meets it with real keys: the
// Grundkurs in the archive box, its first lesson typed and evaluated, and a
// text printed as a paper template from the selection dialog's menu.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "tests/win/file_printer.h"
#include "tests/win/learner_fixture.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

// The lines of a lesson file of the source tree, without its heading.
std::vector<std::wstring> lessonLines(const char* name) {
  std::ifstream in(fs::path(win::widen(KV_SOURCE_DIR)) / "texts" / "grundkurs" / name, std::ios::binary);
  std::vector<std::wstring> lines;
  int n = 0;
  for (std::string line; std::getline(in, line); ++n) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (n >= 3) lines.push_back(win::widen(utf8ToCp1252(line).value_or("")));
  }
  return lines;
}

class CourseLearner : public LearnerKeys {
 protected:
  std::vector<std::wstring> archiveItems(HWND dialog) {
    return test::comboItems(::GetDlgItem(dialog, SelectionDialog::kArchiveBox));
  }
  std::wstring currentArchive(HWND dialog) {
    const HWND box = ::GetDlgItem(dialog, SelectionDialog::kArchiveBox);
    const auto at = static_cast<int>(::SendMessageW(box, CB_GETCURSEL, 0, 0));
    const std::vector<std::wstring> items = archiveItems(dialog);
    return at >= 0 && at < static_cast<int>(items.size()) ? items[static_cast<std::size_t>(at)] : L"";
  }
};

TEST_F(CourseLearner, GrundkursIsOfferedAndItsFirstLessonIsTyped) {
  const std::vector<std::wstring> lesson = lessonLines("lektion-01.txt");
  ASSERT_GE(lesson.size(), 8u);
  const HWND dialog = selection();
  ASSERT_TRUE(selectionCaptionIs(dialog, L"Übungsform wählen"));
  test::pressDialogButton(dialog, SelectionDialog::kFormOption1 + 2);  // Textvorgabe auf Bildschirm
  ::Sleep(300);
  ASSERT_TRUE(key(L"alt+w"));
  ASSERT_TRUE(selectionCaptionIs(dialog, L"Übungstext wählen"));
  const std::vector<std::wstring> items = archiveItems(dialog);
  ASSERT_NE(std::find(items.begin(), items.end(), L"Grundkurs"), items.end()) << "no Grundkurs in the archive box";
  // The archive box by its letter, its list, one down from the example texts.
  ASSERT_TRUE(key(L"alt+a"));
  const HWND box = ::GetDlgItem(dialog, SelectionDialog::kArchiveBox);
  ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == box; }, 5000))
      << "Alt+A did not reach the archive box";
  ASSERT_TRUE(key(L"alt+Down"));
  ::Sleep(500);
  ASSERT_TRUE(key(L"Down"));
  ::Sleep(300);
  ASSERT_TRUE(key(L"Return"));
  ASSERT_TRUE(test::waitUntil([&] { return currentArchive(dialog) == L"Grundkurs"; }, 5000))
      << win::narrowLossy(currentArchive(dialog));
  ASSERT_TRUE(key(L"alt+s"));
  exercise = test::waitForOnlyChild(main, ExerciseWindow::kClassName, 15000);
  ASSERT_NE(exercise, nullptr);
  field = ::GetDlgItem(exercise, ExerciseWindow::kFieldId);
  ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == field; }, 5000));
  ASSERT_NO_FATAL_FAILURE(startTyping());
  for (std::size_t k = 0; k < lesson.size(); ++k) {
    if (k > 0) {
      ASSERT_NO_FATAL_FAILURE(newLine());
    }
    ASSERT_TRUE(typeLikeALearner(lesson[k]));
  }
  const std::vector<std::wstring> lines = toEvaluationByKeys(false);
  ASSERT_GE(lines.size(), 10 + lesson.size());
  for (std::size_t k = 0; k < lesson.size(); ++k) EXPECT_EQ(lines[10 + k], lesson[k]) << k;
  EXPECT_EQ(test::lineStartingWith(lines, L"Fehlerzahl"), L"Fehlerzahl    0 (0,000 Fehlerprozent)")
      << test::joinedLines(lines);
  EXPECT_NE(test::joinedLines(lines).find("Lektion 01: a s d f"), std::string::npos) << test::joinedLines(lines);
}

// "Vorlage drucken" in the menu beside the start button, by keys: the chosen
// text with its line range goes to the printer, numbered, under its title.
TEST_F(CourseLearner, TemplateOfTheChosenTextGoesToThePrinter) {
  ASSERT_TRUE(test::ensureFilePrinter()) << "no test printer: " << ::GetLastError();
  const std::wstring out = test::printerOutput();
  ::DeleteFileW(out.c_str());
  const HWND dialog = selection();
  ASSERT_TRUE(key(L"alt+w"));
  ASSERT_TRUE(selectionCaptionIs(dialog, L"Übungstext wählen"));
  // The menu button has the focus after a Tab from the start button.
  ASSERT_TRUE(openSelectionMenu(dialog)) << "no menu";
  ASSERT_TRUE(key(L"v"));
  const HWND print = test::waitForTopLevelWindow(program.pid(), nullptr, 10000, L"#32770");
  ASSERT_NE(print, nullptr) << "no print dialog";
  ASSERT_TRUE(key(L"Return"));
  const std::string postscript = test::printedDocument(20000);
  ASSERT_FALSE(postscript.empty()) << "nothing printed";
  EXPECT_EQ(test::pageCount(postscript), 1) << "one text, one sheet";
  EXPECT_NE(postscript.find("%%Title: (Klavento 7"), std::string::npos);
  test::keepCopy(postscript, L"vorlage.ps");
  ASSERT_NE(selection(), nullptr) << "the dialog went away";
}

}  // namespace
}  // namespace kv
