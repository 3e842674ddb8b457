// The start of the program up to its first window: environment facts, the
// version gate, the font survey, the policy values and the colour schemes.
// Each step fills the settings; a refusal tells the user and ends the start.
#pragma once

#include <string>
#include <vector>

#include "core/settings.h"

namespace kv {

// Runs every step in order. False when the program must end (the user has
// been told why).
bool prepareSettings(Settings& settings);

// The steps, for the start and for the tests.
void gatherEnvironment(EnvironmentInfo& environment);
// Shows the refusal and offers the product page; false when it failed.
bool passVersionGate(const EnvironmentInfo& environment);
std::vector<std::string> screenFontFamilies();
// Shows the missing-fonts message; false when the program cannot run.
bool passFontSurvey(const std::vector<std::string>& families, FontChoice& fonts);
// Documents folder, policy values under the machine then the user, and the
// App Paths entry.
void readFoldersAndPolicies(Settings& settings);

}  // namespace kv
