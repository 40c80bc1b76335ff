"""Helpers for scenarios about lingbo.exe itself, on top of harness.

LingboCase.start_bar is the one way to start lingbo.exe: in a fresh folder whose
new.ini is settings_ini(cache, **SCENE updated by settings), or from app's folder
with whatever new.ini it holds; it waits for the visible bar (with at=(x, y), for
its top-left corner there; with shows=text, for its label showing that).
start_trader is the one way to start 交易师: a main window titled "交易师 - code -
name", retitled through a control file.  Bar reads through to the Window found
at start (bar.hwnd, bar.left, ...); its stall(ms) pings the bar with WM_NULL from
outside: (pings, longest ms, mean ms, failed).
choose_tray_menu_item(index) clicks an item of the tray icon's menu (0 大智慧,
1 交易师, 2 状态…, 3 退出).
"""

import os
import sys
import time

import harness
from harness import WineTestCase, wait_until

SECTION = "软件设置"
KEY_NOTE = "F1[112],F2[113],F3[114],F4[115],依此类推"
KEYS = {"买入键": "112", "卖出键": "113", "功能键": "114"}
SCENE = dict(数据源="1", **KEYS, 左边="100", 顶边="100")


def settings_ini(cache=None, **values):
    text = "[%s]\n" % SECTION + "".join("%s=%s\n" % item for item in values.items() if item[1] is not None)
    if cache:
        text += "[代码表]\n" + "".join("%s=%s\n" % item for item in cache.items())
    return text


def bar_parts(bar):
    kids = sorted(harness.children(bar.hwnd), key=lambda w: w.left)
    if len(kids) != 3:
        raise AssertionError("the bar should hold three controls, it holds %r" % kids)
    return dict(zip(("buy", "label", "sell"), kids))


def key_boxes(dialog):
    boxes = sorted((w for w in harness.children(dialog.hwnd) if w.cls.lower() == "edit"), key=lambda w: w.top)
    if len(boxes) != 3:
        raise AssertionError("the key settings window should hold three boxes, it holds %r" % boxes)
    return boxes


class Bar:
    """The running program and its bar: 买 0-30, the code 30-90, 卖 90-120."""

    def __init__(self, app, program, window):
        self.app, self.program, self.window = app, program, window
        self._label = None

    def __getattr__(self, name):
        return getattr(self.__dict__["window"], name)

    @property
    def label(self):
        # Taken once, while the bar is idle: asked while an action runs, a busy
        # bar's controls would answer no titles.
        if self._label is None:
            self._label = bar_parts(self.window)["label"].hwnd
        return self._label

    def _point(self, x):
        w = harness.window(self.window.hwnd) or self.window
        return w.left + x, w.top + 12

    def buy_point(self):
        return self._point(15)

    def buy(self):
        harness.click(*self.buy_point())

    def sell(self):
        harness.click(*self._point(105))

    def double_click_label(self):
        harness.double_click(*self._point(60))

    def label_text(self):
        return harness.window_text(self.label)

    def wait_code(self, text, timeout=15):
        label = self.label
        return wait_until(lambda: harness.window_text(label) == text, timeout, 0.1,
                          what="the label shows %r" % text[:40])

    def stall(self, ms, bound=20000):
        out = harness.probe("ping", self.window.hwnd, ms, bound, timeout=ms / 1000 + bound / 1000 + 30).split()
        return int(out[0]), float(out[1]), float(out[2]), int(out[3])

    def settings(self):
        return self.app.parse_ini().get(SECTION, {})

    def handles(self):
        handles, windows = harness.probe("handles", self.window.pid).split()
        return int(handles), int(windows)

    def private_kb(self):
        return harness.private_kb(self.program.pid)


class Trader:
    """The 交易师 stand-in: a main window whose title the scenario changes."""

    def __init__(self, program, window, control):
        self.program, self.window, self._control = program, window, control

    def retitle(self, text):
        with open(self._control, "w", encoding="utf-8") as f:
            f.write(text + "\n")


class LingboCase(WineTestCase):

    def start_trader(self, code="600036", name="招商银行", title=None, options=()):
        title = title or "交易师 - %s - %s" % (code, name)
        control = os.path.join(self.scratch, "trader-%d.txt" % len(os.listdir(self.scratch)))
        program = self.start("trader_standin.exe", *options, "--control", harness.windows_path(control), title)
        return Trader(program, self.find_window(title=title, timeout=20), control)

    def start_bar(self, app=None, at=None, timeout=20, cache=None, shows=None, **settings):
        if app is None:
            app = self.app_dir()
            app.write_ini(settings_ini(cache, **dict(SCENE, **settings)))
        elif settings or cache:
            raise AssertionError("settings go into a fresh folder's new.ini; %s has its own" % app.exe)
        program = self.start(app.exe, cwd=os.path.dirname(app.exe))
        window = self.find_window(title=harness.LINGBO_TITLE, timeout=timeout, visible=True)
        if at is not None:
            window = wait_until(lambda: (lambda w: w if w and w.rect[:2] == tuple(at) else None)(
                harness.window(window.hwnd)), 10, what="the bar at %r" % (at,))
        bar = Bar(app, program, window)
        if shows is not None:
            bar.wait_code(shows)
        return bar

    def open_key_settings(self, bar):
        label = bar_parts(bar)["label"]
        harness.mouse_move(*label.center)
        harness.mouse_down(3)
        try:
            return self.find_window(title="功能键设置", timeout=10, visible=True)
        finally:
            harness.mouse_up(3)
            time.sleep(0.2)

    def assertStillRunning(self, bar):
        self.assertTrue(bar.program.alive(), "lingbo.exe has ended")
        count, longest, _, failed = bar.stall(300)
        self.assertEqual(failed, 0, "the bar does not answer (longest wait %.0f ms)" % longest)

    # One text read waits at most 500 ms per message; with Wine's own slowness
    # on a busy machine, the bar must never keep a message waiting 1.5 s.
    def assertResponsive(self, bar, what, ms, longest_ms=1500):
        count, longest, mean, failed = bar.stall(ms)
        print("\n%s: %d pings, longest wait %.0f ms, mean %.1f ms" % (what, count, longest, mean), file=sys.stderr)
        self.assertEqual(failed, 0, what)
        self.assertLess(longest, longest_ms, what)


TRAY_MENU_ITEMS = 5


def choose_tray_menu_item(index, icon=None):
    # Without a desktop's tray Wine shows the icons in a window of its own.
    tray = harness.find_window(title="Wine System Tray", timeout=10, visible=True)
    icons = wait_until(lambda: [w for w in harness.children(tray.hwnd) if w.visible], 10, what="a tray icon")
    if icon is None and len(icons) != 1:
        raise AssertionError("the tray should hold the program's icon alone: %r" % icons)
    harness.click(*sorted(icons, key=lambda w: w.left)[icon or 0].center, button=3)
    menu = harness.find_window(cls="#32768", timeout=10, visible=True)
    # The items share the menu's height inside a 3-pixel frame.
    step = (menu.height - 6) // TRAY_MENU_ITEMS
    harness.click(menu.left + menu.width // 2, menu.top + 3 + step * index + step // 2)
    wait_until(lambda: not [w for w in harness.find_windows(cls="#32768") if w.visible], 10, what="the tray menu closed")
