// The archive the program carries inside itself: five graded example texts
// from the first home-row drill to continuous prose.
#pragma once

#include <string>
#include <vector>

#include "texts/text_model.h"

namespace kv {

struct BuiltinText {
  std::string title;               // Windows-1252
  std::vector<std::string> lines;  // Windows-1252
};

// The display name in the archive box and the archive name in the header.
std::string builtinArchiveName();

const std::vector<BuiltinText>& builtinTexts();

// Fills a header that resetHeader has prepared: name, text count, titles and
// counts. Identifiers and dates stay as resetHeader made them.
void fillBuiltinHeader(TextArchiveHeader& header);

class BuiltinTextSource : public TextSource {
 public:
  bool readLines(int n, std::vector<std::string>& lines) override;
};

}  // namespace kv
