// The history window's two pictures: the chart of speed and errors, drawn
// with GDI+ for smooth lines at any screen density, and the keyboard heat map.
#include "ui/history/history_window_win.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include <objidl.h>  // GDI+ needs what WIN32_LEAN_AND_MEAN leaves out

// GDI+'s headers use min and max unqualified; NOMINMAX took the macros away.
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "core/settings.h"
#include "platform/encoding.h"
#include "platform/win/later_library.h"
#include "platform/win/strings.h"

namespace kv {
namespace {

namespace gp = Gdiplus;

gp::Color argb(COLORREF c, BYTE alpha = 255) {
  return gp::Color(alpha, GetRValue(c), GetGValue(c), GetBValue(c));
}

int scaled(int pixels96, int dpi) { return ::MulDiv(pixels96, dpi, 96); }

std::wstring wide(const std::string& cp1252) { return win::widen(cp1252); }

// "1.12." for a date "JJJJ-MM-TT".
std::wstring shortDate(const std::string& date) {
  if (date.size() < 10) return L"";
  const int day = std::atoi(date.substr(8, 2).c_str());
  const int month = std::atoi(date.substr(5, 2).c_str());
  return std::to_wstring(day) + L"." + std::to_wstring(month) + L".";
}

void drawText(gp::Graphics& g, const gp::Font& font, const std::wstring& text, float x, float y,
              COLORREF colour, gp::StringAlignment align = gp::StringAlignmentNear) {
  gp::StringFormat format;
  format.SetAlignment(align);
  const gp::SolidBrush brush(argb(colour));
  g.DrawString(text.c_str(), static_cast<INT>(text.size()), &font, gp::PointF(x, y), &format, &brush);
}

// A marker of the form's own shape, so that the forms differ without colour.
void drawMarker(gp::Graphics& g, int form, float x, float y, float r, COLORREF colour) {
  const gp::SolidBrush fill(argb(colour));
  switch (form) {
    case 1:
      g.FillEllipse(&fill, x - r, y - r, 2 * r, 2 * r);
      break;
    case 2:
      g.FillRectangle(&fill, x - r, y - r, 2 * r, 2 * r);
      break;
    case 3: {
      const gp::PointF p[] = {{x, y - r * 1.2f}, {x + r * 1.1f, y + r * 0.9f}, {x - r * 1.1f, y + r * 0.9f}};
      g.FillPolygon(&fill, p, 3);
      break;
    }
    default: {
      const gp::PointF p[] = {{x, y - r * 1.3f}, {x + r * 1.3f, y}, {x, y + r * 1.3f}, {x - r * 1.3f, y}};
      g.FillPolygon(&fill, p, 4);
      break;
    }
  }
}

struct Panel {
  gp::RectF plot;
  double top = 1;
};

// The axis is rounded up to its last grid line; the points are drawn against
// the panel's top as it leaves here.
void drawPanel(gp::Graphics& g, Panel& panel, const gp::Font& font, const std::wstring& title, int dpi) {
  const gp::Pen axis(argb(::GetSysColor(COLOR_GRAYTEXT)), 1.0f);
  const gp::Pen grid(argb(::GetSysColor(COLOR_GRAYTEXT), 60), 1.0f);
  const gp::RectF& r = panel.plot;
  // As many grid lines as their labels leave room for, four at most.
  const float labelHeight = font.GetHeight(&g);
  const AxisTicks ticks = roundTicks(panel.top, std::clamp(static_cast<int>(r.Height / (1.6f * labelHeight)), 1, 4));
  panel.top = ticks.top();
  for (int k = 0; k <= ticks.count; ++k) {
    const float y = r.Y + r.Height - r.Height * static_cast<float>(k) / static_cast<float>(ticks.count);
    g.DrawLine(k == 0 ? &axis : &grid, r.X, y, r.X + r.Width, y);
    const std::wstring label = wide(germanNumber(ticks.step * k, ticks.decimals));
    gp::RectF box;
    g.MeasureString(label.c_str(), static_cast<INT>(label.size()), &font, gp::PointF(0, 0), &box);
    drawText(g, font, label, r.X - static_cast<float>(scaled(4, dpi)) - box.Width, y - box.Height / 2,
             ::GetSysColor(COLOR_WINDOWTEXT));
  }
  g.DrawLine(&axis, r.X, r.Y, r.X, r.Y + r.Height);
  drawText(g, font, title, r.X, r.Y - static_cast<float>(scaled(18, dpi)), ::GetSysColor(COLOR_WINDOWTEXT));
}

}  // namespace

namespace {

ULONG_PTR gdiplusToken = 0;

// Where GDI+ is missing the area names it rather than stay blank.
bool drawnWithoutGdiplus(HDC dc, const RECT& area) {
  if (gdiplusToken != 0) return false;
  RECT box = area;
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
  ::DrawTextW(dc, L"Ohne gdiplus.dll kein Diagramm", -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  return true;
}

}  // namespace

bool startGdiplus() {
  if (gdiplusToken != 0) return true;
  if (!win::laterLibraryLoaded(win::LaterLibrary::Charts)) return false;
  const gp::GdiplusStartupInput input;
  // Left running until the process ends: windows may draw until the last moment.
  if (gp::GdiplusStartup(&gdiplusToken, &input, nullptr) != gp::Ok) gdiplusToken = 0;
  return gdiplusToken != 0;
}

COLORREF formColour(int form) {
  switch (form) {
    case 1: return RGB(31, 119, 180);   // Laufschrift: blue
    case 2: return RGB(230, 120, 10);   // Leuchttastei: orange
    case 3: return RGB(44, 150, 44);    // Textvorgabe: green
    default: return RGB(148, 80, 189);  // Text von Vorlage: purple
  }
}

COLORREF heatColour(double rate) {
  // Green through yellow to red; a tenth of the strokes missed is red.
  const double t = std::clamp(rate / 0.10, 0.0, 1.0);
  const auto mix = [](int a, int b, double f) { return static_cast<BYTE>(a + (b - a) * f + 0.5); };
  if (t < 0.5) {
    const double f = t / 0.5;
    return RGB(mix(120, 250, f), mix(200, 220, f), mix(120, 90, f));
  }
  const double f = (t - 0.5) / 0.5;
  return RGB(mix(250, 235, f), mix(220, 80, f), mix(90, 70, f));
}

void drawChart(HDC dc, const RECT& area, const ChartData& data, ChartScale scale, const ChartLook& look) {
  if (drawnWithoutGdiplus(dc, area)) return;
  gp::Graphics g(dc);
  g.SetSmoothingMode(gp::SmoothingModeAntiAlias);
  g.SetTextRenderingHint(gp::TextRenderingHintAntiAliasGridFit);
  const gp::Font font(dc, look.font);
  const int dpi = look.dpi;
  const float left = static_cast<float>(area.left + scaled(52, dpi));
  const float right = static_cast<float>(area.right - scaled(10, dpi));
  const float legendHeight = static_cast<float>(scaled(22, dpi));
  const float axisHeight = static_cast<float>(scaled(20, dpi));
  const float titleHeight = static_cast<float>(scaled(20, dpi));
  const float top = static_cast<float>(area.top) + legendHeight + titleHeight;
  const float bottom = static_cast<float>(area.bottom) - axisHeight;
  const float gap = titleHeight + static_cast<float>(scaled(8, dpi));
  const float usable = bottom - top - gap;
  if (usable < 40 || right - left < 60) return;

  Panel speed{gp::RectF(left, top, right - left, usable * 0.58f), data.kpmTop};
  Panel errors{gp::RectF(left, top + usable * 0.58f + gap, right - left, usable * 0.42f), data.percentTop};
  drawPanel(g, speed, font, L"Anschläge pro Minute", dpi);
  drawPanel(g, errors, font, L"Fehlerprozent", dpi);

  // Legend: the four forms with their colour and marker, in one row.
  float x = left;
  const float y = static_cast<float>(area.top) + static_cast<float>(scaled(4, dpi));
  const float r = static_cast<float>(scaled(4, dpi));
  for (int form = 1; form <= 4; ++form) {
    if (data.series[static_cast<std::size_t>(form - 1)].empty()) continue;
    const std::wstring name = wide(formName(form));
    drawMarker(g, form, x + r, y + r * 2, r, formColour(form));
    drawText(g, font, name, x + 3 * r, y, ::GetSysColor(COLOR_WINDOWTEXT));
    gp::RectF box;
    g.MeasureString(name.c_str(), static_cast<INT>(name.size()), &font, gp::PointF(0, 0), &box);
    x += 3 * r + box.Width + static_cast<float>(scaled(14, dpi));
  }

  const double span = std::max(1, data.xCount - 1);
  const auto xOf = [&](double at) {
    return data.xCount <= 1 ? left + (right - left) / 2 : left + static_cast<float>(at / span) * (right - left);
  };
  // Dates under the axis, as many as fit.
  if (data.xCount > 0) {
    const int labels =
        std::max(1, std::min(data.xCount, static_cast<int>((right - left) / static_cast<float>(scaled(70, dpi)))));
    for (int k = 0; k < labels; ++k) {
      const int at = labels == 1 ? 0 : static_cast<int>(std::lround(span * k / (labels - 1)));
      drawText(g, font, shortDate(data.xDates[static_cast<std::size_t>(at)]), xOf(at), bottom + 2,
               ::GetSysColor(COLOR_WINDOWTEXT), gp::StringAlignmentCenter);
    }
  }
  const std::wstring unit = scale == ChartScale::PerDay ? L"je Tag" : L"je Übung";
  drawText(g, font, unit, right, static_cast<float>(area.top) + static_cast<float>(scaled(4, dpi)),
           ::GetSysColor(COLOR_GRAYTEXT), gp::StringAlignmentFar);

  for (int form = 1; form <= 4; ++form) {
    const auto& series = data.series[static_cast<std::size_t>(form - 1)];
    if (series.empty()) continue;
    const COLORREF colour = formColour(form);
    const gp::Pen pen(argb(colour, 210), static_cast<float>(scaled(2, dpi)));
    std::vector<gp::PointF> kpm, percent;
    for (const ChartPoint& c : series) {
      const float px = xOf(c.x);
      kpm.emplace_back(px, speed.plot.Y + speed.plot.Height -
                               static_cast<float>(std::min(1.0, c.keystrokesPerMinute / speed.top)) *
                                   speed.plot.Height);
      if (c.hasErrorPercent) {
        percent.emplace_back(px, errors.plot.Y + errors.plot.Height -
                                     static_cast<float>(std::min(1.0, c.errorPercent / errors.top)) *
                                         errors.plot.Height);
      }
    }
    for (const auto* line : {&kpm, &percent}) {
      if (line->size() > 1) g.DrawLines(&pen, line->data(), static_cast<INT>(line->size()));
      // Markers while they stay apart; a dense line is clearer without.
      if (line->size() <= 120) {
        for (const gp::PointF& p : *line) drawMarker(g, form, p.X, p.Y, r, colour);
      }
    }
  }
}

void drawHeatMap(HDC dc, const RECT& area, const win::KeyboardRenderer& picture, const KeyTable& table,
                 const std::array<KeyTally, 256>& keys, const ChartLook& look) {
  if (!picture.ready() || area.right <= area.left || area.bottom <= area.top) return;
  const int w = picture.width(), h = picture.height();
  win::Canvas tinted;
  if (!tinted.resize(w, h)) return;
  picture.paint(tinted.dc(), 0, 0);

  // The keys are drawn white with black captions; ANDing a colour over them
  // colours the key and leaves the captions black.
  std::map<std::tuple<int, int, int, int>, KeyTally> perKey;
  for (int i = 1; i <= table.count; ++i) {
    const KeyEntry& e = table.entries[static_cast<std::size_t>(i)];
    if (e.rect.right <= e.rect.left) continue;
    KeyTally& k = perKey[{e.rect.left, e.rect.top, e.rect.right, e.rect.bottom}];
    k.needed += keys[e.ch].needed;
    k.missed += keys[e.ch].missed;
  }
  for (const auto& [rect, tally] : perKey) {
    if (tally.needed < kHeatLeast) continue;
    const auto [l, t, r, b] = rect;
    const win::Brush brush(::CreateSolidBrush(heatColour(static_cast<double>(tally.missed) / tally.needed)));
    const win::ScopedSelect select(tinted.dc(), brush.get());
    constexpr DWORD kPatternAnd = 0x00A000C9;
    ::PatBlt(tinted.dc(), l + 1, t + 1, r - l - 2, b - t - 2, kPatternAnd);
  }

  const int dpi = look.dpi;
  const int legendHeight = scaled(40, dpi);
  const int availableW = area.right - area.left;
  const int availableH = area.bottom - area.top - legendHeight;
  if (availableH <= 20) return;
  const double s = std::min({1.0, static_cast<double>(availableW) / w, static_cast<double>(availableH) / h});
  const int dw = static_cast<int>(w * s), dh = static_cast<int>(h * s);
  const int x = area.left + (availableW - dw) / 2;
  ::SetStretchBltMode(dc, HALFTONE);
  ::SetBrushOrgEx(dc, 0, 0, nullptr);
  ::StretchBlt(dc, x, area.top, dw, dh, tinted.dc(), 0, 0, w, h, SRCCOPY);

  // The legend: the scale from no misses to a tenth missed, and untried keys.
  if (gdiplusToken == 0) return;
  gp::Graphics g(dc);
  g.SetSmoothingMode(gp::SmoothingModeAntiAlias);
  g.SetTextRenderingHint(gp::TextRenderingHintAntiAliasGridFit);
  const gp::Font font(dc, look.font);
  const float ly = static_cast<float>(area.top + dh + scaled(8, dpi));
  const float barH = static_cast<float>(scaled(10, dpi));
  const float barW = static_cast<float>(std::min(dw / 2, scaled(200, dpi)));
  const float lx = static_cast<float>(x);
  for (int k = 0; k < 40; ++k) {
    const gp::SolidBrush step(argb(heatColour(0.10 * k / 39.0)));
    g.FillRectangle(&step, lx + barW * static_cast<float>(k) / 40.0f, ly, barW / 40.0f + 1.0f, barH);
  }
  const COLORREF text = ::GetSysColor(COLOR_WINDOWTEXT);
  const float textY = ly + barH + 1;
  drawText(g, font, L"0 %", lx, textY, text);
  drawText(g, font, L"5 %", lx + barW / 2, textY, text, gp::StringAlignmentCenter);
  drawText(g, font, L"≥ 10 % verfehlt", lx + barW, textY, text, gp::StringAlignmentCenter);
  const gp::SolidBrush untried(gp::Color(255, 255, 255, 255));
  const gp::Pen frame(argb(::GetSysColor(COLOR_GRAYTEXT)), 1.0f);
  const float ux = lx + barW + static_cast<float>(scaled(60, dpi));
  g.FillRectangle(&untried, ux, ly, barH * 1.6f, barH);
  g.DrawRectangle(&frame, ux, ly, barH * 1.6f, barH);
  drawText(g, font, L"zu selten geübt", ux + barH * 2.0f, ly - 2, text);
}

}  // namespace kv
