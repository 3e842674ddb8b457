#include "ui/exam/hand_in_win.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <system_error>

#include "evaluation/saved_file.h"
#include "exam/hand_in.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "ui/exam/class_test_places_win.h"
#include "ui/shared/app_state.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

std::atomic<bool>& delivering() {
  static std::atomic<bool> running{false};
  return running;
}

struct DeliveryJob {
  HWND notify;
  UINT message;
};

DWORD WINAPI deliverInBackground(LPVOID parameter) {
  const DeliveryJob job = *static_cast<DeliveryJob*>(parameter);
  delete static_cast<DeliveryJob*>(parameter);
  auto report = std::make_unique<DeliveryReport>();
  try {
    *report = deliverWaiting(waitingHandInFolder());
  } catch (...) {
    // A failed try leaves everything waiting for the next one.
    *report = DeliveryReport{};
  }
  delivering() = false;
  const auto delivered = static_cast<WPARAM>(report->delivered.size());
  // The window owns the report once the message is posted; a window that is
  // gone already leaves it here.
  if (job.notify != nullptr &&
      ::PostMessageW(job.notify, job.message, delivered, reinterpret_cast<LPARAM>(report.get()))) {
    (void)report.release();
  }
  return 0;
}

std::string twoDigits(int n) {
  std::string s = std::to_string(n);
  return s.size() < 2 ? "0" + s : s;
}

}  // namespace

ClockTime localClockTime() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  ClockTime t;
  t.date = CalendarDate{now.wYear, now.wMonth, now.wDay};
  t.hour = now.wHour;
  t.minute = now.wMinute;
  t.second = now.wSecond;
  return t;
}

HandInNotice handInClassTestResult(const std::vector<std::string>& lines, const TypedExercise& seals,
                                   std::int32_t longestLine) {
  AppState& state = appState();
  AppState::ClassTestRun& run = state.classTest;
  HandInNotice notice;
  run.active = false;
  run.handedIn = true;
  const ClockTime now = localClockTime();
  const std::string bytes = encodeResultFile(lines, seals, longestLine);
  const std::string name = handInFileName(run.test.className, run.learner, now);
  const fs::path folder = handInFolderOf(pathFromCp1252(run.testFile));
  const std::string at = twoDigits(now.hour) + ":" + twoDigits(now.minute);
  const HandInOutcome outcome = handInFile(folder, name, bytes);
  if (outcome.delivered) {
    notice.delivered = true;
    notice.line = w1252("Abgegeben um ") + at + w1252(" Uhr: ") + cp1252OfPath(outcome.file);
  } else {
    WaitingHandIn waiting;
    waiting.target = folder;
    waiting.fileName = name;
    waiting.testId = run.test.id;
    waiting.learner = run.learner;
    std::string why;
    const std::string reason = outcome.reason.empty() ? w1252("Der Ordner ist nicht erreichbar.") : outcome.reason;
    if (keepWaiting(waitingHandInFolder(), waiting, bytes, why)) {
      notice.waiting = true;
      run.waitingFileName = name;
      notice.line = w1252("Noch nicht abgegeben – das Ergebnis wartet auf diesem PC und wird von selbst "
                          "abgegeben, sobald der Ordner erreichbar ist.");
      notice.message = w1252("Das Ergebnis konnte nicht abgegeben werden: ") + reason +
                       w1252("\r\n\r\nEs bleibt auf diesem PC und wird von selbst in den Ordner „") +
                       cp1252OfPath(folder) +
                       w1252("“ abgegeben, sobald er wieder erreichbar ist – auch beim nächsten Start "
                             "von Klavento. Mit „Speichern …“ können Sie zusätzlich eine Kopie "
                             "an einem anderen Ort sichern, etwa auf einem USB-Stick.");
    } else {
      notice.line = w1252("Nicht abgegeben – bitte mit „Speichern …“ sichern und der Lehrkraft geben.");
      notice.message = w1252("Das Ergebnis konnte nicht abgegeben werden: ") + reason +
                       w1252("\r\n\r\nAuch auf diesem PC kann es nicht aufbewahrt werden: ") + why +
                       w1252("\r\n\r\nBitte speichern Sie es mit „Speichern …“ an einem anderen Ort, "
                             "etwa auf einem USB-Stick, und geben Sie es Ihrer Lehrkraft.");
    }
  }
  run.handInNotice = notice.line;
  return notice;
}

HandInsDelivered takeDeliveryReport(int count, LPARAM report) {
  HandInsDelivered result;
  result.count = count;
  const std::unique_ptr<DeliveryReport> owned(reinterpret_cast<DeliveryReport*>(report));
  if (!owned) return result;
  AppState::ClassTestRun& run = appState().classTest;
  if (run.waitingFileName.empty()) return result;
  for (std::size_t i = 0; i < owned->deliveredWaiting.size() && i < owned->delivered.size(); ++i) {
    const WaitingHandIn& was = owned->deliveredWaiting[i];
    if (was.testId != run.test.id || was.fileName != run.waitingFileName) continue;
    const ClockTime now = localClockTime();
    run.handInNotice = w1252("Abgegeben um ") + twoDigits(now.hour) + ":" + twoDigits(now.minute) +
                       w1252(" Uhr: ") + cp1252OfPath(owned->delivered[i].file);
    run.waitingFileName.clear();
    result.thisResult = true;
    break;
  }
  return result;
}

bool handInsWaiting() {
  std::error_code ec;
  const fs::path folder = waitingHandInFolder();
  if (!fs::is_directory(folder, ec)) return false;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    (void)entry;
    return true;
  }
  return false;
}

void deliverWaitingHandIns(HWND notify, UINT message) {
  if (!appState().settings.policies.classTestsEnabled) return;
  bool expected = false;
  if (!delivering().compare_exchange_strong(expected, true)) return;
  auto* job = new DeliveryJob{notify, message};
  const HANDLE thread = ::CreateThread(nullptr, 0, &deliverInBackground, job, 0, nullptr);
  if (thread == nullptr) {
    delete job;
    delivering() = false;
    return;
  }
  ::CloseHandle(thread);
}

}  // namespace kv
