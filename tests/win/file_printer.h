// A PostScript printer that writes into a file, for tests that print: the
// program's print jobs end up where a test can read and count them.
#pragma once

#include <string>

namespace kv::test {

// Made once per prefix and set as the default printer; false when Wine
// refuses (GetLastError tells why).
bool ensureFilePrinter();
// Where the printer writes, as a Windows path.
std::wstring printerOutput();
// What the printer wrote, once the document is whole: the file appears when
// the job starts and grows until its "%%EOF". Empty when none came in time.
std::string printedDocument(unsigned long timeoutMs);
// Pages of a PostScript document.
int pageCount(const std::string& postscript);
// KV_PRINT_COPIES=<Windows folder> keeps the printed PostScript for a look.
void keepCopy(const std::string& postscript, const wchar_t* name);

}  // namespace kv::test
