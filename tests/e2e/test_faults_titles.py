"""大智慧 document titles no charting program should show: 64 KB long, bytes
that are not GBK, CR, LF and "=".  The bar must neither crash nor freeze, nor
let such a title into new.ini where it could break the file or take the code
of another title."""

import time
import unittest

from fault_scene import DzhStandIn
from lingbo_app import LingboCase

CACHE = "代码表"


def raw(data):
    return "hex:" + data.hex()


class OddTitles(LingboCase):

    def test_odd_titles_neither_break_the_bar_nor_new_ini(self):
        pufa = "浦发银行".encode("gbk")
        injection = "浦发\r\n[软件设置]\r\n买入键=1\r\n".encode("gbk")
        # (document, what the label shows afterwards: None = stays as it was)
        cases = [
            ("long:65536", None),                    # beyond any sane title: not read at all
            ("long:65534", "长" * 32767),            # read, and shown as itself
            ("long:20001", "长" * 10000 + "Z"),
            # A lone lead byte at the end: Wine's message transport drops it,
            # so what arrives is 浦发银行 itself.
            (raw(pufa + b"\x81"), "600000"),
            (raw(b"\x80" + pufa), "€浦发银行"),
            (raw(b"A=B"), "A=B"),
            (raw(injection), "浦发\r\n[软件设置]\r\n买入键=1\r\n"),
        ]
        dzh = DzhStandIn(self, [c[0] for c in cases] + ["浦发银行"])
        bar = self.start_bar(数据源="0", shows="600000")
        ini_before = bar.app.parse_ini()

        shown = "600000"
        for document, label in cases:
            with self.subTest(document=document[:24]):
                dzh.show(document)
                if label is None:
                    time.sleep(1.5)
                    # The label keeps its code; above all, never 浦发银行's.
                    self.assertEqual(bar.label_text(), shown)
                else:
                    bar.wait_code(label, timeout=10)
                    shown = label
                self.assertResponsive(bar, document[:24], 600)

        dzh.show("浦发银行")
        bar.wait_code("600000")
        self.assertStillRunning(bar)
        ini = bar.app.parse_ini()
        self.assertEqual(ini["软件设置"], ini_before["软件设置"], "the settings were changed through a title")
        self.assertEqual(ini[CACHE], {"浦发银行": "600000"}, "odd titles went into new.ini")
        self.assertLess(len(bar.app.ini_bytes()), 1024)
        self.assertEqual(bar.app.ini_get("软件设置", "买入键"), "112")


if __name__ == "__main__":
    unittest.main()
