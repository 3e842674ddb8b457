#include "core/startup_rules.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "platform/encoding.h"

namespace kv {
namespace {

TEST(DensityClass, BoundariesOfEveryClass) {
  const std::pair<int, int> table[] = {
      {0, 1},   {72, 1},  {96, 1},  {97, 2},  {120, 2}, {121, 3}, {144, 3}, {145, 4},
      {192, 4}, {193, 5}, {240, 5}, {241, 6}, {288, 6}, {289, 7}, {384, 7}, {385, 8},
      {480, 8}, {481, 9}, {576, 9}, {577, 0}, {2000, 0},
  };
  for (const auto& [ppi, expected] : table) {
    SCOPED_TRACE(ppi);
    EXPECT_EQ(densityClass(ppi), expected);
  }
}

TEST(ScreenSizePercent, AreaAgainstVgaTruncated) {
  EXPECT_EQ(screenSizePercent(640, 480), 100);
  EXPECT_EQ(screenSizePercent(1920, 1080), 675);
  EXPECT_EQ(screenSizePercent(1280, 1024), 426);  // 426.66 truncated
  EXPECT_EQ(screenSizePercent(7680, 4320), 10800) << "no overflow on large screens";
}

struct GateRow {
  std::uint16_t kernelMajor, kernelMinor, userMajor, userMinor;
  bool compat;
  bool passes;
};

TEST(VersionGate, AcceptedRangeAndCompatibilityLayer) {
  const GateRow table[] = {
      {5, 0, 5, 1, false, false},    // Windows 2000 kernel
      {5, 1, 5, 1, false, true},     // XP: 500001
      {6, 1, 6, 1, false, true},
      {10, 0, 10, 0, false, true},
      {10, 99, 10, 99, false, true},
      {10, 100, 10, 0, false, false},
      {11, 0, 10, 0, false, false},
      {10, 0, 11, 0, false, false},  // user32 alone decides too
      {0, 0, 0, 0, false, false},    // version could not be read
      {0, 0, 0, 0, true, true},      // Wine passes whatever it reports
      {11, 0, 11, 0, true, true},
  };
  for (const GateRow& row : table) {
    SCOPED_TRACE(testing::Message() << row.kernelMajor << "." << row.kernelMinor << " / "
                                    << row.userMajor << "." << row.userMinor);
    EnvironmentInfo env;
    env.kernelMajor = row.kernelMajor;
    env.kernelMinor = row.kernelMinor;
    env.userMajor = row.userMajor;
    env.userMinor = row.userMinor;
    env.compatibilityLayer = row.compat;
    EXPECT_EQ(versionGatePasses(env), row.passes);
  }
  EXPECT_EQ(versionNumber(5, 1), 500001u);
  EXPECT_EQ(versionNumber(10, 99), 1000099u);
}

TEST(VersionGate, ServerAndDesktopWording) {
  EXPECT_EQ(unsupportedSystemMessage(true),
            w1252("Nicht unterstütztes Server-Betriebssystem. Dieses Programm benötigt Microsoft "
                  "Windows Server 2003(R2)/2008(R2)/2012(R2)/2016/2019.\r\n\r\nMöchten Sie jetzt "
                  "Informationen zu Produktupdates im Internet anzeigen?"));
  EXPECT_EQ(unsupportedSystemMessage(false),
            w1252("Nicht unterstütztes Betriebssystem. Dieses Programm benötigt Microsoft Windows "
                  "XP/Vista/7/8/8.1/10.\r\n\r\nMöchten Sie jetzt Informationen zu Produktupdates "
                  "im Internet anzeigen?"));
}

struct FontRow {
  const char* name;
  std::vector<std::string> families;
  std::string proportional;
  std::string fixed;
  std::string missing;
};

TEST(FontSurvey, FallbacksAndMissingList) {
  const FontRow table[] = {
      {"both present", {"Arial", "Courier New", "Tahoma"}, "Arial", "Courier New", ""},
      {"names compared without case", {"ARIAL", "courier new"}, "Arial", "Courier New", ""},
      {"Verdana and Consolas stand in", {"Verdana", "Consolas"}, "Verdana", "Consolas", ""},
      {"Lucida Console when no Consolas", {"Arial", "Lucida Console"}, "Arial",
       "Lucida Console", ""},
      {"Consolas preferred to Lucida Console", {"Arial", "Lucida Console", "Consolas"}, "Arial",
       "Consolas", ""},
      {"Arial missing and no Verdana", {"Tahoma", "Courier New"}, "Arial", "Courier New",
       "Arial"},
      {"only the fixed font missing", {"Arial"}, "Arial", "Courier New", "Courier New"},
      {"nothing at all", {"DejaVu Sans", "Liberation Sans"}, "Arial", "Courier New",
       "Arial, Courier New"},
      {"a longer name is no match", {"Arial Black", "Courier New Baltic"}, "Arial",
       "Courier New", "Arial, Courier New"},
  };
  for (const FontRow& row : table) {
    SCOPED_TRACE(row.name);
    FontChoice fonts;
    EXPECT_EQ(surveyFonts(row.families, fonts), row.missing);
    EXPECT_EQ(fonts.proportionalName, row.proportional);
    EXPECT_EQ(fonts.fixedName, row.fixed);
  }
}

TEST(FontSurvey, MessageNamesBothFontsExactly) {
  FontChoice fonts;
  const std::string missing = surveyFonts({"DejaVu Sans"}, fonts);
  EXPECT_EQ(missingFontsMessage(missing),
            "Klavento konnte die folgende(n) Schrifart(en) nicht finden: Arial, Courier New");
}

TEST(ColourPolicy, OnlySixHexDigits) {
  const std::pair<const char*, std::optional<Colour>> table[] = {
      {"FF00FF", 0xFF00FF},  {"0000FF", 0x0000FF}, {"00ff00", 0x00FF00}, {"aBcDeF", 0xABCDEF},
      {"000000", 0x000000},  {"#FF00FF", std::nullopt}, {"FF00F", std::nullopt},
      {"FF00FG", std::nullopt}, {"", std::nullopt}, {" FF00F", std::nullopt},
      {"FF00FF ", std::nullopt}, {"0xFF00", std::nullopt}, {"+12345", std::nullopt},
  };
  for (const auto& [text, expected] : table) {
    SCOPED_TRACE(text);
    EXPECT_EQ(parseColourPolicy(text), expected);
  }
}

std::optional<Expansion> fakeExpand(std::string_view text) {
  if (text == "%FAIL%") return std::nullopt;
  std::string out(text);
  const std::string var = "%HOME%";
  if (const auto at = out.find(var); at != std::string::npos) out.replace(at, var.size(), "C:\\Users\\lena");
  const std::string longVar = "%LONG%";
  if (const auto at = out.find(longVar); at != std::string::npos) {
    out.replace(at, longVar.size(), std::string(250, 'x'));
  }
  return Expansion{out, out.size() + 1};
}

TEST(PolicyFolder, ExpansionOnlyWhenItFits) {
  const std::pair<std::string, std::string> table[] = {
      {"D:\\Texte", "D:\\Texte"},
      {"%HOME%\\Texte", "C:\\Users\\lena\\Texte"},
      {"%FAIL%", "%FAIL%"},
      // 250 + 5 characters and the terminator fill the 256 bytes exactly.
      {"%LONG%\\abcd", std::string(250, 'x') + "\\abcd"},
      {"%LONG%\\abcde", "%LONG%\\abcde"},
  };
  for (const auto& [value, expected] : table) {
    SCOPED_TRACE(value);
    EXPECT_EQ(policyFolder(value, fakeExpand), expected);
  }
}

// A registry root as a table; only values of the right type are in it.
class FakeStore final : public PolicyStore {
 public:
  std::map<std::pair<std::string, std::string>, std::uint32_t> dwords;
  std::map<std::pair<std::string, std::string>, std::string> strings;

  std::optional<std::uint32_t> readDword(std::string_view key, std::string_view name) override {
    const auto it = dwords.find({std::string(key), std::string(name)});
    if (it == dwords.end()) return std::nullopt;
    return it->second;
  }
  std::optional<std::string> readString(std::string_view key, std::string_view name) override {
    const auto it = strings.find({std::string(key), std::string(name)});
    if (it == strings.end()) return std::nullopt;
    return it->second;
  }
};

TEST(Policies, UserOverridesMachineValueByValue) {
  FakeStore machine;
  FakeStore user;
  machine.dwords[{kPolicyKeyGeneral, "Programmfenster maximieren"}] = 1;
  machine.dwords[{kPolicyKeyGeneral, "Internet-Shortcuts deaktivieren"}] = 1;
  machine.strings[{kPolicyKeyColours, "Hintergrund"}] = "123456";
  machine.strings[{kPolicyKeyColours, "Daumen"}] = "808080";
  machine.strings[{kPolicyKeyFolders, "Lehrerverzeichnis"}] = "\\\\server\\texte";
  user.dwords[{kPolicyKeyGeneral, "Programmfenster maximieren"}] = 0;
  user.strings[{kPolicyKeyColours, "Hintergrund"}] = "FF00FF";
  user.strings[{kPolicyKeyFolders, "Schuelerverzeichnis"}] = "%HOME%\\Ergebnisse";
  machine.dwords[{kPolicyKeyGeneral, "Lernverlauf"}] = 0;
  user.strings[{kPolicyKeyFolders, "Lernverlaufordner"}] = "%HOME%\\Verlauf";
  machine.dwords[{kPolicyKeyGeneral, "Lehrerfunktionen"}] = 0;
  machine.strings[{kPolicyKeyFolders, "Notenschluessel"}] = "\\\\server\\noten\\schluessel.txt";
  machine.dwords[{kPolicyKeyGeneral, "Klassenarbeiten"}] = 0;
  machine.strings[{kPolicyKeyFolders, "Klassenarbeitsordner"}] = "T:\\Klassen";
  user.strings[{kPolicyKeyFolders, "Klassenarbeitsordner"}] = "%HOME%\\Arbeiten";

  Settings settings;
  EXPECT_TRUE(settings.policies.historyEnabled) << "the history is kept unless a policy says no";
  EXPECT_TRUE(settings.policies.teacherFunctions) << "shown unless a policy says no";
  EXPECT_TRUE(settings.policies.classTestsEnabled) << "class tests open unless a policy says no";
  EXPECT_EQ(settings.folders.classTests, "") << "the teacher folder unless a policy names one";
  settings.folders.student = "C:\\Dokumente";
  applyPolicies(machine, fakeExpand, settings);
  applyPolicies(user, fakeExpand, settings);

  EXPECT_FALSE(settings.policies.maximiseMainWindow);
  EXPECT_FALSE(settings.policies.webLinksEnabled) << "the machine's value stays when the user has none";
  EXPECT_EQ(settings.fingers.background, 0xFF00FFu);
  EXPECT_EQ(settings.fingers.thumb, 0x808080u);
  EXPECT_EQ(settings.fingers.little, 0x00FF00u) << "untouched default";
  EXPECT_EQ(settings.folders.teacher, "\\\\server\\texte");
  EXPECT_EQ(settings.folders.student, "C:\\Users\\lena\\Ergebnisse");
  EXPECT_FALSE(settings.policies.historyEnabled);
  EXPECT_EQ(settings.folders.history, "C:\\Users\\lena\\Verlauf");
  EXPECT_FALSE(settings.policies.teacherFunctions);
  EXPECT_EQ(settings.folders.gradeKey, "\\\\server\\noten\\schluessel.txt");
  EXPECT_FALSE(settings.policies.classTestsEnabled);
  EXPECT_EQ(settings.folders.classTests, "C:\\Users\\lena\\Arbeiten") << "the user's folder, expanded";
}

TEST(Policies, SystemColoursOnByAnyValueButZeroAndTheUsersValueWins) {
  for (const std::uint32_t value : {0u, 1u, 7u}) {
    SCOPED_TRACE(value);
    FakeStore machine;
    machine.dwords[{kPolicyKeyGeneral, "Systemfarben"}] = value;
    Settings settings;
    EXPECT_FALSE(settings.colourMode.systemColours) << "the program's colours unless chosen";
    applyPolicies(machine, fakeExpand, settings);
    EXPECT_EQ(settings.colourMode.systemColours, value != 0);
    EXPECT_EQ(settings.fingers.background, FingerColours{}.background) << "the schemes stay as they are";
  }
  FakeStore machine;
  FakeStore user;
  machine.dwords[{kPolicyKeyGeneral, "Systemfarben"}] = 1;
  user.dwords[{kPolicyKeyGeneral, "Systemfarben"}] = 0;
  Settings settings;
  applyPolicies(machine, fakeExpand, settings);
  applyPolicies(user, fakeExpand, settings);
  EXPECT_FALSE(settings.colourMode.systemColours);
}

TEST(Policies, ClassTestsOffOnlyByZeroAndUserMayAllowThemAgain) {
  for (const std::uint32_t value : {0u, 1u, 2u}) {
    SCOPED_TRACE(value);
    FakeStore machine;
    machine.dwords[{kPolicyKeyGeneral, "Klassenarbeiten"}] = value;
    Settings settings;
    applyPolicies(machine, fakeExpand, settings);
    EXPECT_EQ(settings.policies.classTestsEnabled, value != 0);
    EXPECT_TRUE(settings.policies.teacherFunctions) << "class tests and the teachers' menu are apart";
  }
  FakeStore machine;
  FakeStore user;
  machine.dwords[{kPolicyKeyGeneral, "Klassenarbeiten"}] = 0;
  user.dwords[{kPolicyKeyGeneral, "Klassenarbeiten"}] = 1;
  Settings settings;
  applyPolicies(machine, fakeExpand, settings);
  applyPolicies(user, fakeExpand, settings);
  EXPECT_TRUE(settings.policies.classTestsEnabled);
}

TEST(Policies, AdaptiveLessonsOffOnlyByZeroAndApartFromTheLernverlauf) {
  for (const std::uint32_t value : {0u, 1u, 7u}) {
    SCOPED_TRACE(value);
    FakeStore machine;
    machine.dwords[{kPolicyKeyGeneral, "Adaptiv ueben"}] = value;
    Settings settings;
    applyPolicies(machine, fakeExpand, settings);
    EXPECT_EQ(settings.policies.adaptiveLessons, value != 0);
    EXPECT_TRUE(settings.policies.historyEnabled) << "the lessons and the Lernverlauf are switched apart";
  }
  FakeStore user;
  user.dwords[{kPolicyKeyGeneral, "Lernverlauf"}] = 0;
  Settings settings;
  applyPolicies(user, fakeExpand, settings);
  EXPECT_TRUE(settings.policies.adaptiveLessons) << "without a Lernverlauf the lessons work from this run";
}

TEST(Policies, MalformedAndEmptyValuesChangeNothing) {
  FakeStore user;
  user.strings[{kPolicyKeyColours, "Kleiner Finger"}] = "#FF00FF";
  user.strings[{kPolicyKeyColours, "Ringfinger"}] = "FF00F";
  user.strings[{kPolicyKeyColours, "Mittelfinger"}] = "FF00FG";
  user.strings[{kPolicyKeyColours, "Zeigefinger"}] = "000000";
  user.strings[{kPolicyKeyFolders, "Lehrerverzeichnis"}] = "";
  user.strings[{kPolicyKeyFolders, "Schuelerverzeichnis"}] = "";
  user.strings[{kPolicyKeyFolders, "Klassenarbeitsordner"}] = "";
  user.dwords[{kPolicyKeyGeneral, "Internet-Shortcuts deaktivieren"}] = 0;

  Settings settings;
  settings.folders.student = "C:\\Dokumente";
  applyPolicies(user, fakeExpand, settings);
  const FingerColours defaults;
  EXPECT_EQ(settings.fingers.little, defaults.little);
  EXPECT_EQ(settings.fingers.ring, defaults.ring);
  EXPECT_EQ(settings.fingers.middle, defaults.middle);
  EXPECT_EQ(settings.fingers.index, 0x000000u);
  EXPECT_EQ(settings.folders.teacher, "");
  EXPECT_EQ(settings.folders.student, "C:\\Dokumente");
  EXPECT_EQ(settings.folders.classTests, "");
  EXPECT_TRUE(settings.policies.webLinksEnabled);
  EXPECT_TRUE(settings.policies.maximiseMainWindow);
}

TEST(Policies, ProgramFolderFromAppPathsOnlyWhenNotEmpty) {
  FakeStore machine;
  Settings settings;
  applyProgramFolder(machine, settings);
  EXPECT_EQ(settings.folders.program, "");
  machine.strings[{kAppPathsKey, "Path"}] = "";
  applyProgramFolder(machine, settings);
  EXPECT_EQ(settings.folders.program, "");
  machine.strings[{kAppPathsKey, "Path"}] = "%ProgramFiles%\\Klavento";
  applyProgramFolder(machine, settings);
  EXPECT_EQ(settings.folders.program, "%ProgramFiles%\\Klavento") << "not expanded";
}

}  // namespace
}  // namespace kv
