#include "core/startup_rules.h"

#include <array>

#include "platform/encoding.h"

namespace kv {

std::uint8_t densityClass(int ppi) {
  static constexpr std::array<int, 9> kUpperBounds = {96, 120, 144, 192, 240, 288, 384, 480, 576};
  for (std::size_t i = 0; i < kUpperBounds.size(); ++i) {
    if (ppi <= kUpperBounds[i]) return static_cast<std::uint8_t>(i + 1);
  }
  return 0;
}

int screenSizePercent(int width, int height) {
  const long long area = static_cast<long long>(width) * height;
  return static_cast<int>(area * 100 / (640 * 480));
}

std::uint32_t versionNumber(std::uint16_t major, std::uint16_t minor) {
  return static_cast<std::uint32_t>(major) * 100000u + minor;
}

bool versionGatePasses(const EnvironmentInfo& env) {
  if (env.compatibilityLayer) return true;
  const auto inRange = [&](std::uint32_t v) {
    return v >= env.lowestVersion && v <= env.highestVersion;
  };
  return inRange(versionNumber(env.kernelMajor, env.kernelMinor)) &&
         inRange(versionNumber(env.userMajor, env.userMinor));
}

std::string unsupportedSystemMessage(bool server) {
  if (server) {
    return w1252(
        "Nicht unterstütztes Server-Betriebssystem. Dieses Programm benötigt Microsoft Windows "
        "Server 2003(R2)/2008(R2)/2012(R2)/2016/2019.\r\n\r\nMöchten Sie jetzt Informationen zu "
        "Produktupdates im Internet anzeigen?");
  }
  return w1252(
      "Nicht unterstütztes Betriebssystem. Dieses Programm benötigt Microsoft Windows "
      "XP/Vista/7/8/8.1/10.\r\n\r\nMöchten Sie jetzt Informationen zu Produktupdates im Internet "
      "anzeigen?");
}

namespace {

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

}  // namespace

std::string surveyFonts(const std::vector<std::string>& families, FontChoice& fonts) {
  const std::string proportional = lowerAscii(fonts.proportionalName);
  const std::string fixed = lowerAscii(fonts.fixedName);
  for (const std::string& family : families) {
    const std::string name = lowerAscii(family);
    if (name == proportional) fonts.hasArial = true;
    if (name == "consolas") fonts.hasConsolas = true;
    if (name == fixed) fonts.hasCourierNew = true;
    if (name == "lucida console") fonts.hasLucidaConsole = true;
    if (name == "verdana") fonts.hasVerdana = true;
  }
  if (!fonts.hasArial && fonts.hasVerdana) {
    fonts.hasArial = true;
    fonts.proportionalName = "Verdana";
  }
  if (!fonts.hasCourierNew && fonts.hasConsolas) {
    fonts.hasCourierNew = true;
    fonts.fixedName = "Consolas";
  }
  if (!fonts.hasCourierNew && fonts.hasLucidaConsole) {
    fonts.hasCourierNew = true;
    fonts.fixedName = "Lucida Console";
  }
  std::string missing;
  if (!fonts.hasArial) missing = fonts.proportionalName;
  if (!fonts.hasCourierNew) {
    if (!missing.empty()) missing += ", ";
    missing += fonts.fixedName;
  }
  return missing;
}

std::string missingFontsMessage(std::string_view missingList) {
  return w1252("Klavento konnte die folgende(n) Schrifart(en) nicht finden:") + " " +
         std::string(missingList);
}

std::optional<Colour> parseColourPolicy(std::string_view text) {
  if (text.size() != 6) return std::nullopt;
  Colour value = 0;
  for (const char c : text) {
    int digit = 0;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else {
      return std::nullopt;
    }
    value = value * 16 + static_cast<Colour>(digit);
  }
  return value;
}

std::string policyFolder(std::string_view value, const EnvironmentExpander& expand) {
  if (value.find('%') == std::string_view::npos || !expand) return std::string(value);
  const std::optional<Expansion> expanded = expand(value);
  if (!expanded || expanded->bytesNeeded > kExpandedFolderBytes) return std::string(value);
  // What the system hands back ends at its terminator.
  const std::string& text = expanded->text;
  return text.substr(0, text.find('\0'));
}

void applyPolicies(PolicyStore& root, const EnvironmentExpander& expand, Settings& settings) {
  if (const auto v = root.readDword(kPolicyKeyGeneral, "Programmfenster maximieren")) {
    settings.policies.maximiseMainWindow = *v != 0;
  }
  if (const auto v = root.readDword(kPolicyKeyGeneral, "Internet-Shortcuts deaktivieren")) {
    settings.policies.webLinksEnabled = *v == 0;
  }
  if (const auto v = root.readDword(kPolicyKeyGeneral, "Lernverlauf")) {
    settings.policies.historyEnabled = *v != 0;
  }
  if (const auto v = root.readDword(kPolicyKeyGeneral, "Lehrerfunktionen")) {
    settings.policies.teacherFunctions = *v != 0;
  }
  if (const auto v = root.readDword(kPolicyKeyGeneral, "Klassenarbeiten")) {
    settings.policies.classTestsEnabled = *v != 0;
  }
  if (const auto v = root.readDword(kPolicyKeyGeneral, "Adaptiv ueben")) {
    settings.policies.adaptiveLessons = *v != 0;
  }
  if (const auto v = root.readDword(kPolicyKeyGeneral, "Systemfarben")) {
    settings.colourMode.systemColours = *v != 0;
  }

  struct ColourValue {
    const char* name;
    Colour FingerColours::*field;
  };
  static constexpr std::array<ColourValue, 6> kColours = {{
      {"Kleiner Finger", &FingerColours::little},
      {"Ringfinger", &FingerColours::ring},
      {"Mittelfinger", &FingerColours::middle},
      {"Zeigefinger", &FingerColours::index},
      {"Daumen", &FingerColours::thumb},
      {"Hintergrund", &FingerColours::background},
  }};
  for (const ColourValue& c : kColours) {
    if (const auto text = root.readString(kPolicyKeyColours, c.name)) {
      if (const auto colour = parseColourPolicy(*text)) settings.fingers.*c.field = *colour;
    }
  }

  const auto folder = [&](const char* name, std::string& target) {
    const auto text = root.readString(kPolicyKeyFolders, name);
    if (!text || text->empty()) return;
    std::string chosen = policyFolder(*text, expand);
    if (!chosen.empty()) target = std::move(chosen);
  };
  folder("Lehrerverzeichnis", settings.folders.teacher);
  folder("Schuelerverzeichnis", settings.folders.student);
  folder("Lernverlaufordner", settings.folders.history);
  folder("Notenschluessel", settings.folders.gradeKey);
  folder("Klassenarbeitsordner", settings.folders.classTests);
}

void applyProgramFolder(PolicyStore& machine, Settings& settings) {
  const auto path = machine.readString(kAppPathsKey, "Path");
  if (path && !path->empty()) settings.folders.program = *path;
}

}  // namespace kv
