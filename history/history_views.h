// The history as people read it: one line per day, the figures in German
// number format, the spreadsheet rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "history/history_store.h"

namespace kv {

struct DayPoint {
  std::string date;  // "JJJJ-MM-TT"
  int exercises = 0;         // all of the day, voided ones included
  int counted = 0;           // those with figures
  double keystrokesPerMinute = 0.0;  // mean over the counted ones
  bool hasErrorPercent = false;
  double errorPercent = 0.0;  // mean over those that have one
  unsigned forms = 0;         // bit (form - 1) set for each form practised
};

// The points grouped by calendar day, oldest first.
std::vector<DayPoint> byDay(const std::vector<HistoryPoint>& points);

// "1.234", "12,5" and the like: German digit grouping and decimal comma.
std::string germanNumber(double value, int decimals);

// "ö", "Leertaste", "ausgelassen" for 0: how a key is named to the learner.
// Windows-1252.
std::string keyName(unsigned char ch);

// The spreadsheet export: a header line and one line per exercise, fields
// separated by semicolons, decimals with a comma, as German spreadsheets
// read them. UTF-8.
std::string historyCsv(const std::vector<HistoryRow>& rows);

// The figures of a history as German text for the console. UTF-8.
std::string historyReport(const HistoryOverview& overview, const std::string& fileName);

}  // namespace kv
