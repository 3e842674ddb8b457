#include "evaluation/summary.h"

#include <bit>
#include <cstdio>

#include "core/bytes.h"
#include "core/settings.h"
#include "platform/encoding.h"
#include "texts/checksum.h"

namespace kv {
namespace {

std::string decimal(std::int64_t v) { return std::to_string(v); }

// 1-based insert and delete, as the note's positions are counted.
void insertAt(std::string& s, std::size_t position, std::string_view what) {
  if (position < 1) position = 1;
  s.insert(std::min(position - 1, s.size()), what);
}

void deleteAt(std::string& s, std::size_t position, std::size_t count) {
  if (position < 1 || position > s.size()) return;
  s.erase(position - 1, count);
}

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    const std::size_t end = text.find("\r\n", begin);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(begin));
      break;
    }
    lines.emplace_back(text.substr(begin, end - begin));
    begin = end + 2;
  }
  return lines;
}

}  // namespace

std::string label(int n) {
  switch (n) {
    case 1: case 2: case 3: case 4: case 5: case 6: case 10: case 15: case 17:
      break;
    default:
      return {};
  }
  std::string text = uiWord(n + 15);
  if (text.size() < 14) text.append(14 - text.size(), ' ');
  return text;
}

std::string formatDuration(std::int64_t seconds) { return formatTimeText(seconds); }

std::uint32_t computeDateSeal(const CalendarDate& date) {
  return stringChecksum(0, decimal(date.day) + decimal(date.month) + decimal(date.year));
}

std::uint32_t computeKeySeal(std::uint32_t dateSeal, std::uint32_t keystrokes,
                             std::size_t textLength) {
  return stringChecksum(dateSeal, decimal(keystrokes) + decimal(static_cast<std::int64_t>(textLength)));
}

std::uint32_t computeSummarySeal(std::uint32_t dateSeal, std::uint32_t keySeal) {
  return stringChecksum(0, decimal(dateSeal) + decimal(keySeal));
}

std::uint32_t productSealBase(std::string_view identification) {
  return stringChecksum(stringChecksum(0, identification), uiWord(23));
}

std::string lineSelectionNote(const LineSelection& sel) {
  std::string note = uiWord(29);
  const std::string f = decimal(sel.firstLine);
  const std::string t = decimal(sel.lastLine);
  const std::size_t lf = f.size();
  const std::size_t lt = t.size();
  insertAt(note, 51, f);
  insertAt(note, lf + 56, t);
  if (sel.repetitions <= 1) {
    deleteAt(note, lf + lt + 56, 37);
  } else {
    insertAt(note, lf + lt + 78, decimal(sel.repetitions));
    if (sel.repeatMode != 0) {
      deleteAt(note, lf + lt + 58, 11);
    } else {
      deleteAt(note, lf + lt + 69, 9);
    }
  }
  if (sel.firstLine == sel.lastLine) {
    deleteAt(note, 34, 1);
    deleteAt(note, 48, 1);
    deleteAt(note, 49, lt + 5);
  }
  return note;
}

std::vector<std::string> wrapNote(std::string note, std::int32_t width) {
  std::vector<std::string> lines;
  const std::size_t w = width > 0 ? static_cast<std::size_t>(width) : 1;
  while (note.size() > w) {
    std::size_t c = std::min(w, note.size());
    while (c > 1 && note[c - 1] != ' ') --c;
    lines.push_back(note.substr(0, c));
    note.erase(0, c);
  }
  if (!note.empty()) lines.push_back(note);
  return lines;
}

SummaryFigures summaryFigures(const TypedExercise& ex, const SummaryInputs& in) {
  SummaryFigures f;
  f.seconds = tickDiff(in.endTick, in.startTick) / 1000;
  if (hasTimeLimit(formOf(in.form)) && in.pace > 0 && f.seconds > 60LL * in.pace) {
    f.seconds = 60LL * in.pace;
  }
  if (f.seconds == 0 && ex.keystrokes > 0) f.seconds = 1;
  if (ex.keystrokes > 0 && f.seconds > 0) {
    f.keystrokesPerMinute = roundHalfEven(static_cast<double>(ex.keystrokes) /
                                          static_cast<double>(f.seconds) * 60.0);
  }
  f.hasErrorPercent = !evaluationImpossible(ex.errorCount) && !ex.stoppedEarly && ex.keystrokes > 0;
  if (f.hasErrorPercent) f.errorPercent = ex.errorCount * 100.0 / static_cast<double>(ex.keystrokes);
  return f;
}

std::vector<std::string> buildSummary(TypedExercise& ex, const SummaryInputs& in) {
  std::vector<std::string> list = splitLines(ex.typedText);
  const std::size_t textLength = ex.typedText.size();
  if (ex.typedText.size() > 2) {
    ex.typedText.clear();
    ex.typedText.shrink_to_fit();
  }

  ex.dateSeal = computeDateSeal(in.today);

  std::vector<std::string> header(kResultHeaderLines);
  header[4] = in.learnerLine1;
  header[5] = in.learnerLine2;
  const int month = in.today.month >= 1 && in.today.month <= 12 ? in.today.month : 1;
  header[6] = decimal(in.today.day) + ". " + uiWord(3 + month) + " " + decimal(in.today.year);
  list.insert(list.begin(), header.begin(), header.end());

  list.insert(list.end(), 3, std::string());
  list.push_back(label(2) + in.exerciseTitle);

  std::string formText = formName(in.form);
  if (hasPace(formOf(in.form))) {
    if (in.pace < 1) {
      formText += " " + uiWord(27);
    } else if (in.showKeystrokesPerMinute) {
      formText += " " + uiWord(28);
    } else {
      formText += " (" + decimal(in.pace) + " " + uiWord(25) + ")";
    }
  }
  list.push_back(label(1) + formText);

  const SummaryFigures figures = summaryFigures(ex, in);
  const std::int64_t seconds = figures.seconds;

  ex.keySeal = computeKeySeal(ex.dateSeal, ex.keystrokes, textLength);

  if (in.showExerciseTime) list.push_back(label(6) + formatDuration(seconds));

  const std::uint32_t injected = in.injectedKeys & ~1u;
  const std::uint32_t physical = in.physicalKeys & ~1u;
  if (injected > 0 && ex.keystrokes > 0 && physical / 8 <= injected) {
    list.push_back(label(15) + uiWord(31));
  }

  const double day = daysSince1899(in.today);
  const auto dayBits = std::bit_cast<std::uint64_t>(day);
  putLe32(ex.headerBlock, 12, static_cast<std::uint32_t>(dayBits) ^ ex.keySeal);
  putLe32(ex.headerBlock, 16, static_cast<std::uint32_t>(dayBits >> 32) ^ ex.keySeal);

  std::string keystrokeLine = label(4) + decimal(ex.keystrokes);
  if (in.correctionAllowed) keystrokeLine += " " + uiWord(23);
  list.push_back(keystrokeLine);

  if (in.showKeystrokesPerMinute) {
    list.push_back(label(10) + decimal(figures.keystrokesPerMinute));
  }

  putLe32(ex.headerBlock, 28, productSealBase("Klavento 7.0") ^ ex.keySeal);

  std::string errorText;
  if (evaluationImpossible(ex.errorCount)) {
    errorText = uiWord(22);
  } else if (ex.stoppedEarly) {
    std::string note = uiWord(24);  // "(bis Zeile , Spalte )"
    note.insert(note.size() - 1, decimal(ex.stopColumn));
    note.insert(note.find(','), decimal(ex.stopLine));
    errorText = decimal(ex.errorCount) + " " + note;
  } else if (ex.keystrokes == 0) {
    // Nothing was typed (a voided exercise): a share of nothing is no figure.
    errorText = decimal(ex.errorCount);
  } else {
    char percent[64];
    std::snprintf(percent, sizeof percent, "%.3f", figures.errorPercent);
    std::string p = percent;
    for (char& c : p) {
      if (c == '.') c = ',';
    }
    std::string pattern = uiWord(20);  // "(%s Fehlerprozent)"
    pattern.replace(pattern.find("%s"), 2, p);
    errorText = decimal(ex.errorCount) + " " + pattern;
  }

  ex.summarySeal = computeSummarySeal(ex.dateSeal, ex.keySeal);
  list.push_back(label(17) + errorText);

  if (ex.stoppedEarly) {
    list.emplace_back();
    for (std::string& line : wrapNote(lineSelectionNote(in.selection), in.longestLine + 1)) {
      list.push_back(std::move(line));
    }
  }

  list.insert(list.end(), 4, std::string());
  if (list.size() < kMinResultLines) list.resize(kMinResultLines);
  return list;
}

}  // namespace kv
