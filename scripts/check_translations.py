#!/usr/bin/env python3
"""Checks the window's .ts files against the current sources.

Runs lupdate over the sources into a copy of each .ts (the file itself is left
alone) and fails when the copy holds a text without a finished translation, a
text the sources no longer have, or a translation that lost a placeholder
(%1 .. %9, %n) or a keyboard mnemonic (&) of its source text.

  check_translations.py --lupdate PATH --sources LIST --options 'OPT;OPT' TS...
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

PLACEHOLDER = re.compile(r"%(?:[1-9]|n)")


def mnemonics(text):
    """The letters marked with & ("&&" is a plain ampersand)."""
    return re.findall(r"&([^&\s])", text.replace("&&", ""))


def check_message(context, message):
    source = message.findtext("source") or ""
    translation = message.find("translation")
    kind = translation.get("type", "") if translation is not None else "unfinished"
    where = f'{context} "{source}"'
    if kind in ("vanished", "obsolete"):
        return [f"{where}: no longer in the sources"]
    if kind == "unfinished":
        return [f"{where}: not translated"]
    forms = [f.text or "" for f in translation.findall("numerusform")] or [translation.text or ""]
    problems = []
    for form in forms:
        if not form.strip():
            problems.append(f"{where}: empty translation")
            continue
        if sorted(PLACEHOLDER.findall(form)) != sorted(PLACEHOLDER.findall(source)):
            problems.append(f'{where}: placeholders differ in "{form}"')
        if len(mnemonics(form)) != len(mnemonics(source)):
            problems.append(f'{where}: mnemonic (&) not kept in "{form}"')
    return problems


def check(ts_path, lupdate, sources, options, work):
    copy = os.path.join(work, os.path.basename(ts_path))
    shutil.copyfile(ts_path, copy)
    result = subprocess.run([lupdate, *options, "@" + sources, "-ts", copy], capture_output=True, text=True)
    if result.returncode != 0:
        return [f"lupdate failed: {result.stderr.strip()}"]
    problems = []
    for context in ET.parse(copy).getroot().iter("context"):
        name = context.findtext("name") or ""
        for message in context.iter("message"):
            problems += check_message(name, message)
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--lupdate", required=True)
    parser.add_argument("--sources", required=True, help="file listing the sources, one a line")
    parser.add_argument("--options", default="", help="lupdate options, separated by ';'")
    parser.add_argument("ts", nargs="+")
    args = parser.parse_args()
    options = [o for o in args.options.split(";") if o and o != "-no-obsolete"]
    failed = False
    with tempfile.TemporaryDirectory() as work:
        for ts in args.ts:
            problems = check(ts, args.lupdate, args.sources, options, work)
            for problem in problems:
                print(f"{os.path.basename(ts)}: {problem}")
            failed = failed or bool(problems)
            if not problems:
                print(f"{os.path.basename(ts)}: complete")
    if failed:
        print("Run `cmake --build <build> --target update_translations` and translate what it marks unfinished.")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
