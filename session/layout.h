// The exercise window's size and text scaling. The learner makes the text
// larger or smaller by dragging the window: every width snaps to the width at
// which the widest exercise line just fits at some text size, the height to
// whole text rows. Everything here is arithmetic over measured numbers; the
// window measures through TextMeasurer and the metrics records and applies
// the rectangles it gets back.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"
#include "keyboard/keyboard_geometry.h"

namespace kv {

// Lengths the layout names at 96 pixels per inch, scaled to the screen.
struct DensityLengths {
  int m4 = 4;
  int m7 = 7;
  int m15 = 15;
  int m16 = 16;
  bool operator==(const DensityLengths&) const = default;
};

// A screen that reports no density is taken as 96 pixels per inch.
DensityLengths densityLengths(int pixelsPerInch);

struct TextExtent {
  int width = 0;
  int height = 0;
  bool operator==(const TextExtent&) const = default;
};

// One font, measured at any point size. The window side measures with the
// real font on a device context; tests fake it.
class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  // `text` is Windows-1252.
  virtual TextExtent measure(std::string_view text, int points) = 0;
};

// Measured on the live window each time the sizes are computed.
struct LayoutMetrics {
  DensityLengths lengths;
  int frameW = 0;  // exercise window: window width minus client width
  int frameH = 0;  // exercise window: window height minus client height
  int edgeX = 0;   // the platform's 3D edge
  int edgeY = 0;
  int gripW = 0;  // vertical scroll bar width
  int gripH = 0;  // horizontal scroll bar height
  // The typing field (an edit control).
  int fieldMarginLeft = 0;
  int fieldMarginRight = 0;
  int fieldFormatTop = 0;  // top of its formatting rectangle
  int fieldFrameW = 0;     // its window width minus its client width
  // The end button.
  int buttonWidth = 0;
  int buttonHeight = 0;

  int marginsX() const { return fieldMarginLeft + fieldMarginRight; }
  int fieldOverheadY() const { return 2 * edgeY + 2 * fieldFormatTop + 2; }
};

// The widest line with one space appended, in the typing field's font at 10
// points. Only a strictly wider line replaces the current one, so the first
// of equally wide lines wins; 0 without lines.
int longestLineIndex(const std::vector<std::string>& lines, TextMeasurer& fieldFont);

// Width and height of the widest line (with its space) at every text size.
struct TextSizeTable {
  int longestLineIndex = 0;
  bool fixedPitch = false;
  std::array<TextExtent, kTextSizeCount> extents{};

  // Sizes outside 8-250 answer for the nearest size inside.
  int width(int textSize) const;
  int height(int textSize) const;
};

// With a fixed-pitch font (judged at 250 points: the line is as wide as its
// characters times a space, and as high as a space) every width is the
// character count times the space width, which saves measuring long lines.
TextSizeTable measureTextSizes(const std::vector<std::string>& lines, TextMeasurer& fieldFont);

// Everything the negotiation and the layout need, fixed until the sizes are
// computed again (new text, new system metrics).
struct SizeRules {
  ExerciseForm form = ExerciseForm::RunningText;
  LayoutMetrics metrics;
  TextSizeTable text;
  KeyboardSizeTable keyboard;
  int initialTextSize = kMinTextSize;  // s0: the smallest size offered
  int minWidth = 0;
  int minHeight = 0;

  // The window size at which text size s just fits.
  int requiredWidth(int textSize) const;
  int requiredHeight(int textSize) const;
};

SizeRules computeTextSizes(ExerciseForm form, const std::vector<std::string>& lines,
                           TextMeasurer& fieldFont, const LayoutMetrics& metrics);

// s0 from a filled table: the first size at which a window for the text would
// be wider than kCompactWindowWidth (250 when none is). For Leuchttastei the
// largest size at which the keyboard still fits, or 8 when it fits at none.
int initialTextSize(ExerciseForm form, const TextSizeTable& text, const KeyboardSizeTable& keyboard,
                    const LayoutMetrics& metrics);

// Window or control position and size, in pixels of the parent's client area.
struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Bounds&) const = default;
};

struct NegotiationInput {
  bool ready = false;  // preparation has finished
  bool maximised = false;
  bool minimised = false;
  int textSize = kMinTextSize;  // current s, kept when the proposal is ignored
  int maxWidth = 0;             // 0: no maximum
  int maxHeight = 0;
  int mainClientWidth = 0;
  int mainClientHeight = 0;
};

struct NegotiatedSize {
  Bounds window;
  int textSize = kMinTextSize;
  int minHeight = 0;  // the window's minimum height for this text size
  bool applied = false;
};

// Answers the platform's position-changing notification: the proposed
// window rectangle in, the one to use out.
NegotiatedSize negotiateSize(const SizeRules& rules, const NegotiationInput& input,
                             const Bounds& proposed);

struct ControlLayoutInput {
  int clientWidth = 0;
  int clientHeight = 0;
  int textSize = kMinTextSize;
  // "\r<hint>\r\r<prompt>": the hint line decides the prompt's font size.
  std::string_view promptText;
  int windowFontPoints = 8;
  // The prompt's own size, used only when its text has no hint line.
  int promptWidth = 0;
  int promptHeight = 0;
};

struct ControlLayout {
  int minWidth = 0;
  Bounds endButton;
  Bounds display;  // template display; for Leuchttastei the keyboard image
  Bounds field;    // typing field
  Bounds prompt;
  int promptPoints = 0;
  Bounds sizeGrip;
  bool operator==(const ControlLayout&) const = default;
};

// The hint shrinks a point at a time until it fits the typing field, but
// never below this.
inline constexpr int kMinHintPoints = 6;

// Pure rectangles; the window moves only the controls whose place changed.
// `windowFont` measures the exercise window's own font (the prompt's).
ControlLayout layoutControls(const SizeRules& rules, const ControlLayoutInput& input,
                             TextMeasurer& windowFont);

// The text between the prompt's first "\r" and the "\r\r" after it; empty
// when there is none.
std::string_view promptHintLine(std::string_view promptText);

// Gripping the square in the bottom-right corner resizes the window.
Bounds sizeGripBounds(int clientWidth, int clientHeight, const LayoutMetrics& metrics);
bool hitsSizeGrip(const Bounds& grip, int x, int y);

// The size the window opens with, before the negotiation snaps it: over a
// maximised main window a share of its width that grows with the widest
// line's length (55 to 70 characters), otherwise the whole client area.
Bounds initialWindowSize(int mainClientWidth, int mainClientHeight, bool mainMaximised,
                         int widestLineLength);

}  // namespace kv
