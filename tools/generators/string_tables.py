#!/usr/bin/env python3
"""Checks the host executable's string tables and language list, then writes
what installer.rc includes from the build tree.

Usage: string_tables.py IDS_HEADER LANGUAGE_LIST STRINGS_DIR LANGUAGE_CODE_TABLE OUT_RC OUT_LIST

Refuses (exit 1, one line per problem):
- a listed language without a table, a table whose language is not listed,
  an empty or repeated entry in the list;
- a table missing an id, holding an unknown or repeated id, or a line it
  cannot read;
- a text whose "$1".."$9" placeholders, links (<a href="...">) or accelerator
  ("&" before a letter) differ from the English text's;
- two texts shown on one page with the same accelerator key;
- a table whose LANGUAGE is not the LANGID that the localisation handler's
  code table gives its code, or two tables with one LANGID.
Writes OUT_RC (one #include per table, in list order) and OUT_LIST (the list
with its entries joined by line feeds, no empty entry).
"""
import collections
import os
import re
import sys

REFERENCE = "en-US"
ID_RE = re.compile(r"^#define\s+(IDS_\w+)\s+(\d+)\s*$")
CODE_ROW_RE = re.compile(r'\{L"([^"]+)",\s*(0x[0-9A-Fa-f]+)\}')
LANGUAGE_RE = re.compile(r"^\s*LANGUAGE\s+(0x[0-9A-Fa-f]+|\d+)\s*,\s*(0x[0-9A-Fa-f]+|\d+)\s*$")
STRING_RE = re.compile(r'^\s*(IDS_\w+)\s+"((?:[^"]|"")*)"\s*$')
SKIP_RE = re.compile(r"^\s*(//.*|STRINGTABLE|BEGIN|END)?\s*$")
PLACEHOLDER_RE = re.compile(r"\$[1-9]")
HREF_RE = re.compile(r'<a href="([^"]*)">')


def read_ids(path):
    ids = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            m = ID_RE.match(line)
            if m and m.group(1) not in ("IDS_FIRST", "IDS_LAST"):
                ids[m.group(1)] = int(m.group(2))
    return ids


def read_code_table(path):
    with open(path, encoding="utf-8") as f:
        return {code.lower(): int(value, 16) for code, value in CODE_ROW_RE.findall(f.read())}


def read_table(path, problems):
    """(LANGID or None, {name: text}) of one table file."""
    name = os.path.basename(path)
    lang_id = None
    texts = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            m = LANGUAGE_RE.match(line)
            if m:
                lang_id = (int(m.group(2), 0) << 10) | int(m.group(1), 0)
                continue
            m = STRING_RE.match(line)
            if m:
                if m.group(1) in texts:
                    problems.append(f"{name}:{number}: {m.group(1)} appears twice")
                texts[m.group(1)] = m.group(2).replace('""', '"')
                continue
            if not SKIP_RE.match(line):
                problems.append(f"{name}:{number}: cannot read this line")
    if lang_id is None:
        problems.append(f"{name}: no LANGUAGE line")
    return lang_id, texts


def accelerators(text):
    return len(re.findall(r"&(?!&)", text.replace("&&", "")))


# The texts with accelerators that one page of the window shows together.
PAGES = {
    "options page": ["IDS_BUTTON_BACK", "IDS_LABEL_LANGUAGE", "IDS_LABEL_INSTALL_FOR",
                     "IDS_LABEL_INSTALL_PATH", "IDS_BUTTON_CHANGE", "IDS_OPTION_DEFAULT_BROWSER",
                     "IDS_OPTION_IMPORT_DATA"],
    "uninstall page": ["IDS_BUTTON_REINSTALL", "IDS_BUTTON_UNINSTALL", "IDS_DELETE_USER_DATA"],
    "error page": ["IDS_BUTTON_TRY_AGAIN", "IDS_BUTTON_FULL_INSTALLER", "IDS_BUTTON_BACK"],
    "message box": ["IDS_BUTTON_YES", "IDS_BUTTON_NO"],
}


def accelerator_key(text):
    m = re.search(r"&([^&])", text.replace("&&", ""))
    return m.group(1).lower() if m else None


def markers(text):
    return (sorted(PLACEHOLDER_RE.findall(text)), sorted(HREF_RE.findall(text)),
            text.count("</a>"), accelerators(text))


def check(ids_header, list_path, strings_dir, code_table_path):
    problems = []
    ids = read_ids(ids_header)
    if not ids:
        problems.append(f"{ids_header}: no string ids")
    code_table = read_code_table(code_table_path)
    if not code_table:
        problems.append(f"{code_table_path}: no language code table")

    with open(list_path, encoding="utf-8") as f:
        entries = [e.strip() for e in f.read().split("\n")]
    if entries and entries[-1] == "":
        entries.pop()  # the line feed that ends the file
    for entry, count in collections.Counter(e.lower() for e in entries).items():
        if entry == "":
            problems.append(f"{list_path}: empty entry")
        elif count > 1:
            problems.append(f"{list_path}: {entry} is listed {count} times")

    tables = {f[:-3]: os.path.join(strings_dir, f)
              for f in sorted(os.listdir(strings_dir)) if f.endswith(".rc")}
    listed = set(entries)
    for code in entries:
        if code and code not in tables:
            problems.append(f"{list_path}: {code} is listed but has no table strings/{code}.rc")
    for code in tables:
        if code not in listed:
            problems.append(f"strings/{code}.rc: {code} is not in the language list")
    if REFERENCE not in tables:
        problems.append(f"strings/{REFERENCE}.rc: the English table is missing")
        return problems, entries

    reference_lang, reference = read_table(tables[REFERENCE], problems)
    owners = {}
    for code, path in tables.items():
        name = os.path.basename(path)
        lang_id, texts = reference_lang, reference
        if code != REFERENCE:
            lang_id, texts = read_table(path, problems)
        expected = code_table.get(code.lower())
        if expected is None or expected == 0:
            problems.append(f"{name}: {code} has no LANGID in the code table")
        elif lang_id is not None and lang_id != expected:
            problems.append(f"{name}: LANGUAGE gives 0x{lang_id:04X}, the code table 0x{expected:04X}")
        if lang_id is not None:
            if lang_id in owners:
                problems.append(f"{name}: LANGID 0x{lang_id:04X} is also {owners[lang_id]}'s")
            owners[lang_id] = code
        for ident in sorted(ids, key=ids.get):
            if ident not in texts:
                problems.append(f"{name}: {ident} ({ids[ident]}) is missing")
            elif texts[ident] == "":
                problems.append(f"{name}: {ident} ({ids[ident]}) is empty")
            elif ident in reference and markers(texts[ident]) != markers(reference[ident]):
                problems.append(f"{name}: {ident} ({ids[ident]}) has placeholders, links or "
                                f"accelerator {markers(texts[ident])}, English "
                                f"{markers(reference[ident])}")
        for page, members in PAGES.items():
            seen = {}
            for ident in members:
                key = accelerator_key(texts.get(ident, ""))
                if key is None:
                    continue
                if key in seen:
                    problems.append(f"{name}: {ident} and {seen[key]} share the accelerator "
                                    f"'{key}' on the {page}")
                seen[key] = ident
        for ident in texts:
            if ident not in ids:
                problems.append(f"{name}: {ident} is not a string id")
    return problems, entries


def main(argv):
    if len(argv) != 7:
        print(__doc__)
        return 2
    ids_header, list_path, strings_dir, code_table, out_rc, out_list = argv[1:]
    problems, entries = check(ids_header, list_path, strings_dir, code_table)
    if problems:
        for problem in problems:
            print("string tables: " + problem, file=sys.stderr)
        return 1
    with open(out_rc, "w", encoding="utf-8") as f:
        f.write("// Made by tools/generators/string_tables.py: one table per listed language.\n")
        for code in entries:
            f.write(f'#include "strings/{code}.rc"\n')
    with open(out_list, "w", encoding="utf-8", newline="") as f:
        f.write("\n".join(entries))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
