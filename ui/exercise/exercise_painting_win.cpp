// The exercise window's painting: the template display's bevelled panel,
// the running text or template rows on it, and the start prompt.
#include "ui/exercise/exercise_window_win.h"

#include <algorithm>
#include <string>
#include <vector>

#include "ui/shared/app_state.h"
#include "keyboard/keyboard_renderer_win.h"
#include "platform/win/handles.h"
#include "platform/win/strings.h"
#include "ui/shared/system_colours_win.h"

namespace kv {
namespace {

// The template display's bevelled panel is drawn from a corner picture of
// kCornerWidth x kCornerHeight pixels, one quarter in each corner; the text
// inside keeps clear of the bevel by kPanelTextInset.
constexpr int kCornerWidth = 22;
constexpr int kCornerHeight = 24;
constexpr int kQuarterWidth = kCornerWidth / 2;
constexpr int kQuarterHeight = kCornerHeight / 2;
constexpr int kPanelTextInset = 12;

// The panel's ground: the keyboard's background, or in the system's colours
// the window colour, on which the text is window text.
COLORREF panelColour(Colour background) {
  return systemColoursOn() ? ::GetSysColor(COLOR_WINDOW) : static_cast<COLORREF>(background);
}

}  // namespace

void ExerciseWindow::prepareCornerPicture() {
  // The stored corner: an 11 x 12 bevelled quarter circle drawn in the six
  // key colours, recoloured for this system and stretched to 22 x 24.
  static const char* const kRows[kQuarterHeight] = {
      "mmmmkkkkkkk", "mmkkhhhhhhh", "mkhhbbbbbbb", "mkhbbbbbbbb", "khbbbbbbbbb",
      "khbbbbbbbbb", "khbbbbbbbbb", "khbbbbbbbbb", "khbbbbbbbbb", "khbbbbbbbbb",
      "khbbbbbbbbb", "khbbbbbbbbb"};
  const COLORREF background = panelColour(state_.settings.fingers.background);
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  auto mapped = [&](char c) -> COLORREF {
    switch (c) {
      case 'm': return face;                                  // 0xFF00FF
      case 'k': return ::GetSysColor(COLOR_3DDKSHADOW);        // 0x000000
      case 'h': return ::GetSysColor(COLOR_BTNHIGHLIGHT);      // 0xFFFFFF
      case 's': return ::GetSysColor(COLOR_BTNSHADOW);         // 0x808080
      default: return background;                             // 0x808000
    }
  };
  win::WindowDc screen(hwnd_);
  win::MemoryDc small(::CreateCompatibleDC(screen.get()));
  win::Bitmap stored(::CreateCompatibleBitmap(screen.get(), kCornerWidth, kCornerHeight));
  {
    // Mirror the quarter into all four corners of the 22 x 24 picture.
    win::ScopedSelect select(small.get(), stored.get());
    for (int y = 0; y < kQuarterHeight; ++y) {
      for (int x = 0; x < kQuarterWidth; ++x) {
        const COLORREF c = mapped(kRows[y][x]);
        ::SetPixel(small.get(), x, y, c);
        ::SetPixel(small.get(), kCornerWidth - 1 - x, y, c);
        ::SetPixel(small.get(), x, kCornerHeight - 1 - y, c);
        ::SetPixel(small.get(), kCornerWidth - 1 - x, kCornerHeight - 1 - y, c);
      }
    }
  }
  corner_ = std::move(stored);
}

void ExerciseWindow::paintPanel(HDC dc, const RECT& area) {
  const COLORREF background = panelColour(state_.settings.fingers.background);
  win::Brush fill(::CreateSolidBrush(background));
  ::FillRect(dc, &area, fill.get());
  if (!corner_) return;
  const int w = area.right - area.left;
  const int h = area.bottom - area.top;
  if (w < kCornerWidth || h < kCornerHeight) return;
  win::MemoryDc cornerDc(::CreateCompatibleDC(dc));
  win::ScopedSelect select(cornerDc.get(), corner_.get());
  // Corners.
  constexpr int qw = kQuarterWidth;
  constexpr int qh = kQuarterHeight;
  ::BitBlt(dc, area.left, area.top, qw, qh, cornerDc.get(), 0, 0, SRCCOPY);
  ::BitBlt(dc, area.right - qw, area.top, qw, qh, cornerDc.get(), qw, 0, SRCCOPY);
  ::BitBlt(dc, area.left, area.bottom - qh, qw, qh, cornerDc.get(), 0, qh, SRCCOPY);
  ::BitBlt(dc, area.right - qw, area.bottom - qh, qw, qh, cornerDc.get(), qw, qh, SRCCOPY);
  // Edges continue every border pixel of the corners that is not background.
  const COLORREF bg = background;
  for (int y = 0; y < qh; ++y) {
    const COLORREF top = ::GetPixel(cornerDc.get(), qw - 1, y);
    const COLORREF bottom = ::GetPixel(cornerDc.get(), qw - 1, kCornerHeight - 1 - y);
    if (top != bg) {
      win::Pen pen(::CreatePen(PS_SOLID, 1, top));
      win::ScopedSelect sp(dc, pen.get());
      ::MoveToEx(dc, area.left + qw, area.top + y, nullptr);
      ::LineTo(dc, area.right - qw, area.top + y);
    }
    if (bottom != bg) {
      win::Pen pen(::CreatePen(PS_SOLID, 1, bottom));
      win::ScopedSelect sp(dc, pen.get());
      ::MoveToEx(dc, area.left + qw, area.bottom - 1 - y, nullptr);
      ::LineTo(dc, area.right - qw, area.bottom - 1 - y);
    }
  }
  for (int x = 0; x < qw; ++x) {
    const COLORREF left = ::GetPixel(cornerDc.get(), x, qh - 1);
    const COLORREF right = ::GetPixel(cornerDc.get(), kCornerWidth - 1 - x, qh - 1);
    if (left != bg) {
      win::Pen pen(::CreatePen(PS_SOLID, 1, left));
      win::ScopedSelect sp(dc, pen.get());
      ::MoveToEx(dc, area.left + x, area.top + qh, nullptr);
      ::LineTo(dc, area.left + x, area.bottom - qh);
    }
    if (right != bg) {
      win::Pen pen(::CreatePen(PS_SOLID, 1, right));
      win::ScopedSelect sp(dc, pen.get());
      ::MoveToEx(dc, area.right - 1 - x, area.top + qh, nullptr);
      ::LineTo(dc, area.right - 1 - x, area.bottom - qh);
    }
  }
}

void ExerciseWindow::paintDisplay(HDC dc) {
  const Bounds& d = layout_.display;
  const ExerciseForm form = formOf(state_.exercise.form);
  if (form == ExerciseForm::FromPaper || d.width <= 0 || d.height <= 1) return;
  if (form == ExerciseForm::LitKeys) {
    if (keyboard_) keyboard_->paint(dc, d.left, d.top);
    return;
  }
  // Double-buffered: the running text changes with every keystroke. When the
  // system has no memory for the buffer, the display is drawn straight onto
  // the window, flickering but complete.
  win::MemoryDc buffer(::CreateCompatibleDC(dc));
  win::Bitmap image(buffer ? ::CreateCompatibleBitmap(dc, d.width, d.height) : nullptr);
  if (!buffer || !image) {
    const int saved = ::SaveDC(dc);
    ::SetViewportOrgEx(dc, d.left, d.top, nullptr);
    paintDisplayOn(dc, d.width, d.height, form);
    ::RestoreDC(dc, saved);
    return;
  }
  win::ScopedSelect selectImage(buffer.get(), image.get());
  paintDisplayOn(buffer.get(), d.width, d.height, form);
  ::BitBlt(dc, d.left, d.top, d.width, d.height, buffer.get(), 0, 0, SRCCOPY);
}

void ExerciseWindow::paintDisplayOn(HDC target, int width, int height, ExerciseForm form) {
  const RECT area{0, 0, width, height};
  paintPanel(target, area);
  const std::vector<std::string> rows =
      form == ExerciseForm::RunningText ? session_.runningTextRows() : session_.templateRows();
  if (!rows.empty() && fieldFont_) {
    win::ScopedSelect selectFont(target, fieldFont_.get());
    ::SetBkMode(target, TRANSPARENT);
    ::SetTextColor(target, systemColoursOn() ? ::GetSysColor(COLOR_WINDOWTEXT)
                                             : static_cast<COLORREF>(session_.textColour()));
    const POINT origin = displayTextOrigin();
    const int x = origin.x - layout_.display.left;
    const int y = origin.y - layout_.display.top;
    const int h = displayRowHeight();
    for (std::size_t k = 0; k < rows.size(); ++k) {
      const std::wstring text = win::widen(rows[k]);
      ::TextOutW(target, x, y + static_cast<int>(k) * h, text.c_str(), static_cast<int>(text.size()));
    }
    // In the system's colours the next character stands on the highlight, as
    // the lit key does, so that a learner with low vision finds the place.
    RECT cell = systemColoursOn() ? nextCharacterOnScreen() : RECT{};
    if (cell.right > cell.left) {
      ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&cell), 2);
      ::OffsetRect(&cell, -layout_.display.left, -layout_.display.top);
      ::FillRect(target, &cell, ::GetSysColorBrush(COLOR_HIGHLIGHT));
      const int saved = ::SaveDC(target);
      ::IntersectClipRect(target, cell.left, cell.top, cell.right, cell.bottom);
      ::SetTextColor(target, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
      for (std::size_t k = 0; k < rows.size(); ++k) {
        const std::wstring text = win::widen(rows[k]);
        ::TextOutW(target, x, y + static_cast<int>(k) * h, text.c_str(), static_cast<int>(text.size()));
      }
      ::RestoreDC(target, saved);
    }
  }
}

POINT ExerciseWindow::displayTextOrigin() const {
  return POINT{layout_.display.left + metrics_.lengths.m7 + kPanelTextInset,
               layout_.display.top + metrics_.lengths.m4 + kPanelTextInset};
}

int ExerciseWindow::displayRowHeight() const { return rules_.text.height(textSize_); }

// The prompt's lines, each centred on its own row and never wrapped; the
// block of lines with text sits in the middle of the box.
void ExerciseWindow::paintPrompt(const DRAWITEMSTRUCT& item) {
  const HDC dc = item.hDC;
  RECT box = item.rcItem;
  ::FillRect(dc, &box, ::GetSysColorBrush(COLOR_BTNFACE));
  ::FrameRect(dc, &box, ::GetSysColorBrush(COLOR_BTNSHADOW));
  std::vector<std::wstring> lines;
  const std::wstring text = win::widen(promptText_);
  for (std::size_t begin = 0;;) {
    const std::size_t end = text.find(L'\r', begin);
    lines.push_back(text.substr(begin, end == std::wstring::npos ? std::wstring::npos : end - begin));
    if (end == std::wstring::npos) break;
    begin = end + 1;
  }
  while (!lines.empty() && lines.front().empty()) lines.erase(lines.begin());
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  if (lines.empty()) return;
  win::ScopedSelect font(dc, promptFont_ ? promptFont_.get() : dialogFont_.get());
  TEXTMETRICW tm{};
  ::GetTextMetricsW(dc, &tm);
  const int row = std::max<int>(tm.tmHeight, 1);
  ::SetBkMode(dc, TRANSPARENT);
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  ::SetTextColor(dc, ::GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  int y = box.top + ((box.bottom - box.top) - static_cast<int>(lines.size()) * row) / 2;
  for (const std::wstring& line : lines) {
    RECT r{box.left, y, box.right, y + row};
    ::DrawTextW(dc, line.c_str(), static_cast<int>(line.size()), &r,
                DT_CENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    y += row;
  }
}

void ExerciseWindow::onPaint() {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(hwnd_, &ps);
  paintDisplay(dc);
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const Bounds grip = sizeGripBounds(client.right, client.bottom, metrics_);
  RECT g{grip.left, grip.top, grip.left + grip.width, grip.top + grip.height};
  ::DrawFrameControl(dc, &g, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
  ::EndPaint(hwnd_, &ps);
  if (formOf(state_.exercise.form) == ExerciseForm::LitKeys) session_.relight();
}

}  // namespace kv
