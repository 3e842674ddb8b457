#include "ui/frame/frame_rules.h"

#include <algorithm>

#include "core/common.h"
#include "platform/encoding.h"
#include "texts/text_model.h"

namespace kv {

std::array<int, kStatusPanels> StatusLayout::rightEdges() const {
  std::array<int, kStatusPanels> edges{};
  int x = 0;
  for (int i = 0; i < kStatusPanels; ++i) {
    x += widths[static_cast<std::size_t>(i)];
    edges[static_cast<std::size_t>(i)] = x;
  }
  return edges;
}

std::string statusHintHidden() { return "Status einblenden mit Strg+T"; }
std::string statusHintShown() { return "Status ausblenden mit Strg+T"; }
std::string timerActiveText() { return "Timer aktiv"; }
std::string speedText(std::string_view number) {
  return std::string(number) + w1252(" Anschläge/Minute");
}
std::string keystrokesText(std::string_view number) {
  return std::string(number) + w1252(" Gesamtanschläge");
}

StatusLayout statusLayout(const TextWidth& width) {
  const int w = width(timerActiveText());
  const auto r = [](double x) { return static_cast<int>(roundHalfEven(x)); };
  const int m = r(1.1 * (r(1.25 * w) - w));
  StatusLayout layout;
  layout.widths[0] = m + width(statusHintShown());
  layout.widths[1] = m + w;
  layout.widths[2] = m + width(speedText("9999"));
  layout.widths[3] = m + width(keystrokesText("99999"));
  layout.widths[4] = r(1.3 * layout.widths[1]);
  return layout;
}

int statusLineHeight(int clockTextHeight) {
  return clockTextHeight >= 16 ? clockTextHeight + 3 : 19;
}

ProgressBarShape progressBarShape(const Rect& panel, int edgeX, int edgeY, int ppi,
                                  std::int32_t live, std::int32_t total) {
  const int extraY = static_cast<int>(roundHalfEven(ppi / 96.0 * 0.67));
  ProgressBarShape shape;
  shape.frame = {panel.left + edgeX, panel.top + edgeY + extraY, panel.right - edgeX,
                 panel.bottom - edgeY - extraY};
  // The fill sits inside the one-pixel frame.
  Rect inside{shape.frame.left + 1, shape.frame.top + 1, shape.frame.right - 1,
              shape.frame.bottom - 1};
  if (inside.right < inside.left) inside.right = inside.left;
  int filled = 0;
  if (total > 0 && live > 0) {
    const double share = std::min(1.0, static_cast<double>(live) / total);
    filled = static_cast<int>(roundHalfEven(share * inside.width()));
  }
  shape.fill = {inside.left, inside.top, inside.left + filled, inside.bottom};
  return shape;
}

std::string closeQuestion() { return "Klavento 7 wirklich beenden?"; }

namespace {

bool hasExtension(std::string_view path, std::string_view wanted) {
  const std::size_t slash = path.find_last_of("\\/");
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  std::string ext(name.substr(dot));
  for (char& c : ext) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return ext == wanted;
}

std::optional<std::string> commandLineFileWith(std::string_view argument, const PathExpander& expand,
                                               const FileExists& exists, std::string_view extension) {
  if (argument.empty()) return std::nullopt;
  std::string path(argument);
  if (path.find('%') != std::string::npos) {
    const std::optional<std::string> expanded = expand ? expand(path) : std::nullopt;
    if (!expanded) return std::nullopt;
    path = expanded->substr(0, expanded->find('\0'));
  }
  if (!hasExtension(path, extension) || !exists(path)) return std::nullopt;
  return path;
}

}  // namespace

std::optional<std::string> commandLineFile(std::string_view argument, const PathExpander& expand,
                                           const FileExists& exists) {
  return commandLineFileWith(argument, expand, exists, ".kvw");
}

std::optional<std::string> commandLineClassTest(std::string_view argument, const PathExpander& expand,
                                                const FileExists& exists) {
  return commandLineFileWith(argument, expand, exists, ".kvk");
}

bool openCommandEnabled(ChildKind child, bool resultShowsFile, bool opening) {
  if (opening) return false;
  return child == ChildKind::Selection || (child == ChildKind::Result && resultShowsFile);
}

Size minimumClientForChild(const Size& child, bool childMaximised, const Size& childMinimum) {
  return childMaximised ? childMinimum : child;
}

Rect keepChildInside(const Rect& child, const Size& client) {
  Rect moved = child;
  const auto shift = [](int& low, int& high, int limit) {
    const int length = high - low;
    if (high > limit) low = limit - length;
    if (low < 0) low = 0;
    high = low + length;
  };
  shift(moved.left, moved.right, client.width);
  shift(moved.top, moved.bottom, client.height);
  return moved;
}

GrowResult growForChild(const Size& child, const Size& client, const Size& largestClient) {
  GrowResult result{client, child};
  const auto grow = [](int childLength, int clientLength, int largest, int& newClient,
                       int& newChild) {
    if (childLength <= clientLength) return;
    newClient = std::max(clientLength, std::min(childLength, largest));
    newChild = std::min(childLength, newClient);
  };
  grow(child.width, client.width, largestClient.width, result.client.width, result.child.width);
  grow(child.height, client.height, largestClient.height, result.client.height,
       result.child.height);
  return result;
}

}  // namespace kv
