// What the views read from the history: the points of the speed and error
// chart, the totals, the weak keys and words of the recent exercises, and the
// rows of the export and the course list.
#include "history/history_store.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <map>
#include <string>
#include <utility>

#include "history/store_internals.h"

namespace kv {

using namespace store_internals;

std::vector<WeakKey> weakestKeys(const std::array<KeyTally, 256>& keys, std::size_t count) {
  std::vector<WeakKey> weak;
  for (int c = 1; c < 256; ++c) {
    const KeyTally& k = keys[static_cast<std::size_t>(c)];
    if (k.missed < 2 || k.needed == 0) continue;
    WeakKey w;
    w.ch = static_cast<unsigned char>(c);
    w.needed = k.needed;
    w.missed = std::min(k.missed, k.needed);
    w.rate = static_cast<double>(w.missed) / k.needed;
    weak.push_back(w);
  }
  const auto score = [](const WeakKey& w) { return (w.missed + 0.5) / (w.needed + 5.0); };
  std::stable_sort(weak.begin(), weak.end(), [&](const WeakKey& a, const WeakKey& b) {
    if (score(a) != score(b)) return score(a) > score(b);
    return a.missed > b.missed;
  });
  if (weak.size() > count) weak.resize(count);
  return weak;
}

std::int64_t HistoryStore::count() {
  if (db_ == nullptr) return -1;
  Statement n(db_, "SELECT count(*) FROM exercises");
  if (!n.ok() || n.step() != SQLITE_ROW) return -1;
  return n.integer(0);
}

namespace {

HistoryPoint pointOf(const Statement& s, int first) {
  HistoryPoint p;
  p.startedAt = cp1252(s.text(first));
  p.form = static_cast<int>(s.integer(first + 1));
  p.seconds = s.integer(first + 2);
  p.keystrokes = static_cast<std::uint32_t>(std::max<std::int64_t>(0, s.integer(first + 3)));
  p.keystrokesPerMinute = s.integer(first + 4);
  p.hasErrorPercent = !s.isNull(first + 5);
  p.errorPercent = p.hasErrorPercent ? s.real(first + 5) : 0.0;
  p.voided = s.integer(first + 6) != 0;
  p.impossible = s.integer(first + 7) != 0;
  return p;
}

constexpr const char* kPointColumns =
    "started, form, seconds, keystrokes, keystrokes_per_minute, error_percent, voided, impossible";

constexpr const char* kRecentIds = "SELECT id FROM exercises ORDER BY id DESC LIMIT ?";

}  // namespace

bool HistoryStore::readPoints(std::vector<HistoryPoint>& out, int& error) {
  PointCache& cache = pointCache_;
  std::int64_t count = 0, maxId = 0, idSum = 0;
  {
    Statement now(db_, "SELECT count(*), coalesce(max(id), 0), coalesce(sum(id), 0) FROM exercises");
    if (!now.ok()) return error = now.error(), false;
    const int rc = now.step();
    if (rc != SQLITE_ROW) return error = rc, false;
    count = now.integer(0);
    maxId = now.integer(1);
    idSum = now.integer(2);
  }
  // The cache now holds the file's points: remember what it holds.
  const auto kept = [&] {
    cache.count = count;
    cache.maxId = maxId;
    cache.idSum = idSum;
    out = cache.points;
    return true;
  };
  if (count == cache.count && maxId == cache.maxId && idSum == cache.idSum) return kept();
  // Only added since: read those, and keep the order when they come after.
  if (cache.count >= 0 && maxId > cache.maxId) {
    Statement added(db_, (std::string("SELECT ") + kPointColumns +
                          ", id FROM exercises WHERE id > ? ORDER BY started, id").c_str());
    if (!added.ok()) return error = added.error(), false;
    added.bind(1, cache.maxId);
    std::vector<HistoryPoint> more;
    std::int64_t moreSum = 0;
    int rc;
    while ((rc = added.step()) == SQLITE_ROW) {
      more.push_back(pointOf(added, 0));
      moreSum += added.integer(8);
    }
    if (rc != SQLITE_DONE) return error = rc, false;
    const bool onlyAdded = cache.count + static_cast<std::int64_t>(more.size()) == count &&
                           cache.idSum + moreSum == idSum;
    const bool inOrder = cache.points.empty() || more.empty() ||
                         more.front().startedAt >= cache.points.back().startedAt;
    if (onlyAdded && inOrder) {
      cache.points.insert(cache.points.end(), more.begin(), more.end());
      return kept();
    }
  }
  cache = PointCache{};
  Statement points(db_, (std::string("SELECT ") + kPointColumns + " FROM exercises ORDER BY started, id").c_str());
  if (!points.ok()) return error = points.error(), false;
  int rc;
  while ((rc = points.step()) == SQLITE_ROW) cache.points.push_back(pointOf(points, 0));
  if (rc != SQLITE_DONE) {
    cache = PointCache{};
    return error = rc, false;
  }
  return kept();
}

bool HistoryStore::readOverview(HistoryOverview& out, int& error) {
  out = HistoryOverview{};
  if (!readPoints(out.points, error)) return false;
  HistoryTotals& t = out.totals;
  t.exercises = static_cast<std::int64_t>(out.points.size());
  std::vector<double> counted;
  for (const HistoryPoint& p : out.points) {
    t.seconds += p.seconds;
    if (!p.counts()) continue;
    t.bestKeystrokesPerMinute = std::max(t.bestKeystrokesPerMinute, p.keystrokesPerMinute);
    counted.push_back(static_cast<double>(p.keystrokesPerMinute));
  }
  if (!counted.empty()) {
    const std::size_t n = std::min<std::size_t>(5, counted.size());
    double sum = 0;
    for (std::size_t k = counted.size() - n; k < counted.size(); ++k) sum += counted[k];
    t.recentKeystrokesPerMinute = sum / static_cast<double>(n);
  }
  {
    Statement keys(db_, (std::string("SELECT ch, needed, missed, timed, mean_ms, m2 FROM key_stats"
                                     " WHERE exercise IN (") + kRecentIds + ")").c_str());
    if (!keys.ok()) return error = keys.error(), false;
    keys.bind(1, std::int64_t{kRecentExercises});
    int rc;
    while ((rc = keys.step()) == SQLITE_ROW) {
      const unsigned char c = charOf(keys.text(0));
      if (c == 0) continue;
      out.keys[c].needed += static_cast<std::uint32_t>(keys.integer(1));
      out.keys[c].missed += static_cast<std::uint32_t>(keys.integer(2));
      RhythmStat r;
      r.count = static_cast<std::uint32_t>(keys.integer(3));
      r.meanMs = keys.real(4);
      r.m2 = keys.real(5);
      out.rhythm[c].merge(r);
    }
    if (rc != SQLITE_DONE) return error = rc, false;
  }
  out.weakKeys = weakestKeys(out.keys, 10);
  {
    Statement instead(db_, (std::string("SELECT expected, typed, sum(count) FROM confusions"
                                        " WHERE exercise IN (") + kRecentIds +
                            ") AND expected <> '' GROUP BY expected, typed").c_str());
    if (!instead.ok()) return error = instead.error(), false;
    instead.bind(1, std::int64_t{kRecentExercises});
    int rc;
    while ((rc = instead.step()) == SQLITE_ROW) {
      const unsigned char e = charOf(instead.text(0));
      for (WeakKey& w : out.weakKeys) {
        if (w.ch == e) {
          w.typedInstead.emplace_back(charOf(instead.text(1)),
                                      static_cast<std::uint32_t>(instead.integer(2)));
        }
      }
    }
    if (rc != SQLITE_DONE) return error = rc, false;
  }
  for (WeakKey& w : out.weakKeys) {
    std::stable_sort(w.typedInstead.begin(), w.typedInstead.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    w.rhythm = out.rhythm[w.ch];
  }
  {
    Statement words(db_, (std::string("SELECT expected, typed, count(*) FROM word_slips"
                                      " WHERE exercise IN (") + kRecentIds +
                          ") AND expected <> '' GROUP BY expected, typed").c_str());
    if (!words.ok()) return error = words.error(), false;
    words.bind(1, std::int64_t{kRecentExercises});
    std::map<std::string, MistypedWord> byWord;
    std::map<std::string, std::uint32_t> bestTyped;
    int rc;
    while ((rc = words.step()) == SQLITE_ROW) {
      const std::string expected = cp1252(words.text(0));
      const auto n = static_cast<std::uint32_t>(words.integer(2));
      MistypedWord& w = byWord[expected];
      w.expected = expected;
      w.count += n;
      if (n > bestTyped[expected]) {
        bestTyped[expected] = n;
        w.typedMostOften = cp1252(words.text(1));
      }
    }
    if (rc != SQLITE_DONE) return error = rc, false;
    for (auto& [word, slip] : byWord) out.words.push_back(std::move(slip));
    std::stable_sort(out.words.begin(), out.words.end(),
                     [](const MistypedWord& a, const MistypedWord& b) { return a.count > b.count; });
    if (out.words.size() > 10) out.words.resize(10);
  }
  return true;
}

HistoryOverview HistoryStore::overview(std::string& notice) {
  notice.clear();
  HistoryOverview out;
  if (db_ == nullptr && !connect(notice)) return out;
  int error = SQLITE_OK;
  if (readOverview(out, error)) return out;
  if (damaged(error) && replaceDamaged(notice)) {
    const std::string movedAside = notice;
    if (readOverview(out, error)) {
      notice = movedAside;
      return out;
    }
  }
  out = HistoryOverview{};
  if (notice.empty()) {
    noteFailure(error);
    notice = failureNotice(false);
  }
  return out;
}

bool HistoryStore::readRows(std::vector<HistoryRow>& out, int& error, const std::string* archive) {
  out.clear();
  Statement rows(db_, (std::string("SELECT ") + kPointColumns +
                       ", pace, correction, title, archive, first_line, last_line, errors FROM exercises" +
                       (archive != nullptr ? " WHERE archive = ?" : "") + " ORDER BY started, id").c_str());
  if (!rows.ok()) return error = rows.error(), false;
  if (archive != nullptr) rows.bind(1, utf8(*archive));
  int rc;
  while ((rc = rows.step()) == SQLITE_ROW) {
    HistoryRow r;
    r.point = pointOf(rows, 0);
    r.pace = static_cast<std::int32_t>(rows.integer(8));
    r.correction = rows.integer(9) != 0;
    r.title = cp1252(rows.text(10));
    r.archive = cp1252(rows.text(11));
    r.firstLine = static_cast<std::int32_t>(rows.integer(12));
    r.lastLine = static_cast<std::int32_t>(rows.integer(13));
    r.errors = static_cast<std::int32_t>(rows.integer(14));
    out.push_back(std::move(r));
  }
  if (rc != SQLITE_DONE) return error = rc, false;
  return true;
}

std::vector<HistoryRow> HistoryStore::rows(std::string& notice) {
  notice.clear();
  std::vector<HistoryRow> out;
  if (db_ == nullptr && !connect(notice)) return out;
  int error = SQLITE_OK;
  if (readRows(out, error)) return out;
  out.clear();
  noteFailure(error);
  notice = failureNotice(false);
  return out;
}

std::vector<HistoryRow> HistoryStore::rowsOfArchive(const std::string& archive, std::string& notice) {
  notice.clear();
  std::vector<HistoryRow> out;
  if (db_ == nullptr && !connect(notice)) return out;
  int error = SQLITE_OK;
  if (readRows(out, error, &archive)) return out;
  out.clear();
  noteFailure(error);
  notice = failureNotice(false);
  return out;
}

}  // namespace kv
