// The Lernverlauf as a screen reader meets it: its two charts each described
// in words, and the map of missed keys as keys that say their figures. The
// lists and buttons are standard controls and speak for themselves.
#include "history/chart_words.h"
#include "platform/win/controls.h"
#include "platform/win/strings.h"
#include "platform/win/system_info.h"
#include "ui/history/history_window_win.h"

namespace kv {

RECT HistoryWindow::chartInner() const {
  RECT inner = chartRect_;
  const win::DialogUnits du(dialogFont_.get());
  ::InflateRect(&inner, -du.x(3), -du.y(3));
  return inner;
}

RECT HistoryWindow::onScreen(RECT r) const {
  ::MapWindowPoints(hwnd_, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::vector<int> HistoryWindow::accessibleChildren(int node) {
  std::vector<int> children;
  if (empty()) return children;
  if (node == 0) children = {kSpeedChartNode, kErrorChartNode, kKeyMapNode};
  if (node == kKeyMapNode) {
    for (std::size_t k = 0; k < spots_.size(); ++k) children.push_back(kFirstMapKeyNode + static_cast<int>(k));
  }
  return children;
}

win::AccessibleFacts HistoryWindow::accessibleFacts(int node) {
  win::AccessibleFacts facts;
  const ChartPanels panels = chartPanels(chartInner(), win::screenPixelsPerInch());
  const auto panel = [&](float top, float height) {
    // The panel with its title above it.
    return onScreen(RECT{static_cast<LONG>(panels.left), static_cast<LONG>(top - panels.titleHeight),
                         static_cast<LONG>(panels.right), static_cast<LONG>(top + height)});
  };
  switch (node) {
    case 0: {
      facts.name = L"Lernverlauf";
      RECT client{};
      ::GetClientRect(hwnd_, &client);
      facts.screen = onScreen(client);
      break;
    }
    case kSpeedChartNode:
    case kErrorChartNode: {
      const bool speed = node == kSpeedChartNode;
      facts.name = speed ? L"Anschläge pro Minute" : L"Fehlerprozent";
      facts.role = win::AccRole::Chart;
      facts.state = win::AccState::ReadOnly;
      facts.description = win::widen(chartInWords(
          chart_, scale_, speed ? ChartMeasure::KeystrokesPerMinute : ChartMeasure::ErrorPercent));
      if (panels.fits) {
        facts.screen = speed ? panel(panels.top, panels.speedHeight) : panel(panels.errorsTop, panels.errorsHeight);
      }
      break;
    }
    case kKeyMapNode:
      facts.name = L"Verfehlte Tasten";
      facts.role = win::AccRole::Grouping;
      facts.description = L"Jede Taste nennt ihre Fehler und Anschläge.";
      facts.screen = onScreen(heatRect_);
      break;
    default: {
      const int k = node - kFirstMapKeyNode;
      if (k < 0 || k >= static_cast<int>(spots_.size())) break;
      const HeatKeySpot& spot = spots_[static_cast<std::size_t>(k)];
      const std::wstring text = win::widen(spot.text);
      // "Taste F: 7 Fehler in 120 Anschlägen (5,8 %)": the name before the colon.
      const std::size_t colon = text.find(L':');
      facts.name = colon == std::wstring::npos ? text : text.substr(0, colon);
      facts.description = text;
      facts.role = win::AccRole::Graphic;
      facts.state = win::AccState::ReadOnly;
      facts.screen = onScreen(spot.rect);
      break;
    }
  }
  return facts;
}

}  // namespace kv
