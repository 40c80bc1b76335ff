"""大智慧's code tables replaced, truncated, renamed and half-written while the
bar resolves titles from them.  Whatever it catches of a table, a cached code
is either the right one or, when none was found, the title itself; new.ini
stays whole, and the bar neither crashes nor stalls."""

import os
import random
import sys
import threading
import time
import unittest

from fault_scene import DzhStandIn
from lingbo_app import LingboCase
from make_code_tables import table

SHANGHAI = [("6%05d" % (100 + i), "沪测%d号" % i) for i in range(40)]
SHENZHEN = [("0%05d" % (100 + i), "深测%d号" % i) for i in range(40)]
RIGHT = dict((name, code) for code, name in SHANGHAI + SHENZHEN)


class TableVandal(threading.Thread):
    """Keeps changing the tables in every way a copy or an update by 大智慧
    itself, or a full disk, could leave them."""

    def __init__(self, folder):
        super().__init__(daemon=True)
        self.folder = folder
        self.stop = threading.Event()
        self.rounds = 0

    def tables(self):
        return [os.path.join(self.folder, "data", market, name) for market in ("sh", "sz")
                for name in os.listdir(os.path.join(self.folder, "data", market))]

    def run(self):
        rng = random.Random(7)
        names = ["STKINFO60.DAT", "STKINFO61.DAT"]
        while not self.stop.is_set():
            self.rounds += 1
            securities = {"sh": list(SHANGHAI), "sz": list(SHENZHEN)}
            for market in securities:
                rng.shuffle(securities[market])
            way = self.rounds % 4
            for path in self.tables():
                market = path.split(os.sep)[-2]
                data = table(securities[market])
                if way == 0:    # truncated anywhere, even inside a name or a code
                    with open(path, "r+b") as f:
                        f.truncate(rng.randrange(len(data)))
                elif way == 1:  # replaced by a new file in one step
                    with open(path + ".new", "wb") as f:
                        f.write(data)
                    os.replace(path + ".new", path)
                elif way == 2:  # rewritten in place, slowly
                    with open(path, "wb") as f:
                        for at in range(0, len(data), 512):
                            f.write(data[at:at + 512])
                            f.flush()
                            time.sleep(0.005)
                else:           # renamed: the chosen name disappears
                    folder = os.path.dirname(path)
                    other = names[1] if os.path.basename(path) == names[0] else names[0]
                    with open(os.path.join(folder, other), "wb") as f:
                        f.write(data)
                    os.remove(path)
            time.sleep(rng.uniform(0.02, 0.2))


class TablesChangingUnderfoot(LingboCase):

    def test_codes_are_right_or_the_title_itself(self):
        dzh = DzhStandIn(self, [SHANGHAI[0][1]], SHANGHAI, SHENZHEN)
        bar = self.start_bar(数据源="0", shows=SHANGHAI[0][0])
        settings = bar.settings()

        vandal = TableVandal(dzh.folder)
        vandal.start()
        try:
            titles = [name for _, name in SHANGHAI[1:] + SHENZHEN]
            random.Random(3).shuffle(titles)
            for title in titles:
                dzh.show(title)
                time.sleep(0.25)
        finally:
            vandal.stop.set()
            vandal.join(10)
        print("\n%d titles resolved while the tables changed %d times" % (len(titles), vandal.rounds),
              file=sys.stderr)

        self.assertStillRunning(bar)
        cache = bar.app.parse_ini()["代码表"]
        self.assertGreater(len(cache), len(titles) // 2, "few titles were resolved at all")
        wrong = {title: code for title, code in cache.items() if code not in (RIGHT[title], title)}
        self.assertEqual(wrong, {})
        found = sum(1 for title, code in cache.items() if code == RIGHT[title])
        print("%d of %d cached with their code, the rest as themselves" % (found, len(cache)), file=sys.stderr)
        self.assertEqual(bar.settings(), settings)

        # Whole tables again: a title not seen before is found as usual.
        for path in vandal.tables():
            os.remove(path)
        for market, securities in (("sh", SHANGHAI + [("600999", "后来上市")]), ("sz", SHENZHEN)):
            with open(os.path.join(dzh.folder, "data", market, "STKINFO62.DAT"), "wb") as f:
                f.write(table(securities))
        dzh.show("后来上市")
        bar.wait_code("600999")


if __name__ == "__main__":
    unittest.main()
