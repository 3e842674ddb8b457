// Writes a made-up class folder for tests, measurements and pictures:
//   class_fill ORDNER [LERNENDE]
// Every learner hands in two tests, some in a folder of their own, some with
// a Lernverlauf; among them files that were tampered with, foreign files, a
// voided and an impossible evaluation, and a learner whose name is markup.
//
//   class_fill --test TESTDATEI ORDNER ANZAHL
// writes ANZAHL results of a class test as the program makes them, one per
// file (01.kvw, 02.kvw, …): the test's text typed with a few errors each, so
// that no two are alike, under the names of its class list in turn (or
// "Lernende NN" where it has none), each as a learner would hand it in.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "evaluation/comparison.h"
#include "evaluation/saved_file.h"
#include "evaluation/summary.h"
#include "exam/class_test.h"
#include "history/history_store.h"
#include "session/exercise_session.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "tests/core/class_files.h"

namespace fs = std::filesystem;

namespace {

// The results of a class test, each as the exercise window, the comparison
// and the summary make it: the test's own checks find them genuine.
int fillForTest(const fs::path& testFile, const fs::path& folder, int count) {
  kv::ClassTest test;
  std::string reason;
  if (kv::readClassTestFile(testFile, test, reason) != kv::TestFileError::None) {
    std::fprintf(stderr, "%s\n", kv::cp1252ToUtf8(reason).c_str());
    return 1;
  }
  fs::create_directories(folder);
  kv::KeyTableLookup keys;
  keys.rebuild();
  for (int n = 0; n < count; ++n) {
    // Learner n leaves out n % 4 words and mistypes n / 4 letters, one per line in turn.
    std::vector<std::string> typed = test.lines;
    for (int k = 0; k < n / 4 && !typed.empty(); ++k) {
      std::string& line = typed[k % typed.size()];
      const std::size_t at = (7 + 11 * (k / typed.size())) % std::max<std::size_t>(line.size(), 1);
      if (!line.empty()) line[at] = line[at] == 'x' ? 'y' : 'x';
    }
    for (int k = 0; k < n % 4 && !typed.empty(); ++k) {
      std::string& line = typed.back();
      const std::size_t blank = line.rfind(' ');
      line.erase(blank == std::string::npos ? 0 : blank);
      if (line.empty()) typed.pop_back();
    }
    kv::HandedOverText handed = kv::prepareTypedText(typed, 40, keys);
    kv::TypedExercise ex;
    ex.typedLineCount = static_cast<std::int32_t>(typed.size());
    ex.typedText = std::move(handed.typedText);
    ex.keystrokes = handed.keystrokes;
    ex.templateText = kv::joinTemplateLines(test.lines);
    kv::ComparisonInputs ci;
    ci.form = static_cast<std::uint8_t>(test.form);
    ci.pace = test.seconds / 60;
    ci.timeLimitReached = true;
    kv::compareTexts(ex, ci);
    kv::SummaryInputs in;
    in.form = test.form;
    in.pace = test.seconds / 60;
    in.correctionAllowed = test.correctionAllowed;
    in.exerciseTitle = test.title;
    in.selection = {1, static_cast<std::int32_t>(test.lines.size()), 0, 1};
    in.endTick = static_cast<std::uint32_t>(test.seconds * 1000);
    in.timeLimitReached = true;
    in.learnerLine1 = test.learners.empty() ? "Lernende " + std::to_string(n + 1)
                                            : test.learners[n % test.learners.size()].name;
    in.learnerLine2 = test.className;
    in.showKeystrokesPerMinute = false;
    in.longestLine = handed.longestLine;
    in.today = kv::todayLocal();
    const auto lines = kv::buildSummary(ex, in);
    char name[32];
    std::snprintf(name, sizeof name, "%02d.kvw", n + 1);
    if (!kv::writeFileAtomically(folder / name, kv::encodeResultFile(lines, ex, handed.longestLine))) return 1;
  }
  std::printf("%d Ergebnisse der Klassenarbeit in %s\n", count, folder.string().c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--test") return fillForTest(argv[2], argv[3], std::atoi(argv[4]));
  if (argc < 2) {
    std::fprintf(stderr, "Aufruf: class_fill ORDNER [LERNENDE]\n");
    return 2;
  }
  const fs::path folder = argv[1];
  const int learners = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;
  static const char* first[] = {"Anna", "Ben", "Carla", "Deniz", "Emil", "Frieda", "Göran", "Hanna", "Ilias", "Jule",
                                "Kemal", "Lea", "Malte", "Nora", "Özlem", "Paul", "Quentin", "Rieke", "Sören", "Tara"};
  static const char* last[] = {"Becker", "Schmidt", "Müller", "Yildiz", "Weiß", "Krüger", "Neumann", "Schäfer"};
  int written = 0;
  for (int n = 0; n < learners; ++n) {
    kv::test::HandedIn h;
    h.name = std::string(first[n % 20]) + " " + last[(n * 3) % 8];
    if (n == 7) h.name = "<img src=x onerror=alert(1)>";
    if (n == 8) h.name = "=HYPERLINK(\"http://example.invalid\";\"klick\")";
    h.klass = n % 2 == 0 ? "8a" : "8b";
    h.seconds = 600;
    h.keystrokes = static_cast<std::uint32_t>(900 + (n * 137) % 1300);
    h.errors = static_cast<std::uint32_t>((n * 7) % 13);
    h.day = 1;
    const fs::path place = n % 3 == 0 ? folder / h.name.substr(0, h.name.find(' ')) : folder;
    const std::string base = "test-" + std::to_string(n + 1);
    if (n == 7 || n == 8) {
      if (!kv::test::writeHandedIn(folder / (base + "-1.kvw"), h)) return 1;
    } else {
      if (!kv::test::writeHandedIn(place / (base + "-1.kvw"), h)) return 1;
    }
    h.day = 8;
    h.keystrokes += 120;
    h.errors = h.errors > 1 ? h.errors - 1 : 0;
    if (n == 10) h.keystrokes = 0, h.errors = 0;  // voided
    if (n == 11) h.impossible = true;
    if (!kv::test::writeHandedIn(folder / (base + "-2.kvw"), h)) return 1;
    written += 2;
    if (n % 3 == 0) {
      // A Lernverlauf beside the learner's files: a few weeks of practice.
      std::string notice;
      auto store = kv::HistoryStore::open(place / "Lernverlauf.sqlite", notice);
      if (!store) return 1;
      for (int k = 0; k < 12; ++k) {
        kv::ExerciseRecord r;
        char date[32];
        std::snprintf(date, sizeof date, "2026-11-%02d 10:00:00", 1 + k * 2);
        r.startedAt = date;
        r.seconds = 300;
        r.keystrokes = static_cast<std::uint32_t>(400 + 25 * k + n * 5);
        r.keystrokesPerMinute = r.keystrokes / 5;
        r.hasErrorPercent = true;
        r.errors = 2;
        r.errorPercent = 200.0 / r.keystrokes;
        for (unsigned char c = 'a'; c <= 'z'; ++c) r.keys[c] = {30, c == 'y' || c == 'x' ? 3u : 0u};
        r.keys[0xFC] = {10, static_cast<std::uint32_t>(2 + n % 3)};  // ü
        if (!store->record(r, notice)) return 1;
      }
    }
  }
  // What else lands in a hand-in folder.
  std::string bytes;
  if (!kv::readWholeFile(folder / "test-2-2.kvw", bytes)) return 1;
  bytes[80] = static_cast<char>(bytes[80] ^ 1);
  if (!kv::writeFileAtomically(folder / "test-2-2-geaendert.kvw", bytes)) return 1;
  std::ofstream(folder / "Aufsatz.kvw") << "Dies ist ein Aufsatz, keine Klavento-Übung.";
  std::ofstream(folder / "Notizen.txt") << "nicht zu beachten";
  std::printf("%d Übungsdateien, 2 nicht gewertete, in %s\n", written, folder.string().c_str());
  return 0;
}
