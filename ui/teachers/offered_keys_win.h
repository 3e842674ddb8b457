// The grade keys the teachers' windows offer, in one order: none, the
// school's key named by policy, the examples, and a key the teacher loaded or
// edited before. The class window and the class test's preparation show the
// same choice.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "classroom/grade_key.h"

namespace kv {

// One grade key offered: its caption in the box, and the key (none: no grades).
struct OfferedKey {
  std::wstring shown;
  std::optional<GradeKey> key;
};

struct KeyOffer {
  std::vector<OfferedKey> keys;
  int chosen = 0;  // the remembered key, else the school's, else none
  // Why the school's key file was not offered (Windows-1252); empty when it was
  // or there is none.
  std::string schoolKeyProblem;
};

// `schoolKeyFile`: the policy's path (Windows-1252), empty for none;
// `remembered`: a key file's text (UTF-8) chosen before, empty for none.
KeyOffer offerGradeKeys(const std::string& schoolKeyFile, const std::string& remembered);

// Fills a drop-down list with the offer and chooses its chosen key.
void showKeyOffer(HWND box, const KeyOffer& offer);

// The key chosen in `box`; null for "ohne Noten" or nothing chosen.
const GradeKey* chosenKeyOf(HWND box, const std::vector<OfferedKey>& keys);

}  // namespace kv
