#include "platform/win/window.h"

#include <string>

#include "platform/win/message_box.h"

namespace kv::win {

void reportUnexpectedError(HWND window, const char* what) noexcept {
  static bool showing = false;
  if (showing) return;
  showing = true;
  try {
    // Windows-1252, as every text the message box helper takes.
    std::string text =
        "Klavento ist auf einen unerwarteten Fehler gesto\xDF" "en und setzt die Arbeit fort. "
        "Wenn etwas nicht mehr richtig funktioniert, speichern Sie eine Auswertung und starten "
        "Sie Klavento neu.";
    if (what != nullptr && *what != '\0') text += std::string("\n\n(") + what + ")";
    const HWND owner = window != nullptr ? ::GetAncestor(window, GA_ROOT) : nullptr;
    showError(owner, text);
  } catch (...) {
    ::MessageBeep(0xFFFFFFFF);
  }
  showing = false;
}

}  // namespace kv::win
