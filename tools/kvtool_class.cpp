#include "tools/kvtool_class.h"

#include <chrono>
#include <ctime>
#include <memory>
#include <system_error>

#include "classroom/class_overview.h"
#include "classroom/grade_key.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "tools/kvtool_cli.h"
#include "tools/kvtool_eval.h"

namespace kv::tool {
namespace {

namespace fs = std::filesystem;

std::string today() {
  // std::localtime, not localtime_s: Windows XP's C library lacks the latter,
  // and kvtool asks only once.
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  char text[16] = "";
  if (local != nullptr) std::strftime(text, sizeof text, "%d.%m.%Y", local);
  return text;
}

struct ClassOptions {
  std::string folder;
  std::string output;
  std::string gradeKey;
};

}  // namespace

int runClassReport(const std::string& folder, const std::string& output, const std::string& gradeKeyPath,
                   std::ostream& out, std::ostream& err) {
  const fs::path root = pathOfArgument(folder);
  std::error_code ec;
  if (!fs::is_directory(root, ec)) {
    err << "kvtool: Den Ordner \u201E" << folder << "\u201C gibt es nicht.\n";
    return 1;
  }
  GradeKey key;
  if (!gradeKeyPath.empty()) {
    std::string why;
    if (!readGradeKeyFile(gradeKeyPath, key, why)) {
      err << "kvtool: " << why << "\n";
      return 1;
    }
  }
  OverviewInput in;
  in.folderName = cp1252OfPath(root.filename().empty() ? root.parent_path().filename() : root.filename());
  in.madeOn = today();
  in.key = gradeKeyPath.empty() ? nullptr : &key;
  in.results = scanClass(root);
  in.histories = readLearnerHistories(root);
  const std::string html = classOverviewHtml(in);
  const fs::path target = pathOfArgument(output);
  if (const AtomicWriteResult written = writeFileAtomically(target, html, {}); !written.ok()) {
    err << "kvtool: Die Datei \u201E" << output << "\u201C wurde nicht geschrieben. "
        << cp1252ToUtf8(written.reason(target)) << "\n";
    return 1;
  }
  std::size_t refused = 0;
  for (const ClassResult& r : in.results) refused += r.valid ? 0 : 1;
  out << in.results.size() << " Dateien, davon " << refused << " nicht gewertet; Lernverl\u00E4ufe: "
      << in.histories.size() << "\n";
  return 0;
}

void addClassCommands(CLI::App& app) {
  CLI::App* klass = app.add_subcommand("class", "Die abgegebenen \u00DCbungen einer Klasse auswerten");
  klass->require_subcommand(1);
  auto options = std::make_shared<ClassOptions>();
  CLI::App* report = klass->add_subcommand(
      "report", "Die Klassen\u00FCbersicht als Webseite schreiben (wie im Fenster f\u00FCr Lehrkr\u00E4fte)");
  report->add_option("ORDNER", options->folder, "Ordner mit den .kvw-Dateien (und Unterordnern je Lernende)")
      ->required();
  report->add_option("-o,--output", options->output, "Die Webseite (DATEI.html)")->required()->type_name("DATEI");
  report
      ->add_option("--grade", options->gradeKey,
                   "Notenschl\u00FCssel: Datei oder Name (\u201EAnf\u00E4nger\u201C, \u201ESekundarstufe I\u201C)")
      ->type_name("SCHL\u00DCSSEL");
  report->callback([options] {
    const int rc = runClassReport(options->folder, options->output, options->gradeKey, std::cout, std::cerr);
    if (rc != 0) throw CLI::RuntimeError(rc);
  });
}

}  // namespace kv::tool
