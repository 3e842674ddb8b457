// The history window's two pictures: the chart of speed and errors, drawn
// with GDI+ for smooth lines at any screen density, and the keyboard heat map.
#include "ui/history/history_window_win.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <tuple>

#include <objidl.h>  // GDI+ needs what WIN32_LEAN_AND_MEAN leaves out

// GDI+'s headers use min and max unqualified; NOMINMAX took the macros away.
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "core/palette.h"
#include "core/settings.h"
#include "history/key_figures.h"
#include "platform/encoding.h"
#include "platform/win/later_library.h"
#include "platform/win/strings.h"
#include "ui/history/heat_map_tips_win.h"
#include "ui/shared/system_colours_win.h"

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

// Each form's line has its own stroke as well as its own colour and marker.
gp::DashStyle formDash(int form) {
  switch (form) {
    case 1: return gp::DashStyleSolid;
    case 2: return gp::DashStyleDash;
    case 3: return gp::DashStyleDot;
    default: return gp::DashStyleDashDot;
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
  // A faint grid in the program's colours; in the system's a dotted one in
  // grey text itself, since a blend would be a colour of its own.
  const bool system = systemColoursOn();
  gp::Pen grid(argb(::GetSysColor(COLOR_GRAYTEXT), system ? 255 : 60), 1.0f);
  if (system) grid.SetDashStyle(gp::DashStyleDot);
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

// In the system's colours every line is window text; marker and stroke tell
// the forms apart.
COLORREF formColour(int form) {
  return systemColoursOn() ? ::GetSysColor(COLOR_WINDOWTEXT) : static_cast<COLORREF>(palette::chartFormColour(form));
}

COLORREF heatColour(double rate) { return static_cast<COLORREF>(palette::heatColour(rate)); }

ChartPanels chartPanels(const RECT& area, int dpi) {
  ChartPanels p;
  p.left = static_cast<float>(area.left + scaled(52, dpi));
  p.right = static_cast<float>(area.right - scaled(10, dpi));
  const float legendHeight = static_cast<float>(scaled(22, dpi));
  const float axisHeight = static_cast<float>(scaled(20, dpi));
  p.titleHeight = static_cast<float>(scaled(20, dpi));
  p.top = static_cast<float>(area.top) + legendHeight + p.titleHeight;
  p.bottom = static_cast<float>(area.bottom) - axisHeight;
  const float gap = p.titleHeight + static_cast<float>(scaled(8, dpi));
  const float usable = p.bottom - p.top - gap;
  p.fits = usable >= 40 && p.right - p.left >= 60;
  p.speedHeight = usable * 0.58f;
  p.errorsTop = p.top + usable * 0.58f + gap;
  p.errorsHeight = usable * 0.42f;
  return p;
}

void drawChart(HDC dc, const RECT& area, const ChartData& data, ChartScale scale, const ChartLook& look) {
  if (drawnWithoutGdiplus(dc, area)) return;
  gp::Graphics g(dc);
  g.SetSmoothingMode(gp::SmoothingModeAntiAlias);
  g.SetTextRenderingHint(gp::TextRenderingHintAntiAliasGridFit);
  const gp::Font font(dc, look.font);
  const int dpi = look.dpi;
  const ChartPanels places = chartPanels(area, dpi);
  const float left = places.left;
  const float right = places.right;
  const float bottom = places.bottom;
  if (!places.fits) return;

  Panel speed{gp::RectF(left, places.top, right - left, places.speedHeight), data.kpmTop};
  Panel errors{gp::RectF(left, places.errorsTop, right - left, places.errorsHeight), data.percentTop};
  drawPanel(g, speed, font, L"Anschläge pro Minute", dpi);
  drawPanel(g, errors, font, L"Fehlerprozent", dpi);

  // Legend: the four forms with their colour, stroke and marker, in one row.
  float x = left;
  const float y = static_cast<float>(area.top) + static_cast<float>(scaled(4, dpi));
  const float r = static_cast<float>(scaled(4, dpi));
  const BYTE lineAlpha = systemColoursOn() ? 255 : 210;
  for (int form = 1; form <= 4; ++form) {
    if (data.series[static_cast<std::size_t>(form - 1)].empty()) continue;
    const std::wstring name = wide(formName(form));
    gp::Pen sample(argb(formColour(form), lineAlpha), static_cast<float>(scaled(2, dpi)));
    sample.SetDashStyle(formDash(form));
    g.DrawLine(&sample, x, y + r * 2, x + 6 * r, y + r * 2);
    drawMarker(g, form, x + 3 * r, y + r * 2, r, formColour(form));
    drawText(g, font, name, x + 7 * r, y, ::GetSysColor(COLOR_WINDOWTEXT));
    gp::RectF box;
    g.MeasureString(name.c_str(), static_cast<INT>(name.size()), &font, gp::PointF(0, 0), &box);
    x += 7 * r + box.Width + static_cast<float>(scaled(14, dpi));
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
    gp::Pen pen(argb(colour, lineAlpha), static_cast<float>(scaled(2, dpi)));
    pen.SetDashStyle(formDash(form));
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

namespace {

// The keys of the map by their rectangle: the characters typed on each and
// their strokes together.
struct KeyOnMap {
  std::vector<unsigned char> chars;
  KeyTally tally;
};
std::map<std::tuple<int, int, int, int>, KeyOnMap> keysOnMap(const KeyTable& table,
                                                             const std::array<KeyTally, 256>& keys) {
  std::map<std::tuple<int, int, int, int>, KeyOnMap> perKey;
  for (int i = 1; i <= table.count; ++i) {
    const KeyEntry& e = table.entries[static_cast<std::size_t>(i)];
    if (e.rect.right <= e.rect.left) continue;
    KeyOnMap& k = perKey[{e.rect.left, e.rect.top, e.rect.right, e.rect.bottom}];
    if (std::find(k.chars.begin(), k.chars.end(), e.ch) != k.chars.end()) continue;
    k.chars.push_back(e.ch);
    k.tally.needed += keys[e.ch].needed;
    k.tally.missed += keys[e.ch].missed;
  }
  return perKey;
}

// Where the keyboard picture goes in `area`: as large as it fits above the
// legend, at most its natural size, centred across.
struct HeatPlace {
  int x = 0, top = 0, width = 0, height = 0;
  double scale = 1;
};
std::optional<HeatPlace> placeHeatMap(const RECT& area, int w, int h, int dpi) {
  const int legendHeight = scaled(40, dpi);
  const int availableW = area.right - area.left;
  const int availableH = area.bottom - area.top - legendHeight;
  if (availableH <= 20 || w <= 0 || h <= 0) return std::nullopt;
  HeatPlace p;
  p.scale = std::min({1.0, static_cast<double>(availableW) / w, static_cast<double>(availableH) / h});
  p.width = static_cast<int>(w * p.scale);
  p.height = static_cast<int>(h * p.scale);
  p.x = area.left + (availableW - p.width) / 2;
  p.top = area.top;
  return p;
}

}  // namespace

std::vector<HeatKeySpot> heatMapSpots(const RECT& area, const win::KeyboardRenderer& picture, const KeyTable& table,
                                      const std::array<KeyTally, 256>& keys, int dpi) {
  std::vector<HeatKeySpot> spots;
  if (!picture.ready()) return spots;
  const auto place = placeHeatMap(area, picture.width(), picture.height(), dpi);
  if (!place) return spots;
  const auto at = [&](int v, int origin) { return origin + static_cast<int>(std::lround(v * place->scale)); };
  for (const auto& [rect, key] : keysOnMap(table, keys)) {
    const auto [l, t, r, b] = rect;
    spots.push_back({RECT{at(l, place->x), at(t, place->top), at(r, place->x), at(b, place->top)},
                     keyMissFigure(key.chars, key.tally)});
  }
  return spots;
}

void drawHeatMap(HDC dc, const RECT& area, const win::KeyboardRenderer& picture, const KeyTable& table,
                 const std::array<KeyTally, 256>& keys, const ChartLook& look) {
  if (!picture.ready() || area.right <= area.left || area.bottom <= area.top) return;
  const int w = picture.width(), h = picture.height();
  win::Canvas tinted;
  if (!tinted.resize(w, h)) return;
  picture.paint(tinted.dc(), 0, 0);

  // The keys are drawn white with black captions; ANDing a colour over them
  // colours the key and leaves the captions black. In the system's colours a
  // bar along the key's foot grows with its rate instead, in the highlight.
  const bool system = systemColoursOn();
  const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
  const COLORREF windowText = ::GetSysColor(COLOR_WINDOWTEXT);
  for (const auto& [rect, key] : keysOnMap(table, keys)) {
    const KeyTally& tally = key.tally;
    if (tally.needed < kHeatLeast) continue;
    const auto [l, t, r, b] = rect;
    const double rate = static_cast<double>(tally.missed) / tally.needed;
    if (system) {
      const int barH = std::max(2, (b - t) / 7);
      const RECT well{l + 3, b - 3 - barH, r - 3, b - 3};
      const win::Brush frameBrush(::CreateSolidBrush(windowText));
      ::FrameRect(tinted.dc(), &well, frameBrush.get());
      const int full = well.right - well.left - 2;
      const int length = static_cast<int>(std::lround(full * std::clamp(rate / palette::kHeatFullRate, 0.0, 1.0)));
      const RECT bar{well.left + 1, well.top + 1, well.left + 1 + length, well.bottom - 1};
      const win::Brush barBrush(::CreateSolidBrush(highlight));
      if (length > 0) ::FillRect(tinted.dc(), &bar, barBrush.get());
      continue;
    }
    const win::Brush brush(::CreateSolidBrush(heatColour(rate)));
    const win::ScopedSelect select(tinted.dc(), brush.get());
    constexpr DWORD kPatternAnd = 0x00A000C9;
    ::PatBlt(tinted.dc(), l + 1, t + 1, r - l - 2, b - t - 2, kPatternAnd);
  }

  const int dpi = look.dpi;
  const auto place = placeHeatMap(area, w, h, dpi);
  if (!place) return;
  const int dw = place->width, dh = place->height, x = place->x;
  // Halftone blends neighbouring pixels into colours of their own, which the
  // system's colours must not have.
  ::SetStretchBltMode(dc, system ? COLORONCOLOR : HALFTONE);
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
  if (system) {
    // The bar as it grows from none to a tenth missed.
    const gp::SolidBrush bar(argb(highlight));
    const gp::Pen edge(argb(windowText), 1.0f);
    const gp::PointF wedge[] = {{lx, ly + barH}, {lx + barW, ly}, {lx + barW, ly + barH}};
    g.FillPolygon(&bar, wedge, 3);
    g.DrawRectangle(&edge, lx, ly, barW, barH);
  } else {
    for (int k = 0; k < 40; ++k) {
      const gp::SolidBrush step(argb(heatColour(palette::kHeatFullRate * k / 39.0)));
      g.FillRectangle(&step, lx + barW * static_cast<float>(k) / 40.0f, ly, barW / 40.0f + 1.0f, barH);
    }
  }
  const COLORREF text = windowText;
  const float textY = ly + barH + 1;
  drawText(g, font, L"0 %", lx, textY, text);
  drawText(g, font, L"5 %", lx + barW / 2, textY, text, gp::StringAlignmentCenter);
  drawText(g, font, L"≥ 10 % verfehlt", lx + barW, textY, text, gp::StringAlignmentCenter);
  const gp::SolidBrush untried(system ? argb(::GetSysColor(COLOR_WINDOW)) : gp::Color(255, 255, 255, 255));
  const gp::Pen frame(argb(::GetSysColor(COLOR_GRAYTEXT)), 1.0f);
  const float ux = lx + barW + static_cast<float>(scaled(60, dpi));
  g.FillRectangle(&untried, ux, ly, barH * 1.6f, barH);
  g.DrawRectangle(&frame, ux, ly, barH * 1.6f, barH);
  drawText(g, font, L"zu selten geübt", ux + barH * 2.0f, ly - 2, text);
}

}  // namespace kv
