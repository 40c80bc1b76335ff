"""Pieces shared by the order scenarios and the latency measurement.

A scene is the real lingbo.exe in a folder of its own (LingboCase.start_bar),
the stand-in trading client (peers/trading_client.exe) logging what it
receives, and 交易师 or 大智慧 showing a code.  Clicks are real X clicks on the bar.
"""

import os
import tempfile

import harness as h
from lingbo_app import LingboCase

CLIENT_EXE = "trading_client.exe"
CLIENT_TITLE = "网上股票交易系统"


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
        parts = (line.split(" ") for line in lines)
        return [(float(p[0]) / 1000.0, p[1], p[2:]) for p in parts if len(p) >= 2]

    def of(self, kind):
        return [(t, args) for t, k, args in self.events() if k == kind]

    def keys(self):
        """(message, wParam, lParam, role) of every key message, in order."""
        return [(k, a[0], a[1], a[2]) for t, k, a in self.events() if k.startswith("WM_") and len(a) >= 3]

    def codes(self, side):
        """(time, text) of every change of that form's code field."""
        return [(t, " ".join(a[1:])) for t, a in self.of("CODE") if a and a[0] == side]

    def typed_runs(self, side):
        """The characters typed into that form's code field, one string per run:
        consecutive CHAR events, with only the changes they cause and the
        queue's own record of the keys and characters between them."""
        runs, typing = [], False
        for _, kind, args in self.events():
            if kind == "CHAR" and args and args[0] == side:
                if not typing:
                    runs.append("")
                runs[-1] += chr(int(args[1], 16))
                typing = True
            elif kind not in ("CODE", "NAME") and not kind.startswith("WM_"):
                typing = False
        return runs


class StandInClient:
    """The running stand-in and the handles it logged at its start; title and
    code None leave them to the options."""

    def __init__(self, case, *options, exe=CLIENT_EXE, title=CLIENT_TITLE, code="999999"):
        handle, path = tempfile.mkstemp(prefix="client-", suffix=".log", dir=case.scratch)
        os.close(handle)
        self.log = ClientLog(path)
        named = {"title": title, "log": h.windows_path(self.log.path), "code": code}
        self.program = case.start(exe, *("--%s=%s" % item for item in named.items() if item[1] is not None), *options)
        start = h.wait_until(lambda: self.log.of("START"), 20, what="%s started" % exe)[0][1]
        fields = dict(item.split("=", 1) for item in start)
        self.pid, self.main, self.popup = int(fields["pid"]), int(fields["main"]), int(fields["popup"])
        self.buy_field, self.sell_field = int(fields["buy"]), int(fields["sell"])
        self.name_label = {side: int(fields[side + ".name"]) for side in ("buy", "sell")}
        self.price_field = {side: int(fields[side + ".price"]) for side in ("buy", "sell")}
        self.buy_quantity = int(fields["buy.quantity"])

    def stop(self):
        self.program.stop()
        h.wait_until(lambda: h.window(self.main) is None, 10, what="client gone")

    def field_text(self, side):
        return h.window_text(self.buy_field if side == "buy" else self.sell_field)

    def wait_code(self, side, code, timeout=8):
        return h.wait_until(lambda: [t for t, text in self.log.codes(side) if text == code], timeout,
                            interval=0.02, what="%s field holds %s" % (side, code))[0]

    def security(self, side):
        """(name, price) the form shows, read through the probe."""
        return h.window_text(self.name_label[side]), h.window_text(self.price_field[side])


class OrderCase(LingboCase):
    """A LingboCase with the scene's parts."""

    def start_following_trader(self, code="600036", name="招商银行", **settings):
        """交易师 showing a code, and the bar started after it, showing the code too."""
        return self.start_trader(code, name), self.start_bar(shows=code, **settings)

    def stop_bar(self, bar):
        """Ends that bar, so that another can start with other settings."""
        bar.program.stop()
        h.wait_until(lambda: not h.find_windows(title=h.LINGBO_TITLE), 10, what="bar gone")

    def start_client(self, *options, **kwargs):
        return StandInClient(self, *options, **kwargs)

