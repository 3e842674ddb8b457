#include "ui/shared/system_colours_win.h"

#include "ui/shared/app_state.h"

namespace kv {

bool highContrastOn() {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  // Wine always answers "off"; on Windows this follows the user's switch
  // (Alt+left Shift+Print) without a restart, since every paint asks again.
  if (!::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0)) return false;
  return (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

bool systemColoursOn() { return appState().settings.colourMode.systemColours || highContrastOn(); }

SystemColourRoles systemColourRoles() {
  return SystemColourRoles{::GetSysColor(COLOR_WINDOW),    ::GetSysColor(COLOR_WINDOWTEXT),
                           ::GetSysColor(COLOR_HIGHLIGHT), ::GetSysColor(COLOR_HIGHLIGHTTEXT),
                           ::GetSysColor(COLOR_BTNFACE),   ::GetSysColor(COLOR_BTNTEXT),
                           ::GetSysColor(COLOR_GRAYTEXT)};
}

}  // namespace kv
