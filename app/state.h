// The program's process-wide records, reached through this one place. They
// live for the whole run; windows read them and the dialogs that own a record
// write it.
#pragma once

#include "app/settings.h"
#include "texts/text_model.h"

namespace kv {

struct AppState {
  Settings settings;
  ExerciseParameters exercise;
  ResultOptions resultOptions;
  TextArchiveHeader currentHeader;
  TextArchiveHeader savedHeader;  // the last archive opened successfully
  CurrentText currentText;
};

AppState& appState();

}  // namespace kv
