#!/usr/bin/env python3
"""How long a buy takes under Wine: from the real click on "买" to the code in
the stand-in trading client's code field, over a number of runs.

    python3 tests/e2e/order_latency.py [--runs 20] [--ignore-replace | --real-keys | --hot-key]

Uses the Wine session named by LINGBO_WINE_ENV when there is one; otherwise
starts a session of its own (tests/wine/session.sh) and ends it afterwards.
LINGBO_WINDOWS_BUILD_DIR names the Windows build (default build/windows).

The stand-in focuses its code field 100 ms after the hot key, so the field is
found at the first look; the tool's own pauses then come to 230 ms.
With --ignore-replace the client leaves its field alone on the replace, so the
code arrives by the way round: replace, read back, select, type, read back.
With --real-keys the client takes only keys typed on the keyboard, its hot key
included, and the bar runs with "输入方式" 2.
With --hot-key the buy comes from the bar's 买入热键 Ctrl+Alt+B, pressed and
let go at once on the keyboard instead of the click.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import unittest

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PAUSES_MS = 230
SESSION = os.path.join(REPO, "tests", "wine", "session.sh")
HOT_KEY = "Ctrl+Alt+B"


def measure(runs, *client_options, settings=None, hot_key=False):
    import harness as h
    from order_scene import OrderCase

    results = []
    bar_settings = dict(settings or {}, **({"买入热键": HOT_KEY} if hot_key else {}))

    class Latency(OrderCase):
        def runTest(self):
            client = self.start_client(*client_options)
            trader, bar = self.start_following_trader("600000", **bar_settings)
            if hot_key:
                # The keyboard is the focused window's: a window of Wine's must
                # have it for Wine to see the keys; later the client has it.
                h.click(trader.window.left + 40, trader.window.top + 200)
            for run in range(runs):
                code = "%06d" % (600001 + run)
                trader.retitle("交易师 - %s - 测试" % code)
                bar.wait_code(code)
                if hot_key:
                    # All three down, then all up, with no pause: the
                    # modifiers are let go as soon as xdotool can.
                    clicked = time.time()
                    h.key(HOT_KEY.lower(), delay_ms=0)
                    released = time.time()
                else:
                    # The button acts on the release: press first, then time
                    # the release from just before xdotool is started for it.
                    h.mouse_move(*bar.buy_point())
                    h.mouse_down()
                    clicked = time.time()
                    h.mouse_up()
                    released = time.time()
                arrived = client.wait_code("buy", code, timeout=10)
                results.append(((arrived - clicked) * 1000.0, (released - clicked) * 1000.0))
                print("run %2d: %6.1f ms (xdotool took %.1f ms of it)" % ((run + 1,) + results[-1]), file=sys.stderr)

    outcome = unittest.TextTestRunner(stream=sys.stderr, verbosity=0).run(Latency())
    return results if outcome.wasSuccessful() else None


def start_session():
    """None when LINGBO_WINE_ENV names a session; otherwise starts one and
    returns its state folder, or exits with 2 when it cannot."""
    if os.environ.get("LINGBO_WINE_ENV"):
        return None
    state = tempfile.mkdtemp(prefix="order-latency-")
    env = dict(os.environ, LINGBO_WINE_OWN_DISPLAY="1")
    env.setdefault("LINGBO_WINDOWS_BUILD_DIR", os.path.join(REPO, "build", "windows"))
    os.environ["LINGBO_WINDOWS_BUILD_DIR"] = env["LINGBO_WINDOWS_BUILD_DIR"]
    if subprocess.run(["bash", SESSION, "start", state], env=env).returncode != 0:
        end_session(state)
        print("no Wine session could be started (is the Windows build there?)", file=sys.stderr)
        sys.exit(2)
    os.environ["LINGBO_WINE_ENV"] = os.path.join(state, "env")
    return state


def end_session(state):
    # Also after a failed start: it may have left its Xvfb running.
    if state:
        subprocess.run(["bash", SESSION, "stop", state])
        shutil.rmtree(state, True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=20)
    way = parser.add_mutually_exclusive_group()
    way.add_argument("--ignore-replace", action="store_true",
                     help="time the way round for a client that ignores the replace")
    way.add_argument("--real-keys", action="store_true",
                     help="time 输入方式=2 for a client that takes only keys typed on the keyboard")
    way.add_argument("--hot-key", action="store_true", help="time the buy from 买入热键 instead of the click")
    args = parser.parse_args()

    state = start_session()
    try:
        if args.real_keys:
            results = measure(args.runs, "--keyboard-only", "--hot-key-down", settings={"输入方式": "2"})
        elif args.hot_key:
            results = measure(args.runs, hot_key=True)
        else:
            results = measure(args.runs, *(["--ignore-replace"] if args.ignore_replace else []))
    finally:
        end_session(state)
    if not results:
        return 1
    total = [r[0] for r in results]
    way = (" (typed after the ignored replace)" if args.ignore_replace else " (keyboard input)" if args.real_keys
           else " (买入热键 instead of the click)" if args.hot_key else "")
    print("click on 买 to code in the field%s, %d runs under Wine: median %.0f ms (min %.0f, max %.0f; "
          "xdotool's own start median %.0f ms); the pauses alone take %d ms"
          % (way, len(total), statistics.median(total), min(total), max(total),
             statistics.median(r[1] for r in results), PAUSES_MS))
    return 0


if __name__ == "__main__":
    sys.exit(main())
