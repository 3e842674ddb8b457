// The learner's side of handing in: the evaluated result of a class test
// goes into the test's hand-in folder the moment the evaluation is done, or
// waits on this PC and goes in by itself once the folder can be reached.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "evaluation/typed_exercise.h"
#include "exam/class_test.h"

namespace kv {

struct HandInNotice {
  bool delivered = false;
  bool waiting = false;  // kept on this PC, handed in later
  std::string line;      // what the result window shows (Windows-1252)
  std::string message;   // the reason, for a message box; empty when delivered
};

// Hands in the running class test's result and ends the run, so the same
// result is never handed in twice.
HandInNotice handInClassTestResult(const std::vector<std::string>& lines, const TypedExercise& seals,
                                   std::int32_t longestLine);

ClockTime localClockTime();

// Whether results wait on this PC (a cheap look at one folder).
bool handInsWaiting();
// Tries every waiting result in a thread of its own, so a server that does
// not answer never stalls a window; posts `message` to `notify` with the
// number handed in (wParam) and the report (lParam, for takeDeliveryReport)
// when done. Does nothing while a try still runs.
void deliverWaitingHandIns(HWND notify, UINT message);

struct HandInsDelivered {
  int count = 0;
  bool thisResult = false;  // the running class test's own result went in
};
// Takes over the report a try posted. When the running class test's waiting
// result was among those that went in, its notice says where it went now.
HandInsDelivered takeDeliveryReport(int count, LPARAM report);

}  // namespace kv
