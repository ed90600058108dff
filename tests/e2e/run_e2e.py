#!/usr/bin/env python3
"""Runs pagevet's end-to-end cases (cases.py) against a built program.

    run_e2e.py --program PATH [--launcher CMD]... [--path-style posix|windows]
               [--holder PATH] [--filter SUBSTRING] [--timeout SECONDS]
               [--stdin-as-file]

Builds a fixture directory in a fresh temporary directory, runs every case
with the launcher words (if any) in front of the program, and compares
standard output bytes, standard error bytes and the exit status exactly.
Prints PASS / FAIL / SKIP per case and a closing count; exits 1 if any case
failed.  --path-style windows writes the fixture directory as Wine sees it
(Z:\\tmp\\...\\), for a Windows build run with --launcher wine, and skips
the cases only a POSIX build can meet; without it the cases only a Windows
build can meet are skipped.  --holder names a program that holds a file
open the way another program would (tests/windows/hold_file.cpp), for the
cases that meet Windows' sharing rules; without it they are skipped.
--stdin-as-file gives every case whose input comes through a pipe the same
bytes in a regular file instead, as `pagevet < listing` does, and skips the
cases whose input must be a pipe, a terminal or a directory to show what
they show.

The fixture includes sparse files of 2, 3 and 4 GiB, so the temporary
directory must be on a file system with sparse files (tmpfs, ext4, ...).
Cases that compare peak memory run the program under GNU time
(/usr/bin/time), and are skipped where it is missing.
"""

import argparse
import os
import select
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cases import CASES  # noqa: E402

GIB = 1 << 30

# Fixture files: name -> (first bytes, total length).  The rest is zeros.
FIXTURE_FILES = {
    "V5.DAT": (b"\x00\x00", 512),
    "V6.DAT": (b"FC", 512),
    "LOWER.DAT": (b"fc", 512),
    "ODD.DAT": (b"\x00\x00", 700),
    "EMPTY.DAT": (b"", 0),
    "ONE.DAT": (b"\x00", 1),
    # The bytes after the CR LF would show if the header were read as text.
    "CRLF.DAT": (b"\r\nFC", 512),
    "CTRLZ.DAT": (b"\x1a\x00", 512),
    "E9.DAT": (b"\xe9\x10", 512),
    "SEVEN.DAT": (b"\x00\x07", 1024),
    "SPACE.DAT ": (b"FC", 512),
    "SUB/INNER.DAT": (b"\x00\x00", 512),
    # Not UTF-8: the name's bytes must reach the file system untouched.
    b"\xe9T\xe9.DAT": (b"FC", 512),
    # CAF\xc9.DAT in the ANSI code page 1252, stored in UTF-8 as Wine stores it.
    b"CAF\xc3\x89.DAT": (b"FC", 512),
}

# Sparse files: they cost no disk, only their length matters.
FIXTURE_SPARSE = {
    "BIG3G.DAT": (b"FC", 3 * GIB),
    "BIG4G.DAT": (b"FC", 4 * GIB),
    "BIG4G512.DAT": (b"FC", 4 * GIB + 512),
    # S<size><header>.DAT: each header at exactly 2, 3 and 4 GiB.
    **{"S%dG%s.DAT" % (size, mark): (head, size * GIB)
       for size in (2, 3, 4)
       for mark, head in (("5", b"\x00\x00"), ("6", b"FC"), ("X", b"fc"))},
    # Next to the edges of the 32-bit length.
    "S2GM512.DAT": (b"FC", 2 * GIB - 512),
    "S3GP1.DAT": (b"FC", 3 * GIB + 1),
    "S4GM512.DAT": (b"FC", 4 * GIB - 512),
    "S4GM1.DAT": (b"FC", 4 * GIB - 1),
}

# A file a case makes just before its run, for the run to see it vanish.
VANISHING_FILE = (b"FC", 512)

FIXTURE_FIFO = "FIFO"
FIXTURE_SOCKET = "SOCKET"
FIXTURE_SYMLINKS = {"LINK6.DAT": "V6.DAT", "DANGLING": "NOWHERE.DAT"}

# Long-line cases leave room for a fixture path up to this long.
MAX_FIXTURE_PATH = 60

# Pause between stdin chunks so that each arrives in a read of its own.
CHUNK_PAUSE = 0.3

# How much more memory at its peak a run may use than the same run on a
# small input.  Far less than any growth per line would add over a large one.
MEMORY_MARGIN_KIB = 512
GNU_TIME = "/usr/bin/time"


def build_fixture(root):
    for name, (head, length) in FIXTURE_FILES.items():
        path = os.path.join(os.fsencode(root), os.fsencode(name))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(head + b"\0" * (length - len(head)))
    for name, (head, length) in FIXTURE_SPARSE.items():
        with open(os.path.join(root, name), "wb") as f:
            f.write(head)
            f.truncate(length)
    if hasattr(os, "mkfifo"):
        os.mkfifo(os.path.join(root, FIXTURE_FIFO))
    if hasattr(socket, "AF_UNIX"):
        # The socket file stays behind when the socket is closed.
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
            s.bind(os.path.join(root, FIXTURE_SOCKET))
    if hasattr(os, "symlink"):
        for name, target in FIXTURE_SYMLINKS.items():
            os.symlink(target, os.path.join(root, name))


class SkipCase(Exception):
    """The case cannot run here; the message says why."""


class Context:
    def __init__(self, program, launcher, style, root, timeout, holder=None,
                 stdin_as_file=False):
        self.argv0 = launcher + [program]
        self.stdin_as_file = stdin_as_file
        self.launcher = launcher
        self.holder = holder
        self.root = root
        self.timeout = timeout
        self.note = ""  # said after PASS: what the case measured
        if style == "windows":
            self.sep = "\\"
            self.dir = "Z:" + root.replace("/", "\\") + "\\"
            # Wine stores Windows names in the locale's character set: in a
            # UTF-8 one every name fits, as on Windows.  The program's own C
            # runtime starts in its "C" locale either way.
            self.locale = "C.UTF-8"
        else:
            self.sep = "/"
            self.dir = root + "/"
            self.locale = "C"

    def subst(self, text):
        if isinstance(text, bytes):
            return (text.replace(b"{D}", self.dir.encode())
                    .replace(b"{S}", self.sep.encode()))
        return text.replace("{D}", self.dir).replace("{S}", self.sep)


def feed(fd, chunks, pause, hold_until, between=None):
    """Writes chunks to fd, then keeps it open until hold_until is set.
    between, if given, is called before the second chunk."""
    try:
        for i, chunk in enumerate(chunks):
            if i:
                time.sleep(pause)
            if i == 1 and between is not None:
                between()
            view = memoryview(chunk)
            while view:
                view = view[os.write(fd, view):]
        if hold_until is not None:
            hold_until.wait()
    except OSError:
        pass  # the program has gone; a failure shows in its outcome
    finally:
        os.close(fd)


def open_terminal():
    """A pseudo-terminal whose slave side passes bytes through unchanged.

    Without ICRNL a CR reaches the program as it was written; without ISIG
    0x1A is not the suspend key; the line discipline stays canonical, so
    ^D at the start of a line still means end of input.
    """
    import pty
    import termios
    master, slave = pty.openpty()
    attrs = termios.tcgetattr(slave)
    attrs[0] &= ~termios.ICRNL
    attrs[3] &= ~(termios.ISIG | termios.ECHO)
    termios.tcsetattr(slave, termios.TCSANOW, attrs)
    return master, slave


def feed_terminal(master, slave, data, hangup, ended):
    """Types data into the terminal, then ends the input with ^D, or with
    hangup first waits until the program has read it all and then hangs up,
    which makes the program's next read fail with EIO."""
    import fcntl
    import struct
    import termios
    try:
        os.write(master, data)
        if hangup:
            deadline = time.monotonic() + 10
            while not ended.is_set() and time.monotonic() < deadline:
                waiting = fcntl.ioctl(slave, termios.FIONREAD, b"\0" * 4)
                if struct.unpack("i", waiting)[0] == 0:
                    break
                time.sleep(0.02)
            # Let the program get back into its read before the hangup.
            time.sleep(0.2)
        else:
            os.write(master, b"\x04")
        os.close(slave)
        if not hangup:
            ended.wait()
    except OSError:
        pass
    finally:
        os.close(master)


def run_case_while_held(case, ctx):
    """Runs a case while the holder keeps the case's `held` file open."""
    if ctx.holder is None:
        raise SkipCase("needs a program that holds files open (--holder)")
    name, how = case.held
    holder = subprocess.Popen(ctx.launcher + [ctx.holder, ctx.dir + name, how],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, cwd=ctx.root,
                              env=dict(os.environ, LC_ALL=ctx.locale))
    problems = []
    try:
        ready, _, _ = select.select([holder.stdout], [], [], ctx.timeout)
        said = holder.stdout.readline().strip() if ready else b""
        if said == b"held":
            problems = run_case(case, ctx)
    finally:
        # The holder lets go when its input ends.
        try:
            _, err = holder.communicate(b"", timeout=ctx.timeout)
        except subprocess.TimeoutExpired:
            holder.kill()
            _, err = holder.communicate()
    if said != b"held":
        problems.append("the holder did not hold %s (%s): %r %r"
                        % (name, how, said, err))
    return problems


def wait_until_read(fd, limit=10.0):
    """Waits until the reader of the pipe fd has taken everything in it."""
    import fcntl
    import termios
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        waiting = fcntl.ioctl(fd, termios.FIONREAD, b"\0" * 4)
        if int.from_bytes(waiting, sys.byteorder) == 0:
            return
        time.sleep(0.01)


def vanish_between_chunks(case, ctx, w):
    """Makes the case's vanishing file now; returns what removes it once the
    program has read and handled the first chunk."""
    path = os.path.join(ctx.root, case.vanishes)
    head, length = VANISHING_FILE
    with open(path, "wb") as f:
        f.write(head + b"\0" * (length - len(head)))

    def remove():
        wait_until_read(w)
        time.sleep(CHUNK_PAUSE)  # time to handle what it read
        os.remove(path)
    return remove


def run_measured(argv, data, ctx):
    """Runs argv with data on standard input from a regular file, under GNU
    time.  Returns (status, stdout, stderr, peak resident KiB).

    The peak a child reports starts from its parent's at the time of the
    fork, so it is measured through time, a process far smaller than this
    one, rather than from here."""
    if not os.access(GNU_TIME, os.X_OK):
        raise SkipCase("peak memory is measured with GNU time, and %s is "
                       "missing" % GNU_TIME)
    env = dict(os.environ, LC_ALL="C")
    # AddressSanitizer's stack for use-after-return checks fills slot by slot
    # as calls add up: a few MiB, bounded, that would read as growth.  The
    # other cases keep that check; these measure without it.
    asan = env.get("ASAN_OPTIONS", "")
    env["ASAN_OPTIONS"] = ((asan + ":" if asan else "")
                           + "detect_stack_use_after_return=0")
    with tempfile.TemporaryFile() as stdin, \
            tempfile.TemporaryFile() as stdout, \
            tempfile.TemporaryFile() as stderr, \
            tempfile.NamedTemporaryFile() as report:
        stdin.write(data)
        stdin.seek(0)
        proc = subprocess.Popen([GNU_TIME, "-f", "%M", "-o", report.name]
                                + argv, stdin=stdin, stdout=stdout,
                                stderr=stderr, cwd=ctx.root, env=env,
                                start_new_session=True)
        try:
            proc.wait(timeout=ctx.timeout)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, 9)
            proc.wait()
            return None
        stdout.seek(0)
        stderr.seek(0)
        lines = report.read().decode(errors="replace").split()
        peak = int(lines[-1]) if lines and lines[-1].isdigit() else -1
        return proc.returncode, stdout.read(), stderr.read(), peak


def run_memory_case(case, ctx):
    """Runs the case and its small twin; the outcome must be as expected and
    the peak memory no higher than the twin's, within the margin."""
    argv = ctx.argv0 + [ctx.subst(a) for a in case.args]
    small = run_measured(argv, ctx.subst(case.peak_memory_like), ctx)
    large = run_measured(argv, ctx.subst(case.stdin), ctx)
    if small is None or large is None:
        return ["did not end within %g s" % ctx.timeout]
    problems = compare_outcome(case, ctx, large[:3])
    if small[3] < 0 or large[3] < 0:
        problems.append("no peak memory reported by %s" % GNU_TIME)
    elif large[3] > small[3] + MEMORY_MARGIN_KIB:
        problems.append("peak memory %d KiB, against %d KiB for the small "
                        "input: it grows with the input" % (large[3], small[3]))
    ctx.note = "peak %d KiB; %d KiB for the small input" % (large[3], small[3])
    return problems


# What standard input must be for the cases --stdin-as-file cannot give a file.
NEEDS = {
    "chunks": "a pipe that delivers its bytes in separate reads",
    "held_open": "a pipe that its writer keeps open",
    "terminal": "a terminal",
    "terminal_hangup": "a terminal that hangs up",
    "directory": "a directory",
}


def stdin_kind_of(case, ctx):
    """How the case's standard input is supplied in this run."""
    if not ctx.stdin_as_file or case.stdin_kind == "file":
        return case.stdin_kind
    if case.stdin_kind == "pipe":
        return "file"
    raise SkipCase("standard input must be %s to show this"
                   % NEEDS[case.stdin_kind])


def run_case(case, ctx):
    """Runs one case; returns a list of failure descriptions (empty: pass)."""
    if case.stdout_kind == "dev_full" and not os.path.exists("/dev/full"):
        raise SkipCase("/dev/full exists on Linux only")
    stdin_kind = stdin_kind_of(case, ctx)
    if case.peak_memory_like is not None:
        return run_memory_case(case, ctx)
    argv = ctx.argv0 + [ctx.subst(a) for a in case.args]
    closers = []
    feeder = None
    ended = threading.Event()
    stdin_file = None
    data = ctx.subst(case.stdin)

    if stdin_kind == "pipe":
        stdin = subprocess.PIPE
    elif stdin_kind == "file":
        stdin_file = tempfile.TemporaryFile()
        stdin_file.write(data)
        stdin_file.seek(0)
        stdin = stdin_file
        closers.append(stdin_file.close)
    elif stdin_kind in ("held_open", "chunks"):
        r, w = os.pipe()
        stdin = r
        between = None
        if stdin_kind == "held_open":
            chunks, hold = [data], ended
        else:
            chunks, hold = [ctx.subst(c) for c in case.chunks], None
            if case.vanishes:
                between = vanish_between_chunks(case, ctx, w)
        feeder = threading.Thread(target=feed,
                                  args=(w, chunks, CHUNK_PAUSE, hold, between))
    elif stdin_kind in ("terminal", "terminal_hangup"):
        try:
            master, stdin = open_terminal()
        except (ImportError, OSError) as e:
            raise SkipCase("no pseudo-terminal: %s" % e)
        feeder = threading.Thread(
            target=feed_terminal,
            args=(master, stdin, data, stdin_kind == "terminal_hangup",
                  ended))
    elif stdin_kind == "directory":
        stdin = os.open(ctx.root, os.O_RDONLY)
        closers.append(lambda fd=stdin: os.close(fd))
    else:
        raise ValueError("unknown stdin_kind " + stdin_kind)

    if case.stdout_kind == "pipe":
        stdout = subprocess.PIPE
    elif case.stdout_kind == "dev_full":
        stdout = os.open("/dev/full", os.O_WRONLY)
        closers.append(lambda fd=stdout: os.close(fd))
    elif case.stdout_kind == "closed_pipe":
        r, stdout = os.pipe()
        os.close(r)
        closers.append(lambda fd=stdout: os.close(fd))
    else:
        raise ValueError("unknown stdout_kind " + case.stdout_kind)

    env = dict(os.environ, LC_ALL=ctx.locale)
    timed_out = False
    try:
        try:
            proc = subprocess.Popen(argv, stdin=stdin, stdout=stdout,
                                    stderr=subprocess.PIPE, cwd=ctx.root,
                                    env=env)
        except OSError as e:
            if feeder is not None:
                if not stdin_kind.startswith("terminal"):
                    os.close(stdin)
                feeder.start()
            return ["could not start: %s" % e]
        if feeder is not None:
            # Only the program may hold the reading end of a pipe, or a
            # program that has ended would not break the writer's pipe.
            # The terminal's feeder keeps the slave side to watch it.
            if not stdin_kind.startswith("terminal"):
                os.close(stdin)
            feeder.start()
        try:
            out, err = proc.communicate(
                data if stdin_kind == "pipe" else None,
                timeout=ctx.timeout)
        except subprocess.TimeoutExpired:
            timed_out = True
            proc.kill()
            try:
                out, err = proc.communicate(timeout=5)
            except subprocess.TimeoutExpired:
                out, err = b"", b""  # a launcher's child holds the pipes
    finally:
        ended.set()
        if feeder is not None and feeder.is_alive():
            feeder.join()
        offset = None
        if stdin_file is not None:
            offset = os.lseek(stdin_file.fileno(), 0, os.SEEK_CUR)
        for close in closers:
            close()

    if timed_out:
        return ["did not end within %g s" % ctx.timeout]
    problems = compare_outcome(case, ctx, (proc.returncode, out or b"", err))
    if case.stdin_unread and offset:
        problems.append("standard input was read (offset now %d)" % offset)
    elif (offset is not None and not case.stdin_unread and case.status == 0
          and b"\x1a" not in data and offset != len(data)):
        # A run that read its input to the end leaves the file there, for
        # whatever reads it next, as `(pagevet; cat) < file` would show.
        problems.append("standard input left at offset %d of %d"
                        % (offset, len(data)))
    return problems


def compare_outcome(case, ctx, actual):
    """Describes how (status, stdout, stderr) differ from what the case
    expects, if they do."""
    expected = [(case.status, ctx.subst(case.stdout), ctx.subst(case.stderr))]
    expected += [(s, ctx.subst(o), ctx.subst(e)) for s, o, e in case.also_ok]
    problems = []
    if actual not in expected:
        problems += describe(expected[0], actual)
        for other in expected[1:]:
            problems.append("(also accepted: status %d, stdout %s, stderr %s)"
                            % (other[0], show(other[1]), show(other[2])))
    return problems


def describe(expected, actual):
    lines = []
    for what, exp, act in zip(("status", "stdout", "stderr"),
                              expected, actual):
        if exp == act:
            continue
        if what == "status":
            lines.append("status: expected %d, actual %d" % (exp, act))
            continue
        at = first_difference(exp, act)
        lines.append("%s differs at byte %d (expected %d bytes, actual %d)"
                     % (what, at, len(exp), len(act)))
        lines.append("  expected: " + show(exp, at))
        lines.append("  actual:   " + show(act, at))
    return lines


def first_difference(a, b):
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return i
    return min(len(a), len(b))


def show(data, around=0, limit=600):
    """repr of the bytes; long ones cut to a window around one offset."""
    if len(data) <= limit:
        return repr(data)
    start = max(0, around - limit // 2)
    end = min(len(data), start + limit)
    return "...[%d:%d] %r..." % (start, end, data[start:end])


def main():
    parser = argparse.ArgumentParser(
        description="Run pagevet's end-to-end cases.")
    parser.add_argument("--program", required=True,
                        help="the pagevet executable")
    parser.add_argument("--launcher", action="append", default=[],
                        metavar="CMD",
                        help="a word put in front of the program, e.g. wine "
                        "(repeat for several)")
    parser.add_argument("--path-style", choices=("posix", "windows"),
                        default="posix",
                        help="how the program is to see fixture paths")
    parser.add_argument("--holder", metavar="PATH",
                        help="a program that holds a file open, run with the "
                        "launcher words too (for the sharing cases)")
    parser.add_argument("--filter", default="", metavar="SUBSTRING",
                        help="run only cases whose name contains this")
    parser.add_argument("--stdin-as-file", action="store_true",
                        help="give the cases whose input comes through a pipe "
                        "the same bytes in a regular file instead")
    parser.add_argument("--timeout", type=float, default=20.0,
                        help="seconds a single run may take (default 20)")
    opts = parser.parse_args()

    program = os.path.abspath(opts.program)
    if not os.path.isfile(program):
        print("run_e2e: no program at %s" % program, file=sys.stderr)
        return 2

    root = tempfile.mkdtemp(prefix="pagevet-e2e-")
    try:
        if len(root) + 1 > MAX_FIXTURE_PATH:
            print("run_e2e: fixture path %s is too long for the long-line "
                  "cases; set TMPDIR to a shorter directory" % root,
                  file=sys.stderr)
            return 2
        build_fixture(root)
        holder = os.path.abspath(opts.holder) if opts.holder else None
        ctx = Context(program, opts.launcher, opts.path_style, root,
                      opts.timeout, holder, opts.stdin_as_file)
        passed = failed = skipped = 0
        for case in CASES:
            if opts.filter not in case.name:
                continue
            try:
                if case.posix_only and opts.path_style != "posix":
                    raise SkipCase(case.posix_only)
                if case.windows_only and opts.path_style != "windows":
                    raise SkipCase(case.windows_only)
                ctx.note = ""
                if case.held:
                    problems = run_case_while_held(case, ctx)
                else:
                    problems = run_case(case, ctx)
            except SkipCase as e:
                print("SKIP %s: %s" % (case.name, e), flush=True)
                skipped += 1
                continue
            if problems:
                print("FAIL %s" % case.name)
                print("  shows: %s" % case.shows)
                for line in problems:
                    print("  " + line)
                failed += 1
            else:
                print("PASS %s%s" % (case.name,
                                     " (%s)" % ctx.note if ctx.note else ""))
                passed += 1
            sys.stdout.flush()
        print("%d passed, %d failed, %d skipped" % (passed, failed, skipped))
        return 1 if failed else 0
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
