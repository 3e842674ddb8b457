// The main window's kinds of child, one per request. Each is made by its own
// window family; the frame only knows them by these names.
#pragma once

#include <memory>

#include "ui/shared/child_window_win.h"

namespace kv {

// Each returns nothing when the window could not be created. Tests find the
// first three by class.
inline constexpr const wchar_t* kSelectionChildClass = L"KlaventoSelection";
inline constexpr const wchar_t* kExerciseChildClass = L"KlaventoExercise";
inline constexpr const wchar_t* kResultChildClass = L"KlaventoResult";
std::unique_ptr<ChildWindow> createSelectionChild(ChildHost& host);
std::unique_ptr<ChildWindow> createExerciseChild(ChildHost& host);
std::unique_ptr<ChildWindow> createResultChild(ChildHost& host);
std::unique_ptr<ChildWindow> createHistoryChild(ChildHost& host);
std::unique_ptr<ChildWindow> createClassChild(ChildHost& host);
std::unique_ptr<ChildWindow> createClassTestChild(ChildHost& host);
std::unique_ptr<ChildWindow> createAdaptiveChild(ChildHost& host);

}  // namespace kv
