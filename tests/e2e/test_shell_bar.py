"""The bar under the real mouse: dragging it, and the key settings window."""

import time
import unittest

import harness
from harness import wait_until
from lingbo_app import KEYS, SECTION, LingboCase, bar_parts, key_boxes, settings_ini


def position_in_file(app):
    return app.ini_get(SECTION, "左边"), app.ini_get(SECTION, "顶边")


class Dragging(LingboCase):

    def test_dragging_by_the_code_label_moves_the_bar_and_saves_where_it_ends(self):
        app = self.app_dir()
        app.write_ini(settings_ini(**KEYS, 左边="200", 顶边="150"))
        bar = self.start_bar(app, at=(200, 150))
        x, y = bar_parts(bar)["label"].center

        harness.drag(x, y, x + 230, y + 170, steps=12)

        moved = wait_until(lambda: _moved_from(bar), 10, what="the bar moved")
        self.assertLessEqual(abs(moved.left - 430) + abs(moved.top - 320), 4, "it follows the pointer: %r" % moved)
        wait_until(lambda: position_in_file(app) == (str(moved.left), str(moved.top)), 10,
                   what="final position %r written" % ((moved.left, moved.top),))

    def test_a_press_on_a_button_does_not_drag(self):
        app = self.app_dir()
        bar = self.start_bar(app, at=(100, 100))
        # The sell button is an order action with no trading client around: it ends silently.
        x, y = bar_parts(bar)["sell"].center
        harness.drag(x, y, x + 150, y + 100, steps=8)
        time.sleep(1)
        self.assertEqual(harness.window(bar.hwnd).rect, bar.rect)
        self.assertEqual(position_in_file(app), ("100", "100"))


def _moved_from(bar):
    now = harness.window(bar.hwnd)
    # Released and settled: two equal readings that differ from the start.
    if now and now.rect != bar.rect:
        time.sleep(0.3)
        again = harness.window(bar.hwnd)
        return again if again and again.rect == now.rect else None
    return None


class KeySettings(LingboCase):

    def test_a_right_press_on_the_label_opens_the_window_with_the_three_codes(self):
        app = self.app_dir()
        app.write_ini(settings_ini(买入键="120", 卖出键="121", 功能键="122"))
        bar = self.start_bar(app)
        dialog = self.open_key_settings(bar)

        self.assertEqual((dialog.width, dialog.height), (253, 150))
        self.assertFalse(dialog.topmost)
        self.assertEqual([harness.window_text(box.hwnd) for box in key_boxes(dialog)], ["120", "121", "122"])
        texts = [w.title for w in harness.children(dialog.hwnd)]
        for caption in ("买入键", "卖出键", "功能键", "配置文件"):
            self.assertIn(caption, texts)
        self.assertIn("键码表： \r\n\r\nF1[112],F2[113]\r\n\r\nF3[114],F4[115]\r\n\r\n依此类推”", texts)
        self.assertFalse(harness.window(bar.hwnd).enabled, "the bar is disabled while the window is open")

    def test_every_keystroke_in_a_box_is_saved_at_once(self):
        app = self.app_dir()
        bar = self.start_bar(app)
        buy, sell, _ = key_boxes(self.open_key_settings(bar))

        harness.click(*buy.center)
        harness.key("End", "BackSpace", "BackSpace", "BackSpace", "BackSpace")
        wait_until(lambda: app.ini_get(SECTION, "买入键") == "", 10, what="an emptied box saved as empty")
        for typed, saved in (("1", "1"), ("1", "11"), ("3", "113")):
            harness.type_text(typed)
            wait_until(lambda: app.ini_get(SECTION, "买入键") == saved, 10, what="买入键 = %s" % saved)

        # No digit filter: the text goes into new.ini as typed.
        harness.click(*sell.center)
        harness.key("End", "BackSpace", "BackSpace", "BackSpace", "BackSpace")
        harness.type_text("F5")
        wait_until(lambda: app.ini_get(SECTION, "卖出键") == "F5", 10, what="卖出键 = F5")
        self.assertEqual(harness.window_text(sell.hwnd), "F5")

    def test_escape_closes_the_window_and_the_bar_reacts_again(self):
        app = self.app_dir()
        bar = self.start_bar(app, at=(100, 100))
        dialog = self.open_key_settings(bar)
        harness.click(*key_boxes(dialog)[0].center)

        harness.key("Escape")
        # Hiding a captioned window takes Wine about 2 s without a window manager.
        wait_until(lambda: not getattr(harness.window(dialog.hwnd), "visible", False), 10,
                   what="the key settings window closed")
        wait_until(lambda: harness.window(bar.hwnd).enabled, 5, what="the bar enabled again")
        self.assertEqual(app.ini_get(SECTION, "买入键"), "112", "closing changes nothing")

        x, y = bar_parts(bar)["label"].center
        harness.drag(x, y, x + 100, y + 60, steps=8)
        moved = wait_until(lambda: _moved_from(bar), 10, what="the bar dragged after the window closed")
        wait_until(lambda: position_in_file(app) == (str(moved.left), str(moved.top)), 10, what="position saved")
        dialog = self.open_key_settings(harness.window(bar.hwnd))
        self.assertEqual(dialog.title, "功能键设置")


if __name__ == "__main__":
    unittest.main()
