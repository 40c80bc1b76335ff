"""Writes 大智慧-style code tables for the end-to-end scenarios.

The layout is the one the unit tests' generator (tests/support/code_table.cpp)
makes: a 16-byte header, then 64-byte records of a 10-byte code field (ASCII,
NUL padded), the GBK name (32 bytes, NUL padded) and 22 bytes of quote data.

    make_dzh_folder(root, shanghai, shenzhen, name="STKINFO60.DAT")
        root/data/sh/<name> and root/data/sz/<name> from lists of (code, name)

    make_tdx_folder(root, securities)
        root/T0002/hq_cache/shm.tnf and szm.tnf in 通达信's layout: a 50-byte
        header, 314-byte records, the code at 0 and the name (8 bytes) at 23

    python3 make_code_tables.py FOLDER     writes the tables of the well-known
                                           securities below into FOLDER
"""

import os
import struct
import sys

SHANGHAI = [("600000", "浦发银行"), ("600036", "招商银行"), ("600519", "贵州茅台"), ("601318", "中国平安")]
SHENZHEN = [("000001", "平安银行"), ("000002", "万科Ａ"), ("000651", "格力电器"), ("000858", "五粮液")]

CODE_FIELD, NAME_FIELD, DATA_FIELD = 10, 32, 22


def record(code, name, serial=0):
    code_bytes = code.encode("ascii")[:CODE_FIELD].ljust(CODE_FIELD, b"\0")
    name_bytes = name.encode("gbk")[:NAME_FIELD].ljust(NAME_FIELD, b"\0")
    data = struct.pack("<5I", 1000 + serial, 2000, 3000, 4000, 5000)[:DATA_FIELD].ljust(DATA_FIELD, b"\0")
    return code_bytes + name_bytes + data


def table(securities):
    header = b"STKINFO1" + struct.pack("<I", len(securities)) + b"\0" * 4
    return header + b"".join(record(code, name, i) for i, (code, name) in enumerate(securities))


def make_dzh_folder(root, shanghai=SHANGHAI, shenzhen=SHENZHEN, name="STKINFO60.DAT"):
    for market, securities in (("sh", shanghai), ("sz", shenzhen)):
        folder = os.path.join(root, "data", market)
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, name), "wb") as f:
            f.write(table(securities))


def make_tdx_folder(root, shanghai=SHANGHAI, shenzhen=SHENZHEN):
    folder = os.path.join(root, "T0002", "hq_cache")
    os.makedirs(folder, exist_ok=True)
    for name, securities in (("shm.tnf", shanghai), ("szm.tnf", shenzhen)):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(b"\0" * 50 + b"".join(code.encode("ascii").ljust(23, b"\0") + title.encode("gbk").ljust(8, b"\0")[:8]
                                          + b"\x01" * 283 for code, title in securities))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    make_dzh_folder(sys.argv[1])
