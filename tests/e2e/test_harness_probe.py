"""The harness's view of the Windows side: what the scenarios rely on when they look."""

import os
import unittest
from unittest import mock

import harness
from harness import WineTestCase, wait_until


class CodePage(unittest.TestCase):

    def test_wine_runs_in_the_gbk_code_page(self):
        self.assertEqual(int(harness.probe("acp")), 936)


class PeerWidth(unittest.TestCase):
    """The stand-ins come from the build of the width asked for; our own tools
    and the program are always 64-bit; a program of the other width is refused."""

    def bits(self, value):
        self.enterContext(mock.patch.dict(os.environ, LINGBO_PEER_BITS=value))

    def test_each_name_resolves_to_its_width(self):
        for bits, name, folder, machine in (
                ("32", "trading_client_plain.exe", "peers32", harness.MACHINE_I386),
                ("32", "contract_peer.exe", "peers32", harness.MACHINE_I386),
                ("32", "probe_cli.exe", "peers", harness.MACHINE_AMD64),
                ("32", "floor_window.exe", "peers", harness.MACHINE_AMD64),
                ("32", "lingbo.exe", "", harness.MACHINE_AMD64),
                ("64", "dzh_standin.exe", "peers", harness.MACHINE_AMD64),
                ("64", "locator_probe_cli.exe", "peers", harness.MACHINE_AMD64)):
            with self.subTest(bits=bits, name=name):
                self.bits(bits)
                path = harness.exe_path(name)
                self.assertEqual(path, os.path.join(harness.build_dir(), folder, name))
                self.assertEqual(harness.pe_machine(path), machine)

    def test_a_peer_of_the_other_width_is_not_started(self):
        for bits, other in (("32", "peers"), ("64", "peers32")):
            with self.subTest(bits=bits):
                self.bits(bits)
                # Renamed, as scenarios rename the 大智慧 stand-in.
                folder = harness.AppDir(os.path.join(harness.build_dir(), other, "dzh_standin.exe"))
                self.addCleanup(folder.remove)
                renamed = os.path.join(folder.path, "dzh.exe")
                os.rename(folder.exe, renamed)
                with self.assertRaisesRegex(AssertionError, "machine"):
                    harness.start(renamed)
        self.bits("48")
        with self.assertRaisesRegex(AssertionError, "LINGBO_PEER_BITS"):
            harness.exe_path("dzh_standin.exe")


class Windows(WineTestCase):

    def test_titles_survive_the_trip_from_the_windows_side(self):
        # Characters that the record format escapes, and Chinese that must not turn into "?".
        for title in ("交易师 - 600036 - 招商银行", "tab\there", "back\\slash\\n", "line\r\nbreak"):
            with self.subTest(title=title):
                program, shown = self.show_window(title)
                self.assertEqual(shown.title, title)
                self.assertEqual(harness.window_text(shown.hwnd), title)
                self.assertEqual(harness.window(shown.hwnd).rect, shown.rect)
                program.stop()
                wait_until(lambda: harness.window(shown.hwnd) is None, 10, what="the window gone with its program")

    def test_a_window_that_never_comes_is_a_time_out(self):
        with self.assertRaises(AssertionError):
            harness.find_window(title="no such window %d" % os.getpid(), timeout=1)
        self.assertEqual(harness.window(0x7ffffff0), None)

    def test_the_newest_window_is_above_and_messages_reach_it(self):
        _, first = self.show_window("probe first")
        _, shown = self.show_window("before")
        order = [w.hwnd for w in harness.windows()]
        self.assertLess(order.index(shown.hwnd), order.index(first.hwnd))
        self.assertEqual(harness.foreground().hwnd, shown.hwnd)
        harness.set_text(shown.hwnd, "after 之后")
        self.assertEqual(harness.window_text(shown.hwnd), "after 之后")
        # WM_GETTEXTLENGTH, in UTF-16 units.  Whether the message arrives is the
        # question here, not how fast: a loaded machine has stalled the window
        # past the usual 2 s bound.
        self.assertEqual(harness.send(shown.hwnd, 0x000E, timeout_ms=10000), len("after 之后"))
        self.assertTrue(harness.post(shown.hwnd, 0x0010))  # WM_CLOSE: DefWindowProc destroys it
        wait_until(lambda: harness.window(shown.hwnd) is None, 10, what="the window closed by WM_CLOSE")


class Profiles(WineTestCase):

    def test_absent_empty_and_gbk_values_are_told_apart(self):
        app = self.app_dir()
        app.write_ini("[软件设置]\n买入键=１１６\n空=\n[代码表]\n浦发银行=600000\n")
        for section, key, value in (("软件设置", "买入键", "１１６"), ("软件设置", "空", ""), ("软件设置", "无此键", None),
                                    ("无此节", "买入键", None), ("代码表", "浦发银行", "600000")):
            with self.subTest(section=section, key=key):
                self.assertEqual(app.ini_get(section, key), value)
        self.assertEqual(app.ini_keys("软件设置"), ["买入键", "空"])
        self.assertEqual(app.parse_ini()["代码表"], {"浦发银行": "600000"})

    def test_each_scenario_folder_starts_without_settings(self):
        first, second = self.app_dir(), self.app_dir()
        self.assertNotEqual(first.path, second.path)
        first.write_ini("[软件设置]\n左边=1\n")
        self.assertIsNone(second.read_ini())
        self.assertEqual(os.path.getsize(first.exe), os.path.getsize(harness.exe_path("lingbo.exe")))


class Input(unittest.TestCase):

    def test_the_pointer_goes_where_it_is_sent_even_twice(self):
        for x, y in ((321, 234), (321, 234), (0, 0)):
            harness.mouse_move(x, y)
            self.assertEqual(harness.mouse_position(), (x, y))
            self.assertEqual(harness.probe("cursor").split(), [str(x), str(y)])


if __name__ == "__main__":
    unittest.main()
