#include "ui/shared/fixed_text_win.h"

#include "evaluation/result_layout.h"
#include "platform/win/strings.h"

namespace kv {

win::Font createFixedFont(HDC dc, const std::string& face, int points, bool bold, bool underline) {
  const int height = -::MulDiv(points, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
  return win::Font(::CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE,
                                 underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 FIXED_PITCH | FF_MODERN, win::widen(face).c_str()));
}

SIZE extentOf(HDC dc, const std::wstring& text) {
  SIZE size{};
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

void drawRuns(HDC dc, int x, int y, const std::string& line, HFONT plain, HFONT underlined, bool highlightMarks) {
  for (const TextRun& run : splitIntoRuns(prepareLineForDrawing(line))) {
    const win::ScopedSelect font(dc, run.underlined ? underlined : plain);
    const std::wstring text = win::widen(run.text);
    if (highlightMarks && run.underlined) {
      const COLORREF textColour = ::SetTextColor(dc, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
      const COLORREF background = ::SetBkColor(dc, ::GetSysColor(COLOR_HIGHLIGHT));
      const int mode = ::SetBkMode(dc, OPAQUE);
      ::TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
      ::SetBkMode(dc, mode);
      ::SetBkColor(dc, background);
      ::SetTextColor(dc, textColour);
    } else {
      ::TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
    }
    x += extentOf(dc, text).cx;
  }
}

}  // namespace kv
