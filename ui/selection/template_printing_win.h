// "Vorlage drucken": the chosen text as a paper template for "Text von
// Vorlage", in the fixed-pitch face, large, line-numbered, with its title and
// archive on every sheet.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kv {

// Asks for the printer and prints; false when nothing was printed (cancelled
// or failed; a failure has been reported to the user).
bool printTemplate(HWND owner, const std::string& title, const std::string& archive,
                   const std::vector<std::string>& lines);

}  // namespace kv
