#!/usr/bin/env python3
"""Installs and packages a build of pagevet for real and checks the results.

    check_package.py install --build-dir B --source-dir S --layout unix|windows
                             --cmake PATH [--config C] [--launcher WORD]...
    check_package.py deb     --build-dir B --source-dir S --cpack PATH [--config C]
    check_package.py zip     --build-dir B --source-dir S --cpack PATH [--config C]
                             [--launcher WORD]...

install: `cmake --install` into a temporary prefix puts exactly the expected files in
         place (Unix: bin/, share/man/man1/, share/doc/pagevet/; Windows: side by side),
         and the installed program runs.
deb:     `cpack -G DEB` makes a package whose control data has a proper description,
         the project's version, a maintainer, and dependencies on nothing beyond the C
         and C++ runtimes; unpacked with `dpkg-deb -x` into a temporary root, its program
         filters the example listing as it should; apt accepts it for this system.
zip:     `cpack -G ZIP` (a Windows build) makes an archive holding pagevet.exe and the
         documents, whose program filters the example listing as it should.

Exits 0 when the check passes, 1 when it fails, 77 (skipped) when a tool it needs
(dpkg-deb) is missing.
"""

import argparse
import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

SKIPPED = 77

# What `pagevet /5 /6` makes of examples/listing.txt, run in examples/: ORDERS.DAT
# (FC) and CUSTOMER.DAT (00 00) pass; the rest is dropped, the errors among it said.
EXAMPLE_ARGS = ["/5", "/6"]
EXAMPLE_OUT = (b"files/,ORDERS.DAT,2026-11-02,14:03,A,1024\r\n"
               b"files/,CUSTOMER.DAT,2026-10-28,09:15,A,512\r\n")
EXAMPLE_ERR = (b"Passing Btrieve 5.x Files\r\n"
               b"Passing Btrieve 6.x/7.x Files\r\n"
               b"Bad File Read: files/EMPTY.DAT\r\n"
               b"Bad File Encountered: files/MISSING.DAT\r\n"
               b"Bad line encountered: files/ORPHAN.DAT\r\n")

# Packages the program may depend on: the C library and the C++ library, with the
# GCC runtime (libgcc_s) that every C++ program built by g++ links and that libstdc++
# itself depends on.
RUNTIME_PACKAGES = {"libc6", "libstdc++6", "libgcc-s1"}


class Failure(Exception):
    pass


class Skip(Exception):
    pass


def expect(condition, what, got=None):
    if not condition:
        raise Failure(what + ("" if got is None else "\n    got: %r" % (got,)))


def run(command, **kwargs):
    done = subprocess.run(command, capture_output=True, **kwargs)
    expect(done.returncode == 0, "%s failed (status %d)" % (" ".join(map(str, command)),
                                                            done.returncode),
           done.stdout + done.stderr)
    return done.stdout


def launcher_env():
    """The environment for a program run through a launcher: Wine, unless told
    otherwise, keeps its own diagnostics off the program's standard error."""
    return dict(os.environ, WINEDEBUG=os.environ.get("WINEDEBUG", "-all"))


def files_under(root):
    return sorted(str(p.relative_to(root)) for p in root.rglob("*") if not p.is_dir())


def check_example_run(program, launcher, source_dir):
    """The program filters the bundled example listing, run in examples/ as its
    relative names ask."""
    examples = source_dir / "examples"
    with open(examples / "listing.txt", "rb") as listing:
        done = subprocess.run(launcher + [str(program)] + EXAMPLE_ARGS, stdin=listing,
                              cwd=examples, capture_output=True, timeout=60,
                              env=launcher_env())
    expect(done.stdout == EXAMPLE_OUT, "the example listing is not filtered right",
           done.stdout)
    expect(done.stderr == EXAMPLE_ERR, "the example run says something else", done.stderr)
    expect(done.returncode == 0, "the example run ends with status %d" % done.returncode)


def check_man_page_copy(installed, source_dir):
    page = (source_dir / "docs" / "pagevet.1").read_bytes()
    data = installed.read_bytes()
    if installed.suffix == ".gz":
        data = gzip.decompress(data)
    expect(data == page, "%s is not docs/pagevet.1" % installed.name)


# ------------------------------------------------------------------ install

def check_install(args, temp):
    prefix = temp / "prefix"
    run([args.cmake, "--install", args.build_dir, "--prefix", prefix]
        + (["--config", args.config] if args.config else []))
    installed = files_under(prefix)
    if args.layout == "unix":
        man_pages = [f for f in installed if f.startswith("share/man/man1/pagevet.1")]
        expected = sorted(["bin/pagevet", "share/doc/pagevet/README.md"] + man_pages)
        expect(len(man_pages) == 1, "no single manual page in share/man/man1", installed)
        program = prefix / "bin" / "pagevet"
        expect(os.access(program, os.X_OK), "bin/pagevet is not executable")
        readme, man_page = "share/doc/pagevet/README.md", man_pages[0]
    else:
        expected = sorted(["pagevet.exe", "README.md", "pagevet.1"]
                          + (["pagevet.txt"] if "pagevet.txt" in installed else []))
        program = prefix / "pagevet.exe"
        readme, man_page = "README.md", "pagevet.1"
    expect(installed == expected, "cmake --install put %s in place, not %s"
           % (installed, expected))
    expect((prefix / readme).read_bytes() == (args.source_dir / "README.md").read_bytes(),
           "the installed README is not README.md")
    check_man_page_copy(prefix / man_page, args.source_dir)
    check_example_run(program, args.launcher, args.source_dir)
    print("PASS: cmake --install puts %s in place" % ", ".join(installed))


# ------------------------------------------------------------------ packages

def make_package(args, temp, generator):
    out = temp / "packages"
    run([args.cpack, "-G", generator, "-B", out,
         "--config", args.build_dir / "CPackConfig.cmake"]
        + (["-C", args.config] if args.config else []))
    made = sorted(out.glob("*." + generator.lower()))
    expect(len(made) == 1, "cpack made %d %s packages" % (len(made), generator), made)
    return made[0]


def control_fields(deb):
    text = run(["dpkg-deb", "-f", deb]).decode("utf-8")
    fields, name = {}, None
    for line in text.splitlines():
        if line.startswith(" ") and name:
            fields[name] += "\n" + line
        else:
            name, _, value = line.partition(":")
            fields[name] = value.strip()
    return fields


def check_deb(args, temp):
    if not shutil.which("dpkg-deb"):
        raise Skip("dpkg-deb is not installed")
    deb = make_package(args, temp, "DEB")
    info = run(["dpkg-deb", "-I", deb]).decode("utf-8")
    print(info)
    fields = control_fields(deb)

    expect(fields.get("Package") == "pagevet", "Package", fields.get("Package"))
    expect(fields.get("Version") == args.version, "Version is not %s" % args.version,
           fields.get("Version"))
    expect(re.fullmatch(r".+ <[^@ ]+@[^@ ]+>", fields.get("Maintainer", "")),
           "Maintainer is no name and address", fields.get("Maintainer"))
    arch = run(["dpkg", "--print-architecture"]).decode().strip()
    expect(fields.get("Architecture") == arch, "Architecture is not %s" % arch)
    expect(fields.get("Section") == "utils", "Section is not utils", fields.get("Section"))
    summary, _, extended = fields.get("Description", "").partition("\n")
    expect("Btrieve" in summary and len(summary) < 80 and not summary.startswith("pagevet"),
           "the Description's summary line is no proper summary", summary)
    expect(len(extended.splitlines()) >= 4 and "standard input" in extended,
           "the Description has no extended description", extended)
    expect(all(len(line) <= 80 for line in extended.splitlines()),
           "the extended description has lines longer than 80 characters", extended)

    depends = [re.match(r"[a-z0-9.+-]+", d.strip()).group(0)
               for d in fields.get("Depends", "").split(",") if d.strip()]
    expect({"libc6", "libstdc++6"} <= set(depends) <= RUNTIME_PACKAGES,
           "Depends must name the C and C++ runtimes and nothing else",
           fields.get("Depends"))

    root = temp / "root"
    run(["dpkg-deb", "-x", deb, root])
    contents = files_under(root)
    expect(contents == ["usr/bin/pagevet", "usr/share/doc/pagevet/README.md",
                        "usr/share/man/man1/pagevet.1.gz"],
           "the package holds something else", contents)
    check_man_page_copy(root / "usr/share/man/man1/pagevet.1.gz", args.source_dir)
    check_example_run(root / "usr/bin/pagevet", [], args.source_dir)

    if shutil.which("apt-get"):
        # apt resolves the dependencies against this system's packages, installing nothing.
        run(["apt-get", "install", "--simulate", "--no-install-recommends", deb.resolve()])
        print("apt-get accepts %s for this system" % deb.name)
    print("PASS: %s: description, version %s, dependencies %s; the unpacked program works"
          % (deb.name, args.version, ", ".join(depends)))


def check_zip(args, temp):
    archive = make_package(args, temp, "ZIP")
    with zipfile.ZipFile(archive) as zipped:
        names = sorted(n for n in zipped.namelist() if not n.endswith("/"))
        zipped.extractall(temp / "unzipped")
    folder = archive.name[:-len(".zip")]
    expected = sorted(folder + "/" + n for n in ["pagevet.exe", "README.md", "pagevet.1"])
    expect(sorted(n for n in names if not n.endswith("/pagevet.txt")) == expected,
           "the archive holds something else", names)
    check_man_page_copy(temp / "unzipped" / folder / "pagevet.1", args.source_dir)
    check_example_run(temp / "unzipped" / folder / "pagevet.exe", args.launcher,
                      args.source_dir)
    print("PASS: %s holds %s; its program works" % (archive.name, ", ".join(names)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("check", choices=["install", "deb", "zip"])
    parser.add_argument("--build-dir", type=Path, required=True)
    parser.add_argument("--source-dir", type=Path, required=True)
    parser.add_argument("--layout", choices=["unix", "windows"], default="unix")
    parser.add_argument("--cmake", default="cmake")
    parser.add_argument("--cpack", default="cpack")
    parser.add_argument("--config", default="")
    parser.add_argument("--version")
    parser.add_argument("--launcher", action="append", default=[])
    args = parser.parse_args()
    if args.check == "deb" and not args.version:
        parser.error("deb needs --version")
    temp = Path(tempfile.mkdtemp(prefix="pagevet-package-"))
    try:
        {"install": check_install, "deb": check_deb, "zip": check_zip}[args.check](args, temp)
    except Skip as skip:
        print("SKIP:", skip)
        return SKIPPED
    except Failure as failure:
        print("FAIL:", failure)
        return 1
    finally:
        shutil.rmtree(temp)
    return 0


if __name__ == "__main__":
    sys.exit(main())
