// The course order, open keys, key figures and the opening of keys.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "adaptive/adaptive_lesson.h"
#include "platform/encoding.h"
#include "tests/core/adaptive_records.h"

namespace kv {
namespace {

std::string courseText(std::size_t from, std::size_t to) {
  std::string text;
  for (std::size_t at = from; at < to; ++at) text += courseKeyName(courseOrder()[at]) + ' ';
  return text;
}

TEST(AdaptiveCourse, StartsOnTheHomeRowWithTheSpaceBarThenFollowsTheGrundkurs) {
  EXPECT_EQ(courseText(0, kStartingKeys), w1252("a s d f j k l ö Leertaste "));
  EXPECT_EQ(courseText(kStartingKeys, coursePosition(kShiftKey) + 4),
            w1252("g h e i r u t z b n w o c x v m q p y Umschalttaste ä ü ß "));
  EXPECT_EQ(courseText(coursePosition(kShiftKey) + 4, courseOrder().size()),
            w1252(", . - ? ! : ; \" ( ) 3 4 7 8 1 2 9 0 5 6 @ € { } [ ] \\ ~ | "));
}

TEST(AdaptiveCourse, CapitalsNeedShiftAndTheirLetter) {
  KeySet open = KeySet::firstOfCourse(coursePosition('e') + 1);
  struct Row {
    const char* text;
    bool withoutShift;
    bool withShift;
  };
  const Row rows[] = {
      {"das", true, true}, {"Das", false, true}, {"See", false, true}, {"\xD6l", false, true},
      {"\xC4la", false, false}, {"Rad", false, false}, {"ja, da", false, false}, {"", true, true},
  };
  KeySet shifted = open;
  shifted.add(kShiftKey);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(open.allowsAll(row.text), row.withoutShift);
    EXPECT_EQ(shifted.allowsAll(row.text), row.withShift);
  }
}

TEST(AdaptiveCourse, EveryTitleFitsTheArchiveTitle) {
  for (const unsigned char key : courseOrder()) {
    const std::string title = adaptiveTitle(key);
    EXPECT_LE(title.size(), kTitleMax) << title;
    EXPECT_TRUE(title.starts_with("Adaptiv: Schwerpunkt ")) << title;
  }
  EXPECT_EQ(adaptiveTitle(' '), "Adaptiv: Schwerpunkt Leertaste");
  EXPECT_EQ(adaptiveTitle('e'), "Adaptiv: Schwerpunkt e");
}

TEST(AdaptiveFigures, SpeedMissesAndReachingTheTarget) {
  struct Row {
    const char* what;
    std::uint32_t strokes, missed, ms;
    bool reached;
  };
  const Row rows[] = {
      {"fast and sure", 60, 0, 400, true},           // 150 per minute
      {"exactly the target", 40, 2, 600, true},      // 100 per minute, 5 %
      {"too slow", 60, 0, 700, false},
      {"missed too often", 40, 3, 300, false},
      {"too few strokes to judge", kLeastStrokes - 1, 0, 300, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const ExerciseRecord record = test::strokesOf('k', row.strokes, row.ms, row.missed);
    const KeyFigures figures = figuresFromRecords(std::span(&record, 1));
    EXPECT_EQ(figures['k'].strokes, row.strokes);
    EXPECT_NEAR(keySpeed('k', figures['k']), 60000.0 / row.ms, 1e-9);
    EXPECT_EQ(keyReached('k', figures['k'], kDefaultTarget), row.reached);
  }
}

TEST(AdaptiveFigures, JudgeTheLatestStrokesAndCountCapitalsForShift) {
  std::vector<ExerciseRecord> records;
  records.push_back(test::strokesOf('k', 200, 2000));  // long ago and slow: beyond the judged strokes
  records.push_back(test::strokesOf('k', kJudgedStrokes, 300));
  records.push_back(test::strokesOf('K', 30, 500));
  const KeyFigures figures = figuresFromRecords(records);
  EXPECT_EQ(figures['k'].strokes, kJudgedStrokes);
  EXPECT_NEAR(keySpeed('k', figures['k']), 200.0, 1e-9);
  EXPECT_EQ(figures[kShiftKey].strokes, 30u);
  EXPECT_NEAR(keySpeed(kShiftKey, figures[kShiftKey]), 240.0, 1e-9);  // two strokes each
}

TEST(AdaptiveFigures, ALongHistoryIsReadOnlyAsFarBackAsItsLatestRecords) {
  std::vector<ExerciseRecord> records = {test::strokesOf('q', 30, 300)};
  records.resize(kMostReadRecords + 1, test::strokesOf('a', 10, 300));
  const KeyFigures figures = figuresFromRecords(records);
  EXPECT_EQ(figures['q'].strokes, 0u);
  EXPECT_EQ(figures['a'].strokes, kJudgedStrokes);
  records.erase(records.begin() + 1);
  EXPECT_EQ(figuresFromRecords(records)['q'].strokes, 30u);
}

TEST(AdaptiveFigures, DamagedRecordsGiveSaneFigures) {
  ExerciseRecord record = test::strokesOf('a', 100, 300);
  record.keys['s'] = {std::numeric_limits<std::uint32_t>::max(), std::numeric_limits<std::uint32_t>::max()};
  record.keys['d'] = {10, 500};  // more misses than strokes
  record.rhythm.chars['f'] = {5, std::numeric_limits<double>::quiet_NaN(), 0.0};
  record.rhythm.chars['j'] = {5, -40.0, 0.0};
  record.rhythm.chars['k'] = {5, 1e300, 0.0};
  std::vector<ExerciseRecord> records(3, record);
  const KeyFigures figures = figuresFromRecords(records);
  EXPECT_EQ(figures['d'].missed, figures['d'].strokes);
  for (const unsigned char key : {'f', 'j', 'k'}) EXPECT_EQ(keySpeed(key, figures[key]), 0.0) << key;
  for (const KeyFigure& figure : figures) {
    EXPECT_LE(figure.missed, figure.strokes);
    EXPECT_TRUE(std::isfinite(figure.meanMs));
  }
  EXPECT_TRUE(figuresFromRecords({})['a'].strokes == 0);
}

TEST(AdaptiveOpening, NoAdaptiveLessonYetOpensTheStartingKeys) {
  const std::vector<ExerciseRecord> none;
  EXPECT_EQ(openKeys(none, figuresFromRecords(none), kDefaultTarget), KeySet::firstOfCourse(kStartingKeys));
  // Other exercises count for the figures, never for the open keys.
  const std::vector<ExerciseRecord> others = {test::typedRecord("Lektion 12", {"quer durch den park"})};
  EXPECT_EQ(openKeys(others, figuresFromRecords(others), kDefaultTarget).size(), kStartingKeys);
}

TEST(AdaptiveOpening, TheLatestLessonsKeysStayOpenAndCapitalsOpenShift) {
  struct Row {
    const char* text;
    std::size_t open;
  };
  const Row rows[] = {
      {"fall", kStartingKeys},
      {"das heft", coursePosition('t') + 1},
      {"das Heft", coursePosition(kShiftKey) + 1},
      {"Gr\xFC\xDF" "e, 3", coursePosition('3') + 1},
      {"3 \x80", coursePosition('\x80') + 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    // Typed slowly, so that no further key opens.
    const std::vector<ExerciseRecord> records = {test::typedRecord("Adaptiv: Schwerpunkt a", {row.text}, {1500})};
    EXPECT_EQ(openKeys(records, figuresFromRecords(records), kDefaultTarget), KeySet::firstOfCourse(row.open));
  }
}

TEST(AdaptiveOpening, AKeyThatFallsBehindIsNeverLockedAgainButComesBackIntoFocus) {
  std::vector<ExerciseRecord> records = {test::typedRecord("Adaptiv: Schwerpunkt t", {"das heft"})};
  // Every open key fast since, but a bad day on the e key, and a lesson
  // broken off early.
  for (const unsigned char key : KeySet::firstOfCourse(coursePosition('t') + 1).inCourseOrder()) {
    records.push_back(test::strokesOf(key, kJudgedStrokes, key == 'e' ? 1800 : 300, 0, "Adaptiv: Schwerpunkt e"));
  }
  records.push_back(test::typedRecord("Adaptiv: Schwerpunkt e", {"da"}, {300}));
  const AdaptiveProgress progress = adaptiveProgress(records);
  EXPECT_EQ(progress.keys.size(), coursePosition('t') + 1);
  EXPECT_EQ(progress.focus, 'e');
}

TEST(AdaptiveOpening, OneKeyMoreOnceEveryOpenKeyReachedTheTarget) {
  std::vector<ExerciseRecord> records;
  for (const unsigned char key : KeySet::firstOfCourse(kStartingKeys).inCourseOrder()) {
    records.push_back(test::strokesOf(key, kJudgedStrokes, 400, 0, "Adaptiv: Schwerpunkt a"));
  }
  const AdaptiveProgress fast = adaptiveProgress(records, 120);
  EXPECT_EQ(fast.keys.size(), kStartingKeys + 1);
  EXPECT_EQ(fast.focus, 'g');  // the newest key, below target while untyped
  EXPECT_TRUE(fast.hasNext);
  EXPECT_EQ(fast.nextKey, 'h');
  // Above what the learner reaches: no key opens.
  EXPECT_EQ(adaptiveProgress(records, 200).keys.size(), kStartingKeys);
}

TEST(AdaptiveFocus, TheKeyMissedMostBecomesTheFocusOnceTheNewestIsReached) {
  std::vector<ExerciseRecord> records;
  for (const unsigned char key : KeySet::firstOfCourse(kStartingKeys).inCourseOrder()) {
    const std::uint32_t missed = key == 'k' ? 8 : 0;
    records.push_back(test::strokesOf(key, kJudgedStrokes, 400, missed, "Adaptiv: Schwerpunkt a"));
  }
  const AdaptiveProgress progress = adaptiveProgress(records);
  EXPECT_EQ(progress.keys.size(), kStartingKeys);
  EXPECT_EQ(progress.focus, 'k');
  for (const KeyProgress& key : progress.keys) EXPECT_EQ(key.weak, key.key == 'k') << key.name;
}

TEST(AdaptiveForecast, FromAnUpwardTrendOnlyAndNeverInvented) {
  const auto lessons = [](std::initializer_list<std::uint32_t> intervals) {
    std::vector<ExerciseRecord> records;
    for (const std::uint32_t ms : intervals) {
      // Every starting key often enough to be judged in each lesson.
      const std::vector<std::string> lines(20, "fall das kalk da j\xF6");
      records.push_back(test::typedRecord("Adaptiv: Schwerpunkt k", lines, {300, 'k', ms}));
    }
    return records;
  };
  // k: 60, 75, 100 ... per minute, slower than the target of 150.
  const AdaptiveProgress rising = adaptiveProgress(lessons({1000, 800, 600}), 150);
  ASSERT_TRUE(rising.lessonsToNext.has_value());
  EXPECT_GE(*rising.lessonsToNext, 1);
  EXPECT_LE(*rising.lessonsToNext, 5);
  EXPECT_FALSE(adaptiveProgress(lessons({600, 800, 1000}), 150).lessonsToNext.has_value());
  // Two lessons alike: no upward trend.
  EXPECT_FALSE(adaptiveProgress(lessons({600, 600}), 150).lessonsToNext.has_value());
  EXPECT_FALSE(adaptiveProgress({}, 150).lessonsToNext.has_value());
}

TEST(AdaptiveForecast, AKeyHeldBackByMissesCountsByTheTrendOfItsMisses) {
  const auto lessons = [](std::initializer_list<std::uint32_t> everyNth) {
    std::vector<ExerciseRecord> records;
    for (const std::uint32_t nth : everyNth) {
      const std::vector<std::string> lines(20, "fall das kalk da j\xF6");
      records.push_back(test::typedRecord("Adaptiv: Schwerpunkt k", lines, {300, 0xFF, 2000, 'k', nth}));
    }
    return records;
  };
  // k missed at every 4th, 5th, 6th stroke: 25 %, 20 %, 17 %.
  const AdaptiveProgress improving = adaptiveProgress(lessons({4, 5, 6}));
  ASSERT_TRUE(improving.lessonsToNext.has_value());
  EXPECT_GE(*improving.lessonsToNext, 2);
  EXPECT_FALSE(adaptiveProgress(lessons({6, 5, 4})).lessonsToNext.has_value());
}

}  // namespace
}  // namespace kv
