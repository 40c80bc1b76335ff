"""Helpers for scenarios about lingbo.exe itself, on top of harness.

    LingboCase(WineTestCase)
        self.start_bar(app, at=None, timeout=20) -> Window
            starts app.exe and waits for the visible bar; with at=(x, y) also
            waits until its top-left corner is there
        self.open_key_settings(bar) -> Window
            presses the right button on the code label and waits for "功能键设置"
    self.start_retitled_trader(title, *options) -> retitle(text)
            starts 交易师 showing title; retitle(text) gives its main window that title
    choose_tray_menu_item(index, icon=None)
        right-clicks the program's icon in Wine's tray window and clicks the
        menu's item at that index (0 大智慧, 1 交易师, 2 状态…, 3 退出); the
        tray must hold that icon alone, unless icon names its place from the left
    bar_parts(bar) -> {"buy": Window, "label": Window, "sell": Window}, by position
    key_boxes(dialog) -> [buy box, sell box, function box] (the Edit children, top to bottom)
    settings_ini(**values) -> new.ini text with section "软件设置" holding values
    KEYS = the three default KeyCodes as new.ini holds them
"""

import os
import time

import harness
from harness import WineTestCase, wait_until

SECTION = "软件设置"
KEY_NOTE = "F1[112],F2[113],F3[114],F4[115],依此类推"
KEYS = {"买入键": "112", "卖出键": "113", "功能键": "114"}


def settings_ini(**values):
    return "[%s]\n" % SECTION + "".join("%s=%s\n" % item for item in values.items())


def bar_parts(bar):
    kids = sorted(harness.children(bar.hwnd), key=lambda w: w.left)
    if len(kids) != 3:
        raise AssertionError("the bar should hold three controls, it holds %r" % kids)
    return dict(zip(("buy", "label", "sell"), kids))


def key_boxes(dialog):
    boxes = sorted((w for w in harness.children(dialog.hwnd) if w.cls.lower() == "edit"), key=lambda w: w.top)
    if len(boxes) != 3:
        raise AssertionError("the key settings window should hold three boxes, it holds %r" % boxes)
    return boxes


class LingboCase(WineTestCase):

    def start_retitled_trader(self, title, *options):
        folder = self.app_dir("trader_standin.exe")
        control = os.path.join(folder.path, "title.txt")
        self.start(folder.exe, *options, "--control", harness.windows_path(control), title)
        self.find_window(title=title, timeout=20)

        def retitle(text):
            with open(control, "w", encoding="utf-8") as f:
                f.write(text + "\n")
        return retitle

    def start_bar(self, app, at=None, timeout=20):
        self.start(app.exe)
        bar = self.find_window(title=harness.LINGBO_TITLE, timeout=timeout, visible=True)
        if at is not None:
            bar = wait_until(lambda: _at(bar.hwnd, at), 10, what="the bar at %r" % (at,))
        return bar

    def open_key_settings(self, bar):
        label = bar_parts(bar)["label"]
        harness.mouse_move(*label.center)
        harness.mouse_down(3)
        try:
            return self.find_window(title="功能键设置", timeout=10, visible=True)
        finally:
            harness.mouse_up(3)
            time.sleep(0.2)


TRAY_MENU_ITEMS = 4


def choose_tray_menu_item(index, icon=None):
    # Without a desktop's tray Wine shows the icons in a window of its own.
    tray = harness.find_window(title="Wine System Tray", timeout=10, visible=True)
    icons = wait_until(lambda: [w for w in harness.children(tray.hwnd) if w.visible], 10, what="a tray icon")
    if icon is None and len(icons) != 1:
        raise AssertionError("the tray should hold the program's icon alone: %r" % icons)
    harness.right_click(*sorted(icons, key=lambda w: w.left)[icon or 0].center)
    menu = harness.find_window(cls="#32768", timeout=10, visible=True)
    # The items share the menu's height inside a 3-pixel frame.
    step = (menu.height - 6) // TRAY_MENU_ITEMS
    harness.click(menu.left + menu.width // 2, menu.top + 3 + step * index + step // 2)
    wait_until(lambda: not [w for w in harness.find_windows(cls="#32768") if w.visible], 10, what="the tray menu closed")


def _at(hwnd, at):
    current = harness.window(hwnd)
    return current if current and (current.left, current.top) == tuple(at) else None
