"""The label follows the chart title of a running 通达信 stand-in, a click on 买
writes the code shown, and the tray menu's "通达信" item chooses it."""

import time
import unittest

import harness as h
from fault_scene import DzhStandIn
from lingbo_app import choose_tray_menu_item
from order_scene import OrderCase

TDX_ITEM = 2


class FollowsTdx(OrderCase):

    def test_label_follows_the_chart_and_buy_writes_its_code(self):
        tdx = DzhStandIn.tdx(self, "分析图表-平安银行")
        client = self.start_client()
        bar = self.start_bar(数据源="2")
        bar.wait_code("000001")

        tdx.show("分析图表-浦发银行")
        bar.wait_code("600000")
        tdx.show("行情报价-沪深Ａ股")  # not a chart: the label stays
        h.wait_until(lambda: "行情报价" in h.window_text(tdx.frame.hwnd), 10, what="the quote page")
        time.sleep(0.5)
        self.assertEqual(bar.label_text(), "600000")
        tdx.show("分析图表-贵州茅台")
        bar.wait_code("600519")

        bar.buy()
        client.wait_code("buy", "600519")

    def test_the_tray_item_chooses_tdx(self):
        tdx = DzhStandIn.tdx(self, "分析图表-万科Ａ")
        bar = self.start_bar(数据源="0")
        choose_tray_menu_item(TDX_ITEM)
        h.wait_until(lambda: bar.app.ini_get("软件设置", "数据源") == "2", 10, what="数据源=2 written")
        bar.wait_code("000002")
        tdx.show("分析图表-招商银行")
        bar.wait_code("600036")


if __name__ == "__main__":
    unittest.main()
