"""Pieces shared by the peer-fault scenarios (test_faults_*.py), soak_wine.py and test_quote_dzh.py.

    DzhStandIn(case, documents, shanghai=..., shenzhen=..., table="STKINFO60.DAT", args=())
        the 大智慧 stand-in copied as dzh.exe into a fresh folder laid out like
        大智慧's own, with code tables made from (code, name) lists and a control
        file; .show(name) brings a document to the front (see dzh_standin.cpp for
        "hex:" and "long:" names), .frame the main window, .program, .folder
    FaultCase(WineTestCase)
        self.start_lingbo(source="0", cache=None) -> Lingbo
    Lingbo: .app (AppDir), .program, .bar (Window), .label (hwnd)
        .label_text()        the code label's text (None when it does not answer)
        .wait_label(text, timeout)
        .stall(ms)           (pings, longest ms, mean ms, failed) of WM_NULL sent to the
                             bar for ms: the longest time the bar kept a message waiting
        .settings()          section "软件设置" of new.ini, parsed
        .handles()           (kernel handles, windows) of lingbo.exe, seen from outside
        .private_kb()        private memory of the Wine process running lingbo.exe
"""

import os
import shutil

import harness as h
from lingbo_app import SECTION
from make_code_tables import SHANGHAI, SHENZHEN, make_dzh_folder
from order_scene import ini_text


class DzhStandIn:
    def __init__(self, case, documents, shanghai=SHANGHAI, shenzhen=SHENZHEN, table="STKINFO60.DAT", args=(),
                 title="大智慧 - 行情"):
        self.folder = case.app_dir("dzh_standin.exe").path
        make_dzh_folder(self.folder, shanghai, shenzhen, table)
        self.control = os.path.join(self.folder, "front.txt")
        self.exe = os.path.join(self.folder, "dzh.exe")
        shutil.move(os.path.join(self.folder, "dzh_standin.exe"), self.exe)
        self.program = case.start(self.exe, "--title", title, "--control", h.windows_path(self.control),
                                  *(list(args) + list(documents)))
        self.frame = case.find_window(title=title, timeout=20)

    def show(self, name):
        with open(self.control, "w", encoding="utf-8") as f:
            f.write(name + "\n")

    def stop(self):
        self.program.stop()
        h.wait_until(lambda: h.window(self.frame.hwnd) is None, 10, what="大智慧 stand-in gone")


class Lingbo:
    def __init__(self, app, program, bar):
        self.app, self.program, self.bar = app, program, bar
        self.label = next(c.hwnd for c in h.children(bar.hwnd) if c.title not in ("买", "卖"))

    def label_text(self):
        return h.window_text(self.label)

    def wait_label(self, text, timeout=15):
        return h.wait_until(lambda: self.label_text() == text, timeout, 0.1,
                            what="the label shows %r" % text[:40])

    def stall(self, ms, bound=20000):
        out = h.probe("ping", self.bar.hwnd, ms, bound, timeout=ms / 1000 + bound / 1000 + 30).split()
        return int(out[0]), float(out[1]), float(out[2]), int(out[3])

    def settings(self):
        return self.app.parse_ini().get(SECTION, {})

    def handles(self):
        handles, windows = h.probe("handles", self.bar.pid).split()
        return int(handles), int(windows)

    def private_kb(self):
        total = 0
        with open("/proc/%d/smaps_rollup" % self.program.pid) as f:
            for line in f:
                if line.startswith(("Private_Clean:", "Private_Dirty:")):
                    total += int(line.split()[1])
        return total


class FaultCase(h.WineTestCase):
    def start_lingbo(self, source="0", cache=None, **keys):
        app = self.app_dir()
        app.write_ini(ini_text(source=source, cache=cache, **keys))
        program = self.start(app.exe, cwd=app.path)
        bar = self.find_window(title=h.LINGBO_TITLE, timeout=20, visible=True)
        return Lingbo(app, program, bar)

    def assertStillRunning(self, lingbo):
        self.assertTrue(lingbo.program.alive(), "lingbo.exe has ended")
        count, longest, _, failed = lingbo.stall(300)
        self.assertEqual(failed, 0, "the bar does not answer (longest wait %.0f ms)" % longest)
