// A class test ("Klassenarbeit"): one text, one form, one time and a number
// of attempts for a whole class, prepared by the teacher and put into the
// class folder on the school's server as a sealed test file. Learners open
// it; their results arrive in the hand-in folder beside it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/common.h"

namespace kv {

inline constexpr std::string_view kClassTestExtension = ".kvk";
// No prepared test comes near these; larger files are refused unread.
inline constexpr std::size_t kLargestTestFile = 4u * 1024u * 1024u;
inline constexpr std::size_t kMostLearners = 200;

// A date with the time of day, as hand-in names and the status show it.
struct ClockTime {
  CalendarDate date;
  int hour = 0;
  int minute = 0;
  int second = 0;
  bool operator==(const ClockTime&) const = default;
};

struct TestLearner {
  std::string name;          // Windows-1252, "Müller, Jonas" where the list had both parts
  std::int32_t seconds = 0;  // a time of their own (Nachteilsausgleich); 0: the test's
  bool operator==(const TestLearner&) const = default;
};

struct ClassTest {
  std::string id;         // 16 hex digits, made when the test is prepared
  std::string className;  // "8b"
  std::string title;      // the text's title
  std::vector<std::string> lines;  // the text, Windows-1252, one entry a line
  int form = 4;                    // 3 "Textvorgabe auf Bildschirm" or 4 "Text von Vorlage"
  std::int32_t seconds = 600;      // the time limit
  bool correctionAllowed = true;
  int attempts = 1;
  std::vector<TestLearner> learners;  // empty: learners type their name
  std::string gradeKey;               // the grade key file's text (UTF-8); empty: none
  ClockTime prepared;
  bool operator==(const ClassTest&) const = default;
};

// The time one learner has: their own, or the test's.
std::int32_t learnerSeconds(const ClassTest& test, std::string_view learner);
// "10 Minuten", "12,5 Minuten", "1 Minute".
std::string minutesText(std::int32_t seconds);

// The test file's bytes, sealed: any change to them is noticed on reading.
std::string encodeClassTest(const ClassTest& test);

enum class TestFileError { None, CannotRead, TooLarge, NotATest, Altered, Invalid };

// Reads untrusted bytes. On failure `reason` holds one German sentence
// (Windows-1252) that says what is wrong; `test` is then unspecified.
TestFileError decodeClassTest(std::string_view bytes, ClassTest& test, std::string& reason);
TestFileError readClassTestFile(const std::filesystem::path& file, ClassTest& test, std::string& reason);
// "Die Klassenarbeit „…“ kann nicht geöffnet werden: " + reason.
std::string testFileMessage(std::string_view shownPath, std::string_view reason);

// Where the results of the test in `testFile` arrive: a folder beside it
// named after it ("Klassenarbeit 8b – Abgaben").
std::filesystem::path handInFolderOf(const std::filesystem::path& testFile);

// A fresh test id from the given random bits.
std::string testIdOf(std::uint64_t randomBits);

}  // namespace kv
