"""The end-to-end cases for pagevet: one table, run by run_e2e.py.

Every case runs the program once and compares standard output bytes,
standard error bytes and the exit status exactly.  Expected output is
written with its exact bytes: every line feed the program writes goes out
as CR LF, so "\r\n" is spelt out everywhere.

Placeholders, replaced by the runner in args, stdin, chunks and expected
output:
    {D}  the fixture directory, absolute, with a trailing separator
         (/tmp/pagevet-e2e-xxxx/ or Z:\\tmp\\pagevet-e2e-xxxx\\)
    {S}  the path separator of the same style

The fixture files are made by run_e2e.py (see FIXTURE_FILES there):
    V5.DAT      512 bytes, 00 00 ...      V6.DAT    512 bytes, "FC" ...
    LOWER.DAT   512 bytes, "fc" ...       ODD.DAT   700 bytes, 00 00 ...
    EMPTY.DAT   0 bytes                   ONE.DAT   1 byte
    CRLF.DAT    512 bytes, 0D 0A "FC" ... CTRLZ.DAT 512 bytes, 1A 00 ...
    E9.DAT      512 bytes, E9 10 ...      SEVEN.DAT 1024 bytes, 00 07 ...
    "SPACE.DAT " (trailing space) 512 bytes, "FC" ...
    b"\xe9T\xe9.DAT" (a name that is not UTF-8) 512 bytes, "FC" ...
    b"CAF\xc3\x89.DAT" (CAF\xc9.DAT in the ANSI code page 1252, stored in
                UTF-8 as Wine stores it) 512 bytes, "FC" ...
    SUB/        a directory holding INNER.DAT (512 bytes, 00 00 ...)
    BIG3G.DAT, BIG4G.DAT, BIG4G512.DAT  sparse, 3 GiB, 4 GiB and
                4 GiB + 512 bytes, all starting "FC"
    S2G5.DAT, S2G6.DAT, S2GX.DAT (and S3G..., S4G...)  sparse, exactly
                2, 3 or 4 GiB, starting 00 00, "FC" or "fc"
    S2GM512.DAT, S3GP1.DAT, S4GM512.DAT, S4GM1.DAT  sparse, "FC", of
                2 GiB - 512, 3 GiB + 1, 4 GiB - 512 and 4 GiB - 1 bytes
    posix only: FIFO (a named pipe), SOCKET (a unix socket),
                LINK6.DAT -> V6.DAT, DANGLING -> a name that does not exist
Names that never exist: NOPE.DAT.
"""

from dataclasses import dataclass, field


@dataclass
class Case:
    name: str
    shows: str                      # one line: what the case demonstrates
    args: list
    stdin: bytes = b""
    stdout: bytes = b""
    stderr: bytes = b""
    status: int = 0
    # How standard input is supplied:
    #   "pipe"      the bytes through a pipe that is closed after writing
    #   "file"      the bytes in a regular file
    #   "held_open" the bytes through a pipe whose writer then keeps it open
    #               until the program has ended
    #   "chunks"    the byte strings of `chunks` through a pipe, with a pause
    #               between them so that each arrives in a read of its own
    #   "terminal"  the bytes typed into a pseudo-terminal, then ^D
    #   "terminal_hangup"  the same, then the terminal hangs up (no ^D)
    #   "directory" a directory opened for reading
    stdin_kind: str = "pipe"
    chunks: tuple = ()
    # How standard output is supplied:
    #   "pipe"        captured and compared
    #   "dev_full"    /dev/full, where every write fails with ENOSPC
    #   "closed_pipe" a pipe whose reading end is already closed
    stdout_kind: str = "pipe"
    # When standard input is a "file": it must still be at offset 0 afterwards.
    # Otherwise, for a run that ends with status 0 and input without 0x1A, at
    # its end: the whole input was read, and the file is left behind it.
    stdin_unread: bool = False
    # With "chunks": a fixture name the runner creates (512 bytes, "FC")
    # before the run and removes once the first chunk has been handled.
    vanishes: str = ""
    # Standard input of a small twin run: the case's own run, with standard
    # input from a file, must peak at no more memory than the twin's, within
    # a small margin (peak resident size, from GNU time).
    peak_memory_like: bytes = None
    # Other outcomes accepted as well, as (status, stdout, stderr) triples.
    also_ok: tuple = ()
    # Non-empty: the case cannot hold for a Windows build, and this says why.
    posix_only: str = ""
    # Non-empty: the case holds for a Windows build only, and this says why.
    windows_only: str = ""
    # (fixture file, how): another program holds that file open while the case
    # runs, how being "exclusive" (sharing nothing), "writing" (open for
    # writing, sharing read and write access) or "deleting" (open with delete
    # access, sharing all access).  Needs run_e2e.py --holder.
    held: tuple = ()


# Option confirmations, written the moment each option is recognised.
P5 = b"Passing Btrieve 5.x Files\r\n"
P6 = b"Passing Btrieve 6.x/7.x Files\r\n"
PINV = b"Passing Invalid Files\r\n"
DEBUG = b"Debug Mode On\r\n"
BARE = b"Bare Format Enabled\r\n"
CHECK = b"TimeSaving Mode Enabled\r\n"
LIVE = b"TimeSaving Live Mode Enabled\r\n"

USAGE = (
    b"PAGEVET Version 2.0: 11/01\r\n"
    b"\r\n"
    b"Usage: PAGEVET [/5] [/6] [/S<fields-to-skip>] [/B] [/D] [/T|L] [/P]\r\n"
    b"    This utility reads a comma-delimited file from stdin, parses out a path\r\n"
    b"    and filename from the specified fields, opens the file, and checks to\r\n"
    b"    see if the file could possibly be in Btrieve 5.x or 6.x format.  If so,\r\n"
    b"    it sends the input line to stdout, else it skips it.\r\n"
    b"\r\n"
    b"    Options are:\r\n"
    b"       /5    Check for Btrieve 5.x Files.\r\n"
    b"       /6    Check for Btrieve 6.x/7.x Files.\r\n"
    b"       /S#   Skips the first # fields in the input file.\r\n"
    b"       /T    TimeSaving Mode-Checks File Size from TALLYDIR before opening.\r\n"
    b"       /L    Live: TimeSaving Mode without opening files.\r\n"
    b"       /P    Pass any Invalid Files.\r\n"
    b"       /B    Use Bare (No Commas) Format; Overrides other Switches.\r\n"
    b"       /D    Turn on Debugging Messages.\r\n"
    b"\r\n"
)

# Reasons for cases that only a POSIX build can meet.
NO_FIFO = "named pipes in the file system are POSIX only"
NO_SOCKET = "unix sockets in the file system are POSIX only"
NO_SYMLINK = "the fixture's symbolic links are POSIX only"
NO_DEVICES = "/dev/zero and /dev/null are POSIX device names"
NO_PTY = "pseudo-terminals are POSIX only"
NO_DIR_STDIN = "standard input cannot be a directory on Windows"
NO_TRAILING_SPACE = "Win32 strips trailing spaces from file names"
NO_RAW_NAMES = "Win32 maps narrow names through the ANSI code page"
NO_LONG_PATH = "narrow Win32 file names are limited to MAX_PATH (260)"

# Reasons for cases that only a Windows build can meet.
WINDOWS_NAMES = "Windows spells and resolves file names its own way"
WINDOWS_DEVICES = "NUL, CON, COM1 and the like name devices on Windows only"
WINDOWS_ANSI = "narrow names in the ANSI code page are a Windows rule"
WINDOWS_SHARING = "files shared or denied to other programs are a Windows rule"
NO_GNU_TIME_ON_WINE = "the peak memory of a Windows build is Wine's"

A508 = b"A" * 508
A509 = b"A" * 509

# A listing line for the runs that only count: /L passes it unopened.
LISTED = b"/srv/data/,ORDERS.DAT,2026-11-02,14:03,A,1024\n"
LISTED_OUT = LISTED[:-1] + b"\r\n"


CASES = [
    # ---------------------------------------------------------------- usage
    Case(
        "usage-without-arguments",
        "no argument: usage screen on stderr, status 1, stdin left unread",
        [],
        stdin=b"{D}V5.DAT\n",
        stdin_kind="file",
        stdin_unread=True,
        stderr=USAGE,
        status=1,
    ),

    # -------------------------------------------------------------- options
    Case(
        "options-confirmed-in-argument-order",
        "every option, any case, / or -, confirmed in argument order",
        ["/D", "-5", "/s2", "-P", "/6", "/t", "/L", "/b"],
        stdin=b"no such file\n",
        stdout=b"no such file\r\n",
        stderr=DEBUG + P5 + b"Skipping 2 Fields\r\n" + PINV + P6 + CHECK
        + LIVE + BARE,
    ),
    Case(
        "options-repeated-are-confirmed-again",
        "a repeated option is confirmed each time",
        ["/5", "/5", "-p", "/P"],
        stderr=P5 + P5 + PINV + PINV,
    ),
    Case(
        "options-unrecognised-are-silent",
        "non-options and unknown option texts are ignored without a word, "
        "and any argument at all avoids the usage screen",
        ["/BB", "/5x", "/", "-", "listing.txt", "", "/55", "--5", "/Debug"],
    ),
]

# /S takes a decimal number the way strtol does, clamped to 32 bits.
SKIP_VALUES = [
    (["/S3"], b"3"),
    (["/S+3"], b"3"),
    (["/S"], b"0"),
    (["/Sx"], b"0"),
    (["/S-2"], b"-2"),
    (["/SKIP"], b"0"),
    (["/S99999999999"], b"2147483647"),
    (["/S2147483648"], b"2147483647"),
    (["/S-99999999999"], b"-2147483648"),
    (["/s12abc"], b"12"),
    (["/S 3"], b"3"),             # leading white space is skipped
    (["-S+-3"], b"0"),            # one sign only, directly before the digits
    (["/S", "3"], b"0"),          # the 3 is an ignored non-option
]
for _args, _value in SKIP_VALUES:
    CASES.append(Case(
        "skip-value " + " ".join(repr(a) for a in _args),
        "the /S value is read like strtol and shown as taken",
        _args,
        stderr=b"Skipping " + _value + b" Fields\r\n",
    ))

# Sparse files of exactly 2, 3 and 4 GiB with each header.  The length is
# told in 32 bits: 2 GiB up to 4 GiB - 1 wrap to negative numbers, and a
# negative multiple of 512 is a multiple; from 4 GiB the length cannot be
# told (-1), so the file is dropped before its header is read.
for _gib in (2, 3, 4):
    _names = [b"S%dG%s.DAT" % (_gib, _mark) for _mark in (b"5", b"6", b"X")]
    _stderr = BARE + DEBUG + P5 + P6
    if _gib < 4:
        _stdout = b"".join(b"{D}" + n + b"\r\n" for n in _names[:2])
        _stderr += b"".join(b"Opened: {D}" + n + b"\r\n" for n in _names)
        _stderr += b"Bytes were: 66, 63\r\n"
        _shows = ("a length of exactly %d GiB reads as a negative multiple of "
                  "512: each header is read, 00 00 and FC pass" % _gib)
    else:
        _stdout = b""
        _stderr += b"".join(b"Opened: {D}" + n + b"\r\n"
                            + b"File Not Multiple of 512: {D}" + n + b"\r\n"
                            for n in _names)
        _shows = ("a length of exactly 4 GiB cannot be told: every header is "
                  "dropped unread")
    CASES.append(Case(
        "check-sparse-%d-gib-each-header" % _gib,
        _shows,
        ["/B", "/D", "/5", "/6"],
        stdin=b"".join(b"{D}" + n + b"\n" for n in _names),
        stdout=_stdout,
        stderr=_stderr,
    ))

CASES += [
    Case(
        "check-sparse-edges-of-32-bit-length",
        "2 GiB - 512 is the largest positive multiple, 4 GiB - 512 wraps to "
        "-512: both pass; 3 GiB + 1 is no multiple and 4 GiB - 1 wraps to -1, "
        "the failed length query: both dropped",
        ["/B", "/D", "/6"],
        stdin=b"{D}S2GM512.DAT\n{D}S3GP1.DAT\n{D}S4GM512.DAT\n{D}S4GM1.DAT\n",
        stdout=b"{D}S2GM512.DAT\r\n{D}S4GM512.DAT\r\n",
        stderr=BARE + DEBUG + P6
        + b"Opened: {D}S2GM512.DAT\r\n"
        + b"Opened: {D}S3GP1.DAT\r\n"
        + b"File Not Multiple of 512: {D}S3GP1.DAT\r\n"
        + b"Opened: {D}S4GM512.DAT\r\n"
        + b"Opened: {D}S4GM1.DAT\r\n"
        + b"File Not Multiple of 512: {D}S4GM1.DAT\r\n",
    ),

    # ---------------------------------------------------- reading the input
    Case(
        "input-empty",
        "empty input: nothing out, status 0",
        ["/5"],
        stderr=P5,
    ),
    Case(
        "input-crlf-read-as-lf",
        "CR LF comes in as one line end and goes out as CR LF",
        ["/B", "/L"],
        stdin=b"one\r\ntwo\n",
        stdout=b"one\r\ntwo\r\n",
        stderr=BARE + LIVE,
    ),
    Case(
        "input-lone-cr-kept",
        "a CR not followed by LF is an ordinary character, also at the end",
        ["/B", "/L"],
        stdin=b"a\rb\n\rc\r",
        stdout=b"a\rb\r\n\rc\r",
        stderr=BARE + LIVE,
    ),
    Case(
        "input-crlf-split-across-reads",
        "a CR at the end of one read and an LF at the start of the next are "
        "still one line end; a CR then other text stays a CR",
        ["/B", "/6"],
        stdin_kind="chunks",
        chunks=(b"{D}V6.DAT\r", b"\nAB\r", b"CD\n"),
        stdout=b"{D}V6.DAT\r\n",
        stderr=BARE + P6 + b"Bad File Encountered: AB\rCD\r\n",
    ),
    Case(
        "input-last-line-without-line-end",
        "a last line without line end is handled and passed without one",
        ["/B", "/6"],
        stdin=b"{D}V6.DAT",
        stdout=b"{D}V6.DAT",
        stderr=BARE + P6,
    ),
    Case(
        "input-ctrl-z-mid-line-pipe",
        "0x1A in a line from a pipe ends the input; the text before it is "
        "the last line",
        ["/B", "/6"],
        stdin=b"{D}V6.DAT\x1a\nmore\n{D}V6.DAT\n",
        stdout=b"{D}V6.DAT",
        stderr=BARE + P6,
    ),
    Case(
        "input-ctrl-z-from-file",
        "0x1A from a redirected file ends the input, after a line end or "
        "mid-line",
        ["/B", "/L"],
        stdin=b"one\ntw\x1ao\nthree\n",
        stdin_kind="file",
        stdout=b"one\r\ntw",
        stderr=BARE + LIVE,
    ),
    Case(
        "input-ctrl-z-after-last-line-end",
        "0x1A right after a line end gives no further (empty) line",
        ["/B"],
        stdin=b"{D}NOPE.DAT\n\x1a\n",
        stderr=BARE + b"Bad File Encountered: {D}NOPE.DAT\r\n",
    ),
    Case(
        "input-ctrl-z-ends-held-open-pipe",
        "0x1A ends the input at once although the writer keeps the pipe open",
        ["/B", "/6", "/5"],
        stdin=b"{D}V5.DAT\n{D}V6.DAT\x1aignored\n",
        stdin_kind="held_open",
        stdout=b"{D}V5.DAT\r\n{D}V6.DAT",
        stderr=BARE + P6 + P5,
    ),
    Case(
        "input-ctrl-z-is-text-on-a-terminal",
        "from a terminal 0x1A is an ordinary character; CR LF is still one "
        "line end",
        ["/B", "/L"],
        stdin=b"a\x1ab\nc\r\nd\n",
        stdin_kind="terminal",
        stdout=b"a\x1ab\r\nc\r\nd\r\n",
        stderr=BARE + LIVE,
        posix_only=NO_PTY,
    ),
    Case(
        "input-passed-line-is-written-as-read",
        "a passed line keeps the spaces and commas that parsing cut out",
        ["/6"],
        stdin=b"  {D}, V6.DAT, a,b,c, 512\r\n",
        stdout=b"  {D}, V6.DAT, a,b,c, 512\r\n",
        stderr=P6,
    ),

    # ----------------------------------------------- the 509-character limit
    Case(
        "limit-508-chars-and-lf",
        "508 characters and LF is a normal line",
        ["/B", "/L"],
        stdin=A508 + b"\n",
        stdout=A508 + b"\r\n",
        stderr=BARE + LIVE,
    ),
    Case(
        "limit-508-chars-and-crlf",
        "508 characters and CR LF is a normal line: CR LF counts as one",
        ["/B", "/L"],
        stdin=A508 + b"\r\n",
        stdout=A508 + b"\r\n",
        stderr=BARE + LIVE,
    ),
    Case(
        "limit-508-chars-crlf-split-across-reads",
        "the CR LF still counts as one when it straddles two reads",
        ["/B", "/L"],
        stdin_kind="chunks",
        chunks=(A508 + b"\r", b"\nnext\n"),
        stdout=A508 + b"\r\nnext\r\n",
        stderr=BARE + LIVE,
    ),
    Case(
        "limit-509-chars-at-end-of-input",
        "509 characters then end of input is a normal last line",
        ["/B", "/L"],
        stdin=A509,
        stdout=A509,
        stderr=BARE + LIVE,
    ),
    Case(
        "limit-509-chars-then-ctrl-z",
        "509 characters then 0x1A is a normal last line too",
        ["/B", "/L"],
        stdin=A509 + b"\x1a\n",
        stdout=A509,
        stderr=BARE + LIVE,
    ),
    Case(
        "limit-509-chars-and-lf-is-too-long",
        "509 characters and a line end are reported once, not passed, not "
        "split; the next line is handled normally",
        ["/B", "/L"],
        stdin=A509 + b"\n" + A509 + b"\r\nnext\n",
        stdout=b"next\r\n",
        stderr=BARE + LIVE
        + b"Bad line encountered: " + A509 + b"\r\n"
        + b"Bad line encountered: " + A509 + b"\r\n",
    ),
    Case(
        "limit-long-line-reported-once",
        "a line of 1500 characters gives one report of its first 509; a CR "
        "within them is shown as it is",
        ["/B", "/L"],
        stdin=A508 + b"\r" + b"B" * 991 + b"\nnext\n",
        stdout=b"next\r\n",
        stderr=BARE + LIVE + b"Bad line encountered: " + A508 + b"\r\r\n",
    ),
    Case(
        "limit-long-last-line-without-line-end",
        "an over-long last line without line end is reported and dropped",
        ["/B", "/L"],
        stdin=b"first\n" + b"C" * 700,
        stdout=b"first\r\n",
        stderr=BARE + LIVE + b"Bad line encountered: " + b"C" * 509 + b"\r\n",
    ),
    Case(
        "limit-long-line-is-not-parsed-in-pieces",
        "no piece of an over-long line is parsed, shown or checked, even "
        "when its tail would be a passing line",
        ["/6", "/S1", "/D"],
        stdin=b"X" * 520 + b",{D},V6.DAT,a,b,c,512\n"
        + b"skip,{D},V6.DAT,a,b,c,512\n",
        stdout=b"skip,{D},V6.DAT,a,b,c,512\r\n",
        stderr=P6 + b"Skipping 1 Fields\r\n" + DEBUG
        + b"Bad line encountered: " + b"X" * 509 + b"\r\n"
        + b"Size = <512\r\n>, or 512\r\r\n"
        + b"Opened: {D}V6.DAT\r\n",
    ),
    Case(
        "limit-long-line-wins-over-nul",
        "a NUL in the dropped tail of an over-long line gives no second "
        "report",
        ["/B", "/L"],
        stdin=b"D" * 520 + b"\0tail\nnext\n",
        stdout=b"next\r\n",
        stderr=BARE + LIVE + b"Bad line encountered: " + b"D" * 509 + b"\r\n",
    ),

    # ----------------------------------------------------------- NUL bytes
    Case(
        "nul-line-reported-and-dropped",
        "a line with a NUL is reported with the text before it and a line "
        "feed, in every mode, live included",
        ["/B", "/L"],
        stdin=b"ab\0cd\n\0\nnext\nx\0y",
        stdout=b"next\r\n",
        stderr=BARE + LIVE
        + b"Bad line encountered: ab\r\n"
        + b"Bad line encountered: \r\n"
        + b"Bad line encountered: x\r\n",
    ),
    Case(
        "nul-line-reported-before-parse",
        "a NUL line gets no debug size line and no check",
        ["/6", "/D"],
        stdin=b"{D},V6.DAT\0,a,b,c,512\n{D},V6.DAT,a,b,c,512\n",
        stdout=b"{D},V6.DAT,a,b,c,512\r\n",
        stderr=P6 + DEBUG
        + b"Bad line encountered: {D},V6.DAT\r\n"
        + b"Size = <512\r\n>, or 512\r\r\n"
        + b"Opened: {D}V6.DAT\r\n",
    ),

    # --------------------------------------------------------- bare format
    Case(
        "bare-passes-by-signature",
        "each bare line is a whole file name",
        ["/B", "/5"],
        stdin=b"{D}V5.DAT\n{D}V6.DAT\n",
        stdout=b"{D}V5.DAT\r\n",
        stderr=BARE + P5,
    ),
    Case(
        "bare-relative-name",
        "a relative name is opened from the working directory",
        ["/B", "/6"],
        stdin=b"V6.DAT\n",
        stdout=b"V6.DAT\r\n",
        stderr=BARE + P6,
    ),
    Case(
        "bare-empty-line",
        "an empty bare line is an empty name, which cannot be opened",
        ["/B", "/5"],
        stdin=b"\n",
        stderr=BARE + P5 + b"Bad File Encountered: \r\n",
    ),
    Case(
        "bare-empty-line-pass-invalid",
        "with /P the empty name is passed instead",
        ["/B", "/P"],
        stdin=b"\n",
        stdout=b"\r\n",
        stderr=BARE + PINV,
    ),
    Case(
        "bare-trailing-space-kept",
        "a space before the line end is part of the name",
        ["/B", "/6"],
        stdin=b"{D}SPACE.DAT \n{D}SPACE.DAT\n",
        stdout=b"{D}SPACE.DAT \r\n",
        stderr=BARE + P6 + b"Bad File Encountered: {D}SPACE.DAT\r\n",
        posix_only=NO_TRAILING_SPACE,
    ),
    Case(
        "bare-name-bytes-untouched",
        "bytes of a name that are not UTF-8 reach the file system as read "
        "and are shown as read",
        ["/B", "/6"],
        stdin=b"{D}\xe9T\xe9.DAT\n{D}\xe9.DAT\n",
        stdout=b"{D}\xe9T\xe9.DAT\r\n",
        stderr=BARE + P6 + b"Bad File Encountered: {D}\xe9.DAT\r\n",
        posix_only=NO_RAW_NAMES,
    ),
    Case(
        "bare-ignores-skip-and-precheck",
        "/S and the /T pre-check have no effect on bare lines",
        ["/B", "/S3", "/T", "/6"],
        stdin=b"{D}V6.DAT\n",
        stdout=b"{D}V6.DAT\r\n",
        stderr=BARE + b"Skipping 3 Fields\r\n" + CHECK + P6,
    ),
    Case(
        "bare-long-name-opened-whole",
        "a bare name far beyond 255 characters is opened whole",
        ["/B", "/6"],
        stdin=b"{D}" + b".{S}" * 200 + b"V6.DAT\n",
        stdout=b"{D}" + b".{S}" * 200 + b"V6.DAT\r\n",
        stderr=BARE + P6,
        posix_only=NO_LONG_PATH,
    ),
    Case(
        "bare-long-name-shown-whole",
        "a long bare name that cannot be opened is reported whole",
        ["/B", "/5"],
        stdin=b"n" * 480 + b"\n",
        stderr=BARE + P5 + b"Bad File Encountered: " + b"n" * 480 + b"\r\n",
    ),

    # ---------------------------------------------------------- file check
    Case(
        "check-v5-passes-with-5",
        "00 00 and 512 bytes passes /5; /D says Opened",
        ["/B", "/D", "/5"],
        stdin=b"{D}V5.DAT\n",
        stdout=b"{D}V5.DAT\r\n",
        stderr=BARE + DEBUG + P5 + b"Opened: {D}V5.DAT\r\n",
    ),
    Case(
        "check-v5-dropped-with-6",
        "00 00 with only /6: dropped, bytes shown padded with spaces",
        ["/B", "/D", "/6"],
        stdin=b"{D}V5.DAT\n",
        stderr=BARE + DEBUG + P6
        + b"Opened: {D}V5.DAT\r\n"
        + b"Bytes were:  0,  0\r\n",
    ),
    Case(
        "check-v6-passes-with-6",
        "F C and 512 bytes passes /6",
        ["/B", "/D", "/6"],
        stdin=b"{D}V6.DAT\n",
        stdout=b"{D}V6.DAT\r\n",
        stderr=BARE + DEBUG + P6 + b"Opened: {D}V6.DAT\r\n",
    ),
    Case(
        "check-both-signatures-quietly",
        "with /5 and /6 either signature passes; drops are silent without /D",
        ["/B", "/5", "/6"],
        stdin=b"{D}V5.DAT\n{D}LOWER.DAT\n{D}V6.DAT\n{D}E9.DAT\n{D}ODD.DAT\n"
        b"{D}ONE.DAT\n{D}SEVEN.DAT\n",
        stdout=b"{D}V5.DAT\r\n{D}V6.DAT\r\n",
        stderr=BARE + P5 + P6,
    ),
    Case(
        "check-no-signature-option",
        "without /5 or /6 nothing passes the check",
        ["/B", "/D"],
        stdin=b"{D}V5.DAT\n{D}V6.DAT\n",
        stderr=BARE + DEBUG
        + b"Opened: {D}V5.DAT\r\n" + b"Bytes were:  0,  0\r\n"
        + b"Opened: {D}V6.DAT\r\n" + b"Bytes were: 46, 43\r\n",
    ),
    Case(
        "check-header-bytes-shown",
        "the header is shown in lower-case hex padded to two places; it is "
        "read raw, so CR LF and 0x1A come through as they are; "
        "lower-case fc is no signature",
        ["/B", "/D", "/5", "/6"],
        stdin=b"{D}LOWER.DAT\n{D}E9.DAT\n{D}SEVEN.DAT\n{D}CRLF.DAT\n"
        b"{D}CTRLZ.DAT\n",
        stderr=BARE + DEBUG + P5 + P6
        + b"Opened: {D}LOWER.DAT\r\n" + b"Bytes were: 66, 63\r\n"
        + b"Opened: {D}E9.DAT\r\n" + b"Bytes were: e9, 10\r\n"
        + b"Opened: {D}SEVEN.DAT\r\n" + b"Bytes were:  0,  7\r\n"
        + b"Opened: {D}CRLF.DAT\r\n" + b"Bytes were:  d,  a\r\n"
        + b"Opened: {D}CTRLZ.DAT\r\n" + b"Bytes were: 1a,  0\r\n",
    ),
    Case(
        "check-length-not-multiple-of-512",
        "700 and 1 bytes are dropped without a read; only /D says so",
        ["/B", "/D", "/5"],
        stdin=b"{D}ODD.DAT\n{D}ONE.DAT\n",
        stderr=BARE + DEBUG + P5
        + b"Opened: {D}ODD.DAT\r\n"
        + b"File Not Multiple of 512: {D}ODD.DAT\r\n"
        + b"Opened: {D}ONE.DAT\r\n"
        + b"File Not Multiple of 512: {D}ONE.DAT\r\n",
    ),
    Case(
        "check-empty-file-bad-read",
        "an empty file passes the length test and fails the read, reported "
        "without /D",
        ["/B", "/5"],
        stdin=b"{D}EMPTY.DAT\n",
        stderr=BARE + P5 + b"Bad File Read: {D}EMPTY.DAT\r\n",
    ),
    Case(
        "check-empty-file-bad-read-debug",
        "with /D the open comes before the bad read",
        ["/B", "/5", "/D"],
        stdin=b"{D}EMPTY.DAT\n",
        stderr=BARE + P5 + DEBUG
        + b"Opened: {D}EMPTY.DAT\r\n"
        + b"Bad File Read: {D}EMPTY.DAT\r\n",
    ),
    Case(
        "check-missing-file",
        "a name that does not exist is reported, with or without /D",
        ["/B", "/5"],
        stdin=b"{D}NOPE.DAT\n",
        stderr=BARE + P5 + b"Bad File Encountered: {D}NOPE.DAT\r\n",
    ),
    Case(
        "check-missing-file-pass-invalid",
        "with /P a file that cannot be opened is passed, silently",
        ["/B", "/P", "/D"],
        stdin=b"{D}NOPE.DAT\n",
        stdout=b"{D}NOPE.DAT\r\n",
        stderr=BARE + PINV + DEBUG,
    ),
    Case(
        "check-pass-invalid-only-for-open-failures",
        "/P does not pass a file that opened but failed length, read or "
        "signature",
        ["/B", "/P", "/5"],
        stdin=b"{D}ODD.DAT\n{D}EMPTY.DAT\n{D}V6.DAT\n",
        stderr=BARE + PINV + P5 + b"Bad File Read: {D}EMPTY.DAT\r\n",
    ),
    Case(
        "check-directory-is-open-failure",
        "a directory is not tested: reported like a missing file, no Opened",
        ["/B", "/D", "/5"],
        stdin=b"{D}SUB\n{D}SUB{S}INNER.DAT\n",
        stdout=b"{D}SUB{S}INNER.DAT\r\n",
        stderr=BARE + DEBUG + P5
        + b"Bad File Encountered: {D}SUB\r\n"
        + b"Opened: {D}SUB{S}INNER.DAT\r\n",
    ),
    Case(
        "check-directory-pass-invalid",
        "with /P a directory is passed like any open failure",
        ["/B", "/P"],
        stdin=b"{D}SUB\n",
        stdout=b"{D}SUB\r\n",
        stderr=BARE + PINV,
    ),
    Case(
        "check-fifo-does-not-block",
        "a named pipe is an open failure, the open does not wait for a "
        "writer, and the run goes on",
        ["/B", "/D", "/5"],
        stdin=b"{D}FIFO\n{D}V5.DAT\n",
        stdout=b"{D}V5.DAT\r\n",
        stderr=BARE + DEBUG + P5
        + b"Bad File Encountered: {D}FIFO\r\n"
        + b"Opened: {D}V5.DAT\r\n",
        posix_only=NO_FIFO,
    ),
    Case(
        "check-fifo-pass-invalid",
        "with /P a named pipe is passed",
        ["/B", "/P"],
        stdin=b"{D}FIFO\n",
        stdout=b"{D}FIFO\r\n",
        stderr=BARE + PINV,
        posix_only=NO_FIFO,
    ),
    Case(
        "check-devices-are-open-failures",
        "devices are not tested: /dev/zero would otherwise read as 00 00 "
        "with length 0",
        ["/B", "/D", "/5"],
        stdin=b"/dev/zero\n/dev/null\n",
        stderr=BARE + DEBUG + P5
        + b"Bad File Encountered: /dev/zero\r\n"
        + b"Bad File Encountered: /dev/null\r\n",
        posix_only=NO_DEVICES,
    ),
    Case(
        "check-socket-is-open-failure",
        "a socket is an open failure",
        ["/B", "/5"],
        stdin=b"{D}SOCKET\n",
        stderr=BARE + P5 + b"Bad File Encountered: {D}SOCKET\r\n",
        posix_only=NO_SOCKET,
    ),
    Case(
        "check-symlinks",
        "a link to a regular file is that file; a dangling link cannot be "
        "opened",
        ["/B", "/D", "/6"],
        stdin=b"{D}LINK6.DAT\n{D}DANGLING\n",
        stdout=b"{D}LINK6.DAT\r\n",
        stderr=BARE + DEBUG + P6
        + b"Opened: {D}LINK6.DAT\r\n"
        + b"Bad File Encountered: {D}DANGLING\r\n",
        posix_only=NO_SYMLINK,
    ),
    Case(
        "check-3-gib-file-passes",
        "a 3 GiB length reads as a negative multiple of 512 and passes",
        ["/B", "/D", "/6"],
        stdin=b"{D}BIG3G.DAT\n",
        stdout=b"{D}BIG3G.DAT\r\n",
        stderr=BARE + DEBUG + P6 + b"Opened: {D}BIG3G.DAT\r\n",
    ),
    Case(
        "check-4-gib-files-dropped",
        "from 4 GiB the length query fails, even where the low 32 bits "
        "would be a multiple of 512",
        ["/B", "/D", "/6"],
        stdin=b"{D}BIG4G.DAT\n{D}BIG4G512.DAT\n",
        stderr=BARE + DEBUG + P6
        + b"Opened: {D}BIG4G.DAT\r\n"
        + b"File Not Multiple of 512: {D}BIG4G.DAT\r\n"
        + b"Opened: {D}BIG4G512.DAT\r\n"
        + b"File Not Multiple of 512: {D}BIG4G512.DAT\r\n",
    ),
    Case(
        "check-directory-listed-as-a-file",
        "a directory is an open failure however it is named: with its "
        "separator, or as a comma listing's entry with size 0",
        ["/6"],
        stdin=b"{D}SUB{S},,a,b,c,0\n{D},SUB,a,b,c,0\n",
        stderr=P6
        + b"Bad File Encountered: {D}SUB{S}\r\n"
        + b"Bad File Encountered: {D}SUB\r\n",
    ),
    Case(
        "check-names-keep-their-case-on-posix",
        "a name whose case differs from the file's names no file",
        ["/B", "/6"],
        stdin=b"{D}v6.dat\n",
        stderr=BARE + P6 + b"Bad File Encountered: {D}v6.dat\r\n",
        posix_only="Windows names ignore case",
    ),

    # ------------------------------------------- names on a Windows build
    Case(
        "windows-names-ignore-case",
        "a name whose case differs from the file's opens the file; the line "
        "and the messages keep the case as read",
        ["/B", "/D", "/5", "/6"],
        stdin=b"{D}v6.dat\n{D}sub{S}Inner.Dat\n",
        stdout=b"{D}v6.dat\r\n{D}sub{S}Inner.Dat\r\n",
        stderr=BARE + DEBUG + P5 + P6
        + b"Opened: {D}v6.dat\r\n"
        + b"Opened: {D}sub{S}Inner.Dat\r\n",
        windows_only=WINDOWS_NAMES,
    ),
    Case(
        "windows-path-spellings",
        "a drive letter with backslashes, a drive-relative name, .. and . "
        "components, forward slashes and a relative path all reach the file",
        ["/B", "/D", "/5", "/6"],
        stdin=b"{D}SUB\\..\\V6.DAT\n"
        b"Z:V6.DAT\n"
        b"{D}.\\SUB\\INNER.DAT\n"
        b"{D}SUB/INNER.DAT\n"
        b"SUB\\INNER.DAT\n",
        stdout=b"{D}SUB\\..\\V6.DAT\r\n"
        b"Z:V6.DAT\r\n"
        b"{D}.\\SUB\\INNER.DAT\r\n"
        b"{D}SUB/INNER.DAT\r\n"
        b"SUB\\INNER.DAT\r\n",
        stderr=BARE + DEBUG + P5 + P6
        + b"Opened: {D}SUB\\..\\V6.DAT\r\n"
        + b"Opened: Z:V6.DAT\r\n"
        + b"Opened: {D}.\\SUB\\INNER.DAT\r\n"
        + b"Opened: {D}SUB/INNER.DAT\r\n"
        + b"Opened: SUB\\INNER.DAT\r\n",
        windows_only=WINDOWS_NAMES,
    ),
    Case(
        "windows-comma-listing-with-drive-letters",
        "a listing as a Windows lister writes it: the path field ends with "
        "its backslash, and a drive-relative path joins to its name too",
        ["/5", "/6", "/T"],
        stdin=b"{D},V6.DAT,2026-11-02,14:03,A,512\r\n"
        b"Z:,V6.DAT,2026-11-02,14:03,A,512\r\n"
        b"{D}SUB\\,INNER.DAT,2026-11-02,14:03,A,512\r\n",
        stdout=b"{D},V6.DAT,2026-11-02,14:03,A,512\r\n"
        b"Z:,V6.DAT,2026-11-02,14:03,A,512\r\n"
        b"{D}SUB\\,INNER.DAT,2026-11-02,14:03,A,512\r\n",
        stderr=P5 + P6 + CHECK,
        windows_only=WINDOWS_NAMES,
    ),
    Case(
        "windows-device-names-are-open-failures",
        "device names, bare, in a directory, with an extension or in the "
        "\\\\.\\ namespace, are open failures: no device is opened",
        ["/B", "/D", "/5"],
        stdin=b"NUL\ncon\nAUX\nCOM1\nLPT1\nPRN\n{D}NUL\n{D}SUB\\nul.dat\n"
        b"\\\\.\\NUL\n",
        stderr=BARE + DEBUG + P5
        + b"Bad File Encountered: NUL\r\n"
        + b"Bad File Encountered: con\r\n"
        + b"Bad File Encountered: AUX\r\n"
        + b"Bad File Encountered: COM1\r\n"
        + b"Bad File Encountered: LPT1\r\n"
        + b"Bad File Encountered: PRN\r\n"
        + b"Bad File Encountered: {D}NUL\r\n"
        + b"Bad File Encountered: {D}SUB\\nul.dat\r\n"
        + b"Bad File Encountered: \\\\.\\NUL\r\n",
        windows_only=WINDOWS_DEVICES,
    ),
    Case(
        "windows-device-name-pass-invalid",
        "with /P a device name is passed like any open failure",
        ["/B", "/P", "/5"],
        stdin=b"NUL\n{D}COM1\n",
        stdout=b"NUL\r\n{D}COM1\r\n",
        stderr=BARE + PINV + P5,
        windows_only=WINDOWS_DEVICES,
    ),
    Case(
        "windows-narrow-names-in-ansi-code-page",
        "a name's bytes are taken in the ANSI code page (1252 here: Wine's "
        "in the C locale): C9 is the E acute of CAF\xc9.DAT, and its UTF-8 "
        "spelling names no file",
        ["/B", "/6"],
        stdin=b"{D}CAF\xc9.DAT\n{D}CAF\xc3\x89.DAT\n",
        stdout=b"{D}CAF\xc9.DAT\r\n",
        stderr=BARE + P6 + b"Bad File Encountered: {D}CAF\xc3\x89.DAT\r\n",
        windows_only=WINDOWS_ANSI,
    ),
    Case(
        "windows-file-held-for-writing-is-checked",
        "a file that another program holds open for writing, sharing it, is "
        "still checked",
        ["/B", "/6"],
        stdin=b"{D}V6.DAT\n",
        stdout=b"{D}V6.DAT\r\n",
        stderr=BARE + P6,
        windows_only=WINDOWS_SHARING,
        held=("V6.DAT", "writing"),
    ),
    Case(
        "windows-file-held-exclusively-is-open-failure",
        "a file that another program holds exclusively behaves like a "
        "missing one",
        ["/B", "/6", "/D"],
        stdin=b"{D}V6.DAT\n",
        stderr=BARE + P6 + DEBUG + b"Bad File Encountered: {D}V6.DAT\r\n",
        windows_only=WINDOWS_SHARING,
        held=("V6.DAT", "exclusive"),
    ),
    Case(
        "windows-file-held-exclusively-pass-invalid",
        "with /P the held file is passed like any open failure",
        ["/B", "/6", "/P"],
        stdin=b"{D}V6.DAT\n",
        stdout=b"{D}V6.DAT\r\n",
        stderr=BARE + P6 + PINV,
        windows_only=WINDOWS_SHARING,
        held=("V6.DAT", "exclusive"),
    ),
    Case(
        "windows-file-open-for-deletion-is-open-failure",
        "the check does not share delete access: a file another program "
        "holds with delete access cannot be opened for it",
        ["/B", "/6"],
        stdin=b"{D}V6.DAT\n",
        stderr=BARE + P6 + b"Bad File Encountered: {D}V6.DAT\r\n",
        windows_only=WINDOWS_SHARING,
        held=("V6.DAT", "deleting"),
    ),
    Case(
        "check-file-removed-after-listing",
        "a file listed while it existed and removed before its line is read "
        "is an open failure like any missing file, and the run goes on",
        ["/B", "/D", "/6"],
        stdin_kind="chunks",
        chunks=(b"{D}GONE.DAT\n{D}V6.DAT\n", b"{D}GONE.DAT\n{D}V6.DAT\n"),
        vanishes="GONE.DAT",
        stdout=b"{D}GONE.DAT\r\n{D}V6.DAT\r\n{D}V6.DAT\r\n",
        stderr=BARE + DEBUG + P6
        + b"Opened: {D}GONE.DAT\r\n"
        + b"Opened: {D}V6.DAT\r\n"
        + b"Bad File Encountered: {D}GONE.DAT\r\n"
        + b"Opened: {D}V6.DAT\r\n",
    ),

    # -------------------------------------------------------- comma format
    Case(
        "comma-debug-trace",
        "a listing line: size line, join of path and name, Opened, pass",
        ["/6", "/D"],
        stdin=b"{D},V6.DAT,a,b,c,512\n{D},V5.DAT,a,b,c,512\n",
        stdout=b"{D},V6.DAT,a,b,c,512\r\n",
        stderr=P6 + DEBUG
        + b"Size = <512\r\n>, or 512\r\r\n"
        + b"Opened: {D}V6.DAT\r\n"
        + b"Size = <512\r\n>, or 512\r\r\n"
        + b"Opened: {D}V5.DAT\r\n"
        + b"Bytes were:  0,  0\r\n",
    ),
    Case(
        "comma-subdirectory-path",
        "the path field ends with its own separator; the name is appended",
        ["/5"],
        stdin=b"{D}SUB{S},INNER.DAT,a,b,c,512\n",
        stdout=b"{D}SUB{S},INNER.DAT,a,b,c,512\r\n",
        stderr=P5,
    ),
    Case(
        "comma-skip-fields",
        "/S2 skips two leading fields",
        ["/S2", "/6"],
        stdin=b"x,y,{D},V6.DAT,a,b,c,512\n",
        stdout=b"x,y,{D},V6.DAT,a,b,c,512\r\n",
        stderr=b"Skipping 2 Fields\r\n" + P6,
    ),
    Case(
        "comma-negative-skip",
        "a negative skip count skips nothing",
        ["/S-2", "/6"],
        stdin=b"{D},V6.DAT,a,b,c,512\n",
        stdout=b"{D},V6.DAT,a,b,c,512\r\n",
        stderr=b"Skipping -2 Fields\r\n" + P6,
    ),
    Case(
        "comma-skip-beyond-last-comma",
        "a skip count past the last comma leaves no field to take",
        ["/S99999999999", "/6"],
        stdin=b"a,b,{D},V6.DAT\n",
        stderr=b"Skipping 2147483647 Fields\r\n" + P6
        + b"Bad line encountered: a,b,{D},V6.DAT\r\n",
    ),
    Case(
        "comma-spaces-after-commas-skipped",
        "spaces in front of a field are skipped, the size text included",
        ["/6", "/T", "/D"],
        stdin=b"  {D},  V6.DAT, a,b,c,  512\n",
        stdout=b"  {D},  V6.DAT, a,b,c,  512\r\n",
        stderr=P6 + CHECK + DEBUG
        + b"Size = <512\r\n>, or 512\r\r\n"
        + b"Opened: {D}V6.DAT\r\n",
    ),
    Case(
        "comma-tab-not-skipped",
        "only spaces are skipped: a tab stays in the file name",
        ["/6"],
        stdin=b"{D},\tV6.DAT,a,b,c,512\n",
        stderr=P6 + b"Bad File Encountered: {D}\tV6.DAT\r\n",
    ),
    Case(
        "comma-trailing-space-kept",
        "a space at the end of a field stays in it",
        ["/6"],
        stdin=b"{D},SPACE.DAT ,a,b,c,512\n{D},SPACE.DAT,a,b,c,512\n",
        stdout=b"{D},SPACE.DAT ,a,b,c,512\r\n",
        stderr=P6 + b"Bad File Encountered: {D}SPACE.DAT\r\n",
        posix_only=NO_TRAILING_SPACE,
    ),
    Case(
        "comma-fewer-fields",
        "with only path, name and size the size text is still the rest",
        ["/6", "/D"],
        stdin=b"{D},V6.DAT,512\n",
        stdout=b"{D},V6.DAT,512\r\n",
        stderr=P6 + DEBUG
        + b"Size = <512\r\n>, or 512\r\r\n"
        + b"Opened: {D}V6.DAT\r\n",
    ),
    Case(
        "comma-more-fields",
        "further commas stay in the size text, whose value stops at them",
        ["/6", "/T", "/D"],
        stdin=b"{D},V6.DAT,a,b,c,512,x\n",
        stdout=b"{D},V6.DAT,a,b,c,512,x\r\n",
        stderr=P6 + CHECK + DEBUG
        + b"Size = <512,x\r\n>, or 512\r\r\n"
        + b"Opened: {D}V6.DAT\r\n",
    ),
    Case(
        "comma-empty-file-name-field",
        "an empty name field is taken: the joined name is the path alone",
        ["/6", "/D"],
        stdin=b"{D}V6.DAT,,a,b,c,512\n",
        stdout=b"{D}V6.DAT,,a,b,c,512\r\n",
        stderr=P6 + DEBUG
        + b"Size = <512\r\n>, or 512\r\r\n"
        + b"Opened: {D}V6.DAT\r\n",
    ),
    Case(
        "comma-path-with-comma-is-split",
        "there is no quoting: a comma in the path ends the path field",
        ["/6"],
        stdin=b"{D}A,B{S},V6.DAT,a,b,c,512\n",
        stderr=P6 + b"Bad File Encountered: {D}AB{S}\r\n",
    ),
    Case(
        "comma-path-without-name-is-bad-line",
        "a path with no comma after the name field is a bad line; the "
        "message ends with the line's own line end, or none",
        ["/6"],
        stdin=b"{D},V6.DAT\r\n{D},V6.DAT",
        stderr=P6
        + b"Bad line encountered: {D},V6.DAT\r\n"
        + b"Bad line encountered: {D},V6.DAT",
    ),
    Case(
        "comma-no-field-is-bad-line",
        "a line with no comma, an empty line included, is a bad line too",
        ["/6"],
        stdin=b"\nplain text\n{D}V6.DAT",
        stderr=P6
        + b"Bad line encountered: \r\n"
        + b"Bad line encountered: plain text\r\n"
        + b"Bad line encountered: {D}V6.DAT",
    ),
    Case(
        "comma-no-field-debug",
        "the size line is written for a line before it is rejected",
        ["/D"],
        stdin=b"\nhello\n",
        stderr=DEBUG
        + b"Size = <\r\n>, or 0\r\r\n"
        + b"Bad line encountered: \r\n"
        + b"Size = <hello\r\n>, or 0\r\r\n"
        + b"Bad line encountered: hello\r\n",
    ),
    Case(
        "comma-debug-size-line-cr-and-no-line-end",
        "the size text is shown as read: a lone CR stays, a last line has "
        "no line end before the >",
        ["/6", "/D"],
        stdin=b"{D},V6.DAT,a,b,c,512\r\r\n{D},V6.DAT,a,b,c,+1024",
        stdout=b"{D},V6.DAT,a,b,c,512\r\r\n{D},V6.DAT,a,b,c,+1024",
        stderr=P6 + DEBUG
        + b"Size = <512\r\r\n>, or 512\r\r\n"
        + b"Opened: {D}V6.DAT\r\n"
        + b"Size = <+1024>, or 1024\r\r\n"
        + b"Opened: {D}V6.DAT\r\n",
    ),
    Case(
        "comma-long-fields-opened-whole",
        "a path field over 255 and a name field over 127 characters are "
        "taken and joined whole",
        ["/6"],
        stdin=b"{D}" + b".{S}" * 150 + b",V6.DAT,a,b,c,512\n"
        + b"{D}," + b".{S}" * 70 + b"V6.DAT,a,b,c,512\n",
        stdout=b"{D}" + b".{S}" * 150 + b",V6.DAT,a,b,c,512\r\n"
        + b"{D}," + b".{S}" * 70 + b"V6.DAT,a,b,c,512\r\n",
        stderr=P6,
        posix_only=NO_LONG_PATH,
    ),
    Case(
        "comma-long-fields-shown-whole",
        "a long joined name that cannot be opened is reported untruncated",
        ["/6"],
        stdin=b"{D}" + b"p" * 260 + b"," + b"f" * 150 + b",a,b,c,512\n",
        stderr=P6
        + b"Bad File Encountered: {D}" + b"p" * 260 + b"f" * 150 + b"\r\n",
    ),

    # ------------------------------------------------- time-saving modes
    Case(
        "check-mode-drops-bad-listed-sizes",
        "/T drops sizes 700, 0, empty, no digits and 2 GiB or more without "
        "opening; /D shows the path field alone",
        ["/6", "/T", "/D"],
        stdin=b"{D},V6.DAT,a,b,c,700\n"
        b"{D},V6.DAT,a,b,c,0\n"
        b"{D},V6.DAT,a,b,c,\n"
        b"{D},V6.DAT,a,b,c,abc\n"
        b"{D},V6.DAT,a,b,c,2147483648\n",
        stderr=P6 + CHECK + DEBUG
        + b"Size = <700\r\n>, or 700\r\r\n"
        + b"Pre-File Not Multiple of 512: {D}\r\n"
        + b"Size = <0\r\n>, or 0\r\r\n"
        + b"Pre-File Not Multiple of 512: {D}\r\n"
        + b"Size = <\r\n>, or 0\r\r\n"
        + b"Pre-File Not Multiple of 512: {D}\r\n"
        + b"Size = <abc\r\n>, or 0\r\r\n"
        + b"Pre-File Not Multiple of 512: {D}\r\n"
        + b"Size = <2147483648\r\n>, or 2147483647\r\r\n"
        + b"Pre-File Not Multiple of 512: {D}\r\n",
    ),
    Case(
        "check-mode-drop-is-quiet",
        "without /D a pre-check drop says nothing",
        ["/6", "/T"],
        stdin=b"{D},V6.DAT,a,b,c,700\n",
        stderr=P6 + CHECK,
    ),
    Case(
        "check-mode-survivors-go-to-file-check",
        "lines passing the pre-check (512, -512, the largest 32-bit "
        "multiple, below the 32-bit range) and lines it does not apply to "
        "are checked as without /T",
        ["/6", "/T", "/D"],
        stdin=b"{D},V6.DAT,a,b,c,512\n"
        b"{D},V6.DAT,a,b,c,2147483136\n"
        b"{D},V6.DAT,a,b,c,-512\n"
        b"{D},V6.DAT,a,b,c,-99999999999\n"
        b"{D},ODD.DAT,a,b,c,1024\n"
        b"{D},NOPE.DAT,a,b,c,1024\n"
        b"{D},V6.DAT\n"
        b"\n",
        stdout=b"{D},V6.DAT,a,b,c,512\r\n"
        b"{D},V6.DAT,a,b,c,2147483136\r\n"
        b"{D},V6.DAT,a,b,c,-512\r\n"
        b"{D},V6.DAT,a,b,c,-99999999999\r\n",
        stderr=P6 + CHECK + DEBUG
        + b"Size = <512\r\n>, or 512\r\r\n"
        + b"Opened: {D}V6.DAT\r\n"
        + b"Size = <2147483136\r\n>, or 2147483136\r\r\n"
        + b"Opened: {D}V6.DAT\r\n"
        + b"Size = <-512\r\n>, or -512\r\r\n"
        + b"Opened: {D}V6.DAT\r\n"
        + b"Size = <-99999999999\r\n>, or -2147483648\r\r\n"
        + b"Opened: {D}V6.DAT\r\n"
        + b"Size = <1024\r\n>, or 1024\r\r\n"
        + b"Opened: {D}ODD.DAT\r\n"
        + b"File Not Multiple of 512: {D}ODD.DAT\r\n"
        + b"Size = <1024\r\n>, or 1024\r\r\n"
        + b"Bad File Encountered: {D}NOPE.DAT\r\n"
        + b"Size = <V6.DAT\r\n>, or 0\r\r\n"
        + b"Bad line encountered: {D},V6.DAT\r\n"
        + b"Size = <\r\n>, or 0\r\r\n"
        + b"Bad line encountered: \r\n",
    ),
    Case(
        "live-mode-passes-without-opening",
        "/L passes by listed size alone, also lines lacking fields, and "
        "opens nothing",
        ["/L", "/D"],
        stdin=b"{D},NOPE.DAT,a,b,c,512\n"
        b"{D},V6.DAT,a,b,c,700\n"
        b"{D},V6.DAT\n"
        b"\n"
        b"plain text",
        stdout=b"{D},NOPE.DAT,a,b,c,512\r\n"
        b"{D},V6.DAT\r\n"
        b"\r\n"
        b"plain text",
        stderr=LIVE + DEBUG
        + b"Size = <512\r\n>, or 512\r\r\n"
        + b"Size = <700\r\n>, or 700\r\r\n"
        + b"Pre-File Not Multiple of 512: {D}\r\n"
        + b"Size = <V6.DAT\r\n>, or 0\r\r\n"
        + b"Size = <\r\n>, or 0\r\r\n"
        + b"Size = <plain text>, or 0\r\r\n",
    ),
    Case(
        "live-mode-bare-passes-everything",
        "/L with /B copies every line without opening anything",
        ["/B", "/L", "/6"],
        stdin=b"{D}NOPE.DAT\n\n{D}ODD.DAT\nplain, with, commas,\n",
        stdout=b"{D}NOPE.DAT\r\n\r\n{D}ODD.DAT\r\nplain, with, commas,\r\n",
        stderr=BARE + LIVE + P6,
    ),
    Case(
        "time-saving-later-option-wins-check",
        "/L then /T: check mode, so the file is opened",
        ["/L", "/T", "/6"],
        stdin=b"{D},NOPE.DAT,a,b,c,512\n",
        stderr=LIVE + CHECK + P6 + b"Bad File Encountered: {D}NOPE.DAT\r\n",
    ),
    Case(
        "time-saving-later-option-wins-live",
        "/T then /L: live mode, so nothing is opened",
        ["/T", "/L", "/6"],
        stdin=b"{D},NOPE.DAT,a,b,c,512\n",
        stdout=b"{D},NOPE.DAT,a,b,c,512\r\n",
        stderr=CHECK + LIVE + P6,
    ),

    # ------------------------------------------------- stream errors
    Case(
        "stdin-directory-read-error",
        "a read error on stdin is reported with strerror's text, status 2",
        ["/B", "/5"],
        stdin_kind="directory",
        stderr=BARE + P5 + b"Error Reading Standard Input: Is a directory\r\n",
        status=2,
        posix_only=NO_DIR_STDIN,
    ),
    Case(
        "stdin-terminal-hangup-read-error",
        "lines read before a read error are handled; the error ends the run "
        "with status 2",
        ["/B", "/L"],
        stdin=b"one\n",
        stdin_kind="terminal_hangup",
        stdout=b"one\r\n",
        stderr=BARE + LIVE
        + b"Error Reading Standard Input: Input/output error\r\n",
        status=2,
        posix_only=NO_PTY,
    ),
    Case(
        "stdout-full-one-line",
        "a failing write of stdout is caught even when only the final flush "
        "would show it",
        ["/B", "/L"],
        stdin=b"a\n",
        stdout_kind="dev_full",
        stderr=BARE + LIVE
        + b"Error Writing Standard Output: No space left on device\r\n",
        status=2,
    ),
    Case(
        "stdout-full-stops-the-run",
        "after a write error the run stops: one report, however much input",
        ["/B", "/L"],
        stdin=b"line\n" * 40000,
        stdout_kind="dev_full",
        stderr=BARE + LIVE
        + b"Error Writing Standard Output: No space left on device\r\n",
        status=2,
    ),
    Case(
        "stdout-full-nothing-written",
        "with nothing passed there is no write, hence no error",
        ["/B", "/5"],
        stdin=b"{D}NOPE.DAT\n",
        stdout_kind="dev_full",
        stderr=BARE + P5 + b"Bad File Encountered: {D}NOPE.DAT\r\n",
    ),
    Case(
        "stdout-closed-pipe-ends-run",
        "a reader that has gone ends the run promptly, although the input "
        "stays open: by SIGPIPE, or by the write error and status 2",
        ["/B", "/L"],
        stdin=b"x\n" * 500000,
        stdin_kind="held_open",
        stdout_kind="closed_pipe",
        stderr=BARE + LIVE + b"Error Writing Standard Output: Broken pipe\r\n",
        status=2,
        also_ok=((-13, b"", BARE + LIVE),),
    ),

    # ------------------------------------------ volume: no growth with input
    Case(
        "memory-million-line-listing",
        "a million lines pass whole and in order, at no higher peak memory "
        "than ten lines",
        ["/L"],
        stdin=LISTED * 1000000,
        stdout=LISTED_OUT * 1000000,
        stderr=LIVE,
        peak_memory_like=LISTED * 10,
        posix_only=NO_GNU_TIME_ON_WINE,
    ),
    # "A thousand in a row" made a hundred times larger (twenty for the
    # long lines, to keep the expected output small), so that a leak of a
    # few bytes per line would show above the margin.
    Case(
        "memory-100000-empty-lines",
        "a hundred thousand empty lines in a row: each reported, none passed "
        "even with /P, no growth",
        ["/5", "/P"],
        stdin=b"\n" * 100000,
        stderr=P5 + PINV + b"Bad line encountered: \r\n" * 100000,
        peak_memory_like=b"\n" * 10,
        posix_only=NO_GNU_TIME_ON_WINE,
    ),
    Case(
        "memory-20000-overlong-lines",
        "twenty thousand over-long lines in a row: each reported once, none "
        "passed even in live mode, no growth",
        ["/B", "/L"],
        stdin=(b"O" * 600 + b"\n") * 20000,
        stderr=BARE + LIVE + (b"Bad line encountered: " + b"O" * 509
                              + b"\r\n") * 20000,
        peak_memory_like=(b"O" * 600 + b"\n") * 10,
        posix_only=NO_GNU_TIME_ON_WINE,
    ),
    Case(
        "memory-100000-nul-lines",
        "a hundred thousand lines holding NUL in a row: each reported, none "
        "passed even in live mode, no growth",
        ["/B", "/L"],
        stdin=b"n\0ul\n" * 100000,
        stderr=BARE + LIVE + b"Bad line encountered: n\r\n" * 100000,
        peak_memory_like=b"n\0ul\n" * 10,
        posix_only=NO_GNU_TIME_ON_WINE,
    ),
]
