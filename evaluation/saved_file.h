// Saved exercises: the sealed, scrambled ".kvw" result file and the plain
// ".txt" export of the typed text.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/common.h"
#include "evaluation/typed_exercise.h"
#include "platform/file_io.h"

namespace kv {

inline constexpr std::size_t kResultFileHeaderSize = 40;
inline constexpr std::string_view kResultIdentification = "Klavento 7.0";
inline constexpr std::string_view kOldResultIdentification = "Klavento 5.0";

// The bytes of a ".kvw" file for the result list, sealed with the values that
// building the summary left in `seals` (date and product seal in its header
// block, dateSeal, keySeal, summarySeal).
std::string encodeResultFile(const std::vector<std::string>& lines, const TypedExercise& seals,
                             std::int32_t longestLine);

// The typed lines of the result list without marks and without empty lines.
std::string encodeTextExport(const std::vector<std::string>& lines, std::int32_t typedLineCount);

enum class ResultFileError {
  None,
  CannotRead,
  TooShort,
  UnknownIdentification,
  StoredChecksum,
  KeyCheck,
  BadDate,
  PlainChecksum,
};

struct OpenedResult {
  std::vector<std::string> lines;  // padded with empty lines to 30
  bool compatibility = false;      // written by the earlier generation
  std::int32_t longestLine = 0;
  CalendarDate date;
};

ResultFileError decodeResultFile(std::span<const std::uint8_t> bytes, OpenedResult& result);

// The information shown when a file of Klavento 5.0 opens.
std::string compatibilityViewNotice();

// The German message for a rejected file, naming it.
std::string resultFileErrorMessage(ResultFileError error, std::string_view path);

// The file name to save under: a typed extension other than ".kvw" or ".txt"
// gets ".kvw" appended, a name without one gets the default ".kvw".
std::string completeSaveName(std::string_view name);
bool isTextExportName(std::string_view name);

// Writes through a temporary file: a failed save leaves an earlier file intact.
AtomicWriteResult saveResultFile(std::string_view path, const std::vector<std::string>& lines,
                    const TypedExercise& seals, std::int32_t longestLine,
                    std::int32_t typedLineCount);
ResultFileError openResultFile(std::string_view path, OpenedResult& result);

// One keystream byte sequence; scrambling and unscrambling are the same.
class ResultKeystream {
 public:
  ResultKeystream(std::uint32_t dateSeal, std::uint32_t keySeal, std::uint32_t summarySeal);
  std::uint8_t next();

 private:
  std::uint64_t state_;
  std::uint64_t counter_ = 1;
  std::uint64_t keySeal_;
  std::uint64_t summarySeal_;
};

}  // namespace kv
