#include "tests/win/file_printer.h"

#include <windows.h>

#include <winspool.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/file_io.h"
#include "platform/win/handles.h"
#include "platform/win/strings.h"
#include "tests/win/program_driver.h"

namespace kv::test {
namespace {

namespace fs = std::filesystem;

constexpr const wchar_t* kTestPrinter = L"Klavento Testdrucker";
constexpr const wchar_t* kTestPrinterPort = L"/tmp/klavento-testdrucker.ps";

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
  printer.pPortName = const_cast<wchar_t*>(kTestPrinterPort);
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
  std::wstring path = std::wstring(L"Z:") + kTestPrinterPort;
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
