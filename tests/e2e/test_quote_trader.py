"""With 交易师 as the quote source the label follows its main window's title."""

import time
import unittest

import harness
from harness import wait_until
from lingbo_app import LingboCase


class FollowsTrader(LingboCase):

    def test_label_follows_the_title(self):
        trader = self.start_trader()
        bar = self.start_bar(shows="600036")
        trader.retitle("交易师 - 000001 - 平安银行")
        bar.wait_code("000001")
        # A title without a code leaves the last one on the label.
        trader.retitle("交易师 - 行情")
        wait_until(lambda: harness.find_windows(title="交易师 - 行情"), 5, what="the new title")
        time.sleep(0.5)  # several ticks
        self.assertEqual(bar.label_text(), "000001")

    def test_code_from_the_root_owner_of_the_marked_window(self):
        trader = self.start_trader(title="行情 [SH600519]", options=("--owned-marker",))
        bar = self.start_bar(shows="600519")
        trader.retitle("行情 [SZ000858]")
        bar.wait_code("000858")


if __name__ == "__main__":
    unittest.main()
