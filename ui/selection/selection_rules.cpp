#include "ui/selection/selection_rules.h"

#include <algorithm>

#include "platform/encoding.h"
#include "texts/archive.h"
#include "texts/text_model.h"

namespace kv {

int validForm(int form) { return form >= 1 && form <= 4 ? form : 1; }

PaceGroup paceGroup(int form) {
  switch (validForm(form)) {
    case 1:
      return {w1252("Geschwindigkeit"), w1252("individuell"), w1252("Anschläge/Minute:"), 30, 720, 5};
    case 2:
      return {w1252("Geschwindigkeit"), w1252("individuell"), w1252("Anschläge/Minute:"), 30, 200, 5};
    default:
      return {w1252("Zeitbegrenzung"), w1252("ohne"), w1252("Zeitlimit in Minuten:"), 1, 90, 1, 4};
  }
}

int digitCount(int value) {
  int digits = 1;
  for (value = std::max(value, 0); value >= 10; value /= 10) ++digits;
  return digits;
}

int clampField(std::string_view text, int minimum, int maximum) {
  return std::clamp<int>(parseDigits(text), minimum, std::max(minimum, maximum));
}

CorrectionChoice correctionChoice(int form, bool valueChosen, bool correctionAllowed) {
  switch (validForm(form)) {
    case 2: return {false, false};
    case 1: return {valueChosen, valueChosen && correctionAllowed};
    default: return {true, correctionAllowed};
  }
}

FormChoice chooseForm(int form, std::int32_t pace, bool correctionAllowed, bool shown) {
  form = validForm(form);
  const PaceGroup group = paceGroup(form);
  FormChoice choice;
  if (shown) {
    pace = 0;
    correctionAllowed = false;
  }
  if (formOf(form) == ExerciseForm::LitKeys) correctionAllowed = false;
  if (pace < 0) pace = hasPace(formOf(form)) ? group.minimum : 0;
  // A restored pace outside the spin's range would be stored again unseen.
  if (pace > 0) pace = std::clamp(pace, group.minimum, group.maximum);
  choice.pace = pace;
  choice.correctionAllowed = correctionAllowed;
  choice.valueChosen = pace > 0;
  choice.fieldValue = pace > 0 ? pace : group.minimum;
  choice.fieldEnabled = pace > 0;
  choice.correction = correctionChoice(form, choice.valueChosen, correctionAllowed);
  return choice;
}

LineRange wholeText(std::int32_t lineCount) {
  lineCount = std::max(lineCount, 1);
  return {1, lineCount, lineCount};
}

LineRange withFirstLine(LineRange range, std::int32_t first) {
  range.first = std::clamp(first, 1, std::max(range.last, 1));
  return range;
}

LineRange withLastLine(LineRange range, std::int32_t last) {
  range.last = std::clamp(last, std::min(range.first, range.lineCount), range.lineCount);
  return range;
}

std::vector<ArchiveItem> archiveBoxItems(const std::vector<std::string>& programArchives,
                                         const std::vector<std::string>& ownArchives) {
  std::vector<ArchiveItem> items;
  if (!programArchives.empty()) {
    items.push_back({ArchiveItemKind::ProgramHeading, "Klavento 7", {}});
    for (const std::string& e : programArchives) {
      items.push_back({ArchiveItemKind::Archive, entryName(e), entryPath(e)});
    }
  }
  items.push_back({ArchiveItemKind::OwnHeading, "Eigene Textarchive", {}});
  for (const std::string& e : ownArchives) {
    items.push_back({ArchiveItemKind::Archive, entryName(e), entryPath(e)});
  }
  items.push_back({ArchiveItemKind::Browse, "Durchsuchen...", {}});
  return items;
}

std::string archivePathOf(const std::vector<std::string>& programArchives,
                          const std::vector<std::string>& ownArchives, int index) {
  if (index < 1) return {};
  const auto program = static_cast<int>(programArchives.size());
  const auto own = static_cast<int>(ownArchives.size());
  if (program > 0) {
    if (index <= program) return entryPath(programArchives[static_cast<std::size_t>(index - 1)]);
    if (index == program + 1) return {};
    const int i = index - program - 2;
    return i < own ? entryPath(ownArchives[static_cast<std::size_t>(i)]) : std::string();
  }
  const int i = index - 1;
  return i < own ? entryPath(ownArchives[static_cast<std::size_t>(i)]) : std::string();
}

std::string skippedArchivesNotice(const std::string& folder,
                                  const std::vector<SkippedArchive>& skipped) {
  if (skipped.empty()) return {};
  // A folder full of broken files must not make a box taller than the screen.
  constexpr std::size_t kListed = 12;
  std::string text = w1252("Diese Dateien im Ordner „") + folder +
                     w1252("“ werden nicht als Textarchiv angeboten:\n");
  for (std::size_t i = 0; i < skipped.size() && i < kListed; ++i) {
    const std::string& path = skipped[i].path;
    const std::size_t slash = path.find_last_of("\\/");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    text += "\n" + name + ": " + w1252(skipReasonText(skipped[i]));
  }
  if (skipped.size() > kListed) {
    text += w1252("\n… und ") + std::to_string(skipped.size() - kListed) + w1252(" weitere.");
  }
  return text;
}

bool isHeadingItem(const std::vector<ArchiveItem>& items, int index) {
  if (index <= 0) return true;
  if (index >= static_cast<int>(items.size())) return false;
  const ArchiveItemKind kind = items[static_cast<std::size_t>(index)].kind;
  return kind == ArchiveItemKind::ProgramHeading || kind == ArchiveItemKind::OwnHeading;
}

Preselection preselectArchive(const std::vector<ArchiveItem>& items,
                              const std::vector<std::string>& programArchives,
                              const ExerciseParameters& parameters, ArchiveScanState& scan) {
  const int count = static_cast<int>(items.size());
  const int index = parameters.archiveIndex;
  if (index >= 0 && index < count &&
      items[static_cast<std::size_t>(index)].caption == parameters.archiveCaption) {
    return {index, false};
  }
  if (scan.preferredArchiveFound) {
    scan.preferredArchiveFound = false;
    for (int i = 1; i < count; ++i) {
      const std::string& path = items[static_cast<std::size_t>(i)].path;
      if (!path.empty() && sameArchivePath(path, scan.preferredArchivePath)) {
        scan.preferredArchivePath.clear();
        return {i, true};
      }
    }
    return {1, false};
  }
  Preselection choice{1, true};
  if (programArchives.empty() && !scan.lastArchivePath.empty()) {
    for (int i = count - 1; i >= 2; --i) {
      const std::string& path = items[static_cast<std::size_t>(i)].path;
      if (!path.empty() && sameArchivePath(path, scan.lastArchivePath)) {
        choice.index = i;
        break;
      }
    }
    scan.lastArchivePath.clear();
  }
  return choice;
}

void storeParameters(const SelectionControls& controls, ExerciseParameters& parameters) {
  parameters.form = static_cast<std::uint8_t>(validForm(controls.form));
  parameters.pace = controls.valueChosen ? parseDigits(controls.paceText) : 0;
  parameters.correctionAllowed = controls.withCorrection;
  parameters.selection.firstLine = controls.firstLine;
  parameters.selection.lastLine = controls.lastLine;
  parameters.selection.repeatMode = controls.repeatMode;
  parameters.selection.repetitions = parseDigits(controls.repetitionsText);
}

bool exerciseStartAllowed(const EnvironmentInfo& environment) {
  if (environment.compatibilityLayer) return true;
  auto accepted = [&](std::uint16_t major, std::uint16_t minor) {
    const std::uint32_t version = major * 100000u + minor;
    return version == 0 ||
           (version >= environment.lowestVersion && version <= environment.highestVersion);
  };
  return accepted(environment.kernelMajor, environment.kernelMinor) &&
         accepted(environment.userMajor, environment.userMinor);
}

std::string previewLineNumber(int line, int lineCount) {
  const int width = std::max(2, digitCount(lineCount));
  std::string number = std::to_string(std::max(line, 0));
  if (static_cast<int>(number.size()) < width) {
    number.insert(0, static_cast<std::size_t>(width) - number.size(), '0');
  }
  return number;
}

Colour resolveColour(Colour colour, const SystemColourLookup& system) {
  if (!isSystemColour(colour)) return colour & 0xFFFFFF;
  return system ? system(systemColourIndex(colour)) & 0xFFFFFF : 0;
}

Colour contrastColour(Colour colour, const SystemColourLookup& system) {
  const Colour rgb = resolveColour(colour, system);
  const unsigned mean = ((rgb & 0xFF) + ((rgb >> 8) & 0xFF) + ((rgb >> 16) & 0xFF)) / 3;
  return mean > 170 ? 0x000000 : 0xFFFFFF;
}

Colour mapTemplateColour(Colour templateColour, const ColourScheme& scheme,
                         const GlyphSystemColours& system, const SystemColourLookup& lookup) {
  auto own = [&](SchemeColour c) { return resolveColour(scheme[c], lookup); };
  switch (templateColour) {
    case 0xC0C0C0: return system.buttonFace;
    case 0x808080: return system.buttonShadow;
    case 0xFFFFFF: return system.buttonHighlight;
    case 0x000000: return system.darkShadow;
    case 0x800080: return contrastColour(scheme[kBackground], lookup);
    case 0xFF00FF: return system.windowText;
    case 0xFF0000: return system.window;
    case 0x00FF00: return own(kLittle);
    case 0x0000FF: return own(kRing);
    case 0x00FFFF: return own(kMiddle);
    case 0xFFFF00: return own(kIndex);
    case 0x008080: return own(kThumb);
    case 0x800000: return 0x800000;
    case 0x008000: return 0x808080;
    case 0x808000: return own(kBackground);
    case 0x000080: return 0x00FF00;
    default: return templateColour;
  }
}

GlyphScale glyphScale(int ppi) {
  // 96 ppi is 100 %; halves go to the even neighbour.
  int percent = 100 * ppi / 96;
  const int rest = 100 * ppi % 96;
  if (rest > 48 || (rest == 48 && percent % 2 == 1)) ++percent;
  int c = percent;
  while (c / 2 >= 100) c /= 2;
  const int picture = c < 125 ? 100 : c < 150 ? 125 : c < 175 ? 150 : 175;
  return {picture, percent / picture};
}

std::optional<int> matchingScheme(const FingerColours& colours, const ColourSchemeTable& schemes) {
  for (int k = 0; k < kSchemeCount; ++k) {
    const ColourScheme& s = schemes[static_cast<std::size_t>(k)];
    const bool same =
        colours.colourTarget == 1
            ? s[kLittle] == colours.little && s[kRing] == colours.ring &&
                  s[kMiddle] == colours.middle && s[kIndex] == colours.index &&
                  s[kThumb] == colours.thumb
            : s[kBackground] == colours.background;
    if (same) return k;
  }
  return std::nullopt;
}

}  // namespace kv
