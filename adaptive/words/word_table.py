#!/usr/bin/env python3
"""Writes the word lists of the adaptive lessons as a C++ source, so that the
program carries them: the words in Windows-1252, one a line, in the order of
the list (most frequent first). Lines starting with "#" and empty lines are
left out. A word that Windows-1252 cannot hold, or one with a blank in it,
stops the build: the list is to be mended, not quietly shortened. A "*" at
the end (in the excluded words: every word that starts so) is dropped; the
program keeps no word of an excluded stem either way.

    word_table.py WORDS.txt [EXCLUDED.txt | -] OUT.cpp
"""
import pathlib
import sys


class ListError(Exception):
    pass


def read_words(path: pathlib.Path) -> list[bytes]:
    words, seen = [], set()
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), start=1):
        word = line.strip()
        if not word or word.startswith("#"):
            continue
        word = word.removesuffix("*")
        if any(c.isspace() for c in word):
            raise ListError(f"{path}:{number}: Leerzeichen im Wort \u201e{word}\u201c")
        try:
            encoded = word.encode("cp1252")
        except UnicodeEncodeError:
            raise ListError(f"{path}:{number}: \u201e{word}\u201c passt nicht in Windows-1252") from None
        if encoded not in seen:
            seen.add(encoded)
            words.append(encoded)
    return words


def literal(data: bytes) -> str:
    """A C++ string literal; octal escapes, which end after three digits."""
    out = []
    for byte in data:
        if 32 <= byte < 127 and byte not in (ord('"'), ord("\\"), ord("?")):
            out.append(chr(byte))
        else:
            out.append(f"\\{byte:03o}")
    return '"' + "".join(out) + '"'


def table(name: str, words: list[bytes]) -> str:
    lines = [f"constexpr char {name}[] ="]
    if not words:
        lines.append('    ""')
    # Some fifty words a literal: the compiler joins them, and no line grows long.
    for start in range(0, len(words), 50):
        lines.append("    " + literal(b"\n".join(words[start:start + 50]) + b"\n"))
    lines[-1] += ";"
    return "\n".join(lines)


def main(argv: list[str]) -> int:
    if len(argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    words = read_words(pathlib.Path(argv[1]))
    excluded = [] if argv[2] == "-" else read_words(pathlib.Path(argv[2]))
    source = "\n".join([
        "// Made at build time by adaptive/words/word_table.py; not to be edited.",
        '#include "adaptive/word_bank.h"',
        "",
        "namespace kv {",
        "namespace {",
        table("kWords", words),
        table("kExcluded", excluded),
        "}  // namespace",
        "",
        "std::string_view builtinWordListText() { return {kWords, sizeof(kWords) - 1}; }",
        "std::string_view builtinExcludedText() { return {kExcluded, sizeof(kExcluded) - 1}; }",
        "",
        "}  // namespace kv",
        "",
    ])
    out = pathlib.Path(argv[3])
    out.parent.mkdir(parents=True, exist_ok=True)
    # Written only when it changes, so that a new configure rebuilds nothing.
    if not out.exists() or out.read_text(encoding="ascii") != source:
        out.write_text(source, encoding="ascii")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except (ListError, OSError) as error:
        print(f"word_table.py: {error}", file=sys.stderr)
        sys.exit(1)
