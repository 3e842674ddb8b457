// The program's process-wide records, reached through this one place. They
// live for the whole run; windows read them and the dialogs that own a record
// write it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/settings.h"
#include "evaluation/saved_file.h"
#include "evaluation/typed_exercise.h"
#include "exam/class_test.h"
#include "texts/archive.h"
#include "texts/archive_scan.h"
#include "texts/text_model.h"

namespace kv {

struct AppState {
  Settings settings;
  ExerciseParameters exercise;
  ResultOptions resultOptions;
  TextArchiveHeader currentHeader;
  TextArchiveHeader savedHeader;  // the last archive opened successfully
  CurrentText currentText;
  TypedExercise typed;

  // Archive entries: the name padded to 64 characters, then the path. The
  // main window puts the built-in archive into programArchives.
  std::vector<std::string> programArchives;
  std::vector<std::string> ownArchives;
  // What the folder scan remembers between runs and hands to the selection
  // dialog: the last and the preferred archive.
  ArchiveScanState archiveScan;

  // The progress window's task and counters; the comparison and the folder
  // scan advance them, the window shows them and zeroes them when it closes.
  bool evaluationRunning = false;
  bool centreProgressWindow = false;
  std::int32_t progressMax = 0;
  std::int32_t progressPosition = 0;

  // The running exercise as the main window's status line shows it.
  std::int32_t liveKeystrokes = 0;
  bool timeLimitReached = false;

  // A saved exercise for the result window's file view, and where the next
  // open dialog starts.
  bool fileView = false;
  OpenedResult openedFile;
  std::string openDialogFolder;

  // The teachers' window: the class folder last chosen, and the grade key
  // chosen with it (the key file's text, UTF-8; empty: no grades).
  std::string classFolder;
  std::string classGradeKey;
  // The class test the teachers' window opens on next (Windows-1252 path of
  // its test file); empty: a plain class folder.
  std::string classTestFile;

  // The class test a learner is taking, from the start page to the hand-in.
  struct ClassTestRun {
    bool active = false;
    ClassTest test;
    std::string testFile;  // Windows-1252 path
    std::string learner;   // as the list has it
    // What became of the hand-in, for the result window: where it went, or
    // why it waits on this PC. Empty until the result is handed in.
    std::string handInNotice;
    bool handedIn = false;
    // The name the result waits under on this PC; empty once it is in.
    std::string waitingFileName;
    // The learner's own choices, put back when the test is over.
    bool replacedExercise = false;
    ExerciseParameters exerciseBefore;
    CurrentText textBefore;
  } classTest;

  // What an archive change in the selection touches.
  operator ArchiveSwitch() {
    return ArchiveSwitch{currentHeader, savedHeader, currentText, exercise.archiveIndex,
                         exercise.archiveCaption};
  }
};

AppState& appState();

}  // namespace kv
