#!/usr/bin/python3
"""Turns the German user guide (Markdown) into the HTML page the setup
installs: teachers open it from the Start menu in their browser, pictures
included, instead of reading Markdown in a text editor."""
import re
import sys

import markdown

PAGE = """<!DOCTYPE html>
<html lang="de">
<head>
<meta charset="utf-8">
<title>{title}</title>
<style>
body {{ font-family: Arial, "Liberation Sans", sans-serif; line-height: 1.5;
       max-width: 52em; margin: 2em auto; padding: 0 1em; color: #111; }}
img {{ max-width: 100%; border: 1px solid #ccc; }}
/* A screenshot wider than the text column may use the window's width beside
   it, centred, so it is shown at its own size wherever the window has room;
   1em each side stays clear, more than half a scroll bar. */
p.bild {{ margin-left: calc(50% - 50vw + 1em); margin-right: calc(50% - 50vw + 1em); text-align: center; }}
/* A table too wide for a narrow window scrolls in itself, not the page. */
table {{ border-collapse: collapse; display: block; overflow-x: auto; }}
th, td {{ border: 1px solid #bbb; padding: 0.25em 0.6em; text-align: left; vertical-align: top; }}
code {{ font-family: "Courier New", "Liberation Mono", monospace; background: #f3f3f3; }}
pre {{ overflow-x: auto; background: #f3f3f3; padding: 0.4em 0.6em; }}
h1, h2, h3 {{ color: #003366; }}
</style>
</head>
<body>
{body}
</body>
</html>
"""


def main() -> int:
    if len(sys.argv) != 3:
        print("Aufruf: handbook_html.py EINGABE.md AUSGABE.html", file=sys.stderr)
        return 2
    with open(sys.argv[1], encoding="utf-8") as source:
        text = source.read()
    title = "Klavento 7 – Benutzerhandbuch"
    for line in text.splitlines():
        if line.startswith("# "):
            title = line[2:].strip()
            break
    body = markdown.markdown(text, extensions=["tables", "toc", "sane_lists", "fenced_code"])
    body = re.sub(r"<p>(<img [^>]*>)</p>", r'<p class="bild">\1</p>', body)
    # A path in running text or a table cell may wrap after a backslash; it has
    # no blank to wrap at and would push a narrow column out of the page.
    body = re.sub(r"(?<!<pre>)<code>([^<]*)</code>",
                  lambda code: "<code>" + code.group(1).replace("\\", "\\<wbr>") + "</code>", body)
    with open(sys.argv[2], "w", encoding="utf-8", newline="\r\n") as target:
        target.write(PAGE.format(title=title, body=body))
    return 0


if __name__ == "__main__":
    sys.exit(main())
