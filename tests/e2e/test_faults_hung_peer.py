"""Peer windows that stop answering while the bar polls them.  Every message
to another program's window is bounded, so no tick holds the bar for long:
the bar answers its own messages throughout (measured with WM_NULL pings from
outside), keeps its last code, and follows again once the peer answers."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import harness as h  # noqa: E402
from fault_scene import DzhStandIn  # noqa: E402
from lingbo_app import LingboCase  # noqa: E402

# One text read waits at most 500 ms per message; with Wine's own slowness
# on a busy machine, the bar must never keep a message waiting this long.
LONGEST_STALL_MS = 1500


class HungPeers(LingboCase):

    def assertResponsive(self, bar, what, ms=4000):
        count, longest, mean, failed = bar.stall(ms)
        print("\n%s: %d pings, longest wait %.0f ms, mean %.1f ms" % (what, count, longest, mean), file=sys.stderr)
        self.assertEqual(failed, 0)
        self.assertLess(longest, LONGEST_STALL_MS, what)

    def assertHung(self, window):
        self.assertGreater(int(h.probe("ping", window.hwnd, 50, 300).split()[3]), 0, "the peer still answers")

    # The measurement starts before the peer stops answering and covers the
    # first seconds of its silence, before Wine calls the window hung (after
    # that, SMTO_ABORTIFHUNG gives up at once and no wait is seen).

    def test_dzh_that_stops_answering(self):
        dzh = DzhStandIn(self, ["浦发银行"], args=("--hang-after", "6000", "--hang-for", "14000"))
        bar = self.start_bar(数据源="0")
        bar.wait_code("600000")
        self.assertResponsive(bar, "大智慧 stops answering while attached", ms=7000)
        self.assertHung(dzh.frame)
        self.assertEqual(bar.label_text(), "600000")
        dzh.show("平安银行")  # taken up when it answers again
        bar.wait_code("000001", timeout=15)

    def test_trader_that_stops_answering(self):
        trader = self.start_trader(options=("--hang-after", "6000", "--hang-for", "60000"))
        bar = self.start_bar()
        bar.wait_code("600036")
        self.assertResponsive(bar, "交易师 stops answering", ms=7000)
        self.assertHung(trader.window)
        self.assertEqual(bar.label_text(), "600036")
        self.assertTrue(trader.program.alive())

    def test_unrelated_window_that_stops_answering(self):
        bar = self.start_bar(数据源="0")
        # Above every other window, so each search for 大智慧 asks it first.
        window = self.start_trader(title="其他程序", options=("--hang-after", "1000")).window
        self.assertResponsive(bar, "searching for 大智慧 past a window that stopped answering", ms=10500)
        self.assertHung(window)
        DzhStandIn(self, ["平安银行"])
        bar.wait_code("000001", timeout=10 + 5)
        self.assertStillRunning(bar)


if __name__ == "__main__":
    unittest.main()
