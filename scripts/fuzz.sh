#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang into build/fuzz, replays
# the saved crash inputs of fuzz/regressions, then fuzzes each target for a
# while, two at a time, starting from the corpus in fuzz/corpus.
#
#   scripts/fuzz.sh [-t SECONDS] [TARGET...]     (default: 30 s, every target)
#
# Clang takes no GBK execution character set, so the sources are first copied
# to build/fuzz/src with every non-ASCII character written as its GBK bytes in
# octal escapes (fuzz/gbk_escape.py); the literals then hold the same bytes as
# in the g++ builds.  New corpus entries go to build/fuzz/corpus, never into
# the repository; a crash input is left in build/fuzz/crashes.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-30}
if [ "${1:-}" = "-t" ]; then seconds=$2; shift 2; fi

out=build/fuzz
mkdir -p "$out"/{logs,crashes}
mapfile -t sources < <(find src/text src/settings src/app src/discovery src/quote src/order src/platform src/platform/sim fuzz \
  -maxdepth 1 \( -name '*.cpp' -o -name '*.h' \))
# A fresh copy each time: a file moved in src/ must not live on here.
rm -rf "$out/src"
python3 fuzz/gbk_escape.py . "$out/src" "${sources[@]}"
cmake -S fuzz -B "$out/cmake" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE= \
  -DLINGBO_ESCAPED_SOURCES="$PWD/$out/src" >/dev/null
cmake --build "$out/cmake" -j2 >"$out/logs/build.log" 2>&1 || { tail -40 "$out/logs/build.log"; exit 1; }

targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
  for f in fuzz/*_fuzz.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi

# Every input that ever crashed a target runs first, once.
for t in "${targets[@]}"; do
  if compgen -G "fuzz/regressions/$t/*" >/dev/null; then
    "$out/cmake/$t" fuzz/regressions/"$t"/* >"$out/logs/$t.regressions.log" 2>&1 ||
      { echo "fuzz: $t fails on a saved regression input"; tail -30 "$out/logs/$t.regressions.log"; exit 1; }
  fi
done

run() {
  local t=$1 args=()
  mkdir -p "$out/corpus/$t"
  [ -f "fuzz/$t.dict" ] && args+=("-dict=fuzz/$t.dict")
  "$out/cmake/$t" "${args[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
    -print_final_stats=1 -artifact_prefix="$out/crashes/$t-" "$out/corpus/$t" "fuzz/corpus/$t" \
    >"$out/logs/$t.log" 2>&1
}

failed=0
report() {
  local t=$1 status=$2 runs
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$out/logs/$t.log" | grep -o '[0-9]*$' || echo "?")
  if [ "$status" -eq 0 ]; then
    printf 'fuzz: %-22s %10s executions in %s s, no finding\n' "$t" "$runs" "$seconds"
  else
    printf 'fuzz: %-22s FAILED (see %s)\n' "$t" "$out/logs/$t.log"
    grep -A25 -m1 -E '^==[0-9]+==|check failed|runtime error' "$out/logs/$t.log" || tail -25 "$out/logs/$t.log"
    failed=1
  fi
}

# Two at a time: the machine has two cores.
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  pids=()
  for t in "${targets[@]:i:2}"; do run "$t" & pids+=($!); done
  j=0
  for t in "${targets[@]:i:2}"; do
    status=0
    wait "${pids[$j]}" || status=$?
    report "$t" "$status"
    j=$((j + 1))
  done
done
exit "$failed"
