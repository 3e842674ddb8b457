// "Klassenarbeit vorbereiten" saving: the test the fields describe, the folder
// it goes to, and the test file, its hand-in folder and the teacher's copy.
#include "ui/exam/exam_prepare_dialog_win.h"
#include "ui/exam/exam_prepare_parts_win.h"

#include <chrono>
#include <filesystem>
#include <random>

#include "exam/class_list.h"
#include "exam/hand_in.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "platform/win/message_box.h"
#include "platform/win/strings.h"
#include "ui/exam/class_test_places_win.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

// A lesson's double period is the longest a school test runs.
constexpr int kMostMinutes = 180;
constexpr int kMostAttempts = 9;

ClockTime now() {
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  return ClockTime{CalendarDate{t.wYear, t.wMonth, t.wDay}, t.wHour, t.wMinute, t.wSecond};
}

// Two tests prepared in the same second on two PCs still get two ids.
std::uint64_t randomBits() {
  std::random_device device;
  LARGE_INTEGER counter{};
  ::QueryPerformanceCounter(&counter);
  const auto wall = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
  const auto ticks = static_cast<std::uint64_t>(counter.QuadPart);
  std::seed_seq seeds{device(), device(), static_cast<unsigned>(ticks), static_cast<unsigned>(ticks >> 32),
                      static_cast<unsigned>(wall), static_cast<unsigned>(wall >> 32),
                      static_cast<unsigned>(::GetCurrentProcessId())};
  std::mt19937_64 random(seeds);
  return random();
}

std::wstring systemFault(DWORD code, const std::wstring& folder) {
  return win::widen(faultSentence(problemOfSystemCode(code), win::narrowLossy(folder)));
}

}  // namespace

using test_preparation::namedLines;
using test_preparation::readField;
using test_preparation::secondsOfMinutes;

std::optional<std::wstring> ClassTestPreparation::reachableFolder() {
  std::wstring folder = win::windowText(control(kFolder));
  while (!folder.empty() && folder.back() == L' ') folder.pop_back();
  while (!folder.empty() && folder.front() == L' ') folder.erase(0, 1);
  if (folder.empty()) {
    refuse(L"Bitte den Ordner angeben, in den die Klassenarbeit gelegt wird, etwa T:\\Klasse 8b oder "
           L"\\\\server\\freigabe\\Klasse 8b.",
           kFolder);
    return std::nullopt;
  }
  if (!fs::path(folder).is_absolute()) {
    refuse(L"„" + folder + L"“ ist kein vollständiger Ordner. Bitte mit Laufwerk (T:\\Klasse 8b) oder als "
           L"Netzwerkpfad (\\\\server\\freigabe\\Klasse 8b) angeben.",
           kFolder);
    return std::nullopt;
  }
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = ::GetLastError();
    const fs::path parent = fs::path(folder).parent_path();
    const DWORD parentAttributes = ::GetFileAttributesW(parent.c_str());
    const bool parentThere = parent != fs::path(folder) && parentAttributes != INVALID_FILE_ATTRIBUTES &&
                             (parentAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if ((code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) && parentThere) {
      if (!win::askYesNo(hwnd_, L"Den Ordner „" + folder + L"“ gibt es noch nicht. Soll er angelegt werden?")) {
        ::SetFocus(control(kFolder));
        return std::nullopt;
      }
      if (!::CreateDirectoryW(folder.c_str(), nullptr)) {
        refuse(L"Der Ordner „" + folder + L"“ wurde nicht angelegt. " + systemFault(::GetLastError(), parent.wstring()),
               kFolder);
        return std::nullopt;
      }
      return folder;
    }
    std::wstring why = L"Der Ordner „" + folder + L"“ ist nicht erreichbar.";
    const FileProblem problem = problemOfSystemCode(code);
    if (problem.fault != FileFault::FolderMissing) why += L" " + systemFault(code, folder);
    refuse(why + L" Ist das Laufwerk verbunden und der Server erreichbar?", kFolder);
    return std::nullopt;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    refuse(L"„" + folder + L"“ ist eine Datei, kein Ordner.", kFolder);
    return std::nullopt;
  }
  return folder;
}

void ClassTestPreparation::refuse(const std::wstring& why, int field) {
  win::showError(hwnd_, why);
  ::SetFocus(control(field));
  if (field != kTextList && field != kList) ::SendMessageW(control(field), EM_SETSEL, 0, -1);
}

bool ClassTestPreparation::testOfFields(ClassTest& test, std::wstring& why, int& field) {
  const auto position = ::SendMessageW(control(kTextList), LB_GETCURSEL, 0, 0);
  if (!textLoaded_ || position < 0 || position >= header_.textCount) {
    why = L"Bitte einen Text wählen.";
    field = kTextList;
    return false;
  }
  test.title = header_.entries[static_cast<std::size_t>(position)].title;
  test.lines = text_.lines;
  test.form = ::SendMessageW(control(kFormScreen), BM_GETCHECK, 0, 0) == BST_CHECKED
                  ? static_cast<int>(ExerciseForm::OnScreenText)
                  : static_cast<int>(ExerciseForm::FromPaper);

  const std::wstring minutes = win::windowText(control(kMinutes));
  const std::optional<std::int32_t> seconds = secondsOfMinutes(minutes);
  field = kMinutes;
  if (!seconds || *seconds <= 0 || *seconds > kMostMinutes * 60) {
    why = L"Die Zeit „" + minutes + L"“ ist keine Zeit für eine Klassenarbeit. Bitte Minuten zwischen 1 und " +
          std::to_wstring(kMostMinutes) + L" angeben, halbe als 12,5.";
    return false;
  }
  test.seconds = *seconds;
  test.correctionAllowed = ::SendMessageW(control(kCorrection), BM_GETCHECK, 0, 0) == BST_CHECKED;
  const std::wstring attempts = win::windowText(control(kAttempts));
  field = kAttempts;
  if (attempts.size() != 1 || attempts[0] < L'1' || attempts[0] > L'0' + kMostAttempts) {
    why = L"Bitte als Versuche eine Zahl von 1 bis " + std::to_wstring(kMostAttempts) + L" angeben.";
    return false;
  }
  test.attempts = attempts[0] - L'0';

  std::wstring className = win::windowText(control(kClassField));
  while (!className.empty() && className.back() == L' ') className.pop_back();
  while (!className.empty() && className.front() == L' ') className.erase(0, 1);
  field = kClassField;
  const std::optional<std::string> narrowed = win::narrow(className);
  if (className.empty()) {
    why = L"Bitte die Klasse angeben, zum Beispiel 8b.";
    return false;
  }
  if (!narrowed || fileNamePart(*narrowed) != *narrowed) {
    why = L"Die Klasse „" + className + L"“ enthält Zeichen, die in keinem Dateinamen stehen dürfen (\\ / : * ? \" < > |).";
    return false;
  }
  test.className = *narrowed;

  const ClassListReading reading = readField(win::windowText(control(kList)), test.seconds);
  field = kList;
  if (!reading.refusal.empty()) {
    why = win::widen(reading.refusal);
    return false;
  }
  if (!reading.notUnderstood.empty() &&
      !win::askYesNo(hwnd_, L"Diese Zeilen der Klassenliste wurden nicht verstanden und fehlen in der Klassenarbeit:\n" +
                                namedLines(reading.notUnderstood) + L"\n\nTrotzdem speichern?")) {
    why.clear();
    return false;
  }
  test.learners = reading.learners;

  const auto key = ::SendMessageW(control(kKeyBox), CB_GETCURSEL, 0, 0);
  if (key >= 0 && static_cast<std::size_t>(key) < keys_.size() && keys_[static_cast<std::size_t>(key)].key) {
    test.gradeKey = formatGradeKey(*keys_[static_cast<std::size_t>(key)].key);
  }
  return true;
}

void ClassTestPreparation::save() {
  ClassTest test;
  std::wstring why;
  int field = kTextList;
  if (!testOfFields(test, why, field)) {
    if (!why.empty()) {
      refuse(why, field);
    } else {
      ::SetFocus(control(field));
    }
    return;
  }
  const std::optional<std::wstring> folder = reachableFolder();
  if (!folder) return;
  test.id = testIdOf(randomBits());
  test.prepared = now();
  const std::string bytes = encodeClassTest(test);
  // What learners will read is read back here first: a test the program
  // itself would refuse never reaches the class.
  ClassTest check;
  std::string reason;
  if (decodeClassTest(bytes, check, reason) != TestFileError::None) {
    win::showError(hwnd_, L"Diese Klassenarbeit lässt sich so nicht speichern: " + win::widen(reason));
    return;
  }

  const fs::path target = fs::path(*folder) / pathFromCp1252(testFileName(test.className, test.title));
  if (::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES &&
      !win::askYesNo(hwnd_, L"Die Klassenarbeit „" + target.filename().wstring() + L"“ liegt schon im Ordner „" +
                                *folder + L"“. Soll sie ersetzt werden?\n\nAbgaben zur bisherigen Arbeit bleiben im "
                                L"Abgabeordner liegen, gehören aber nicht zur neuen.")) {
    return;
  }

  const HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  std::wstring failure;
  // The teacher's copy first: a test in the share without it could not be
  // checked for changes.
  const fs::path copy = teachersCopyOf(test.id);
  std::error_code ec;
  fs::create_directories(copy.parent_path(), ec);
  if (const AtomicWriteResult kept = writeFileAtomically(copy, bytes, {}); !kept) {
    failure = L"Die Klassenarbeit wurde nicht gespeichert: Die eigene Kopie auf diesem PC ließ sich nicht "
              L"anlegen. " + win::widen(kept.reason(copy));
  } else if (const AtomicWriteResult written = writeFileAtomically(target, bytes, {}); !written) {
    failure = L"Die Klassenarbeit wurde nicht als „" + target.wstring() + L"“ gespeichert. " +
              win::widen(written.reason(target));
    fs::remove(copy, ec);
  } else {
    const fs::path handIn = handInFolderOf(target);
    if (!::CreateDirectoryW(handIn.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
      failure = L"Die Klassenarbeit ist gespeichert, aber der Abgabeordner „" + handIn.wstring() +
                L"“ ließ sich nicht anlegen. " + systemFault(::GetLastError(), *folder) +
                L" Bitte den Ordner von Hand anlegen, bevor die Klasse beginnt.";
    }
  }
  ::SetCursor(previous);
  if (!failure.empty()) {
    win::showError(hwnd_, failure);
    if (::GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  }
  appState().classGradeKey = test.gradeKey;
  written_ = target.wstring();
  endDialog();
}

}  // namespace kv
