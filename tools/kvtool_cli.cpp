#include "tools/kvtool_cli.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <sstream>
#include <string_view>
#include <type_traits>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

namespace kv::tool {
namespace {

// "Ziel: Text" → "Text" after the first ": ", or the whole text.
std::string afterColon(const std::string& text) {
  const auto at = text.find(": ");
  return at == std::string::npos ? text : text.substr(at + 2);
}

bool startsWith(const std::string& text, std::string_view prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool endsWith(const std::string& text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string decimalText(double value) {
  if (value == static_cast<double>(static_cast<long long>(value))) {
    return std::to_string(static_cast<long long>(value));
  }
  std::ostringstream out;
  out << value;
  std::string text = out.str();
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return text;
}

void applyGroups(CLI::App& app) {
  for (CLI::Option* option : app.get_options()) {
    if (option->get_group() == "Options") option->group("Optionen");
  }
  for (CLI::App* command : app.get_subcommands({})) {
    if (command->get_group() == "Subcommands") command->group("Befehle");
    applyGroups(*command);
  }
}

}  // namespace

CLI::Validator numberBetween(long long low, long long high) {
  CLI::Validator check(
      [low, high](std::string& input) -> std::string {
        char* end = nullptr;
        const long long value = std::strtoll(input.c_str(), &end, 10);
        if (input.empty() || end == nullptr || *end != '\0' || value < low || value > high) {
          return "\"" + input + "\" ist keine ganze Zahl von " + std::to_string(low) + " bis " +
                 std::to_string(high);
        }
        return {};
      },
      std::to_string(low) + " bis " + std::to_string(high));
  return check;
}

CLI::Validator decimalBetween(double low, double high) {
  CLI::Validator check(
      [low, high](std::string& input) -> std::string {
        char* end = nullptr;
        const double value = std::strtod(input.c_str(), &end);
        if (input.empty() || end == nullptr || *end != '\0' || !(value >= low && value <= high)) {
          return "\"" + input + "\" ist keine Zahl von " + decimalText(low) + " bis " +
                 decimalText(high) + " (Dezimalpunkt)";
        }
        return {};
      },
      decimalText(low) + " bis " + decimalText(high));
  return check;
}

std::string germanError(const CLI::Error& error) {
  // The type tells the kind; some errors carry the command's name instead.
  const auto is = [&error](auto* type) {
    return dynamic_cast<const std::remove_pointer_t<decltype(type)>*>(&error) != nullptr;
  };
  const std::string what = error.what();
  if (is(static_cast<CLI::ExtrasError*>(nullptr))) {
    const bool several = startsWith(what, "The following arguments");
    return std::string(several ? "Unerwartete Angaben: " : "Unerwartete Angabe: ") +
           afterColon(what);
  }
  if (is(static_cast<CLI::RequiredError*>(nullptr))) {
    if (endsWith(what, " is required")) {
      return "Die Angabe " + what.substr(0, what.size() - 12) + " fehlt.";
    }
    if (what.find("subcommand") != std::string::npos) return "Bitte einen Befehl angeben.";
    return "Es fehlen Angaben.";
  }
  if (is(static_cast<CLI::ArgumentMismatch*>(nullptr))) {
    const auto colon = what.find(": ");
    if (colon != std::string::npos && endsWith(what, " missing")) {
      return "Zu " + what.substr(0, colon) + " fehlt der Wert.";
    }
    if (startsWith(what, "Expected") || what.find("required but received") != std::string::npos) {
      const auto to = what.find(" arguments to ");
      const auto comma = what.find(", got");
      if (to != std::string::npos && comma != std::string::npos && comma > to) {
        return "Falsche Anzahl von Werten für " + what.substr(to + 14, comma - to - 14) + ".";
      }
      return "Falsche Anzahl von Werten für " + what.substr(0, colon) + ".";
    }
    return "Falsche Anzahl von Werten.";
  }
  if (is(static_cast<CLI::ConversionError*>(nullptr))) {
    if (startsWith(what, "Could not convert: ")) {
      const std::string rest = what.substr(19);
      const auto eq = rest.find(" = ");
      if (eq != std::string::npos) {
        return "Ungültiger Wert für " + rest.substr(0, eq) + ": " + rest.substr(eq + 3);
      }
    }
    return "Ungültiger Wert: " + afterColon(what);
  }
  if (is(static_cast<CLI::ValidationError*>(nullptr))) {
    // Our own checks already speak German; the option name comes first.
    return what;
  }
  if (is(static_cast<CLI::FileError*>(nullptr))) return "Eine Datei kann nicht gelesen werden: " + afterColon(what);
  if (is(static_cast<CLI::RequiresError*>(nullptr)) || is(static_cast<CLI::ExcludesError*>(nullptr))) return "Unzulässige Kombination: " + what;
  return "Fehlerhafter Aufruf: " + what;
}

std::vector<std::string> utf8Arguments(int argc, char** argv) {
  std::vector<std::string> out;
#ifdef _WIN32
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide != nullptr) {
    for (int i = 0; i < count; ++i) {
      const int length = static_cast<int>(std::wcslen(wide[i]));
      const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide[i], length, nullptr, 0, nullptr, nullptr);
      std::string text(static_cast<std::size_t>(std::max(size, 0)), '\0');
      ::WideCharToMultiByte(CP_UTF8, 0, wide[i], length, text.data(), size, nullptr, nullptr);
      out.push_back(std::move(text));
    }
    ::LocalFree(wide);
    return out;
  }
#endif
  for (int i = 0; i < argc; ++i) out.emplace_back(argv[i]);
  return out;
}

std::filesystem::path pathOfArgument(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string textOfPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

void useGermanTexts(CLI::App& app) {
  const auto formatter = app.get_formatter();
  formatter->label("Usage", "Aufruf");
  formatter->label("OPTIONS", "OPTIONEN");
  formatter->label("SUBCOMMAND", "BEFEHL");
  formatter->label("SUBCOMMANDS", "BEFEHLE");
  formatter->label("REQUIRED", "PFLICHT");
  formatter->label("Positionals", "Argumente");
  formatter->label("Needs", "Braucht");
  formatter->label("Excludes", "Schließt aus");
  formatter->label("Env", "Umgebung");
  applyGroups(app);
  app.failure_message([](const CLI::App* failed, const CLI::Error& error) {
    std::string text = "kvtool: " + germanError(error) + "\n";
    if (failed != nullptr && failed->get_help_ptr() != nullptr) {
      text += "Mehr dazu mit --help.\n";
    }
    return text;
  });
}

}  // namespace kv::tool
