#!/usr/bin/env python3
"""Runs pagevet's end-to-end cases against the Windows build, under Wine.

    wine_e2e.py --program pagevet.exe --prefix DIR [--wine WINE]
                [any option of run_e2e.py: --holder hold_file.exe, --filter,
                 --timeout]

Every case starts pagevet.exe once with `wine` in front of it and sees the
fixture the Windows way (Z:\\tmp\\pagevet-e2e-...\\); run_e2e.py skips, with
its reason, each case a Windows build cannot meet.

All runs share one Wine prefix, made in DIR on first use (which takes a while
once), and one wine server, held for the whole suite, so that a case costs a
process start and not a start of Wine.
"""

import argparse
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
RUN_E2E = os.path.join(HERE, os.pardir, "e2e", "run_e2e.py")

# Written into the prefix once it is complete: a prefix whose making was cut
# short is made afresh.
READY_MARK = "pagevet-prefix-ready"

PREFIX_TIMEOUT = 600
# A case under Wine takes longer than a native one; the slowest cases of the
# table (long inputs, pauses between chunks) need far less than this.
CASE_TIMEOUT = "60"


def wine_tool(wine, name):
    """wineboot or wineserver, from the same installation as wine."""
    found = shutil.which(name, path=os.path.dirname(wine)) or shutil.which(name)
    if found is None:
        raise SystemExit("wine_e2e: %s not found beside %s" % (name, wine))
    return found


def wine_environment(prefix):
    env = dict(os.environ)
    env["WINEPREFIX"] = prefix
    env["WINEDEBUG"] = "-all"
    # No Mono or Gecko installer: a console program needs neither, and
    # without a network their download would only wait.
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml="
    # Nothing the tests start may open a window on a developer's desktop.
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    return env


def prepare_prefix(prefix, wineboot, wineserver, env):
    if os.path.exists(os.path.join(prefix, READY_MARK)):
        return
    print("wine_e2e: making the Wine prefix %s (once; this takes a while)"
          % prefix, flush=True)
    shutil.rmtree(prefix, ignore_errors=True)
    os.makedirs(os.path.dirname(prefix) or ".", exist_ok=True)
    subprocess.run([wineboot, "--init"], env=env, check=True,
                   stdin=subprocess.DEVNULL, timeout=PREFIX_TIMEOUT)
    # wineboot returns before everything it started has finished.
    subprocess.run([wineserver, "--wait"], env=env, check=True,
                   timeout=PREFIX_TIMEOUT)
    with open(os.path.join(prefix, READY_MARK), "w"):
        pass


def start_wine_services(wine, env):
    """The first program a wine server runs starts Wine's own services, which
    keep that program's standard streams as long as the server lives.  Those
    must not be a case's pipes, or the case would wait for their end."""
    subprocess.run([wine, "cmd.exe", "/c", "exit"], env=env, check=True,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=PREFIX_TIMEOUT)


def main():
    parser = argparse.ArgumentParser(
        description="Run pagevet's end-to-end cases against pagevet.exe "
        "under Wine.")
    parser.add_argument("--program", required=True, help="pagevet.exe")
    parser.add_argument("--prefix", required=True,
                        help="the Wine prefix to use, made if missing")
    parser.add_argument("--wine", default="wine", help="the wine command")
    opts, run_e2e_args = parser.parse_known_args()

    wine = shutil.which(opts.wine)
    if wine is None:
        print("wine_e2e: %s not found" % opts.wine, file=sys.stderr)
        return 2
    wineboot = wine_tool(wine, "wineboot")
    wineserver = wine_tool(wine, "wineserver")
    prefix = os.path.abspath(opts.prefix)
    env = wine_environment(prefix)

    prepare_prefix(prefix, wineboot, wineserver, env)
    # A persistent server outlives the runs between it and the -k below,
    # instead of ending and starting again around each of them.
    subprocess.run([wineserver, "--persistent"], env=env, check=True)
    try:
        start_wine_services(wine, env)
        if "--timeout" not in run_e2e_args:
            run_e2e_args += ["--timeout", CASE_TIMEOUT]
        return subprocess.run(
            [sys.executable, RUN_E2E, "--program", opts.program,
             "--launcher", wine, "--path-style", "windows"] + run_e2e_args,
            env=env).returncode
    finally:
        subprocess.run([wineserver, "--kill"], env=env)


if __name__ == "__main__":
    sys.exit(main())
