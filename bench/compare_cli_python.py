#!/usr/bin/env python3
"""Whole-process timing: jiujiu-cli against the plain Python scraper and the floor, same search,
same service. The floor is one curl process asking for each page the search needs once.

    compare_cli_python.py [--bin DIR] [--keyword K] [--rows-per-page N] [--archive N] [--runs N]

By default one page of 8000 rows (about 4.6 MB): the demo service's archive series of 8000
issues, searched with its keyword. Starts the demo service on loopback, checks that both print the same rows, then runs each
program --runs times, alternating, and prints the median wall time of each and the ratios of
jiujiu-cli to the other two.
"""
import argparse
import math
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def start_service(bin_dir, rows_per_page, archive):
    service = subprocess.Popen(
        [os.path.join(bin_dir, "jiujiu-demo-service"), "--rows-per-page", str(rows_per_page),
         "--archive", str(archive)],
        stdout=subprocess.PIPE, text=True)
    line = service.stdout.readline().strip()
    prefix = "listening on http://"
    if not line.startswith(prefix):
        service.kill()
        sys.exit("the demo service did not start: %r" % line)
    return service, line[len(prefix):]


def curl_floor(host, search_host, keyword, pages):
    """One curl process posting the viewer form once for each page, on one connection."""
    encoded = "".join("%%%02X" % b for b in keyword.encode("utf-8"))
    command = ["curl"]
    for page in range(1, pages + 1):
        if page > 1:
            command.append("--next")
        command += ["-s", "-o", "/dev/null", "--data",
                    "q=%s%%2F%%2Fsearch%%2F%s%%3Fpage%%3D%d%%26mode%%3Dlist&searchMode=1"
                    % (search_host, encoded, page),
                    "http://%s/Tools/PageCode.aspx" % host]
    return command


def timed(command, env):
    """Wall time, CPU time (user + system), exit status and standard output of one run."""
    start = time.perf_counter()
    child = subprocess.Popen(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    out = child.stdout.read()
    _, status, usage = os.wait4(child.pid, 0)
    elapsed = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    return elapsed, usage.ru_utime + usage.ru_stime, child.returncode, out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", default=os.path.join(HERE, "..", "build", "bin"))
    parser.add_argument("--keyword", default="档案馆")
    parser.add_argument("--rows-per-page", type=int, default=8000)
    parser.add_argument("--archive", type=int, default=8000)
    parser.add_argument("--runs", type=int, default=15)
    args = parser.parse_args()

    service, host = start_service(args.bin, args.rows_per_page, args.archive)
    try:
        search_host = os.environ.get("JIUJIU_SEARCH_HOST", "ed2k-search.example")
        env = dict(os.environ, JIUJIU_VIEWER_HOST=host, JIUJIU_SEARCH_HOST=search_host)
        cli = [os.path.join(args.bin, "jiujiu-cli"), args.keyword]
        python = [sys.executable, os.path.join(HERE, "python_scraper.py"), args.keyword]

        # Warm-up, and the guard that both did the same work.
        _, _, cli_code, cli_rows = timed(cli, env)
        _, _, py_code, py_rows = timed(python, env)
        if cli_code != 0 or py_code != 0 or cli_rows != py_rows or not cli_rows:
            sys.exit("the two programs disagree (exit %d and %d, %d and %d bytes of rows)"
                     % (cli_code, py_code, len(cli_rows), len(py_rows)))
        rows = cli_rows.count(b"\n")
        pages = max(1, math.ceil(rows / args.rows_per_page))
        curl = curl_floor(host, search_host, args.keyword, pages)
        if timed(curl, env)[2] != 0:
            sys.exit("curl could not fetch the pages")

        programs = (("jiujiu-cli", cli), ("python scraper", python), ("curl floor", curl))
        runs = {name: ([], []) for name, _ in programs}
        for _ in range(args.runs):
            for name, command in programs:
                wall, cpu, _, _ = timed(command, env)
                runs[name][0].append(wall)
                runs[name][1].append(cpu)
    finally:
        service.kill()
        service.wait()

    print("keyword %r, %d rows, %d page%s, %d runs each, alternating"
          % (args.keyword, rows, pages, "" if pages == 1 else "s", args.runs))
    medians = {}
    for name, (walls, cpus) in runs.items():
        medians[name] = (statistics.median(walls), statistics.median(cpus))
        print("%-15s wall median %6.1f ms (min %5.1f, max %5.1f), CPU median %6.1f ms"
              % (name, medians[name][0] * 1e3, min(walls) * 1e3, max(walls) * 1e3,
                 medians[name][1] * 1e3))
    for other in ("python scraper", "curl floor"):
        print("ratio jiujiu-cli / %s: wall %.3f, CPU %.3f"
              % (other, medians["jiujiu-cli"][0] / medians[other][0],
                 medians["jiujiu-cli"][1] / medians[other][1]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
