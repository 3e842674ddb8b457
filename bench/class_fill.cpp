// Writes a made-up class folder for tests, measurements and pictures:
//   class_fill ORDNER [LERNENDE]
// Every learner hands in two tests, some in a folder of their own, some with
// a Lernverlauf; among them files that were tampered with, foreign files, a
// voided and an impossible evaluation, and a learner whose name is markup.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "history/history_store.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "tests/core/class_files.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
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
