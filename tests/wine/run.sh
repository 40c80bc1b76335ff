#!/usr/bin/env bash
# run.sh STATE_DIR EXE [ARGS...]: runs a Windows program in the session that
# `session.sh start STATE_DIR` set up, and passes its exit code on.
#
# Exit 77 (CTest: skipped) when EXE does not exist, i.e. without a Windows
# build.  The program's output goes through a file: system processes that
# Wine may start on the way inherit its handles and would otherwise keep the
# test's output open after the program has ended.  LINGBO_WINE_TIMEOUT
# (seconds, default 600) bounds the run, so a hung program cannot outlive
# the test.
set -uo pipefail

state=${1:?usage: run.sh STATE_DIR EXE [ARGS...]}
exe=${2:?usage: run.sh STATE_DIR EXE [ARGS...]}
shift 2

if [ ! -f "$exe" ]; then
  echo "$exe does not exist: skipped"
  exit 77
fi
if [ ! -f "$state/env" ]; then
  echo "no Wine session in $state (session.sh start failed or was skipped)" >&2
  exit 1
fi
set -a
# shellcheck disable=SC1091
. "$state/env"
set +a
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

out=$(mktemp "$state/run.XXXXXX")
trap 'rm -f "$out"' EXIT
timeout -k 5 "${LINGBO_WINE_TIMEOUT:-600}" wine "$exe" "$@" </dev/null >"$out" 2>&1
code=$?
# Wine's own complaint about the missing 32-bit loader is noise here.
grep -v -e 'wine32 is missing' -e 'multiarch needs to be enabled' -e 'dpkg --add-architecture' \
  -e 'apt-get install wine32' -e '^execute "dpkg' "$out" | tr -d '\r'
[ "$code" -eq 124 ] && echo "killed after ${LINGBO_WINE_TIMEOUT:-600} s" >&2
exit "$code"
