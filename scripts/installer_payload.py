#!/usr/bin/env python3
"""Turns installer/payload.txt into what the two installers read.

  installer_payload.py LIST nsis OUT.nsh --source NAME=PATH ... --source32 NAME=PATH ...
  installer_payload.py LIST wxs OUT.wxs --arch x64|x86 --source NAME=PATH ...
        [--icon FILE]
  installer_payload.py LIST finish PACKAGE.msi --arch x64|x86
        mends what wixl writes short of the WiX source (run after wixl)
  installer_payload.py LIST files         the target paths, one per line

The setup program carries both builds and picks one at run time, so its
include gets the 32-bit sources as well; a Windows Installer package is one
architecture. The WiX source leaves the version as $(var.Version), so a test
can build the same package at another version.
"""

import argparse
import fnmatch
import os
import re
import shlex
import subprocess
import sys
import tempfile
import uuid
from xml.sax.saxutils import quoteattr


class Payload:
    def __init__(self):
        self.product = None
        self.publisher = None
        self.upgrade_code = None
        self.files = []        # (target, source, pattern or None)
        self.shortcuts = []    # (name, target)
        self.keys = []         # (key, taken_over, [(name, data)])


def fail(message):
    sys.exit(f"installer_payload.py: {message}")


def windows_path(target):
    return target.replace("/", "\\")


def read_list(path):
    payload = Payload()
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            words = shlex.split(line, comments=True)
            kind, args = words[0], words[1:]
            where = f"{path}:{number}"
            if kind in ("product", "publisher", "upgrade-code") and len(args) == 1:
                setattr(payload, kind.replace("-", "_"), args[0])
            elif kind == "file" and len(args) == 2:
                payload.files.append((windows_path(args[0]), args[1], None))
            elif kind == "files" and len(args) == 3:
                payload.files.append((windows_path(args[0]), args[1], args[2]))
            elif kind == "shortcut" and len(args) == 2:
                payload.shortcuts.append((args[0], windows_path(args[1])))
            elif kind == "key" and len(args) in (1, 2):
                taken_over = len(args) == 2
                if taken_over and args[0] != "taken-over":
                    fail(f"{where}: unknown key mark {args[0]!r}")
                payload.keys.append((args[-1], taken_over, []))
            elif kind == "value" and len(args) == 2:
                if not payload.keys:
                    fail(f"{where}: a value before any key")
                payload.keys[-1][2].append((args[0], args[1]))
            else:
                fail(f"{where}: cannot read {line.strip()!r}")
    if not (payload.product and payload.publisher and payload.upgrade_code):
        fail("product, publisher and upgrade-code are needed")
    if not payload.files:
        fail("no files")
    return payload


def source_path(sources, name):
    root, _, rest = name.partition("/")
    if root not in sources:
        fail(f"no --source for {root!r}")
    return os.path.join(sources[root], rest) if rest else sources[root]


def expand(payload, sources):
    """Every file as (target inside the program folder, source path)."""
    result = []
    for target, source, pattern in payload.files:
        path = source_path(sources, source)
        if pattern is None:
            result.append((target, path))
            continue
        if not os.path.isdir(path):
            fail(f"{path} is not a folder")
        names = sorted(n for n in os.listdir(path) if fnmatch.fnmatch(n, pattern))
        if not names:
            fail(f"nothing matches {pattern} in {path}")
        result.extend((target + "\\" + n, os.path.join(path, n)) for n in names)
    seen = set()
    for target, _ in result:
        if target.lower() in seen:
            fail(f"{target} is installed twice")
        seen.add(target.lower())
    return result


def parse_sources(pairs):
    sources = {}
    for pair in pairs or []:
        name, sep, path = pair.partition("=")
        if not sep:
            fail(f"--source wants NAME=PATH, not {pair!r}")
        sources[name] = os.path.abspath(path)
    return sources


def folders_of(targets):
    """The folders below the program folder, parents before children."""
    folders = set()
    for target in targets:
        parts = target.split("\\")[:-1]
        for i in range(1, len(parts) + 1):
            folders.add("\\".join(parts[:i]))
    return sorted(folders, key=lambda f: (f.count("\\"), f.lower()))


# ---------------------------------------------------------------------------
# The setup program's include.

def nsis_string(text):
    """An NSIS string literal; the delimiter is one the text does not hold."""
    text = text.replace("$", "$$")
    for quote in ('"', "'", "`"):
        if quote not in text:
            return quote + text + quote
    fail(f"cannot quote {text!r} for NSIS")


def nsis_data(data):
    literal = nsis_string(data.replace("[DIR]", "\x00"))
    return literal.replace("\x00", "$INSTDIR\\")


def write_nsis(payload, out, sources, sources32):
    files64 = expand(payload, sources)
    files32 = dict(expand(payload, {**sources, **sources32}))
    lines = [
        "; Made by scripts/installer_payload.py from installer/payload.txt; not edited by hand.",
        f"!define PRODUCT {nsis_string(payload.product)}",
        f"!define PUBLISHER {nsis_string(payload.publisher)}",
        f"!define UPGRADE_CODE {nsis_string(payload.upgrade_code)}",
        "",
        "!macro KV_INSTALL_FILES",
    ]
    current = None
    for target, path in files64:
        folder, _, name = target.rpartition("\\")
        if folder != current:
            lines.append("  SetOutPath " + (nsis_data("[DIR]" + folder) if folder else '"$INSTDIR"'))
            current = folder
        if files32[target] != path:
            lines += [
                "  ${If} ${RunningX64}",
                f"    File {nsis_string('/oname=' + name)} {nsis_string(path)}",
                "  ${Else}",
                f"    File {nsis_string('/oname=' + name)} {nsis_string(files32[target])}",
                "  ${EndIf}",
            ]
        else:
            lines.append(f"  File {nsis_string('/oname=' + name)} {nsis_string(path)}")
    lines.append("  SetOutPath \"$INSTDIR\"")
    lines += ["!macroend", "", "!macro KV_REMOVE_FILES"]
    for target, _ in files64:
        lines.append(f"  Delete {nsis_data('[DIR]' + target)}")
    # Only folders left empty go: what a user put there stays.
    for folder in reversed(folders_of(t for t, _ in files64)):
        lines.append(f"  RMDir {nsis_data('[DIR]' + folder)}")
    lines += ["!macroend", "", "!macro KV_CREATE_SHORTCUTS",
              '  CreateDirectory "$SMPROGRAMS\\${PRODUCT}"']
    def link(name):
        return '"$SMPROGRAMS\\${PRODUCT}\\' + name.replace("$", "$$") + '.lnk"'
    for name, target in payload.shortcuts:
        icon = ' "" ' + nsis_data("[DIR]" + target) + " 0" if target.lower().endswith(".exe") else ""
        lines.append(f"  CreateShortCut {link(name)} {nsis_data('[DIR]' + target)}{icon}")
    lines += ["!macroend", "", "!macro KV_REMOVE_SHORTCUTS"]
    for name, _ in payload.shortcuts:
        lines.append(f"  Delete {link(name)}")
    lines += ["!macroend", "", "!macro KV_WRITE_KEYS"]
    for key, _, values in payload.keys:
        for name, data in values:
            lines.append(f"  WriteRegStr HKLM {nsis_string(key)} {nsis_string(name)} {nsis_data(data)}")
    lines += ["!macroend", "", "!macro KV_REMOVE_KEYS"]
    # A key goes with the whole tree below it, so a key inside another one
    # that goes anyway needs no line of its own.
    whole = [key.lower() + "\\" for key, taken_over, _ in payload.keys if not taken_over]
    for key, taken_over, values in reversed(payload.keys):
        if any(key.lower().startswith(above) for above in whole):
            continue
        if taken_over:
            ours = dict(values).get("")
            if ours is None:
                fail(f"{key}: a taken-over key needs a default value")
            # Left alone when another program has taken the key over since.
            lines += [
                f"  ReadRegStr $0 HKLM {nsis_string(key)} \"\"",
                f"  StrCmp $0 {nsis_data(ours)} 0 +2",
                f"    DeleteRegKey HKLM {nsis_string(key)}",
            ]
        else:
            lines.append(f"  DeleteRegKey HKLM {nsis_string(key)}")
    lines += ["!macroend", ""]
    with open(out, "w", encoding="utf-8-sig", newline="\n") as f:
        f.write("\n".join(lines))


# ---------------------------------------------------------------------------
# The Windows Installer source.

# Fixed, so a component keeps its code from one build to the next, as
# Windows Installer wants; the architecture is part of the name, since the
# two packages' components differ.
NAMESPACE = uuid.UUID("9a3c1f0e-5b2d-4e8a-9c61-7d0b3e2f4a15")


def component_guid(arch, what):
    return "{" + str(uuid.uuid5(NAMESPACE, f"{arch}:{what.lower()}")).upper() + "}"


def identifier(prefix, text, used):
    base = prefix + re.sub(r"[^A-Za-z0-9_.]", "_", text)[:60]
    name, n = base, 2
    while name.lower() in used:
        name, n = f"{base}_{n}", n + 1
    used.add(name.lower())
    return name


def msi_data(data):
    return data.replace("[DIR]", "[INSTALLDIR]")


def write_wxs(payload, out, sources, arch, icon):
    files = expand(payload, sources)
    win64 = arch == "x64"
    w64 = ' Win64="yes"' if win64 else ""
    used = set()
    folder_ids = {"": "INSTALLDIR"}
    for folder in folders_of(t for t, _ in files):
        folder_ids[folder] = identifier("dir_", folder, used)
    file_ids = {t.lower(): identifier("file_", t, used) for t, _ in files}
    for name, target in payload.shortcuts:
        if target.lower() not in file_ids:
            fail(f"shortcut {name!r} points to {target!r}, which is not installed")

    program = files[0][0]
    x = []
    add = x.append
    add('<?xml version="1.0" encoding="utf-8"?>')
    add("<!-- Made by scripts/installer_payload.py from installer/payload.txt; not edited by hand. -->")
    add('<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">')
    # A new product code each build: installing a package of another build
    # is a major upgrade, the same package again a repair.
    add(f'  <Product Id="*" Name={quoteattr(payload.product)} Language="1031" Codepage="1252"'
        f' Version="$(var.Version)" Manufacturer={quoteattr(payload.publisher)}'
        f' UpgradeCode="{payload.upgrade_code}">')
    # 301: Windows Installer 3.1, as on Windows XP SP3.
    add(f'    <Package InstallerVersion="301" Compressed="yes" InstallScope="perMachine"'
        f' Languages="1031" SummaryCodepage="1252"'
        f' Description={quoteattr(payload.product)} Manufacturer={quoteattr(payload.publisher)}'
        f' Comments={quoteattr("Tastschreibtrainer " + payload.product + " (" + ("64" if win64 else "32") + " Bit)")}/>')
    add('    <Media Id="1" Cabinet="klavento.cab" EmbedCab="yes"/>')

    # Older packages (and a rebuilt one of the same version) are removed
    # before this one installs; a newer one refuses the older.
    add(f'    <Upgrade Id="{payload.upgrade_code}">')
    add('      <UpgradeVersion Property="KV_OLDER_FOUND" Minimum="0.0.0" IncludeMinimum="yes"'
        ' Maximum="$(var.Version)" IncludeMaximum="yes"/>')
    add('      <UpgradeVersion Property="KV_NEWER_FOUND" Minimum="$(var.Version)" IncludeMinimum="no"'
        ' OnlyDetect="yes"/>')
    add("    </Upgrade>")
    add(f'    <Condition Message={quoteattr("Eine neuere Fassung von " + payload.product + " ist bereits installiert. Entfernen Sie sie zuerst, wenn Sie diese ältere installieren möchten.")}>'
        "NOT KV_NEWER_FOUND</Condition>")

    # The setup program's installation: both would own the same files and
    # keys, so the package refuses and says what to do.
    setup_key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + payload.product
    add('    <Property Id="KV_SETUP_INSTALLED">')
    add(f'      <RegistrySearch Id="SetupProgramSearch" Root="HKLM"'
        f' Key={quoteattr(setup_key)}'
        f' Name="UninstallString" Type="raw"{w64}/>')
    add("    </Property>")
    add(f'    <Condition Message={quoteattr(payload.product + " ist auf diesem PC bereits mit dem Einrichtungsprogramm installiert. Entfernen Sie diese Installation zuerst (unter „Programme und Features“ oder mit „Deinstallieren.exe /S“ im Programmordner) und installieren Sie dann das MSI-Paket.")}>'
        "Installed OR NOT KV_SETUP_INSTALLED</Condition>")
    if not win64:
        add(f'    <Condition Message={quoteattr("Dieses Paket ist für 32-Bit-Windows. Verwenden Sie auf diesem 64-Bit-Windows das Paket für x64 (klavento-…-x64.msi).")}>'
            "Installed OR NOT VersionNT64</Condition>")

    # A later package installs into the folder of the earlier one, which the
    # program's own entry names.
    folder_key = next((k for k, _, values in payload.keys if dict(values).get("Path") == "[DIR]"), None)
    if folder_key is None:
        fail('no key has the value Path "[DIR]" that names the program folder')
    add('    <Property Id="INSTALLDIR">')
    add(f'      <RegistrySearch Id="ProgramFolderSearch" Root="HKLM"'
        f' Key={quoteattr(folder_key)} Name="Path" Type="raw"{w64}/>')
    add("    </Property>")

    add('    <Property Id="ARPNOMODIFY" Value="1"/>')
    if icon:
        add(f'    <Icon Id="klavento.ico" SourceFile={quoteattr(os.path.relpath(icon, os.path.dirname(os.path.abspath(out))))}/>')
        add('    <Property Id="ARPPRODUCTICON" Value="klavento.ico"/>')
    add('    <CustomAction Id="KvInstallLocation" Property="ARPINSTALLLOCATION" Value="[INSTALLDIR]"/>')
    # The same package again repairs: every file, key and shortcut is put
    # back as the package has it.
    add('    <CustomAction Id="KvRepairAll" Property="REINSTALL" Value="ALL"/>')
    add('    <CustomAction Id="KvRepairMode" Property="REINSTALLMODE" Value="omus"/>')
    add("    <InstallExecuteSequence>")
    add('      <Custom Action="KvRepairAll" Before="CostFinalize">Installed AND NOT REMOVE AND NOT REINSTALL</Custom>')
    add('      <Custom Action="KvRepairMode" Before="CostFinalize">Installed AND NOT REMOVE AND NOT REINSTALLMODE</Custom>')
    add('      <Custom Action="KvInstallLocation" After="CostFinalize"/>')
    add('      <RemoveExistingProducts After="InstallInitialize"/>')
    add("    </InstallExecuteSequence>")

    def component(target, path, indent):
        pad = " " * indent
        fid = file_ids[target.lower()]
        name = target.rpartition("\\")[2]
        add(f'{pad}<Component Id="c_{fid[5:]}" Guid="{component_guid(arch, target)}"{w64}>')
        # wixl takes sources relative to the WiX file.
        source = os.path.relpath(path, os.path.dirname(os.path.abspath(out)))
        add(f'{pad}  <File Id="{fid}" Name={quoteattr(name)} Source={quoteattr(source)} KeyPath="yes"/>')
        if target == program:
            for key, _, values in payload.keys:
                for vname, data in values:
                    named = f" Name={quoteattr(vname)}" if vname else ""
                    add(f'{pad}  <RegistryValue Root="HKLM" Key={quoteattr(key)}{named}'
                        f' Value={quoteattr(msi_data(data))} Type="string"/>')
        add(f"{pad}</Component>")

    def folder(path, indent):
        pad = " " * indent
        for target, source in files:
            if target.rpartition("\\")[0] == path:
                component(target, source, indent)
        for child in folders_of(t for t, _ in files):
            parent, _, leaf = child.rpartition("\\")
            if parent == path:
                add(f'{pad}<Directory Id="{folder_ids[child]}" Name={quoteattr(leaf)}>')
                folder(child, indent + 2)
                add(f"{pad}</Directory>")

    add('    <Directory Id="TARGETDIR" Name="SourceDir">')
    add(f'      <Directory Id="{"ProgramFiles64Folder" if win64 else "ProgramFilesFolder"}">')
    add(f'        <Directory Id="INSTALLDIR" Name={quoteattr(payload.product)}>')
    folder("", 10)
    add("        </Directory>")
    add("      </Directory>")
    add('      <Directory Id="ProgramMenuFolder">')
    add(f'        <Directory Id="KvMenuFolder" Name={quoteattr(payload.product)}>')
    # The folder itself is the key path: no key of its own in the registry,
    # as the setup program writes none.
    add(f'          <Component Id="c_start_menu" Guid="{component_guid(arch, "start menu")}"{w64}>')
    for name, target in payload.shortcuts:
        sid = identifier("lnk_", name, used)
        folder = folder_ids[target.rpartition("\\")[0]]
        add(f'            <Shortcut Id="{sid}" Name={quoteattr(name)}'
            f' Target="[#{file_ids[target.lower()]}]" WorkingDirectory="{folder}"/>')
    add('            <RemoveFolder Id="RemoveKvMenuFolder" On="uninstall"/>')
    add("          </Component>")
    add("        </Directory>")
    add("      </Directory>")
    add("    </Directory>")
    add(f'    <Feature Id="Programm" Title={quoteattr(payload.product)} Level="1" Absent="disallow">')
    for target, _ in files:
        add(f'      <ComponentRef Id="c_{file_ids[target.lower()][5:]}"/>')
    add('      <ComponentRef Id="c_start_menu"/>')
    add("    </Feature>")
    add("  </Product>")
    add("</Wix>")
    with open(out, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(x) + "\n")


def finish(payload, package, arch):
    """wixl 0.101 writes IncludeMaximum as the minimum's flag, so a rebuilt
    package of the same version would not replace the installed one, and it
    declares the package English whatever the source says."""
    with tempfile.TemporaryDirectory() as folder:
        idt = os.path.join(folder, "Upgrade.idt")
        with open(idt, "wb") as f:
            subprocess.run(["msiinfo", "export", package, "Upgrade"], check=True, stdout=f)
        with open(idt, encoding="utf-8", newline="") as f:
            text = f.read()
        newline = "\r\n" if "\r\n" in text else "\n"
        lines = text.split(newline)
        mended = False
        for i, line in enumerate(lines[3:], 3):
            cells = line.split("\t")
            if len(cells) == 7 and cells[6] == "KV_OLDER_FOUND":
                # Migrate feature states, minimum and maximum inclusive.
                cells[4] = str(0x1 | 0x100 | 0x200)
                lines[i] = "\t".join(cells)
                mended = True
        if not mended:
            fail(f"{package}: no upgrade row KV_OLDER_FOUND")
        with open(idt, "w", encoding="utf-8", newline="") as f:
            f.write(newline.join(lines))
        subprocess.run(["msibuild", package, "-i", idt], check=True, cwd=folder)
    platform = "x64" if arch == "x64" else "Intel"
    package_code = "{" + str(uuid.uuid4()).upper() + "}"
    subprocess.run(["msibuild", package, "-s", payload.product, payload.publisher,
                    f"{platform};1031", package_code], check=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("list")
    parser.add_argument("what", choices=["nsis", "wxs", "finish", "files"])
    parser.add_argument("out", nargs="?")
    parser.add_argument("--source", action="append")
    parser.add_argument("--source32", action="append")
    parser.add_argument("--arch", choices=["x64", "x86"])
    parser.add_argument("--icon")
    args = parser.parse_args()
    payload = read_list(args.list)
    if args.what == "files":
        # Sources are not needed to name the single files; folders are read.
        sources = parse_sources(args.source)
        for target, _ in (expand(payload, sources) if sources else
                          [(t, None) for t, _, p in payload.files if p is None]):
            print(target)
        return
    if not args.out:
        fail("an output file is needed")
    if args.what == "finish":
        if not args.arch:
            fail("--arch is needed")
        finish(payload, args.out, args.arch)
        return
    if args.what == "nsis":
        write_nsis(payload, args.out, parse_sources(args.source), parse_sources(args.source32))
    else:
        if not args.arch:
            fail("--arch is needed")
        write_wxs(payload, args.out, parse_sources(args.source), args.arch, args.icon)


if __name__ == "__main__":
    main()
