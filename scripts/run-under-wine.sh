#!/usr/bin/env bash
# Runs lingbo.exe under Wine until it exits (tray menu "退出", or Ctrl+C here).
#
#   run-under-wine.sh [EXE]          the program alone (`make run`)
#   run-under-wine.sh --demo [EXE]   with the 32-bit stand-ins of 大智慧 (three
#                                    charts, code tables) and of a trading client,
#                                    in a folder and new.ini of their own (`make demo`)
#
# It uses $DISPLAY when that display works, else a virtual one (Xvfb) of its
# own; then it says how to look at it.  The Wine prefix is kept between runs
# (LINGBO_WINEPREFIX, default ~/.local/share/lingbo/wineprefix), and so is the
# program folder with its new.ini (LINGBO_HOME, default ~/.local/share/lingbo/app),
# so the bar comes back where it was left.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
demo=""
if [ "${1:-}" = --demo ]; then demo=1; shift; fi
exe=${1:-$repo/build/windows/lingbo.exe}
peers=$(dirname "$exe")/peers32
data=${XDG_DATA_HOME:-$HOME/.local/share}/lingbo
prefix=${LINGBO_WINEPREFIX:-$data/wineprefix}
home=${LINGBO_HOME:-$data/app}
[ -n "$demo" ] && home=$data/demo/app

[ -f "$exe" ] || { echo "no $exe: build it first (make windows)" >&2; exit 1; }
if [ -n "$demo" ]; then
  for peer in dzh_standin.exe trading_client.exe; do
    [ -f "$peers/$peer" ] || { echo "no $peers/$peer: build it first (make windows)" >&2; exit 1; }
  done
fi
command -v wine >/dev/null || { echo "wine is not installed (make deps)" >&2; exit 1; }

export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX=$prefix

xvfb_pid=""
# Everything in the prefix ends with us, and only then the display it drew on.
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  timeout 10 wineserver -w >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  for n in $(seq 90 199); do
    { [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; } && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    xvfb_pid=$!
    # Another program may take the same number at the same moment: only a
    # server of ours that is still running counts.
    for _ in $(seq 100); do
      kill -0 "$xvfb_pid" 2>/dev/null || break
      DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 && break
      sleep 0.1
    done
    if kill -0 "$xvfb_pid" 2>/dev/null && DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then export DISPLAY=":$n"; break; fi
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
: >"$log"
if [ -n "$demo" ]; then
  # A 大智慧 folder laid out like the real one, with its code tables, and a bar
  # that reads it: the label follows the chart in front.
  dzh=$data/demo/dzh
  mkdir -p "$dzh"
  cp -f "$peers/dzh_standin.exe" "$dzh/dzh.exe"
  python3 "$repo/tests/e2e/make_code_tables.py" "$dzh"
  printf '[软件设置]\r\n数据源=0\r\n左边=560\r\n顶边=40\r\n' | iconv -f UTF-8 -t GBK >"$home/new.ini"
  cp -f "$peers/trading_client.exe" "$data/demo/trading_client.exe"
  (cd "$dzh" && exec wine "$dzh/dzh.exe" 浦发银行 贵州茅台 招商银行 </dev/null >>"$log" 2>&1) &
  (cd "$data/demo" && exec wine "$data/demo/trading_client.exe" --title=网上股票交易系统 </dev/null >>"$log" 2>&1) &
  # The client opens where the charts are: set it beside them, so its code
  # field is in sight.  Best effort: a window manager may place it itself.
  for _ in $(seq 100); do
    client=$(xdotool search --name '^网上股票交易系统$' 2>/dev/null | head -1 || true)
    [ -n "$client" ] && { xdotool windowmove "$client" 760 150 2>/dev/null; break; }
    sleep 0.2
  done
  cat <<EOF
Demo: the 大智慧 stand-in shows three charts (浦发银行, 贵州茅台, 招商银行) and the
bar at (560, 40) shows the front one's code.  Click another chart's title bar:
the code follows.  Click 买 on the bar: the stand-in trading client
(网上股票交易系统) opens its buy form with that code in the code field.
EOF
fi
echo "lingbo.exe on DISPLAY=$DISPLAY; settings in $home/new.ini; Wine's messages in $log."
echo "Quit from its tray menu (退出) or with Ctrl+C."
cd "$home"
# Not through a pipe: Wine's system processes would inherit it and keep it
# open after the program has ended.  In the background, so that a TERM or
# INT is handled at once (a shell runs its traps only between commands),
# not after the program has ended on its own.
wine "$home/lingbo.exe" </dev/null >>"$log" 2>&1 &
set +e
wait $!
code=$?
echo "lingbo.exe ended with exit code $code."
exit "$code"
