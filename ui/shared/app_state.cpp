#include "ui/shared/app_state.h"

namespace kv {

AppState& appState() {
  static AppState state;
  return state;
}

}  // namespace kv
