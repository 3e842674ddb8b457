#include "exam/test_status.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "core/settings.h"
#include "exam/hand_in.h"
#include "history/history_views.h"
#include "platform/encoding.h"

namespace kv {
namespace {


// The hand-in's time from its name, "… 2026-12-09 10.14.kvw"; empty when
// the name does not show it.
std::string timeOfName(std::string_view name) {
  for (std::size_t at = name.size(); at-- > 0;) {
    if (at + 16 > name.size()) continue;
    const std::string_view part = name.substr(at, 16);
    if (part[4] == '-' && part[7] == '-' && part[10] == ' ' && part[13] == '.' &&
        std::all_of(part.begin() + 11, part.begin() + 13, [](char c) { return c >= '0' && c <= '9'; }) &&
        std::all_of(part.begin() + 14, part.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return std::string(part.substr(11, 2)) + ":" + std::string(part.substr(14, 2));
    }
  }
  return {};
}

std::string dateText(const CalendarDate& d) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d", d.day, d.month, d.year);
  return text;
}

struct Checked {
  const ClassResult* result = nullptr;
  std::optional<std::string> problem;
  std::string sortKey;
};

std::string rulesText(const ClassTest& test) {
  return minutesText(test.seconds) + ", " + formName(test.form) + ", " +
         (test.correctionAllowed ? w1252("mit Korrekturmöglichkeit") : w1252("ohne Korrekturmöglichkeit")) + ", " +
         std::to_string(test.attempts) + (test.attempts == 1 ? " Versuch" : " Versuche");
}

// A hand-in with no keystroke shows 0 Anschläge and 0 Fehler, which reads
// like a perfect result without a grade; the teacher is told plainly that
// nothing was written, and no figures are shown for it.
void markEmpty(TestRow& row) {
  const std::string time = timeOfName(row.result->shownName);
  row.state = HandInState::Empty;
  row.grade.reset();
  row.statusText = w1252("leer abgegeben ") + (time.empty() ? dateText(row.result->date) : time) +
                   w1252(" (keine Anschläge)");
  if (row.handIns > 1) row.statusText += ", " + std::to_string(row.handIns) + " Abgaben";
  row.note = w1252("keine Anschläge, daher keine Note");
}

}  // namespace

std::optional<std::string> testProblem(const ClassResult& result, const ClassTest& test,
                                       std::int32_t learnerSeconds) {
  ExpectedExercise expected;
  expected.title = test.title;
  expected.lines = test.lines;
  expected.form = test.form;
  expected.seconds = learnerSeconds;
  expected.correctionAllowed = test.correctionAllowed;
  return exerciseProblem(result, expected);
}

std::vector<std::string> missingLearners(const TestStatus& status) {
  std::vector<std::string> missing;
  for (const TestRow& row : status.rows) {
    if (row.state == HandInState::Missing) missing.push_back(row.learner);
  }
  return missing;
}

std::string testLine(const ClassTest& test) {
  return test.className + w1252(" \u2013 ") + test.title + ", vorbereitet am " + dateText(test.prepared.date) +
         ": " + rulesText(test);
}

std::string TestStatus::countText() const {
  if (listed == 0) return std::to_string(handedIn) + " abgegeben";
  return std::to_string(handedIn) + " von " + std::to_string(listed) + " abgegeben";
}

TestStatus testStatus(const ClassTest& test, const std::vector<ClassResult>& scanned, const GradeKey* key) {
  TestStatus status;
  std::map<std::string, std::size_t> listed;  // name key → index in the list
  for (std::size_t i = 0; i < test.learners.size(); ++i) listed.emplace(learnerNameKey(test.learners[i].name), i);

  std::vector<std::vector<Checked>> ofListed(test.learners.size());
  std::map<std::string, std::vector<Checked>> others;  // by name, in first-seen order below
  std::vector<std::string> otherOrder;
  std::vector<const ClassResult*> refused;
  for (const ClassResult& r : scanned) {
    if (!r.valid) {
      refused.push_back(&r);
      continue;
    }
    const std::string name = learnerNameKey(r.line1);
    const auto at = listed.find(name);
    const std::string learner = at != listed.end() ? test.learners[at->second].name : r.line1;
    Checked c{&r, testProblem(r, test, learnerSeconds(test, learner)), timeOfName(r.shownName) + r.shownName};
    if (!c.problem && learnerNameKey(r.line2) != learnerNameKey(test.className)) c.problem = w1252("andere Klasse");
    if (at != listed.end()) {
      ofListed[at->second].push_back(std::move(c));
    } else {
      if (!others.count(name)) otherOrder.push_back(name);
      others[name].push_back(std::move(c));
    }
  }

  const auto fill = [&](TestRow& row, std::vector<Checked>& hand) {
    std::stable_sort(hand.begin(), hand.end(), [](const Checked& a, const Checked& b) {
      return a.result->date.year != b.result->date.year
                 ? a.result->date.year < b.result->date.year
                 : (a.result->date.month != b.result->date.month ? a.result->date.month < b.result->date.month
                    : a.result->date.day != b.result->date.day  ? a.result->date.day < b.result->date.day
                                                                 : a.sortKey < b.sortKey);
    });
    row.handIns = static_cast<int>(hand.size());
    const auto good = std::find_if(hand.begin(), hand.end(), [](const Checked& c) { return !c.problem; });
    const Checked& shown = good != hand.end() ? *good : hand.front();
    row.result = *shown.result;
    if (good == hand.end()) {
      row.note = *shown.problem;
      row.state = *shown.problem == figuresMismatchText() ? HandInState::FiguresWrong : HandInState::OtherTest;
      row.statusText = row.note;
      return false;
    }
    if (key != nullptr) row.grade = gradeOf(*key, shown.result->gradeInput());
    return true;
  };

  for (std::size_t i = 0; i < test.learners.size(); ++i) {
    TestRow row;
    row.learner = test.learners[i].name;
    row.seconds = learnerSeconds(test, row.learner);
    row.ownTime = test.learners[i].seconds > 0 && test.learners[i].seconds != test.seconds;
    std::vector<Checked>& hand = ofListed[i];
    if (hand.empty()) {
      row.state = HandInState::Missing;
      row.statusText = "fehlt";
    } else if (fill(row, hand)) {
      ++status.handedIn;
      if (row.handIns > 1) {
        row.state = HandInState::Several;
        row.statusText = std::to_string(row.handIns) + " Abgaben";
      } else {
        row.state = HandInState::HandedIn;
        const std::string time = timeOfName(row.result->shownName);
        row.statusText = "abgegeben " + (time.empty() ? dateText(row.result->date) : time);
      }
      if (row.result->voided()) markEmpty(row);
    }
    status.rows.push_back(std::move(row));
  }
  status.listed = static_cast<int>(test.learners.size());

  for (const std::string& name : otherOrder) {
    std::vector<Checked>& hand = others[name];
    TestRow row;
    row.learner = hand.front().result->line1;
    row.seconds = test.seconds;
    if (fill(row, hand)) {
      if (test.learners.empty()) {
        ++status.handedIn;
        const std::string time = timeOfName(row.result->shownName);
        row.state = row.handIns > 1 ? HandInState::Several : HandInState::HandedIn;
        row.statusText = row.handIns > 1 ? std::to_string(row.handIns) + " Abgaben"
                                         : "abgegeben " + (time.empty() ? dateText(row.result->date) : time);
        if (row.result->voided()) markEmpty(row);
      } else {
        row.state = HandInState::NotInList;
        row.statusText = "nicht in der Liste";
      }
    }
    status.rows.push_back(std::move(row));
  }
  for (const ClassResult* r : refused) {
    TestRow row;
    row.learner = r->shownName;
    row.state = HandInState::Refused;
    row.statusText = r->status;
    row.note = r->status;
    row.result = *r;
    row.handIns = 1;
    status.rows.push_back(std::move(row));
  }
  return status;
}

std::string testStatusText(const ClassTest& test, const TestStatus& status) {
  std::string out = w1252("Klassenarbeit ") + test.className + w1252(" \u2013 ") + test.title + "\n";
  out += "Vorbereitet am " + dateText(test.prepared.date) + ": " + rulesText(test) + "\n";
  out += status.countText() + "\n\n";
  for (const TestRow& row : status.rows) {
    out += row.learner;
    if (row.ownTime) out += " (" + minutesText(row.seconds) + ")";
    out += " | " + row.statusText;
    if (row.result && row.result->valid && row.note.empty()) {
      out += w1252(" | ") + std::to_string(row.result->keystrokes) + w1252(" Anschläge | ") +
             (row.result->impossible ? w1252("Auswertung nicht möglich") : std::to_string(row.result->errors) + " Fehler");
      if (row.grade) out += " | Note " + gradeText(row.grade);
    }
    if (row.result) out += " | " + row.result->shownName;
    out += "\n";
  }
  // Names are often "Nachname, Vorname": a comma between learners would run
  // them together, so a semicolon parts them.
  std::string missing;
  for (const std::string& name : missingLearners(status)) missing += (missing.empty() ? "" : "; ") + name;
  if (!missing.empty()) out += "\nEs fehlen: " + missing + "\n";
  return out;
}

std::string testStatusCsv(const ClassTest& test, const TestStatus& status) {
  const auto u8 = [](std::string_view cp1252) { return csvCell(cp1252ToUtf8(cp1252)); };
  std::string out;
  out += "Klassenarbeit;" + u8(test.title) + "\n";
  out += "Klasse;" + u8(test.className) + "\n";
  char prepared[32];
  std::snprintf(prepared, sizeof prepared, "%02d.%02d.%04d %02d:%02d", test.prepared.date.day,
                test.prepared.date.month, test.prepared.date.year, test.prepared.hour, test.prepared.minute);
  out += std::string("Vorbereitet;") + prepared + "\n";
  out += "Regeln;" + u8(rulesText(test)) + "\n";
  out += "Stand;" + u8(status.countText()) + "\n";
  // One cell for each learner missing, so that a spreadsheet keeps
  // "Nachname, Vorname" whole.
  out += "Es fehlen";
  for (const std::string& name : missingLearners(status)) out += ";" + u8(name);
  out += "\n\n";
  out += "Name;Zeit (Minuten);Status;Datei;Datum;Anschl\xC3\xA4ge;Fehler;Fehlerprozent;Anschl\xC3\xA4ge pro Minute;"
         "Minuten;Note\n";
  for (const TestRow& row : status.rows) {
    std::vector<std::string> cells = {u8(row.learner),
                                      row.seconds > 0 ? decimalComma(row.seconds / 60.0, 1) : std::string(),
                                      u8(row.statusText)};
    const ClassResult* r = row.result ? &*row.result : nullptr;
    const bool counts = r != nullptr && r->valid && row.note.empty();
    if (r != nullptr) {
      cells.push_back(u8(r->shownName));
      cells.push_back(r->valid ? dateText(r->date) : std::string());
    } else {
      cells.insert(cells.end(), {"", ""});
    }
    if (counts) {
      const std::optional<double> percent = r->errorPercent();
      cells.insert(cells.end(),
                   {std::to_string(r->keystrokes), r->impossible ? std::string() : std::to_string(r->errors),
                    percent ? decimalComma(*percent, 3) : std::string(),
                    r->keystrokesPerMinute >= 0 ? std::to_string(r->keystrokesPerMinute) : std::string(),
                    r->seconds >= 0 ? decimalComma(static_cast<double>(r->seconds) / 60.0, 2) : std::string(),
                    row.grade ? u8(gradeText(row.grade)) : std::string()});
    } else {
      cells.insert(cells.end(), {"", "", "", "", "", ""});
    }
    for (std::size_t i = 0; i < cells.size(); ++i) out += (i ? ";" : "") + cells[i];
    out += "\n";
  }
  return out;
}

}  // namespace kv
