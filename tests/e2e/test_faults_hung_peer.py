"""Peer windows that stop answering while the bar polls them.  Every message
to another program's window is bounded, so no tick holds the bar for long:
the bar answers its own messages throughout (measured with WM_NULL pings from
outside), keeps its last code, and follows again once the peer answers."""

import unittest

import harness as h
from fault_scene import DzhStandIn
from lingbo_app import LingboCase


class HungPeers(LingboCase):

    def assertHung(self, window):
        self.assertGreater(int(h.probe("ping", window.hwnd, 50, 300).split()[3]), 0, "the peer still answers")

    # The measurement starts before the peer stops answering and covers the
    # first seconds of its silence, before Wine calls the window hung (after
    # that, SMTO_ABORTIFHUNG gives up at once and no wait is seen).

    def test_dzh_that_stops_answering(self):
        dzh = DzhStandIn(self, ["浦发银行"], args=("--hang-after", "6000", "--hang-for", "14000"))
        bar = self.start_bar(数据源="0", shows="600000")
        self.assertResponsive(bar, "大智慧 stops answering while attached", ms=7000)
        self.assertHung(dzh.frame)
        self.assertEqual(bar.label_text(), "600000")
        dzh.show("平安银行")  # taken up when it answers again
        bar.wait_code("000001", timeout=15)

    def test_trader_that_stops_answering(self):
        trader = self.start_trader(options=("--hang-after", "6000", "--hang-for", "60000"))
        bar = self.start_bar(shows="600036")
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
