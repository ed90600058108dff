#!/usr/bin/env python3
"""Checks the manual page (docs/pagevet.1) against the program's source.

    check_man_page.py groff    --man-page FILE --groff PATH
    check_man_page.py mandoc   --man-page FILE --mandoc PATH
    check_man_page.py coverage --man-page FILE --groff PATH --source-dir SRC
                               --version X.Y.Z

groff:    the page renders with every groff warning enabled (-ww) and none shows.
mandoc:   `mandoc -T lint` finds nothing to say, style hints included.
coverage: the page has the usual sections, names the version of the build, and
          mentions everything the program can say, taken from the source itself:
          every option of the usage screen (in OPTIONS and in SYNOPSIS), every message
          the program can print (the string literals handed to print() and write() in
          src/main, src/cli and src/filter, placeholders standing for any word, in
          DIAGNOSTICS) and every exit status (in EXIT STATUS). So a message or option
          added to the program without a word in the manual fails here.

Exits 0 when the check passes, 1 when it fails, 77 (skipped) when the tool it needs
is not installed.
"""

import argparse
import re
import shutil
import subprocess
import sys
from pathlib import Path

SKIPPED = 77

REQUIRED_SECTIONS = [
    "NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "INPUT FORMATS", "OUTPUT",
    "DIAGNOSTICS", "EXIT STATUS", "EXAMPLES", "NOTES",
]

# The folders whose code prints messages; src/platform only carries them out.
MESSAGE_FOLDERS = ["main", "cli", "filter"]

USAGE_BANNER = "PAGEVET Version"

# printf conversions as TextWriter::print knows them: %s, %d, %x with a width, and %%.
CONVERSION = re.compile(r"%(%|\d*[sdx])")


# ------------------------------------------------------------------ C++ source

def cpp_tokens(text):
    """Yields ("string", value) for each string literal and ("code", text) for each
    other token of C++ source, comments dropped. Raw strings are refused: the
    scanner would misread them, and pagevet's messages do not need them."""
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            i = text.find("\n", i)
            i = n if i < 0 else i
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            i = n if end < 0 else end + 2
        elif c == '"':
            if i > 0 and text[i - 1] == "R":
                raise ValueError("raw string literal at offset %d: not supported" % i)
            j = i + 1
            while text[j] != '"':
                j += 2 if text[j] == "\\" else 1
            yield ("string", decode_escapes(text[i + 1:j]))
            i = j + 1
        elif c == "'":
            j = i + 1
            while text[j] != "'":
                j += 2 if text[j] == "\\" else 1
            yield ("code", text[i:j + 1])
            i = j + 1
        elif c.isspace():
            i += 1
        elif c.isalnum() or c == "_":
            j = i
            while j < n and (text[j].isalnum() or text[j] == "_"):
                j += 1
            yield ("code", text[i:j])
            i = j
        elif text.startswith("->", i):
            yield ("code", "->")
            i += 2
        else:
            yield ("code", c)
            i += 1


def decode_escapes(body):
    simple = {"n": "\n", "r": "\r", "t": "\t", "\\": "\\", '"': '"', "'": "'",
              "0": "\0", "a": "\a", "b": "\b", "f": "\f", "v": "\v", "?": "?"}
    out, i = [], 0
    while i < len(body):
        if body[i] != "\\":
            out.append(body[i])
            i += 1
        elif body[i + 1] == "x":
            m = re.match(r"[0-9a-fA-F]+", body[i + 2:])
            out.append(chr(int(m.group(0), 16)))
            i += 2 + len(m.group(0))
        else:
            out.append(simple[body[i + 1]])
            i += 2
    return "".join(out)


def output_calls(tokens):
    """Yields (method, literals) for each call `.print(...)`, `->print(...)`,
    `.write(...)` or `->write(...)`: the string literals among its arguments,
    adjacent literals joined as the compiler joins them."""
    tokens = list(tokens)
    for k in range(len(tokens) - 2):
        if (tokens[k] in (("code", "."), ("code", "->"))
                and tokens[k + 1] in (("code", "print"), ("code", "write"))
                and tokens[k + 2] == ("code", "(")):
            depth, literals, previous_was_string = 0, [], False
            for kind, value in tokens[k + 2:]:
                if kind == "string":
                    if previous_was_string:
                        literals[-1] += value
                    else:
                        literals.append(value)
                    previous_was_string = True
                    continue
                previous_was_string = False
                depth += value == "("
                depth -= value == ")"
                if depth == 0:
                    break
            yield tokens[k + 1][1], literals


def program_texts(source_dir):
    """The messages the program prints, its usage screen and its exit statuses."""
    messages, usage, statuses = [], None, set()
    for folder in MESSAGE_FOLDERS:
        for path in sorted((source_dir / folder).glob("*.cpp")):
            text = path.read_text()
            statuses.update(int(v) for v in re.findall(
                r"constexpr\s+int\s+exit\w*\s*=\s*(\d+)", text))
            for method, literals in output_calls(cpp_tokens(text)):
                if method == "print" and not literals:
                    raise ValueError("%s: a print() whose format is not a literal; "
                                     "this check cannot see its message" % path)
                for literal in literals:
                    if literal.startswith(USAGE_BANNER):
                        usage = literal
                    else:
                        messages.append(literal.rstrip("\r\n"))
    for header in (source_dir / "filter").glob("*.h"):
        statuses.update(int(v) for v in re.findall(
            r"constexpr\s+int\s+exit\w*\s*=\s*(\d+)", header.read_text()))
    if usage is None:
        raise ValueError("no usage screen (a literal starting %r) in %s"
                         % (USAGE_BANNER, source_dir))
    return sorted(set(messages)), usage, statuses


def usage_options(usage):
    """The options of the usage screen: those of its synopsis line ("[/T|L]" gives
    /T and /L) and those its option list explains, which must be the same."""
    synopsis = re.search(r"^Usage: \S+ (.*)$", usage, re.M).group(1)
    from_synopsis = []
    for group in re.findall(r"\[([^\]]+)\]", synopsis):
        for alternative in group.split("|"):
            from_synopsis.append("/" + alternative.lstrip("/"))
    explained = re.findall(r"^ +(/\S+) {2,}\S", usage, re.M)

    def letter(option):
        return option[1]

    if sorted(map(letter, from_synopsis)) != sorted(map(letter, explained)):
        raise ValueError("the usage screen's synopsis %s and option list %s differ"
                         % (from_synopsis, explained))
    return explained


# ------------------------------------------------------------------- the page

def render(groff, man_page):
    """The page as plain text, each paragraph on one line (a very long line length,
    so that no message is broken or hyphenated), split into its sections."""
    text = subprocess.run(
        [groff, "-man", "-Tascii", "-P-cbou", "-rLL=20000n", "-rHY=0", str(man_page)],
        check=True, capture_output=True, text=True).stdout
    sections, current = {}, None
    for line in text.splitlines():
        if re.fullmatch(r"[A-Z][A-Z ]*[A-Z]", line):
            current = line
            sections[current] = []
        elif current is not None:
            sections[current].append(line)
    return sections


def flat(lines):
    return " ".join(" ".join(lines).split())


def message_pattern(message):
    """A message as the page shows it in the tag of its entry: its fixed text exactly
    (a run of spaces may be rendered wider), each placeholder a word for the value."""
    pattern, at = "", 0
    for m in CONVERSION.finditer(message):
        pattern += fixed_pattern(message[at:m.start()])
        pattern += "%" if m.group(1) == "%" else r"\S+?"
        at = m.end()
    return pattern + fixed_pattern(message[at:])


def fixed_pattern(text):
    pieces = re.split(r"( +)", text)
    return "".join(r"\s+" if piece.startswith(" ") else re.escape(piece) for piece in pieces)


def option_pattern(option):
    """An option as the page writes it: its letter exactly; a placeholder in the
    usage screen (# or <...>) a word of the page's own."""
    m = re.fullmatch(r"(/\w)(#|<[^>]*>)?", option)
    if not m:
        raise ValueError("cannot read the option %r of the usage screen" % option)
    return re.escape(m.group(1)) + (r"\w+" if m.group(2) else r"(?!\w)")


# ------------------------------------------------------------------- checks

def check_groff(args):
    groff = args.groff or shutil.which("groff")
    if not groff:
        print("SKIP: groff is not installed")
        return SKIPPED
    run = subprocess.run([groff, "-man", "-ww", "-z", str(args.man_page)],
                         capture_output=True, text=True)
    if run.returncode != 0 or run.stderr:
        print("FAIL: groff -man -ww -z (status %d):\n%s" % (run.returncode, run.stderr))
        return 1
    print("PASS: groff renders %s without a warning" % args.man_page.name)
    return 0


def check_mandoc(args):
    mandoc = args.mandoc or shutil.which("mandoc")
    if not mandoc:
        print("SKIP: mandoc is not installed")
        return SKIPPED
    run = subprocess.run([mandoc, "-T", "lint", "-W", "style", str(args.man_page)],
                         capture_output=True, text=True)
    said = (run.stdout + run.stderr).strip()
    if run.returncode != 0 or said:
        print("FAIL: mandoc -T lint -W style (status %d):\n%s" % (run.returncode, said))
        return 1
    print("PASS: mandoc -T lint finds nothing in %s" % args.man_page.name)
    return 0


def check_coverage(args):
    groff = args.groff or shutil.which("groff")
    if not groff:
        print("SKIP: groff is not installed")
        return SKIPPED
    messages, usage, statuses = program_texts(args.source_dir)
    options = usage_options(usage)
    sections = render(groff, args.man_page)
    failures = []

    failures += ["section %s is missing" % name
                 for name in REQUIRED_SECTIONS if name not in sections]

    title = re.search(r'^\.TH\s+\S+\s+1\s+\S+\s+"pagevet ([^"]+)"', args.man_page.read_text(),
                      re.M)
    if not title or title.group(1) != args.version:
        failures.append(".TH names version %s, the build is %s"
                        % (title.group(1) if title else "none", args.version))

    synopsis = flat(sections.get("SYNOPSIS", []))
    option_tags = [line.strip() for line in sections.get("OPTIONS", [])
                   if re.match(r" {7}/", line)]
    for option in options:
        pattern = option_pattern(option)
        if not re.search(pattern, synopsis):
            failures.append("option %s is not in SYNOPSIS" % option)
        if not any(re.match(pattern, tag) for tag in option_tags):
            failures.append("option %s has no entry in OPTIONS" % option)

    # Each message is the tag of an entry of its own, which explains it.
    message_tags = [line.strip() for line in sections.get("DIAGNOSTICS", [])
                    if re.match(r" {7}\S", line)]
    banner = usage.splitlines()[0]
    for message in [banner] + messages:
        pattern = message_pattern(message)
        if not any(re.fullmatch(pattern, tag) for tag in message_tags):
            failures.append("message %r has no entry in DIAGNOSTICS" % message)

    status_tags = {line.strip() for line in sections.get("EXIT STATUS", [])
                   if re.fullmatch(r" {7}\d+( .*)?", line)}
    for status in sorted(statuses | {0}):
        if not any(tag.split()[0] == str(status) for tag in status_tags):
            failures.append("exit status %d has no entry in EXIT STATUS" % status)

    print("Checked %d options, %d messages and the banner, exit statuses %s"
          % (len(options), len(messages), sorted(statuses | {0})))
    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print("PASS: %s covers the program" % args.man_page.name)
    return 1 if failures else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("check", choices=["groff", "mandoc", "coverage"])
    parser.add_argument("--man-page", type=Path, required=True)
    parser.add_argument("--groff")
    parser.add_argument("--mandoc")
    parser.add_argument("--source-dir", type=Path)
    parser.add_argument("--version")
    args = parser.parse_args()
    if args.check == "coverage" and not (args.source_dir and args.version):
        parser.error("coverage needs --source-dir and --version")
    return {"groff": check_groff, "mandoc": check_mandoc,
            "coverage": check_coverage}[args.check](args)


if __name__ == "__main__":
    sys.exit(main())
