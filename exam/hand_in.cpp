#include "exam/hand_in.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "core/settings.h"
#include "evaluation/saved_file.h"
#include "platform/encoding.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kLongestHandInName = 120;
constexpr int kMostNumberedNames = 999;
constexpr std::uintmax_t kLargestHandIn = 4u * 1024u * 1024u;
// A live claim is filled or given up within a few seconds; one empty for
// longer was left by a try the server's going cut off.
constexpr std::chrono::seconds kStaleClaim{10};

}  // namespace

namespace {

unsigned char lowerByte(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<unsigned char>(c + 32);
  return c;
}


// A file just closed may still be held open for a moment by a network
// mount's own client, which then refuses to remove it: tried for a second.
void removeSurely(FileWriter& writer, const fs::path& file) {
  std::error_code ec;
  for (int attempt = 0; attempt < 10; ++attempt) {
    writer.remove(file);
    if (!fs::exists(file, ec)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

bool unchangedFor(const fs::path& file, std::chrono::seconds span) {
  std::error_code ec;
  const auto changed = fs::last_write_time(file, ec);
  return !ec && fs::file_time_type::clock::now() - changed >= span;
}

bool sameBytes(const fs::path& file, std::string_view bytes) {
  std::string there;
  return readWholeFile(file, there, bytes.size() + 1) && there == bytes;
}

std::uintmax_t sizeOf(const fs::path& file) {
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(file, ec);
  return ec ? static_cast<std::uintmax_t>(-1) : size;
}

std::string randomHex() {
  std::random_device seed;
  const std::uint64_t bits = (static_cast<std::uint64_t>(seed()) << 32) ^ seed();
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(bits));
  return text;
}

std::string utf8OfPath(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

fs::path pathOfUtf8(std::string_view utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string oneLine(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

// "… 2026-12-09 10.14.kvw" or "… 2026-12-09 10.14 (2).kvw": when it was handed in.
bool timeOfName(std::string_view name, ClockTime& when) {
  for (std::size_t at = name.size(); at-- > 0;) {
    if (at + 16 > name.size()) continue;
    const std::string_view part = name.substr(at, 16);
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    const std::string copy(part);
    if (std::sscanf(copy.c_str(), "%4d-%2d-%2d %2d.%2d", &y, &mo, &d, &h, &mi) == 5 && part[4] == '-' &&
        part[10] == ' ' && part[13] == '.' && mo >= 1 && mo <= 12 && d >= 1 && d <= 31 && h >= 0 && h < 24 &&
        mi >= 0 && mi < 60) {
      when = {{y, mo, d}, h, mi, 0};
      return true;
    }
  }
  return false;
}

bool earlier(const ClockTime& a, const ClockTime& b) {
  const auto key = [](const ClockTime& t) {
    return std::make_tuple(t.date.year, t.date.month, t.date.day, t.hour, t.minute, t.second);
  };
  return key(a) < key(b);
}

}  // namespace

std::string testFileName(std::string_view className, std::string_view title) {
  std::string klass = fileNamePart(className);
  std::string shown = fileNamePart(title);
  if (klass.size() > 20) klass = fileNamePart(klass.substr(0, 20));
  if (shown.size() > 80) shown = fileNamePart(shown.substr(0, 80));
  std::string name = "Klassenarbeit";
  if (!klass.empty()) name += " " + klass;
  if (!shown.empty()) name += w1252(" \u2013 ") + shown;
  return name + std::string(kClassTestExtension);
}

std::string handInFileName(std::string_view className, std::string_view learner, const ClockTime& when) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d.%02d", when.date.year, when.date.month, when.date.day,
                when.hour, when.minute);
  const std::string dash = w1252(" \u2013 ");
  std::string klass = fileNamePart(className);
  std::string name = fileNamePart(learner);
  if (name.empty()) name = w1252("ohne Namen");
  if (klass.size() > 20) klass = fileNamePart(klass.substr(0, 20));
  const std::size_t fixed = (klass.empty() ? 0 : klass.size() + dash.size()) + dash.size() + 16 + 4;
  // Room for " (99)" that a taken name may need.
  if (fixed + name.size() + 5 > kLongestHandInName) name = fileNamePart(name.substr(0, kLongestHandInName - fixed - 5));
  return (klass.empty() ? std::string() : klass + dash) + name + dash + stamp + ".kvw";
}

HandInOutcome handInFile(const fs::path& folder, std::string_view fileName, std::string_view bytes,
                         FileWriter* writer) {
  std::unique_ptr<FileWriter> system;
  if (writer == nullptr) {
    system = systemFileWriter();
    writer = system.get();
  }
  HandInOutcome outcome;
  const std::string shownFolder = cp1252OfPath(folder);
  const auto fail = [&](FileProblem problem, std::string_view file = {}) {
    std::error_code ec;
    if (problem.fault != FileFault::DiskFull && problem.fault != FileFault::Locked && !fs::is_directory(folder, ec)) {
      problem.fault = FileFault::FolderMissing;
    }
    if (!problem) problem.fault = FileFault::Other;
    outcome.delivered = false;
    outcome.problem = problem;
    outcome.reason = faultSentence(problem, shownFolder, file);
    return outcome;
  };

  // The whole file first, under a name no reader takes for a result.
  const fs::path written = folder / ("~abgabe-" + randomHex() + ".tmp");
  if (FileProblem p = writer->create(written)) return fail(p);
  FileProblem problem = writer->write(bytes);
  if (!problem) problem = writer->sync();
  const FileProblem closed = writer->close();
  if (!problem) problem = closed;
  if (problem) {
    removeSurely(*writer, written);
    return fail(problem);
  }

  // Some network mounts refuse to rename a file that is held open, and Wine
  // holds it open while it renames: found out on the temporary file itself.
  // There the exclusive create of the final name is the claim and takes the
  // bytes at once, read back before they count.
  fs::path temp = written;
  bool direct = false;
  {
    const fs::path moved = folder / ("~abgabe-" + randomHex() + ".tmp");
    if (const FileProblem probe = writer->replace(temp, moved); !probe) {
      temp = moved;
    } else if (probe.fault == FileFault::Locked) {
      direct = true;
      removeSurely(*writer, temp);
    } else {
      removeSurely(*writer, temp);
      return fail(probe);
    }
  }

  const fs::path asked = pathFromCp1252(fileName);
  const fs::path stem = asked.stem();
  const fs::path extension = asked.extension();
  int freed = 0;  // names given up or taken over, so that no name is tried forever
  for (int n = 1; n <= kMostNumberedNames; ++n) {
    fs::path name = stem;
    if (n > 1) name += " (" + std::to_string(n) + ")";
    name += extension;
    const fs::path target = folder / name;
    // Claiming the name is one exclusive create: of two learners on two PCs
    // only one gets it, and the other moves on to the next number.
    if (const FileProblem claim = writer->create(target); claim) {
      std::error_code ec;
      if (!fs::exists(target, ec)) {
        removeSurely(*writer, temp);
        return fail(claim, cp1252OfPath(target));
      }
      // Taken: by these very bytes when an earlier try got through, perhaps
      // by a claim another hand-in is just filling. The name holds the
      // learner's, so an empty claim is almost always an own earlier try that
      // the server's going cut off; it is waited out rather than passed by,
      // which would leave it beside a second copy under the next number.
      const auto givenUp = std::chrono::steady_clock::now() + kStaleClaim + std::chrono::seconds(1);
      while (fs::exists(target, ec) && sizeOf(target) == 0 && !unchangedFor(target, kStaleClaim) &&
             std::chrono::steady_clock::now() < givenUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
      if (!fs::exists(target, ec) && freed < 3) {
        // Its own hand-in gave the name up again: free to claim.
        ++freed;
        --n;
        continue;
      }
      if (sizeOf(target) == bytes.size() && sameBytes(target, bytes)) {
        removeSurely(*writer, temp);
        outcome.delivered = true;
        outcome.file = target;
        return outcome;
      }
      // Still empty and long unchanged: the claim of a try the server's
      // going cut off, which could not remove it then. Not a hand-in; the
      // name is free again, and taking it over keeps the result's own name.
      if (sizeOf(target) == 0 && unchangedFor(target, kStaleClaim) && freed < 3) {
        removeSurely(*writer, target);
        if (!fs::exists(target, ec)) {
          ++freed;
          --n;
        }
      }
      continue;
    }
    if (direct) {
      FileProblem put = writer->write(bytes);
      if (!put) put = writer->sync();
      const FileProblem shut = writer->close();
      if (!put) put = shut;
      if (!put && !sameBytes(target, bytes)) put = {FileFault::Other, 0};
      if (put) {
        removeSurely(*writer, target);
        return fail(put, cp1252OfPath(target));
      }
      outcome.delivered = true;
      outcome.file = target;
      return outcome;
    }
    const FileProblem claimClosed = writer->close();
    FileProblem placed = claimClosed ? claimClosed : writer->replace(temp, target);
    // A network mount's client may hold the claim open a moment after it was
    // closed, and the server then refuses to put another file in its place.
    for (int again = 0; again < 20 && placed && (placed.fault == FileFault::Locked || placed.fault == FileFault::Other);
         ++again) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      placed = writer->replace(temp, target);
    }
    if (placed) {
      removeSurely(*writer, temp);
      if (sizeOf(target) == 0) removeSurely(*writer, target);
      return fail(placed, cp1252OfPath(target));
    }
    outcome.delivered = true;
    outcome.file = target;
    return outcome;
  }
  removeSurely(*writer, temp);
  return fail({FileFault::Other, 0});
}

bool keepWaiting(const fs::path& waitingFolder, const WaitingHandIn& what, std::string_view bytes,
                 std::string& reason) {
  std::error_code ec;
  fs::create_directories(waitingFolder, ec);
  const std::string base = "abgabe-" + randomHex();
  const fs::path bytesFile = waitingFolder / (base + ".kvw");
  const fs::path noteFile = waitingFolder / (base + ".abgabe");
  // The bytes first: a note is only ever written for bytes that are whole.
  AtomicWriteResult written = writeFileAtomically(bytesFile, bytes, {});
  if (!written.ok()) {
    reason = written.reason(bytesFile);
    return false;
  }
  std::string note;
  note += "Ziel: " + oneLine(utf8OfPath(what.target)) + "\n";
  note += "Datei: " + oneLine(cp1252ToUtf8(what.fileName)) + "\n";
  note += "Klassenarbeit: " + oneLine(what.testId) + "\n";
  note += "Lernende: " + oneLine(cp1252ToUtf8(what.learner)) + "\n";
  written = writeFileAtomically(noteFile, note, {});
  if (!written.ok()) {
    reason = written.reason(noteFile);
    fs::remove(bytesFile, ec);
    return false;
  }
  reason.clear();
  return true;
}

std::vector<WaitingHandIn> waitingHandIns(const fs::path& waitingFolder) {
  std::vector<WaitingHandIn> found;
  std::error_code ec;
  std::vector<fs::path> notes;
  for (const fs::directory_entry& entry : fs::directory_iterator(waitingFolder, ec)) {
    if (entry.path().extension() == ".abgabe") notes.push_back(entry.path());
  }
  std::sort(notes.begin(), notes.end());
  for (const fs::path& note : notes) {
    std::string text;
    if (!readWholeFile(note, text, 64 * 1024)) continue;
    WaitingHandIn w;
    w.bytesFile = note;
    w.bytesFile.replace_extension(".kvw");
    std::size_t begin = 0;
    while (begin < text.size()) {
      std::size_t end = text.find('\n', begin);
      if (end == std::string::npos) end = text.size();
      const std::string_view line(text.data() + begin, end - begin);
      const std::size_t colon = line.find(": ");
      if (colon != std::string_view::npos) {
        const std::string_view key = line.substr(0, colon);
        const std::string_view value = line.substr(colon + 2);
        if (key == "Ziel") w.target = pathOfUtf8(value);
        else if (key == "Datei") w.fileName = utf8ToCp1252(value).value_or(std::string());
        else if (key == "Klassenarbeit") w.testId = value;
        else if (key == "Lernende") w.learner = utf8ToCp1252(value).value_or(std::string());
      }
      begin = end + 1;
    }
    if (w.target.empty() || w.fileName.empty() || !fs::is_regular_file(w.bytesFile, ec)) continue;
    found.push_back(std::move(w));
  }
  return found;
}

namespace {

// A try cut off by the server leaves its temporary file behind, which the
// server's going kept the try from removing. Once the result is in, what is
// left of that try goes too: a temporary file that holds a beginning of
// these very bytes past the header, which is alike for results of the same
// day and length, and has not changed for a moment. Another learner's
// result never begins with the same body.
void removeOwnLeftovers(const fs::path& folder, std::string_view bytes, FileWriter* writer) {
  std::unique_ptr<FileWriter> system;
  if (writer == nullptr) {
    system = systemFileWriter();
    writer = system.get();
  }
  std::error_code ec;
  const auto now = fs::file_time_type::clock::now();
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = cp1252OfPath(entry.path().filename());
    if (name.rfind("~abgabe-", 0) != 0 || entry.path().extension() != ".tmp") continue;
    std::error_code sub;
    const std::uintmax_t size = entry.file_size(sub);
    if (sub || size <= kResultFileHeaderSize || size > bytes.size()) continue;
    const auto changed = entry.last_write_time(sub);
    if (sub || now - changed < std::chrono::seconds(2)) continue;
    std::string there;
    if (readWholeFile(entry.path(), there, bytes.size()) && there.size() == size &&
        bytes.substr(0, there.size()) == there) {
      removeSurely(*writer, entry.path());
    }
  }
}

}  // namespace

DeliveryReport deliverWaiting(const fs::path& waitingFolder, FileWriter* writer) {
  DeliveryReport report;
  for (const WaitingHandIn& w : waitingHandIns(waitingFolder)) {
    std::string bytes;
    if (!readWholeFile(w.bytesFile, bytes, kLargestHandIn)) {
      ++report.stillWaiting;
      continue;
    }
    HandInOutcome outcome = handInFile(w.target, w.fileName, bytes, writer);
    if (!outcome.delivered) {
      ++report.stillWaiting;
      continue;
    }
    removeOwnLeftovers(w.target, bytes, writer);
    // Delivered: should the PC stop before both are gone, the next try finds
    // the same bytes in the folder and counts them as delivered, not twice.
    std::error_code ec;
    fs::path note = w.bytesFile;
    note.replace_extension(".abgabe");
    fs::remove(note, ec);
    fs::remove(w.bytesFile, ec);
    report.delivered.push_back(std::move(outcome));
    report.deliveredWaiting.push_back(w);
  }
  return report;
}

// Names compared as a teacher would: case and blanks do not matter, nor
// whether the surname comes first.
std::string learnerNameKey(std::string_view name) {
  std::string words;
  bool blank = false;
  for (const char c : name) {
    const auto b = static_cast<unsigned char>(c);
    if (b == ' ' || b == '\t' || b == 0xA0) {
      blank = !words.empty();
      continue;
    }
    if (blank && c != ',') words += ' ';
    blank = false;
    words += static_cast<char>(lowerByte(b));
  }
  if (const std::size_t comma = words.find(','); comma != std::string::npos) {
    std::string first = words.substr(comma + 1);
    while (!first.empty() && first.front() == ' ') first.erase(first.begin());
    return first.empty() ? words.substr(0, comma) : first + " " + words.substr(0, comma);
  }
  return words;
}

std::vector<EarlierHandIn> earlierHandIns(const ClassTest& test, const fs::path& handInFolder,
                                          const fs::path& waitingFolder, std::string_view learner) {
  std::vector<EarlierHandIn> found;
  const std::string wanted = learnerNameKey(learner);
  // The name a hand-in of this learner starts with, whatever its time.
  const std::string dash = w1252(" \u2013 ");
  const std::string klass = fileNamePart(test.className);
  const auto lowered = [](std::string text) {
    for (char& c : text) c = static_cast<char>(lowerByte(static_cast<unsigned char>(c)));
    return text;
  };
  const std::string named = lowered((klass.empty() ? std::string() : klass + dash) + fileNamePart(learner) + dash);
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(handInFolder, ec)) {
    std::error_code sub;
    if (!entry.is_regular_file(sub)) continue;
    std::string ext = cp1252OfPath(entry.path().extension());
    for (char& c : ext) c = static_cast<char>(lowerByte(static_cast<unsigned char>(c)));
    if (ext != ".kvw") continue;
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(entry.path(), bytes, kLargestHandIn) || bytes.empty()) continue;
    OpenedResult opened;
    if (decodeResultFile(bytes, opened) != ResultFileError::None || opened.lines.size() < 6) continue;
    const bool byContents = learnerNameKey(opened.lines[kResultLearnerLine]) == wanted &&
                            learnerNameKey(opened.lines[kResultClassLine]) == learnerNameKey(test.className);
    const bool byName = lowered(cp1252OfPath(entry.path().filename())).rfind(named, 0) == 0;
    if (!byContents && !byName) continue;
    EarlierHandIn e;
    e.file = entry.path();
    if (!timeOfName(cp1252OfPath(entry.path().filename()), e.when)) e.when = {opened.date, 0, 0, 0};
    found.push_back(std::move(e));
  }
  if (!waitingFolder.empty()) {
    for (const WaitingHandIn& w : waitingHandIns(waitingFolder)) {
      if (w.testId != test.id || learnerNameKey(w.learner) != wanted) continue;
      EarlierHandIn e;
      e.file = w.target / pathFromCp1252(w.fileName);
      e.waiting = true;
      timeOfName(w.fileName, e.when);
      found.push_back(std::move(e));
    }
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const EarlierHandIn& a, const EarlierHandIn& b) { return earlier(a.when, b.when); });
  return found;
}

std::string resultOwnerRefusal(const std::vector<std::string>& lines, std::string_view learner,
                               std::string_view className) {
  const std::string quoteOpen = w1252("\u201E");
  const std::string quoteClose = w1252("\u201C");
  const std::string namedLearner = lines.size() > kResultLearnerLine ? lines[kResultLearnerLine] : std::string();
  const std::string namedClass = lines.size() > kResultClassLine ? lines[kResultClassLine] : std::string();
  // The program keeps only the first characters of a long name in the result.
  if (learnerNameKey(namedLearner) != learnerNameKey(clipLearnerLine(learner))) {
    return w1252("Das Ergebnis ist von ") + quoteOpen + (namedLearner.empty() ? w1252("(ohne Namen)") : namedLearner) +
           quoteClose + w1252(", nicht von ") + quoteOpen + std::string(learner) + quoteClose +
           w1252(". Es wird nicht abgegeben.");
  }
  if (learnerNameKey(namedClass) != learnerNameKey(clipLearnerLine(className))) {
    return w1252("Das Ergebnis ist für die Klasse ") + quoteOpen +
           (namedClass.empty() ? w1252("(ohne Klasse)") : namedClass) + quoteClose +
           w1252(", die Klassenarbeit für die Klasse ") + quoteOpen + std::string(className) + quoteClose +
           w1252(". Es wird nicht abgegeben.");
  }
  return {};
}

std::string furtherAttemptRefusal(const ClassTest& test, const std::vector<EarlierHandIn>& earlierOnes) {
  if (earlierOnes.empty() || static_cast<int>(earlierOnes.size()) < test.attempts) return {};
  const EarlierHandIn& last = earlierOnes.back();
  char time[16];
  std::snprintf(time, sizeof time, "%02d:%02d", last.when.hour, last.when.minute);
  const std::string named = w1252("\u201E") + cp1252OfPath(last.file.filename()) + w1252("\u201C, ") + time +
                            w1252(" Uhr") + (last.waiting ? w1252(", wartet noch auf diesem PC") : std::string());
  if (test.attempts <= 1) {
    return w1252("Sie haben diese Klassenarbeit bereits abgegeben (") + named +
           w1252("). Ein weiterer Versuch ist nicht vorgesehen.");
  }
  return w1252("Sie haben diese Klassenarbeit bereits ") + std::to_string(earlierOnes.size()) +
         w1252("-mal abgegeben, zuletzt (") + named + w1252("). Sie erlaubt ") + std::to_string(test.attempts) +
         w1252(" Versuche; ein weiterer ist nicht vorgesehen.");
}

}  // namespace kv
