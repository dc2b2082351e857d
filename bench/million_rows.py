#!/usr/bin/env python3
"""Peak memory of jiujiu-cli over a million rows: 10 pages of 100 000 from the demo service.

    million_rows.py [--bin DIR] [--rows N] [--pages N] [--jobs N]

Starts the demo service with an archive series of --rows issues at --rows/--pages rows a page,
asks every page once so the service has them made, then runs jiujiu-cli as plain TSV, as
links, with --sort name and with --sort size:desc, output to /dev/null, and prints each run's
peak resident memory (the kernel's maxrss of the child), exit status, rows printed and wall
time. Targets: TSV under 250 MB (most of it the answers in flight), --sort under 900 MB.
"""
import argparse
import os
import subprocess
import sys
import time

from compare_cli_python import start_service

ARCHIVE_KEYWORD = "档案馆"


def run(command, env):
    """Peak RSS in MB, exit status, lines printed and wall time of one run."""
    start = time.perf_counter()
    child = subprocess.Popen(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    lines = 0
    while True:
        block = child.stdout.read(1 << 20)
        if not block:
            break
        lines += block.count(b"\n")
    err = child.stderr.read().decode("utf-8", "replace")
    _, status, usage = os.wait4(child.pid, 0)
    return usage.ru_maxrss / 1024.0, os.waitstatus_to_exitcode(status), lines, \
        time.perf_counter() - start, err


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin", default=os.path.join(os.path.dirname(__file__), "..", "build", "bin"))
    parser.add_argument("--rows", type=int, default=1000000)
    parser.add_argument("--pages", type=int, default=10)
    parser.add_argument("--jobs", type=int, default=4)
    args = parser.parse_args()
    per_page = (args.rows + args.pages - 1) // args.pages
    service, host = start_service(args.bin, per_page, args.rows)
    try:
        env = dict(os.environ, JIUJIU_VIEWER_HOST=host, JIUJIU_SEARCH_HOST="s.example",
                   JIUJIU_ED2K_CLIENT_DIR="/nonexistent", LC_ALL="C")
        cli = os.path.join(args.bin, "jiujiu-cli")
        # Once through, so every page is made and kept by the service before measuring.
        run([cli, "--jobs", str(args.jobs), "--format", "links", ARCHIVE_KEYWORD], env)
        print("%-22s %10s %6s %9s %8s" % ("run", "peak MB", "exit", "lines", "seconds"))
        for name, options in (("tsv", []), ("links", ["--format", "links"]),
                              ("--sort name", ["--sort", "name"]),
                              ("--sort size:desc", ["--sort", "size:desc"])):
            peak, status, lines, seconds, err = run(
                [cli, "--jobs", str(args.jobs)] + options + [ARCHIVE_KEYWORD], env)
            print("%-22s %10.1f %6d %9d %8.2f" % (name, peak, status, lines, seconds))
            if status != 0:
                print("  " + err.strip().replace("\n", "\n  "))
    finally:
        service.kill()
        service.wait()


if __name__ == "__main__":
    main()
