#!/usr/bin/env python3
"""The check as a user would script it instead of using pagevet: read the listing, open
each file, take its length and first two bytes, print the lines whose file could be a
Btrieve file (a length that is a multiple of 512, header 00 00 or "FC").

    peer_check.py [-b] < listing > passed

Without -b the listing is in the comma format (path/,NAME,...); with -b each line is a
whole name.  Passed lines are written as read.
"""

import os
import sys

SIGNATURES = (b"\0\0", b"FC")


def name_of(line, bare):
    if bare:
        return line.rstrip(b"\r\n")
    fields = line.split(b",", 2)
    return fields[0] + fields[1] if len(fields) == 3 else None


def passes(name):
    try:
        fd = os.open(name, os.O_RDONLY)
    except OSError:
        return False
    try:
        return os.fstat(fd).st_size % 512 == 0 and os.read(fd, 2) in SIGNATURES
    finally:
        os.close(fd)


def main():
    bare = sys.argv[1:] == ["-b"]
    out = sys.stdout.buffer
    for line in sys.stdin.buffer:
        name = name_of(line, bare)
        if name is not None and passes(name):
            out.write(line)
    return 0


if __name__ == "__main__":
    sys.exit(main())
