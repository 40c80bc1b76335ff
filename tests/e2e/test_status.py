"""The status window: opened from the tray menu, what it says about the trading
client and the last buy, "复制", the code-page warning, and the bar meanwhile."""

import re
import unittest

import harness as h
from harness import wait_until
from lingbo_app import choose_tray_menu_item
from order_scene import CLIENT_EXE, CLIENT_TITLE, OrderCase

STATUS_TITLE = "凌波助手 状态"
STATUS_ITEM = 3
TIP_WARNING = "凌波助手：系统代码页不是936，中文会乱码"


class StatusCase(OrderCase):

    def open_status(self, title=STATUS_TITLE, pid=None):
        choose_tray_menu_item(STATUS_ITEM)
        window = self.find_window(title=title, cls="LingboStatus", pid=pid, timeout=10, visible=True)
        return window, h.child(window.hwnd, cls="Edit")


def status_text(edit):
    return h.window_text(edit.hwnd) or ""


def wait_text(edit, *parts, timeout=10):
    return wait_until(lambda: (lambda t: t if all(re.search(p, t) for p in parts) else None)(status_text(edit)),
                      timeout, what="the status text matching %r" % (parts,))


class StatusWindow(StatusCase):

    def test_it_names_the_client_and_the_last_buy_and_closes_on_escape(self):
        trader = self.start_trader()
        client = self.start_client()
        bar = self.start_bar(shows="600036")

        window, edit = self.open_status()
        self.assertFalse(window.topmost)
        text = wait_text(edit, "交易程序：已找到", "上一次操作：尚无")
        self.assertIn("交易程序窗口标题：%s\r\n" % CLIENT_TITLE, text)
        shown = re.search(r"交易程序文件：(.*)\r\n", text).group(1)
        self.assertEqual(shown.lower(), h.windows_path(h.exe_path(CLIENT_EXE)).lower())
        self.assertIn("位数：%d 位" % h.peer_bits(), text)
        self.assertIn("买入键 F1 (112)", text)

        bar.buy()
        client.wait_code("buy", "600036")
        text = wait_text(edit, r"上一次操作：\d\d:\d\d:\d\d 买\r\n", r"  按键：F1 \(112\)，按键消息\r\n",
                         r"  代码框：按键后 \d+ 毫秒得到焦点", r"  结果：已替换")
        self.assertIn("  代码框读回：600036", text)

        h.click(*h.child(window.hwnd, cls="Button", title="复制").center)
        copied = wait_until(h.clipboard_bytes, 10, what="text on the clipboard")
        self.assertEqual(copied.decode("gbk"), status_text(edit))

        # Retitled without a marker (as after its log-in screen), it is still the client a click drives.
        h.set_text(client.main, "用户登录")
        text = wait_text(edit, "交易程序窗口标题：用户登录\r\n")
        self.assertIn("交易程序：已找到（记住的窗口", text)
        self.assertIn("识别方式：窗口标题含“网上股票交易”（首次找到时）", text)

        # The bar answers throughout, and Escape closes the window.
        trader.retitle("交易师 - 000001 - 平安银行")
        bar.wait_code("000001")
        wait_text(edit, "当前代码：000001")
        bar.buy()
        client.wait_code("buy", "000001")
        h.click(*edit.center)
        h.key("Escape")
        # Hiding a captioned window takes Wine about 2 s without a window manager.
        wait_until(lambda: not h.window(window.hwnd), 10, what="the status window closed")
        trader.retitle("交易师 - 600519 - 贵州茅台")
        bar.wait_code("600519")
        bar.buy()
        client.wait_code("buy", "600519")

class WrongCodePage(StatusCase):

    def test_under_code_page_1252_the_window_and_the_tray_tip_warn(self):
        env = h.wine_env(LANG="en_US.UTF-8", LC_ALL="en_US.UTF-8")
        probe = h.run("probe_cli.exe", "acp", env=env, timeout=60)
        self.assertEqual(probe.stdout.strip(), b"1252", "is the en_US.UTF-8 locale generated (make deps)?")
        self.start(self.app_dir().exe, env=env)
        bar = self.find_window(cls="LingboBar", timeout=20, visible=True)

        # What a person sees: the texts as Unicode, read back without any decoding of ours.
        self.assertEqual(bar.title, h.LINGBO_TITLE)
        self.assertEqual(sorted(w.title for w in h.children(bar.hwnd) if w.title), ["买", "卖"])
        tips = wait_until(h.tooltip_texts, 10, what="a tray tip")
        self.assertIn(TIP_WARNING, tips)

        window, edit = self.open_status(pid=bar.pid)
        self.assertEqual(window.title, STATUS_TITLE)
        text = wait_text(edit, "系统代码页：1252")
        self.assertIn("系统代码页：1252\r\n警告：系统代码页不是 936", text)
        self.assertIn("办法：控制面板", text)


if __name__ == "__main__":
    unittest.main()
