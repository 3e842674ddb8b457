// "Adaptiv üben" across its windows: the learner's target and the lessons
// typed since the program started, which are all there is when no
// Lernverlauf is kept, and the way back from a lesson's result to the
// lessons. One process-wide record, reached through this one place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/settings.h"
#include "history/exercise_record.h"
#include "texts/text_model.h"

namespace kv {

struct AdaptiveRun {
  int target = 0;  // Anschläge pro Minute; 0 until the window sets its default
  // The lessons typed in this run, oldest first, whether or not the
  // Lernverlauf took them.
  std::vector<ExerciseRecord> lessons;
  // The last line of the latest lesson, so that the next does not repeat it.
  std::string previousLine;
  // Set when a lesson starts: the result's "Schließen" leads back here.
  bool lessonRunning = false;
  // The learner's own choices, put back when the lessons are left.
  bool replacedExercise = false;
  ExerciseParameters exerciseBefore;
  CurrentText textBefore;
};

AdaptiveRun& adaptiveRun();

// The records the next lesson is made from: the newest of the Lernverlauf
// (when it is kept and can be read) and this run's lessons that it lacks,
// oldest first. `notice` says why the Lernverlauf could not be read.
std::vector<ExerciseRecord> adaptiveRecords(std::string& notice);

// The result window hands over each evaluated adaptive lesson.
bool adaptiveLessonRunning();
void keepAdaptiveLesson(const ExerciseRecord& record);

// Makes the next lesson for the learner, puts it in place of the current
// text with the learner's form and asks for the exercise window. False when
// no lesson could be made; `notice` then says why.
bool startAdaptiveLesson(std::string& notice);

// Leaving the lessons: the learner's own text and choices come back.
void endAdaptiveLessons();

}  // namespace kv
