#!/usr/bin/env python3
"""Packs the course lessons (texts/grundkurs/lektion-NN.txt) into the archive
the program carries, with kvtool's archive writer.

Each lesson file begins with "Titel: ...", "Neu: ..." and an empty line; the
lines after that are the lesson's text.

    pack_grundkurs.py KVTOOL LESSON-FOLDER OUT.kv7
"""
import pathlib
import subprocess
import sys


def main() -> int:
    kvtool, source, out = sys.argv[1], pathlib.Path(sys.argv[2]), pathlib.Path(sys.argv[3])
    lessons = sorted(source.glob("lektion-*.txt"))
    if not lessons:
        print(f"Keine Lektionen in {source}", file=sys.stderr)
        return 1
    work = out.parent / "grundkurs-texte"
    work.mkdir(parents=True, exist_ok=True)
    for old in work.glob("*.txt"):
        old.unlink()
    arguments = [kvtool, "archive", "pack", "--name", "Grundkurs", "--encoding", "utf-8", "-o", str(out)]
    bodies = []
    for lesson in lessons:
        lines = lesson.read_text(encoding="utf-8").splitlines()
        if len(lines) < 4 or not lines[0].startswith("Titel:") or not lines[1].startswith("Neu:"):
            print(f"{lesson}: Kopf fehlt (Titel:, Neu:, Leerzeile)", file=sys.stderr)
            return 1
        body = work / lesson.name
        body.write_text("\n".join(lines[3:]) + "\n", encoding="utf-8")
        arguments += ["--title", lines[0][len("Titel:"):].strip()]
        bodies.append(str(body))
    done = subprocess.run(arguments + bodies, capture_output=True, text=True)
    if done.returncode != 0:
        print(done.stdout + done.stderr, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
