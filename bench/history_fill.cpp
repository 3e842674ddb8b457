// Fills a learning history with made-up exercises for measurements and
// pictures: history_fill DATEI ANZAHL [TAGE]. A learner who gets faster and
// more accurate over the days, with the usual weak keys.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "history/history_store.h"
#include "platform/encoding.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "Aufruf: history_fill DATEI ANZAHL [TAGE]\n");
    return 2;
  }
  const int count = std::atoi(argv[2]);
  const int days = argc > 3 ? std::max(1, std::atoi(argv[3])) : std::max(1, count / 4);
  std::string notice;
  auto store = kv::HistoryStore::open(argv[1], notice);
  if (!store) {
    std::fprintf(stderr, "%s\n", notice.c_str());
    return 1;
  }
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0.0, 1.0);
  const std::string weak = kv::w1252("öäüßy,;:-");
  for (int n = 0; n < count; ++n) {
    const double progress = static_cast<double>(n) / std::max(1, count - 1);
    const int day = static_cast<int>(progress * (days - 1));
    kv::ExerciseRecord r;
    char date[40];
    std::snprintf(date, sizeof date, "2026-%02d-%02d %02d:%02d:00", 1 + (day / 28) % 12, 1 + day % 28,
                  8 + n % 10, (n * 7) % 60);
    r.startedAt = date;
    r.form = 1 + static_cast<int>(random() % 4);
    r.title = kv::w1252("Übungstext ") + std::to_string(1 + n % 5);
    r.archive = "Beispieltexte";
    r.seconds = 300;
    const double kpm = 90 + 110 * progress + 12 * noise(random);
    r.keystrokes = static_cast<std::uint32_t>(kpm * 5);
    r.keystrokesPerMinute = static_cast<std::int64_t>(kpm);
    r.errorPercent = std::max(0.0, 3.5 - 2.5 * progress + 0.6 * noise(random));
    r.hasErrorPercent = true;
    r.errors = static_cast<std::int32_t>(r.errorPercent * r.keystrokes / 100);
    for (unsigned char c = 'a'; c <= 'z'; ++c) r.keys[c] = {40, static_cast<std::uint32_t>(random() % 2)};
    for (const char c : weak) {
      const auto u = static_cast<unsigned char>(c);
      r.keys[u] = {12, static_cast<std::uint32_t>(1 + random() % 3)};
      r.confusions.push_back({u, static_cast<unsigned char>('a' + random() % 26), r.keys[u].missed});
      r.rhythm.add(u, static_cast<std::uint32_t>(250 + random() % 200));
    }
    r.words = {{kv::w1252("Grüße"), kv::w1252("Grüsse")}, {"Zeitung", "Zietung"}};
    if (n % 3 == 0) r.words.push_back({kv::w1252("möglich"), kv::w1252("moglich")});
    if (!store->record(r, notice)) {
      std::fprintf(stderr, "%s\n", notice.c_str());
      return 1;
    }
  }
  return 0;
}
