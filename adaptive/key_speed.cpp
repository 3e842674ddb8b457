#include "adaptive/key_speed.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "session/key_rhythm.h"
#include "texts/text_model.h"

namespace kv {
namespace {

constexpr double kMillisecondsPerMinute = 60000.0;

bool plausible(const RhythmStat& stat) {
  return stat.count > 0 && std::isfinite(stat.meanMs) && stat.meanMs >= kFastestKeyMs &&
         stat.meanMs <= static_cast<double>(kLongestKeyInterval);
}

// One record's tally and timing for a course key, before the cut.
struct RecordShare {
  std::uint64_t strokes = 0;
  std::uint64_t missed = 0;
  RhythmStat rhythm;
};

void take(RecordShare& share, const ExerciseRecord& record, unsigned char ch) {
  const KeyTally& tally = record.keys[ch];
  share.strokes += tally.needed;
  share.missed += std::min(tally.missed, tally.needed);
  if (plausible(record.rhythm.chars[ch])) share.rhythm.merge(record.rhythm.chars[ch]);
}

std::uint32_t clamped(std::uint64_t value) {
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, std::numeric_limits<std::uint32_t>::max()));
}

KeyFigure figureOf(const RecordShare& share) {
  KeyFigure figure;
  figure.strokes = clamped(share.strokes);
  figure.missed = clamped(share.missed);
  figure.timed = share.rhythm.count;
  figure.meanMs = share.rhythm.count > 0 ? share.rhythm.meanMs : 0.0;
  return figure;
}

}  // namespace

KeyFigures figuresFromRecords(std::span<const ExerciseRecord> records) {
  std::array<RecordShare, 256> totals{};
  std::array<bool, 256> judged{};
  const auto oldest = records.size() > kMostReadRecords ? records.rbegin() + kMostReadRecords : records.rend();
  for (auto record = records.rbegin(); record != oldest; ++record) {
    for (int code = 1; code < 256; ++code) {
      const auto ch = static_cast<unsigned char>(code);
      if (record->keys[ch].needed == 0 && record->rhythm.chars[ch].count == 0) continue;
      // A capital's interval holds the Shift key's stroke, so capitals count
      // for Shift alone: on their letter they would make it look slow.
      const unsigned char key = isCapitalLetter(ch) ? kShiftKey : ch;
      if (!judged[key]) take(totals[key], *record, ch);
    }
    // Judged after the whole record, whose capitals all count for Shift.
    for (std::size_t key = 0; key < totals.size(); ++key) judged[key] = totals[key].strokes >= kJudgedStrokes;
  }
  KeyFigures figures{};
  for (std::size_t key = 0; key < totals.size(); ++key) figures[key] = figureOf(totals[key]);
  return figures;
}

KeyFigures figuresOfRecord(const ExerciseRecord& record) {
  return figuresFromRecords(std::span<const ExerciseRecord>(&record, 1));
}

double keySpeed(unsigned char key, const KeyFigure& figure) {
  if (figure.timed == 0 || !(figure.meanMs > 0.0)) return 0.0;
  const int strokes = key == kShiftKey ? 2 : countKeystrokes(key);
  return strokes * kMillisecondsPerMinute / figure.meanMs;
}

double missRate(const KeyFigure& figure) {
  return figure.strokes == 0 ? 0.0 : static_cast<double>(figure.missed) / figure.strokes;
}

bool keyReached(unsigned char key, const KeyFigure& figure, int target) {
  return figure.strokes >= kLeastStrokes && keySpeed(key, figure) >= target && missRate(figure) <= kMostMissRate;
}

double keyStrength(unsigned char key, const KeyFigure& figure, int target) {
  const double bySpeed = keySpeed(key, figure) / std::max(target, 1);
  const double rate = missRate(figure);
  const double byMisses = rate > 0.0 ? kMostMissRate / rate : bySpeed;
  return std::min(bySpeed, byMisses);
}

}  // namespace kv
