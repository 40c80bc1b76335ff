"""Start-up of lingbo.exe: where the bar goes and what new.ini holds afterwards."""

import unittest

import harness
from harness import wait_until
from lingbo_app import KEY_NOTE, KEYS, SECTION, LingboCase, key_boxes, settings_ini


class FirstStart(LingboCase):

    def test_without_new_ini_the_bar_sits_at_100_100_and_the_defaults_are_written(self):
        app = self.app_dir()
        bar = self.start_bar(app, at=(100, 100))
        self.assertEqual((bar.width, bar.height), (120, 24))
        self.assertTrue(bar.topmost, "the bar floats above other windows")

        expected = dict(KEYS, 键码表=KEY_NOTE, 左边="100", 顶边="100")
        wait_until(lambda: app.ini_get(SECTION, "顶边") == "100", 10, what="顶边 written")
        # Read back through GetPrivateProfileStringA, as another Windows program would.
        for key, value in expected.items():
            with self.subTest(key=key):
                self.assertEqual(app.ini_get(SECTION, key), value)
        self.assertIsNone(app.ini_get(SECTION, "数据源"), "数据源 is written only when the user switches")
        # And byte for byte: the file is GBK text, not UTF-8 or UTF-16.
        self.assertIn(("[%s]" % SECTION).encode("gbk"), app.ini_bytes())
        self.assertEqual(app.parse_ini(), {SECTION: expected})


class SavedPosition(LingboCase):

    # (左边, 顶边) as found in new.ini -> where the bar goes -> what is written back
    CASES = [
        (("-500", "20"), (100, 100), ("100", "100")),   # on no monitor: back where a first start puts it
        (("300", "２０"), (300, 20), ("300", "20")),     # full-width digits are read as digits
        (("abc", "200"), (0, 200), ("0", "200")),       # not a number: 0 on that axis
    ]

    def test_the_saved_position_is_used_and_written_back(self):
        for (left, top), at, written in self.CASES:
            with self.subTest(left=left, top=top):
                app = self.app_dir()
                app.write_ini(settings_ini(**KEYS, 左边=left, 顶边=top))
                bar = self.start_bar(app, at=at)
                self.assertEqual((bar.width, bar.height), (120, 24))
                wait_until(lambda: (app.ini_get(SECTION, "左边"), app.ini_get(SECTION, "顶边")) == written, 10,
                           what="position %r written back" % (written,))
                bar.program.stop()


class HandWrittenFile(LingboCase):

    def test_a_gbk_file_written_by_hand_is_read_and_repaired(self):
        app = self.app_dir()
        app.write_ini(settings_ini(买入键="0x71", 卖出键="-5", 功能键="１１６", 左边="400", 顶边="300"))
        bar = self.start_bar(app, at=(400, 300))

        # 0x71 reads as 0 and -5 is below 1: both repaired; full-width 116 is valid and left alone.
        wait_until(lambda: app.ini_get(SECTION, "卖出键") == "113", 10, what="卖出键 repaired")
        self.assertEqual(app.ini_get(SECTION, "买入键"), "112")
        self.assertEqual(app.ini_get(SECTION, "功能键"), "１１６")
        self.assertEqual(app.ini_get(SECTION, "键码表"), KEY_NOTE)

        # The keys in force are what the key settings window shows.
        dialog = self.open_key_settings(bar)
        self.assertEqual([harness.window_text(box.hwnd) for box in key_boxes(dialog)], ["112", "113", "116"])


if __name__ == "__main__":
    unittest.main()
