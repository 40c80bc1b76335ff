#!/usr/bin/env python3
"""Copies C++ sources so that clang compiles their narrow literals as GBK.

Clang accepts no execution character set but UTF-8, and the program's texts
are GBK.  Every non-ASCII character of a UTF-8 source becomes its GBK bytes as
octal escapes (at most three digits, so a following digit is never swallowed,
as it would be by a hex escape).  Inside literals that is exactly the bytes
g++ -fexec-charset=GBK makes; in comments it is harmless.  The sources hold no
raw string literals, where escapes would stay as written.

usage: gbk_escape.py SOURCE_ROOT DEST_ROOT FILE...   (FILE relative to SOURCE_ROOT)
"""
import os
import sys


def escape(text: str) -> str:
    # A character GBK lacks becomes "?".
    return "".join(ch if ord(ch) < 0x80 else "".join("\\%03o" % b for b in ch.encode("gbk", "replace"))
                   for ch in text)


def main() -> None:
    source_root, dest_root, *files = sys.argv[1:]
    for name in files:
        with open(os.path.join(source_root, name), encoding="utf-8") as f:
            text = escape(f.read())
        dest = os.path.join(dest_root, name)
        os.makedirs(os.path.dirname(dest), exist_ok=True)
        # Unchanged copies keep their time stamps, so nothing rebuilds.
        if os.path.exists(dest):
            with open(dest, encoding="ascii") as f:
                if f.read() == text:
                    continue
        with open(dest, "w", encoding="ascii") as f:
            f.write(text)


if __name__ == "__main__":
    main()
