// The selection dialog's and the colour chooser's decisions that need no
// window: the pace group of each form, the correction choice, the number
// fields, the line range, the archive box's items and preselection, the
// record the dialog stores, and the chooser's colour mapping.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"
#include "texts/archive_scan.h"

namespace kv {

// ---- First page ----

// Forms outside 1-4 are treated as form 1, the default.
int validForm(int form);

struct PaceGroup {
  std::string caption;      // "Geschwindigkeit" / "Zeitbegrenzung"
  std::string noLimit;      // "individuell" / "ohne"
  std::string valueOption;  // "Anschläge/Minute:" / "Zeitlimit in Minuten:"
  int minimum = 0;
  int maximum = 0;
  int step = 1;
  // Where the value option's Alt letter sits: "Zeitlimit" takes its l, since
  // its Z belongs to "< Zurück" on the same page.
  std::size_t valueMnemonic = 0;
};
// Texts are Windows-1252.
PaceGroup paceGroup(int form);

// How many digits a number field takes: as many as its maximum has.
int digitCount(int value);

// A number field when it loses the focus: its digits, held inside the range.
int clampField(std::string_view text, int minimum, int maximum);

struct CorrectionChoice {
  bool enabled = false;
  bool withCorrection = false;  // the with-correction option is the chosen one
};
// `valueChosen`: the value option of the pace group (a clocked speed or a
// time limit) is chosen.
CorrectionChoice correctionChoice(int form, bool valueChosen, bool correctionAllowed);

// What choosing a form does to the pace group.
struct FormChoice {
  std::int32_t pace = 0;           // the parameter after the reset rules
  bool correctionAllowed = false;  // likewise
  bool valueChosen = false;
  int fieldValue = 0;  // what the number field shows
  bool fieldEnabled = false;
  CorrectionChoice correction;
};
// `shown`: the dialog is on screen (a learner's choice); otherwise it is the
// set-up restoring the last parameters.
FormChoice chooseForm(int form, std::int32_t pace, bool correctionAllowed, bool shown);

// ---- Line range ----

struct LineRange {
  std::int32_t first = 1;
  std::int32_t last = 1;
  std::int32_t lineCount = 1;
  bool operator==(const LineRange&) const = default;
};
// A text chosen afresh: all of its lines.
LineRange wholeText(std::int32_t lineCount);
// The first line stays within 1 .. last, the last within first .. lineCount.
LineRange withFirstLine(LineRange range, std::int32_t first);
LineRange withLastLine(LineRange range, std::int32_t last);

inline constexpr int kMinRepetitions = 1;
inline constexpr int kMaxRepetitions = 99;

// ---- Archive box ----

enum class ArchiveItemKind { ProgramHeading, Archive, OwnHeading, Browse };

struct ArchiveItem {
  ArchiveItemKind kind = ArchiveItemKind::Archive;
  std::string caption;  // Windows-1252
  std::string path;     // empty for headings and "Durchsuchen..."
};

// "Klavento 7" (only with program archives), their names, "Eigene
// Textarchive", the own archives' names, "Durchsuchen...".
std::vector<ArchiveItem> archiveBoxItems(const std::vector<std::string>& programArchives,
                                         const std::vector<std::string>& ownArchives);

// The archive path behind item `index`; empty for headings, "Durchsuchen..."
// and indices outside the box.
std::string archivePathOf(const std::vector<std::string>& programArchives,
                          const std::vector<std::string>& ownArchives, int index);

// Items the learner cannot choose as an archive: index 0 and the own heading.
bool isHeadingItem(const std::vector<ArchiveItem>& items, int index);

// After a scan the user asked for: the files of `folder` that are not offered,
// each with its reason; empty when there are none. Windows-1252.
std::string skippedArchivesNotice(const std::string& folder,
                                  const std::vector<SkippedArchive>& skipped);

struct Preselection {
  int index = 1;
  bool makeCurrent = false;
};
// Which archive the dialog chooses when it is set up. Clears the one-time
// scan values it uses (the preferred archive once found, the last archive
// once looked for).
Preselection preselectArchive(const std::vector<ArchiveItem>& items,
                              const std::vector<std::string>& programArchives,
                              const ExerciseParameters& parameters, ArchiveScanState& scan);

// ---- Start ----

// What the controls hold when the dialog stores its parameters.
struct SelectionControls {
  int form = 1;
  bool valueChosen = false;
  std::string paceText;
  bool withCorrection = false;
  std::int32_t firstLine = 1;
  std::int32_t lastLine = 1;
  std::int32_t repeatMode = 0;
  std::string repetitionsText;
};
void storeParameters(const SelectionControls& controls, ExerciseParameters& parameters);

// Before an exercise starts: the system libraries' versions are within the
// accepted range (a version of 0 is unknown and passes), or a compatibility
// layer answers for them. Stricter about nothing than the start-up gate.
bool exerciseStartAllowed(const EnvironmentInfo& environment);

// ---- Preview ----

// The line number as the preview shows it: zero-padded to the digit count of
// the number of lines, at least two digits.
std::string previewLineNumber(int line, int lineCount);

// ---- Colour chooser ----

// Resolves a colour that names a system colour to its value; other colours
// are returned as they are.
using SystemColourLookup = std::function<Colour(int index)>;
Colour resolveColour(Colour colour, const SystemColourLookup& system);

// Black for light colours (mean of R, G, B above 170), white otherwise.
Colour contrastColour(Colour colour, const SystemColourLookup& system);

// The system colours the glyph templates are painted in.
struct GlyphSystemColours {
  Colour buttonFace = 0xC0C0C0;
  Colour buttonShadow = 0x808080;
  Colour buttonHighlight = 0xFFFFFF;
  Colour darkShadow = 0x000000;
  Colour windowText = 0x000000;
  Colour window = 0xFFFFFF;
};

// The colour a template palette colour becomes for one scheme; colours the
// template should not hold stay as they are.
Colour mapTemplateColour(Colour templateColour, const ColourScheme& scheme,
                         const GlyphSystemColours& system, const SystemColourLookup& lookup);

// The template picture for a screen density and its whole-number factor.
struct GlyphScale {
  int picturePercent = 100;  // 100, 125, 150 or 175
  int factor = 1;
};
GlyphScale glyphScale(int ppi);

// The scheme that equals the current colours (fingers for target 1,
// background otherwise), or nothing.
std::optional<int> matchingScheme(const FingerColours& colours, const ColourSchemeTable& schemes);

}  // namespace kv
