"""The label follows the chart title of a running 通达信 stand-in, a click on 买
writes the code shown, and the tray menu's "通达信" item chooses it; long
names, indices, two 通达信 windows and a table taken for writing meanwhile."""

import os
import time
import unittest

import harness as h
from fault_scene import DzhStandIn
from lingbo_app import choose_tray_menu_item
from make_code_tables import SHANGHAI, SHENZHEN
from order_scene import OrderCase

TDX_ITEM = 2


class FollowsTdx(OrderCase):

    def test_label_follows_the_chart_and_buy_writes_its_code(self):
        tdx = DzhStandIn.tdx(self, "分析图表-平安银行")
        client = self.start_client()
        bar = self.start_bar(数据源="2", shows="000001")

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

    def test_a_long_name_cut_in_the_table_is_followed_and_bought(self):
        # The table holds the name cut to its eight bytes: 沪深300E.
        tdx = DzhStandIn.tdx(self, "分析图表-浦发银行", shanghai=SHANGHAI + [("510300", "沪深300ETF")])
        client = self.start_client()
        bar = self.start_bar(数据源="2", shows="600000")
        tdx.show("分析图表-沪深300ETF")
        bar.wait_code("510300")
        bar.buy()
        client.wait_code("buy", "510300")

    def test_an_index_is_shown_and_a_click_writes_nothing(self):
        tdx = DzhStandIn.tdx(self, "分析图表-上证指数", shanghai=SHANGHAI + [("000001", "上证指数")])
        client = self.start_client()
        bar = self.start_bar(数据源="2", shows="000001")
        bar.buy()
        time.sleep(3)
        self.assertEqual(client.log.keys(), [], "no key reaches the client")
        self.assertNotIn("000001", [text for _, text in client.log.codes("buy")])
        # The same digits of a Shenzhen stock are bought.
        tdx.show("分析图表-平安银行")
        h.wait_until(lambda: "平安银行" in h.window_text(tdx.frame.hwnd), 10, what="the stock's chart")
        time.sleep(0.5)
        bar.buy()
        client.wait_code("buy", "000001")

    def test_the_label_follows_the_frontmost_of_two(self):
        first = DzhStandIn.tdx(self, "分析图表-贵州茅台")
        second = DzhStandIn.tdx(self, "分析图表-万科Ａ", shanghai=[("600036", "中国平安")])
        bar = self.start_bar(数据源="2", shows="000002")
        first.show("front 分析图表-贵州茅台")
        bar.wait_code("600519")
        second.show("front 分析图表-中国平安")
        bar.wait_code("600036")  # by its own tables
        first.show("front 分析图表-中国平安")
        bar.wait_code("601318")

    def test_a_table_taken_for_writing_while_the_bar_reads_it(self):
        # Large enough that reading it takes a while; 通达信 takes it for
        # writing, other writers denied, every 10 ms.
        filler = [("600%03d" % (i % 1000), "填充") for i in range(60000)]
        tdx = DzhStandIn.tdx(self, "分析图表-浦发银行", args=("--rewrite-tables",), shanghai=SHANGHAI + filler)
        bar = self.start_bar(数据源="2", shows="600000")
        for name, code in [("平安银行", "000001"), ("招商银行", "600036")] * 5:
            tdx.show("分析图表-" + name)
            bar.wait_code(code)
        refused = os.path.join(tdx.folder, "T0002", "hq_cache", "refused.txt")
        self.assertFalse(os.path.exists(refused), "通达信 was refused its own table while the bar read it")


if __name__ == "__main__":
    unittest.main()
