"""How the bar looks with a code on it; the picture also goes to docs/bar.png."""

import os
import subprocess
import unittest

import harness
from harness import wait_until
from lingbo_app import KEYS, LingboCase, bar_parts, settings_ini

DOCS_PICTURE = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
                            "docs", "bar.png")
MARGIN = 8


def colours(path, crop):
    """{(r, g, b): pixel count} of a part of a picture, through ImageMagick."""
    left, top, right, bottom = crop
    out = subprocess.run(["convert", path, "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top),
                          "+repage", "-depth", "8", "txt:-"], check=True, stdout=subprocess.PIPE).stdout.decode()
    counts = {}
    for line in out.splitlines()[1:]:
        rgb = line.split("(", 1)[1].split(")", 1)[0].split(",")[:3]
        key = tuple(int(float(v)) for v in rgb)
        counts[key] = counts.get(key, 0) + 1
    return counts


class Look(LingboCase):

    def test_the_code_label_is_black_with_cyan_text(self):
        # A stand-in for the charting program 交易师, whose title carries the code.
        self.show_window("交易师 - 600036 - 招商银行")
        app = self.app_dir()
        app.write_ini(settings_ini(数据源="1", **KEYS, 左边="300", 顶边="200"))
        bar = self.start_bar(app, at=(300, 200))
        label = bar_parts(bar)["label"]
        wait_until(lambda: harness.window_text(label.hwnd) == "600036", 10, what="the code on the label")

        shot = os.path.join(harness.artifacts_dir(), "bar.png")
        harness.screenshot(shot, crop=(bar.left - MARGIN, bar.top - MARGIN, bar.right + MARGIN, bar.bottom + MARGIN))
        # Inside the label's sunken edge, in the picture's coordinates.
        inside = (label.left - bar.left + MARGIN + 3, label.top - bar.top + MARGIN + 3,
                  label.right - bar.left + MARGIN - 3, label.bottom - bar.top + MARGIN - 3)
        counts = colours(shot, inside)
        total = sum(counts.values())
        black = counts.get((0, 0, 0), 0)
        cyan = sum(n for (r, g, b), n in counts.items() if r < 100 and g > 150 and b > 150)
        self.assertGreater(black, total // 2, "mostly black background: %r" % counts)
        self.assertGreater(cyan, 10, "cyan text: %r" % counts)
        self.assertEqual(sum(n for (r, g, b), n in counts.items() if r < 100 and g == b), total,
                         "nothing but black, cyan and their blend: %r" % counts)

        os.makedirs(os.path.dirname(DOCS_PICTURE), exist_ok=True)
        with open(shot, "rb") as source, open(DOCS_PICTURE, "wb") as target:
            target.write(source.read())


if __name__ == "__main__":
    unittest.main()
