// The start-up steps against the real system: policy values written with
// reg.exe into this prefix's registry, the font list of the screen, the
// version gate and the refusal messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include <string>

#include "app/startup_win.h"
#include "core/startup_rules.h"
#include "platform/win/registry.h"
#include "platform/win/strings.h"
#include "platform/win/system_info.h"
#include "tests/win/program_driver.h"

namespace kv {
namespace {

using test::reg;

constexpr const wchar_t* kMachine = L"HKLM\\Software\\Policies\\Klavento";
constexpr const wchar_t* kUser = L"HKCU\\Software\\Policies\\Klavento";

// Policy values exist only inside each test; other tests of the prefix must
// never see them.
class Policies : public testing::Test {
 protected:
  void SetUp() override { removeAll(); }
  void TearDown() override { removeAll(); }
  static void removeAll() {
    reg(std::wstring(L"delete ") + kMachine + L" /f");
    reg(std::wstring(L"delete ") + kUser + L" /f");
  }
  static void add(const wchar_t* root, const wchar_t* key, const wchar_t* name,
                  const wchar_t* type, const wchar_t* data) {
    const std::wstring args = std::wstring(L"add \"") + root + L"\\7.0\\" + key + L"\" /v \"" +
                              name + L"\" /t " + type + L" /d \"" + data + L"\" /f";
    ASSERT_TRUE(reg(args)) << win::narrowLossy(args);
  }
};

TEST_F(Policies, ValuesWrittenWithRegTakeEffectUserOverMachine) {
  add(kMachine, L"Allgemein", L"Programmfenster maximieren", L"REG_DWORD", L"1");
  add(kUser, L"Allgemein", L"Programmfenster maximieren", L"REG_DWORD", L"0");
  add(kMachine, L"Farben", L"Hintergrund", L"REG_SZ", L"123456");
  add(kUser, L"Farben", L"Hintergrund", L"REG_SZ", L"FF00FF");
  add(kUser, L"Farben", L"Daumen", L"REG_EXPAND_SZ", L"00ff00");
  add(kMachine, L"Verzeichnisse", L"Lehrerverzeichnis", L"REG_SZ", L"C:\\Lehrer");
  add(kUser, L"Verzeichnisse", L"Lehrerverzeichnis", L"REG_EXPAND_SZ",
      L"%WINDIR%\\Texte f\u00fcr 8b");
  add(kMachine, L"Verzeichnisse", L"Schuelerverzeichnis", L"REG_SZ", L"C:\\Sch\u00fcler");

  Settings settings;
  readFoldersAndPolicies(settings);
  EXPECT_FALSE(settings.policies.maximiseMainWindow);
  EXPECT_EQ(settings.fingers.background, 0xFF00FFu);
  EXPECT_EQ(settings.fingers.thumb, 0x00FF00u);
  wchar_t windir[MAX_PATH] = {};
  ::GetEnvironmentVariableW(L"WINDIR", windir, MAX_PATH);
  EXPECT_EQ(settings.folders.teacher, win::narrowLossy(windir) + "\\Texte f\xFCr 8b");
  EXPECT_EQ(settings.folders.student, "C:\\Sch\xFCler");
  EXPECT_FALSE(settings.folders.documents.empty());
}

TEST_F(Policies, WrongTypesAndMalformedColoursAreIgnored) {
  add(kUser, L"Allgemein", L"Programmfenster maximieren", L"REG_SZ", L"0");
  add(kUser, L"Allgemein", L"Internet-Shortcuts deaktivieren", L"REG_BINARY", L"01000000");
  add(kUser, L"Farben", L"Kleiner Finger", L"REG_SZ", L"#FF00FF");
  add(kUser, L"Farben", L"Ringfinger", L"REG_SZ", L"FF00F");
  add(kUser, L"Farben", L"Mittelfinger", L"REG_SZ", L"FF00FG");
  add(kUser, L"Farben", L"Zeigefinger", L"REG_DWORD", L"255");
  add(kUser, L"Verzeichnisse", L"Lehrerverzeichnis", L"REG_DWORD", L"1");

  Settings settings;
  readFoldersAndPolicies(settings);
  const FingerColours defaults;
  EXPECT_TRUE(settings.policies.maximiseMainWindow);
  EXPECT_TRUE(settings.policies.webLinksEnabled);
  EXPECT_EQ(settings.fingers.little, defaults.little);
  EXPECT_EQ(settings.fingers.ring, defaults.ring);
  EXPECT_EQ(settings.fingers.middle, defaults.middle);
  EXPECT_EQ(settings.fingers.index, defaults.index);
  EXPECT_EQ(settings.folders.teacher, "");
  EXPECT_EQ(settings.folders.student, settings.folders.documents);
}

TEST_F(Policies, WebLinksOffAndProgramFolderFromAppPaths) {
  add(kMachine, L"Allgemein", L"Internet-Shortcuts deaktivieren", L"REG_DWORD", L"1");
  const std::wstring appPaths =
      L"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KVWIN7.EXE";
  ASSERT_TRUE(reg(L"add \"" + appPaths + L"\" /v Path /t REG_SZ /d \"C:\\Programme\\Klavento\" /f"));
  Settings settings;
  readFoldersAndPolicies(settings);
  reg(L"delete \"" + appPaths + L"\" /f");
  EXPECT_FALSE(settings.policies.webLinksEnabled);
  EXPECT_EQ(settings.folders.program, "C:\\Programme\\Klavento");
}

TEST_F(Policies, ProgramOpensUnmaximisedWhenTheUserPolicySaysSo) {
  add(kMachine, L"Allgemein", L"Programmfenster maximieren", L"REG_DWORD", L"1");
  add(kUser, L"Allgemein", L"Programmfenster maximieren", L"REG_DWORD", L"0");
  test::ProgramProcess program;
  ASSERT_TRUE(program.start(test::besideThisExe(KV_EXE_NAME)));
  const HWND window =
      test::waitForTopLevelWindow(program.pid(), L"Klavento 7", 20000, L"KlaventoMainWindow");
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(::IsZoomed(window));
  // Placed at a third of the free screen space.
  RECT r{};
  ::GetWindowRect(window, &r);
  EXPECT_EQ(r.left, (::GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 3);
  EXPECT_EQ(r.top, (::GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 3);
  EXPECT_TRUE(program.closeNormally(window));
}

TEST(Startup, ProgramOpensMaximisedWithoutPolicies) {
  test::ProgramProcess program;
  ASSERT_TRUE(program.start(test::besideThisExe(KV_EXE_NAME)));
  const HWND window =
      test::waitForTopLevelWindow(program.pid(), L"Klavento 7", 20000, L"KlaventoMainWindow");
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(::IsZoomed(window));
  EXPECT_TRUE(program.closeNormally(window));
}

TEST(Startup, EnvironmentOfThisSystem) {
  EnvironmentInfo environment;
  gatherEnvironment(environment);
  EXPECT_TRUE(environment.compatibilityLayer) << "Wine exports wine_get_unix_file_name";
  EXPECT_EQ(environment.densityClass, densityClass(win::screenPixelsPerInch()));
  EXPECT_EQ(environment.screenSizePercent,
            screenSizePercent(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)));
  EXPECT_GE(environment.osMajor, 5u);
  EXPECT_GE(environment.kernelMajor, 5) << "kernel32's version resource was read";
  EXPECT_GE(environment.userMajor, 5);
  EXPECT_TRUE(passVersionGate(environment));
}

TEST(Startup, FailedVersionGateAsksAboutUpdatesAndEnds) {
  EnvironmentInfo environment;
  environment.kernelMajor = 5;  // Windows 2000
  environment.userMajor = 5;
  test::MessageBoxAnswerer no(IDNO);
  EXPECT_FALSE(passVersionGate(environment));
  EXPECT_EQ(no.text(), win::widen(unsupportedSystemMessage(false)));

  environment.server = true;
  test::MessageBoxAnswerer noAgain(IDNO);
  EXPECT_FALSE(passVersionGate(environment));
  EXPECT_EQ(noAgain.text(), win::widen(unsupportedSystemMessage(true)));
}

TEST(Startup, TheScreenListsArialAndCourierNew) {
  const std::vector<std::string> families = screenFontFamilies();
  // Checked first: a failed survey would wait on its message box.
  for (const char* face : {"Arial", "Courier New"}) {
    ASSERT_NE(std::find(families.begin(), families.end(), face), families.end())
        << face << " missing: the prefix lacks its font replacements";
  }
  FontChoice fonts;
  EXPECT_TRUE(passFontSurvey(families, fonts));
  EXPECT_EQ(fonts.proportionalName, "Arial");
  EXPECT_EQ(fonts.fixedName, "Courier New");
}

TEST(Startup, MissingFontsAreNamedAndEndTheStart) {
  // The screen of a prefix without the font replacements: no Arial, no
  // Courier New, no stand-ins.
  const std::vector<std::string> families = {"DejaVu Sans", "Liberation Sans", "Liberation Mono"};
  FontChoice fonts;
  test::MessageBoxAnswerer ok(IDOK);
  EXPECT_FALSE(passFontSurvey(families, fonts));
  EXPECT_EQ(ok.text(), L"Klavento konnte die folgende(n) Schrifart(en) nicht finden: Arial, "
                       L"Courier New");
}

}  // namespace
}  // namespace kv
