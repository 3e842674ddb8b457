// What the main window and its children call each other by: the numbered
// requests a child posts, and the kinds of child the frame can hold.
#pragma once

namespace kv {

// The numbered requests children post to the main window.
// History (5) opens the learning history, an addition reached from the menu.
enum class Request : int { Selection = 1, Exercise = 2, Result = 3, OpenSaved = 4, History = 5, ClassResults = 6 };
constexpr bool isValidRequest(int n) { return n >= 1 && n <= 6; }

enum class ChildKind { None, Selection, Exercise, Result, History, ClassResults };

}  // namespace kv
