#include "session/layout.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace kv {

namespace {

// Text sizes are measured at 10 points to find the widest line.
constexpr int kProbePoints = 10;
// Fixed pitch is judged at the largest size, where rounding hides least.
constexpr int kPitchProbePoints = kMaxTextSize;

// Room around the text when choosing s0: 2 × 7 + 2 × 16 + 22, the lengths at
// 96 pixels per inch, so that s0 does not depend on the screen's density.
constexpr int kCompactAllowance = 68;
// Padding of the display panels (rows) and of the typing field (columns) not
// covered by the density-scaled lengths.
constexpr int kPanelPadding = 24;
constexpr int kFieldPadding = 22;

std::size_t tableIndex(int textSize) {
  return static_cast<std::size_t>(std::clamp(textSize, kMinTextSize, kMaxTextSize) - kMinTextSize);
}

int clampToInt(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

int panelRows(ExerciseForm form) { return form == ExerciseForm::OnScreenText ? 6 : 2; }

}  // namespace

DensityLengths densityLengths(int pixelsPerInch) {
  const int ppi = pixelsPerInch > 0 ? pixelsPerInch : 96;
  // Integer division is the exact truncation of ppi / 96 × n; going through
  // floating point could land just below a whole number.
  const auto scaled = [ppi](int n) { return clampToInt(std::int64_t{ppi} * n / 96); };
  return {scaled(4), scaled(7), scaled(15), scaled(16)};
}

int longestLineIndex(const std::vector<std::string>& lines, TextMeasurer& fieldFont) {
  int widest = 0;
  int widestWidth = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int width = fieldFont.measure(lines[i] + ' ', kProbePoints).width;
    if (i == 0 || width > widestWidth) {
      widest = static_cast<int>(i);
      widestWidth = width;
    }
  }
  return widest;
}

int TextSizeTable::width(int textSize) const { return extents[tableIndex(textSize)].width; }

int TextSizeTable::height(int textSize) const { return extents[tableIndex(textSize)].height; }

TextSizeTable measureTextSizes(const std::vector<std::string>& lines, TextMeasurer& fieldFont) {
  TextSizeTable table;
  table.longestLineIndex = longestLineIndex(lines, fieldFont);
  std::string line;
  if (!lines.empty()) line = lines[static_cast<std::size_t>(table.longestLineIndex)];
  line += ' ';
  const auto chars = static_cast<std::int64_t>(line.size());

  const TextExtent lineAtProbe = fieldFont.measure(line, kPitchProbePoints);
  const TextExtent spaceAtProbe = fieldFont.measure(" ", kPitchProbePoints);
  table.fixedPitch =
      lineAtProbe.width == chars * spaceAtProbe.width && lineAtProbe.height == spaceAtProbe.height;

  for (int s = kMinTextSize; s <= kMaxTextSize; ++s) {
    TextExtent& extent = table.extents[tableIndex(s)];
    if (table.fixedPitch) {
      const TextExtent space = fieldFont.measure(" ", s);
      extent = {clampToInt(chars * space.width), space.height};
    } else {
      extent = fieldFont.measure(line, s);
    }
  }
  return table;
}

int SizeRules::requiredWidth(int textSize) const {
  const DensityLengths& m = metrics.lengths;
  if (form == ExerciseForm::LitKeys) {
    return metrics.frameW + 2 * m.m16 + keyboard.at(textSize).width;
  }
  return metrics.frameW + 2 * m.m7 + 2 * m.m16 + kFieldPadding + text.width(textSize);
}

int SizeRules::requiredHeight(int textSize) const {
  const DensityLengths& m = metrics.lengths;
  const int h = text.height(textSize);
  const int common =
      metrics.frameH + metrics.fieldOverheadY() + metrics.buttonHeight + m.m15 + 3 * m.m16;
  switch (form) {
    case ExerciseForm::RunningText:
    case ExerciseForm::OnScreenText:
      // The panel's rows plus the one typing row.
      return common + (panelRows(form) + 1) * h + 2 * m.m4 + kPanelPadding;
    case ExerciseForm::LitKeys:
      return common + keyboard.at(textSize).height + h;
    default:
      return common + h;
  }
}

int initialTextSize(ExerciseForm form, const TextSizeTable& text, const KeyboardSizeTable& keyboard,
                    const LayoutMetrics& metrics) {
  if (form == ExerciseForm::LitKeys) {
    // The keyboard alone is 585 pixels wide at its smallest; with its offset on
    // both sides it rarely fits, and then the smallest text size is the answer.
    return keyboard.largestFittingTextSize >= kMinTextSize ? keyboard.largestFittingTextSize
                                                           : kMinTextSize;
  }
  for (int s = kMinTextSize; s <= kMaxTextSize; ++s) {
    if (text.width(s) + metrics.frameW + metrics.marginsX() + kCompactAllowance >
        kCompactWindowWidth) {
      return s;
    }
  }
  return kMaxTextSize;
}

SizeRules computeTextSizes(ExerciseForm form, const std::vector<std::string>& lines,
                           TextMeasurer& fieldFont, const LayoutMetrics& metrics) {
  SizeRules rules;
  rules.form = form;
  rules.metrics = metrics;
  rules.text = measureTextSizes(lines, fieldFont);

  KeyboardSizeInput keyboardInput;
  for (int s = kMinTextSize; s <= kMaxTextSize; ++s) {
    keyboardInput.textWidths[tableIndex(s)] = rules.text.width(s);
  }
  keyboardInput.textMargin = metrics.fieldMarginLeft;
  keyboardInput.imageLeft = metrics.lengths.m16;
  keyboardInput.density16 = metrics.lengths.m16;
  rules.keyboard = buildKeyboardSizeTable(keyboardInput);

  rules.initialTextSize = initialTextSize(form, rules.text, rules.keyboard, metrics);
  rules.minWidth = rules.requiredWidth(rules.initialTextSize);
  rules.minHeight = rules.requiredHeight(rules.initialTextSize);
  if (form == ExerciseForm::RunningText || form == ExerciseForm::OnScreenText) {
    // Until the first negotiation the panel's padding counts as 2 × m16; at
    // 96 pixels per inch both are 32.
    const DensityLengths& m = metrics.lengths;
    rules.minHeight += 2 * m.m16 - (2 * m.m4 + kPanelPadding);
  }
  return rules;
}

NegotiatedSize negotiateSize(const SizeRules& rules, const NegotiationInput& input,
                             const Bounds& proposed) {
  NegotiatedSize out;
  out.window = proposed;
  out.textSize = input.textSize;
  out.minHeight = rules.requiredHeight(input.textSize);
  if (!input.ready || input.maximised || input.minimised) return out;
  out.applied = true;

  const int mainW = input.mainClientWidth;
  const int mainH = input.mainClientHeight;
  const auto fits = [&](int s) {
    return rules.requiredWidth(s) <= mainW && rules.requiredHeight(s) <= mainH;
  };

  int width = proposed.width;
  if (input.maxWidth > 0) width = std::min(width, input.maxWidth);
  if (rules.minWidth > 0) width = std::max(width, rules.minWidth);

  // The largest size whose window the proposed width covers, then the next
  // one as well once the width is past half-way to it. Sizes whose window
  // would not fit into the main window are never taken, so a drag beyond the
  // main window's edge cannot push the window out of it.
  int s = std::clamp(rules.initialTextSize, kMinTextSize, kMaxTextSize);
  while (s < kMaxTextSize && width >= rules.requiredWidth(s + 1) && fits(s + 1)) ++s;
  if (s < kMaxTextSize) {
    const int here = rules.requiredWidth(s);
    const int next = rules.requiredWidth(s + 1);
    if (width > here + (next - here) / 2 && fits(s + 1)) ++s;
  }
  out.window.width = rules.requiredWidth(s);
  out.textSize = s;
  out.minHeight = rules.requiredHeight(s);

  // Whole rows of text: the nearer row count, the larger one only when it
  // still fits, and never more rows than the main window holds (one at least).
  int height = proposed.height;
  if (input.maxHeight > 0) height = std::min(height, input.maxHeight);
  height = std::max(height, out.minHeight);
  const int row = rules.text.height(s);
  if (row > 0) {
    const int base = out.minHeight - row;
    int rows = (height - base) / row;
    const int rest = (height - base) % row;
    // `rest > 0` matters only for one-pixel rows, which would otherwise grow
    // by a row on every negotiation.
    if (rest > 0 && rest >= row / 2 && base + (rows + 1) * row <= mainH) ++rows;
    if (base + rows * row > mainH) rows = std::max(1, (mainH - base) / row);
    height = base + rows * row;
  } else {
    // A font that reports no height gives nothing to snap to.
    height = out.minHeight;
  }
  out.window.height = height;

  if (out.window.left + out.window.width > mainW) out.window.left = mainW - out.window.width;
  out.window.left = std::max(out.window.left, 0);
  if (out.window.top + out.window.height > mainH) out.window.top = mainH - out.window.height;
  out.window.top = std::max(out.window.top, 0);
  return out;
}

std::string_view promptHintLine(std::string_view promptText) {
  const std::size_t start = promptText.find('\r');
  if (start == std::string_view::npos) return {};
  const std::size_t end = promptText.find("\r\r", start + 1);
  if (end == std::string_view::npos) return {};
  return promptText.substr(start + 1, end - start - 1);
}

Bounds sizeGripBounds(int clientWidth, int clientHeight, const LayoutMetrics& metrics) {
  return {clientWidth - metrics.gripW - metrics.edgeX / 2,
          clientHeight - metrics.gripH - metrics.edgeY / 2, metrics.gripW, metrics.gripH};
}

bool hitsSizeGrip(const Bounds& grip, int x, int y) {
  return x >= grip.left && x < grip.left + grip.width && y >= grip.top &&
         y < grip.top + grip.height;
}

ControlLayout layoutControls(const SizeRules& rules, const ControlLayoutInput& input,
                             TextMeasurer& windowFont) {
  const LayoutMetrics& metrics = rules.metrics;
  const DensityLengths& m = metrics.lengths;
  const int cw = input.clientWidth;
  const int ch = input.clientHeight;
  const int s = std::clamp(input.textSize, kMinTextSize, kMaxTextSize);
  const int textWidth = rules.text.width(s);

  ControlLayout out;
  out.minWidth = rules.minWidth;
  out.sizeGrip = sizeGripBounds(cw, ch, metrics);
  out.endButton = {(cw - metrics.buttonWidth) / 2, ch - metrics.buttonHeight - m.m15,
                   metrics.buttonWidth, metrics.buttonHeight};

  switch (rules.form) {
    case ExerciseForm::RunningText:
    case ExerciseForm::OnScreenText:
      out.display = {m.m16, m.m16, cw - 2 * m.m16,
                     panelRows(rules.form) * rules.text.height(s) + 2 * m.m4 + kPanelPadding};
      break;
    case ExerciseForm::LitKeys:
      out.display = {m.m16, m.m16, rules.keyboard.at(s).width, rules.keyboard.at(s).height};
      break;
    default:
      // Nothing to show; one pixel high keeps the control but hides it.
      out.display = {m.m16, m.m16, cw - 2 * m.m16, 1};
      break;
  }
  out.display.width = std::max(out.display.width, 0);

  out.field.width = textWidth + metrics.marginsX();
  out.field.left = (cw - metrics.marginsX() - textWidth) / 2;
  out.field.top =
      rules.form == ExerciseForm::FromPaper ? 2 * m.m16 : 2 * out.display.top + out.display.height;
  // A window not yet negotiated can be too small for the field.
  out.field.height = std::max(out.endButton.top - out.display.height - 3 * out.display.top, 0);

  const std::string_view hint = promptHintLine(input.promptText);
  if (hint.empty()) {
    out.promptPoints = input.windowFontPoints;
    out.prompt = {out.field.left + (out.field.width - input.promptWidth) / 2,
                  out.field.top + (out.field.height - input.promptHeight) / 9 * 4,
                  input.promptWidth, input.promptHeight};
    return out;
  }

  const auto length = static_cast<double>(hint.size());
  const int fieldClientWidth = out.field.width - metrics.fieldFrameW;
  int points = input.windowFontPoints;
  TextExtent extent = windowFont.measure(hint, points);
  double average = extent.width / length;
  while ((length + 3) * average > fieldClientWidth && points > kMinHintPoints) {
    --points;
    extent = windowFont.measure(hint, points);
    average = extent.width / length;
  }
  const int promptWidth = static_cast<int>((length + 4) * average) - 5;
  const int promptHeight = 6 * extent.height;
  out.promptPoints = points;
  out.prompt = {out.field.left + (out.field.width - promptWidth + 5) / 2,
                out.field.top + (out.field.height - promptHeight) / 9 * 4, promptWidth,
                promptHeight};
  return out;
}

Bounds initialWindowSize(int mainClientWidth, int mainClientHeight, bool mainMaximised,
                         int widestLineLength) {
  Bounds b{0, 0, mainClientWidth, mainClientHeight};
  if (mainMaximised) {
    const std::int64_t length = std::clamp(widestLineLength, 55, 70);
    // Exact truncation of W / 70 × L and H / 10 × 9.
    b.width = clampToInt(std::int64_t{mainClientWidth} * length / 70);
    b.height = clampToInt(std::int64_t{mainClientHeight} * 9 / 10);
  }
  b.left = (mainClientWidth - b.width) / 2;
  b.top = (mainClientHeight - b.height) / 2;
  return b;
}

}  // namespace kv
