#!/usr/bin/env python3
"""Writes tests/data/xp-exports-x86.txt and xp-exports-x64.txt: what the system
DLLs of Windows XP export, as far as the shipped programs may use them. The
32-bit programs are held to XP SP3 (NT 5.1), the 64-bit ones to XP Professional
x64 Edition (NT 5.2, the system of Windows Server 2003 SP2).

Where the lists come from:
- The Win32 DLLs: every function in mingw-w64's import library for the DLL
  and the architecture that the mingw-w64 headers still declare when compiled
  for that XP (_WIN32_WINNT and WINVER 0x0501 or 0x0502, NTDDI_VERSION of SP3
  or SP2, _WIN32_IE 0x0603, GDI+ 1.0). The headers guard each later function
  by the version that brought it, so a function declared only for Vista or
  later stays out.
- msvcrt.dll: XP's system runtime is the one of Visual C++ 7.0, so its
  functions are the exports of mingw-w64's import library for msvcr70.dll
  (for both architectures: there is no 64-bit msvcr70.dll).

A function XP has but the headers do not declare is left out; the check then
fails on the safe side, and such a function goes into BY_HAND below. Where the
headers declare a later function without a guard, LATER_BY_HAND takes it out.

Run again after a mingw-w64 upgrade: make_xp_exports.py tests/data
"""
import re
import subprocess
import sys
import tempfile

TARGETS = {
    "x86": ("i686-w64-mingw32", ["-D_WIN32_WINNT=0x0501", "-DWINVER=0x0501",
                                 "-DNTDDI_VERSION=0x05010300"]),
    "x64": ("x86_64-w64-mingw32", ["-D_WIN32_WINNT=0x0502", "-DWINVER=0x0502",
                                   "-DNTDDI_VERSION=0x05020200"]),
}
DLLS = {
    "kernel32.dll": "kernel32", "user32.dll": "user32", "gdi32.dll": "gdi32",
    "advapi32.dll": "advapi32", "shell32.dll": "shell32", "comctl32.dll": "comctl32",
    "comdlg32.dll": "comdlg32", "ole32.dll": "ole32", "oleaut32.dll": "oleaut32",
    "shlwapi.dll": "shlwapi", "version.dll": "version", "winspool.drv": "winspool",
    "gdiplus.dll": "gdiplus", "imm32.dll": "imm32", "uxtheme.dll": "uxtheme",
    "winmm.dll": "winmm", "ws2_32.dll": "ws2_32",
}
HEADERS = """
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <winspool.h>
#include <ole2.h>
#include <oleauto.h>
#include <imm.h>
#include <uxtheme.h>
#include <mmsystem.h>
#include <winver.h>
#include <gdiplus.h>
"""
COMMON = ["-D_WIN32_IE=0x0603", "-DGDIPVER=0x0100"]

# Functions XP SP3 exports that the headers above do not declare for it.
BY_HAND = {
}

# Functions the headers declare without a version guard although Microsoft's
# documentation names a later system as the first to have them.
LATER_BY_HAND = {
    "kernel32.dll": {
        "AddDllDirectory", "AddIntegrityLabelToBoundaryDescriptor", "AddSIDToBoundaryDescriptor",
        "AddVectoredContinueHandler", "RemoveVectoredContinueHandler", "ClosePrivateNamespace",
        "CopyContext", "CreateBoundaryDescriptorA", "CreateBoundaryDescriptorW",
        "CreateFileMappingFromApp", "CreatePrivateNamespaceA", "CreatePrivateNamespaceW",
        "CreateRemoteThreadEx", "DeleteBoundaryDescriptor", "DeleteSynchronizationBarrier",
        "EnterSynchronizationBarrier", "InitializeSynchronizationBarrier",
        "EnumSystemFirmwareTables", "GetSystemFirmwareTable", "FindFirstStreamW", "FindNextStreamW",
        "GetConsoleHistoryInfo", "SetConsoleHistoryInfo", "GetConsoleScreenBufferInfoEx",
        "SetConsoleScreenBufferInfoEx", "GetCurrentConsoleFontEx", "SetCurrentConsoleFontEx",
        "GetCurrentProcessorNumber", "GetDateFormatEx", "GetTimeFormatEx",
        "GetEnabledXStateFeatures", "GetXStateFeaturesMask", "SetXStateFeaturesMask",
        "LocateXStateFeature", "InitializeContext", "GetLargePageMinimum", "GetNLSVersion",
        "IsNLSDefinedString", "GetNamedPipeClientComputerNameA", "GetOverlappedResultEx",
        "GetProcessWorkingSetSizeEx", "SetProcessWorkingSetSizeEx", "GetSystemFileCacheSize",
        "SetSystemFileCacheSize", "GetSystemTimePreciseAsFileTime", "GetThreadErrorMode",
        "SetThreadErrorMode", "GetThreadId", "GetUserDefaultGeoName", "MapViewOfFileFromApp",
        "NeedCurrentDirectoryForExePathA", "NeedCurrentDirectoryForExePathW",
        "OpenPrivateNamespaceA", "OpenPrivateNamespaceW", "RaiseFailFastException", "ReOpenFile",
        "RemoveDllDirectory", "SetDefaultDllDirectories", "SetSearchPathMode",
        "SetThreadStackGuarantee", "SetThreadUILanguage", "Wow64DisableWow64FsRedirection",
        "Wow64RevertWow64FsRedirection", "Wow64EnableWow64FsRedirection", "GlobalAddAtomExA",
        "GlobalAddAtomExW",
    },
    "user32.dll": {
        "GetDialogControlDpiChangeBehavior", "GetDialogDpiChangeBehavior",
        "SetDialogControlDpiChangeBehavior", "SetDialogDpiChangeBehavior",
        "ShutdownBlockReasonCreate", "ShutdownBlockReasonDestroy", "ShutdownBlockReasonQuery",
        "UpdateLayeredWindowIndirect", "CreateDesktopExA", "CreateDesktopExW", "IsWow64Message",
    },
}


def library_exports(triplet, name):
    out = subprocess.run([f"{triplet}-nm", f"/usr/{triplet}/lib/lib{name}.a"], capture_output=True,
                         text=True, check=True).stdout
    names = set()
    for line in out.splitlines():
        m = re.search(r" I __imp_(\w+?)(@\d+)?$", line)
        if m:
            names.add(m.group(1)[1:] if triplet.startswith("i686") else m.group(1))
    return names


def declared_for_xp(triplet, defines):
    with tempfile.NamedTemporaryFile("w", suffix=".cpp") as source:
        source.write(HEADERS)
        source.flush()
        text = subprocess.run([f"{triplet}-g++-posix", "-E", "-P", *defines, *COMMON, source.name],
                              capture_output=True, text=True, check=True).stdout
    return set(re.findall(r"\b(\w+)\s*\(", text))


def write_list(path, arch):
    triplet, defines = TARGETS[arch]
    declared = declared_for_xp(triplet, defines)
    crt = library_exports("i686-w64-mingw32", "msvcr70")
    with open(path, "w", encoding="utf-8") as out:
        out.write(f"# Functions the shipped {arch} programs may import, by DLL: what Windows XP\n")
        out.write("# exports. Written by tests/tools/make_xp_exports.py, which says where the\n")
        out.write("# list comes from. One line per function: dll function\n")
        for dll, lib in sorted(DLLS.items()):
            names = (library_exports(triplet, lib) & declared | BY_HAND.get(dll, set())) \
                - LATER_BY_HAND.get(dll, set())
            for name in sorted(names):
                out.write(f"{dll} {name}\n")
        for name in sorted(crt):
            out.write(f"msvcrt.dll {name}\n")


def main(argv):
    folder = argv[1] if len(argv) > 1 else "tests/data"
    for arch in TARGETS:
        write_list(f"{folder}/xp-exports-{arch}.txt", arch)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
