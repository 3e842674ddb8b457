// Handing in a result: the sealed ".kvw" goes into the test's hand-in folder
// under a name that says who and when, never over another file and whole or
// not at all. When the folder cannot be written it waits on this PC and is
// handed in later, exactly once.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/common.h"
#include "exam/class_test.h"
#include "platform/file_io.h"

namespace kv {

// "Klassenarbeit 8b – Hausbau.kvk" (Windows-1252), the test file's name.
std::string testFileName(std::string_view className, std::string_view title);

// "8b – Müller, Jonas – 2026-12-09 10.14.kvw" (Windows-1252): characters no
// file name may hold become readable stand-ins, the name stays short enough
// for any share.
std::string handInFileName(std::string_view className, std::string_view learner, const ClockTime& when);

struct HandInOutcome {
  bool delivered = false;
  std::filesystem::path file;  // where it lies now
  FileProblem problem;         // why it was not delivered
  std::string reason;          // German, Windows-1252; empty when delivered
};

// One learner however the name is written: case, blanks and which name
// comes first do not matter ("Müller, Jonas" is "jonas  müller").
std::string learnerNameKey(std::string_view name);

// Puts `bytes` into `folder` as `fileName`, or as "… (2).kvw" and so on when
// that name is taken by other bytes. A file that already holds exactly these
// bytes counts as delivered (an earlier try got through). `writer` is the
// system's unless a test fails it.
HandInOutcome handInFile(const std::filesystem::path& folder, std::string_view fileName,
                         std::string_view bytes, FileWriter* writer = nullptr);

// A result waiting on this PC: its bytes lie in the waiting folder
// ("abgabe-….kvw") with a small note of where they belong ("abgabe-….abgabe").
struct WaitingHandIn {
  std::filesystem::path bytesFile;
  std::filesystem::path target;  // the hand-in folder
  std::string fileName;          // Windows-1252
  std::string testId;
  std::string learner;           // Windows-1252
};

// Keeps a result that could not be handed in; false when even this PC
// cannot keep it (the caller then says so and offers the usual save).
bool keepWaiting(const std::filesystem::path& waitingFolder, const WaitingHandIn& what,
                 std::string_view bytes, std::string& reason);
std::vector<WaitingHandIn> waitingHandIns(const std::filesystem::path& waitingFolder);

struct DeliveryReport {
  std::vector<HandInOutcome> delivered;
  // Alongside `delivered`: what each of them was while it waited, so that a
  // window still showing that result can say where it went.
  std::vector<WaitingHandIn> deliveredWaiting;
  int stillWaiting = 0;
};
// Tries every waiting result once; what got through leaves the waiting folder.
DeliveryReport deliverWaiting(const std::filesystem::path& waitingFolder, FileWriter* writer = nullptr);

// The hand-ins of one learner for one test, in the hand-in folder and
// waiting on this PC, oldest first: the earlier attempts.
struct EarlierHandIn {
  std::filesystem::path file;
  ClockTime when;
  bool waiting = false;  // still on this PC
};
std::vector<EarlierHandIn> earlierHandIns(const ClassTest& test, const std::filesystem::path& handInFolder,
                                          const std::filesystem::path& waitingFolder, std::string_view learner);
// Where a result's lines name the learner and the class: the two learner
// lines of the evaluation, which a class test fills with name and class.
inline constexpr std::size_t kResultLearnerLine = 4;
inline constexpr std::size_t kResultClassLine = 5;

// A result names its learner and class on its fourth and fifth line, as the
// program writes them for a class test. Handed in under another learner or
// for another class, it would be filed under the wrong name and counted
// twice for one learner and never for the other: the German refusal, naming
// both, or empty when the result is the learner's own. `lines` are the
// result's lines (Windows-1252); `learner` and `className` as the hand-in
// names them.
std::string resultOwnerRefusal(const std::vector<std::string>& lines, std::string_view learner,
                               std::string_view className);

// The refusal of a further attempt, naming the latest earlier hand-in;
// empty while the test still allows one.
std::string furtherAttemptRefusal(const ClassTest& test, const std::vector<EarlierHandIn>& earlier);

}  // namespace kv
