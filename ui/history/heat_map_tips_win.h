// The map of missed keys tells each key's figures on demand: a standard
// tooltip over every key, worded by keyMissFigure, so that no learner has to
// read a rate from a colour.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "history/exercise_record.h"
#include "keyboard/key_table.h"
#include "keyboard/keyboard_renderer_win.h"

namespace kv {

// A key as the map shows it: where (window pixels) and its figures in words
// (Windows-1252).
struct HeatKeySpot {
  RECT rect{};
  std::string text;
};

// The keys of the map drawn by drawHeatMap into `area`, at the places it
// draws them, each with its figures. Empty when the map does not fit.
std::vector<HeatKeySpot> heatMapSpots(const RECT& area, const win::KeyboardRenderer& picture, const KeyTable& table,
                                      const std::array<KeyTally, 256>& keys, int dpi);

class HeatMapTips {
 public:
  HeatMapTips() = default;
  ~HeatMapTips();
  HeatMapTips(const HeatMapTips&) = delete;
  HeatMapTips& operator=(const HeatMapTips&) = delete;

  // The tooltip window, owned by `owner` and gone with it.
  void attach(HWND owner);
  // One tool per key, replacing the last set.
  void update(const std::vector<HeatKeySpot>& spots);
  HWND window() const { return tip_; }
  std::size_t count() const { return tools_; }

 private:
  HWND owner_ = nullptr;
  HWND tip_ = nullptr;
  std::size_t tools_ = 0;
};

}  // namespace kv
