#!/usr/bin/env python3
"""Makes the benchmark data: a tree of small files with their listings, and a large
synthetic listing for live mode.

    generate.py --out DIR [--files N] [--live-lines M] [--seed S]

DIR/tree/dNNNN/ holds N files, a thousand to a directory (the last one may hold fewer):

    20 %  header 00 00 and a length that is a multiple of 512  (Btrieve 5.x)
    20 %  header "FC"  and a length that is a multiple of 512  (Btrieve 6.x/7.x)
    30 %  another header and a length that is a multiple of 512
    30 %  any header and a length that is not a multiple of 512

Lengths lie between 512 bytes and 8 KiB.  The listings of the tree:

    DIR/check-comma.txt  the comma format a directory lister writes, CR LF line ends:
                         path/,NAME,date,time,attributes,size
    DIR/check-bare.txt   the bare format, one full name per line, LF line ends

DIR/live-comma.txt holds M comma lines naming files that do not exist, with sizes drawn
log-uniformly from 0 to 2 GiB - 1 (a third of them rounded to a multiple of 512), for
live mode (/L), which never opens a file.  Sizes stay below 2 GiB so that a 64-bit strtol
and pagevet's 32-bit conversion agree on every line.

The data depends only on N, M and the seed; a DIR that already holds the same data
(DIR/generated.txt says what it holds) is left as it is.
"""

import argparse
import os
import random
import shutil
import sys

FILES_PER_DIRECTORY = 1000
SECTOR = 512


def file_kinds(count, rng):
    """The kind of every file, in a shuffled order, in the proportions above."""
    kinds = (["v5"] * (count * 20 // 100) + ["v6"] * (count * 20 // 100) +
             ["other"] * (count * 30 // 100))
    kinds += ["badlength"] * (count - len(kinds))
    rng.shuffle(kinds)
    return kinds


def other_header(rng):
    while True:
        header = bytes([rng.randrange(256), rng.randrange(256)])
        if header not in (b"\0\0", b"FC"):
            return header


def file_contents(kind, rng):
    if kind == "badlength":
        length = rng.randrange(SECTOR + 1, 16 * SECTOR)
        while length % SECTOR == 0:
            length = rng.randrange(SECTOR + 1, 16 * SECTOR)
        header = rng.choice([b"\0\0", b"FC", other_header(rng)])
    else:
        length = SECTOR * rng.randrange(1, 17)
        header = {"v5": b"\0\0", "v6": b"FC"}.get(kind) or other_header(rng)
    return header + bytes(length - len(header))


def write_tree(out, count, rng):
    tree = os.path.join(out, "tree")
    shutil.rmtree(tree, ignore_errors=True)
    comma, bare = [], []
    for index, kind in enumerate(file_kinds(count, rng)):
        directory = os.path.join(tree, "d%04d" % (index // FILES_PER_DIRECTORY))
        if index % FILES_PER_DIRECTORY == 0:
            os.makedirs(directory)
        name = "F%07d.DAT" % index
        contents = file_contents(kind, rng)
        with open(os.path.join(directory, name), "wb") as f:
            f.write(contents)
        comma.append("%s/,%s,2026-11-%02d,%02d:%02d,A,%d\r\n" %
                     (directory, name, 1 + index % 28, index % 24, index % 60, len(contents)))
        bare.append("%s/%s\n" % (directory, name))
    with open(os.path.join(out, "check-comma.txt"), "w", newline="") as f:
        f.writelines(comma)
    with open(os.path.join(out, "check-bare.txt"), "w", newline="") as f:
        f.writelines(bare)


def listed_size(rng):
    size = int(2 ** rng.uniform(0, 31)) - 1
    if rng.random() < 1 / 3:
        size -= size % SECTOR
    return min(size, 2 ** 31 - 1)


def write_live_listing(out, count, rng):
    with open(os.path.join(out, "live-comma.txt"), "w", newline="") as f:
        lines = []
        for index in range(count):
            lines.append("/srv/archive/dept%03d/projects/%04d/,FILE%07d.DAT,2026-11-%02d,"
                         "%02d:%02d,A,%d\r\n" % (index % 97, index // 1000, index,
                                                 1 + index % 28, index % 24, index % 60,
                                                 listed_size(rng)))
            if len(lines) == 100000:
                f.writelines(lines)
                lines.clear()
        f.writelines(lines)


def generate(out, files, live_lines, seed):
    """Makes the data unless out already holds it; returns out."""
    stamp_path = os.path.join(out, "generated.txt")
    stamp = "files=%d live-lines=%d seed=%d\n" % (files, live_lines, seed)
    try:
        with open(stamp_path) as f:
            if f.read() == stamp:
                return out
    except FileNotFoundError:
        pass
    os.makedirs(out, exist_ok=True)
    if os.path.exists(stamp_path):
        os.remove(stamp_path)
    rng = random.Random(seed)
    write_tree(os.path.abspath(out), files, rng)
    write_live_listing(out, live_lines, rng)
    with open(stamp_path, "w") as f:
        f.write(stamp)
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", required=True)
    parser.add_argument("--files", type=int, default=100000)
    parser.add_argument("--live-lines", type=int, default=2000000)
    parser.add_argument("--seed", type=int, default=5)
    args = parser.parse_args()
    generate(args.out, args.files, args.live_lines, args.seed)
    return 0


if __name__ == "__main__":
    sys.exit(main())
