// The folder of own archives as a learner or teacher chooses it in the real
// program, with keys and the mouse: a folder under the documents with an
// umlaut in its name, a folder on another drive letter, with and without a
// folder set by policy; and the files the program passes over, named.
#include <windows.h>
#include <shlwapi.h>

#include <shlobj.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "platform/win/strings.h"
#include "tests/win/program_driver.h"
#include "texts/archive.h"
#include "ui/frame/main_window_win.h"
#include "ui/selection/selection_dialog_win.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using test::runUnix;

bool key(const std::wstring& keys) { return test::runUnixToEnd(L"/usr/bin/xdotool key " + keys); }

void writeArchive(const fs::path& file, const std::string& name) {
  TextArchiveHeader header;
  header.archiveName = name;
  const auto bytes = encodeArchive(header, {{"Eins", {"asdf jkl\xF6 asdf jkl\xF6"}}});
  ASSERT_TRUE(bytes.has_value());
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
}

bool sameIgnoringCase(const std::wstring& a, const std::wstring& b) {
  // By the user's locale, so that Ü and ü are one letter.
  return ::lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

constexpr const wchar_t* kPolicyKey = L"Software\\Policies\\Klavento\\7.0\\Verzeichnisse";

class OwnArchives : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    wchar_t documents[MAX_PATH] = {};
    ASSERT_EQ(::SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, documents), S_OK);
    const std::wstring id = std::to_wstring(::GetCurrentProcessId());
    chosen = fs::path(documents) / (L"Übungen Klasse 8 " + id);
    // Another drive letter: Wine's Z: is the root of the Linux file system.
    otherDrive = fs::path(L"Z:\\tmp") / (L"kv-zweiter-ordner-" + id);
    teacher = fs::path(documents) / (L"Vom Lehrer " + id);
    for (const fs::path& p : {chosen, otherDrive, teacher}) {
      fs::remove_all(p);
      fs::create_directories(p);
    }
    writeArchive(chosen / "klasse8.kv7", "Klasse 8");
    // Damaged: the texts end before their counts say.
    writeArchive(chosen / "kaputt.kv7", "Kaputt");
    fs::resize_file(chosen / "kaputt.kv7", fs::file_size(chosen / "kaputt.kv7") - 2);
    writeArchive(otherDrive / "zweiter.kv7", "Zweiter Ordner");
    writeArchive(teacher / "lehrer.kv7", "Vom Lehrer");
    if (GetParam()) {
      HKEY k = nullptr;
      ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kPolicyKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k,
                                  nullptr),
                ERROR_SUCCESS);
      const std::wstring value = teacher.wstring();
      ::RegSetValueExW(k, L"Lehrerverzeichnis", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
      ::RegCloseKey(k);
    }
  }

  void TearDown() override {
    if (main != nullptr && program.running()) {
      EXPECT_TRUE(program.closeNormally(main));
    }
    ::SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Policies\\Klavento");
    std::error_code ec;
    for (const fs::path& p : {chosen, otherDrive, teacher}) fs::remove_all(p, ec);
  }

  std::vector<std::wstring> archiveBoxItems() {
    return test::comboItems(::GetDlgItem(dialog, SelectionDialog::kArchiveBox));
  }
  bool listed(const std::wstring& name) {
    const auto items = archiveBoxItems();
    return std::find(items.begin(), items.end(), name) != items.end();
  }

  HWND findPicker() {
    const HWND picker = test::findTopLevelWindow(program.pid(), nullptr, L"#32770");
    return picker != nullptr && ::FindWindowExW(picker, nullptr, L"Edit", nullptr) != nullptr ? picker : nullptr;
  }

  // "Durchsuchen..." by keys: the archive box by its Alt letter, its list,
  // the last item. The picker that opens, once its folder tree is filled and
  // has chosen the start folder: the tree writes that folder's name into the
  // field, over anything typed there before.
  //
  // Each key is an xdotool run of its own, and a key that comes before the
  // program is ready for it does something else: End on the closed box only
  // opens its list, and Return there chooses nothing from it. So each step
  // waits for the effect of its key, and a step that shows none is tried
  // again, a few times.
  HWND openPicker() {
    // Wine's shell may take long the first time in a new profile.
    constexpr DWORD kPickerTimeout = 30000;
    const HWND box = ::GetDlgItem(dialog, SelectionDialog::kArchiveBox);
    if (box == nullptr) return nullptr;
    const int last = static_cast<int>(test::comboItems(box).size()) - 1;
    HWND picker = nullptr;
    for (int attempt = 0; attempt < 3 && picker == nullptr; ++attempt) {
      if (!test::comboDropped(box)) {
        if (test::focusOfThread(main) != box) {
          if (!key(L"alt+a")) return nullptr;
          if (!test::waitUntil([&] { return test::focusOfThread(main) == box; }, 5000)) continue;
        }
        // Alt+Down opens a closed list and closes an open one: sent only to a closed list.
        if (!key(L"alt+Down")) return nullptr;
        if (!test::waitUntil([&] { return test::comboDropped(box); }, 5000)) continue;
      }
      if (test::comboSelection(box) != last) {
        if (!key(L"End")) return nullptr;
        if (!test::waitUntil([&] { return test::comboSelection(box) == last; }, 5000)) continue;
      }
      if (!key(L"Return")) return nullptr;
      test::waitUntil([&] { return (picker = findPicker()) != nullptr; }, kPickerTimeout);
      // A list still open did not get the Return; a closed one did, and a
      // second try would send its keys to a picker that is only slow.
      if (picker == nullptr && !test::comboDropped(box)) break;
    }
    if (picker == nullptr) return nullptr;
    test::waitForFolderTree(picker, kPickerTimeout);
    return picker;
  }

  // A click into the picker's field, the folder typed as its path, Return.
  void typeFolder(HWND picker, const fs::path& folder) {
    const HWND field = ::FindWindowExW(picker, nullptr, L"Edit", nullptr);
    ASSERT_NE(field, nullptr);
    RECT r{};
    ASSERT_TRUE(::GetWindowRect(field, &r));
    ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool mousemove " + std::to_wstring((r.left + r.right) / 2) + L" " +
                        std::to_wstring((r.top + r.bottom) / 2) + L" click 1"));
    // The keys go where the click has put the focus.
    test::waitUntil([&] { return test::focusOfThread(picker) == field; }, 5000);
    ASSERT_TRUE(key(L"End shift+Home"));
    // The path typed next replaces the whole field.
    test::waitUntil([&] { return test::allTextSelected(field); }, 5000);
    // The command line reaches xdotool by Windows rules: backslashes as they are.
    const std::wstring typed = folder.wstring();
    ASSERT_TRUE(runUnix(L"/usr/bin/xdotool type --delay 30 \"" + typed + L"\""));
    // xdotool may type a capital umlaut in lower case; Windows paths ignore case.
    ASSERT_TRUE(test::waitUntil(
        [&] { return sameIgnoringCase(test::controlText(field), typed); }, 10000))
        << "the field holds \"" << cp1252ToUtf8(win::narrowLossy(test::controlText(field))) << "\"";
    ASSERT_TRUE(key(L"Return"));
  }

  test::ProgramProcess program;
  HWND main = nullptr;
  HWND dialog = nullptr;
  fs::path chosen;
  fs::path otherDrive;
  fs::path teacher;
};

TEST_P(OwnArchives, ChosenFolderIsScannedAndItsUnreadableFilesNamed) {
  ASSERT_TRUE(program.start(test::besideThisExe(KV_EXE_NAME)));
  main = test::waitForTopLevelWindow(program.pid(), L"Klavento 7", 20000, kMainWindowClass);
  ASSERT_NE(main, nullptr);
  dialog = test::waitForOnlyChild(main, SelectionDialog::kClassName, 15000);
  ASSERT_NE(dialog, nullptr);
  // The X window of the program gets the keyboard focus, as a click would.
  ASSERT_TRUE(test::focusXWindow(L"^Klavento 7$"));
  ASSERT_TRUE(key(L"alt+w"));
  ASSERT_TRUE(test::waitUntil([&] { return win::windowText(dialog) == L"Übungstext wählen"; }, 5000));
  EXPECT_EQ(listed(L"Vom Lehrer"), GetParam()) << "the policy's folder is scanned at the start";

  // A folder under the documents, with an umlaut: its archive replaces the
  // others; the damaged file is named with its reason.
  HWND picker = openPicker();
  ASSERT_NE(picker, nullptr) << "no folder picker";
  ASSERT_NO_FATAL_FAILURE(typeFolder(picker, chosen));
  const HWND notice = test::waitForMessageBox(program.pid(), 10000);
  ASSERT_NE(notice, nullptr) << "the damaged archive was passed over without a word";
  const std::wstring text = test::messageBoxText(notice);
  EXPECT_NE(text.find(L"Klasse 8 " + std::to_wstring(::GetCurrentProcessId())), std::wstring::npos)
      << cp1252ToUtf8(win::narrowLossy(text));
  EXPECT_NE(text.find(L"kaputt.kv7: Die Dateilänge passt nicht"), std::wstring::npos)
      << cp1252ToUtf8(win::narrowLossy(text));
  EXPECT_EQ(text.find(L"klasse8.kv7"), std::wstring::npos) << "a good archive is not passed over";
  ASSERT_TRUE(key(L"Return"));
  ASSERT_TRUE(test::waitUntil([&] { return !::IsWindow(notice); }, 5000));
  EXPECT_TRUE(test::waitUntil([&] { return listed(L"Klasse 8"); }, 5000));
  EXPECT_FALSE(listed(L"Vom Lehrer")) << "the learner's folder replaces the policy's for this run";

  // The picker opens at the folder chosen before; a folder on another drive.
  picker = openPicker();
  ASSERT_NE(picker, nullptr);
  const HWND field = ::FindWindowExW(picker, nullptr, L"Edit", nullptr);
  EXPECT_TRUE(sameIgnoringCase(test::controlText(field), chosen.filename().wstring()))
      << "the picker does not start there: " << cp1252ToUtf8(win::narrowLossy(test::controlText(field)));
  ASSERT_NO_FATAL_FAILURE(typeFolder(picker, otherDrive));
  EXPECT_TRUE(test::waitUntil([&] { return listed(L"Zweiter Ordner"); }, 10000));
  EXPECT_FALSE(listed(L"Klasse 8"));
  EXPECT_EQ(test::waitForMessageBox(program.pid(), 1000), nullptr) << "nothing to tell, no box";

  // Rescanned through the menu beside the start button, clicked with the
  // mouse: the archive added meanwhile appears.
  writeArchive(otherDrive / "dazu.kv7", "Neu dazu");
  RECT menu{};
  ASSERT_TRUE(::GetWindowRect(::GetDlgItem(dialog, SelectionDialog::kMenu), &menu));
  ASSERT_TRUE(test::runUnixToEnd(L"/usr/bin/xdotool mousemove " + std::to_wstring((menu.left + menu.right) / 2) + L" " +
                      std::to_wstring((menu.top + menu.bottom) / 2) + L" click 1"));
  // Its letter only chooses once the menu is open.
  test::waitForMenu(program.pid(), 10000);
  ASSERT_TRUE(key(L"n"));
  EXPECT_TRUE(test::waitUntil([&] { return listed(L"Neu dazu"); }, 10000)) << "the rescan found nothing new";
  EXPECT_TRUE(listed(L"Zweiter Ordner"));
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutPolicy, OwnArchives, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& row) {
                           return std::string(row.param ? "PolicyFolder" : "NoPolicy");
                         });

}  // namespace
}  // namespace kv
