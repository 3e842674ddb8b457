#!/usr/bin/env python3
"""Reads a Windows Installer package's tables with msiinfo, for the MSI test.

  msi_tables.py PACKAGE files       paths below the program folder, one per line
  msi_tables.py PACKAGE shortcuts   Start menu entries (NAME.lnk), one per line
  msi_tables.py PACKAGE registry    KEY<TAB>NAME<TAB>DATA, [DIR] for the program folder
  msi_tables.py PACKAGE tables      the tables the package holds
  msi_tables.py PACKAGE property NAME
  msi_tables.py installed SYSTEM.REG DIR
        what an installation left in a Wine prefix's machine registry under
        the program's keys, in the form of "registry", DIR (the program
        folder, with its final backslash) written as [DIR]
"""

import re
import subprocess
import sys

# The program's own keys, wherever an installer may have put them; the
# records an installer keeps of itself are its own business.
OURS = re.compile(r"(App Paths\\KVWIN7\.EXE|Classes\\(\.kvw|\.kvk|Klavento\.[^\\]+))(\\|$)", re.I)


def unescape(text):
    """A string as Wine writes it into its registry files."""
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            n = text[i + 1]
            if n == "x":
                digits = re.match(r"[0-9a-fA-F]{1,4}", text[i + 2:]).group(0)
                out.append(chr(int(digits, 16)))
                i += 2 + len(digits)
                continue
            out.append({"n": "\n", "r": "\r", "t": "\t", "0": "\0"}.get(n, n))
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out)


def installed(system_reg, folder):
    result = []
    key = None
    with open(system_reg, encoding="utf-8", errors="replace") as f:
        for line in f:
            line = line.rstrip("\n")
            header = re.match(r"^\[(.*)\]( \d+)?$", line)
            if header:
                name = unescape(header.group(1))
                key = name if OURS.search(name) else None
                continue
            if key is None or not line or line.startswith("#"):
                continue
            value = re.match(r'^(@|"((?:[^"\\]|\\.)*)")=(.*)$', line)
            if not value:
                continue
            name = "" if value.group(1) == "@" else unescape(value.group(2))
            data = value.group(3)
            if data.startswith('"') and data.endswith('"'):
                data = unescape(data[1:-1]).replace(folder, "[DIR]")
            result.append(f"{key}\t{name}\t{data}")
    return sorted(result, key=str.lower)


def table(package, name):
    text = subprocess.run(["msiinfo", "export", package, name], check=True,
                          capture_output=True).stdout.decode("utf-8")
    lines = text.split("\r\n") if "\r\n" in text else text.split("\n")
    columns = lines[0].split("\t")
    # The second and third lines are the column types and the keys.
    return [dict(zip(columns, line.split("\t"))) for line in lines[3:] if line]


def long_name(default_dir):
    name = default_dir.split(":")[0]
    return name.split("|")[-1]


def directories(package):
    rows = {r["Directory"]: r for r in table(package, "Directory")}
    paths = {}

    def path(directory):
        if directory == "INSTALLDIR":
            return ""
        if directory not in paths:
            row = rows[directory]
            parent = row["Directory_Parent"]
            if not parent or parent == directory:
                paths[directory] = None
            else:
                above = path(parent)
                name = long_name(row["DefaultDir"])
                if above is None:
                    paths[directory] = None
                elif name == ".":
                    paths[directory] = above
                else:
                    paths[directory] = f"{above}\\{name}" if above else name
        return paths[directory]

    return path


def files(package):
    path = directories(package)
    folder_of = {r["Component"]: r["Directory_"] for r in table(package, "Component")}
    result = []
    for row in table(package, "File"):
        folder = path(folder_of[row["Component_"]])
        if folder is None:
            sys.exit(f"{row['File']} lies outside the program folder")
        name = long_name(row["FileName"])
        result.append(f"{folder}\\{name}" if folder else name)
    return sorted(result, key=str.lower)


def registry(package):
    roots = {"2": "HKLM"}
    result = []
    for row in table(package, "Registry"):
        if row["Root"] not in roots:
            sys.exit(f"registry root {row['Root']} of {row['Key']} is not the machine's")
        value = row["Value"].replace("[INSTALLDIR]", "[DIR]")
        result.append(f"{row['Key']}\t{row['Name']}\t{value}")
    return sorted(result, key=str.lower)


def main():
    if sys.argv[1] == "installed":
        print("\n".join(installed(sys.argv[2], sys.argv[3])))
        return
    package, what = sys.argv[1], sys.argv[2]
    if what == "files":
        lines = files(package)
    elif what == "shortcuts":
        lines = sorted(long_name(r["Name"]) + ".lnk" for r in table(package, "Shortcut"))
    elif what == "registry":
        lines = registry(package)
    elif what == "tables":
        text = subprocess.run(["msiinfo", "tables", package], check=True,
                              capture_output=True, text=True).stdout
        lines = sorted(text.split())
    elif what == "property":
        lines = [r["Value"] for r in table(package, "Property") if r["Property"] == sys.argv[3]]
    else:
        sys.exit(f"unknown question {what}")
    print("\n".join(lines))


if __name__ == "__main__":
    main()
