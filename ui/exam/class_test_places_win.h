// Where the class test keeps things on this PC: the teacher's own copy of
// every test prepared here (outside the shared folder, so a test changed in
// the share is noticed), and the learner's results that wait to be handed in.
#pragma once

#include <filesystem>
#include <string>

namespace kv {

// %APPDATA%\Klavento\Klassenarbeiten: the teacher's copies, by test id.
std::filesystem::path teachersCopyFolder();
std::filesystem::path teachersCopyOf(const std::string& testId);
// %LOCALAPPDATA%\Klavento\Abgaben-ausstehend, beside the waiting Lernverlauf
// exercises; the temporary folder when that cannot be had.
std::filesystem::path waitingHandInFolder();

}  // namespace kv
