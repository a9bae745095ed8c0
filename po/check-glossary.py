#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Fails when a catalog, the desktop entry, the metainfo or the man page says a
term with a word that po/glossary.tsv lists to avoid in that language, or when
the glossary's own word for a term appears nowhere in its language's catalog
(a glossary that drifted from the catalogs keeps nothing).

Usage: check-glossary.py <source root>
"""
import glob
import os
import re
import sys
import xml.etree.ElementTree as ET

LANGUAGES = ("en", "zh_cn", "zh_tw")
XML_LANG = "{http://www.w3.org/XML/1998/namespace}lang"


def read_glossary(path):
    rows = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            cells = line.split("\t")
            if len(cells) != 7:
                sys.exit(f"{path}:{number}: 7 tab-separated cells expected, found {len(cells)}")
            term, words, avoid = cells[0], cells[1:4], cells[4:7]
            rows.append({
                "term": term,
                "line": number,
                "word": dict(zip(LANGUAGES, words)),
                "avoid": {lang: re.compile(rx) for lang, rx in zip(LANGUAGES, avoid) if rx},
            })
    return rows


def po_unquote(text):
    return re.sub(r'\\(.)', lambda m: {"n": "\n", "t": "\t"}.get(m.group(1), m.group(1)), text)


def read_po(path):
    """(language, [(line, msgid, msgstr)]) without the header entry."""
    entries, current, field = [], None, None
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            m = re.match(r'^(msgid|msgstr) "(.*)"$', line.rstrip("\n"))
            if m:
                field = m.group(1)
                if field == "msgid":
                    current = {"line": number, "msgid": "", "msgstr": ""}
                    entries.append(current)
                else:
                    current["line"] = number
                current[field] = po_unquote(m.group(2))
                continue
            m = re.match(r'^"(.*)"$', line.rstrip("\n"))
            if m and current is not None:
                current[field] += po_unquote(m.group(1))
    header = next((e["msgstr"] for e in entries if e["msgid"] == ""), "")
    m = re.search(r"^Language: *([A-Za-z_]+)", header, re.M)
    language = m.group(1).lower() if m else "en"
    return language, [(e["line"], e["msgid"], e["msgstr"]) for e in entries if e["msgid"]]


def desktop_texts(path):
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            m = re.match(r"^(Name|GenericName|Comment|Keywords)(?:\[([A-Za-z_]+)\])?=(.*)$", line.rstrip("\n"))
            if m:
                yield (m.group(2) or "en").lower(), f"{path}:{number}", m.group(3)


def xml_texts(path):
    def walk(element, language):
        language = element.get(XML_LANG, language).lower()
        if element.text and element.text.strip():
            yield language, f"{path}: <{element.tag}>", element.text
        for child in element:
            yield from walk(child, language)
            if child.tail and child.tail.strip():
                yield language, f"{path}: <{element.tag}>", child.tail

    yield from walk(ET.parse(path).getroot(), "en")


def man_texts(path):
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            yield "en", f"{path}:{number}", line


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    os.chdir(root)
    glossary = read_glossary("po/glossary.tsv")
    texts = []  # (language, place, text)
    catalog_text = {lang: [] for lang in LANGUAGES}
    for po in sorted(glob.glob("po/*.po")):
        language, entries = read_po(po)
        for line, msgid, msgstr in entries:
            texts.append(("en", f"{po}:{line} (msgid)", msgid))
            catalog_text["en"].append(msgid)
            if msgstr:
                texts.append((language, f"{po}:{line}", msgstr))
                catalog_text.setdefault(language, []).append(msgstr)
    for path in sorted(glob.glob("data/*.desktop")):
        texts.extend(desktop_texts(path))
    for path in sorted(glob.glob("data/*.metainfo.xml")):
        texts.extend(xml_texts(path))
    for path in sorted(glob.glob("data/*.1.in")):
        texts.extend(man_texts(path))

    problems = []
    seen = set()
    for language, place, text in texts:
        for row in glossary:
            rx = row["avoid"].get(language)
            for m in rx.finditer(text) if rx else ():
                key = (place, m.group(0), row["term"])
                if key not in seen:
                    seen.add(key)
                    problems.append(f'{place}: "{m.group(0)}" for {row["term"]}; the glossary says "{row["word"][language]}"')
    for row in glossary:
        for language in LANGUAGES:
            word = row["word"][language]
            found = any(word.lower() in t.lower() for t in catalog_text.get(language, []))
            if word and not found:
                problems.append(f'po/glossary.tsv:{row["line"]}: "{word}" ({row["term"]}, {language}) is in no {language} text')
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        print(f"{len(problems)} place(s) leave the glossary", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
