// The exercise the measurements share: `lineCount` lines of German prose of
// about 56 characters, typed with a slip in every twelfth line.
#pragma once

#include "evaluation/typed_exercise.h"

namespace kv {

TypedExercise benchExercise(int lineCount);

}  // namespace kv
