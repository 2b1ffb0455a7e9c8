#!/usr/bin/env python3
"""Writes docs/scripting.md, the reference of everything a game's scripts can use.

The set of functions and globals comes from the engine itself
(`quillmere --list-script-functions`); each function's usage line and the part of
the engine it belongs to come from the registration tables and usage texts in
src/; the one sentence on what each does, the section titles and the level
document's elements come from tools/script_reference.txt. Anything the engine
registers that has no sentence there (or a sentence for something it no longer
registers) is an error, so the reference cannot fall behind the engine.

    python3 tools/make_script_reference.py [--check] [--texts FILE] [BINARY]

BINARY defaults to ./quillmere. With --check nothing is written: the exit code is
1 (with a diff) when docs/scripting.md differs from what would be written. A
mismatch between the engine and the texts exits with 2. --texts reads the texts
from another file (tests use it).
"""

import difflib
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUTPUT = os.path.join(ROOT, "docs", "scripting.md")
TEXTS = os.path.join(ROOT, "tools", "script_reference.txt")

ENTRY = re.compile(r'\{\s*"(\w+)"\s*,\s*(lua_\w+)\s*\}')
DEFINITION = re.compile(r"^static int (lua_\w+)\s*\(lua_State[^)]*\)\s*\{", re.M)
STRINGS = re.compile(r'"((?:[^"\\\n]|\\.)*)"')


def fail(message):
    sys.stderr.write("make_script_reference: %s\n" % message)
    sys.exit(2)


def unescape(text):
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "t": "\t"}.get(m.group(1), m.group(1)), text)


def engine_globals(binary):
    """name -> (kind, value) as the running engine lists them."""
    env = dict(os.environ, SDL_VIDEODRIVER="offscreen", ALSOFT_DRIVERS="null", QUILLMERE_NONINTERACTIVE="1")
    try:
        listing = subprocess.run([binary, "--list-script-functions"], capture_output=True, text=True, env=env,
                                 timeout=120)
    except OSError as error:
        fail("cannot run %s: %s" % (binary, error))
    if listing.returncode != 0:
        fail("%s --list-script-functions failed (%d): %s" % (binary, listing.returncode, listing.stderr))
    found = {}
    for line in listing.stdout.splitlines():
        parts = line.split(" ", 2)
        if len(parts) >= 2:
            found[parts[1]] = (parts[0], parts[2] if len(parts) > 2 else "")
    if not found:
        fail("the engine listed nothing")
    return found


def source_files():
    for folder, _, names in sorted(os.walk(os.path.join(ROOT, "src"))):
        for name in sorted(names):
            if name.endswith(".cpp"):
                path = os.path.join(folder, name)
                yield os.path.relpath(path, ROOT), open(path, encoding="utf-8").read()


def function_body(text, start):
    """The text of a function from its opening brace to the closing brace at the line start."""
    end = text.find("\n}", start)
    return text[start:end if end >= 0 else len(text)]


def usage_in(body):
    """The first usage text raised in a body, adjacent literals joined."""
    for match in re.finditer(r'("(?:[^"\\\n]|\\.)*"\s*)+', body):
        literal = "".join(unescape(s) for s in STRINGS.findall(match.group(0)))
        if literal.startswith("usage: "):
            return literal
    return None


def source_facts():
    """Registered name -> {file, usage}; Lua-written names -> file."""
    registered, written = {}, {}
    for path, text in source_files():
        bodies = {m.group(1): function_body(text, m.end()) for m in DEFINITION.finditer(text)}
        for name, function in ENTRY.findall(text):
            registered[name] = {"file": path, "usage": usage_in(bodies.get(function, ""))}
        for literal in STRINGS.findall(text):
            literal = unescape(literal)
            for name in re.findall(r"(?:^|\n)function (\w+)\s*\(", literal):
                written[name] = path
            for name in re.findall(r"(?:^|\n)(\w+) = ", literal):
                written.setdefault(name, path)
    return registered, written


def read_texts(path):
    """Section titles by source file (in order), sentences by name, and the closing text."""
    sections, sentences, calls, closing = [], {}, {}, []
    in_closing = False
    for number, line in enumerate(open(path, encoding="utf-8").read().split("\n"), 1):
        if in_closing:
            closing.append(line)
        elif line.startswith("#") or not line.strip():
            continue
        elif line.strip() == "@document":
            in_closing = True
        elif line.startswith("== "):
            path, _, title = line[3:].partition(" | ")
            sections.append((path.strip(), title.strip()))
        elif " | " in line:
            # "name(arguments) | sentence" gives the call form of a function that has no usage text
            key, _, sentence = line.partition(" | ")
            name = key.split("(", 1)[0].strip()
            sentences[name] = sentence.strip()
            if "(" in key:
                calls[name] = key.strip()
        else:
            fail("%s:%d: not a section, a sentence or @document" % (path, number))
    return sections, sentences, calls, "\n".join(closing).strip() + "\n"


def build(binary, texts):
    engine = engine_globals(binary)
    registered, written = source_facts()
    sections, sentences, calls, closing = read_texts(texts)
    titles = dict(sections)

    entries = {}  # file -> [(name, usage line, sentence)]
    problems = []
    environment = []
    for name, (kind, value) in engine.items():
        if kind == "environment":
            if name not in sentences:
                problems.append("%s has no sentence in tools/script_reference.txt" % name)
            else:
                environment.append((name, sentences[name]))
            continue
        if name in registered:
            path = registered[name]["file"]
            usage = registered[name]["usage"]
            line = usage[len("usage: "):] if usage else calls.get(name, name + "()")
            if usage and name in calls:
                problems.append("%s has a usage text; its call form in tools/script_reference.txt would drift" % name)
        elif name in written:
            path = written[name]
            line = name + ("(...)" if kind == "function" else " = " + value)
        else:
            problems.append("%s is registered by the engine but found in no registration table" % name)
            continue
        if name not in sentences:
            problems.append("%s has no sentence in tools/script_reference.txt" % name)
            continue
        if path not in titles:
            problems.append("%s (the file of %s) has no section in tools/script_reference.txt" % (path, name))
            continue
        entries.setdefault(path, []).append((name, line, sentences[name]))
    for name in sorted(set(sentences) - set(engine)):
        problems.append("%s has a sentence but the engine does not register it" % name)
    for name in sorted(set(registered) - set(engine)):
        problems.append("%s is in a registration table but the engine does not register it" % name)
    if problems:
        fail("\n  ".join(["the reference does not match the engine:"] + problems))

    out = ["# Script reference", "",
           "Everything a game's Lua scripts can call or read, grouped by the part of the engine",
           "that provides it, followed by the elements of a level document. Each function is",
           "shown as its usage line, the text it raises when called with the wrong arguments.",
           "",
           "This file is generated by `tools/make_script_reference.py` from the engine's own",
           "registration tables and usage texts; do not edit it by hand.", ""]
    for path, title in sections:
        if path not in entries:
            continue
        out += ["## " + title, "", "| usage | what it does |", "|---|---|"]
        for name, line, sentence in sorted(entries[path], key=lambda e: e[0].lower()):
            out.append("| `%s` | %s |" % (line.replace("|", "\\|"), sentence.replace("|", "\\|")))
        out.append("")
    if environment:
        out += ["## Environment globals", "",
                "Named values read with `getEnvironmentGlobal(name)` and set with",
                "`setEnvironmentGlobal(name, value)`.", "",
                "| name | what it is |", "|---|---|"]
        out += ["| `%s` | %s |" % entry for entry in environment]
        out.append("")
    out.append(closing)
    return "\n".join(out)


def main(arguments):
    check = "--check" in arguments
    rest = [a for a in arguments if a != "--check"]
    texts = TEXTS
    if "--texts" in rest:
        at = rest.index("--texts")
        if at + 1 >= len(rest):
            fail("--texts needs a file")
        texts = rest[at + 1]
        del rest[at:at + 2]
    binary = os.path.abspath(rest[0]) if rest else os.path.join(ROOT, "quillmere")
    text = build(binary, texts)
    if check:
        current = open(OUTPUT, encoding="utf-8").read() if os.path.exists(OUTPUT) else ""
        if current == text:
            return 0
        sys.stdout.writelines(difflib.unified_diff(current.splitlines(True), text.splitlines(True),
                                                   "docs/scripting.md", "regenerated"))
        print("docs/scripting.md is out of date: run python3 tools/make_script_reference.py")
        return 1
    with open(OUTPUT, "w", encoding="utf-8") as out:
        out.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
