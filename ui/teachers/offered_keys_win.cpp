#include "ui/teachers/offered_keys_win.h"

#include <algorithm>

#include "platform/file_io.h"
#include "platform/win/strings.h"

namespace kv {

KeyOffer offerGradeKeys(const std::string& schoolKeyFile, const std::string& remembered) {
  KeyOffer offer;
  offer.keys.push_back({L"ohne Noten", std::nullopt});
  bool school = false;
  if (!schoolKeyFile.empty()) {
    std::string why;
    if (const std::optional<GradeKey> key = loadGradeKey(pathFromCp1252(schoolKeyFile), why)) {
      offer.keys.push_back({win::widen(key->name) + L" (Schlüssel der Schule)", key});
      school = true;
    } else {
      offer.schoolKeyProblem = why;
    }
  }
  for (const GradeKey& preset : gradeKeyPresets()) {
    offer.keys.push_back({L"Beispiel: " + win::widen(preset.name), preset});
  }
  std::optional<GradeKey> before;
  if (!remembered.empty()) {
    GradeKeyError ignored;
    before = parseGradeKey(remembered, ignored);
  }
  if (before) {
    const auto same = std::find_if(offer.keys.begin(), offer.keys.end(),
                                   [&](const OfferedKey& k) { return k.key == before; });
    if (same == offer.keys.end()) {
      offer.keys.push_back({win::widen(before->name) + L" (geladen)", before});
      offer.chosen = static_cast<int>(offer.keys.size()) - 1;
    } else {
      offer.chosen = static_cast<int>(same - offer.keys.begin());
    }
  } else if (school) {
    offer.chosen = 1;  // the school's own key first
  }
  return offer;
}

void showKeyOffer(HWND box, const KeyOffer& offer) {
  ::SendMessageW(box, CB_RESETCONTENT, 0, 0);
  for (const OfferedKey& k : offer.keys) {
    ::SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(k.shown.c_str()));
  }
  ::SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(offer.chosen), 0);
}

const GradeKey* chosenKeyOf(HWND box, const std::vector<OfferedKey>& keys) {
  const auto at = ::SendMessageW(box, CB_GETCURSEL, 0, 0);
  if (at < 0 || static_cast<std::size_t>(at) >= keys.size() || !keys[static_cast<std::size_t>(at)].key) {
    return nullptr;
  }
  return &*keys[static_cast<std::size_t>(at)].key;
}

}  // namespace kv
