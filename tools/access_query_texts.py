#!/usr/bin/env python3
"""Access's own SQL texts of saved queries, from the text files Access writes with SaveAsText.

    access_query_texts.py extract FILE_OR_FOLDER... > texts.json
        Reads every query export given (a folder: every *.bas, *.txt and *.qry file in it) and
        prints {"queries": {name: sql}}, the name being the file's name without its extension.
        Exports without a `dbMemo "SQL"` line (queries saved in design form only) are listed
        under "skipped", unless a NAME.sql file lies beside the export (as some version-control
        add-ins write QueryDef.SQL): its text then goes under "design_queries", with its line
        breaks made CR LF, since such files usually pass through git's line-ending conversion
        and are weaker evidence than the SaveAsText string.

    access_query_texts.py compare texts.json dump.json
        Compares the texts with the "sql" of every query in `tavrek-dump --json` output. Prints
        one block per difference and a last line "same: a/b". Exit 0 when all are the same.

In an export the SQL is a quoted string cut into pieces of about 80 characters, one per line, the
first after `dbMemo "SQL" =`; control characters are written as octal escapes (\\015\\012 for
CR LF), a quote as \\" and a backslash as \\\\. Files are UTF-8 (with or without a byte-order
mark) or UTF-16 with a byte-order mark.
"""
import json
import os
import re
import sys

_PIECE = re.compile(r'\s*"((?:[^"\\]|\\.)*)"\s*$')


def _read_text(path):
    with open(path, "rb") as f:
        raw = f.read()
    if raw.startswith(b"\xff\xfe") or raw.startswith(b"\xfe\xff"):
        return raw.decode("utf-16")
    return raw.decode("utf-8-sig", errors="replace")


def _unescape(text):
    out = []
    i = 0
    while i < len(text):
        c = text[i]
        if c != "\\" or i + 1 >= len(text):
            out.append(c)
            i += 1
            continue
        digits = re.match(r"[0-7]{1,3}", text[i + 1:i + 4])
        if digits:
            out.append(chr(int(digits.group(0), 8)))
            i += 1 + len(digits.group(0))
        else:
            out.append(text[i + 1])
            i += 2
    return "".join(out)


def sql_of_export(text):
    """The SQL text of one export, or None when it holds none."""
    lines = text.splitlines()
    for n, line in enumerate(lines):
        if not line.startswith('dbMemo "SQL" ='):
            continue
        first = _PIECE.match(line[len('dbMemo "SQL" ='):])
        if not first:
            return None
        pieces = [first.group(1)]
        for more in lines[n + 1:]:
            if not more.startswith(" "):
                break
            piece = _PIECE.match(more)
            if not piece:
                break
            pieces.append(piece.group(1))
        return _unescape("".join(pieces))
    return None


def extract(paths):
    files = []
    for p in paths:
        if os.path.isdir(p):
            for name in sorted(os.listdir(p)):
                if os.path.splitext(name)[1].lower() in (".bas", ".txt", ".qry"):
                    files.append(os.path.join(p, name))
        else:
            files.append(p)
    queries, design, skipped = {}, {}, []
    for path in files:
        name = os.path.splitext(os.path.basename(path))[0]
        sql = sql_of_export(_read_text(path))
        beside = os.path.splitext(path)[0] + ".sql"
        if sql is not None:
            queries[name] = sql
        elif os.path.isfile(beside):
            text = _read_text(beside).replace("\r\n", "\n").replace("\n", "\r\n")
            design[name] = text
        else:
            skipped.append(name)
    out = {"queries": queries, "skipped": skipped}
    if design:
        out["design_queries"] = design
    return out


def compare(texts_path, dump_path):
    with open(texts_path, encoding="utf-8") as f:
        exported = json.load(f)
    with open(dump_path, encoding="utf-8") as f:
        dump = json.load(f)
    ours = {q["name"].lower(): q.get("sql", "") for q in dump.get("queries", [])}
    status = _compare(exported["queries"], ours, "same")
    if exported.get("design_queries"):
        status |= _compare(exported["design_queries"], ours, "design queries same")
    return status


def _compare(texts, ours, label):
    same = 0
    for name, want in sorted(texts.items()):
        got = ours.get(name.lower())
        if got == want:
            same += 1
            continue
        print(f"== {name}")
        print(f"   access: {want!r}")
        print(f"   ours:   {got!r}")
    print(f"{label}: {same}/{len(texts)}")
    return 0 if same == len(texts) else 1


def main(argv):
    if len(argv) >= 2 and argv[0] == "extract":
        json.dump(extract(argv[1:]), sys.stdout, indent=1, ensure_ascii=False)
        sys.stdout.write("\n")
        return 0
    if len(argv) == 3 and argv[0] == "compare":
        return compare(argv[1], argv[2])
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
