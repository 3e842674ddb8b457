// The process-wide configuration: built-in defaults plus the administrator's
// policy values read at start. Nothing here is ever written back.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/system_records.h"

#include "core/line_selection.h"

namespace kv {

// 0x00BBGGRR, red in the low byte. A high byte of 0xFF names a system colour
// by its index in the low byte.
using Colour = std::uint32_t;

namespace SystemColour {
inline constexpr Colour Desktop = 0xFF000001;
inline constexpr Colour Window = 0xFF000005;
inline constexpr Colour WindowText = 0xFF000008;
inline constexpr Colour CaptionText = 0xFF000009;
inline constexpr Colour Highlight = 0xFF00000D;
inline constexpr Colour ButtonFace = 0xFF00000F;
}  // namespace SystemColour

constexpr bool isSystemColour(Colour c) { return (c >> 24) == 0xFF; }
constexpr int systemColourIndex(Colour c) { return static_cast<int>(c & 0xFF); }

// The on-screen keyboard's colours. `colourTarget` tells the scheme chooser
// what it changes: 1 the five finger colours, anything else the background.
struct FingerColours {
  int colourTarget = 0;
  Colour little = 0x00FF00;
  Colour ring = 0x0000FF;
  Colour middle = 0x00FFFF;
  Colour index = 0xFFFF00;
  Colour thumb = 0x008080;
  Colour background = 0x808000;
};

enum SchemeColour { kLittle = 0, kRing, kMiddle, kIndex, kThumb, kBackground, kSchemeColours };
using ColourScheme = std::array<Colour, kSchemeColours>;
inline constexpr int kSchemeCount = 9;
inline constexpr int kCustomScheme = 4;
using ColourSchemeTable = std::array<ColourScheme, kSchemeCount>;

ColourSchemeTable defaultColourSchemes();

// Copies the scheme's finger colours (colour target 1) or its background
// (any other target) into `colours`. Indices outside 0-8 change nothing.
void selectScheme(FingerColours& colours, const ColourSchemeTable& schemes, int index);

// Colours that match no scheme go into the custom slot, fingers and background
// judged separately, so the chooser can always show the current colours.
void reconcileColours(const FingerColours& colours, ColourSchemeTable& schemes);

struct FontChoice {
  std::string proportionalName = "Arial";
  std::string fixedName = "Courier New";
  bool hasArial = false;
  bool hasConsolas = false;
  bool hasCourierNew = false;
  bool hasLucidaConsole = false;
  bool hasVerdana = false;
  std::string dialogFontName = "MS Sans Serif";
  int dialogFontSize = 11;     // points
  int dialogFontHeight = -15;  // pixels; negative means character height
  bool dialogFontBold = false;
};

struct EnvironmentInfo {
  std::uint8_t densityClass = 0;
  int screenSizePercent = 0;
  std::uint32_t osMajor = 0;
  std::uint32_t osMinor = 0;
  bool server = false;
  bool remoteSession = false;
  bool compatibilityLayer = false;
  std::uint16_t kernelMajor = 0, kernelMinor = 0;
  std::uint16_t userMajor = 0, userMinor = 0;
  std::uint32_t lowestVersion = 500001;
  std::uint32_t highestVersion = 1000099;
};

struct FolderSettings {
  std::string documents;
  std::string teacher;
  std::string student;
  std::string program;
  std::string history;  // the learning history's folder; empty: the user's own
  std::string gradeKey;  // a school's shared grade key file; empty: none
  std::string classTests;  // where class tests are prepared by default; empty: the teacher folder
};

struct PolicySettings {
  bool maximiseMainWindow = true;
  bool webLinksEnabled = true;
  bool historyEnabled = true;  // off: nothing is recorded, no menu item
  bool teacherFunctions = true;  // off: the teachers' menu is not there
  // off: no class test opens, none waits on this PC to be handed in
  bool classTestsEnabled = true;
  // off: no "Adaptiv üben" in the selection's menu nor in the Lernverlauf
  bool adaptiveLessons = true;
};

enum class ExerciseForm : std::uint8_t {
  RunningText = 1,   // "Laufschrift"
  LitKeys = 2,       // "Leuchttastei"
  OnScreenText = 3,  // "Textvorgabe auf Bildschirm"
  FromPaper = 4,     // "Text von Vorlage"
};

// The form of a stored number; numbers stay at the file and registry boundary.
inline ExerciseForm formOf(int number) { return static_cast<ExerciseForm>(number); }
// Laufschrift and Leuchttastei have a pace (keystrokes per minute); the other
// two forms have a time limit in minutes instead.
inline bool hasPace(ExerciseForm form) {
  return form == ExerciseForm::RunningText || form == ExerciseForm::LitKeys;
}
inline bool hasTimeLimit(ExerciseForm form) {
  return form == ExerciseForm::OnScreenText || form == ExerciseForm::FromPaper;
}

struct ExerciseParameters {
  std::uint8_t form = 1;
  // Forms 1 and 2: keystrokes per minute (0 = at the learner's own pace);
  // forms 3 and 4: time limit in minutes (0 = none). Below 1 means none.
  std::int32_t pace = 0;
  bool correctionAllowed = false;
  bool statusVisible = true;
  LineSelection selection;
  std::string textTitle;
  std::string archiveCaption;
  std::int32_t archiveIndex = 0;
  // A class test's time limit in seconds (forms 3 and 4), which may hold half
  // minutes; 0: the limit is `pace` minutes.
  std::int32_t limitSeconds = 0;
};

inline constexpr std::size_t kLearnerLineMax = 45;

struct ResultOptions {
  std::string learnerLine1;  // also the suffix of the print job's title
  std::string learnerLine2;
  bool showExerciseTime = true;
  bool showKeystrokesPerMinute = true;
};

// Keeps at most kLearnerLineMax characters.
std::string clipLearnerLine(std::string_view text);

inline constexpr const char* kProductWebPage = "https://www.klavento.de/";
inline constexpr const char* kWebPathDin5008 = "din5008/";
inline constexpr const char* kWebPathSpelling = "rechtschreibung/";

// The 37 interface words shared by several windows and the evaluation, as
// Windows-1252 bytes. Form n is named uiWord(n - 1).
inline constexpr int kUiWordCount = 37;
const std::array<std::string, kUiWordCount>& uiWords();
const std::string& uiWord(int index);
// Name of exercise form 1-4; empty for any other value.
std::string formName(int form);

// The dialog font grows until a capital X is at least this many pixels high.
inline constexpr int kMinDialogXHeight = 14;

// `menuFont` is empty when the system's non-client metrics could not be read;
// the font then keeps its defaults.
void computeDialogFont(const std::optional<MenuFont>& menuFont, FontMeasurer& measurer,
                       FontChoice& fonts);

// "Systemfarben": every window draws in the system's colours alone (window,
// window text, highlight, button face, grey text) instead of the program's.
// Chosen in the colour scheme chooser for the session, or at start by the
// administrator's policy value; Windows' high contrast turns it on as well,
// which the windows ask of the system themselves.
struct ColourMode {
  bool systemColours = false;
};

struct Settings {
  FingerColours fingers;
  ColourMode colourMode;
  ColourSchemeTable schemes = defaultColourSchemes();
  FontChoice fonts;
  EnvironmentInfo environment;
  FolderSettings folders;
  PolicySettings policies;
};

}  // namespace kv
