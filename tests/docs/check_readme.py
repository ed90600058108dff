#!/usr/bin/env python3
"""Tries what the README shows, for real.

    check_readme.py blocks --readme README.md
    check_readme.py man-examples --readme README.md --man-page docs/pagevet.1 [--groff PATH]
    check_readme.py usage  --readme README.md --program PATH [--launcher WORD]...
    check_readme.py recipe NAME --readme README.md --program PATH [--launcher WORD]...
                           [--wine-prefix DIR]

Every fenced block of the README follows a marker comment that says what it is:
    <!-- usage-screen: ... -->   pagevet's usage screen, shown verbatim
    <!-- recipe: NAME -->        a recipe, run by `recipe NAME`
    <!-- build: ... -->          build commands, which CI and tests/package run
    <!-- text: ... -->           an illustration, no command
`blocks` checks that every block has one and that this script can run every recipe.
`man-examples` checks that the manual page's EXAMPLES are the README's recipes.
`usage` compares the README's usage screen with what the program writes when started
without arguments (line ends aside: the program writes CR LF).
`recipe` runs one recipe's block exactly as the README shows it, on a fresh temporary
tree standing in for /srv/share (or D:\\SHARE), with the program's folder first on
PATH, and then checks what it made: the listing's lines against the files of the
tree, the passed lines against the files that are Btrieve files, the messages
against what those files must give.

`sh` recipes need the program built for this machine. `bat` recipes run under Wine's
command prompt: the commands that make a listing whenever `wine` is installed, the
pagevet commands only for a Windows build of pagevet run through its launcher
(`--launcher wine`).

Exits 0 when the check passes, 1 when it fails, 77 (skipped) when a tool it needs
(GNU find, GNU parallel, Wine) is missing.
"""

import argparse
import difflib
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

SKIPPED = 77

FENCE = re.compile(r"^```(\w*)\n(.*?)^```$", re.M | re.S)
MARKER = re.compile(r"<!-- (usage-screen|recipe|build|text)\b:? *([^ ]*).*-->\s*$")

README_TREE = "/srv/share"
README_WINDOWS_TREE = "D:\\SHARE"

CONFIRM_5 = b"Passing Btrieve 5.x Files\r\n"
CONFIRM_6 = b"Passing Btrieve 6.x/7.x Files\r\n"
CONFIRM_B = b"Bare Format Enabled\r\n"
CONFIRM_T = b"TimeSaving Mode Enabled\r\n"

# The tree a recipe runs on: name -> (first bytes, length, passes /5 /6).
TREE = {
    "data/ORDERS.DAT": (b"FC", 1024, True),
    "data/CUSTOMER.DAT": (b"\0\0", 512, True),
    "data/INVOICE.DAT": (b"FC", 700, False),      # length no multiple of 512
    "data/EMPTY.DAT": (b"", 0, False),            # "Bad File Read" when opened
    "docs/NOTES.TXT": (b"Minutes", 512, False),
    "docs/lower.dat": (b"fc", 512, False),        # the signature is upper case
    "MY DATA.DAT": (b"FC", 512, True),
    "deep/er/est/V5.DAT": (b"\0\0", 2048, True),
    # A comma in the name: fine bare, misread in the comma format.
    "A,B.DAT": (b"FC", 512, True),
}
# Every file's time: the comma listing shows it, so it must be known.
TREE_TIME = time.mktime((2026, 11, 2, 14, 3, 0, 0, 0, -1))
COMMA_NAME = "A,B.DAT"


class Failure(Exception):
    pass


class SkipRecipe(Exception):
    pass


def expect(condition, what, got=None):
    if not condition:
        raise Failure(what + ("" if got is None else "\n    got: %r" % (got,)))


# ------------------------------------------------------------------ the README

def readme_blocks(readme):
    """(kind, name, language, text) for every fenced block, from its marker."""
    text = readme.read_text(encoding="utf-8")
    blocks = []
    for fence in FENCE.finditer(text):
        before = text[:fence.start()].rstrip("\n").rsplit("\n", 1)[-1]
        marker = MARKER.match(before)
        line = text.count("\n", 0, fence.start()) + 1
        if not marker:
            raise Failure("README line %d: a ``` block without a marker comment above it"
                          % line)
        blocks.append((marker.group(1), marker.group(2), fence.group(1), fence.group(2)))
    return blocks


def recipe_block(readme, name):
    found = [b for b in readme_blocks(readme) if b[0] == "recipe" and b[1] == name]
    expect(len(found) == 1, "README has %d recipes named %r, not one" % (len(found), name))
    return found[0][2], found[0][3]


# ------------------------------------------------------------------ fixtures

class Run:
    """One recipe run: a temporary folder holding the tree (share/) and the folder
    the commands run in (work/)."""

    def __init__(self, args):
        self.args = args
        self.temp = Path(tempfile.mkdtemp(prefix="pagevet-readme-"))
        self.share = self.temp / "share"
        self.work = self.temp / "work"
        self.work.mkdir()
        for name, (head, length, _) in TREE.items():
            path = self.share / name
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(head + b"\0" * (length - len(head)))
            os.utime(path, (TREE_TIME, TREE_TIME))

    def close(self):
        shutil.rmtree(self.temp)

    def path_of(self, name):
        return "%s/%s" % (self.share, name)

    def passing(self):
        return sorted(name for name, (_, _, passes) in TREE.items() if passes)

    def comma_line(self, name):
        """The line GNU find's -printf of the README makes for a file of the tree."""
        path = self.share / name
        status = path.stat()
        stamp = time.localtime(status.st_mtime)
        return "%s/,%s,%s,%s,-,%d" % (path.parent, path.name, time.strftime("%Y-%m-%d", stamp),
                                      time.strftime("%H:%M", stamp), status.st_size)

    # -- running things

    def sh(self, block):
        """Runs a block of the README with sh -e, the tree in place of /srv/share."""
        expect(self.args.launcher == [], "sh recipes need pagevet built for this machine")
        script = block.replace(README_TREE, str(self.share))
        env = dict(os.environ, PATH=os.pathsep.join(
            [str(Path(self.args.program).resolve().parent), os.environ["PATH"]]))
        status, _, err = run_group(["sh", "-e", "-c", script], cwd=self.work, env=env)
        expect(status == 0 and err == b"", "the recipe failed (status %d)" % status, err)

    def pagevet(self, args, stdin):
        """pagevet run directly, for comparisons: (stdout, stderr, status)."""
        done = subprocess.run(self.args.launcher + [self.args.program] + args, input=stdin,
                              capture_output=True, timeout=120, env=launcher_env())
        return done.stdout, done.stderr, done.returncode

    def read(self, name):
        return (self.work / name).read_bytes()


def run_group(command, timeout=120, **kwargs):
    """Runs a command in a process group of its own, with no input, and ends the whole
    group if it takes too long: a recipe gone wrong must fail, not hang the suite.
    Returns (status, stdout, stderr)."""
    with subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, start_new_session=True, **kwargs) as child:
        try:
            out, err = child.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(child.pid, signal.SIGKILL)
            child.communicate()
            raise Failure("%r took longer than %d seconds" % (command[-1], timeout))
    return child.returncode, out, err


def launcher_env():
    """The environment for a program run through a launcher: Wine, unless told
    otherwise, keeps its own diagnostics off the program's standard error."""
    return dict(os.environ, WINEDEBUG=os.environ.get("WINEDEBUG", "-all"))


def lines_of(data, line_end):
    expect(data == b"" or data.endswith(line_end), "output does not end with %r" % line_end,
           data[-40:])
    return data.decode("utf-8").split(line_end.decode())[:-1]


# ------------------------------------------------------------------ sh recipes

def recipe_comma_listing(run, block):
    run.sh(block)
    listing = run.read("listing.txt")
    expect(sorted(lines_of(listing, b"\n")) == sorted(map(run.comma_line, TREE)),
           "listing.txt does not list the tree in the comma format", listing)
    # The listing is what pagevet reads; the name with a comma is misread, as the
    # README warns, and named as the file its first part would be.
    out, err, status = run.pagevet(["/5", "/6"], listing)
    expected = [run.comma_line(n) for n in run.passing() if n != COMMA_NAME]
    expect(sorted(lines_of(out, b"\r\n")) == sorted(expected),
           "pagevet /5 /6 does not pass the Btrieve files of the listing", out)
    expect(sorted(lines_of(err, b"\r\n")[2:]) == sorted([
        "Bad File Read: " + run.path_of("data/EMPTY.DAT"),
        "Bad File Encountered: " + run.path_of("A")]), "unexpected messages", err)
    expect(status == 0, "status %d" % status)


def recipe_bare_listing(run, block):
    run.sh(block)
    bare = run.read("bare.txt")
    expect(sorted(lines_of(bare, b"\n")) == sorted(map(run.path_of, TREE)),
           "bare.txt does not list the tree's files", bare)
    out, _, _ = run.pagevet(["/B", "/5", "/6"], bare)
    expect(sorted(lines_of(out, b"\r\n")) == sorted(map(run.path_of, run.passing())),
           "pagevet /B /5 /6 does not pass the Btrieve files of the bare listing", out)


def recipe_vet_tree(run, block):
    run.sh(block)
    passed = run.read("btrieve.txt")
    expect(sorted(lines_of(passed, b"\n")) == sorted(map(run.path_of, run.passing())),
           "btrieve.txt does not name exactly the tree's Btrieve files", passed)
    expect(run.read("vet-errors.txt") == CONFIRM_B + CONFIRM_5 + CONFIRM_6
           + b"Bad File Read: " + run.path_of("data/EMPTY.DAT").encode() + b"\r\n",
           "vet-errors.txt does not hold the confirmations and the empty file",
           run.read("vet-errors.txt"))


def recipe_time_saving(run, block):
    run.sh(block)
    passed = run.read("btrieve.txt")
    expected = [run.comma_line(n) for n in run.passing() if n != COMMA_NAME]
    expect(sorted(lines_of(passed, b"\n")) == sorted(expected),
           "btrieve.txt does not hold the lines of the tree's Btrieve files", passed)
    # The empty file is listed with size 0: /T drops it unopened, so nothing is said
    # of it, where opening it gives "Bad File Read". The name with a comma leaves
    # "-,512" as its size, which is no size, so it is dropped unopened too.
    expect(run.read("vet-errors.txt") == CONFIRM_5 + CONFIRM_6 + CONFIRM_T,
           "with /T some file of an impossible size was opened", run.read("vet-errors.txt"))
    listing = "".join(run.comma_line(n) + "\n" for n in TREE).encode()
    _, err, _ = run.pagevet(["/5", "/6"], listing)
    expect(b"Bad File Read: " in err, "without /T the empty file should have been read", err)


def recipe_parallel(run, block):
    if not shutil.which("parallel"):
        raise SkipRecipe("GNU parallel is not installed (Debian package parallel)")
    # A listing of several blocks of 1 MB, so that several processes share it, with
    # a gone file every so often, so that messages come from every block. The
    # listing is made first: the files named in it are then removed.
    copies = 10
    for copy in range(copies):
        for name, (head, length, _) in TREE.items():
            path = run.share / ("copy%d" % copy) / name
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(head + b"\0" * (length - len(head)))
    names = sorted(str(p.relative_to(run.share)) for p in run.share.rglob("*") if p.is_file())
    lines = []
    while sum(map(len, lines)) < 3 * 1024 * 1024:
        lines += [run.comma_line(name) for name in names]
    for copy in range(0, copies, 3):
        (run.share / ("copy%d" % copy) / "data/ORDERS.DAT").unlink()
    listing = "\n".join(lines).encode() + b"\n"
    (run.work / "listing.txt").write_bytes(listing)

    run.sh(block)
    one_out, one_err, _ = run.pagevet(["/5", "/6", "/T"], listing)
    passed, errors = run.read("btrieve.txt"), run.read("vet-errors.txt")
    expect(one_out.count(b"\r\n") > 10000, "too few passed lines to compare", len(one_out))
    expect(passed == one_out, "the output differs from one process's (%d and %d bytes)"
           % (len(passed), len(one_out)))
    confirmations = CONFIRM_5 + CONFIRM_6 + CONFIRM_T
    jobs = errors.count(confirmations)
    expect(jobs >= 3, "the listing was not split: %d processes ran" % jobs)
    expect(errors.replace(confirmations, b"") == one_err.replace(confirmations, b""),
           "the messages differ from one process's")
    expect(one_err.count(b"Bad File Encountered") >= jobs, "too few messages to compare")


# ------------------------------------------------------------------ bat recipes

class Wine:
    """Wine's command prompt, with a Windows pagevet on its PATH when there is one."""

    def __init__(self, run):
        self.run = run
        self.launcher = run.args.launcher or ["wine"]
        if not shutil.which(self.launcher[0]):
            raise SkipRecipe("Wine is not installed, so Windows recipes cannot run")
        self.windows_build = bool(run.args.launcher)
        self.env = launcher_env()
        if run.args.wine_prefix and "WINEPREFIX" not in os.environ:
            # Wine sets the prefix up on first use; in the build tree, not in $HOME.
            self.env["WINEPREFIX"] = str(run.args.wine_prefix.resolve())
        if self.windows_build:
            self.env["WINEPATH"] = self.windows_path(Path(run.args.program).resolve().parent)

    @staticmethod
    def windows_path(path):
        return "Z:" + str(path).replace("/", "\\")

    def cmd(self, line):
        line = line.replace(README_WINDOWS_TREE, self.windows_path(self.run.share))
        status, out, err = run_group(self.launcher + ["cmd", "/c", line], timeout=300,
                                     cwd=self.run.work, env=self.env)
        expect(status == 0, "%r failed (status %d)" % (line, status), out + err)

    def run_block(self, block, check_listing, check_vetting):
        """Runs the lines that make the listing, checks it, then runs the pagevet lines
        (with a Windows build) and checks what they passed."""
        lines = block.strip("\n").split("\n")
        vetting = [line for line in lines if line.startswith("pagevet ")]
        making = lines[:len(lines) - len(vetting)]
        expect(making and vetting and lines[len(making):] == vetting,
               "a Windows recipe makes a listing, then runs pagevet on it", lines)
        for line in making:
            self.cmd(line)
        check_listing()
        if not self.windows_build:
            for line in vetting:
                print("NOTE: %r needs a Windows build of pagevet: not run" % line)
            return
        for line in vetting:
            self.cmd(line)
        check_vetting()

    def name_of(self, name):
        return self.windows_path(self.run.share / name.replace("/", "\\")).replace("/", "\\")


def recipe_windows_bare(run, block):
    wine = Wine(run)

    def check_listing():
        bare = run.read("bare.txt")
        expect(sorted(lines_of(bare, b"\r\n")) == sorted(map(wine.name_of, TREE)),
               "bare.txt does not list exactly the files of the tree", bare)

    def check_vetting():
        expect(sorted(lines_of(run.read("btrieve.txt"), b"\r\n"))
               == sorted(map(wine.name_of, run.passing())),
               "btrieve.txt does not name exactly the Btrieve files", run.read("btrieve.txt"))

    wine.run_block(block, check_listing, check_vetting)


def recipe_windows_comma(run, block):
    wine = Wine(run)

    def check_listing():
        listing = lines_of(run.read("listing.txt"), b"\r\n")
        # The date and time are in the system's own format; the rest is exact. The name
        # with a comma is cut at its comma, as on Linux.
        named = sorted((line.split(",")[0] + line.split(",")[1], line.split(",")[-1])
                       for line in listing)
        expect(named == sorted([(wine.name_of(n), str(TREE[n][1]))
                                for n in TREE if n != COMMA_NAME]
                               + [(wine.name_of("A"), str(TREE[COMMA_NAME][1]))]),
               "listing.txt does not list the tree as folder\\,name,...,size", listing)
        expect(all(len(line.split(",")) == 6 for line in listing if "A,B" not in line),
               "a listing line has not the six fields pagevet reads", listing)

    def check_vetting():
        passed = lines_of(run.read("btrieve.txt"), b"\r\n")
        expect(sorted(line.split(",")[0] + line.split(",")[1] for line in passed)
               == sorted(wine.name_of(n) for n in run.passing() if n != COMMA_NAME),
               "btrieve.txt does not hold the lines of the Btrieve files", passed)

    wine.run_block(block, check_listing, check_vetting)


RECIPES = {
    "comma-listing": ("sh", recipe_comma_listing),
    "bare-listing": ("sh", recipe_bare_listing),
    "vet-tree": ("sh", recipe_vet_tree),
    "time-saving": ("sh", recipe_time_saving),
    "parallel": ("sh", recipe_parallel),
    "windows-bare": ("bat", recipe_windows_bare),
    "windows-comma": ("bat", recipe_windows_comma),
}


# ------------------------------------------------------------------ commands

def check_blocks(args):
    blocks = readme_blocks(args.readme)
    names = [name for kind, name, _, _ in blocks if kind == "recipe"]
    for kind, name, language, _ in blocks:
        if kind == "recipe":
            expect(name in RECIPES, "README recipe %r has no check here" % name)
            expect(language == RECIPES[name][0], "recipe %r is a %r block, not %r"
                   % (name, language, RECIPES[name][0]))
    for name in RECIPES:
        expect(names.count(name) == 1, "README shows recipe %r %d times" % (name,
                                                                          names.count(name)))
    expect([kind for kind, *_ in blocks].count("usage-screen") == 1,
           "README must show the usage screen once")
    print("PASS: %d blocks, all marked; recipes %s" % (len(blocks), ", ".join(names)))


def check_man_examples(args):
    """The manual page's EXAMPLES show the README's recipes, and nothing else, so that
    they are tried too. Both may break a long command with a backslash and a new line
    where they like."""
    groff = args.groff or shutil.which("groff")
    if not groff:
        raise SkipRecipe("groff is not installed")
    rendered = subprocess.run([groff, "-man", "-Tascii", "-P-cbou", str(args.man_page)],
                              check=True, capture_output=True, text=True).stdout
    section = re.search(r"^EXAMPLES\n(.*?)^[A-Z]", rendered, re.M | re.S).group(1)
    # Example blocks are indented further than the text around them.
    shown, block = [], []
    for line in section.split("\n") + [""]:
        if line.startswith(" " * 11):
            block.append(line[11:])
        elif block:
            shown.append(one_command_per_line("\n".join(block)))
            block = []
    recipes = {one_command_per_line(text): name
               for kind, name, _, text in readme_blocks(args.readme) if kind == "recipe"}
    for example in shown:
        expect(example in recipes, "the manual page shows an example that is no README "
               "recipe:\n" + example)
    missing = sorted(name for text, name in recipes.items() if text not in shown)
    expect(not missing, "the manual page does not show the recipes %s" % missing)
    print("PASS: the manual page shows the %d README recipes" % len(shown))


def one_command_per_line(text):
    joined = re.sub(r"\\\n\s*", " ", text.strip("\n"))
    return "\n".join(" ".join(line.split()) for line in joined.split("\n"))


def check_usage(args):
    shown = [text for kind, _, _, text in readme_blocks(args.readme) if kind == "usage-screen"]
    expect(len(shown) == 1, "README must show the usage screen once")
    done = subprocess.run(args.launcher + [args.program], stdin=subprocess.DEVNULL,
                          capture_output=True, timeout=60, env=launcher_env())
    expect(done.returncode == 1, "without arguments the status must be 1", done.returncode)
    expect(done.stdout == b"", "the usage screen must not go to standard output", done.stdout)
    written = done.stderr.decode("ascii")
    expect("\n" not in written.replace("\r\n", ""), "a line end that is not CR LF", written)
    written = written.replace("\r\n", "\n").rstrip("\n")
    expect(written == shown[0].rstrip("\n"), "README's usage screen differs from the "
           "program's:\n" + "\n".join(difflib.unified_diff(
               shown[0].rstrip("\n").split("\n"), written.split("\n"), "README.md",
               "pagevet", lineterm="")))
    print("PASS: README shows the usage screen verbatim")


def check_recipe(args):
    language, check = RECIPES[args.name]
    found_language, block = recipe_block(args.readme, args.name)
    expect(found_language == language, "recipe %r is no %s block" % (args.name, language))
    if language == "sh" and args.launcher:
        raise SkipRecipe("a Unix recipe, and this pagevet is for another system")
    if language == "sh" and not find_is_gnu():
        raise SkipRecipe("the recipes use GNU find")
    run = Run(args)
    try:
        check(run, block)
    finally:
        run.close()
    print("PASS: recipe %s" % args.name)


def find_is_gnu():
    done = subprocess.run(["find", "--version"], capture_output=True, text=True)
    return done.returncode == 0 and "GNU findutils" in done.stdout


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("command", choices=["blocks", "man-examples", "usage", "recipe"])
    parser.add_argument("name", nargs="?", choices=sorted(RECIPES))
    parser.add_argument("--readme", type=Path, required=True)
    parser.add_argument("--program")
    parser.add_argument("--man-page", type=Path)
    parser.add_argument("--groff")
    parser.add_argument("--wine-prefix", type=Path)
    parser.add_argument("--launcher", action="append", default=[])
    args = parser.parse_args()
    if args.command in ("usage", "recipe") and not args.program:
        parser.error("%s needs --program" % args.command)
    if args.command == "man-examples" and not args.man_page:
        parser.error("man-examples needs --man-page")
    if (args.command == "recipe") != (args.name is not None):
        parser.error("a recipe name goes with `recipe` only")
    try:
        {"blocks": check_blocks, "man-examples": check_man_examples, "usage": check_usage,
         "recipe": check_recipe}[args.command](args)
    except SkipRecipe as skip:
        print("SKIP:", skip)
        return SKIPPED
    except Failure as failure:
        print("FAIL:", failure)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
