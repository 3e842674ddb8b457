// The decisions of the start-up sequence, apart from the system calls that
// feed them: what the screen, the system libraries, the font list and the
// administrator's policy values mean for the settings.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"
#include "platform/system_records.h"

namespace kv {

// Density class 1-9 from the screen's pixels per inch; 0 above 576 ppi.
std::uint8_t densityClass(int ppi);

// Screen area as a percentage of 640 x 480, truncated.
int screenSizePercent(int width, int height);

// major * 100000 + minor, the form the version gate compares.
std::uint32_t versionNumber(std::uint16_t major, std::uint16_t minor);

// Both libraries within the accepted range, or the compatibility layer.
bool versionGatePasses(const EnvironmentInfo& environment);

// The refusal on an unsupported system; asks whether to show product updates.
std::string unsupportedSystemMessage(bool server);

// Marks which of the program's fonts the screen has and falls back to
// Verdana, Consolas and Lucida Console. `families` are the family names the
// screen device lists. Returns the names still missing, comma-separated;
// empty when the program can run.
std::string surveyFonts(const std::vector<std::string>& families, FontChoice& fonts);
std::string missingFontsMessage(std::string_view missingList);

// A colour policy value: exactly six hexadecimal digits, read as 0x00BBGGRR.
std::optional<Colour> parseColourPolicy(std::string_view text);

// Expanding environment references in a policy folder. The expander returns
// the expanded text and how many bytes it needs with its terminator, or
// nothing when the system cannot expand it.
using EnvironmentExpander = std::function<std::optional<Expansion>(std::string_view)>;

// Room the program gives an expanded folder, terminator included.
inline constexpr std::size_t kExpandedFolderBytes = 256;

// The folder a policy value names: expanded when it holds "%" and the
// expansion fits, the value as written otherwise.
std::string policyFolder(std::string_view value, const EnvironmentExpander& expand);

inline constexpr const char* kPolicyKeyGeneral = "Software\\Policies\\Klavento\\7.0\\Allgemein";
inline constexpr const char* kPolicyKeyColours = "Software\\Policies\\Klavento\\7.0\\Farben";
inline constexpr const char* kPolicyKeyFolders = "Software\\Policies\\Klavento\\7.0\\Verzeichnisse";
inline constexpr const char* kAppPathsKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KVWIN7.EXE";

// Applies what one root holds; values it lacks leave the settings alone, so
// calling it for the machine and then for the user lets the user win.
void applyPolicies(PolicyStore& root, const EnvironmentExpander& expand, Settings& settings);

// The program folder from the App Paths entry, when it names one.
void applyProgramFolder(PolicyStore& machine, Settings& settings);

}  // namespace kv
