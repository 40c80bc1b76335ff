"""The stand-in trading client keeps the promises the order scenarios build on.

What the program relies on in a trading client: its top-level window takes
posted WM_KEYDOWN/WM_KEYUP of the buy or sell hot key, shows that form and,
a little later, gives the keyboard focus to the form's code field, a control
of class "Edit".  The stand-in also logs what it receives; the order
scenarios read that log, so its format is checked here too.
"""

import time
import unittest

from harness import focus, post, set_text, wait_until, window, window_text
from test_discovery_locator import CLIENT, LocatorTestCase

WM_KEYDOWN, WM_KEYUP = 0x0100, 0x0101
VK_F1, VK_F2, VK_F5 = 0x70, 0x71, 0x74


def press(hwnd, vk, scan):
    post(hwnd, WM_KEYDOWN, vk, 0x00000001 | scan << 16)
    post(hwnd, WM_KEYUP, vk, 0xC0000001 | scan << 16)


class HotKeys(LocatorTestCase):
    def test_default_keys_open_their_form_and_focus_its_code_field(self):
        client = self.client(CLIENT, "--title=下单", "--focus-delay=300")
        fields = {}
        for vk, scan, side in ((VK_F1, 0x3B, "buy"), (VK_F2, 0x3C, "sell")):
            with self.subTest(side=side):
                press(client.main, vk, scan)
                # The key-up is a second message posted from here, and on a busy
                # machine it may come after the focus has moved.
                up_event = ("WM_KEYUP", ["0x%02X" % vk, "0x%08X" % (0xC0000001 | scan << 16), "main"])

                def focused_and_released():
                    events = client.log.events()
                    seen = [e[1:] for e in events]
                    return events if ("FOCUS", [side]) in seen and up_event in seen else None
                events = wait_until(focused_and_released, 10, 0.05, what="focus in the %s form" % side)

                def times(*event):
                    return [e[0] for e in events if e[1:] == event]
                down = times("WM_KEYDOWN", ["0x%02X" % vk, "0x%08X" % (0x1 | scan << 16), "main"])
                self.assertEqual((len(down), len(times(*up_event))), (1, 1), events)
                shown, focused = times("FORM", [side])[-1], times("FOCUS", [side])[-1]
                self.assertGreaterEqual(focused - down[0], (300 - 20) / 1000, events)
                self.assertLessEqual(shown, focused)
                control = focus(client.main)
                self.assertIsNotNone(control)
                self.assertEqual(control.cls, "Edit")
                fields[side] = control.hwnd
        self.assertNotEqual(fields["buy"], fields["sell"])
        self.assertFalse(window(fields["buy"]).visible, "the buy form must give way to the sell form")

    def test_configured_keys_replace_the_defaults(self):
        client = self.client(CLIENT, "--title=下单", "--buy-key=0x74", "--sell-key=117", "--focus-delay=0")
        press(client.main, VK_F1, 0x3B)
        press(client.main, VK_F5, 0x3F)
        wait_until(lambda: client.log.of("FOCUS"), 10, 0.05, what="focus after F5")
        forms = [args[0] for _, args in client.log.of("FORM")]
        self.assertEqual(forms, ["buy"], "F1 is no hot key here; F5 opens the buy form")
        self.assertEqual(focus(client.main).cls, "Edit")


class CodeField(LocatorTestCase):
    def test_starting_text_and_every_change_are_logged(self):
        client = self.client(CLIENT, "--title=下单", "--code=999999")
        self.assertEqual(window_text(client.buy_field), "999999")
        self.assertEqual(client.log.of("CODE"), [], "the starting text is no change")
        before = time.time()
        set_text(client.buy_field, "600000")
        stamp, args = wait_until(lambda: client.log.of("CODE"), 10, 0.05, what="the change to be logged")[0]
        self.assertEqual(args, ["buy", "600000"])
        # Wall-clock stamps, comparable with this side's clock.
        self.assertLess(abs(stamp - before), 5)


if __name__ == "__main__":
    unittest.main()
