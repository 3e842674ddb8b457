#pragma once

#include <CLI/CLI.hpp>

#include <ostream>
#include <optional>
#include <string>
#include <vector>

namespace kv {
struct GradeKey;
}

namespace kv::tool {

struct EvaluateInput {
  std::string templatePath;
  std::string typedPath;
  int form = 3;
  int pace = 0;
  bool correction = false;
  double seconds = 0;
  bool timeLimitReached = false;
  bool json = false;
};

// Lines of a text file in UTF-8 or, when it is not valid UTF-8, Windows-1252;
// false with a German message naming file and line for anything else.
bool readTextLines(const std::string& path, std::vector<std::string>& lines, std::string& error);

int runEvaluate(const EvaluateInput& in, std::ostream& out, std::ostream& err);
int runResultShow(const std::string& path, std::ostream& out, std::ostream& err);
// Exit code 2 when any file was rejected.
// The grade key a command line names (UTF-8): a key file, or one of the
// example keys by its name, in any case and with or without umlauts
// ("anfaenger"). False with the German reason: the file's line that is
// wrong, or, for a word that is neither, the names there are.
bool readGradeKeyFile(const std::string& argument, GradeKey& key, std::string& why);
// The same name matching alone: the example key so named, if any.
std::optional<GradeKey> exampleKeyNamed(const std::string& utf8Name);

int runResultCheck(const std::vector<std::string>& inputs, bool csv, std::ostream& out,
                   std::ostream& err, const GradeKey* key = nullptr);
int runResultExport(const std::string& path, const std::string& output, std::ostream& err);

void addEvaluationCommands(CLI::App& app);

}  // namespace kv::tool
