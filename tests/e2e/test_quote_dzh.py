"""The label follows the front chart document of a running 大智慧 stand-in."""

import os
import shutil
import unittest

import harness
from harness import wait_until
from lingbo_app import LingboCase, bar_parts
from make_code_tables import make_dzh_folder

CACHE = "代码表"


class DzhScene:
    """The stand-in in a folder laid out like 大智慧's, driven by a control file."""

    def __init__(self, case, documents):
        self.folder = case.app_dir("dzh_standin.exe").path
        make_dzh_folder(self.folder)
        self.control = os.path.join(self.folder, "front.txt")
        self.exe = os.path.join(self.folder, "dzh.exe")
        shutil.move(os.path.join(self.folder, "dzh_standin.exe"), self.exe)
        case.start(self.exe, "--title", "大智慧 - 行情", "--mdi-position", "3",
                   "--control", harness.windows_path(self.control), *documents)
        self.frame = case.find_window(title="大智慧 - 行情", timeout=15)

    def bring_to_front(self, name):
        with open(self.control, "w", encoding="utf-8") as f:
            f.write(name + "\n")


class FollowsDzh(LingboCase):

    def test_label_follows_the_front_document(self):
        dzh = DzhScene(self, ["平安银行", "浦发银行"])  # the last one opened is in front
        app = self.app_dir()
        label = bar_parts(self.start_bar(app))["label"]

        def label_is(code):
            return wait_until(lambda: harness.window_text(label.hwnd) == code, 15, what="the label shows " + code)

        label_is("600000")
        self.assertEqual(app.ini_get(CACHE, "浦发银行"), "600000")

        dzh.bring_to_front("平安银行")
        label_is("000001")
        self.assertEqual(app.ini_get(CACHE, "平安银行"), "000001")

        # A name in neither table stands for itself, and is cached as itself.
        dzh.bring_to_front("无此股票")
        label_is("无此股票")
        self.assertEqual(app.ini_get(CACHE, "无此股票"), "无此股票")

        dzh.bring_to_front("浦发银行")
        label_is("600000")
        self.assertEqual(sorted(app.ini_keys(CACHE)), sorted(["浦发银行", "平安银行", "无此股票"]))


if __name__ == "__main__":
    unittest.main()
