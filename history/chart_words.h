// The Lernverlauf's charts in words, for those who cannot see them: a screen
// reader gives this as the chart's description.
#pragma once

#include <string>

#include "history/history_views.h"

namespace kv {

enum class ChartMeasure { KeystrokesPerMinute, ErrorPercent };

// "Anschläge pro Minute der letzten 20 Übungen: von 84 auf 131 gestiegen";
// over at most the last `span` exercises or days of the chart, all forms
// together. Windows-1252.
std::string chartInWords(const ChartData& data, ChartScale scale, ChartMeasure measure, int span = 20);

}  // namespace kv
