#!/usr/bin/env python3
"""Whole-process timing: jiujiu-cli against the plain Python scraper, same search, same service.

    compare_cli_python.py [--bin DIR] [--keyword K] [--rows-per-page N] [--runs N]

Starts the demo service on loopback, checks that both print the same rows, then runs each
program --runs times, alternating, and prints the median wall time of each and their ratio.
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def start_service(bin_dir, rows_per_page):
    service = subprocess.Popen(
        [os.path.join(bin_dir, "jiujiu-demo-service"), "--rows-per-page", str(rows_per_page)],
        stdout=subprocess.PIPE, text=True)
    line = service.stdout.readline().strip()
    prefix = "listening on http://"
    if not line.startswith(prefix):
        service.kill()
        sys.exit("the demo service did not start: %r" % line)
    return service, line[len(prefix):]


def timed(command, env):
    start = time.perf_counter()
    done = subprocess.run(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    elapsed = time.perf_counter() - start
    return elapsed, done.returncode, done.stdout


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", default=os.path.join(HERE, "..", "build", "bin"))
    parser.add_argument("--keyword", default=".")
    parser.add_argument("--rows-per-page", type=int, default=8000)
    parser.add_argument("--runs", type=int, default=15)
    args = parser.parse_args()

    service, host = start_service(args.bin, args.rows_per_page)
    try:
        env = dict(os.environ, JIUJIU_VIEWER_HOST=host)
        cli = [os.path.join(args.bin, "jiujiu-cli"), args.keyword]
        python = [sys.executable, os.path.join(HERE, "python_scraper.py"), args.keyword]

        # Warm-up, and the guard that both did the same work.
        _, cli_code, cli_rows = timed(cli, env)
        _, py_code, py_rows = timed(python, env)
        if cli_code != 0 or py_code != 0 or cli_rows != py_rows or not cli_rows:
            sys.exit("the two programs disagree (exit %d and %d, %d and %d bytes of rows)"
                     % (cli_code, py_code, len(cli_rows), len(py_rows)))
        rows = cli_rows.count(b"\n")

        cli_times, py_times = [], []
        for _ in range(args.runs):
            cli_times.append(timed(cli, env)[0])
            py_times.append(timed(python, env)[0])
    finally:
        service.kill()
        service.wait()

    cli_median = statistics.median(cli_times)
    py_median = statistics.median(py_times)
    print("keyword %r, %d rows, %d runs each" % (args.keyword, rows, args.runs))
    print("jiujiu-cli      median %7.1f ms  (min %.1f, max %.1f)"
          % (cli_median * 1e3, min(cli_times) * 1e3, max(cli_times) * 1e3))
    print("python scraper  median %7.1f ms  (min %.1f, max %.1f)"
          % (py_median * 1e3, min(py_times) * 1e3, max(py_times) * 1e3))
    print("ratio jiujiu-cli / python: %.3f" % (cli_median / py_median))
    return 0


if __name__ == "__main__":
    sys.exit(main())
