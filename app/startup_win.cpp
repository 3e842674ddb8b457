#include "app/startup_win.h"

#include <windows.h>

#include <string_view>

#include "core/startup_rules.h"
#include "platform/win/handles.h"
#include "platform/win/message_box.h"
#include "platform/win/registry.h"
#include "platform/win/shell.h"
#include "platform/win/strings.h"
#include "platform/win/system_info.h"

namespace kv {

void gatherEnvironment(EnvironmentInfo& environment) {
  const int ppi = win::screenPixelsPerInch();
  environment.densityClass = densityClass(ppi);
  environment.screenSizePercent =
      screenSizePercent(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));

  OSVERSIONINFOEXW version{};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
#pragma GCC diagnostic pop
    environment.osMajor = version.dwMajorVersion;
    environment.osMinor = version.dwMinorVersion;
    environment.server =
        version.wProductType == VER_NT_DOMAIN_CONTROLLER || version.wProductType == VER_NT_SERVER;
  }
  environment.remoteSession = ::GetSystemMetrics(SM_REMOTESESSION) != 0;
  environment.compatibilityLayer = win::compatibilityLayerPresent();

  const std::wstring system = win::widen(win::knownFolder(win::kFolderSystem));
  const auto versionOf = [&](const wchar_t* name) {
    if (system.empty()) return win::FileVersion{};
    return win::fixedFileVersion(system + L"\\" + name);
  };
  const win::FileVersion kernel = versionOf(L"kernel32.dll");
  const win::FileVersion user = versionOf(L"user32.dll");
  environment.kernelMajor = kernel.major;
  environment.kernelMinor = kernel.minor;
  environment.userMajor = user.major;
  environment.userMinor = user.minor;
}

bool passVersionGate(const EnvironmentInfo& environment) {
  if (versionGatePasses(environment)) return true;
  if (win::askErrorYesNo(nullptr, unsupportedSystemMessage(environment.server))) {
    win::openWebPage(::GetDesktopWindow(), kProductWebPage);
  }
  return false;
}

std::vector<std::string> screenFontFamilies() {
  std::vector<std::string> families;
  const win::WindowDc screen(nullptr);
  if (screen.get() == nullptr) return families;
  LOGFONTW filter{};
  filter.lfCharSet = DEFAULT_CHARSET;
  ::EnumFontFamiliesExW(
      screen.get(), &filter,
      [](const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM param) CALLBACK -> int {
        auto* list = reinterpret_cast<std::vector<std::string>*>(param);
        // A family the system provides under a replacement (Wine's font
        // replacements, Windows' font substitutes) carries the name the
        // program asks for only as its family name, not as its full name.
        const auto* full = reinterpret_cast<const ENUMLOGFONTEXW*>(font);
        list->push_back(win::narrowLossy(full->elfFullName));
        if (std::wstring_view(font->lfFaceName) != full->elfFullName) {
          list->push_back(win::narrowLossy(font->lfFaceName));
        }
        return 1;
      },
      reinterpret_cast<LPARAM>(&families), 0);
  return families;
}

bool passFontSurvey(const std::vector<std::string>& families, FontChoice& fonts) {
  const std::string missing = surveyFonts(families, fonts);
  if (missing.empty()) return true;
  win::showError(nullptr, missingFontsMessage(missing));
  return false;
}

void readFoldersAndPolicies(Settings& settings) {
  const std::string documents = win::knownFolder(win::kFolderDocuments);
  settings.folders.documents = documents;
  settings.folders.student = documents;

  const EnvironmentExpander expand = [](std::string_view text) {
    return win::expandEnvironment(text);
  };
  win::RegistryPolicyStore machine(HKEY_LOCAL_MACHINE);
  win::RegistryPolicyStore user(HKEY_CURRENT_USER);
  applyPolicies(machine, expand, settings);
  applyPolicies(user, expand, settings);
  applyProgramFolder(machine, settings);
}

bool prepareSettings(Settings& settings) {
  gatherEnvironment(settings.environment);
  if (!passVersionGate(settings.environment)) return false;
  if (!passFontSurvey(screenFontFamilies(), settings.fonts)) return false;
  readFoldersAndPolicies(settings);
  reconcileColours(settings.fingers, settings.schemes);
  return true;
}

}  // namespace kv
