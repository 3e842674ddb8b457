// The result window's printing: the print dialog with its "without
// evaluation" check box, the font that fills the sheet's width, and the pages.
#include "ui/result/result_window_win.h"

#include <commdlg.h>
#include <dlgs.h>

#include <algorithm>

#include "ui/shared/app_state.h"
#include "evaluation/result_layout.h"
#include "platform/encoding.h"
#include "platform/win/controls.h"
#include "platform/win/later_library.h"
#include "platform/win/message_box.h"
#include "platform/win/printing.h"
#include "platform/win/strings.h"
#include "ui/shared/fixed_text_win.h"

namespace kv {
namespace {

constexpr const wchar_t* kPrintFlagProperty = L"KlaventoWithoutEvaluation";

constexpr const char* kNoTrueTypeMessage =
    "Während des Druckvorganges ist ein Fehler aufgetreten.\r\n"
    "Der Drucker unterstützt keine TrueType Schriftarten.";
constexpr const char* kPrintFailedMessage =
    "Während des Druckvorganges ist ein Fehler aufgetreten.\r\n"
    "Der Text wurde nicht vollständig gedruckt.";

// The print dialog's hook: adds the check box and keeps its flag.
UINT_PTR CALLBACK printHook(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      const auto* pd = reinterpret_cast<const PRINTDLGW*>(lParam);
      ::SetPropW(dialog, kPrintFlagProperty, reinterpret_cast<HANDLE>(pd->lCustData));
      RECT ok{};
      const HWND okButton = ::GetDlgItem(dialog, IDOK);
      if (okButton == nullptr) return TRUE;
      ::GetWindowRect(okButton, &ok);
      ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&ok), 2);
      // Left of the OK button, lined up with the dialog's first group box.
      int left = 10;
      if (const HWND group = ::GetDlgItem(dialog, grp4); group != nullptr) {
        RECT g{};
        ::GetWindowRect(group, &g);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&g), 2);
        left = static_cast<int>(g.left);
      }
      const HWND box = win::createControl(
          dialog, L"BUTTON", L"ohne Auswertung drucken", WS_TABSTOP | BS_AUTOCHECKBOX, left,
          static_cast<int>(ok.top), std::max(static_cast<int>(ok.left) - left - 8, 40), static_cast<int>(ok.bottom - ok.top),
          ResultWindow::kWithoutEvaluationId);
      ::SendMessageW(box, WM_SETFONT, ::SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == ResultWindow::kWithoutEvaluationId && HIWORD(wParam) == BN_CLICKED) {
        if (auto* flag = static_cast<bool*>(::GetPropW(dialog, kPrintFlagProperty))) {
          *flag = !*flag;
        }
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      ::RemovePropW(dialog, kPrintFlagProperty);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

std::string ResultWindow::printTitleLearner() const {
  // A saved exercise carries its learner in the header, not in today's options.
  if (fileView_) return lines_.size() > 4 ? withoutMarks(lines_[4]) : std::string();
  return appState().resultOptions.learnerLine1;
}

void ResultWindow::printResult() {
  if (compatibility_) return;
  CommandsOff off(*this);
  withoutEvaluation_ = false;
  if (!win::laterLibraryReady(host_.frame(), win::LaterLibrary::CommonDialogs, w1252("Das Drucken"))) return;
  PRINTDLGW pd{};
  pd.lStructSize = sizeof pd;
  pd.hwndOwner = host_.frame();
  pd.Flags = PD_RETURNDC | PD_ENABLEPRINTHOOK | PD_NOPAGENUMS | PD_NOSELECTION |
             PD_USEDEVMODECOPIESANDCOLLATE | PD_HIDEPRINTTOFILE;
  pd.nCopies = 1;
  pd.lCustData = reinterpret_cast<LPARAM>(&withoutEvaluation_);
  pd.lpfnPrintHook = &printHook;
  const BOOL chosen = ::PrintDlgW(&pd);
  if (pd.hDevMode != nullptr) ::GlobalFree(pd.hDevMode);
  if (pd.hDevNames != nullptr) ::GlobalFree(pd.hDevNames);
  const win::MemoryDc printer(chosen ? pd.hDC : nullptr);
  if (!chosen || !printer) return;
  const HDC dc = printer.get();

  if (::GetDeviceCaps(dc, TECHNOLOGY) != DT_RASPRINTER) {
    win::showError(hwnd_, w1252(kNoTrueTypeMessage));
    return;
  }
  const std::vector<std::string> printed = printedLines(lines_, withoutEvaluation_);
  if (printed.empty()) return;  // nothing but empty lines: no blank sheet

  const int left = centimetresToPixels(2.5, ::GetDeviceCaps(dc, LOGPIXELSX));
  const int top = centimetresToPixels(1.5, ::GetDeviceCaps(dc, LOGPIXELSY));
  const int usableWidth = ::GetDeviceCaps(dc, HORZRES) - left;
  const int pageHeight = ::GetDeviceCaps(dc, VERTRES);
  const std::string& face = appState().settings.fonts.fixedName;
  const std::wstring reference(static_cast<std::size_t>(printReferenceSpaces(longestLine_)), L' ');
  const int size = printFontSize(
      [&](int points) {
        const win::Font font = createFixedFont(dc, face, points, true, false);
        const win::ScopedSelect select(dc, font.get());
        return static_cast<int>(extentOf(dc, reference).cx);
      },
      usableWidth);
  const win::Font plain = createFixedFont(dc, face, size, true, false);
  const win::Font underlined = createFixedFont(dc, face, size, true, true);
  int lineHeight = 0;
  {
    const win::ScopedSelect select(dc, plain.get());
    lineHeight = extentOf(dc, L"X").cy;
  }
  const std::vector<PrintedLine> places = paginate(printed.size(), lineHeight, top, pageHeight);

  const std::wstring title = win::widen(printDocumentTitle(printTitleLearner()));
  const int pages = places.empty() ? 0 : places.back().page + 1;
  std::size_t next = 0;
  const bool ok = win::printPages(dc, title, pages, [&](int page) {
    for (; next < printed.size() && places[next].page == page; ++next) {
      drawRuns(dc, left, places[next].y, printed[next], plain.get(), underlined.get());
    }
  });
  if (!ok) {
    win::showError(hwnd_, w1252(kPrintFailedMessage));
    return;
  }
  unsaved_ = false;
  off.end();
  ::SetFocus(printButton_);
}

}  // namespace kv
