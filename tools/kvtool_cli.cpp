#include "tools/kvtool_cli.h"

#include <cstdlib>
#include <sstream>
#include <string_view>
#include <type_traits>

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
