"""With 交易师 as the quote source the label follows its main window's title."""

import time
import unittest

import harness
from harness import wait_until
from lingbo_app import LingboCase, bar_parts, settings_ini


class FollowsTrader(LingboCase):

    def start_label(self):
        app = self.app_dir()
        app.write_ini(settings_ini(数据源="1", 买入键="112", 卖出键="113", 功能键="114"))
        return bar_parts(self.start_bar(app))["label"]

    def wait_label(self, label, code):
        wait_until(lambda: harness.window_text(label.hwnd) == code, 10, what="the label shows " + code)

    def test_label_follows_the_title(self):
        retitle = self.start_retitled_trader("交易师 - 600036 - 招商银行")
        label = self.start_label()
        self.wait_label(label, "600036")
        retitle("交易师 - 000001 - 平安银行")
        self.wait_label(label, "000001")
        # A title without a code leaves the last one on the label.
        retitle("交易师 - 行情")
        wait_until(lambda: harness.find_windows(title="交易师 - 行情"), 5, what="the new title")
        time.sleep(0.5)  # several ticks
        self.assertEqual(harness.window_text(label.hwnd), "000001")

    def test_code_from_the_root_owner_of_the_marked_window(self):
        retitle = self.start_retitled_trader("行情 [SH600519]", "--owned-marker")
        label = self.start_label()
        self.wait_label(label, "600519")
        retitle("行情 [SZ000858]")
        self.wait_label(label, "000858")


if __name__ == "__main__":
    unittest.main()
