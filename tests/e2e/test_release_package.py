"""The release package that `make dist` builds: its contents, its bytes, and the program run from it alone."""

import os
import re
import subprocess
import tempfile
import types
import unittest
import zipfile

import harness
from harness import wait_until
from lingbo_app import SECTION, LingboCase

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DIST = os.path.join(REPO, "scripts", "dist.sh")


def project_version():
    with open(os.path.join(REPO, "CMakeLists.txt"), encoding="utf-8") as f:
        return re.search(r"^project\(lingbo VERSION ([0-9.]+)", f.read(), re.M).group(1)


class PackageCase(LingboCase):

    def folder(self):
        return tempfile.mkdtemp(prefix="dist-", dir=self.scratch)

    def dist(self, build_dir=None, **env):
        """Runs dist.sh into a fresh folder; returns (completed process, zip path).  Only a stale build may fail."""
        out = self.folder()
        environment = dict(os.environ, LINGBO_WINDOWS_BUILD_DIR=build_dir or harness.build_dir(), LINGBO_DIST_DIR=out)
        environment.pop("SOURCE_DATE_EPOCH", None)
        environment.update(env)
        result = subprocess.run(["bash", DIST], cwd=REPO, env=environment, capture_output=True, text=True, timeout=120)
        if build_dir is None:
            self.assertEqual(result.returncode, 0, result.stderr)
        return result, os.path.join(out, "lingbo-%s-win64.zip" % project_version())


class Contents(PackageCase):

    def test_two_runs_give_the_same_bytes_holding_the_program_readme_and_licence(self):
        _, first_zip = self.dist()
        _, second_zip = self.dist()
        with open(first_zip, "rb") as a, open(second_zip, "rb") as b:
            self.assertTrue(a.read() == b.read(), "two packages of the same build differ")

        top = "lingbo-%s/" % project_version()
        with zipfile.ZipFile(first_zip) as z:
            self.assertIsNone(z.testzip())
            self.assertEqual(z.namelist(), [top, top + "lingbo.exe", top + "README.txt", top + "LICENSE.txt"])
            self.assertEqual(len({info.date_time for info in z.infolist()}), 1, "one date for every entry")
            with open(harness.exe_path("lingbo.exe"), "rb") as exe:
                self.assertTrue(z.read(top + "lingbo.exe") == exe.read(), "the program is the build's, unchanged")
            readme = z.read(top + "README.txt")
            # Notepad needs the UTF-8 signature; the text after it is the repository's README.
            self.assertTrue(readme.startswith(b"\xef\xbb\xbf"))
            with open(os.path.join(REPO, "README.md"), "rb") as f:
                self.assertEqual(readme[3:], f.read())
            self.assertIn("MIT", z.read(top + "LICENSE.txt").decode("utf-8-sig"))

    def test_entry_dates_follow_source_date_epoch(self):
        cases = [
            (1765000000, (2025, 12, 6, 5, 46, 40)),
            (0, (1980, 1, 1, 0, 0, 0)),  # before the earliest date a zip entry can hold
        ]
        for epoch, date in cases:
            with self.subTest(epoch=epoch):
                _, path = self.dist(SOURCE_DATE_EPOCH=str(epoch))
                with zipfile.ZipFile(path) as z:
                    self.assertEqual({info.date_time for info in z.infolist()}, {date})

    def test_a_build_of_another_version_is_refused(self):
        stale = self.folder()
        with open(harness.exe_path("lingbo.exe"), "rb") as f:
            program = f.read()
        # The same executable with its version strings changed: the package
        # would carry a number that the program does not.
        version = project_version().encode("utf-16-le")
        self.assertIn(version, program)
        with open(os.path.join(stale, "lingbo.exe"), "wb") as f:
            other = "".join("8" if c == "9" else "9" if c.isdigit() else c for c in project_version())
            f.write(program.replace(version, other.encode("utf-16-le")))
        result, path = self.dist(build_dir=stale)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("rebuild", result.stderr)
        self.assertFalse(os.path.exists(path), "no package from a stale build")


class Unpacked(PackageCase):

    def test_the_program_runs_alone_in_its_folder_and_keeps_new_ini_beside_itself(self):
        _, path = self.dist()
        target = self.folder()
        with zipfile.ZipFile(path) as z:
            z.extractall(target)
        home = os.path.join(target, "lingbo-%s" % project_version())
        for name in ("README.txt", "LICENSE.txt"):
            os.remove(os.path.join(home, name))
        self.assertEqual(os.listdir(home), ["lingbo.exe"])

        app = types.SimpleNamespace(exe=os.path.join(home, "lingbo.exe"))
        bar = self.start_bar(app, at=(100, 100))
        self.assertEqual((bar.width, bar.height), (120, 24))
        ini = os.path.join(home, "new.ini")
        wait_until(lambda: harness.ini_get(ini, SECTION, "顶边") == "100", 10, what="new.ini written")
        self.assertEqual(sorted(os.listdir(home)), ["lingbo.exe", "new.ini"])


if __name__ == "__main__":
    unittest.main()
