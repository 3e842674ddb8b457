// kvtool: the command line for teachers and for checking the program's files.
#include <CLI/CLI.hpp>

#include <iostream>
#include <string>
#include <vector>

#include "tools/kvtool_archive.h"
#include "tools/kvtool_class.h"
#include "tools/kvtool_cli.h"
#include "tools/kvtool_contrast.h"
#include "tools/kvtool_eval.h"
#include "tools/kvtool_exam.h"
#include "tools/kvtool_history.h"
#include "tools/kvtool_lesson.h"

#ifdef _WIN32
#include <windows.h>
#endif

#ifndef KV_VERSION
#define KV_VERSION "0"
#endif

int main(int argc, char** argv) {
  CLI::App app{"kvtool – Werkzeug für Klavento 7: Textarchive und Übungsdateien", "kvtool"};
  app.set_version_flag("--version", std::string("kvtool (Klavento 7) ") + KV_VERSION,
                       "Versionsnummer anzeigen");
  app.set_help_flag("-h,--help", "Diese Hilfe anzeigen");
  app.require_subcommand(0, 1);
#ifdef _WIN32
  // Everything kvtool prints is UTF-8.
  ::SetConsoleOutputCP(CP_UTF8);
#endif
  kv::tool::addArchiveCommands(app);
  kv::tool::addPrintCommand(*app.get_subcommand("archive"));
  kv::tool::addEvaluationCommands(app);
  kv::tool::addHistoryCommands(app);
  kv::tool::addClassCommands(app);
  kv::tool::addExamCommands(app);
  kv::tool::addContrastCommand(app);
  kv::tool::addLessonCommand(app);
  kv::tool::useGermanTexts(app);
  std::vector<std::string> arguments = kv::tool::utf8Arguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  CLI11_PARSE(app, static_cast<int>(pointers.size()), pointers.data());
  if (app.get_subcommands().empty()) {
    std::cout << app.help();
  }
  return 0;
}
