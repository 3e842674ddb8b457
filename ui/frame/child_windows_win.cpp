#include "ui/frame/child_windows_win.h"

#include "ui/adaptive/adaptive_window_win.h"
#include "ui/teachers/class_window_win.h"
#include "ui/exam/exam_start_win.h"
#include "ui/exercise/exercise_window_win.h"
#include "ui/history/history_window_win.h"
#include "ui/result/result_window_win.h"
#include "ui/selection/selection_dialog_win.h"

namespace kv {

std::unique_ptr<ChildWindow> createSelectionChild(ChildHost& host) {
  return createSelectionDialog(host);
}

std::unique_ptr<ChildWindow> createExerciseChild(ChildHost& host) {
  return createExerciseWindow(host);
}

std::unique_ptr<ChildWindow> createResultChild(ChildHost& host) {
  return createResultWindow(host);
}

std::unique_ptr<ChildWindow> createHistoryChild(ChildHost& host) {
  return createHistoryWindow(host);
}

std::unique_ptr<ChildWindow> createClassChild(ChildHost& host) { return createClassWindow(host); }

}  // namespace kv

namespace kv {

std::unique_ptr<ChildWindow> createClassTestChild(ChildHost& host) { return createClassTestStart(host); }

std::unique_ptr<ChildWindow> createAdaptiveChild(ChildHost& host) { return createAdaptiveWindow(host); }

}  // namespace kv
