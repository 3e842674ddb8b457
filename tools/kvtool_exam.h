// kvtool exam: the class test from the command line, over the same core as
// the program: prepare a test, hand a result in as a learner's PC does,
// deliver what waited, and print a test folder's status.
#pragma once

#include <CLI/CLI.hpp>

#include <ostream>
#include <string>

namespace kv::tool {

struct ExamCreateOptions {
  std::string textFile;
  std::string title;
  std::string className;
  std::string listFile;
  double minutes = 10;
  int form = 4;
  bool noCorrection = false;
  int attempts = 1;
  std::string gradeKey;
  std::string folder;
};

// Exit codes: 0 done, 1 refused (the reason on `err`), 3 not handed in (kept
// waiting where a waiting folder was given), 4 a further attempt refused.
int runExamCreate(const ExamCreateOptions& options, std::ostream& out, std::ostream& err);
int runExamStatus(const std::string& testFile, bool csv, const std::string& gradeKey, std::ostream& out,
                  std::ostream& err);
int runExamHandIn(const std::string& testFile, const std::string& learner, const std::string& resultFile,
                  const std::string& waitingFolder, std::ostream& out, std::ostream& err);
int runExamDeliver(const std::string& waitingFolder, std::ostream& out, std::ostream& err);

void addExamCommands(CLI::App& app);

}  // namespace kv::tool
