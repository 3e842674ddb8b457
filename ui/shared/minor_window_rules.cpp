#include "ui/shared/minor_window_rules.h"

#include <algorithm>

#include "core/common.h"
#include "texts/text_model.h"

namespace kv {

PictureChoice choosePicture(int ppi) {
  const int s = static_cast<int>(roundHalfEven(ppi / 96.0 * 100.0));
  int c = s;
  while (c / 2 > 99) c /= 2;
  PictureChoice choice;
  if (c < 125) {
    choice.variant = 100;
  } else if (c < 150) {
    choice.variant = 125;
  } else if (c < 175) {
    choice.variant = 150;
  } else {
    choice.variant = 175;
  }
  // Below 96 ppi the rule gives 0: the picture then keeps its own size.
  choice.magnification = std::max(1, s / choice.variant);
  return choice;
}

bool exerciseTimeChoiceLocked(int form, std::int32_t pace, bool timeLimitReached) {
  return hasTimeLimit(formOf(form)) && pace > 0 && timeLimitReached;
}

bool keystrokesChoiceLocked(int form, std::int32_t pace) {
  return hasPace(formOf(form)) && pace > 0;
}

std::string cleanLearnerLine(std::string_view typed) {
  return clipLearnerLine(trimName(typed));
}

ResultOptions resultOptionsFrom(std::string_view line1, std::string_view line2,
                                bool showExerciseTime, bool showKeystrokesPerMinute, int form,
                                std::int32_t pace) {
  ResultOptions options;
  options.learnerLine1 = cleanLearnerLine(line1);
  options.learnerLine2 = cleanLearnerLine(line2);
  options.showExerciseTime = showExerciseTime;
  // A clocked exercise was typed at the set speed; stating it again says nothing.
  options.showKeystrokesPerMinute = showKeystrokesPerMinute && !keystrokesChoiceLocked(form, pace);
  return options;
}

std::uint32_t progressMinimumMs(bool evaluating) {
  return evaluating ? kEvaluationMinimumMs : kScanMinimumMs;
}

bool progressMinimumOver(std::uint32_t startTick, std::uint32_t now, bool evaluating) {
  return tickDiff(now, startTick) >= progressMinimumMs(evaluating);
}

std::string formatLabel(std::string_view format, std::string_view text, std::int64_t number) {
  std::string out;
  bool textUsed = false;
  bool numberUsed = false;
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    const char next = i + 1 < format.size() ? format[i + 1] : '\0';
    if (c == '%' && next == '%') {
      out += '%';
      ++i;
    } else if (c == '%' && next == 's' && !textUsed) {
      out += text;
      textUsed = true;
      ++i;
    } else if (c == '%' && next == 'd' && !numberUsed) {
      out += std::to_string(number);
      numberUsed = true;
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

std::int64_t buildNumber(std::string_view fileVersion) {
  const std::size_t dot = fileVersion.rfind('.');
  if (dot == std::string_view::npos) return 0;
  const std::string_view digits = fileVersion.substr(dot + 1);
  if (digits.empty() || digits.size() > 9) return 0;
  std::int64_t value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::string withThousands(std::uint64_t value, std::string_view separator) {
  const std::string digits = std::to_string(value);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

std::uint64_t memoryKilobytes(std::uint64_t bytes) { return bytes >> 10; }

}  // namespace kv
