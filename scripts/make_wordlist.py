#!/usr/bin/env python3
"""Builds the German word list behind "Adaptiv üben" (adaptive/words/woerter.txt).

Words are ranked by how often they occur in German prose that Debian ships:
the German fortune cookies, the German LibreOffice and GIMP help, the German
man pages and the German Debian reference. A word is kept only if Debian's German
spelling list (wngerman) holds it; capitalisation follows that list, and where
the list cannot tell (it keeps only one spelling of essen/Essen), it follows
how the word is written in the running text away from sentence starts.
Words a school would not want on a pupil's screen are dropped by
adaptive/words/ausgeschlossen.txt.

    python3 scripts/make_wordlist.py [--limit N] [--output FILE] [...]

Needs the Debian packages fortunes-de, libreoffice-help-de, gimp-help-de,
manpages-de, debian-reference-de and wngerman; a source that is not installed is left out
with a warning, the spelling list is required. Given the same package versions
the output is the same byte for byte: ties are broken alphabetically and all
input files are read in sorted order.
"""
import argparse
import collections
import gzip
import html.parser
import pathlib
import re
import sys
from dataclasses import dataclass, field
from typing import Callable, Iterator

ROOT = pathlib.Path(__file__).resolve().parent.parent
WORDS_DIR = ROOT / "adaptive" / "words"

# Only what a German keyboard types as plain letters and Windows-1252 holds.
LOWER = "abcdefghijklmnopqrstuvwxyzäöüß"
UPPER = "ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÜ"
WORD_RE = re.compile(f"[{LOWER}{UPPER}]+")
LOWER_RE = re.compile(f"[{LOWER}]+")
CAP_RE = re.compile(f"[{UPPER}][{LOWER}]+")
VOWELS = set("aeiouyäöü")
MIN_LEN, MAX_LEN = 2, 14

# Readers mark text whose capitals say nothing about the word (menu labels,
# IRC nicknames) with NO_CASE, and text they left out (code, markup) with
# GAP, so that a word glued to left-out text is not taken as a word.
NO_CASE = "\x01"
GAP = "\x00"

OPENING = "\"'(»«„“‚‘[{<¡¿*•·"
CLOSING = "\"'»«“”‘’)]}>,;:.!?…*"
QUOTES_OR_BRACKETS = set("\"'(»«„“‚‘[{<")
SENTENCE_END = set(".!?:")

# The rarer spelling of essen/Essen gets its own line when it has at least
# this share of the mid-sentence occurrences, and this many of them...
BOTH_FORMS_SHARE = 0.2
BOTH_FORMS_MIN = 12
# ... or when the rarer spelling alone is this common (weighted per million),
# as "sie" beside the "Sie" of the manuals.
BOTH_FORMS_FREQUENT = 100.0
# Words seen in a single source only are taken when that source has them at
# least this often; two sources make a word ordinary enough by themselves.
# The cookies are everyday language, so once there is enough; a manual has
# to repeat a word before it counts as more than jargon.
SINGLE_SOURCE_MIN_PROSE = 1
SINGLE_SOURCE_MIN = 4
# Share of "word." followed by a lower-case word from which on it is an
# abbreviation (z. B. "bzw. die", "ca. zehn"), and how often that must be
# seen: a single "herausnehmen. in" is a typo, not an abbreviation.
ABBREVIATION_SHARE = 0.5
ABBREVIATION_MIN = 2

# Abbreviations the spelling list has without their dot, and names of
# programs and systems that the man pages and the help repeat so often that
# they would outrank everyday words. Neither belongs in typing practice.
NOT_WORDS = {
    "bzw", "ca", "etc", "evtl", "ggf", "inkl", "usw", "vgl", "zzgl", "sog",
    "dgl", "usf", "bspw", "ebd", "hrsg", "jh", "jhs", "mio", "mrd", "nr",
    "str", "tel", "ugs", "urspr", "zb", "dr", "prof", "min", "max", "ok",
    "abk", "anm", "co", "engl", "ltd", "std", "anz", "geb", "med", "div",
    "phil", "jan", "feb", "apr", "aug", "sep", "okt", "nov", "dez",
    "debian", "linux", "ubuntu", "unix", "gnu", "windows", "microsoft",
    "libreoffice", "openoffice", "basic", "emacs", "vim", "perl", "python",
    "bash", "shell", "systemd", "xorg", "posix", "glibc", "grub", "apache",
    "mozilla", "firefox", "google", "apple", "macos", "mac", "java",
    # English, Latin and the particles of names ("de", "van"): the spelling
    # list has them for loan phrases, the manuals' untranslated bits and the
    # cookies' authors bring them in, and none is a German word by itself.
    "new", "simple", "red", "kill", "image", "word", "sun", "he", "hi",
    "esc", "dpi", "phi", "ex", "don", "van", "de", "et", "ad",
}


@dataclass
class Source:
    name: str
    package: str
    licence: str  # as /usr/share/doc/<package>/copyright states it
    weight: float
    prose: bool
    read: Callable[[pathlib.Path], Iterator[list[str]]]
    path: pathlib.Path
    tokens: int = 0
    paragraphs: int = 0
    english: int = 0
    counts: dict = field(default_factory=dict)


# ---------------------------------------------------------------- fortunes

# Files that are not German prose: pictures made of characters, an English
# phrase book and IRC logs that are written all in lower case.
FORTUNE_SKIP = {"asciiart", "translations", "channel-debian.fortunes"}
IRC_LINE = re.compile(r"^\s*(<[^>\s]{1,30}>|\*\s+\S+)\s*")


def read_fortunes(folder: pathlib.Path) -> Iterator[list[str]]:
    """Every line of a cookie is a paragraph of its own: many cookies are
    verse, where each line is capitalised, and whole files repeat the same
    opening line ("Wie man sein Kind nicht nennen sollte:"), which is to
    count once like any other repeated paragraph."""
    for path in sorted(folder.iterdir()):
        if (path.is_symlink() or not path.is_file() or path.suffix in (".dat", ".u8")
                or path.name in FORTUNE_SKIP):
            continue
        text = path.read_text(encoding="utf-8", errors="replace")
        for cookie in re.split(r"^%\s*$", text, flags=re.M):
            lines = []
            for line in cookie.splitlines():
                if not line.strip():
                    continue
                if line.lstrip().startswith(("--", "—", "–")):
                    # The attribution, names and book titles, ends the cookie.
                    break
                m = IRC_LINE.match(line)
                if m:
                    rest = line[m.end():]
                    line = NO_CASE + rest.replace(" ", " " + NO_CASE)
                lines.append(line)
            for line in lines:
                yield [line]


# ---------------------------------------------------------------- man pages

GLYPHS = {
    "lq": '"', "rq": '"', "Fo": '"', "Fc": '"', "dq": '"', "Bq": '"', "bq": '"',
    "aq": "'", "oq": "'", "cq": "'", "em": " - ", "en": " - ", "hy": "-",
    "bu": " ", "co": " ", ":a": "ä", ":o": "ö", ":u": "ü", ":A": "Ä",
    ":O": "Ö", ":U": "Ü", "ss": "ß", "Ti": " ", "ti": "~",
}
# Bold, italic and constant-width text in a man page is nearly always a
# command, an option, a file or a placeholder.
ROMAN_FONTS = {"R"}
# Sections that are code, lists of other pages or the same credits in every page.
MAN_SKIP_SECTIONS = {
    "ÜBERSICHT", "SIEHE AUCH", "AUTOR", "AUTOREN", "ÜBERSETZUNG", "COPYRIGHT",
    "URHEBERRECHT", "KOLOPHON", "FEHLER MELDEN", "LIZENZ", "BEZEICHNUNG",
}
# Regions that are code, tables or macro definitions, by their closing request.
MAN_SKIP_REGIONS = {"nf": "fi", "EX": "EE", "TS": "TE", "EQ": "EN", "PS": "PE",
                    "SY": "YS", "de": "..", "de1": "..", "am": "..", "ig": ".."}
# Font macros carry their words on the request line and sit inside sentences.
MAN_INLINE = {"B", "I", "BR", "IR", "RB", "RI", "BI", "IB", "SM", "SB", "UR",
              "UE", "MT", "ME", "OP", "IX"}


def _delimited(line: str, i: int) -> int:
    """Index after an escape argument like 'x', (xx or [xxx] starting at i."""
    if i >= len(line):
        return i
    if line[i] == "(":
        return i + 3
    if line[i] == "[":
        end = line.find("]", i)
        return len(line) if end < 0 else end + 1
    return i + 1


def _name_at(line: str, i: int) -> str:
    if i >= len(line):
        return ""
    if line[i] == "(":
        return line[i + 1:i + 3]
    if line[i] == "[":
        end = line.find("]", i)
        return line[i + 1:end if end >= 0 else len(line)]
    return line[i]


def _glyph(name: str) -> str:
    if name in GLYPHS:
        return GLYPHS[name]
    m = re.fullmatch(r"u([0-9A-Fa-f]{4,5})", name)
    if m:
        return chr(int(m.group(1), 16))
    return GAP


def groff_text(line: str, fonts: list[str]) -> str:
    """The running text of one groff input line, with escapes resolved and
    non-roman runs replaced by GAP. fonts is [current, previous] and is
    carried from line to line."""
    out = []
    i, n = 0, len(line)
    while i < n:
        c = line[i]
        if c != "\\":
            out.append(c if fonts[0] in ROMAN_FONTS or c.isspace() else GAP)
            i += 1
            continue
        e = line[i + 1] if i + 1 < n else ""
        i += 2
        if e == "f":
            font = _name_at(line, i)
            i = _delimited(line, i)
            font = {"1": "R", "2": "I", "3": "B", "": "R"}.get(font, font)
            if font == "P":
                fonts[0], fonts[1] = fonts[1], fonts[0]
            else:
                fonts[1], fonts[0] = fonts[0], font
            out.append(GAP if fonts[0] not in ROMAN_FONTS else "")
        elif e in ('"', "#"):
            break
        elif e == "-":
            out.append("-")
        elif e in ("e", "\\"):
            out.append("\\")
        elif e in ("(", "["):
            i -= 1
            out.append(_glyph(_name_at(line, i)))
            i = _delimited(line, i)
        elif e == "*":
            name = _name_at(line, i)
            i = _delimited(line, i)
            out.append('"' if name in ("lq", "rq", "Lq", "Rq") else GAP)
        elif e in ("n", "g", "k", "m", "M", "Y", "V"):
            if i < n and line[i] in "+-":
                i += 1
            i = _delimited(line, i)
            out.append(GAP)
        elif e == "s":
            if i < n and line[i] in "+-":
                i += 1
            if i < n and line[i] in "([":
                i = _delimited(line, i)
            else:
                while i < n and line[i].isdigit():
                    i += 1
        elif e in "hvwlLoxbDNZRXSAB" and e:
            if i < n:
                delim = line[i]
                end = line.find(delim, i + 1)
                i = n if end < 0 else end + 1
            out.append(" " if e == "h" else GAP)
        elif e in (" ", "~", "0", "t"):
            out.append(" ")
        else:
            # \& \% \c \| \^ \: \) \/ \, \d \u \p \r \a and the like: nothing.
            pass
    return "".join(out)


def man_files(folder: pathlib.Path, package: str) -> list[pathlib.Path]:
    """The package's own pages if dpkg lists them, so that the result does
    not change with whatever else happens to ship German man pages."""
    listing = pathlib.Path("/var/lib/dpkg/info") / f"{package}.list"
    if listing.is_file():
        prefix = str(folder).rstrip("/") + "/"
        names = [pathlib.Path(p) for p in listing.read_text(encoding="utf-8").split("\n")
                 if p.startswith(prefix)]
    else:
        names = list(folder.rglob("*"))
    return sorted(p for p in names
                  if p.is_file() and not p.is_symlink() and re.search(r"\.\d\w*(\.gz)?$", p.name))


def read_man_page(text: str) -> Iterator[list[str]]:
    fonts = ["R", "R"]
    para: list[str] = []
    skip_until = None
    skip_section = False
    tag_line = False

    def flush():
        if para:
            joined = " ".join(para)
            para.clear()
            return [[joined]]
        return []

    lines = text.replace("\\\n", "").splitlines()
    for raw in lines:
        if raw[:1] in (".", "'"):
            parts = raw[1:].strip().split(None, 1)
            request = parts[0] if parts else ""
            if skip_until:
                if request == skip_until or (skip_until == ".." and raw.strip() == ".."):
                    skip_until = None
                continue
            if request.startswith('\\"') or not request:
                continue
            if request in MAN_SKIP_REGIONS:
                yield from flush()
                skip_until = MAN_SKIP_REGIONS[request]
                continue
            if request in MAN_INLINE:
                para.append(GAP)
                continue
            yield from flush()
            if request in ("SH", "SS") and len(parts) > 1:
                title = re.sub(r'\\f(\(..|\[[^]]*\]|.)|"', "", parts[1]).strip().upper()
                if request == "SH":
                    skip_section = title in MAN_SKIP_SECTIONS
            tag_line = request == "TP"
            continue
        if skip_until or skip_section:
            continue
        text_line = groff_text(raw, fonts)
        if tag_line:
            # The tag of a .TP item: usually an option, a label at most.
            tag_line = False
            yield from flush()
            yield [text_line]
            continue
        if not raw.strip():
            yield from flush()
            continue
        para.append(text_line)
    yield from flush()


def read_man_pages(folder: pathlib.Path, package: str = "manpages-de") -> Iterator[list[str]]:
    for path in man_files(folder, package):
        opener = gzip.open if path.suffix == ".gz" else open
        with opener(path, "rt", encoding="utf-8", errors="replace") as f:
            text = f.read()
        if text.lstrip().startswith(".so "):
            continue
        yield from read_man_page(text)


# ---------------------------------------------------------------- HTML help

class HtmlParagraphs(html.parser.HTMLParser):
    """Collects the running text of an HTML page as paragraphs, leaving out
    page chrome and code and marking interface labels as NO_CASE."""

    BLOCK = {"p", "div", "h1", "h2", "h3", "h4", "h5", "h6", "li", "td", "th",
             "tr", "table", "dt", "dd", "dl", "ul", "ol", "blockquote", "caption",
             "section", "article", "body", "figcaption", "br", "hr"}
    SKIP_TAGS = {"script", "style", "pre", "code", "kbd", "samp", "tt", "head",
                 "header", "footer", "nav", "aside", "var", "noscript", "title",
                 "button", "label", "select", "textarea", "svg", "math"}
    # LibreOffice help (literal, input, keycode, bascode ...) and DocBook
    # output of the Debian reference (screen, command, filename ...).
    SKIP_CLASSES = {"literal", "input", "keycode", "bascode", "bug", "debug",
                    "screen", "programlisting", "command", "filename", "option",
                    "replaceable", "userinput", "computeroutput", "systemitem",
                    "navheader", "navfooter", "toc", "ulink", "email", "uri",
                    "package", "footnotes", "acronym", "index-label", "reportbug",
                    "indexterm", "author", "othername", "firstname", "surname",
                    "personname", "foreignphrase", "abbrev", "guiicon"}
    LABEL_CLASSES = {"emph", "menuitem", "guimenu", "guimenuitem", "guibutton",
                     "guilabel", "guisubmenu", "keycap", "productname",
                     "tableheadcell", "tableheadintable", "howtogetheader"}
    VOID = {"br", "img", "input", "meta", "link", "hr", "area", "base", "col",
            "embed", "param", "source", "track", "wbr"}

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack: list[tuple[str, bool, bool]] = []
        self.paragraphs: list[str] = []
        self.current: list[str] = []

    def _state(self) -> tuple[bool, bool]:
        return (self.stack[-1][1], self.stack[-1][2]) if self.stack else (False, False)

    def _break(self):
        text = " ".join("".join(self.current).split())
        if text.strip(GAP + " "):
            self.paragraphs.append(text)
        self.current = []

    def handle_starttag(self, tag, attrs):
        if tag in self.BLOCK:
            self._break()
        if tag in self.VOID:
            return
        classes = set()
        for key, value in attrs:
            if key == "class" and value:
                classes.update(value.split())
        skip, label = self._state()
        skip = skip or tag in self.SKIP_TAGS or bool(classes & self.SKIP_CLASSES)
        label = label or bool(classes & self.LABEL_CLASSES)
        self.stack.append((tag, skip, label))
        if skip:
            self.current.append(GAP)

    def handle_endtag(self, tag):
        if tag in self.BLOCK:
            self._break()
        for depth in range(len(self.stack) - 1, -1, -1):
            if self.stack[depth][0] == tag:
                del self.stack[depth:]
                break

    def handle_data(self, data):
        skip, label = self._state()
        if skip:
            self.current.append(GAP)
        elif label:
            self.current.append(re.sub(r"(\S+)", NO_CASE + r"\1", data))
        else:
            self.current.append(data)

    def close(self):
        super().close()
        self._break()


def read_html_folder(folder: pathlib.Path, pattern: str, exclude: set[str]) -> Iterator[list[str]]:
    for path in sorted(folder.rglob(pattern)):
        if path.name in exclude or not path.is_file():
            continue
        parser = HtmlParagraphs()
        parser.feed(path.read_text(encoding="utf-8", errors="replace"))
        parser.close()
        for paragraph in parser.paragraphs:
            yield [paragraph]


def read_libreoffice_help(folder: pathlib.Path) -> Iterator[list[str]]:
    # The package installs the help as ready HTML pages (no .xhp sources).
    yield from read_html_folder(folder, "*.html", {"noscript.html"})


def read_gimp_help(folder: pathlib.Path) -> Iterator[list[str]]:
    yield from read_html_folder(folder, "*.html", set())


def read_debian_reference(folder: pathlib.Path) -> Iterator[list[str]]:
    # index.de.html is the table of contents: the headings again.
    yield from read_html_folder(folder, "*.de.html", {"index.de.html"})


# ---------------------------------------------------------------- counting

class Counts:
    """Per lower-case word: mid-sentence lower, sentence-start lower,
    mid-sentence capitalised, sentence-start capitalised, and how often
    it is followed by a dot that does not end the sentence."""
    __slots__ = ("lower_mid", "lower_start", "cap_mid", "cap_start", "abbrev", "dotted")

    def __init__(self):
        self.lower_mid = self.lower_start = self.cap_mid = self.cap_start = 0
        self.abbrev = self.dotted = 0

    @property
    def total(self) -> int:
        return self.lower_mid + self.lower_start + self.cap_mid + self.cap_start


@dataclass
class Rejects:
    not_letters: int = 0
    all_caps: int = 0
    mixed_case: int = 0
    not_in_dictionary: set = field(default_factory=set)


def tokenize_line(line: str) -> Iterator[tuple[str, bool, str, str]]:
    """(core, sentence_start_or_no_case_evidence, trailing punctuation,
    the next chunk) for every whitespace chunk that holds a letter."""
    chunks = line.split()
    start = True
    for index, chunk in enumerate(chunks):
        evidence = True
        if NO_CASE in chunk:
            evidence = False
            chunk = chunk.replace(NO_CASE, "")
        body = chunk.lstrip(OPENING)
        lead = chunk[:len(chunk) - len(body)]
        core = body.rstrip(CLOSING)
        trail = body[len(core):]
        if any(c in QUOTES_OR_BRACKETS for c in lead):
            evidence = False
        following = chunks[index + 1].replace(NO_CASE, "").lstrip(OPENING) if index + 1 < len(chunks) else ""
        if any(c.isalpha() for c in core):
            yield core, start or not evidence, trail, following
            start = any(c in SENTENCE_END for c in trail)
        elif any(c in SENTENCE_END for c in trail + core) or any(c.isdigit() for c in core):
            start = True


# Function words that German does not have: a paragraph full of them is an
# untranslated one (figure titles in the GIMP help, quotes in the cookies).
ENGLISH = {"the", "and", "of", "with", "for", "to", "is", "are", "this", "that",
           "from", "by", "you", "your", "can", "will", "which", "when", "into",
           "using", "be", "it", "its", "have", "has", "there", "their", "on",
           "at", "not", "if", "or", "what", "was", "were", "all", "my", "we"}


def is_english(paragraph: list[str]) -> bool:
    words = re.findall(r"[A-Za-z]+", " ".join(paragraph).replace(NO_CASE, ""))
    hits = sum(1 for w in words if w.lower() in ENGLISH)
    return hits >= 2 and hits * 8 >= len(words)


def count_source(source: Source, dictionary: dict[str, set[str]], rejects: Rejects):
    seen_paragraphs = set()
    counts = source.counts
    for paragraph in source.read(source.path):
        # Help pages and man pages repeat the same boilerplate paragraphs
        # hundreds of times; each one counts once.
        key = "\n".join(paragraph)
        if key in seen_paragraphs:
            continue
        seen_paragraphs.add(key)
        if is_english(paragraph):
            source.english += 1
            continue
        source.paragraphs += 1
        for line in paragraph:
            for core, at_start, trail, following in tokenize_line(line):
                if not WORD_RE.fullmatch(core):
                    rejects.not_letters += 1
                    continue
                source.tokens += 1
                if LOWER_RE.fullmatch(core):
                    capitalised = False
                elif CAP_RE.fullmatch(core):
                    capitalised = True
                elif core.isupper() and len(core) > 1:
                    rejects.all_caps += 1
                    continue
                else:
                    rejects.mixed_case += 1
                    continue
                word = core.lower()
                if not (MIN_LEN <= len(word) <= MAX_LEN):
                    continue
                if word not in dictionary:
                    rejects.not_in_dictionary.add(word)
                    continue
                c = counts.get(word)
                if c is None:
                    c = counts[word] = Counts()
                if capitalised:
                    if at_start:
                        c.cap_start += 1
                    else:
                        c.cap_mid += 1
                elif at_start:
                    c.lower_start += 1
                else:
                    c.lower_mid += 1
                if trail.startswith(".") and not trail.startswith(".."):
                    c.dotted += 1
                    if following[:1].islower() or following[:1].isdigit():
                        c.abbrev += 1


# ---------------------------------------------------------------- lists

def read_dictionary(path: pathlib.Path) -> dict[str, set[str]]:
    """lower-case word -> the spellings the list has (lower-case and/or
    capitalised). Abbreviations in capitals and words with other letters
    are left out."""
    dictionary: dict[str, set[str]] = collections.defaultdict(set)
    for line in path.read_text(encoding="utf-8").splitlines():
        word = line.strip()
        if not (MIN_LEN <= len(word) <= MAX_LEN):
            continue
        if LOWER_RE.fullmatch(word) or CAP_RE.fullmatch(word):
            dictionary[word.lower()].add(word)
    return dict(dictionary)


def read_exclusions(path: pathlib.Path) -> tuple[set[str], tuple[str, ...]]:
    """Whole words, and word beginnings (entries ending in '*')."""
    words, prefixes = set(), []
    for line in path.read_text(encoding="utf-8").splitlines():
        entry = line.split("#", 1)[0].strip().lower()
        if not entry:
            continue
        if entry.endswith("*"):
            prefixes.append(entry[:-1])
        else:
            words.add(entry)
    return words, tuple(sorted(prefixes))


def is_excluded(word: str, exclusions: tuple[set[str], tuple[str, ...]]) -> bool:
    lower = word.lower()
    return lower in exclusions[0] or lower.startswith(exclusions[1])


def choose_forms(word: str, spellings: set[str], per_source: list[Counts],
                 sources: list["Source"]) -> tuple[list[str], float]:
    """The spelling(s) to keep for one word, and the share of the lower-case
    spelling. The list holds only one spelling of words like essen/Essen or
    zeit/Zeit, so a lower-case entry may still be a noun: the text decides,
    counting only words that do not start a sentence, a line or a quotation,
    and weighting the sources as for the rank (the manuals address the
    reader as "Sie", the cookies mostly talk about "sie")."""
    capital = word[0].upper() + word[1:]
    if spellings == {capital}:
        return [capital], 0.0
    lower = sum(s.weight * c.lower_mid / s.tokens for s, c in zip(sources, per_source)) * 1e6
    cap = sum(s.weight * c.cap_mid / s.tokens for s, c in zip(sources, per_source)) * 1e6
    if lower + cap == 0:
        return [word], 1.0
    share = lower / (lower + cap)
    minority = min(lower, cap)
    minority_count = min(sum(c.lower_mid for c in per_source), sum(c.cap_mid for c in per_source))
    if minority_count >= BOTH_FORMS_MIN and (
            minority >= BOTH_FORMS_SHARE * (lower + cap)
            or (minority >= 0.05 * (lower + cap) and minority >= BOTH_FORMS_FREQUENT)):
        return [word, capital], share
    return ([capital] if cap > lower else [word]), share


# ---------------------------------------------------------------- main

def alphabetical(word: str) -> str:
    """Dictionary order: umlauts as their vowels, ß as ss, case aside."""
    return word.lower().translate(str.maketrans({"ä": "a", "ö": "o", "ü": "u", "ß": "ss"}))


def cut(ranked: list[str], scores: dict[str, float], limit: int, max_bytes: int) -> list[str]:
    """The best words within the limits. Words of equal score stand in
    alphabetical order, so a cut through them would keep the a-words and
    drop the z-words: such a group goes whole or not at all."""
    end, size = 0, 0
    while end < len(ranked):
        group_end = end
        group_size = 0
        while group_end < len(ranked) and scores[ranked[group_end]] == scores[ranked[end]]:
            group_size += len(ranked[group_end].encode("utf-8")) + 1
            group_end += 1
        if group_end > limit or size + group_size > max_bytes:
            break
        end, size = group_end, size + group_size
    return ranked[:end]


def build_sources(args) -> list[Source]:
    return [
        Source("Sprüche (fortunes-de)", "fortunes-de", "GPL-2+",
               args.weight_fortunes, True, read_fortunes, args.fortunes),
        Source("LibreOffice-Hilfe (libreoffice-help-de)", "libreoffice-help-de", "MPL-2.0",
               args.weight_help, False, read_libreoffice_help, args.libreoffice_help),
        Source("GIMP-Hilfe (gimp-help-de)", "gimp-help-de", "GFDL-1.2+",
               args.weight_gimp, False, read_gimp_help, args.gimp_help),
        Source("Handbuchseiten (manpages-de)", "manpages-de", "GPL-3+",
               args.weight_man, False, read_man_pages, args.man_pages),
        Source("Debian-Referenz (debian-reference-de)", "debian-reference-de", "GPL-2+",
               args.weight_reference, False, read_debian_reference, args.debian_reference),
    ]


HEADER = """\
# Deutsche Wortliste für „Adaptiv üben“, häufigste Wörter zuerst
# (Rang = Zeilennummer ohne die #-Zeilen).
# Erzeugt von scripts/make_wordlist.py – nicht von Hand ändern.
# Häufigkeiten aus den Debian-Paketen {packages}.
# Auswahl und Schreibweise nach wngerman (igerman98, GPL-2+).
# Enthält nur Wörter und ihre Reihenfolge, keine Texte der Quellen.
"""


def form_frequency(form: str, forms: list[str], spellings: set[str], c: Counts, lower_share: float) -> float:
    """How often one kept spelling occurs in one source."""
    if len(forms) == 2:
        # Both spellings kept: sentence starts are shared out the way the
        # mid-sentence spellings are.
        starts = c.lower_start + c.cap_start
        if form.islower():
            return c.lower_mid + starts * lower_share
        return c.cap_mid + starts * (1 - lower_share)
    if spellings == {form} and form[0].isupper():
        # A noun the list only has capitalised: lower-case hits are code.
        return c.cap_mid + c.cap_start
    return c.total


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--fortunes", type=pathlib.Path, default=pathlib.Path("/usr/share/games/fortunes/de"))
    parser.add_argument("--libreoffice-help", type=pathlib.Path, default=pathlib.Path("/usr/share/libreoffice/help/de"))
    parser.add_argument("--gimp-help", type=pathlib.Path, default=pathlib.Path("/usr/share/gimp/2.0/help/de"))
    parser.add_argument("--man-pages", type=pathlib.Path, default=pathlib.Path("/usr/share/man/de"))
    parser.add_argument("--debian-reference", type=pathlib.Path, default=pathlib.Path("/usr/share/debian-reference"))
    parser.add_argument("--dictionary", type=pathlib.Path, default=pathlib.Path("/usr/share/dict/ngerman"))
    parser.add_argument("--exclusions", type=pathlib.Path, default=WORDS_DIR / "ausgeschlossen.txt")
    parser.add_argument("--output", type=pathlib.Path, default=WORDS_DIR / "woerter.txt")
    # Literary prose is the smallest source but the closest to what pupils
    # read; the technical manuals are weighted down.
    parser.add_argument("--weight-fortunes", type=float, default=0.6)
    parser.add_argument("--weight-help", type=float, default=0.1)
    parser.add_argument("--weight-gimp", type=float, default=0.1)
    parser.add_argument("--weight-man", type=float, default=0.1)
    parser.add_argument("--weight-reference", type=float, default=0.1)
    parser.add_argument("--limit", type=int, default=30000, help="höchstens so viele Wörter")
    parser.add_argument("--max-bytes", type=int, default=350_000, help="Obergrenze der Dateigröße")
    args = parser.parse_args(argv)

    if not args.dictionary.is_file():
        print(f"Rechtschreibliste fehlt: {args.dictionary} (apt-get install wngerman)", file=sys.stderr)
        return 1
    dictionary = read_dictionary(args.dictionary)
    exclusions = read_exclusions(args.exclusions) if args.exclusions.is_file() else (set(), ())
    if not args.exclusions.is_file():
        print(f"Warnung: keine Ausschlussliste {args.exclusions}", file=sys.stderr)

    sources = []
    rejects = Rejects()
    for source in build_sources(args):
        if not source.path.is_dir():
            print(f"Warnung: {source.name} fehlt ({source.path}), "
                  f"apt-get install {source.package}", file=sys.stderr)
            continue
        count_source(source, dictionary, rejects)
        if source.tokens:
            sources.append(source)
    if not sources:
        print("Keine Quelle gefunden.", file=sys.stderr)
        return 1

    words = sorted(set().union(*(s.counts.keys() for s in sources)))
    scores: dict[str, float] = {}
    dropped_unfit: set[str] = set()
    dropped_abbrev: set[str] = set()
    dropped_rare: int = 0
    zero = Counts()
    for word in words:
        spellings = dictionary[word]
        per_source = [s.counts.get(word, zero) for s in sources]
        merged = Counts()
        for c in per_source:
            for slot in Counts.__slots__:
                setattr(merged, slot, getattr(merged, slot) + getattr(c, slot))
        if word in NOT_WORDS or not (VOWELS & set(word)):
            dropped_abbrev.add(word)
            continue
        if merged.abbrev >= max(ABBREVIATION_MIN, ABBREVIATION_SHARE * merged.dotted):
            dropped_abbrev.add(word)
            continue
        forms, lower_share = choose_forms(word, spellings, per_source, sources)
        for form in forms:
            if is_excluded(form, exclusions):
                dropped_unfit.add(form)
                continue
            freqs = [form_frequency(form, forms, spellings, c, lower_share) for c in per_source]
            present = [(s, f) for s, f in zip(sources, freqs) if f > 0]
            if not present or len(present) == 1 and present[0][1] < (
                    SINGLE_SOURCE_MIN_PROSE if present[0][0].prose else SINGLE_SOURCE_MIN):
                dropped_rare += 1
                continue
            scores[form] = sum(s.weight * f / s.tokens for s, f in zip(sources, freqs)) * 1e6

    ranked = sorted(scores, key=lambda w: (-round(scores[w], 9), alphabetical(w), w))
    header = HEADER.format(packages=", ".join(f"{s.package} ({s.licence})" for s in sources))
    ranked = cut(ranked, {w: round(scores[w], 9) for w in ranked}, args.limit,
                 args.max_bytes - len(header.encode("utf-8")))
    body = "".join(w + "\n" for w in ranked)
    args.output.parent.mkdir(parents=True, exist_ok=True)
    args.output.write_bytes((header + body).encode("utf-8"))

    print("Gelesene Wörter je Quelle:")
    for s in sources:
        print(f"  {s.name}: {s.tokens} Wörter in {s.paragraphs} Absätzen, "
              f"{len(s.counts)} verschiedene aus der Rechtschreibliste "
              f"({s.english} englische Absätze übergangen)")
    print(f"Verworfen, nicht nur Buchstaben a–z, ä, ö, ü, ß: {rejects.not_letters} Vorkommen")
    print(f"Verworfen, ganz in Großbuchstaben oder gemischt: {rejects.all_caps + rejects.mixed_case} Vorkommen")
    print(f"Verworfen, nicht in der Rechtschreibliste: {len(rejects.not_in_dictionary)} verschiedene Wörter")
    print(f"Verworfen als Abkürzung oder Programmname: {len(dropped_abbrev)}")
    print(f"Verworfen als ungeeignet (ausgeschlossen.txt): {len(dropped_unfit)}")
    print(f"Verworfen als zu selten (nur eine Quelle): {dropped_rare}")
    nouns = sum(1 for w in ranked if w[0].isupper())
    print(f"Behalten: {len(ranked)} Wörter, davon {nouns} großgeschrieben, "
          f"{len(header.encode('utf-8')) + len(body.encode('utf-8'))} Bytes -> {args.output}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
