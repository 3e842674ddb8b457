#pragma once

#include <CLI/CLI.hpp>

#include <ostream>
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
// Reads a grade key file named on the command line; false with the German
// reason, naming the line, when it cannot be used.
bool readGradeKeyFile(const std::string& path, GradeKey& key, std::string& why);

int runResultCheck(const std::vector<std::string>& inputs, bool csv, std::ostream& out,
                   std::ostream& err, const GradeKey* key = nullptr);
int runResultExport(const std::string& path, const std::string& output, std::ostream& err);

void addEvaluationCommands(CLI::App& app);

}  // namespace kv::tool
