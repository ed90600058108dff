#!/usr/bin/env python3
"""pagevet against the floor: the whole benchmark suite in one command.

    run_bench.py --build DIR [--data DIR] [--rounds N] [--files N] [--live-lines N]
                 [--hyperfine] [--markdown FILE]
    run_bench.py --quick --program PAGEVET [--data DIR]

The full run (the default) makes the data (generate.py), checks that pagevet, the floors
and the peers pass the same lines, times every command in alternating rounds on a hot
page cache and prints medians with each command's ratio to its floor, and then measures
pagevet itself: system calls per checked file (strace), instructions per line and per file
(callgrind, the difference between two input sizes, so that start-up cancels out), and peak
memory for 250,000 and 1,000,000 lines.  --build names a build directory holding pagevet,
floor_check and floor_live (build/release after `cmake --build --preset release`).

--quick is what CI runs: small data, no timing, and only the figures that do not depend on
the machine's load, each checked against its target; the exit status says whether all of
them held.  It exits with 77 (CTest's skip) when strace or valgrind is missing.

Wall-clock ratios are reported, never asserted: the machines are shared and noisy.
"""

import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import generate  # noqa: E402

SKIP = 77
AWK_LIVE = "{s=$NF+0} s>0 && s%512==0"

# The limits the quick run holds pagevet to.  Instructions and system calls are exact counts
# on any machine; memory is the kernel's count of resident pages, taken with address
# randomisation off so that it is the same from run to run.
MAX_LIVE_INSTRUCTIONS_PER_LINE = 300
MAX_MEMORY_GROWTH_KIB = 64
MAX_PEAK_MEMORY_KIB = 4 * 1024
OUTPUT_BLOCK = 64 * 1024


class Failure(Exception):
    pass


# ----------------------------------------------------------------------------------------
# Running commands


def run(argv, input_path, output_path=os.devnull):
    """Runs argv with stdin from input_path and stdout to output_path; stderr is dropped.
    Returns (wall seconds, cpu seconds, peak resident KiB)."""
    with open(input_path, "rb") as stdin, open(output_path, "wb") as stdout:
        started = time.perf_counter()
        child = subprocess.Popen(argv, stdin=stdin, stdout=stdout, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - started
    if os.waitstatus_to_exitcode(status) != 0:
        raise Failure("%s ended with status %d" % (" ".join(argv), os.waitstatus_to_exitcode(status)))
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss


def prefix_file(source, lines, target):
    """target holds the first `lines` lines of source (made once)."""
    if not os.path.exists(target):
        with open(source, "rb") as f, open(target + ".part", "wb") as out:
            for index, line in enumerate(f):
                if index == lines:
                    break
                out.write(line)
        os.replace(target + ".part", target)
    return target


def repeated_file(source, times, target):
    """target holds source `times` times over (made once)."""
    if not os.path.exists(target):
        with open(source, "rb") as f:
            data = f.read()
        with open(target + ".part", "wb") as out:
            for _ in range(times):
                out.write(data)
        os.replace(target + ".part", target)
    return target


def count_lines(path):
    with open(path, "rb") as f:
        return sum(chunk.count(b"\n") for chunk in iter(lambda: f.read(1 << 20), b""))


def normalised_output(argv, input_path, scratch):
    """What argv passes, with every CR LF read as LF: pagevet writes CR LF, a floor writes
    the line end it read."""
    out = os.path.join(scratch, "out.txt")
    run(argv, input_path, out)
    with open(out, "rb") as f:
        return f.read().replace(b"\r\n", b"\n")


# ----------------------------------------------------------------------------------------
# System calls


TRACE_LINE = re.compile(r"^(?:(\d+)\s+)?(\w+)\((.*)\)\s+=\s+(-?\d+|\?)")
UNFINISHED = re.compile(r"^(\d+)\s+(.*) <unfinished \.\.\.>$")
RESUMED = re.compile(r"^(\d+)\s+<\.\.\. \w+ resumed>(.*)$")


def trace(argv, input_path, scratch):
    """The system calls of one run as (thread, name, arguments, result) in the order they
    began; the process's own thread comes first. With two threads (a listing file is read
    ahead), strace splits a call that the other thread interrupts into an unfinished and a
    resumed line; they are joined."""
    path = os.path.join(scratch, "strace.txt")
    run(["strace", "-f", "-s", "0", "-o", path] + argv, input_path)
    calls, pending = [], {}
    with open(path, errors="replace") as f:
        for line in f:
            line = line.rstrip("\n")
            unfinished = UNFINISHED.match(line)
            if unfinished:
                pending[unfinished.group(1)] = len(calls)
                calls.append(line[: -len(" <unfinished ...>")])
                continue
            resumed = RESUMED.match(line)
            if resumed and resumed.group(1) in pending:
                calls[pending.pop(resumed.group(1))] += resumed.group(2)
                continue
            calls.append(line)
    return [match.groups() for match in map(TRACE_LINE.match, calls) if match]


def strace_counts(argv, input_path, scratch):
    """Calls per system call name, from `strace -c -f`."""
    path = os.path.join(scratch, "strace-c.txt")
    run(["strace", "-c", "-f", "-o", path] + argv, input_path)
    counts = {}
    with open(path) as f:
        for line in f:
            fields = line.split()
            if len(fields) >= 5 and fields[3].isdigit() and fields[-1] != "total":
                counts[fields[-1]] = int(fields[3])
    return counts


def file_check_calls(calls):
    """The calls the filter made for each file it opened while it read its listing (from
    the first read of standard input to its close): a list of name lists, one per opened
    file, and the filter's calls that belong to no checked file. Only the filter's own
    thread counts; the thread that reads a listing file ahead may only read it."""
    started = next((i for i, c in enumerate(calls) if c[1] == "read" and c[2].startswith("0,")), None)
    ended = next((i for i, c in enumerate(calls) if c[1] == "close" and c[2] == "0"), None)
    if started is None or ended is None:
        raise Failure("the trace shows no filter loop (no read and close of standard input)")
    filter_thread = calls[0][0]
    per_file, others, open_fds = [], [], {}
    for thread, name, args, result in calls[started:ended]:
        if thread != filter_thread:
            if name in ("open", "openat", "write"):
                raise Failure("the read-ahead thread called %s(%s)" % (name, args))
            continue
        fd = args.split(",")[0].strip()
        if name in ("open", "openat") and result.isdigit():
            open_fds[result] = [name]
            per_file.append(open_fds[result])
        elif fd in open_fds:
            open_fds[fd].append(name)
            if name == "close":
                del open_fds[fd]
        else:
            others.append((name, args, result))
    return per_file, others


def check_syscalls(program, listing, scratch):
    """Every regular file checked costs open, fstat, a read of two bytes only when its
    length is a multiple of 512, and close; nothing else is called per line."""
    with open(listing, "rb") as f:
        good_length = [int(line.rsplit(b",", 1)[1]) % 512 == 0 for line in f]
    per_file, others = file_check_calls(trace([program, "/5", "/6"], listing, scratch))
    if len(per_file) != len(good_length):
        raise Failure("%d files opened for %d lines" % (len(per_file), len(good_length)))
    for calls, good in zip(per_file, good_length):
        expected_rest = (["read"] if good else []) + ["close"]
        if calls[1:2] not in (["fstat"], ["newfstatat"]) or calls[2:] != expected_rest:
            raise Failure("a checked file cost %s" % calls)
    # Besides reading the listing and writing, the filter waits for a block of the listing
    # from the read-ahead thread, or wakes it, on a futex.
    allowed = {("read", "0"), ("write", "1"), ("write", "2")}
    for name, args, _ in others:
        if name != "futex" and (name, args.split(",")[0].strip()) not in allowed:
            raise Failure("the filter loop made an unexpected call: %s(%s)" % (name, args))
    return sum(len(c) for c in per_file) / len(per_file)


def check_output_blocks(program, listing, scratch):
    """Standard output that is not a terminal goes out in blocks of 64 KiB."""
    calls = trace([program, "/L"], listing, scratch)
    sizes = [int(r) for _, n, a, r in calls if n == "write" and a.startswith("1,")]
    if not sizes or any(s != OUTPUT_BLOCK for s in sizes[:-1]) or not 0 < sizes[-1] <= OUTPUT_BLOCK:
        raise Failure("standard output went out in writes of %s bytes" % sorted(set(sizes)))
    return len(sizes), sum(sizes)


# ----------------------------------------------------------------------------------------
# Instructions and memory


def instructions(argv, input_path, scratch):
    out = os.path.join(scratch, "callgrind.out")
    with open(input_path, "rb") as stdin:
        subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out] + argv,
                       stdin=stdin, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       check=True)
    with open(out) as f:
        for line in f:
            if line.startswith(("summary:", "totals:")):
                return int(line.split()[1])
    raise Failure("callgrind wrote no total")


def marginal_instructions(argv, small, large, scratch):
    """Instructions per line between two inputs: start-up and the end of the run cancel."""
    lines = count_lines(large) - count_lines(small)
    return (instructions(argv, large, scratch) - instructions(argv, small, scratch)) / lines


def peak_memory(helper, argv, input_path, runs=5):
    """Peak resident KiB of argv, as the kernel counts it: the largest of a few runs, as
    the kernel's count can lag behind the pages really touched, never run ahead of them.
    Started from a small helper: a child forked from Python would inherit Python's own
    peak."""
    peaks = []
    for _ in range(runs):
        with open(input_path, "rb") as stdin:
            shown = subprocess.run([helper] + argv, stdin=stdin, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.PIPE, check=True).stderr
        peaks.append(int(shown.split()[-1]))
    return max(peaks)


# ----------------------------------------------------------------------------------------
# Timing


def time_rounds(commands, rounds):
    """Runs every command once per round, in an order that rotates from round to round,
    after one warm-up round that fills the page cache; returns the wall and cpu seconds
    of every run by command label."""
    walls = {label: [] for label, _, _ in commands}
    cpus = {label: [] for label, _, _ in commands}
    for round_number in range(rounds + 1):
        shift = round_number % len(commands)
        for label, argv, input_path in commands[shift:] + commands[:shift]:
            wall, cpu, _ = run(argv, input_path)
            if round_number > 0:
                walls[label].append(wall)
                cpus[label].append(cpu)
        print("  round %d of %d done" % (round_number, rounds), file=sys.stderr)
    return walls, cpus


def hyperfine(commands, rounds):
    """The same commands through hyperfine, one after the other, as a second opinion."""
    if shutil.which("hyperfine") is None:
        print("hyperfine is not installed: skipped", file=sys.stderr)
        return
    shell_commands = ["%s < %s" % (" ".join("'%s'" % a for a in argv), path)
                      for _, argv, path in commands]
    subprocess.run(["hyperfine", "--warmup", "1", "--runs", str(rounds), "--output", "null"]
                   + shell_commands, check=True)


# ----------------------------------------------------------------------------------------
# The runs


def verify_same_lines(pairs, scratch):
    """(label, argv, reference argv, input) quadruples: each argv must pass exactly the lines
    its reference passes.  Returns the count of passed lines per label."""
    passed = {}
    for label, argv, reference, input_path in pairs:
        got = normalised_output(argv, input_path, scratch)
        expected = normalised_output(reference, input_path, scratch)
        if got != expected:
            raise Failure("%s does not pass the same lines as %s" % (label, reference[0]))
        passed[label] = got.count(b"\n")
        passed[reference_label(reference)] = expected.count(b"\n")
    return passed


def reference_label(argv):
    return " ".join([os.path.basename(argv[0])] + argv[1:])


def full_run(args):
    build = os.path.abspath(args.build)
    pagevet = args.program or os.path.join(build, "pagevet")
    floor_check = os.path.join(args.bench_bin, "floor_check")
    floor_live = os.path.join(args.bench_bin, "floor_live")
    helper = os.path.join(args.bench_bin, "peak_memory")
    for tool in (pagevet, floor_check, floor_live, helper):
        if not os.access(tool, os.X_OK):
            raise Failure("%s is missing: build it first (cmake --build --preset release)" % tool)
    data = generate.generate(args.data, args.files, args.live_lines, args.seed)
    comma = os.path.join(data, "check-comma.txt")
    bare = os.path.join(data, "check-bare.txt")
    live = os.path.join(data, "live-comma.txt")
    python = sys.executable
    peer = [python, os.path.join(HERE, "peer_check.py")]
    awk = ["awk", "-F,", AWK_LIVE]

    check_commands = [
        ("floor_check", [floor_check], comma),
        ("pagevet /5 /6", [pagevet, "/5", "/6"], comma),
        ("peer_check.py", peer, comma),
        ("floor_check -b", [floor_check, "-b"], bare),
        ("pagevet /B /5 /6", [pagevet, "/B", "/5", "/6"], bare),
        ("peer_check.py -b", peer + ["-b"], bare),
    ]
    live_commands = [
        ("floor_live", [floor_live], live),
        ("pagevet /L", [pagevet, "/L"], live),
        ("awk", awk, live),
    ]
    floor_of = {"pagevet /5 /6": "floor_check", "peer_check.py": "floor_check",
                "pagevet /B /5 /6": "floor_check -b", "peer_check.py -b": "floor_check -b",
                "pagevet /L": "floor_live", "awk": "floor_live"}

    with tempfile.TemporaryDirectory() as scratch:
        print("Checking that every command passes the same lines ...", file=sys.stderr)
        passed = verify_same_lines([
            ("pagevet /5 /6", [pagevet, "/5", "/6"], [floor_check], comma),
            ("peer_check.py", peer, [floor_check], comma),
            ("pagevet /B /5 /6", [pagevet, "/B", "/5", "/6"], [floor_check, "-b"], bare),
            ("peer_check.py -b", peer + ["-b"], [floor_check, "-b"], bare),
            ("pagevet /L", [pagevet, "/L"], [floor_live], live),
            ("awk", awk, [floor_live], live),
        ], scratch)

        print("Timing check mode (%d rounds) ..." % args.rounds, file=sys.stderr)
        walls, cpus = time_rounds(check_commands, args.rounds)
        print("Timing live mode (%d rounds) ..." % args.live_rounds, file=sys.stderr)
        live_walls, live_cpus = time_rounds(live_commands, args.live_rounds)
        walls.update(live_walls)
        cpus.update(live_cpus)
        if args.hyperfine:
            hyperfine(check_commands[:3], args.rounds)
            hyperfine(live_commands, args.live_rounds)

        print("Counting system calls, instructions and memory ...", file=sys.stderr)
        figures = measure_pagevet(pagevet, [floor_check], [floor_live], helper, comma, live, data,
                                  scratch)

    report = format_report(args, check_commands + live_commands, walls, cpus, floor_of,
                           passed, figures)
    print(report)
    if args.markdown:
        with open(args.markdown, "w") as f:
            f.write(report + "\n")
    return 0


def measure_pagevet(pagevet, floor_check, floor_live, helper, comma, live, data, scratch):
    """The figures that do not depend on the machine's load, for pagevet and the floors."""
    figures = {}
    check10k = prefix_file(comma, 10000, os.path.join(data, "check-10k.txt"))
    check2k = prefix_file(comma, 2000, os.path.join(data, "check-2k.txt"))
    check6k = prefix_file(comma, 6000, os.path.join(data, "check-6k.txt"))
    live100k = prefix_file(live, 100000, os.path.join(data, "live-100k.txt"))
    live300k = prefix_file(live, 300000, os.path.join(data, "live-300k.txt"))
    live250k = prefix_file(live, 250000, os.path.join(data, "live-250k.txt"))
    live1m = prefix_file(live, 1000000, os.path.join(data, "live-1m.txt"))
    empty = os.path.join(scratch, "empty.txt")
    open(empty, "wb").close()

    for label, argv in (("pagevet", [pagevet, "/5", "/6"]), ("floor", floor_check)):
        counts = strace_counts(argv, check10k, scratch)
        start = strace_counts(argv, empty, scratch)
        figures[label + " syscalls/file"] = (sum(counts.values()) - sum(start.values())) / 10000
        figures[label + " syscall kinds"] = {k: v - start.get(k, 0) for k, v in counts.items()
                                             if v - start.get(k, 0) > 0}
    figures["pagevet syscalls/checked file"] = check_syscalls(pagevet, check10k, scratch)
    figures["pagevet output writes"] = check_output_blocks(pagevet, live250k, scratch)
    figures["pagevet instructions/file"] = marginal_instructions(
        [pagevet, "/5", "/6"], check2k, check6k, scratch)
    figures["floor instructions/file"] = marginal_instructions(floor_check, check2k, check6k,
                                                               scratch)
    figures["pagevet instructions/line"] = marginal_instructions(
        [pagevet, "/L"], live100k, live300k, scratch)
    figures["floor instructions/line"] = marginal_instructions(floor_live, live100k, live300k,
                                                               scratch)
    for label, argv in (("pagevet", [pagevet, "/L"]), ("floor", floor_live)):
        figures[label + " memory"] = (peak_memory(helper, argv, live250k),
                                      peak_memory(helper, argv, live1m))
    return figures


def format_report(args, commands, walls, cpus, floor_of, passed, figures):
    lines = ["Check mode: %d files in %d directories; live mode: %d lines. Medians of %d and %d "
             "rounds, hot page cache." % (args.files, max(1, args.files // 1000), args.live_lines,
                                          args.rounds, args.live_rounds),
             "",
             "| command | input | median wall s | median cpu s | ratio to floor (wall) | lines passed |",
             "|---|---|---:|---:|---:|---:|"]
    for label, _, input_path in commands:
        median = statistics.median(walls[label])
        floor = floor_of.get(label)
        ratio = "%.2f" % (median / statistics.median(walls[floor])) if floor else "(floor)"
        lines.append("| `%s` | %s | %.3f | %.3f | %s | %s |" % (
            label, os.path.basename(input_path), median, statistics.median(cpus[label]), ratio,
            passed.get(label, "")))
    kinds = figures["pagevet syscall kinds"]
    lines += [
        "",
        "| figure | pagevet | floor |",
        "|---|---:|---:|",
        "| system calls per listed file, all included (strace -c -f, 10,000 files) | %.3f | %.3f |"
        % (figures["pagevet syscalls/file"], figures["floor syscalls/file"]),
        "| system calls per regular file checked (open, fstat, read when the length fits, close) "
        "| %.2f | 4 |" % figures["pagevet syscalls/checked file"],
        "| user instructions per file, check mode (callgrind, 6,000 - 2,000 files) | %.0f | %.0f |"
        % (figures["pagevet instructions/file"], figures["floor instructions/file"]),
        "| user instructions per line, live mode (callgrind, 300,000 - 100,000 lines) | %.0f | %.0f |"
        % (figures["pagevet instructions/line"], figures["floor instructions/line"]),
        "| peak memory, live mode, 250,000 lines (KiB, largest of 5 runs) | %d | %d |"
        % (figures["pagevet memory"][0], figures["floor memory"][0]),
        "| peak memory, live mode, 1,000,000 lines (KiB, largest of 5 runs) | %d | %d |"
        % (figures["pagevet memory"][1], figures["floor memory"][1]),
        "",
        "pagevet's system calls over 10,000 listed files, less those of an empty listing: %s."
        % ", ".join("%s %d" % kv for kv in sorted(kinds.items())),
        "Standard output of `pagevet /L` over 250,000 lines: %d writes for %d bytes."
        % figures["pagevet output writes"],
    ]
    return "\n".join(lines)


def quick_run(args):
    for tool in ("strace", "valgrind"):
        if shutil.which(tool) is None:
            print("SKIP: %s is not installed; the quick benchmark needs strace and valgrind"
                  % tool)
            return SKIP
    pagevet = os.path.abspath(args.program)
    helper = os.path.join(args.bench_bin, "peak_memory")
    data = generate.generate(args.data, 2000, 250000, args.seed)
    comma = os.path.join(data, "check-comma.txt")
    live250k = os.path.join(data, "live-comma.txt")
    live1m = repeated_file(live250k, 4, os.path.join(data, "live-1m.txt"))
    live20k = prefix_file(live250k, 20000, os.path.join(data, "live-20k.txt"))
    live60k = prefix_file(live250k, 60000, os.path.join(data, "live-60k.txt"))
    results = []

    def check(name, measure, holds, shown):
        try:
            value = measure()
            ok = holds(value)
            results.append(ok)
            print("%s: %s: %s" % ("PASS" if ok else "FAIL", name, shown(value)))
        except Failure as failure:
            results.append(False)
            print("FAIL: %s: %s" % (name, failure))

    with tempfile.TemporaryDirectory() as scratch:
        check("system calls per regular file checked (open, fstat, read if the length fits, close)",
              lambda: check_syscalls(pagevet, comma, scratch), lambda v: True,
              lambda v: "%.2f on average over 2,000 files, nothing else per line" % v)
        check("standard output in blocks of 64 KiB",
              lambda: check_output_blocks(pagevet, live250k, scratch), lambda v: True,
              lambda v: "%d writes for %d bytes" % v)
        check("user instructions per line in live mode <= %d" % MAX_LIVE_INSTRUCTIONS_PER_LINE,
              lambda: marginal_instructions([pagevet, "/L"], live20k, live60k, scratch),
              lambda v: v <= MAX_LIVE_INSTRUCTIONS_PER_LINE, lambda v: "%.1f" % v)
        check("peak memory flat (1,000,000 lines within %d KiB of 250,000) and under %d KiB"
              % (MAX_MEMORY_GROWTH_KIB, MAX_PEAK_MEMORY_KIB),
              lambda: (peak_memory(helper, [pagevet, "/L"], live250k),
                       peak_memory(helper, [pagevet, "/L"], live1m)),
              lambda v: v[1] - v[0] <= MAX_MEMORY_GROWTH_KIB and max(v) < MAX_PEAK_MEMORY_KIB,
              lambda v: "%d KiB and %d KiB" % v)
    print("%d passed, %d failed" % (results.count(True), results.count(False)))
    return 0 if all(results) else 1


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--build", default=os.path.join(HERE, "..", "build", "release"))
    parser.add_argument("--program", help="pagevet to measure (default: BUILD/pagevet)")
    parser.add_argument("--bench-bin", help="where floor_check, floor_live and peak_memory "
                        "are (default: BUILD/bench)")
    parser.add_argument("--data", default=None, help="where the generated data goes")
    parser.add_argument("--files", type=int, default=100000)
    parser.add_argument("--live-lines", type=int, default=2000000)
    parser.add_argument("--rounds", type=int, default=11, help="timed rounds, check mode")
    parser.add_argument("--live-rounds", type=int, default=21, help="timed rounds, live mode")
    parser.add_argument("--seed", type=int, default=5)
    parser.add_argument("--hyperfine", action="store_true",
                        help="also time the commands with hyperfine")
    parser.add_argument("--markdown", help="also write the tables to this file")
    args = parser.parse_args()
    args.bench_bin = os.path.abspath(args.bench_bin or os.path.join(args.build, "bench"))
    try:
        if args.quick:
            if not args.program:
                parser.error("--quick needs --program")
            args.data = args.data or os.path.join(tempfile.gettempdir(), "pagevet-bench-quick")
            return quick_run(args)
        args.data = args.data or os.path.join(os.path.abspath(args.build), "bench-data")
        return full_run(args)
    except Failure as failure:
        print("FAIL: %s" % failure, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
