// What a teacher reads when calling kvtool wrongly or asking it for help.
#include <CLI/CLI.hpp>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/kvtool_cli.h"
#include "tools/kvtool_eval.h"

namespace kv::tool {
namespace {

class KvtoolWording : public testing::Test {
 protected:
  KvtoolWording() {
    app.set_help_flag("-h,--help", "Diese Hilfe anzeigen");
    addEvaluationCommands(app);
    useGermanTexts(app);
  }
  // The complaint for this call, or "" when it parses.
  std::string complaint(std::vector<std::string> args) {
    std::vector<char*> argv{const_cast<char*>("kvtool")};
    for (std::string& a : args) argv.push_back(a.data());
    try {
      app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& e) {
      return germanError(e);
    }
    return {};
  }
  CLI::App app{"kvtool", "kvtool"};
};

TEST_F(KvtoolWording, WrongCallsAreExplainedInGerman) {
  EXPECT_EQ(complaint({"auswerten"}), "Unerwartete Angabe: auswerten");
  EXPECT_EQ(complaint({"evaluate", "--typed", "b.txt"}), "Die Angabe --template fehlt.");
  EXPECT_EQ(complaint({"evaluate", "--template"}), "Zu --template fehlt der Wert.");
  EXPECT_EQ(complaint({"evaluate", "--template", "a", "--typed", "b", "--form", "7"}),
            "--form: \"7\" ist keine ganze Zahl von 1 bis 4");
  EXPECT_EQ(complaint({"evaluate", "--template", "a", "--typed", "b", "--form", "zwei"}),
            "--form: \"zwei\" ist keine ganze Zahl von 1 bis 4");
  EXPECT_EQ(complaint({"evaluate", "--template", "a", "--typed", "b", "--seconds", "-1"}),
            "--seconds: \"-1\" ist keine Zahl von 0 bis 4000000 (Dezimalpunkt)");
  EXPECT_EQ(complaint({"result", "export", "a.kvw"}), "Die Angabe ZIEL fehlt.");
}

TEST(KvtoolRanges, BoundsAreInsideAndOnlyNumbersPass) {
  const auto passes = [](const CLI::Validator& check, std::string value) {
    return check(value).empty();
  };
  const CLI::Validator forms = numberBetween(1, 4);
  EXPECT_TRUE(passes(forms, "1"));
  EXPECT_TRUE(passes(forms, "4"));
  EXPECT_FALSE(passes(forms, "0"));
  EXPECT_FALSE(passes(forms, "5"));
  EXPECT_FALSE(passes(forms, "3x"));
  EXPECT_FALSE(passes(forms, ""));
  const CLI::Validator seconds = decimalBetween(0.0, 4.0e6);
  EXPECT_TRUE(passes(seconds, "90.5"));
  EXPECT_TRUE(passes(seconds, "0"));
  EXPECT_FALSE(passes(seconds, "90,5")) << "a comma would silently cut the number";
  EXPECT_FALSE(passes(seconds, "nan"));
  EXPECT_FALSE(passes(seconds, "4000001"));
}

TEST_F(KvtoolWording, HelpHasNoEnglishLabels) {
  const std::vector<CLI::App*> commands{&app, app.get_subcommand("evaluate"),
                                        app.get_subcommand("result")};
  for (const CLI::App* command : commands) {
    const std::string help = command->help();
    for (const char* english : {"Usage", "Options", "OPTIONS", "Subcommands", "SUBCOMMAND",
                                "REQUIRED", "TEXT", "INT", "FLOAT", " in ["}) {
      EXPECT_EQ(help.find(english), std::string::npos) << english << " in:\n" << help;
    }
    EXPECT_NE(help.find("Aufruf:"), std::string::npos) << help;
  }
  EXPECT_NE(app.get_subcommand("evaluate")->help().find("--form ZAHL:1 bis 4"), std::string::npos);
}

}  // namespace
}  // namespace kv::tool
