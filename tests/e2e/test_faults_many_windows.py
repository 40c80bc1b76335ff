"""1,000 visible top-level windows above the peers: the bar still finds
大智慧 and the trading client beneath them and stays responsive while it
searches for 大智慧 (figures printed).  The start-up search for the trading
client examines the executable behind every one of them, which takes long
under Wine: its time is printed, not bounded tightly."""

import sys
import time
import unittest

import harness as h
from fault_scene import DzhStandIn
from order_scene import OrderCase

CROWD = 1000


class ThousandWindows(OrderCase):

    def test_peers_found_beneath_a_thousand_windows(self):
        client = self.start_client()
        dzh = DzhStandIn(self, ["招商银行"])
        crowd = self.start("trader_standin.exe", "--crowd", CROWD, "人群")
        h.wait_until(lambda: len([w for w in h.windows() if w.title.startswith("窗口 ")]) >= CROWD, 60, 1,
                     what="%d windows up" % CROWD)
        self.assertTrue(crowd.alive())

        started = time.monotonic()
        bar = self.start_bar(timeout=120, 数据源="0")
        print("\nthe bar showed %.1f s after start, its start-up search going through %d windows"
              % (time.monotonic() - started, CROWD), file=sys.stderr)
        bar.wait_code("600036", timeout=20)
        self.assertEqual(bar.stall(1000)[3], 0)

        # Found by the start-up search and remembered: the click goes straight to it.
        clicked = time.monotonic()
        bar.buy()
        client.wait_code("buy", "600036", timeout=40)
        print("\nbuy filled %.1f s after the click, the client beneath %d windows" % (time.monotonic() - clicked,
              CROWD), file=sys.stderr)

        # Searching for 大智慧 again, every 10 s, through all of them.
        dzh.stop()
        self.assertResponsive(bar, "searching for 大智慧 among %d windows" % CROWD, 11000, longest_ms=5000)
        self.assertTrue(bar.program.alive())


if __name__ == "__main__":
    unittest.main()
