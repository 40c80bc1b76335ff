#!/usr/bin/env python3
"""Writes the small seed corpus of each fuzz target into fuzz/corpus/ (GBK)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def g(text):
    return text.encode("gbk")


def record(code, name):
    return g(code).ljust(10, b"\0")[:10] + g(name).ljust(32, b"\0") + bytes(range(22))


def table(entries):
    return b"STKINFO\0" + struct.pack("<II", len(entries), 64) + b"".join(record(c, n) for c, n in entries)


def search(flags, start, text, pattern, end):
    return bytes([flags, start]) + g(text) + b"\xff" + g(pattern) + b"\xff" + g(end)


def scan(market, chunk, short, title, data):
    t = g(title)
    return bytes([market, chunk, short, len(t) - 1]) + t + data


def tnf(file, repeats, name, entries, tail=b""):
    n = g(name)
    body = b"".join(g(c).ljust(23, b"\x01")[:23] + g(m).ljust(8, b"\0")[:8] + b"\x02" * 283 for c, m in entries)
    return bytes([file, repeats, len(n)]) + n + b"\0" * 50 + body + tail


SHANGHAI = [("600000", "浦发银行"), ("600036", "招商银行"), ("510300", "沪深300ETF")]
SHENZHEN = [("000001", "平安银行"), ("300750", "宁德时代")]

CORPUS = {
    "text_to_int_fuzz": [g(t) for t in ["112", "  -5", "0x71", "１１６", "\u3000７", "+2147483648",
                                       "-99999999999", "abc", "600036 招商", ""]],
    "text_search_fuzz": [
        search(0, 0, "交易师 - 600036 - 招商银行", " - ", " - "),
        search(1, 0, "[SH600036]行情【数据】", "[", "]"),
        search(2, 3, "ABCabcABC", "abc", ""),
        search(1, 0, "\u7a0b\u5e8f\\\\", "\\", "["),
    ],
    "table_scan_fuzz": [
        scan(0, 16, 0, "浦发银行", table(SHANGHAI)),
        scan(1, 7, 0x55, "平安银行", table(SHENZHEN)),
        scan(0, 1, 0xff, "招商银行", table([("000036", "招商银行"), ("600036", "招商银行")])),
        scan(0, 3, 0, "浦发银行", g("600000") + b"\0\0\0\0" + g("浦发银行")),
    ],
    "tnf_table_fuzz": [
        tnf(0, 0, "浦发银行", [("600000", "浦发银行"), ("600036", "招商银行")]),
        tnf(1, 0, "艾融软件", [("830799", "艾融软件")]),
        tnf(0, 250, "平安银行", [("000001", "平安银行"), ("00000X", "万科Ａ")], b"cut"),
        tnf(1, 3, "万科Ａ", [("000002", "万科Ａ"), ("000002", "万科Ａ")], b"\0"),
    ],
    "trader_title_fuzz": [b"\0" + g(t) for t in ["交易师 - 600036 - 招商银行", "交易师 [SH600036] 招商银行",
                                                 "交易师 - 招商银行 - [SZ000001]", "交易师 - 60003 - x"]]
                         + [b"\x01" + b"\x00\x09\x27\xc4" + g(" - 名称")],
    "settings_load_fuzz": [
        g("浦发银行\\\n[软件设置]\r\n买入键=112\r\n卖出键=113\r\n功能键=114\r\n左边=100\r\n顶边=100\r\n"
          "[代码表]\r\n浦发银行=600000\r\n"),
        g("x\\\n[软件设置]\r\n买入键=0x71\r\n卖出键=-5\r\n功能键=１１６\r\n左边=-500\r\n顶边=abc\r\n数据源=1\r\n"),
        g("\\\n ; comment\r\n[软件设置\r\n 买入键 = \"120\" \r\n[代码表]\r\n=\r\n[软件设置]\r\n卖出键\r\n"),
        b"\xff\xfe[\x00a\x00]\x00\\\n" + "[软件设置]\r\n左边=12\r\n".encode("utf-8"),
    ],
}

for target, inputs in CORPUS.items():
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for i, data in enumerate(inputs):
        with open(os.path.join(folder, "seed-%02d" % i), "wb") as f:
            f.write(data)

# Dictionaries: the markers and names the targets look for, as GBK bytes.
DICTS = {
    "settings_load_fuzz": ["[软件设置]", "[代码表]", "买入键=", "卖出键=", "功能键=", "左边=", "顶边=",
                           "数据源=", "键码表=", "\r\n", "=", "\"", "１", "－", "\u3000"],
    "trader_title_fuzz": ["交易师", " - ", "[", "]", "SH", "SZ", "６", "\u3000"],
}
for target, words in DICTS.items():
    with open(os.path.join(HERE, target + ".dict"), "w") as f:
        for w in words:
            f.write('"' + "".join("\\x%02x" % b for b in g(w)) + '"\n')
