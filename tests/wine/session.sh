#!/usr/bin/env bash
# One Wine session for a whole test run.
#
#   session.sh start STATE_DIR   display (the current one, or an Xvfb of our own),
#                                a fresh prefix booted under STATE_DIR, code page
#                                check, then STATE_DIR/env for run.sh and harness.py
#   session.sh stop STATE_DIR    ends everything in that prefix, the Xvfb we started
#                                (and nothing else), removes the prefix
#
# LINGBO_WINDOWS_BUILD_DIR names the Windows build (its peers/probe_cli.exe
# checks the code page); without it the session is skipped (exit 77).
# LINGBO_WINE_OWN_DISPLAY=1 starts an Xvfb even when $DISPLAY works, so the
# scenarios never move the pointer on someone's real desktop.
set -uo pipefail

command=${1:-}
state=${2:-}
[ -n "$command" ] && [ -n "$state" ] || { echo "usage: $0 start|stop STATE_DIR" >&2; exit 2; }
state=$(mkdir -p "$state" && cd "$state" && pwd)
env_file=$state/env
log=$state/session.log

export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

stop() {
  [ -f "$env_file" ] || return 0
  # shellcheck disable=SC1090
  . "$env_file"
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    WINEPREFIX=$WINEPREFIX wineserver -k >/dev/null 2>&1
    WINEPREFIX=$WINEPREFIX wineserver -w >/dev/null 2>&1
  fi
  if [ -n "${LINGBO_ANCHOR_PID:-}" ] && tr '\0' ' ' <"/proc/$LINGBO_ANCHOR_PID/cmdline" 2>/dev/null | grep -q x_anchor.py; then
    kill "$LINGBO_ANCHOR_PID" 2>/dev/null
  fi
  # Only the Xvfb this session started: the pid of a stale file may have been reused.
  if [ -n "${LINGBO_XVFB_PID:-}" ] && [ "$(cat "/proc/$LINGBO_XVFB_PID/comm" 2>/dev/null)" = Xvfb ]; then
    kill "$LINGBO_XVFB_PID" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$LINGBO_XVFB_PID" 2>/dev/null || break; sleep 0.1; done
  fi
  [ -n "${WINEPREFIX:-}" ] && rm -rf "$WINEPREFIX"
  rm -f "$env_file"
}

display_works() {
  [ -n "$1" ] && DISPLAY=$1 xdpyinfo >/dev/null 2>&1
}

# Starts Xvfb on the first display number that has no lock and no socket.
# Another session may start a server on the same number at the same moment
# (the two sessions of a test run start together): the display answering
# proves nothing then, the lock file names the server that won, and the
# loser goes on to the next number.
start_xvfb() {
  local n
  for n in $(seq 90 199); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp </dev/null >>"$log" 2>&1 &
    local pid=$!
    for _ in $(seq 100); do
      if [ "$(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock")" = "$pid" ] && display_works ":$n"; then
        xvfb_pid=$pid
        display=":$n"
        return 0
      fi
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$pid" 2>/dev/null
  done
  return 1
}

start() {
  stop  # a session left behind by an interrupted run
  local build=${LINGBO_WINDOWS_BUILD_DIR:-}
  if [ -z "$build" ] || [ ! -f "$build/peers/probe_cli.exe" ]; then
    echo "no Windows build (${build:-unset}): Wine tests skipped"
    exit 77
  fi
  : >"$log"
  display="" xvfb_pid=""
  if [ "${LINGBO_WINE_OWN_DISPLAY:-0}" != 1 ] && display_works "${DISPLAY:-}"; then
    display=$DISPLAY
  elif ! start_xvfb; then
    echo "no usable X display and no Xvfb could be started" >&2
    exit 1
  fi
  local anchor_pid=""
  if [ -n "$xvfb_pid" ]; then
    DISPLAY=$display python3 "$(dirname "$0")/x_anchor.py" </dev/null >>"$log" 2>&1 &
    anchor_pid=$!
  fi
  local prefix=$state/prefix
  rm -rf "$prefix"
  # Written before booting, so that stop cleans up even after a failed boot.
  printf '%s\n' "DISPLAY=$display" "WINEPREFIX=$prefix" "LINGBO_XVFB_PID=$xvfb_pid" "LINGBO_ANCHOR_PID=$anchor_pid" \
    LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 >"$env_file"
  # The scenarios steer the real pointer: make sure it answers before anything
  # depends on it (a server that has only just started may not yet).
  local moved=""
  for _ in $(seq 50); do
    DISPLAY=$display xdotool mousemove 3 5 >/dev/null 2>&1
    if DISPLAY=$display xdotool getmouselocation 2>/dev/null | grep -q '^x:3 y:5 '; then moved=1; break; fi
    sleep 0.1
  done
  if [ -z "$moved" ]; then
    echo "the pointer on $display does not move (xdotool); is another program grabbing it?" >&2
    exit 1
  fi
  export DISPLAY=$display WINEPREFIX=$prefix
  # A persistent server keeps the system processes of the boot alive for the
  # whole run.  They hold the boot's output handles (our log), not those of a
  # later test, so no test's output stays open after its program has ended.
  wineserver -p </dev/null >>"$log" 2>&1
  if ! timeout 180 wineboot -i </dev/null >>"$log" 2>&1; then
    echo "wineboot failed; see $log" >&2
    cat "$log" >&2
    exit 1
  fi
  local acp
  timeout 60 wine "$build/peers/probe_cli.exe" acp </dev/null >"$state/acp" 2>>"$log"
  acp=$(tr -d '\r\n' <"$state/acp")
  if [ "$acp" != 936 ]; then
    echo "Wine's ANSI code page is '${acp}', not 936: is the zh_CN.UTF-8 locale generated?" >&2
    exit 1
  fi
  echo "Wine session: DISPLAY=$display WINEPREFIX=$prefix${xvfb_pid:+ Xvfb pid $xvfb_pid} code page $acp"
}

case $command in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop STATE_DIR" >&2; exit 2 ;;
esac
