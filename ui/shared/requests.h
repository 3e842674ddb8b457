// What the main window and its children call each other by: the numbered
// requests a child posts, and the kinds of child the frame can hold.
#pragma once

namespace kv {

// The numbered requests children post to the main window.
// History (5) opens the learning history, an addition reached from the menu;
// ClassTest (7) the start page of a class test a learner opened; Adaptive (8)
// the adaptive lessons, from the selection's menu and the Lernverlauf.
enum class Request : int { Selection = 1, Exercise = 2, Result = 3, OpenSaved = 4, History = 5, ClassResults = 6,
                          ClassTest = 7, Adaptive = 8 };
constexpr bool isValidRequest(int n) { return n >= 1 && n <= 8; }

enum class ChildKind { None, Selection, Exercise, Result, History, ClassResults, ClassTest, Adaptive };

}  // namespace kv
