#!/usr/bin/env bash
# `make bench`: every performance figure of lingbo.exe against its floor,
# measured in the same run.  Prints one "FIGURE" line per target and exits 1
# when any target is missed (2 when a measurement could not be made).
#
#   scripts/bench.sh                  size, native benchmarks, then Wine: start-up,
#                                     waiting (CPU 60 s, private memory after 10 min
#                                     of polling) and order entry; about 15 minutes
#   BENCH_QUICK=1 scripts/bench.sh    private memory after 60 s instead of 10 min
#   BENCH_NO_WINE=1 scripts/bench.sh  size and native benchmarks only
#
# LINGBO_NATIVE_BUILD_DIR and LINGBO_WINDOWS_BUILD_DIR name the two builds
# (default build/native and build/windows, as `make bench` builds them).
set -uo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
native=${LINGBO_NATIVE_BUILD_DIR:-$repo/build/native}
windows=${LINGBO_WINDOWS_BUILD_DIR:-$repo/build/windows}
export LINGBO_WINDOWS_BUILD_DIR=$windows
work=$(mktemp -d /tmp/lingbo-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

status=0
# The worst outcome wins: 2 (could not measure) over 1 (missed) over 0.
outcome() { [ "$1" -gt "$status" ] && status=$1; return 0; }

echo "lingbo.exe performance, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) CPUs, $(uname -sr)"
echo "commit $(git -C "$repo" rev-parse --short HEAD 2>/dev/null || echo unknown)"

# --- footprint: size of the stripped, static executable -----------------------
exe=$windows/lingbo.exe
if [ -f "$exe" ]; then
  size=$(stat -c %s "$exe")
  # Static: nothing but Windows' own DLLs among the imports.
  foreign=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' |
            grep -viE '^(kernel32|user32|gdi32|shell32|comctl32|version|msvcrt|advapi32|imm32)\.dll$')
  python3 - "$size" "$foreign" <<'EOF' || outcome 1
import sys
size, foreign = int(sys.argv[1]), sys.argv[2].split()
ok = size <= 256 * 1024 and not foreign
print("FIGURE %-28s %10.2f %-4s floor %10.2f ratio %5.2f target <=1.00 %s"
      % ("exe_size_KB", size / 1024, "KB", 256, size / (256 * 1024), "ok" if ok else "MISSED"))
if foreign:
    print("  not static: it imports %s" % ", ".join(foreign))
sys.exit(0 if ok else 1)
EOF
else
  echo "no $exe: build it first (make windows)" >&2
  outcome 2
fi

# --- native: tick, table scan, first resolution, growth -----------------------
bench=$native/bench/lingbo_bench
# The verdicts are only worth trusting while their own checks pass.
if ! python3 "$repo/bench/native_figures_test.py" >"$work/selfcheck.txt" 2>&1; then
  cat "$work/selfcheck.txt" >&2
  echo "bench/native_figures.py fails its own checks" >&2
  outcome 2
elif [ -x "$bench" ]; then
  echo
  echo "== native benchmarks ($bench)"
  if "$bench" --benchmark_repetitions=5 --benchmark_out="$work/native.json" --benchmark_out_format=json \
      >"$work/native.txt" 2>&1; then
    python3 "$repo/bench/native_figures.py" "$work/native.json"
    outcome $?
  else
    cat "$work/native.txt" >&2
    outcome 2
  fi
else
  echo "no $bench: build it first (make native)" >&2
  outcome 2
fi

# --- Wine: start-up, waiting, memory, order entry ------------------------------
if [ -z "${BENCH_NO_WINE:-}" ]; then
  echo
  echo "== under Wine ($(wine --version 2>/dev/null))"
  memory=600
  [ -n "${BENCH_QUICK:-}" ] && memory=60
  python3 "$repo/tests/e2e/perf_wine.py" --memory-seconds "$memory"
  outcome $?
fi

echo
case $status in
  0) echo "bench: every target met" ;;
  1) echo "bench: a target was MISSED" ;;
  *) echo "bench: a measurement could not be made" ;;
esac
exit "$status"
