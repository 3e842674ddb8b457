// The Group Policy templates must offer exactly the values the program reads,
// with the types it accepts: an administrator setting a value the program
// ignores, or missing one it reads, would never notice.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <tuple>

#include "core/startup_rules.h"

namespace kv {
namespace {

using Read = std::tuple<std::string, std::string, std::string>;  // key, value, kind

// Records what start-up asks of one registry root.
class RecordingStore final : public PolicyStore {
 public:
  std::optional<std::uint32_t> readDword(std::string_view key, std::string_view name) override {
    reads.insert({std::string(key), std::string(name), "dword"});
    return std::nullopt;
  }
  std::optional<std::string> readString(std::string_view key, std::string_view name) override {
    reads.insert({std::string(key), std::string(name), "string"});
    return std::nullopt;
  }
  std::set<Read> reads;
};

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string attribute(const std::string& element, const std::string& name) {
  const std::regex pattern(name + "=\"([^\"]*)\"");
  std::smatch m;
  return std::regex_search(element, m, pattern) ? m[1].str() : std::string();
}

// Every policy of the template as (key, value, kind): policies with enabled
// and disabled values write a DWORD, text elements write a string.
std::set<Read> templateValues(const std::string& admx) {
  std::set<Read> values;
  const std::regex policy("<policy [^>]*>[\\s\\S]*?</policy>");
  for (auto it = std::sregex_iterator(admx.begin(), admx.end(), policy); it != std::sregex_iterator(); ++it) {
    const std::string body = it->str();
    const std::string head = body.substr(0, body.find('>'));
    const std::string key = attribute(head, "key");
    if (body.find("<enabledValue><decimal") != std::string::npos) {
      values.insert({key, attribute(head, "valueName"), "dword"});
    }
    const std::regex text("<text [^>]*/>");
    for (auto t = std::sregex_iterator(body.begin(), body.end(), text); t != std::sregex_iterator(); ++t) {
      values.insert({key, attribute(t->str(), "valueName"), "string"});
    }
  }
  return values;
}

TEST(PolicyTemplates, NameExactlyTheValuesStartUpReads) {
  RecordingStore store;
  Settings settings;
  applyPolicies(store, [](std::string_view) { return std::optional<Expansion>(); }, settings);
  const std::string admx = readFile(KV_SOURCE_DIR "/resources/policies/klavento.admx");
  ASSERT_FALSE(admx.empty());
  std::set<Read> offered = templateValues(admx);
  // The registry keeps backslashes single; the template's text does too.
  EXPECT_EQ(offered, store.reads);
  EXPECT_EQ(store.reads.size(), 18u);
}

TEST(PolicyTemplates, EveryStringAndPresentationIsDefinedInGerman) {
  const std::string admx = readFile(KV_SOURCE_DIR "/resources/policies/klavento.admx");
  const std::string adml = readFile(KV_SOURCE_DIR "/resources/policies/de-DE/klavento.adml");
  ASSERT_FALSE(adml.empty());
  const std::regex reference("\\$\\((string|presentation)\\.([A-Za-z0-9_]+)\\)");
  int checked = 0;
  for (auto it = std::sregex_iterator(admx.begin(), admx.end(), reference); it != std::sregex_iterator(); ++it) {
    const std::string kind = (*it)[1].str();
    const std::string id = (*it)[2].str();
    const std::string defined = kind == "string" ? "<string id=\"" + id + "\">" : "<presentation id=\"" + id + "\">";
    EXPECT_NE(adml.find(defined), std::string::npos) << id;
    ++checked;
  }
  EXPECT_GT(checked, 20);
  // Every text box refers to an element of the template.
  const std::regex textBox("<textBox refId=\"([^\"]+)\"");
  for (auto it = std::sregex_iterator(adml.begin(), adml.end(), textBox); it != std::sregex_iterator(); ++it) {
    EXPECT_NE(admx.find("<text id=\"" + (*it)[1].str() + "\""), std::string::npos) << (*it)[1].str();
  }
  // Both roots are read, so both kinds of policy are offered.
  EXPECT_EQ(admx.find("class=\"Machine\""), std::string::npos);
  EXPECT_EQ(admx.find("class=\"User\""), std::string::npos);
}

}  // namespace
}  // namespace kv
