#!/usr/bin/env python3
"""The native benchmark figures, each against its floor, from Google Benchmark's JSON.

    python3 bench/native_figures.py RESULTS.json

Run lingbo_bench with --benchmark_repetitions=N: every figure is the best of
the repetitions (the least disturbed run on a shared machine).  Prints the
same "FIGURE ..." lines as tests/e2e/perf_wine.py, then the growth tables;
exits 1 when a target is missed, 2 when a benchmark is missing or failed.
"""

import json
import sys

SCAN_TARGET = 0.5  # the scan's throughput against memchr's, at least


def figure(name, value, unit, floor, target, higher_is_better=False):
    ratio = value / floor if floor else float("inf")
    ok = ratio >= target if higher_is_better else ratio <= target
    print("FIGURE %-28s %10.2f %-4s floor %10.2f ratio %5.2f target %s%.2f %s"
          % (name, value, unit, floor, ratio, ">=" if higher_is_better else "<=", target, "ok" if ok else "MISSED"))
    return ok


def best_runs(path):
    """{run name: the repetition with the least real time}."""
    with open(path) as f:
        data = json.load(f)
    best = {}
    for run in data["benchmarks"]:
        if run.get("run_type") != "iteration":
            continue
        if run.get("error_occurred"):
            raise LookupError("%s failed: %s" % (run["run_name"], run.get("error_message")))
        name = run["run_name"]
        if name not in best or run["real_time"] < best[name]["real_time"]:
            best[name] = run
    return best


def ns(run):
    scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[run["time_unit"]]
    return run["real_time"] * scale


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        runs = best_runs(sys.argv[1])

        def get(name):
            if name not in runs:
                raise LookupError("no result for %s" % name)
            return runs[name]

        ok = figure("scan_16MB_GBps", get("BM_TableScanMiss/MB:16")["bytes_per_second"] / 1e9, "GB/s",
                    get("BM_MemchrAbsentByte/MB:16")["bytes_per_second"] / 1e9, SCAN_TARGET, higher_is_better=True)
        dzh_poll = get("BM_TitleChangeTick/cache:10/windows:10")
        tdx_poll = get("BM_TdxTitleChangeTick/cache:10/windows:10")
        ok &= figure("tdx_poll_after_switch_us", ns(tdx_poll) / 1e3, "us", ns(dzh_poll) / 1e3, 1.0)
        print("  the 通达信 poll against 大智慧's after the same switch; its two tables of 20,000 records: %.0f KB"
              % tdx_poll["tables_KB"])
        for name, what in (("BM_MemchrFirstByte", "memchr counting every hit of the title's first byte"),
                           ("BM_CopyThenMemchr", "the table copied in 256 KB chunks (as a file read delivers it), "
                                                 "then memchr"),
                           ("BM_TableReadAndScan", "the table copied in 256 KB chunks and scanned, as from a file")):
            print("  %s: %.2f GB/s" % (what, get(name + "/MB:16")["bytes_per_second"] / 1e9))
        for arg, what in ((0, "Shanghai title"), (1, "Shenzhen title, both tables read")):
            run = get("BM_FirstResolution/shenzhen:%d" % arg)
            print("  first resolution, two 3 MB tables, %s: %.3f ms (heap peak %.0f KB)"
                  % (what, ns(run) / 1e6, run["heap_peak_KB"]))

        print("\nGrowth (best of the repetitions, simulated desktop)")
        print("  %-44s %12s %12s %14s" % ("case", "time", "allocs/tick", "heap peak KB"))
        ticks = ([("BM_SteadyTick/cache:%d/windows:%d" % cw, "steady tick, cache %d, windows %d" % cw)
                  for cw in ((10, 10), (100, 10), (1000, 10), (10000, 10), (10, 100), (10, 1000))]
                 + [("BM_TitleChangeTick/cache:%d/windows:10" % c, "tick after a title change, cache %d" % c)
                    for c in (10, 10000)]
                 + [("BM_SearchTick/cache:10/windows:%d" % w, "search tick (大智慧 absent), windows %d" % w)
                    for w in (10, 100, 1000)])
        for name, label in ticks:
            run = get(name)
            print("  %-44s %9.2f us %12.0f %14.0f" % (label, ns(run) / 1e3, run["allocs_per_tick"], run["heap_peak_KB"]))
        for megabytes in (1, 4, 16, 64):
            run = get("BM_TableScanMiss/MB:%d" % megabytes)
            print("  %-44s %9.2f ms %12s %14.0f" % ("table scan, miss, %d MB" % megabytes, ns(run) / 1e6, "-",
                                                       run["heap_peak_KB"]))
    except (LookupError, KeyError, ValueError) as error:
        print("native_figures: %s" % error, file=sys.stderr)
        return 2
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
