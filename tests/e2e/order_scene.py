"""Pieces shared by the order scenarios and the latency measurement.

A scene is the real lingbo.exe in a folder of its own, the stand-in trading
client (peers/trading_client.exe) logging what it receives, and a window whose
title shows a code the way 交易师 does.  Clicks are real X clicks on the bar.
"""

import os
import shutil
import tempfile
import time

import harness as h
from lingbo_app import LingboCase

TRADER_EXE = "trader_standin.exe"
DZH_EXE = "dzh_standin.exe"
CLIENT_EXE = "trading_client.exe"
CLIENT_TITLE = "网上股票交易系统"


def ini_text(buy=112, sell=113, function=114, source="1", cache=None, entry=None):
    """new.ini with the given keys and source ("1" 交易师, "0" 大智慧), bar at (100, 100),
    and 大智慧 document titles already mapped to codes; entry is "输入方式", left out when None."""
    text = ("[软件设置]\n数据源=%s\n买入键=%d\n卖出键=%d\n功能键=%d\n左边=100\n顶边=100\n"
            % (source, buy, sell, function))
    if entry is not None:
        text += "输入方式=%s\n" % entry
    if cache:
        text += "[代码表]\n" + "".join("%s=%s\n" % item for item in cache.items())
    return text


class ClientLog:
    """The stand-in's event log: one line per event, "<ms since 1970> <event> <args...>"."""

    def __init__(self, path):
        self.path = path

    def events(self):
        try:
            with open(self.path, encoding="utf-8", errors="replace") as f:
                lines = f.read().splitlines()
        except FileNotFoundError:
            return []
        events = []
        for line in lines:
            parts = line.split(" ")
            if len(parts) >= 2:
                events.append((float(parts[0]) / 1000.0, parts[1], parts[2:]))
        return events

    def of(self, kind):
        return [(t, args) for t, k, args in self.events() if k == kind]

    def keys(self):
        """(message, wParam, lParam, role) of every key message, in order."""
        return [(k, a[0], a[1], a[2]) for t, k, a in self.events()
                if k.startswith("WM_") and len(a) >= 3]

    def codes(self, side):
        """(time, text) of every change of that form's code field."""
        return [(t, " ".join(a[1:])) for t, a in self.of("CODE") if a and a[0] == side]

    def typed_runs(self, side):
        """The characters typed into that form's code field, one string per run:
        consecutive CHAR events, with only the changes they cause and the
        queue's own record of posted characters between them."""
        runs, typing = [], False
        for _, kind, args in self.events():
            if kind == "CHAR" and args and args[0] == side:
                if not typing:
                    runs.append("")
                runs[-1] += chr(int(args[1], 16))
                typing = True
            elif kind not in ("CODE", "NAME", "WM_CHAR"):
                typing = False
        return runs


class StandInClient:
    def __init__(self, case, *options, exe=CLIENT_EXE, title=CLIENT_TITLE, code="999999"):
        self.log = ClientLog(os.path.join(case.scratch, "client-%d.log" % len(case.clients)))
        case.clients.append(self)
        args = ["--title=" + title, "--log=" + h.windows_path(self.log.path)]
        if code is not None:
            args.append("--code=" + code)
        self.program = case.start(exe, *(args + list(options)))
        start = h.wait_until(lambda: self.log.of("START"), 20, what="trading client started")[0][1]
        fields = dict(item.split("=", 1) for item in start)
        self.main = int(fields["main"])
        self.buy_field = int(fields["buy"])
        self.sell_field = int(fields["sell"])
        self.name_label = {side: int(fields[side + ".name"]) for side in ("buy", "sell")}
        self.price_field = {side: int(fields[side + ".price"]) for side in ("buy", "sell")}

    def field(self, side):
        return self.buy_field if side == "buy" else self.sell_field

    def field_text(self, side):
        return h.window_text(self.field(side))

    def wait_code(self, side, code, timeout=8):
        return h.wait_until(lambda: [t for t, text in self.log.codes(side) if text == code], timeout,
                            interval=0.02, what="%s field holds %s" % (side, code))[0]

    def security(self, side):
        """(name, price) the form shows, read through the probe."""
        return h.window_text(self.name_label[side]), h.window_text(self.price_field[side])


class OrderCase(LingboCase):
    """A LingboCase with a scratch folder and the scene's parts."""

    def setUp(self):
        super().setUp()
        self.scratch = tempfile.mkdtemp(prefix="order-", dir=_scratch_root())
        self.clients = []
        self.addCleanup(shutil.rmtree, self.scratch, True)

    def start_trader(self, code="600036", name="招商银行"):
        """交易师, showing the code it follows in its title."""
        title = "交易师 - %s - %s" % (code, name)
        self.start(TRADER_EXE, title)
        return self.find_window(title=title, timeout=20)

    def start_following_trader(self, code="600036", name="招商银行", **keys):
        """交易师 showing a code, and the bar started after it, showing the code too."""
        trader = self.start_trader(code, name)
        _, bar = self.start_lingbo(**keys)
        bar.wait_code(code)
        return trader, bar

    def start_dzh(self, *documents):
        """大智慧 in a folder laid out like its own, the last document in front."""
        folder = os.path.join(self.scratch, "dzh")
        for market in ("sh", "sz"):
            os.makedirs(os.path.join(folder, "data", market))
        exe = os.path.join(folder, "dzh.exe")
        shutil.copy2(h.exe_path(DZH_EXE), exe)
        self.start(exe, *documents)
        return self.find_window(title="大智慧", timeout=20)

    def start_lingbo(self, **keys):
        app = self.app_dir()
        app.write_ini(ini_text(**keys))
        self.lingbo = self.start(app.exe, cwd=app.path)
        bar = self.find_window(title=h.LINGBO_TITLE, timeout=20, visible=True)
        return app, Bar(bar)

    def stop_lingbo(self):
        """Ends the bar started last, so that another can start with other settings."""
        self.lingbo.stop()
        h.wait_until(lambda: not h.find_windows(title=h.LINGBO_TITLE), 10, what="bar gone")

    def start_client(self, *options, **kwargs):
        return StandInClient(self, *options, **kwargs)


class Bar:
    """The bar's three controls by their place: 买 0-30, the code 30-90, 卖 90-120."""

    def __init__(self, window):
        self.window = window

    def _point(self, x):
        w = h.window(self.window.hwnd) or self.window
        return w.left + x, w.top + 12

    def buy_point(self):
        return self._point(15)

    def buy(self):
        h.click(*self.buy_point())

    def sell(self):
        h.click(*self._point(105))

    def double_click_label(self):
        h.double_click(*self._point(60))

    def label(self):
        for child in h.children(self.window.hwnd):
            if child.title not in ("买", "卖"):
                return child
        raise AssertionError("the bar has no code label")

    def wait_code(self, code, timeout=8):
        label = self.label()
        h.wait_until(lambda: h.window_text(label.hwnd) == code, timeout, what="label shows %s" % code)


def _scratch_root():
    root = os.path.join(h.state_dir(), "order")
    os.makedirs(root, exist_ok=True)
    return root


def now():
    return time.time()
