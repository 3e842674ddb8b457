#!/usr/bin/env python3
"""Packs the course lessons (texts/grundkurs/lektion-NN.txt) into the archive
the program carries, with kvtool's archive writer; or writes them as the C++
table kvtool carries, from which it packs the same archive in memory
(kvtool archive ... --builtin-archive grundkurs). kvtool cannot carry the
archive itself: on Linux it is the program that packs it.

Each lesson file begins with "Titel: ...", "Neu: ..." and an empty line; the
lines after that are the lesson's text.

    pack_grundkurs.py KVTOOL LESSON-FOLDER OUT.kv7
    pack_grundkurs.py --cpp LESSON-FOLDER OUT.cpp
"""
import pathlib
import subprocess
import sys


class LessonError(Exception):
    pass


def read_lessons(source: pathlib.Path) -> list[tuple[pathlib.Path, str, str]]:
    """Every lesson in course order: its file, its title and the text after
    the header, as kvtool archive pack is to read it."""
    lessons = sorted(source.glob("lektion-*.txt"))
    if not lessons:
        raise LessonError(f"Keine Lektionen in {source}")
    result = []
    for lesson in lessons:
        lines = lesson.read_text(encoding="utf-8").splitlines()
        if len(lines) < 4 or not lines[0].startswith("Titel:") or not lines[1].startswith("Neu:"):
            raise LessonError(f"{lesson}: Kopf fehlt (Titel:, Neu:, Leerzeile)")
        result.append((lesson, lines[0][len("Titel:"):].strip(), "\n".join(lines[3:]) + "\n"))
    return result


def pack(kvtool: str, source: pathlib.Path, out: pathlib.Path) -> None:
    work = out.parent / "grundkurs-texte"
    work.mkdir(parents=True, exist_ok=True)
    for old in work.glob("*.txt"):
        old.unlink()
    arguments = [kvtool, "archive", "pack", "--name", "Grundkurs", "--encoding", "utf-8", "-o", str(out)]
    bodies = []
    for lesson, title, text in read_lessons(source):
        body = work / lesson.name
        body.write_text(text, encoding="utf-8")
        arguments += ["--title", title]
        bodies.append(str(body))
    done = subprocess.run(arguments + bodies, capture_output=True, text=True)
    if done.returncode != 0:
        raise LessonError(done.stdout + done.stderr)


def cpp_literal(text: str) -> str:
    """A C++ string literal of the text's UTF-8 bytes that leaves nothing to
    the compiler's source and execution character sets; octal escapes never
    run on into a following digit as hexadecimal ones would."""
    out = []
    for byte in text.encode("utf-8"):
        if byte in (0x22, 0x5C):
            out.append("\\" + chr(byte))
        elif byte == 0x0A:
            out.append("\\n")
        elif 0x20 <= byte < 0x7F:
            out.append(chr(byte))
        else:
            out.append(f"\\{byte:03o}")
    return '"' + "".join(out) + '"'


def write_table(source: pathlib.Path, out: pathlib.Path) -> None:
    rows = []
    for _, title, text in read_lessons(source):
        literals = [cpp_literal(line) for line in text.splitlines(keepends=True)]
        rows.append("    {" + cpp_literal(title) + ",\n     " + "\n     ".join(literals) + "},\n")
    text = ("// Written by scripts/pack_grundkurs.py from the lessons in texts/grundkurs.\n"
            '#include "tools/kvtool_builtin.h"\n\n'
            "namespace kv::tool {\nnamespace {\n\n"
            "constexpr CourseLesson kLessons[] = {\n" + "".join(rows) + "};\n\n"
            "}  // namespace\n\n"
            "std::span<const CourseLesson> courseLessons() { return kLessons; }\n\n"
            "}  // namespace kv::tool\n")
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_text(text, encoding="ascii")


def main() -> int:
    try:
        if len(sys.argv) == 4 and sys.argv[1] == "--cpp":
            write_table(pathlib.Path(sys.argv[2]), pathlib.Path(sys.argv[3]))
        elif len(sys.argv) == 4:
            pack(sys.argv[1], pathlib.Path(sys.argv[2]), pathlib.Path(sys.argv[3]))
        else:
            print(__doc__, file=sys.stderr)
            return 2
    except LessonError as error:
        print(error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
