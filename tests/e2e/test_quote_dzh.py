"""The label follows the front chart document of a running 大智慧 stand-in."""

import unittest

from fault_scene import DzhStandIn
from lingbo_app import LingboCase

CACHE = "代码表"


class FollowsDzh(LingboCase):

    def test_label_follows_the_front_document(self):
        dzh = DzhStandIn(self, ["平安银行", "浦发银行"], args=("--mdi-position", "3"))  # the last one in front
        bar = self.start_bar(数据源="0", shows="600000")
        app = bar.app
        label_is = bar.wait_code

        self.assertEqual(app.ini_get(CACHE, "浦发银行"), "600000")

        dzh.show("平安银行")
        label_is("000001")
        self.assertEqual(app.ini_get(CACHE, "平安银行"), "000001")

        # A name in neither table stands for itself, and is cached as itself.
        dzh.show("无此股票")
        label_is("无此股票")
        self.assertEqual(app.ini_get(CACHE, "无此股票"), "无此股票")

        dzh.show("浦发银行")
        label_is("600000")
        self.assertEqual(sorted(app.ini_keys(CACHE)), sorted(["浦发银行", "平安银行", "无此股票"]))


if __name__ == "__main__":
    unittest.main()
