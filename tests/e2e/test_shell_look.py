"""How the bar looks with a code on it; the pictures also go to docs/bar.png and docs/bar-144.png."""

import collections
import os
import subprocess
import unittest

import harness
from harness import wait_until
from lingbo_app import KEYS, bar_parts, settings_ini
from order_scene import OrderCase

DOCS = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))), "docs")
MARGIN = 8


def colours(path, crop):
    """{(r, g, b): pixel count} of a part of a picture, through ImageMagick."""
    left, top, right, bottom = crop
    out = subprocess.run(["convert", path, "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top),
                          "+repage", "-depth", "8", "txt:-"], check=True, stdout=subprocess.PIPE).stdout.decode()
    rgbs = (line.split("(", 1)[1].split(")", 1)[0].split(",")[:3] for line in out.splitlines()[1:])
    return collections.Counter(tuple(int(float(v)) for v in rgb) for rgb in rgbs)


def set_dpi(dpi):
    """The dpi every program started from now on sees (Wine: no stretching of its own)."""
    subprocess.run(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d",
                    str(dpi), "/f"], env=harness.wine_env(), check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)


class Look(OrderCase):

    # dpi -> the bar's size -> where its three parts begin and end -> where the picture goes
    ROWS = [
        (96, (120, 24), [(0, 30), (30, 90), (90, 120)], os.path.join(DOCS, "bar.png")),
        (144, (180, 36), [(0, 45), (45, 135), (135, 180)], os.path.join(DOCS, "bar-144.png")),  # 150 %, most laptops' default
    ]

    def test_the_bar_scales_with_the_display_and_its_label_is_black_with_cyan_text(self):
        self.addCleanup(set_dpi, 96)
        for dpi, size, parts, picture in self.ROWS:
            with self.subTest(dpi=dpi):
                set_dpi(dpi)
                try:
                    self.look_at(dpi, size, parts, picture)
                finally:
                    self._stop_programs()
                    self._programs.clear()

    def look_at(self, dpi, size, parts, picture):
        # A stand-in for the charting program 交易师, whose title carries the code.
        self.show_window("交易师 - 600036 - 招商银行")
        client = self.start_client()
        app = self.app_dir()
        # Clear of the client's window, over the empty desktop, for the picture.
        app.write_ini(settings_ini(数据源="1", **KEYS, 左边="1060", 顶边="730"))
        bar = self.start_bar(app, at=(1060, 730))
        bar = wait_until(lambda: (lambda w: w if w and (w.width, w.height) == size else None)(harness.window(bar.hwnd)),
                         10, what="the bar %dx%d" % size)
        found = bar_parts(bar)
        self.assertEqual([(found[k].left - bar.left, found[k].right - bar.left) for k in ("buy", "label", "sell")],
                         parts)
        self.assertEqual({found[k].height for k in found}, {size[1]})
        label = found["label"]
        wait_until(lambda: harness.window_text(label.hwnd) == "600036", 10, what="the code on the label")
        # Saved in screen pixels, whatever the scale.
        self.assertEqual((app.ini_get("软件设置", "左边"), app.ini_get("软件设置", "顶边")), ("1060", "730"))

        shot = os.path.join(harness.artifacts_dir(), "bar-%d.png" % dpi)
        harness.screenshot(shot, crop=(bar.left - MARGIN, bar.top - MARGIN, bar.right + MARGIN, bar.bottom + MARGIN))
        # Inside the label's sunken edge, in the picture's coordinates.
        inside = (label.left - bar.left + MARGIN + 3, label.top - bar.top + MARGIN + 3,
                  label.right - bar.left + MARGIN - 3, label.bottom - bar.top + MARGIN - 3)
        counts = colours(shot, inside)
        total = sum(counts.values())
        black = counts.get((0, 0, 0), 0)
        cyan = sum(n for (r, g, b), n in counts.items() if r < 100 and g > 150 and b > 150)
        self.assertGreater(black, total // 2, "mostly black background: %r" % counts)
        # Text drawn in a font of the scaled size covers about (dpi / 96)^2 as many pixels.
        self.assertGreater(cyan, 10 * (dpi / 96) ** 2, "cyan text of the scaled size: %r" % counts)
        self.assertEqual(sum(n for (r, g, b), n in counts.items() if r < 100 and g == b), total,
                         "nothing but black, cyan and their blend: %r" % counts)

        # The scaled 买 drives the client as at 100 %.
        harness.click(bar.left + parts[0][1] // 2, bar.top + size[1] // 2)
        client.wait_code("buy", "600036")

        os.makedirs(os.path.dirname(picture), exist_ok=True)
        with open(shot, "rb") as source, open(picture, "wb") as target:
            target.write(source.read())


if __name__ == "__main__":
    unittest.main()
