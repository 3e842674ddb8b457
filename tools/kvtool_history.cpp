#include "tools/kvtool_history.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>

#include "history/history_store.h"
#include "history/history_views.h"
#include "platform/encoding.h"
#include "platform/file_io.h"
#include "tools/kvtool_cli.h"

namespace kv::tool {
namespace {

namespace fs = std::filesystem;

constexpr const char* kHistoryFileName = "Lernverlauf.sqlite";

// An environment variable as a path; empty when it is not set.
fs::path environment(const char* name) {
#ifdef _WIN32
  // The wide form: a user name with umlauts must survive any code page.
  const std::wstring wide(name, name + std::char_traits<char>::length(name));
  const wchar_t* value = _wgetenv(wide.c_str());
  return value != nullptr ? fs::path(value) : fs::path();
#else
  const char* value = std::getenv(name);
  return value != nullptr ? fs::path(value) : fs::path();
#endif
}

// A history is only opened when it exists: asking about a mistyped path must
// not leave an empty history behind.
std::unique_ptr<HistoryStore> openExisting(const std::string& file, std::ostream& err) {
  std::error_code ec;
  if (!fs::is_regular_file(pathOfArgument(file), ec)) {
    err << "Den Lernverlauf \u201E" << file << "\u201C gibt es nicht.\n";
    return nullptr;
  }
  std::string notice;
  auto store = HistoryStore::open(pathOfArgument(file), notice);
  if (!notice.empty()) err << cp1252ToUtf8(notice) << "\n";
  return store;
}

}  // namespace

std::string defaultHistoryFile() {
  fs::path folder = environment("KLAVENTO_LERNVERLAUF");
  if (folder.empty()) {
#ifdef _WIN32
    if (const fs::path appData = environment("APPDATA"); !appData.empty()) folder = appData / "Klavento";
#else
    if (const fs::path data = environment("XDG_DATA_HOME"); !data.empty()) {
      folder = data / "klavento";
    } else if (const fs::path home = environment("HOME"); !home.empty()) {
      folder = home / ".local" / "share" / "klavento";
    }
#endif
  }
  return textOfPath(folder / kHistoryFileName);
}

int runHistoryShow(const std::string& file, std::ostream& out, std::ostream& err) {
  auto store = openExisting(file, err);
  if (!store) return 1;
  std::string notice;
  const HistoryOverview overview = store->overview(notice);
  if (!notice.empty()) {
    err << cp1252ToUtf8(notice) << "\n";
    if (overview.totals.exercises == 0 && store->count() < 0) return 1;
  }
  out << historyReport(overview, file);
  return 0;
}

int runHistoryExport(const std::string& file, const std::string& output, std::ostream& out,
                     std::ostream& err) {
  auto store = openExisting(file, err);
  if (!store) return 1;
  std::string notice;
  const std::vector<HistoryRow> rows = store->rows(notice);
  if (!notice.empty()) {
    err << cp1252ToUtf8(notice) << "\n";
    return 1;
  }
  const std::string csv = historyCsv(rows);
  if (output.empty()) {
    out << csv;
    return 0;
  }
  // The byte-order mark tells spreadsheet programs that the file is UTF-8.
  const std::filesystem::path target = pathOfArgument(output);
  if (const AtomicWriteResult written = writeFileAtomically(target, "\xEF\xBB\xBF" + csv, {}); !written.ok()) {
    err << "Die Datei \u201E" << output << "\u201C wurde nicht geschrieben. "
        << cp1252ToUtf8(written.reason(target)) << "\n";
    return 1;
  }
  return 0;
}

void addHistoryCommands(CLI::App& app) {
  struct Options {
    std::string file = defaultHistoryFile();
    std::string output;
    bool csv = false;
  };
  auto options = std::make_shared<Options>();
  CLI::App* history = app.add_subcommand("history", "Den Lernverlauf eines Lernenden auswerten");
  history->require_subcommand(1);
  history->add_option("--file", options->file,
                      "Lernverlauf (Standard: " + defaultHistoryFile() + ")")
      ->type_name("DATEI");
  CLI::App* show = history->add_subcommand("show", "Kennzahlen, Verlauf je Tag, schwache Tasten und W\u00F6rter");
  show->callback([options] {
    const int rc = runHistoryShow(options->file, std::cout, std::cerr);
    if (rc != 0) throw CLI::RuntimeError(rc);
  });
  CLI::App* exportCommand = history->add_subcommand("export", "Eine Zeile je \u00DCbung f\u00FCr eine Tabellenkalkulation");
  exportCommand->add_flag("--csv", options->csv, "Als CSV (Semikolon, Dezimalkomma)")->required();
  exportCommand->add_option("-o,--output", options->output, "Zieldatei (sonst die Standardausgabe)")
      ->type_name("DATEI");
  exportCommand->callback([options] {
    const int rc = runHistoryExport(options->file, options->output, std::cout, std::cerr);
    if (rc != 0) throw CLI::RuntimeError(rc);
  });
}

}  // namespace kv::tool
