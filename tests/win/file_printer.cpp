#include "tests/win/file_printer.h"

#include <windows.h>

#include <winspool.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "platform/win/handles.h"
#include "platform/win/strings.h"
#include "tests/win/program_driver.h"

namespace kv::test {
namespace {

namespace fs = std::filesystem;

constexpr const wchar_t* kTestPrinter = L"Klavento Testdrucker";

// The printer writes into its prefix's temporary folder: test runs in other
// prefixes print at the same time, and one file for all would mix their jobs.
std::wstring portOfThisPrefix() {
  wchar_t temp[MAX_PATH + 1] = {};
  if (::GetTempPathW(MAX_PATH + 1, temp) > 0) {
    std::wstring port = unixFileName(std::wstring(temp) + L"klavento-testdrucker.ps");
    if (!port.empty()) return port;
  }
  return L"/tmp/klavento-testdrucker.ps";
}

// The port the printer was made with: a prefix copied from another keeps the
// other's port, and an older prefix the one all prefixes once shared.
std::wstring printerPort() {
  HANDLE printer = nullptr;
  std::wstring port;
  if (::OpenPrinterW(const_cast<wchar_t*>(kTestPrinter), &printer, nullptr)) {
    DWORD needed = 0;
    ::GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> info(needed);
    if (needed > 0 && ::GetPrinterW(printer, 2, info.data(), needed, &needed)) {
      const auto* details = reinterpret_cast<const PRINTER_INFO_2W*>(info.data());
      if (details->pPortName != nullptr) port = details->pPortName;
    }
    ::ClosePrinter(printer);
  }
  return port.empty() ? portOfThisPrefix() : port;
}

}  // namespace

// Wine's generic PPD out of winspool.drv, the wineps.drv driver, a file port.
bool ensureFilePrinter() {
  HANDLE existing = nullptr;
  if (::OpenPrinterW(const_cast<wchar_t*>(kTestPrinter), &existing, nullptr)) {
    ::ClosePrinter(existing);
    return ::SetDefaultPrinterW(kTestPrinter) != FALSE;
  }
  DWORD needed = 0;
  wchar_t driverDir[MAX_PATH] = {};
  if (!::GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(driverDir),
                                    sizeof driverDir, &needed)) {
    return false;
  }
  const std::wstring ppd = std::wstring(driverDir) + L"\\klavento-generic.ppd";
  if (::GetFileAttributesW(ppd.c_str()) == INVALID_FILE_ATTRIBUTES) {
    const win::Library spool(::LoadLibraryExW(L"winspool.drv", nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!spool) return false;
    const HRSRC resource = ::FindResourceW(spool.get(), MAKEINTRESOURCEW(1), L"PPDFILE");
    const HGLOBAL data = resource != nullptr ? ::LoadResource(spool.get(), resource) : nullptr;
    if (data == nullptr) return false;
    std::ofstream out(fs::path(ppd), std::ios::binary);
    out.write(static_cast<const char*>(::LockResource(data)),
              static_cast<std::streamsize>(::SizeofResource(spool.get(), resource)));
  }
  DRIVER_INFO_3W driver{};
  driver.cVersion = 3;
  driver.pName = const_cast<wchar_t*>(kTestPrinter);
  driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
  driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
  driver.pDataFile = const_cast<wchar_t*>(ppd.c_str());
  driver.pDefaultDataType = const_cast<wchar_t*>(L"RAW");
  if (!::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES) &&
      ::GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
    return false;
  }
  PRINTER_INFO_2W printer{};
  printer.pPrinterName = const_cast<wchar_t*>(kTestPrinter);
  std::wstring port = portOfThisPrefix();
  printer.pPortName = port.data();
  printer.pDriverName = const_cast<wchar_t*>(kTestPrinter);
  printer.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
  printer.pDatatype = const_cast<wchar_t*>(L"RAW");
  printer.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  HANDLE added = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&printer));
  if (added != nullptr) {
    ::ClosePrinter(added);
  } else if (::GetLastError() != ERROR_PRINTER_ALREADY_EXISTS) {
    return false;
  }
  return ::SetDefaultPrinterW(kTestPrinter) != FALSE;
}

std::wstring printerOutput() {
  // The port is a Unix path; the test reads it through drive Z:.
  std::wstring path = std::wstring(L"Z:") + printerPort();
  for (auto& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

std::string printedDocument(unsigned long timeoutMs) {
  const fs::path file(printerOutput());
  std::string document;
  const bool whole = waitUntil(
      [&] {
        if (!readWholeFile(file, document)) return false;
        const std::size_t end = document.rfind("%%EOF");
        return end != std::string::npos && document.find_first_not_of("\r\n", end + 5) == std::string::npos;
      },
      timeoutMs);
  return whole ? document : std::string();
}

int pageCount(const std::string& postscript) {
  int pages = 0;
  for (std::size_t at = postscript.find("%%Page:"); at != std::string::npos;
       at = postscript.find("%%Page:", at + 1)) {
    ++pages;
  }
  return pages;
}

void keepCopy(const std::string& postscript, const wchar_t* name) {
  char folder[MAX_PATH] = {};
  if (::GetEnvironmentVariableA("KV_PRINT_COPIES", folder, MAX_PATH) == 0) return;
  std::ofstream(fs::path(win::widen(folder)) / name, std::ios::binary) << postscript;
}

}  // namespace kv::test
