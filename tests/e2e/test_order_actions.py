"""Buy, sell and the function key, clicked for real on the bar under Wine."""

import os
import sys
import time
import unittest

import harness as h
from fault_scene import DzhStandIn
from order_scene import CLIENT_EXE, CLIENT_TITLE, OrderCase

F1_DOWN, F1_UP = ("WM_KEYDOWN", "0x70", "0x003B0001", "main"), ("WM_KEYUP", "0x70", "0xC03B0001", "main")
F2_DOWN, F2_UP = ("WM_KEYDOWN", "0x71", "0x003C0001", "main"), ("WM_KEYUP", "0x71", "0xC03C0001", "main")


class OrderActions(OrderCase):
    def seconds_to_follow_a_buy(self, bar, trader, security, client_was):
        """Clicks 买, lets 交易师 show "CODE - NAME", and tells how soon the label (its
        handle taken while the bar answered, when it first showed a code) shows the code."""
        code = security.split()[0]
        bar.buy()
        clicked = time.time()
        trader.retitle("交易师 - " + security)
        h.wait_until(lambda: h.window_text(bar.label) == code, 15, 0.05, what="label shows " + code)
        followed = time.time() - clicked
        print("\nbar follows the code again %.2f s after the click on a client %s" % (followed, client_was),
              file=sys.stderr)
        return followed

    def test_buy_writes_the_code_from_trader(self):
        trader, bar = self.start_following_trader()
        bar.buy()
        # Without a client the action ends at once: the bar follows the
        # charting program again well before a search for the code field could end.
        clicked = time.time()
        trader.retitle("交易师 - 600000 - 浦发银行")
        bar.wait_code("600000")
        self.assertLess(time.time() - clicked, 1.5)
        # The next click searches again, and finds a client started meanwhile
        # by either of its marks; a minimised one is restored and filled.
        for found_by, exe, title, options in (("title", "trading_client_plain.exe", CLIENT_TITLE, ()),
                                              ("file description", CLIENT_EXE, "下单", ()),
                                              ("title, minimised", CLIENT_EXE, CLIENT_TITLE, ("--minimized",))):
            with self.subTest(found_by=found_by):
                client = self.start_client(*options, exe=exe, title=title)
                self.assertEqual(client.field_text("buy"), "999999")
                self.assertEqual(h.window(client.main).iconic, bool(options))

                bar.buy()

                client.wait_code("buy", "600000")
                self.assertFalse(h.window(client.main).iconic)
                self.assertEqual(client.log.keys(), [F1_DOWN, F1_UP])
                self.assertEqual(client.field_text("buy"), "600000")
                # The replace landed: read back, nothing typed over it.
                self.assertEqual([args for _, args in client.log.of("REPLACE")], [["buy", "taken"]])
                self.assertEqual(client.log.of("CHAR"), [])
                self.assertEqual(client.log.codes("sell"), [])
                self.assertEqual(client.log.of("SUBMIT"), [])
                client.stop()

    def test_buy_writes_the_code_from_dzh(self):
        client = self.start_client()
        DzhStandIn(self, ["浦发银行", "招商银行"])
        bar = self.start_bar(数据源="0", cache={"招商银行": "600036", "浦发银行": "600000"}, shows="600036")

        bar.buy()

        client.wait_code("buy", "600036")
        self.assertEqual(client.log.keys(), [F1_DOWN, F1_UP])
        self.assertEqual(client.field_text("buy"), "600036")

    def test_client_that_ignores_the_replace_gets_the_code_typed_once(self):
        _, bar = self.start_following_trader()
        # The code is typed on the keyboard, so a field that takes nothing
        # else gets it too.  One field takes 700 ms over each key, longer than
        # any one message may wait: the code, typed as one run, still lands whole.
        for side, press, options in (("buy", bar.buy, ()), ("sell", bar.sell, ()), ("buy", bar.buy, ("--key-delay=700",)),
                                     ("buy", bar.buy, ("--keyboard-only",))):
            with self.subTest(side=side, options=options):
                client = self.start_client("--ignore-replace", *options)

                press()

                client.wait_code(side, "600036", timeout=12)
                time.sleep(1.0)  # a second run of typing would come within the action
                self.assertEqual([args for _, args in client.log.of("REPLACE")], [[side, "ignored"]])
                self.assertEqual(client.log.typed_runs(side), ["600036"])
                self.assertEqual([text for _, text in client.log.codes(side)][-1], "600036")
                self.assertEqual(client.field_text(side), "600036")
                keys = client.log.keys()
                self.assertEqual(len([k for k in keys if k[3] == "main"]), 2, "the hot key, pressed once")
                self.assertEqual("".join(chr(int(k[1], 16)) for k in keys if k[0] == "WM_CHAR"), "600036",
                                 "typed as a keyboard types, in order")
                self.assertEqual(client.log.of("DROP"), [])
                client.stop()

    def test_keyboard_mode_types_the_hot_key_and_the_code(self):
        _, bar = self.start_following_trader(输入方式="2")
        # A client that opens its form only for a hot key that is down, and
        # whose code field takes only keyboard input.  Once the trader holds
        # Ctrl through the click: nothing is typed until it is let go.  Once
        # the last order's 数量 has the focus and the client's timer moves it
        # to the code field 300 ms after the key: the keys wait for it.
        for hold_ctrl, options in ((False, ()), (True, ()), (False, ("--last-order=100", "--focus-delay=300"))):
            with self.subTest(hold_ctrl=hold_ctrl, options=options):
                client = self.start_client("--keyboard-only", "--hot-key-down", *options)
                if hold_ctrl:
                    h.key_down("ctrl")
                    try:
                        bar.buy()
                        time.sleep(1.0)
                    finally:
                        released = time.time()
                        h.key_up("ctrl")
                else:
                    released = time.time()
                    bar.buy()

                client.wait_code("buy", "600036", timeout=8)
                time.sleep(0.5)
                self.assertEqual(len(client.log.of("FORM")), 1)
                self.assertEqual(client.field_text("buy"), "600036")
                self.assertEqual(client.log.of("REPLACE"), [], "no EM_REPLACESEL reached it")
                self.assertEqual(client.log.typed_runs("buy"), ["600036"])
                self.assertEqual(client.log.of("DROP"), [])
                early = [(t, k) for t, k, a in client.log.events()
                         if t < released and (k == "CHAR" or (k.startswith("WM_") and a and a[0] in (
                             "0x70", "0x30", "0x31", "0x32", "0x33", "0x34", "0x35", "0x36", "0x37", "0x38", "0x39")))]
                self.assertEqual(early, [], "no key of ours while Ctrl was down")
                if options:
                    self.assertEqual(h.window_text(client.buy_quantity), "100", "the last order's 数量 untouched")
                client.stop()

    def test_typing_mode_lets_the_client_look_the_code_up(self):
        self.start_trader("600036")
        # The client fills in the name and price on typed keys only: a replace
        # that lands leaves them empty, "输入方式" 1 types from the start.
        for entry, typed, security in ((None, [], ("", "")), ("1", ["600036"], ("招商银行", "35.20"))):
            with self.subTest(entry=entry):
                bar = self.start_bar(输入方式=entry, shows="600036")
                client = self.start_client("--name-on-typing")

                bar.buy()

                client.wait_code("buy", "600036")
                time.sleep(1.0)
                self.assertEqual(client.log.typed_runs("buy"), typed)
                self.assertEqual(len(client.log.of("REPLACE")), 0 if typed else 1)
                self.assertEqual(client.security("buy"), security)
                self.assertEqual(client.field_text("buy"), "600036")
                self.assertEqual(bar.app.read_ini().count("输入方式"), 0 if entry is None else 1,
                                 "the program does not write the setting")
                client.stop()
                self.stop_bar(bar)

    def test_sell_presses_the_configured_key_and_a_label_double_click_the_function_key_only(self):
        client = self.start_client("--sell-key=115")
        _, bar = self.start_following_trader("000001", "平安银行", 卖出键="115")

        bar.sell()

        client.wait_code("sell", "000001")
        sell = [("WM_KEYDOWN", "0x73", "0x003E0001", "main"), ("WM_KEYUP", "0x73", "0xC03E0001", "main")]
        self.assertEqual(client.log.keys(), sell)
        self.assertEqual(client.field_text("sell"), "000001")

        bar.double_click_label()

        h.wait_until(lambda: len(client.log.keys()) >= 4, 8, what="function key arrived")
        time.sleep(1.0)
        self.assertEqual(client.log.keys(), sell + [("WM_KEYDOWN", "0x72", "0x003D0001", "main"),
                                                    ("WM_KEYUP", "0x72", "0xC03D0001", "main")])
        self.assertEqual([text for _, text in client.log.codes("sell")], ["000001"], "nothing written after the sell")
        self.assertEqual(client.log.codes("buy"), [])
        self.assertEqual(client.field_text("buy"), "999999")

    def test_hot_keys_buy_and_sell_from_the_chart(self):
        trader, bar = self.start_following_trader(买入热键="Ctrl+Alt+B", 卖出热键="Ctrl+Alt+S")
        # Pressed on the X keyboard while the charting program has the focus,
        # let go at once as a trader's fingers are.
        for side, combination, keys in (("buy", "ctrl+alt+b", [F1_DOWN, F1_UP]),
                                        ("sell", "ctrl+alt+s", [F2_DOWN, F2_UP])):
            with self.subTest(side=side):
                client = self.start_client()
                # Left of the client and below the bar.
                h.click(trader.window.left + 40, trader.window.top + 200)
                h.wait_until(lambda: getattr(h.foreground(), "pid", None) == trader.window.pid, 5,
                             what="交易师 in front")

                h.key(combination)

                client.wait_code(side, "600036")
                time.sleep(0.5)
                self.assertEqual(client.log.keys(), keys, "the client's own key, once")
                self.assertEqual(client.field_text(side), "600036")
                self.assertEqual(client.log.of("SUBMIT"), [])
                client.stop()

    def test_second_click_soon_after_the_first_is_a_second_action(self):
        client = self.start_client("--clear-code")
        _, bar = self.start_following_trader()

        # Within the double-click time: the second click reaches the button
        # as a double click, after the first action is over.
        h.double_click(*bar.buy_point(), apart_ms=150)

        h.wait_until(lambda: len(client.log.codes("buy")) >= 4, 10, what="two forms opened and filled")
        time.sleep(1.0)
        self.assertEqual(client.log.keys(), [F1_DOWN, F1_UP, F1_DOWN, F1_UP])
        self.assertEqual([text for _, text in client.log.codes("buy")], ["", "600036", "", "600036"])
        self.assertEqual(client.field_text("buy"), "600036")

    def test_code_field_that_comes_late(self):
        _, bar = self.start_following_trader()
        # The action looks for the field for about 2.2 s after the key, and
        # only once the focus has moved there after the key: a client busy
        # 400 ms over it, or moving the focus by a timer 300 ms after it, still
        # has it where the last order left it, in 数量, and one that ignores
        # the key (its hot key is F6) keeps it there: nothing is written.  The
        # trader may click into another program meanwhile: its field gets
        # nothing.
        for delay, options, filled, chat in ((1500, (), True, False), (3000, (), False, False),
                                             (0, ("--key-busy=400", "--last-order=100"), True, False),
                                             (300, ("--last-order=100",), True, False),
                                             (0, ("--buy-key=117", "--last-order=100"), False, False),
                                             (1500, (), False, True)):
            with self.subTest(focus_delay=delay, options=options, clicked_into_another_program=chat):
                client = self.start_client("--focus-delay=%d" % delay, *options)
                if chat:
                    chat = self.start_client("--last-order=100", "--left=760", exe="trading_client_plain.exe",
                                             title="聊天", code="hello")

                bar.buy()
                if chat:
                    time.sleep(0.5)
                    h.click(*h.window(chat.buy_quantity).center)

                if "--buy-key=117" not in options:
                    h.wait_until(lambda: client.log.of("FOCUS"), 8, what="code field focused")
                if filled:
                    client.wait_code("buy", "600036", timeout=3)
                else:
                    time.sleep(2.5)
                    self.assertEqual(client.log.codes("buy"), [])
                    self.assertEqual(client.field_text("buy"), "999999")
                if "--last-order=100" in options:
                    self.assertEqual(h.window_text(client.buy_quantity), "100", "the last order's 数量 untouched")
                if chat:
                    self.assertEqual(h.foreground().pid, chat.pid, "the click made the other program the front one")
                    self.assertEqual(h.window_text(chat.buy_quantity), "100")
                    self.assertEqual(chat.field_text("buy"), "hello")
                    self.assertEqual([e for _, e, _ in chat.log.events() if e in ("SELECT", "REPLACE", "CHAR", "CODE")],
                                     [], "nothing reached the other program's fields")
                    chat.stop()
                client.stop()

    def test_a_key_that_could_press_a_button_is_never_pressed(self):
        # Enter as 买入键, against a form on show whose order button is its
        # default button: Enter would press it.  Nothing reaches the client.
        client = self.start_client("--default-button", "--last-order=100")
        _, bar = self.start_following_trader(买入键="13")

        bar.buy()
        time.sleep(2.5)

        self.assertEqual(client.log.of("SUBMIT"), [], "no order button pressed")
        self.assertEqual(client.log.keys(), [], "no key at all, Enter least")
        self.assertEqual(client.field_text("buy"), "999999")
        self.assertEqual(h.window_text(client.buy_quantity), "100")
        self.assertIn("买入键=13", bar.app.read_ini(), "the setting left as the trader wrote it")

    def test_client_that_stopped_answering_does_not_freeze_the_bar(self):
        trader, bar = self.start_following_trader()
        # Found and filled once; a few seconds later its thread stops
        # answering with the code field still focused.
        client = self.start_client("--focus-delay=0", "--hang-after=5000", "--hang-for=8000")
        bar.buy()
        client.wait_code("buy", "600036")
        h.wait_until(lambda: client.log.of("HANG"), 20, what="client hangs")
        trader.retitle("交易师 - 000001 - 平安银行")
        bar.wait_code("000001")

        # Asked first whether it answers, the silent client is left alone: the
        # bar follows the charting program again at once.
        answered = self.seconds_to_follow_a_buy(bar, trader, "000002 - 万科Ａ", "stopped answering")
        # At most the 0.5 s question, with room for Wine; an action that went on
        # would wait 2.23 s for the code field before it gave up.
        self.assertLess(answered, 2.0)

        h.wait_until(lambda: client.log.of("AWAKE"), 15, what="client answers again")
        time.sleep(1.0)
        self.assertEqual(client.field_text("buy"), "600036", "no half-written code after the client woke up")
        self.assertEqual([text for _, text in client.log.codes("buy")], ["600036"])
        self.assertEqual(client.log.keys(), [F1_DOWN, F1_UP], "no key for a client that did not answer")

    def test_client_that_stalls_when_brought_forward_does_not_freeze_the_bar(self):
        # It answers the question whether it answers, then stalls 8 s in its
        # activation, as clients that refresh their accounts then do: once
        # behind 交易师, once minimised.
        behind = self.start_client("--stall-on-activate=8000")
        trader, bar = self.start_following_trader()
        front = h.foreground()
        self.assertNotEqual(front and front.hwnd, behind.main, "the client must not be the active window")
        for client, security in ((behind, "000001 - 平安银行"), (None, "000002 - 万科Ａ")):
            with self.subTest(minimised=client is None):
                client = client or self.start_client("--stall-on-activate=8000", "--minimized")

                followed = self.seconds_to_follow_a_buy(bar, trader, security, "stalling when brought forward")
                self.assertLess(followed, 4.0, "the bar froze with the client")

                h.wait_until(lambda: client.log.of("AWAKE"), 15, what="client answers again")
                time.sleep(1.0)
                self.assertEqual(client.log.of("HANG")[0][1], ["8000"], "it stalled, in its activation")
                self.assertFalse(h.window(client.main).iconic)
                self.assertEqual(client.field_text("buy"), "999999", "the action had ended: nothing written late")
                self.assertEqual(client.log.keys(), [], "no hot key arrives after the bar gave up on the client")
                client.stop()

    def test_client_that_stopped_answering_behind_another_window_does_not_freeze_the_bar(self):
        # Found at start-up; its thread stops while another program is active,
        # so bringing it forward sends it messages it cannot answer.
        hang = os.path.join(self.scratch, "hang")
        client = self.start_client("--hang-on=" + h.windows_path(hang), "--hang-for=10000")
        trader, bar = self.start_following_trader()
        front = h.foreground()
        self.assertNotEqual(front and front.hwnd, client.main, "the client must not be the active window")
        open(hang, "w").close()
        h.wait_until(lambda: client.log.of("HANG"), 5, what="client hangs")

        followed = self.seconds_to_follow_a_buy(bar, trader, "000001 - 平安银行", "hung in the background")
        self.assertLess(followed, 3.0, "the bar froze with the client")

        # Answering again, the client is driven as ever.
        h.wait_until(lambda: client.log.of("AWAKE"), 15, what="client answers again")
        time.sleep(1.0)  # what queued up while it hung is handled
        bar.buy()
        client.wait_code("buy", "000001")
        # This click's key, and none held back from the click on the hung client.
        self.assertEqual(client.log.keys(), [F1_DOWN, F1_UP])
        self.assertEqual(client.field_text("buy"), "000001")


if __name__ == "__main__":
    unittest.main()
