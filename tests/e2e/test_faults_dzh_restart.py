"""大智慧 closed and started again, from another folder with other code
tables: the bar attaches again within its 10 s search interval and reads the
tables beside the new executable."""

import sys
import time
import unittest

from fault_scene import DzhStandIn
from lingbo_app import LingboCase

# Only the second installation knows these two, under another table name.
SECOND_SHANGHAI = [("600999", "招商证券"), ("600000", "浦发银行")]
SECOND_SHENZHEN = [("002415", "海康威视")]


class DzhRestarted(LingboCase):

    def test_bar_attaches_again_and_reads_the_new_installation(self):
        first = DzhStandIn(self, ["招商证券", "浦发银行"])
        bar = self.start_bar(数据源="0", shows="600000")

        first.stop()
        time.sleep(1.0)
        self.assertEqual(bar.label_text(), "600000", "the old code stays while 大智慧 is away")

        # The first installation's tables do not know 招商证券: its code can
        # only come from the second one's.
        second = DzhStandIn(self, ["海康威视", "招商证券"], SECOND_SHANGHAI, SECOND_SHENZHEN, table="STKINFO70.DAT")
        started = time.monotonic()
        bar.wait_code("600999", timeout=10 + 5)
        attached = time.monotonic() - started
        print("\nattached to the restarted 大智慧 %.1f s after its window appeared" % attached, file=sys.stderr)
        self.assertLess(attached, 10 + 3)

        second.show("海康威视")
        bar.wait_code("002415")
        self.assertEqual(bar.app.ini_get("代码表", "招商证券"), "600999")
        self.assertEqual(bar.app.ini_get("代码表", "海康威视"), "002415")
        self.assertStillRunning(bar)


if __name__ == "__main__":
    unittest.main()
