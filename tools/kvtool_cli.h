// German wording for the command line parser: teachers read its help and its
// complaints, so neither may fall back to the parser's English.
#pragma once

#include <CLI/CLI.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace kv::tool {

// A whole-number range check whose description and complaint are German.
CLI::Validator numberBetween(long long low, long long high);
// The same for decimal numbers.
CLI::Validator decimalBetween(double low, double high);

// The parser's complaint about a wrong call, in German (one line, no newline).
std::string germanError(const CLI::Error& error);

// The command line as UTF-8, whatever the system's code page: on Windows the
// narrow arguments would lose every character outside it and would print
// wrongly on the UTF-8 console.
std::vector<std::string> utf8Arguments(int argc, char** argv);

// A path named on the command line (UTF-8), and a path as UTF-8 for messages.
std::filesystem::path pathOfArgument(const std::string& utf8);
std::string textOfPath(const std::filesystem::path& path);

// Puts German labels, group names and complaints on the app and on every
// command below it. Call once all commands and options exist.
void useGermanTexts(CLI::App& app);

}  // namespace kv::tool
