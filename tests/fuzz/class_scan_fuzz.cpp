// The class scan over files from learners' PCs: each input is written once as
// a saved exercise (.kvw) and once as a Lernverlauf, and read as the teacher
// window reads a class folder. Nothing may crash, hang or run.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "classroom/class_overview.h"
#include "classroom/class_scan.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fs::path folder = fs::temp_directory_path() / ("kv-class-fuzz-" + std::to_string(getpid()));
  fs::create_directories(folder / "Lernende");
  {
    std::ofstream(folder / "abgabe.kvw", std::ios::binary).write(reinterpret_cast<const char*>(data),
                                                                 static_cast<std::streamsize>(size));
    std::ofstream(folder / "Lernende" / "Lernverlauf.sqlite", std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  kv::OverviewInput in;
  in.folderName = "Klasse";
  in.results = kv::scanClass(folder);
  in.histories = kv::readLearnerHistories(folder);
  const kv::GradeKey key = kv::gradeKeyPresets().back();
  in.key = &key;
  const std::string html = kv::classOverviewHtml(in);
  const std::string csv = kv::classCsv(in.results, &key);
  return html.empty() || csv.empty() ? -1 : 0;
}
