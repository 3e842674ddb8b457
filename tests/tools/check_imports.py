#!/usr/bin/env python3
"""The shipped Windows programs must start on Windows XP: every function they
import must be one that XP's system DLLs export for the program's architecture
(the lists xp-exports-x86.txt and xp-exports-x64.txt in LISTS), and no DLL
beyond the system's may be needed.

Functions the program loads on first use are not in its import table; with
--delay-list FILE (platform/win/delay_loaded.txt) every function named there is
checked the same way, and none of those DLLs may stay in the import table,
where it would be loaded at start after all.

Usage: check_imports.py LISTS [--delay-list FILE] EXE...
       exit 0: all fine, 1: a finding, 2: unreadable
"""
import struct
import sys


MACHINES = {0x14C: "x86", 0x8664: "x64"}


def read_imports(path):
    """The architecture and the (dll, function) pairs of the import directory;
    ordinals as '#n'."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"MZ":
        raise ValueError("no MZ header")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE header")
    machine, sections_count, optional_size = struct.unpack_from("<HH12xH", data, pe + 4)
    if machine not in MACHINES:
        raise ValueError(f"unknown machine {machine:#x}")
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    if magic == 0x10B:
        directories, thunk_size, ordinal_flag = optional + 96, 4, 1 << 31
    elif magic == 0x20B:
        directories, thunk_size, ordinal_flag = optional + 112, 8, 1 << 63
    else:
        raise ValueError(f"unknown optional header {magic:#x}")
    import_rva = struct.unpack_from("<I", data, directories + 8)[0]
    sections = []
    table = optional + optional_size
    for i in range(sections_count):
        virtual_size, virtual_address, raw_size, raw_pointer = struct.unpack_from(
            "<IIII", data, table + 40 * i + 8)
        sections.append((virtual_address, max(virtual_size, raw_size), raw_pointer))

    def offset(rva):
        for start, size, raw in sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"address {rva:#x} outside every section")

    def text(rva):
        at = offset(rva)
        return data[at:data.index(b"\0", at)].decode("ascii")

    found = []
    if import_rva == 0:
        return MACHINES[machine], found
    descriptor = offset(import_rva)
    while True:
        lookup, _, _, name_rva, address = struct.unpack_from("<IIIII", data, descriptor)
        if name_rva == 0:
            break
        dll = text(name_rva).lower()
        thunk = offset(lookup or address)
        while True:
            value = struct.unpack_from("<Q" if thunk_size == 8 else "<I", data, thunk)[0]
            if value == 0:
                break
            if value & ordinal_flag:
                found.append((dll, f"#{value & 0xFFFF}"))
            else:
                found.append((dll, text((value & 0x7FFFFFFF) + 2)))
            thunk += thunk_size
        descriptor += 20
    return MACHINES[machine], found


def read_list(path):
    allowed = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                dll, name = line.split()
                allowed.setdefault(dll, set()).add(name)
    return allowed


def read_delay_list(path):
    """(dll, function) pairs of the delay-load list: a DLL, its import library, then functions."""
    pairs = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            fields = line.split()
            if fields and not fields[0].startswith("#"):
                pairs += [(fields[0].lower(), name) for name in fields[2:]]
    return pairs


def main(argv):
    if len(argv) < 3:
        print(__doc__)
        return 2
    lists = {arch: read_list(f"{argv[1]}/xp-exports-{arch}.txt") for arch in MACHINES.values()}
    exes = argv[2:]
    delayed = []
    if exes[:1] == ["--delay-list"]:
        if len(exes) < 3:
            print(__doc__)
            return 2
        try:
            delayed = read_delay_list(exes[1])
        except OSError as error:
            print(f"{exes[1]}: unreadable: {error}")
            return 2
        exes = exes[2:]
    findings = 0
    for exe in exes:
        try:
            arch, imports = read_imports(exe)
        except (OSError, ValueError, struct.error) as error:
            print(f"{exe}: unreadable: {error}")
            return 2
        allowed = lists[arch]
        for dll, name in imports:
            if dll not in allowed:
                print(f"{exe}: needs {dll}, which Windows XP does not have")
                findings += 1
            elif name not in allowed[dll]:
                print(f"{exe}: imports {dll} {name}, which Windows XP does not export")
                findings += 1
        delayed_dlls = {dll for dll, _ in delayed}
        for dll in sorted({dll for dll, _ in imports} & delayed_dlls):
            print(f"{exe}: imports {dll} at start, which it should load on first use")
            findings += 1
        for dll, name in delayed:
            if dll not in allowed or name not in allowed[dll]:
                print(f"{exe}: loads {dll} {name} on first use, which Windows XP does not export")
                findings += 1
        print(f"{exe}: {len(imports)} imports checked ({arch})"
              + (f", {len(delayed)} loaded on first use" if delayed else ""))
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
