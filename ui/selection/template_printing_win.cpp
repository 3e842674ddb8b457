#include "ui/selection/template_printing_win.h"

#include <commdlg.h>

#include <algorithm>

#include "ui/shared/app_state.h"
#include "evaluation/result_layout.h"
#include "platform/encoding.h"
#include "platform/win/handles.h"
#include "platform/win/later_library.h"
#include "platform/win/message_box.h"
#include "platform/win/printing.h"
#include "platform/win/strings.h"
#include "ui/shared/fixed_text_win.h"

namespace kv {
namespace {

// Large enough to copy from at arm's length; smaller only when a line would
// not fit the sheet otherwise.
constexpr int kLargestPoints = 14;
constexpr int kSmallestPoints = 8;

}  // namespace

bool printTemplate(HWND owner, const std::string& title, const std::string& archive,
                   const std::vector<std::string>& lines) {
  if (lines.empty()) return false;
  if (!win::laterLibraryReady(owner, win::LaterLibrary::CommonDialogs, w1252("Das Drucken"))) return false;
  PRINTDLGW pd{};
  pd.lStructSize = sizeof pd;
  pd.hwndOwner = owner;
  pd.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE |
             PD_HIDEPRINTTOFILE;
  pd.nCopies = 1;
  const BOOL chosen = ::PrintDlgW(&pd);
  if (pd.hDevMode != nullptr) ::GlobalFree(pd.hDevMode);
  if (pd.hDevNames != nullptr) ::GlobalFree(pd.hDevNames);
  const win::MemoryDc printer(chosen ? pd.hDC : nullptr);
  if (!chosen || !printer) return false;
  const HDC dc = printer.get();

  const int dpiX = ::GetDeviceCaps(dc, LOGPIXELSX), dpiY = ::GetDeviceCaps(dc, LOGPIXELSY);
  const int left = centimetresToPixels(2.5, dpiX);
  const int right = centimetresToPixels(1.5, dpiX);
  const int top = centimetresToPixels(2.0, dpiY);
  const int bottom = centimetresToPixels(2.0, dpiY);
  const int usableWidth = ::GetDeviceCaps(dc, HORZRES) - left - right;
  const int pageHeight = ::GetDeviceCaps(dc, VERTRES);
  const std::string& face = appState().settings.fonts.fixedName;

  std::size_t longest = 0;
  for (const std::string& line : lines) longest = std::max(longest, line.size());
  const int numberWidth = lines.size() >= 100 ? 5 : 4;  // "999  " or "99  "
  const std::wstring reference(longest + static_cast<std::size_t>(numberWidth), L'M');
  int points = kLargestPoints;
  for (; points > kSmallestPoints; --points) {
    const win::Font font = createFixedFont(dc, face, points, false, false);
    const win::ScopedSelect select(dc, font.get());
    if (extentOf(dc, reference).cx <= usableWidth) break;
  }
  const win::Font text = createFixedFont(dc, face, points, false, false);
  const win::Font heading = createFixedFont(dc, face, points, true, false);
  const win::Font small = createFixedFont(dc, face, std::max(kSmallestPoints, points - 4), false, false);
  int charHeight = 0;
  {
    const win::ScopedSelect select(dc, text.get());
    charHeight = extentOf(dc, L"X").cy;
  }
  // One and a half lines apart: the eye finds its place again.
  const int lineHeight = charHeight * 3 / 2;
  const int headingHeight = 3 * lineHeight;
  const int perPage = std::max(1, (pageHeight - top - bottom - headingHeight) / lineHeight);
  const int pages = static_cast<int>((lines.size() + static_cast<std::size_t>(perPage) - 1) /
                                     static_cast<std::size_t>(perPage));

  const std::wstring document = L"Klavento 7 – Vorlage " + win::widen(title);
  const std::wstring headingText = win::widen(title) + L" – " + win::widen(archive);
  const bool ok = win::printPages(dc, document, pages, [&](int page) {
    {
      const win::ScopedSelect select(dc, heading.get());
      ::TextOutW(dc, left, top, headingText.c_str(), static_cast<int>(headingText.size()));
    }
    if (pages > 1) {
      const win::ScopedSelect select(dc, small.get());
      const std::wstring of = L"Seite " + std::to_wstring(page + 1) + L" von " + std::to_wstring(pages);
      ::TextOutW(dc, left, top + lineHeight, of.c_str(), static_cast<int>(of.size()));
    }
    const win::ScopedSelect select(dc, text.get());
    const std::size_t first = static_cast<std::size_t>(page) * static_cast<std::size_t>(perPage);
    for (std::size_t k = first; k < lines.size() && k < first + static_cast<std::size_t>(perPage); ++k) {
      std::wstring number = std::to_wstring(k + 1);
      number.insert(0, static_cast<std::size_t>(numberWidth - 2) - std::min(number.size(), std::size_t{3}), L' ');
      const int y = top + headingHeight + static_cast<int>(k - first) * lineHeight;
      ::SetTextColor(dc, RGB(110, 110, 110));
      ::TextOutW(dc, left, y, number.c_str(), static_cast<int>(number.size()));
      ::SetTextColor(dc, RGB(0, 0, 0));
      const std::wstring line = win::widen(lines[k]);
      const int x = left + extentOf(dc, std::wstring(static_cast<std::size_t>(numberWidth), L' ')).cx;
      ::TextOutW(dc, x, y, line.c_str(), static_cast<int>(line.size()));
    }
  });
  if (!ok) {
    win::showError(owner, w1252("Während des Druckvorganges ist ein Fehler aufgetreten.\r\n"
                                "Die Vorlage wurde nicht vollständig gedruckt."));
  }
  return ok;
}

}  // namespace kv
