// kvtool archive print: worksheets for "Text von Vorlage" from any archive,
// as one printable web page.
#include "tools/kvtool_archive.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <memory>

#include "platform/encoding.h"
#include "platform/file_io.h"
#include "texts/archive.h"
#include "texts/template_sheet.h"
#include "texts/text_model.h"
#include "tools/kvtool_builtin.h"
#include "tools/kvtool_cli.h"

namespace kv::tool {
namespace {

struct PrintOptions {
  std::string archive;
  bool builtin = false;
  std::string builtinArchive;
  std::vector<int> numbers;
  int from = 0;
  int to = 0;
  std::string output;
};

int printSheets(const PrintOptions& o) {
  std::string archiveName;
  std::vector<TemplateText> texts;
  std::vector<std::pair<std::string, std::vector<std::string>>> all;
  if (o.builtin || !o.builtinArchive.empty()) {
    const std::string key = o.builtin ? std::string(kExamplesKey) : o.builtinArchive;
    const std::optional<BuiltinArchive> archive = openBuiltinArchive(key);
    if (!archive) {
      std::cerr << unknownBuiltinArchiveMessage(key) << "\n";
      return 1;
    }
    if (archive->problem != ArchiveError::None) {
      std::cerr << "Das Archiv \u201E" << key << "\u201C kann nicht gelesen werden.\n";
      return 1;
    }
    archiveName = archive->header.archiveName;
    for (int n = 1; n <= archive->header.textCount; ++n) {
      std::vector<std::string> lines;
      if (archive->readText(n, lines) != ArchiveError::None) {
        std::cerr << "Text " << n << " des Archivs kann nicht gelesen werden.\n";
        return 1;
      }
      all.emplace_back(archive->header.entries[static_cast<std::size_t>(n - 1)].title, std::move(lines));
    }
  } else {
    const auto path = pathOfArgument(o.archive);
    TextArchiveHeader header;
    if (readArchiveFile(path, header) != ArchiveError::None) {
      std::cerr << "Das Archiv \u201E" << o.archive << "\u201C kann nicht gelesen werden.\n";
      return 1;
    }
    archiveName = header.archiveName;
    for (int n = 1; n <= header.textCount; ++n) {
      std::vector<std::string> lines;
      if (readArchiveFileText(path, header, n, lines) != ArchiveError::None) {
        std::cerr << "Text " << n << " des Archivs kann nicht gelesen werden.\n";
        return 1;
      }
      all.emplace_back(header.entries[static_cast<std::size_t>(n - 1)].title, std::move(lines));
    }
  }
  std::vector<int> numbers = o.numbers;
  if (numbers.empty()) {
    for (std::size_t n = 1; n <= all.size(); ++n) numbers.push_back(static_cast<int>(n));
  }
  for (const int n : numbers) {
    if (n < 1 || static_cast<std::size_t>(n) > all.size()) {
      std::cerr << "Einen Text " << n << " gibt es nicht; das Archiv enthält " << all.size() << " Texte.\n";
      return 1;
    }
    TemplateText t{all[static_cast<std::size_t>(n - 1)].first, all[static_cast<std::size_t>(n - 1)].second};
    // The line range, as the selection dialog gives it, for every text.
    if (o.from > 0 || o.to > 0) {
      const auto count = static_cast<int>(t.lines.size());
      const int first = std::clamp(o.from > 0 ? o.from : 1, 1, count);
      const int last = std::clamp(o.to > 0 ? o.to : count, first, count);
      t.lines = std::vector<std::string>(t.lines.begin() + first - 1, t.lines.begin() + last);
    }
    texts.push_back(std::move(t));
  }
  const std::string html = templateSheetHtml(archiveName, texts);
  if (o.output.empty()) {
    std::cout << html;
    return 0;
  }
  const std::filesystem::path target = pathOfArgument(o.output);
  if (const AtomicWriteResult written = writeFileAtomically(target, html, {}); !written.ok()) {
    std::cerr << "Die Datei \u201E" << o.output << "\u201C wurde nicht geschrieben. "
        << cp1252ToUtf8(written.reason(target)) << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

void addPrintCommand(CLI::App& archive) {
  auto o = std::make_shared<PrintOptions>();
  CLI::App* print = archive.add_subcommand(
      "print", "Texte als Vorlagen zum Abschreiben drucken: eine Webseite, je Text ein Blatt");
  print->add_option("ARCHIV", o->archive, "Das Archiv (.kv7, .kv5)")->type_name("DATEI");
  print->add_flag("--builtin", o->builtin,
                  "Die eingebauten Beispieltexte statt eines Archivs (wie --builtin-archive " +
                      std::string(kExamplesKey) + ")");
  print->add_option("--builtin-archive", o->builtinArchive, builtinArchiveHelp())->type_name("NAME");
  print->add_option("-n,--text", o->numbers, "Nummer eines Textes (mehrfach möglich; sonst alle)")
      ->type_name("N");
  print->add_option("--from", o->from, "Erste Zeile je Text")->type_name("ZEILE");
  print->add_option("--to", o->to, "Letzte Zeile je Text")->type_name("ZEILE");
  print->add_option("-o,--output", o->output, "Die Webseite (DATEI.html; sonst die Standardausgabe)")
      ->type_name("DATEI");
  print->callback([o] {
    const int sources = (o->archive.empty() ? 0 : 1) + (o->builtin ? 1 : 0) + (o->builtinArchive.empty() ? 0 : 1);
    if (sources != 1) {
      std::cerr << "Entweder ein ARCHIV oder --builtin (oder --builtin-archive NAME) angeben.\n";
      throw CLI::RuntimeError(2);
    }
    const int rc = printSheets(*o);
    if (rc != 0) throw CLI::RuntimeError(rc);
  });
}

}  // namespace kv::tool
