"""The trading client killed in the middle of an order action: the action
ends on its own bounds, the bar goes on following the code, and the next click
finds the trading client started afresh."""

import sys
import time
import unittest

import harness as h
from order_scene import OrderCase

CODES = ["600036", "000001", "600000", "000002"]


class ClientKilled(OrderCase):

    def test_client_killed_during_the_action(self):
        trader, bar = self.start_following_trader(CODES[0])
        # Killed before the hot key arrives, while the form opens, and while
        # the action looks for the code field.
        for step, kill_after in enumerate((0.0, 0.15, 0.8, 1.6)):
            with self.subTest(kill_after=kill_after):
                client = self.start_client("--focus-delay=1800")
                bar.buy()
                time.sleep(kill_after)
                client.program.stop(grace=1)
                killed = time.time()
                code = CODES[(step + 1) % len(CODES)]
                trader.retitle("交易师 - %s - 名称" % code)
                # The label's handle was taken while the bar was idle: asked
                # now, a busy bar's controls would answer no titles.
                bar.wait_code(code, timeout=8)
                print("\nkilled %.2f s after the click: the bar followed again %.2f s later"
                      % (kill_after, time.time() - killed), file=sys.stderr)
                # 230 ms of pauses and 20 looks 100 ms apart bound the action.
                self.assertLess(time.time() - killed, 2.3 + 2.5)
                self.assertEqual(client.log.of("CODE"), [])
                h.wait_until(lambda: h.window(client.main) is None, 10, what="client gone")

        self.assertTrue(bar.program.alive())
        client = self.start_client()
        bar.buy()
        client.wait_code("buy", code)
        self.assertEqual(client.field_text("buy"), code)
        self.assertEqual(bar.stall(300)[3], 0)


if __name__ == "__main__":
    unittest.main()
