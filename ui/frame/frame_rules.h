// The main window's decisions that need no window: the status line's
// arithmetic, the command-line file, the program's archive entry, the open
// command's state and the size rules for a child.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ui/shared/requests.h"

namespace kv {

// Pixel width of a Windows-1252 text in the status line's font.
using TextWidth = std::function<int(std::string_view)>;

inline constexpr int kStatusPanels = 5;
struct StatusLayout {
  std::array<int, kStatusPanels> widths{};
  // Right edges, as the status bar control takes them.
  std::array<int, kStatusPanels> rightEdges() const;
};

StatusLayout statusLayout(const TextWidth& width);

// Height of the status line from the height of the clock text.
int statusLineHeight(int clockTextHeight);

// The texts whose widths size the panels.
std::string statusHintHidden();  // "Status einblenden mit Strg+T"
std::string statusHintShown();   // "Status ausblenden mit Strg+T"
std::string timerActiveText();   // "Timer aktiv"
std::string speedText(std::string_view number);
std::string keystrokesText(std::string_view number);

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

// Where status panel 4 draws the exercise's progress: a frame inset from the
// panel, and how much of the inside is filled.
struct ProgressBarShape {
  Rect frame;
  Rect fill;  // empty (left == right) when nothing is typed yet
};
ProgressBarShape progressBarShape(const Rect& panel, int edgeX, int edgeY, int ppi,
                                  std::int32_t live, std::int32_t total);

// "Klavento 7 wirklich beenden?"
std::string closeQuestion();

// The saved exercise named by the first command-line argument, if any.
// Environment references are expanded; only an existing ".kvw" file counts.
using PathExpander = std::function<std::optional<std::string>(std::string_view)>;
using FileExists = std::function<bool(std::string_view)>;
std::optional<std::string> commandLineFile(std::string_view argument, const PathExpander& expand,
                                           const FileExists& exists);
// The same for a class test a learner opens by its file (".kvk").
std::optional<std::string> commandLineClassTest(std::string_view argument, const PathExpander& expand,
                                                const FileExists& exists);

// The open-saved-exercise command: available from the selection dialog and
// from a result window that shows a file, never during an open.
bool openCommandEnabled(ChildKind child, bool resultShowsFile, bool opening);

struct Size {
  int width = 0, height = 0;
  bool operator==(const Size&) const = default;
};

// The smallest client area the main window may be dragged to while a child is
// open: the child's size, or a maximised child's minimum size.
Size minimumClientForChild(const Size& child, bool childMaximised, const Size& childMinimum);

// A child that no longer fits at its place moves towards the top left.
Rect keepChildInside(const Rect& child, const Size& client);

// When a child outgrows the client area: how large the client area becomes
// (never beyond `largestClient`) and how large the child may stay.
struct GrowResult {
  Size client;
  Size child;
};
GrowResult growForChild(const Size& child, const Size& client, const Size& largestClient);

}  // namespace kv
