// German wording for the command line parser: teachers read its help and its
// complaints, so neither may fall back to the parser's English.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace kv::tool {

// A whole-number range check whose description and complaint are German.
CLI::Validator numberBetween(long long low, long long high);
// The same for decimal numbers.
CLI::Validator decimalBetween(double low, double high);

// The parser's complaint about a wrong call, in German (one line, no newline).
std::string germanError(const CLI::Error& error);

// Puts German labels, group names and complaints on the app and on every
// command below it. Call once all commands and options exist.
void useGermanTexts(CLI::App& app);

}  // namespace kv::tool
