"""Pieces shared by the peer-fault scenarios (test_faults_*.py), soak_wine.py and test_quote_dzh.py.

    DzhStandIn(case, documents, shanghai=..., shenzhen=..., table="STKINFO60.DAT", args=())
        the 大智慧 stand-in copied as dzh.exe into a fresh folder laid out like
        大智慧's own, with code tables made from (code, name) lists and a control
        file; .show(name) brings a document to the front (see dzh_standin.cpp for
        "hex:" and "long:" names), .frame the main window, .program, .folder

The bar and 交易师 start through lingbo_app.LingboCase.
"""

import os
import shutil

import harness as h
from make_code_tables import SHANGHAI, SHENZHEN, make_dzh_folder, make_tdx_folder


class DzhStandIn:
    def __init__(self, case, documents, shanghai=SHANGHAI, shenzhen=SHENZHEN, table="STKINFO60.DAT", args=(),
                 title="大智慧 - 行情"):
        self.folder = case.app_dir("dzh_standin.exe").path
        make_dzh_folder(self.folder, shanghai, shenzhen, table)
        self.control = os.path.join(self.folder, "front.txt")
        self.exe = os.path.join(self.folder, "dzh.exe")
        shutil.move(os.path.join(self.folder, "dzh_standin.exe"), self.exe)
        self.program = case.start(self.exe, "--title", title, "--control", h.windows_path(self.control),
                                  *(list(args) + list(documents)))
        self.frame = case.find_window(title=title, timeout=20)

    @classmethod
    def tdx(cls, case, page, args=(), **tables):
        """The same stand-in as 通达信: TdxW.exe in a folder with its name tables
        (make_tdx_folder's shanghai=, shenzhen=), its title "...[PAGE]";
        .show(page) changes the page, .show("front " + page) also brings it
        to the top."""
        self = cls.__new__(cls)
        self.folder = case.app_dir("dzh_standin.exe").path
        make_tdx_folder(self.folder, **tables)
        self.control = os.path.join(self.folder, "page.txt")
        self.exe = os.path.join(self.folder, "TdxW.exe")
        shutil.move(os.path.join(self.folder, "dzh_standin.exe"), self.exe)
        self.program = case.start(self.exe, "--tdx", "--control", h.windows_path(self.control), *args, page)
        self.frame = case.find_window(title="通达信金融终端V7.642 - [%s]" % page, timeout=20)
        return self

    def show(self, name):
        with open(self.control, "w", encoding="utf-8") as f:
            f.write(name + "\n")

    def stop(self):
        self.program.stop()
        h.wait_until(lambda: h.window(self.frame.hwnd) is None, 10, what="大智慧 stand-in gone")
