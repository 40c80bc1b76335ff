"""Soak under Wine: lingbo.exe polls a 大智慧 stand-in whose front document
changes all the time, for MINUTES minutes, with ACTIONS buy/sell clicks spread
over the run into a stand-in trading client.  Its kernel handles, windows and
private memory are sampled from outside (probe_cli handles, /proc of the Wine
process) and printed; the run fails when they grow.

    LINGBO_WINE_OWN_DISPLAY=1 bash tests/wine/session.sh start /tmp/soak
    LINGBO_WINE_ENV=/tmp/soak/env LINGBO_WINDOWS_BUILD_DIR=$PWD/build/windows \\
        python3 tests/e2e/soak_wine.py [MINUTES=10] [ACTIONS=100]
    bash tests/wine/session.sh stop /tmp/soak

Not part of the test run: it takes as long as it says.
"""

import sys
import time
import unittest

import harness as h
from fault_scene import DzhStandIn
from make_code_tables import SHANGHAI, SHENZHEN
from order_scene import OrderCase

MINUTES = float(sys.argv[1]) if len(sys.argv) > 1 else 10.0
ACTIONS = int(sys.argv[2]) if len(sys.argv) > 2 else 100
# Growth allowed between the samples after warm-up and the end of the run.
SLACK_HANDLES = 5
SLACK_WINDOWS = 0
SLACK_PRIVATE_KB = 1024


class Soak(OrderCase):

    def test_soak(self):
        names = [name for _, name in SHANGHAI + SHENZHEN]
        codes = dict((name, code) for code, name in SHANGHAI + SHENZHEN)
        client = self.start_client("--focus-delay=0")
        dzh = DzhStandIn(self, names)
        bar = self.start_bar(timeout=30, 数据源="0")
        bar.wait_code(codes[names[-1]], timeout=20)

        samples = []

        def sample(label):
            handles, windows = bar.handles()
            row = (time.monotonic() - begun, handles, windows, bar.private_kb(), label)
            samples.append(row)
            print("%7.1f s  handles %4d  windows %3d  private %7d kB  %s" % row, flush=True)

        begun = time.monotonic()
        end = begun + MINUTES * 60
        gap = MINUTES * 60 / (ACTIONS + 1)
        done = filled = 0
        next_action = begun + gap
        next_sample = begun
        step = 0
        while time.monotonic() < end:
            now = time.monotonic()
            if now >= next_sample:
                sample("%d actions, %d filled" % (done, filled))
                next_sample = now + 30
            step += 1
            name = names[step % len(names)]
            dzh.show(name)
            if now >= next_action and done < ACTIONS:
                bar.wait_code(codes[name], timeout=10)
                side = "buy" if done % 2 == 0 else "sell"
                before = len(client.log.codes(side))
                (bar.buy if side == "buy" else bar.sell)()
                try:
                    h.wait_until(lambda: len(client.log.codes(side)) > before, 8, 0.05, what="code written")
                    filled += client.log.codes(side)[-1][1] == codes[name]
                except AssertionError:
                    pass
                done += 1
                next_action = begun + (done + 1) * gap
            time.sleep(0.3)
        sample("%d actions, %d filled (end)" % (done, filled))

        self.assertTrue(bar.program.alive())
        self.assertEqual(filled, done, "actions that did not write the right code")
        # The first minute is warm-up (caches, fonts, the trading client's handles).
        settled = [s for s in samples if s[0] >= 60] or samples
        first, last = settled[0], samples[-1]
        print("after warm-up: handles %d -> %d, windows %d -> %d, private %d -> %d kB"
              % (first[1], last[1], first[2], last[2], first[3], last[3]))
        self.assertLessEqual(last[1] - first[1], SLACK_HANDLES)
        self.assertLessEqual(last[2] - first[2], SLACK_WINDOWS)
        self.assertLessEqual(last[3] - first[3], SLACK_PRIVATE_KB)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
