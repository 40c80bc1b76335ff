#!/usr/bin/env python3
"""What lingbo.exe costs under Wine, each figure against a floor measured in the same run.

    python3 tests/e2e/perf_wine.py [--only startup,idle,order] [--idle-seconds 150]
                                   [--memory-seconds 60] [--startup-runs 15] [--order-runs 20]

    startup  start to the bar visible at its saved place, against floor_window.exe
             adding a tray icon before it shows its one window, as the program must;
             both timed from the Windows side by floor_stopwatch_cli.exe, alternately,
             median of the runs; the plain window's figure as a note
    idle     attached to the 大智慧 stand-in with an unchanged front document:
             CPU time of lingbo.exe against floor_title_poll.exe, the median of five
             stretches of --idle-seconds in all
             (one read of that document's title every 100 ms), both running at once;
             private memory of lingbo.exe after --memory-seconds of polling against
             floor_window.exe at the same moment; then the same CPU figure with the
             status window open (tray menu "状态…", refreshed every 500 ms)
    order    the real click on "买" to the code in the stand-in client's field,
             median of --order-runs runs, against the 230 ms of the tool's own pauses;
             then the same for a client that ignores the replace, where the code
             arrives typed after the read-back (order_entry_fallback_ms), and with
             "输入方式" 2 for a client that takes only keys typed on the keyboard,
             its hot key included (order_entry_real_keys_ms); and from the bar's
             买入热键 pressed and let go at once instead of the click
             (order_entry_hot_key_ms)

Every figure is printed as one line "FIGURE <name> <value> <unit> floor <value>
ratio <r> target <op><t> <ok|MISSED>"; the exit status is 1 when a target is missed,
2 when nothing could be measured.  Uses the Wine session named by LINGBO_WINE_ENV, or
starts one of its own; LINGBO_WINDOWS_BUILD_DIR names the Windows build.
"""

import argparse
import contextlib
import os
import statistics
import sys
import time

import order_latency  # starts no session on import

TICKS = os.sysconf("SC_CLK_TCK")
IDLE_WINDOWS = 5  # the idle figure is the median of this many stretches of --idle-seconds
BAR_AT = (300, 200)
CACHE = "代码表"
MEMORY_BREAKDOWN = ("tray", "controls", "hook", "tray+controls+hook")
BREAKDOWN = ("profile", "profile@10000", "timer", "iswindow", "timeout", "window",
             "profile+timer+iswindow+timeout+window")


def figure(name, value, unit, floor, target, higher_is_better=False):
    """Prints one figure line; returns True when the target is met."""
    # Judged as printed: CPU times come in clock ticks, and 60/40 ms must not
    # miss 1.5 by a rounding error of the division.
    ratio = round(value / floor, 6) if floor else float("inf")
    ok = ratio >= target if higher_is_better else ratio <= target
    print("FIGURE %-28s %10.2f %-3s floor %10.2f ratio %5.2f target %s%.2f %s"
          % (name, value, unit, floor, ratio, ">=" if higher_is_better else "<=", target,
             "ok" if ok else "MISSED"), flush=True)
    return ok


def note(text):
    print("  " + text, flush=True)


# --------------------------------------------------------------------------
# The Linux side of a Windows process
# --------------------------------------------------------------------------

def runs(pid, exe):
    """Whether the Wine process pid runs exe (a copy in a folder of its own).
    Wine leaves the program's path as the first word of that process's
    command line: the Unix form, or for 64-bit programs the Windows form."""
    try:
        with open("/proc/%s/cmdline" % pid, "rb") as f:
            first = f.read().split(b"\0", 1)[0].decode("utf-8", "replace").strip()
    except OSError:
        return False
    return first in (exe, "Z:" + exe.replace("/", "\\"))


def unix_pid(exe, timeout=20):
    """The pid of the Wine process that runs exe, waiting for it to appear."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        for entry in os.listdir("/proc"):
            if entry.isdigit() and runs(entry, exe):
                return int(entry)
        time.sleep(0.2)
    raise AssertionError("no Wine process for %s" % exe)


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime + stime


@contextlib.contextmanager
def scene(h):
    """A WineTestCase outside a test run: what it started and made goes at the end."""
    case = h.WineTestCase()
    case.setUp()
    try:
        yield case
    finally:
        case.doCleanups()


def also(part):
    """floor_*'s options for a part named "a+b@N": --also a --also b."""
    return [word for one in part.split("+") for word in ("--also", one.split("@")[0])]


# --------------------------------------------------------------------------
# Measurements
# --------------------------------------------------------------------------

def measure_startup(h, runs):
    with scene(h) as case:
        app, floor = case.app_dir(), case.app_dir("floor_window.exe")
        app.write_ini("[软件设置]\n数据源=1\n左边=%d\n顶边=%d\n" % BAR_AT)
        stopwatch = h.exe_path("floor_stopwatch_cli.exe")
        x, y = str(BAR_AT[0]), str(BAR_AT[1])

        def once(title, exe, *args):
            done = h.run(stopwatch, title, x, y, h.windows_path(exe), *args, timeout=60)
            if done.returncode != 0:
                raise AssertionError("stopwatch failed for %s: %r" % (exe, done.stderr))
            # Wine takes a while to clear away a killed program's windows and
            # tray icon, and whatever starts meanwhile waits for it.
            time.sleep(3)
            return float(done.stdout.decode().strip())

        floor_args = (floor.exe, "--at", x, y, "--title", "floor")
        # One start of each first: the first start of a program in a prefix
        # also loads its DLLs from disk.
        once(h.LINGBO_TITLE, app.exe)
        once("floor", *floor_args)
        lingbo, plain, tray = [], [], []
        for _ in range(runs):
            lingbo.append(once(h.LINGBO_TITLE, app.exe))
            plain.append(once("floor", *floor_args))
            # The floor that also adds a tray icon before its window shows, as
            # the program's start-up order has it do: what that one exchange
            # with the shell costs by itself.
            tray.append(once("floor", *floor_args, "--also", "tray"))
        def runs_text(values):
            return " ".join("%.0f" % v for v in values)

        note("start-up runs (ms): lingbo %s; floor %s; floor with a tray icon %s"
             % (runs_text(lingbo), runs_text(plain), runs_text(tray)))
        lingbo_ms, plain_ms, tray_ms = (statistics.median(v) for v in (lingbo, plain, tray))
        note("plain floor window without a tray icon: median %.1f ms; the icon costs %.2f times that, lingbo %.2f"
             % (plain_ms, tray_ms / plain_ms, lingbo_ms / plain_ms))
        # The program must add its tray icon before its bar shows, and that
        # one exchange with the shell is beyond its control: its floor does it
        # too.
        return figure("startup_to_bar_ms", lingbo_ms, "ms", tray_ms, 1.2)


def measure_idle(h, idle_seconds, memory_seconds):
    from fault_scene import DzhStandIn
    from lingbo_app import bar_parts

    with scene(h) as case:
        DzhStandIn(case, ["浦发银行"], args=("--mdi-position", "3"))
        app = case.app_dir()
        # Attached with the front document's title already cached: the steady state.
        app.write_ini("[软件设置]\n数据源=0\n左边=%d\n顶边=%d\n[%s]\n浦发银行=600000\n" % (BAR_AT + (CACHE,)))
        case.start(app.exe)
        bar = h.find_window(title=h.LINGBO_TITLE, timeout=20, visible=True)
        label = bar_parts(bar)["label"]
        h.wait_until(lambda: h.window_text(label.hwnd) == "600000", 30, what="the label shows 600000")

        poll, plain = case.app_dir("floor_title_poll.exe"), case.app_dir("floor_window.exe")
        case.start(poll.exe)
        # The floor with one more of the program's per-tick calls each: where
        # the cost above the floor goes.
        parts = {}
        for part in BREAKDOWN:
            folder = parts[part] = case.app_dir("floor_title_poll.exe")
            # "profile@N": the same lookup in a cache of N entries, the wanted one last.
            entries = int(part.split("@")[1]) if "@" in part else 1
            folder.write_ini("[%s]\n" % CACHE + "".join("股票%d=%d\n" % (i, 600000 + i) for i in range(1, entries))
                             + "浦发银行=600000\n")
            case.start(folder.exe, *also(part))
        case.start(plain.exe, "--at", "500", "300", "--title", "floor")
        h.find_window(title="floor", timeout=20, visible=True)
        # For the record, not the target: the same window showing the bar's text.
        texted = case.app_dir("floor_window.exe")
        case.start(texted.exe, "--at", "500", "400", "--title", "floor text", "--text", "买 600000 卖")
        h.find_window(title="floor text", timeout=20, visible=True)
        # And with one more of the bar's parts each: where the memory above the floor goes.
        extras = {}
        for n, part in enumerate(MEMORY_BREAKDOWN):
            folder = extras[part] = case.app_dir("floor_window.exe")
            case.start(folder.exe, "--at", "700", str(300 + 30 * n), "--title", "floor " + part, *also(part))

        lingbo_pid, poll_pid, plain_pid, texted_pid = (unix_pid(folder.exe) for folder in (app, poll, plain, texted))
        extra_pids = {part: unix_pid(folder.exe) for part, folder in extras.items()}
        part_pids = {part: unix_pid(folder.exe) for part, folder in parts.items()}
        time.sleep(2)  # all past their start-up

        start = (cpu_seconds(lingbo_pid), cpu_seconds(poll_pid))
        part_start = {part: cpu_seconds(pid) for part, pid in part_pids.items()}
        plain_start = cpu_seconds(plain_pid)
        memory_start = h.private_kb(lingbo_pid)
        # Several windows, the median one judged: one disturbed stretch of a
        # shared machine must not decide the figure.
        windows = []
        for _ in range(IDLE_WINDOWS):
            before = (cpu_seconds(lingbo_pid), cpu_seconds(poll_pid))
            time.sleep(idle_seconds / IDLE_WINDOWS)
            windows.append((cpu_seconds(lingbo_pid) - before[0], max(cpu_seconds(poll_pid) - before[1], 1.0 / TICKS)))
        note("CPU of floor_window.exe (one idle window) over the same time: %.0f ms"
             % ((cpu_seconds(plain_pid) - plain_start) * 1000))
        note("idle windows of %.0f s, lingbo/floor ms: %s" % (idle_seconds / IDLE_WINDOWS, ", ".join(
            "%.0f/%.0f" % (a * 1000, b * 1000) for a, b in windows)))
        poll_cpu = cpu_seconds(poll_pid) - start[1]
        note("CPU over %d s: floor %.0f ms; floor with one more call of the tick: %s"
             % (idle_seconds, poll_cpu * 1000, ", ".join("%s %.0f ms" % (part, (cpu_seconds(pid) - part_start[part]) * 1000)
                                                         for part, pid in part_pids.items())))
        # The figure only counts if the program was waiting, not lost.
        h.wait_until(lambda: h.window_text(label.hwnd) == "600000", 10, what="the label still shows 600000")
        if not runs(lingbo_pid, app.exe):
            raise AssertionError("lingbo.exe ended while waiting")
        # A floor of 0 would make any cost an infinite ratio: one clock tick
        # (10 ms) is the finest figure the kernel gives.
        median_lingbo, median_floor = sorted(windows, key=lambda w: w[0] / w[1])[len(windows) // 2]
        ok = figure("idle_cpu_%ds_ms" % int(idle_seconds / IDLE_WINDOWS), median_lingbo * 1000, "ms",
                    median_floor * 1000, 1.5)

        if memory_seconds > idle_seconds:
            time.sleep(memory_seconds - idle_seconds)
        lingbo_kb, plain_kb = h.private_kb(lingbo_pid), h.private_kb(plain_pid)
        note("private memory of lingbo.exe: %d KB after start-up, %d KB after %d s of polling; floor_window.exe %d KB,"
             " with the bar's text painted %d KB" % (memory_start, lingbo_kb, memory_seconds, plain_kb,
                                                     h.private_kb(texted_pid)))
        note("floor_window.exe with one more part of the bar: %s"
             % ", ".join("%s %d KB" % (part, h.private_kb(pid)) for part, pid in extra_pids.items()))
        above = lingbo_kb - plain_kb
        ok &= figure("private_memory_above_floor_kb", above, "KB", 1024, 1.0)
        ok &= _idle_with_status_open(h, lingbo_pid, poll_pid, idle_seconds)
        return ok


def _idle_with_status_open(h, lingbo_pid, poll_pid, idle_seconds):
    """The same wait with the status window open, which looks the trading
    client up again every 500 ms.  For information, without a target: the
    window is open while the trader looks into a click that did nothing, not
    while waiting, so the idle figure above stays the one that counts."""
    from lingbo_app import choose_tray_menu_item

    # The program's icon came first, before the floors' own.
    choose_tray_menu_item(3, icon=0)
    status = h.find_window(title="凌波助手 状态", timeout=10, visible=True)
    try:
        time.sleep(2)  # past its first lookups
        start = (cpu_seconds(lingbo_pid), cpu_seconds(poll_pid))
        time.sleep(idle_seconds)
        lingbo_cpu = cpu_seconds(lingbo_pid) - start[0]
        poll_cpu = cpu_seconds(poll_pid) - start[1]
        if not h.window(status.hwnd):
            raise AssertionError("the status window closed while waiting")
        floor = max(poll_cpu, 1.0 / TICKS)
        note("INFO idle_cpu_status_open_%ds_ms %.2f ms floor %.2f ratio %.2f (status window open; no target)"
             % (idle_seconds, lingbo_cpu * 1000, floor * 1000, lingbo_cpu / floor))
        return True
    finally:
        h.post(status.hwnd, 0x0010)  # WM_CLOSE


def measure_order(runs):
    ok = order_figure("order_entry_median_ms", runs, 1.05)
    # The way round adds ten messages to a client that answers (replace,
    # read back, select, six characters, read back) and no pause, a few ms
    # under Wine: a pause slipped into it shows here; a second run of typing
    # is the scenarios' to catch.
    ok = order_figure("order_entry_fallback_ms", runs, 1.10, "--ignore-replace") and ok
    # The hot key and the code typed on the keyboard: the same pauses, a look
    # at the modifiers, the front window and the focus before each SendInput.
    ok = order_figure("order_entry_real_keys_ms", runs, 1.10, "--keyboard-only", "--hot-key-down",
                      settings={"输入方式": "2"}) and ok
    # The bar's 买入热键 instead of the click, let go at once: the same action,
    # and a look at the modifiers before the key goes to the client.
    return order_figure("order_entry_hot_key_ms", runs, 1.05, hot_key=True) and ok


def order_figure(name, runs, target, *client_options, settings=None, hot_key=False):
    results = order_latency.measure(runs, *client_options, settings=settings, hot_key=hot_key)
    if not results:
        raise AssertionError("the order latency run failed")
    # The click is the button's release, which xdotool sends as the last
    # thing it does: timed from when xdotool has done, not from before the
    # few milliseconds it takes to start (shown as the upper bound).
    total = [r[0] - r[1] for r in results]
    upper = [r[0] for r in results]
    note("%s runs (ms): %s" % (name, " ".join("%.0f" % v for v in total)))
    note("timed from before xdotool starts instead: median %.1f ms" % statistics.median(upper))
    return figure(name, statistics.median(total), "ms", order_latency.PAUSES_MS, target)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--only", default="startup,idle,order")
    parser.add_argument("--idle-seconds", type=int, default=150)
    parser.add_argument("--memory-seconds", type=int, default=60)
    parser.add_argument("--startup-runs", type=int, default=15)
    parser.add_argument("--order-runs", type=int, default=20)
    args = parser.parse_args()
    parts = set(args.only.split(","))

    state = order_latency.start_session()
    import harness as h

    ok = True
    try:
        if "startup" in parts:
            ok &= measure_startup(h, args.startup_runs)
        if "idle" in parts:
            ok &= measure_idle(h, args.idle_seconds, max(args.memory_seconds, args.idle_seconds))
        if "order" in parts:
            ok &= measure_order(args.order_runs)
    except AssertionError as error:
        print("perf_wine: %s" % error, file=sys.stderr)
        return 2
    finally:
        order_latency.end_session(state)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
