#!/usr/bin/env bash
# Runs lingbo.exe under Wine until it exits (tray menu "退出", or Ctrl+C here).
#
# It uses $DISPLAY when that display works, else a virtual one (Xvfb) of its
# own; then it says how to look at it.  The Wine prefix is kept between runs
# (LINGBO_WINEPREFIX, default ~/.local/share/lingbo/wineprefix), and so is the
# program folder with its new.ini (LINGBO_HOME, default ~/.local/share/lingbo/app),
# so the bar comes back where it was left.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
exe=${1:-$repo/build/windows/lingbo.exe}
data=${XDG_DATA_HOME:-$HOME/.local/share}/lingbo
prefix=${LINGBO_WINEPREFIX:-$data/wineprefix}
home=${LINGBO_HOME:-$data/app}

[ -f "$exe" ] || { echo "no $exe: build it first (make windows)" >&2; exit 1; }
command -v wine >/dev/null || { echo "wine is not installed (make deps)" >&2; exit 1; }

export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX=$prefix

xvfb_pid=""
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  for n in $(seq 90 199); do
    { [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; } && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then export DISPLAY=":$n"; break; fi
    kill "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  done
  [ -n "$xvfb_pid" ] || { echo "no X display and no Xvfb could be started" >&2; exit 1; }
  shot=${TMPDIR:-/tmp}/lingbo-screen.png
  cat <<EOF
No usable X display: running on a virtual one, DISPLAY=$DISPLAY.
  Look at it:   DISPLAY=$DISPLAY import -window root $shot   (then open $shot)
  Or live:      x11vnc -display $DISPLAY   and a VNC viewer
  Click on it:  DISPLAY=$DISPLAY xdotool mousemove X Y click 1
EOF
fi

mkdir -p "$data" "$home" "$(dirname "$prefix")"
# Copy the build beside the kept new.ini: the program keeps its settings in
# its own folder.
cp -f "$exe" "$home/lingbo.exe"
if [ ! -f "$prefix/system.reg" ]; then
  echo "Preparing the Wine prefix $prefix (once, about 15 s)..."
  wineboot -i >/dev/null 2>&1
fi
log=$data/wine.log
echo "lingbo.exe on DISPLAY=$DISPLAY; settings in $home/new.ini; Wine's messages in $log."
echo "Quit from its tray menu (退出) or with Ctrl+C."
cd "$home"
# Not through a pipe: Wine's system processes would inherit it and keep it
# open after the program has ended.
set +e
wine "$home/lingbo.exe" </dev/null >"$log" 2>&1
code=$?
echo "lingbo.exe ended with exit code $code."
exit "$code"
