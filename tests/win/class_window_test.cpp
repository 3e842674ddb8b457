// The teachers' window with real keys and the mouse: a class folder made by
// the program's own writer (30 learners, some in folders of their own, with
// tampered, foreign, voided and impossible files) is listed, graded, sorted
// by a click on a column, a result opens as a saved exercise does, and the
// list goes out as CSV and as the overview, which opens in the browser. The
// policy hides it all from learners' PCs.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>

#include "platform/file_io.h"
#include "tests/core/class_files.h"
#include "tests/win/learner_fixture.h"
#include "ui/teachers/class_window_win.h"
#include "ui/teachers/grade_key_dialog_win.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

class Teacher : public LearnerKeys {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    folder = fs::path(temp) / (L"Klasse 8b " + std::to_wstring(::GetCurrentProcessId()));
    std::error_code ec;
    fs::remove_all(folder, ec);
    for (int n = 0; n < 30; ++n) {
      test::HandedIn h;
      h.name = "Lernende " + std::to_string(n + 10);
      // A long name, as school software exports them: its column grows.
      if (n == 29) h.name += " Alexandra-Charlotte von Hohenstein-Wittgenstein-Berleburg";
      h.klass = "8b";
      h.keystrokes = static_cast<std::uint32_t>(1000 + 20 * n);
      h.errors = static_cast<std::uint32_t>(n % 6);
      if (n == 3) h.keystrokes = 0, h.errors = 0;  // voided
      if (n == 4) h.impossible = true;
      const fs::path place = n % 5 == 0 ? folder / ("Lernende " + std::to_string(n + 10)) : folder;
      ASSERT_TRUE(test::writeHandedIn(place / ("abgabe-" + std::to_string(n + 10) + ".kvw"), h));
    }
    std::string bytes;
    ASSERT_TRUE(readWholeFile(folder / "abgabe-11.kvw", bytes));
    bytes[75] = static_cast<char>(bytes[75] ^ 2);
    ASSERT_TRUE(writeFileAtomically(folder / L"abgabe-11-verändert.kvw", bytes));
    ASSERT_TRUE(writeFileAtomically(folder / "fremd.kvw", "Ein Brief, keine Übung."));
    ASSERT_TRUE(test::reg(L"add \"HKCU\\Software\\Policies\\Klavento\\7.0\\Verzeichnisse\" /v Schuelerverzeichnis "
                          L"/t REG_SZ /d \"" + folder.wstring() + L"\" /f"));
    prepare();
    LearnerKeys::SetUp();
  }
  void TearDown() override {
    LearnerKeys::TearDown();
    ::SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Policies\\Klavento");
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
  virtual void prepare() {}

  // Each key press waits for xdotool to end: on a busy machine two runs
  // started one after the other can overlap and swap their keys.
  static bool key(const std::wstring& keys) { return test::runUnixToEnd(L"/usr/bin/xdotool key " + keys); }

  HWND openClassByKeys() {
    if (!key(L"ctrl+k")) return nullptr;
    return test::waitForOnlyChild(main, kClassChildClass, 15000);
  }

  // Types a file name into the save dialog with this caption and saves;
  // first the name the dialog offers is read, when one is expected.
  void saveAs(const wchar_t* caption, const fs::path& file, const std::wstring& offered = {}) {
    const HWND dialog = test::waitForTopLevelWindow(program.pid(), caption, 15000, L"#32770");
    ASSERT_NE(dialog, nullptr) << "no dialog " << win::narrowLossy(caption);
    const HWND name = test::fileNameField(dialog);
    ASSERT_NE(name, nullptr);
    ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == name; }, 15000));
    if (!offered.empty()) {
      EXPECT_EQ(test::controlText(name), offered) << win::narrowLossy(test::controlText(name));
    }
    // The offered name goes, as when a teacher types over it.
    ASSERT_TRUE(key(L"End shift+Home BackSpace"));
    ASSERT_TRUE(test::waitUntil([&] { return test::controlText(name).empty(); }, 15000));
    ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool type --delay 50 " + test::shellQuoted(file.wstring()), 60000));
    ASSERT_TRUE(test::waitUntil([&] { return test::controlText(name) == file.wstring(); }, 15000))
        << win::narrowLossy(test::controlText(name));
    ASSERT_TRUE(key(L"Return"));
    ASSERT_TRUE(test::waitUntil([&] { return !::IsWindow(dialog); }, 10000)) << "the dialog stayed open";
  }

  bool clickOn(const RECT& r) {
    if (r.right <= r.left || r.bottom <= r.top) {
      ADD_FAILURE() << "nowhere to click";
      return false;
    }
    const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    return test::runUnixToEnd(L"/usr/bin/xdotool mousemove " + std::to_wstring(x) + L" " + std::to_wstring(y) +
                              L" click 1");
  }

  // The first row's name cell on the screen, just below the header.
  static RECT firstRow(HWND list) {
    RECT r = test::listViewHeaderOnScreen(list, ClassWindow::kName);
    const int h = r.bottom - r.top;
    ::OffsetRect(&r, 0, h);
    r.bottom = r.top + h * 2 / 3;
    return r;
  }

  // Today as the offered names carry it: "2026-12-09".
  static std::wstring todayText() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    wchar_t text[16];
    std::swprintf(text, 16, L"%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
    return text;
  }

  fs::path folder;
};

TEST_F(Teacher, ListsGradesSortsOpensAndExportsAClassByKeysAndMouse) {
  HWND window = openClassByKeys();
  ASSERT_NE(window, nullptr) << "Strg+K did not open the teachers' window";
  EXPECT_EQ(win::windowText(window), L"Ergebnisse einer Klasse");
  const HWND list = ::GetDlgItem(window, ClassWindow::kListId);
  // 30 handed in, 6 of them in subfolders, and the two refused ones stay listed.
  ASSERT_TRUE(test::waitUntil([&] { return test::listViewCount(list) == 32; }, 15000)) << test::listViewCount(list);
  EXPECT_EQ(test::controlText(::GetDlgItem(window, ClassWindow::kFolderId)), folder.wstring());
  std::map<std::wstring, int> rows;
  std::string names;
  for (int i = 0; i < 32; ++i) {
    rows[test::listViewText(list, i, ClassWindow::kName)] = i;
    names += win::narrowLossy(test::listViewText(list, i, ClassWindow::kName)) + "|";
  }
  const auto rowOf = [&](const std::wstring& name) {
    const auto at = rows.find(name);
    if (at != rows.end()) return at->second;
    ADD_FAILURE() << "no row " << win::narrowLossy(name) << " among " << names;
    return 0;
  };
  ASSERT_TRUE(rows.count(L"Lernende 15")) << "a learner's file in a subfolder is missing: " << names;
  EXPECT_EQ(test::listViewText(list, rowOf(L"fremd.kvw"), ClassWindow::kStatus),
            L"abgelehnt: keine Klavento-Übungsdatei");
  EXPECT_EQ(test::listViewText(list, rowOf(L"abgabe-11-verändert.kvw"), ClassWindow::kStatus),
            L"abgelehnt: verändert oder beschädigt");
  EXPECT_EQ(test::listViewText(list, rowOf(L"Lernende 14"), ClassWindow::kErrors), L"–");
  EXPECT_EQ(test::listViewText(list, rowOf(L"Lernende 10"), ClassWindow::kGrade), L"") << "a grade without a key";

  // At 1280 × 1024 a refusal's reason is read whole, without scrolling: the
  // list needs no horizontal scroll bar and the status column is as wide as
  // its longest reason.
  EXPECT_EQ(::GetWindowLongW(list, GWL_STYLE) & WS_HSCROLL, 0) << "the list scrolls sideways";
  const std::wstring longest = L"abgelehnt: keine Klavento-Übungsdatei";
  const int needed = test::listViewStringWidth(list, longest);
  ASSERT_GT(needed, 0);
  EXPECT_GE(::SendMessageW(list, LVM_GETCOLUMNWIDTH, ClassWindow::kStatus, 0), needed);
  RECT listArea{};
  ::GetClientRect(list, &listArea);
  int columnsWidth = 0;
  for (int c = 0; c < ClassWindow::kColumnCount; ++c) {
    columnsWidth += static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, c, 0));
  }
  EXPECT_LE(columnsWidth, listArea.right) << "the columns are wider than the list";

  // The first example key, chosen by keys: 1 error in 1020 Anschläge is 0,098 %, a 1.
  ASSERT_TRUE(key(L"alt+n"));
  const HWND box = ::GetDlgItem(window, ClassWindow::kKeyBoxId);
  ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == box; }, 15000));
  ASSERT_TRUE(key(L"Down"));
  ASSERT_TRUE(test::waitUntil([&] { return test::listViewText(list, rowOf(L"Lernende 11"), ClassWindow::kGrade) == L"1"; },
                              5000))
      << win::narrowLossy(test::listViewText(list, rowOf(L"Lernende 11"), ClassWindow::kGrade));
  EXPECT_EQ(test::listViewText(list, rowOf(L"Lernende 13"), ClassWindow::kGrade), L"–") << "voided";
  EXPECT_EQ(test::listViewText(list, rowOf(L"Lernende 14"), ClassWindow::kGrade), L"–") << "impossible";

  EXPECT_TRUE(test::sharedAltLetters(window).empty()) << win::narrowLossy(test::describeShared(test::sharedAltLetters(window)));

  // The key edited in its dialog: a field that is no limit is named, then
  // a stricter limit for a 1 makes 0,098 % a 2.
  ASSERT_TRUE(key(L"alt+b"));
  HWND editor = test::waitForTopLevelWindow(program.pid(), L"Notenschlüssel bearbeiten", 10000);
  ASSERT_NE(editor, nullptr) << "Alt+B opened no dialog";
  const HWND limit1 = ::GetDlgItem(editor, GradeKeyDialog::kLimit1);
  ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == limit1; }, 15000));
  ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool type --delay 80 abc"));
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(limit1) == L"abc"; }, 15000));
  ASSERT_TRUE(key(L"Return"));
  HWND refusal = test::waitForMessageBox(program.pid(), 5000);
  ASSERT_NE(refusal, nullptr);
  EXPECT_EQ(test::messageBoxText(refusal).rfind(L"Note 1: „abc“ ist keine Prozentzahl", 0), 0u)
      << win::narrowLossy(test::messageBoxText(refusal));
  ASSERT_TRUE(key(L"Return"));
  ASSERT_TRUE(test::waitUntil([&] { return !::IsWindow(refusal); }, 15000));
  // The field that was refused has the focus again, its text selected.
  ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == limit1; }, 15000));
  ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool type --delay 80 0,05"));
  ASSERT_TRUE(test::waitUntil([&] { return test::controlText(limit1) == L"0,05"; }, 15000))
      << win::narrowLossy(test::controlText(limit1));
  ASSERT_TRUE(key(L"Return"));
  ASSERT_TRUE(test::waitUntil([&] { return !::IsWindow(editor); }, 15000)) << "OK did not close the dialog";
  EXPECT_TRUE(test::waitUntil(
      [&] { return test::listViewText(list, rowOf(L"Lernende 11"), ClassWindow::kGrade) == L"2"; }, 15000))
      << win::narrowLossy(test::listViewText(list, rowOf(L"Lernende 11"), ClassWindow::kGrade));
  EXPECT_NE(test::controlText(box).find(L"(geladen)"), std::wstring::npos) << win::narrowLossy(test::controlText(box));

  // A click on "Anschläge" sorts by it, a second click the other way round.
  // The first click of the mouse goes to a row: the list takes the focus.
  ASSERT_TRUE(clickOn(firstRow(list)));
  ASSERT_TRUE(test::waitUntil([&] { return test::focusOfThread(main) == list; }, 15000));
  ASSERT_TRUE(clickOn(test::listViewHeaderOnScreen(list, ClassWindow::kKeystrokes)));
  // The refused files first, then the voided exercise with 0 Anschläge.
  ASSERT_TRUE(test::waitUntil([&] { return test::listViewText(list, 2, ClassWindow::kKeystrokes) == L"0"; }, 15000))
      << win::narrowLossy(test::listViewText(list, 2, ClassWindow::kKeystrokes));
  EXPECT_EQ(test::listViewText(list, 0, ClassWindow::kKeystrokes), L"");
  // Two clicks in quick succession would be a double click on the header.
  ::Sleep(::GetDoubleClickTime() + 300);
  ASSERT_TRUE(clickOn(test::listViewHeaderOnScreen(list, ClassWindow::kKeystrokes)));
  ASSERT_TRUE(test::waitUntil([&] { return test::listViewText(list, 0, ClassWindow::kKeystrokes) == L"1580"; }, 15000))
      << win::narrowLossy(test::listViewText(list, 0, ClassWindow::kKeystrokes));

  // CSV and overview, each through its save dialog.
  const fs::path csv = folder / "klasse.csv";
  ASSERT_TRUE(key(L"alt+c"));
  ASSERT_NO_FATAL_FAILURE(saveAs(L"Liste als CSV speichern", csv, L"Ergebnisse 8b " + todayText() + L".csv"));
  ASSERT_TRUE(test::waitUntil([&] { return fs::exists(csv); }, 15000));
  std::string table;
  ASSERT_TRUE(readWholeFile(csv, table));
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 33) << table;
  EXPECT_NE(table.find(";Note\n"), std::string::npos);

  // Return on a row opens it as a saved exercise: the result window's file view.
  ASSERT_TRUE(clickOn(firstRow(list)));
  ASSERT_TRUE(test::waitUntil([&] { return test::listViewSelection(list) == 0 && test::focusOfThread(main) == list; }, 15000));
  const std::wstring name = test::listViewText(list, 0, ClassWindow::kName);
  ASSERT_TRUE(key(L"Return"));
  const HWND view = test::waitForOnlyChild(main, ResultWindow::kClassName, 15000);
  ASSERT_NE(view, nullptr) << "Return did not open the result";
  EXPECT_EQ(win::windowText(view), L"Dateiansicht");
  EXPECT_EQ(test::listLine(::GetDlgItem(view, ResultWindow::kListId), 4), name);

  // Closed, it goes back to the list as it was: sorted, the same row chosen.
  ASSERT_TRUE(test::waitUntil([&] { const HWND f = test::focusOfThread(main); return f == view || ::IsChild(view, f); }, 15000))
      << "the file view has no focus";
  ASSERT_TRUE(key(L"alt+s"));
  window = test::waitForOnlyChild(main, kClassChildClass, 15000);
  ASSERT_NE(window, nullptr) << "closing the result did not return to the list";
  const HWND again = ::GetDlgItem(window, ClassWindow::kListId);
  ASSERT_TRUE(test::waitUntil([&] { return test::listViewCount(again) == 32; }, 15000));
  EXPECT_EQ(test::listViewSelection(again), 0);
  EXPECT_EQ(test::listViewText(again, 0, ClassWindow::kName), name);
  EXPECT_EQ(test::listViewText(again, 0, ClassWindow::kKeystrokes), L"1580") << "the order was lost";
  for (int i = 0; i < 32; ++i) {
    if (test::listViewText(again, i, ClassWindow::kName) == L"Lernende 11") {
      EXPECT_EQ(test::listViewText(again, i, ClassWindow::kGrade), L"2") << "the key was lost";
    }
  }

  // Schließen: the selection; the folder is still the one chosen.
  ASSERT_TRUE(test::waitUntil([&] { return ::IsChild(window, test::focusOfThread(main)); }, 15000));
  ASSERT_TRUE(key(L"alt+s"));
  ASSERT_NE(selection(), nullptr);
  window = openClassByKeys();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(test::controlText(::GetDlgItem(window, ClassWindow::kFolderId)), folder.wstring());

  // Last, as the stand-in browser takes the focus: the overview opens in it.
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring note = std::wstring(temp) + L"kv-uebersicht-geoeffnet.txt";
  ::DeleteFileW(note.c_str());
  wchar_t before[128] = {};
  LONG size = sizeof before;
  ASSERT_EQ(::RegQueryValueW(HKEY_CLASSES_ROOT, L".html", before, &size), ERROR_SUCCESS);
  ASSERT_TRUE(test::setClassesRootDefault(L".html", L"KlaventoTestSeite"));
  ASSERT_TRUE(test::setClassesRootDefault(L"KlaventoTestSeite\\shell\\open\\command",
                                          L"C:\\windows\\system32\\cmd.exe /c echo %1> \"" + note + L"\""));
  const fs::path page = folder / "uebersicht.html";
  ASSERT_TRUE(key(L"alt+k"));
  saveAs(L"Klassenübersicht speichern", page, L"Klassenübersicht 8b " + todayText() + L".html");
  const bool opened = test::waitUntil([&] { return ::GetFileAttributesW(note.c_str()) != INVALID_FILE_ATTRIBUTES; }, 15000);
  test::setClassesRootDefault(L".html", before);
  ::SHDeleteKeyW(HKEY_CLASSES_ROOT, L"KlaventoTestSeite");
  EXPECT_TRUE(opened) << "the overview was not opened in the browser";
  std::string html;
  ASSERT_TRUE(readWholeFile(page, html));
  EXPECT_NE(html.find("<h1>Klassenübersicht</h1>"), std::string::npos);
  ::DeleteFileW(note.c_str());
}

// A folder too large to wait for: the progress window's "Abbrechen", pressed
// by Escape, stops the reading and the list shows what was read.
class TeacherLargeFolder : public Teacher {
 protected:
  void prepare() override {
    test::HandedIn h;
    h.klass = "8b";
    h.keystrokes = 1200;
    for (int n = 0; n < kFiles; ++n) {
      h.name = "Viele " + std::to_string(n);
      ASSERT_TRUE(test::writeHandedIn(folder / "viele" / ("v" + std::to_string(10000 + n) + ".kvw"), h));
    }
  }
  static constexpr int kFiles = 2500;
};

TEST_F(TeacherLargeFolder, ReadingCanBeCancelledAndKeepsWhatWasRead) {
  ASSERT_TRUE(key(L"ctrl+k"));
  const HWND progress = test::waitForTopLevelWindow(program.pid(), L"Verzeichnis wird geladen", 15000);
  ASSERT_NE(progress, nullptr) << "no progress window for " << kFiles << " files";
  EXPECT_NE(::FindWindowExW(progress, nullptr, L"Button", L"Abbrechen"), nullptr);
  ASSERT_TRUE(key(L"Escape"));
  ASSERT_TRUE(test::waitUntil([&] { return !::IsWindow(progress); }, 30000));
  const HWND window = test::waitForOnlyChild(main, kClassChildClass, 15000);
  ASSERT_NE(window, nullptr);
  const std::wstring summary = test::controlText(::GetDlgItem(window, ClassWindow::kSummaryId));
  EXPECT_EQ(summary.rfind(L"Lesen abgebrochen: ", 0), 0u) << win::narrowLossy(summary);
  const int listed = test::listViewCount(::GetDlgItem(window, ClassWindow::kListId));
  EXPECT_GT(listed, 0);
  EXPECT_LT(listed, kFiles + 32);
  EXPECT_NE(summary.find(L" " + std::to_wstring(listed) + L" von " + std::to_wstring(kFiles + 32) + L" Dateien"),
            std::wstring::npos)
      << win::narrowLossy(summary);
}

class TeacherOff : public Teacher {
 protected:
  void prepare() override {
    ASSERT_TRUE(test::reg(L"add \"HKCU\\Software\\Policies\\Klavento\\7.0\\Allgemein\" /v Lehrerfunktionen "
                          L"/t REG_DWORD /d 0 /f"));
  }
};

TEST_F(TeacherOff, PolicyHidesTheTeachersMenuAndItsKey) {
  const HMENU menu = ::GetMenu(main);
  ASSERT_NE(menu, nullptr);
  for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
    wchar_t text[64] = {};
    ::GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(text).find(L"Lehrkräfte"), std::wstring::npos) << "the menu is there";
  }
  // Started and left alone: waiting here for xdotool's shell to end cost this
  // test process its standard output under Wine, and only one key is sent.
  ASSERT_TRUE(runUnix(L"/usr/bin/xdotool key ctrl+k"));
  EXPECT_EQ(test::waitForOnlyChild(main, kClassChildClass, 2000), nullptr);
  EXPECT_NE(selection(), nullptr);
}

}  // namespace
}  // namespace kv
