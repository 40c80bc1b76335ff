"""The trading-client search on a real (Wine) desktop.

The stand-in client (peers/trading_client.exe, FileDescription "机构版主程序",
and trading_client_plain.exe, whose description holds no marker) plays the
broker's program; peers/locator_probe_cli.exe runs the program's own search
and reports which window it found and how long that took.
"""

import collections
import unittest

from harness import WineTestCase, exe_path, run, send, wait_until, window, windows, windows_path
from order_scene import CLIENT_EXE as CLIENT, StandInClient

PLAIN = "trading_client_plain.exe"
WM_NULL = 0x0000


Found = collections.namedtuple("Found", "hwnd ms title")


def locate():
    """One search, as the program runs it."""
    result = run(exe_path("locator_probe_cli.exe"), "find", timeout=60)
    if result.returncode not in (0, 2):
        raise AssertionError("locator probe failed with exit code %d: %r %r"
                             % (result.returncode, result.stdout[-400:], result.stderr[-400:]))
    hwnd, ms, title = (result.stdout.decode("utf-8", "replace").rstrip("\r\n").split("\t", 2) + ["", "", ""])[:3]
    found = Found(int(hwnd), int(ms), title)
    if (result.returncode == 0) != (found.hwnd > 0):
        raise AssertionError("exit code %d disagrees with %r" % (result.returncode, found))
    return found


class LocatorTestCase(WineTestCase):
    def client(self, exe, *options):
        return StandInClient(self, *options, exe=exe, title=None, code=None)

    def assertFound(self, expected, found):
        self.assertEqual(found.hwnd, expected, "found %r, expected window %d; desktop: %r" % (found, expected,
                                                                                               windows()))


class Qualifies(LocatorTestCase):
    def test_a_title_marker_or_the_description_qualifies_a_shown_window_left_as_it_is(self):
        for exe, options, found in (
                (PLAIN, ["--title=XX证券网上交易"], True),
                (PLAIN, ["--title=网上股票交易系统5.0"], True),
                (PLAIN, ["--title=网上证券交易"], False),  # neither a marker nor the description
                (CLIENT, ["--title=下单"], True),
                (CLIENT, ["--title=下单", "--minimized"], True),
                (CLIENT, ["--title=网上股票交易系统", "--hidden"], False)):
            with self.subTest(exe=exe, options=options):
                client = self.client(exe, *options)
                before = window(client.main)
                self.assertEqual((before.visible, before.iconic), ("--hidden" not in options, "--minimized" in options))
                result = locate()
                self.assertFound(client.main if found else 0, result)
                self.assertEqual(result.title, before.title if found else "")
                self.assertEqual(window(client.main).iconic, before.iconic, "the search must not restore the client")
                client.stop()

    def test_descriptions_of_the_stand_ins_as_the_program_reads_them(self):
        # GBK bytes from VerQueryValueA under the key 080404b0, shown here as UTF-8.
        for exe, description in ((CLIENT, "机构版主程序"), (PLAIN, "模拟下单程序")):
            with self.subTest(exe=exe):
                result = run(exe_path("locator_probe_cli.exe"), "describe", windows_path(exe_path(exe)))
                self.assertEqual(result.returncode, 0)
                self.assertEqual(result.stdout.decode("utf-8").rstrip("\r\n"), description)

    def test_a_log_in_pop_up_above_the_client_is_what_is_found(self):
        client = self.client(CLIENT, "--title=网上股票交易系统", "--popup=用户登录")
        wait_until(lambda: window(client.popup) and window(client.popup).visible, 10, 0.2, what="the pop-up")
        self.assertEqual(windows()[0].hwnd, client.popup, "the pop-up should be topmost")
        self.assertFound(client.popup, locate())

    def test_higher_window_wins_whichever_test_it_passes(self):
        by_title = self.client(PLAIN, "--title=网上股票交易系统")
        by_description = self.client(CLIENT, "--title=下单")
        order = [w.hwnd for w in windows()]
        self.assertLess(order.index(by_description.main), order.index(by_title.main))
        self.assertFound(by_description.main, locate())


class HungWindow(LocatorTestCase):
    # Each of the two text messages waits at most 500 ms; the rest of the
    # search is snapshots and a version resource, well under a second here.
    BOUND_MS = 2 * 500 + 500

    def test_a_window_that_stopped_answering_does_not_hold_the_search(self):
        responsive = self.client(PLAIN, "--title=网上股票交易系统")
        stuck = self.client(PLAIN, "--title=无响应", "--hang-after=200", "--hang-for=120000")
        wait_until(lambda: stuck.log.of("HANG"), 10, 0.1, what="the stand-in to stop answering")
        # Search at once: within its first seconds a busy window is not yet
        # taken for hung, and each message to it waits out its full bound.
        found = locate()
        self.assertFound(responsive.main, found)
        self.assertLessEqual(found.ms, self.BOUND_MS, found)

        self.assertIsNone(send(stuck.main, WM_NULL), "the stand-in still answers messages")
        order = [w.hwnd for w in windows()]
        self.assertLess(order.index(stuck.main), order.index(responsive.main), "the hung window must come first")


if __name__ == "__main__":
    unittest.main()
