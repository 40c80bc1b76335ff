"""End-to-end harness: runs the Windows build under Wine and drives it with real X input.

Scenario files are ``tests/e2e/test_*.py``, plain ``unittest`` (standard library only).
CTest runs each file with ``python3 <file>`` inside one Wine session per test run
(``tests/wine/session.sh``).  A scenario looks like this::

    import unittest
    from harness import WineTestCase, wait_until

    class FirstStart(WineTestCase):
        def test_bar_goes_to_default_position(self):
            app = self.app_dir()                 # fresh folder with a copy of lingbo.exe
            self.start(app.exe)                  # runs it under Wine, stopped at tearDown
            bar = self.find_window(title="凌波助手", cls=None, timeout=15)
            self.assertEqual((bar.left, bar.top), (100, 100))
            wait_until(lambda: app.ini_get("软件设置", "左边") == "100", 5, what="左边 written")

    if __name__ == "__main__":
        unittest.main()

Environment (set by CTest; for hand runs the fallbacks apply):
    LINGBO_WINE_ENV           session env file (KEY=value lines: DISPLAY, WINEPREFIX, ...)
                              written by ``session.sh start``; without it the current
                              DISPLAY and WINEPREFIX are used.
    LINGBO_WINDOWS_BUILD_DIR  the Windows build tree (lingbo.exe, unit_tests.exe,
                              peers/*.exe, peers32/*.exe); default <repo>/build/windows.
    LINGBO_PEER_BITS          32 (default) or 64: which build of the stand-in peers the
                              scenarios start (peers32/ or peers/).  Our own tools
                              (probe_cli, locator_probe_cli, floor_*) are always 64-bit.
    LINGBO_E2E_ARTIFACTS      where failure screenshots go; default <state dir>/artifacts.
    LINGBO_KEEP=1             keep the scenario folders instead of removing them.

Every public function below is a thin layer over Wine, probe_cli.exe (which looks
at the desktop from the Windows side: window records, texts, profiles, messages,
clipboard, tooltips) or xdotool (real X input in screen coordinates).  One
probe_cli.exe, started at the first question, answers a scenario's questions
(``serve``); a profile read gets a probe of its own, since Wine keeps the files
a process has read.  Programs
are checked for the width asked for before they start: 64-bit for lingbo.exe and
our tools, peer_bits() for every stand-in.  find_window and wait_until raise
AssertionError on time-out; use wait_until for every hide/show step: Wine without
a window manager can block about 2 s while hiding a window.  WineTestCase stops
what a test started, removes its folders (AppDir copies, self.scratch) unless
LINGBO_KEEP=1, and screenshots a failure into the artifacts folder.
"""

import atexit
import os
import re
import select
import shlex
import signal
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest

_REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

LINGBO_TITLE = "凌波助手"


# --------------------------------------------------------------------------
# Session and paths
# --------------------------------------------------------------------------

def _read_env_file(path):
    with open(path, encoding="utf-8") as f:
        pairs = [line.strip().split("=", 1) for line in f if "=" in line and not line.strip().startswith("#")]
    return {name.strip(): (shlex.split(value) or [""])[0] for name, value in pairs}


def _session():
    path = os.environ.get("LINGBO_WINE_ENV")
    if path and os.path.exists(path):
        return _read_env_file(path)
    return {k: os.environ[k] for k in ("DISPLAY", "WINEPREFIX") if k in os.environ}


SESSION = _session()


def _skip_without_build():
    # Under CTest a missing Windows build means "skipped", not "failed".
    if os.environ.get("LINGBO_WINE_ENV") and not os.path.isfile(os.path.join(build_dir(), "lingbo.exe")):
        print("no Windows build in %s: skipped" % build_dir())
        sys.exit(77)


def state_dir():
    """The session's state folder (where scenario folders and artifacts live)."""
    path = os.environ.get("LINGBO_WINE_ENV")
    if path:
        return os.path.dirname(os.path.abspath(path))
    return os.path.join(tempfile.gettempdir(), "lingbo-e2e")


def build_dir():
    return os.environ.get("LINGBO_WINDOWS_BUILD_DIR") or os.path.join(_REPO, "build", "windows")


def peer_bits():
    bits = os.environ.get("LINGBO_PEER_BITS", "32")
    if bits not in ("32", "64"):
        raise AssertionError("LINGBO_PEER_BITS is %r, not 32 or 64" % bits)
    return int(bits)


def _own_tool(name):
    # Named as tests/peers/CMakeLists.txt names them: built 64-bit only.
    base = os.path.basename(name).lower()
    return base.startswith("floor_") or base.endswith("_cli.exe")


def exe_path(name):
    peers = "peers" if _own_tool(name) or peer_bits() == 64 else "peers32"
    for candidate in (os.path.join(build_dir(), name), os.path.join(build_dir(), peers, name)):
        if os.path.isfile(candidate):
            return candidate
    raise AssertionError("no %s in %s or its %s/ (is the Windows build done?)" % (name, build_dir(), peers))


MACHINE_I386, MACHINE_AMD64 = 0x14C, 0x8664


def pe_machine(path):
    with open(path, "rb") as f:
        head = f.read(4096)
    offset = struct.unpack_from("<I", head, 0x3C)[0] if head[:2] == b"MZ" and len(head) >= 0x40 else -1
    if offset < 0 or head[offset:offset + 4] != b"PE\0\0":
        raise AssertionError("%s is no PE executable" % path)
    return struct.unpack_from("<H", head, offset + 4)[0]


def _check_width(exe):
    # A scenario that silently ran on the other width would prove nothing
    # about the peers it claims to test.  Copies of the program are named
    # lingbo.exe; every other program that is not our tool plays a peer,
    # whatever it has been renamed to (dzh.exe).
    base = os.path.basename(exe).lower()
    ours = base == "lingbo.exe" or _own_tool(base)
    expected = MACHINE_AMD64 if ours or peer_bits() == 64 else MACHINE_I386
    found = pe_machine(exe)
    if found != expected:
        raise AssertionError("%s is built for machine 0x%x, not 0x%x (%s)"
                             % (exe, found, expected, "ours" if ours else "a %d-bit peer" % peer_bits()))


_skip_without_build()


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def _session_env(*names, **extra):
    """This process's environment with the session's values of names, then extra."""
    env = dict(os.environ, **{n: SESSION[n] for n in names if SESSION.get(n)})
    env.update(extra)
    return env


def wine_env(**extra):
    return _session_env("DISPLAY", "WINEPREFIX", **{"LANG": "zh_CN.UTF-8", "LC_ALL": "zh_CN.UTF-8", "WINEDEBUG": "-all",
                                                     "WINEDLLOVERRIDES": "mscoree,mshtml=", **extra})


# --------------------------------------------------------------------------
# Running Windows programs
# --------------------------------------------------------------------------

def _resolve(exe):
    return exe if os.path.isabs(exe) or os.sep in exe else exe_path(exe)


def run(exe, *args, timeout=30, cwd=None, env=None):
    # Output goes through files, not pipes: a Wine system process started on
    # the way (services, explorer) inherits the handles and would keep a pipe
    # open long after the program itself has ended.
    exe = _resolve(exe)
    _check_width(exe)
    command = ["wine", exe] + [str(a) for a in args]
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        code = subprocess.run(command, cwd=cwd, env=env or wine_env(), stdin=subprocess.DEVNULL, stdout=out,
                              stderr=err, start_new_session=True, timeout=timeout).returncode
        out.seek(0)
        err.seek(0)
        return subprocess.CompletedProcess(command, code, out.read(), err.read())


class Program:
    """A Windows program this harness started; stop() ends only this process."""

    def __init__(self, exe, args, cwd, env=None):
        self.exe = exe
        self._popen = subprocess.Popen(["wine", exe] + [str(a) for a in args], cwd=cwd, env=env or wine_env(),
                                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL, start_new_session=True)
        self.pid = self._popen.pid

    def alive(self):
        return self._popen.poll() is None

    def wait(self, timeout=None):
        try:
            return self._popen.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def stop(self, grace=3):
        self._popen.terminate()  # nothing is sent to a process that has ended
        if self.wait(grace) is None:
            self._popen.kill()
            self.wait(grace)
        return self._popen.returncode


def start(exe, *args, cwd=None, env=None):
    exe = _resolve(exe)
    _check_width(exe)
    return Program(exe, args, cwd or os.path.dirname(exe), env)


def private_kb(pid):
    with open("/proc/%d/smaps_rollup" % pid) as f:
        return sum(int(line.split()[1]) for line in f if line.startswith(("Private_Clean:", "Private_Dirty:")))


# --------------------------------------------------------------------------
# Settings files (GBK)
# --------------------------------------------------------------------------

class AppDir:
    """A fresh folder with a copy of a program from the Windows build."""

    def __init__(self, exe="lingbo.exe"):
        root = os.path.join(state_dir(), "scenarios")
        os.makedirs(root, exist_ok=True)
        self.path = tempfile.mkdtemp(prefix="app-", dir=root)
        self.exe = os.path.join(self.path, os.path.basename(exe))
        shutil.copy2(_resolve(exe), self.exe)
        self.ini_path = os.path.join(self.path, "new.ini")

    def ini_bytes(self):
        try:
            with open(self.ini_path, "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None

    def read_ini(self):
        data = self.ini_bytes()
        return None if data is None else data.decode("gbk")

    def write_ini(self, text):
        with open(self.ini_path, "wb") as f:
            f.write(text.replace("\r\n", "\n").replace("\n", "\r\n").encode("gbk"))

    def parse_ini(self):
        sections, current = {}, None
        for raw in (self.read_ini() or "").splitlines():
            line = raw.strip()
            if not line or line.startswith(";"):
                continue
            if line.startswith("[") and line.endswith("]"):
                current = sections.setdefault(line[1:-1].strip(), {})
            elif current is not None and "=" in line:
                name, value = line.split("=", 1)
                current[name.strip()] = value.strip()
        return sections

    def ini_get(self, section, key):
        return ini_get(self.ini_path, section, key)

    def ini_keys(self, section):
        return ini_keys(self.ini_path, section)

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)


# --------------------------------------------------------------------------
# The Windows side, through the probe
# --------------------------------------------------------------------------

# Probe commands that only look: one that Wine failed to start (seen rarely,
# exit code 1 with a desktop that was busy closing windows) is asked again.
_LOOKING = {"acp", "windows", "info", "text", "children", "foreground", "focus", "ping", "tips", "handles"}


class _ProbeServer:
    """One probe_cli.exe serving every question of this process: starting a
    Windows program under Wine costs more than most questions take.  A
    question that outlives its time-out ends the server and raises
    TimeoutExpired, as run() does; the next question starts another server."""

    def __init__(self):
        exe = exe_path("probe_cli.exe")
        _check_width(exe)
        self._process = subprocess.Popen(["wine", exe, "serve"], env=wine_env(), stdin=subprocess.PIPE,
                                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, start_new_session=True)
        self._pending = b""

    def alive(self):
        return self._process.poll() is None

    def ask(self, args, timeout):
        line = "\t".join(a.replace("\\", "\\\\").replace("\t", "\\t").replace("\r", "\\r").replace("\n", "\\n")
                         for a in args)
        deadline = time.monotonic() + timeout
        try:
            self._process.stdin.write(line.encode("utf-8") + b"\n")
            self._process.stdin.flush()
            code, size = (int(n) for n in self._take(lambda: self._pending.find(b"\n") + 1 or -1, deadline).split())
            return code, self._take(lambda: size if len(self._pending) >= size else -1, deadline)
        except (OSError, ValueError):
            self.close()
            return None

    def _take(self, length, deadline):
        """The first length() bytes of the output, once length() is no longer negative."""
        while length() < 0:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self._process.stdout], [], [], left)[0]:
                self.close()
                raise subprocess.TimeoutExpired("probe_cli.exe serve", 0)
            chunk = os.read(self._process.stdout.fileno(), 65536)
            if not chunk:
                raise OSError("probe_cli.exe serve ended")
            self._pending += chunk
        n = length()
        data, self._pending = self._pending[:n], self._pending[n:]
        return data

    def close(self):
        if self.alive():
            try:
                os.killpg(self._process.pid, signal.SIGKILL)
            except OSError:
                pass
        self._process.wait()
        self._process.stdin.close()
        self._process.stdout.close()


_server = None


# Wine keeps the profile files a process has read, and a deleted one's last
# contents with them: every profile read gets a probe of its own.
_ONE_SHOT = {"ini"}


def _ask(args, timeout):
    """(exit code, output bytes) of one probe command."""
    global _server
    if args and args[0] in _ONE_SHOT:
        result = run(exe_path("probe_cli.exe"), *args, timeout=timeout)
        return result.returncode, result.stdout
    if _server is None or not _server.alive():
        _server = _ProbeServer()
    answer = _server.ask(args, timeout)
    if answer is None:
        # The server itself ended (Wine took it down): this question gets a
        # probe of its own, as every question did before there was a server.
        result = run(exe_path("probe_cli.exe"), *args, timeout=timeout)
        answer = result.returncode, result.stdout
    return answer


def _probe_raw(args, timeout):
    code, out = _ask(args, timeout)
    if code == 1 and args and args[0] in _LOOKING:
        time.sleep(0.2)
        code, out = _ask(args, timeout)
    return code, out.decode("utf-8", "replace")


@atexit.register
def _stop_server():
    if _server is not None:
        _server.close()


def probe(*args, timeout=20, check=True):
    code, out = _probe_raw([str(a) for a in args], timeout)
    if check and code != 0:
        raise AssertionError("probe %s failed with exit code %d" % (" ".join(map(str, args)), code))
    return out


def clipboard_bytes():
    """CF_TEXT as stored (GBK from a program in code page 936); None when it holds no text."""
    code, out = _ask(["clipboard"], 20)
    return out if code == 0 else None


def tooltip_texts():
    """Every tooltip tool's text: Wine's explorer.exe keeps one tooltip per tray icon."""
    return [_unescape(line.split("\t", 2)[2]) for line in probe("tips").split("\n") if line.count("\t") >= 2]


def _unescape(text):
    return re.sub(r"\\(.)", lambda m: {"t": "\t", "r": "\r", "n": "\n"}.get(m.group(1), m.group(1)), text,
                  flags=re.S)


class Window:
    """One window record, as the probe saw it then: the derived sizes never change."""
    __slots__ = ("hwnd", "pid", "visible", "iconic", "enabled", "topmost", "left", "top", "right", "bottom",
                 "cls", "title", "rect", "width", "height", "center")

    def __init__(self, line):
        fields = line.split("\t")
        if len(fields) < 12:
            raise ValueError("bad window record: %r" % line)
        numbers = [int(f) for f in fields[:10]]
        self.hwnd, self.pid = numbers[0], numbers[1]
        self.visible, self.iconic, self.enabled, self.topmost = (bool(n) for n in numbers[2:6])
        self.rect = self.left, self.top, self.right, self.bottom = tuple(numbers[6:10])
        self.width, self.height = self.right - self.left, self.bottom - self.top
        self.center = ((self.left + self.right) // 2, (self.top + self.bottom) // 2)
        self.cls = _unescape(fields[10])
        self.title = _unescape("\t".join(fields[11:]))

    def __repr__(self):
        return "Window(%d, pid=%d, %r, %r, rect=%r, visible=%s)" % (self.hwnd, self.pid, self.cls, self.title,
                                                                     self.rect, self.visible)


def _records(out):
    return [Window(line) for line in out.split("\n") if line.strip()]


def windows():
    return _records(probe("windows"))


def find_windows(title=None, cls=None, pid=None):
    return [w for w in windows() if (title is None or w.title == title) and (cls is None or w.cls == cls)
            and (pid is None or w.pid == pid)]


def find_window(title=None, cls=None, pid=None, timeout=10, visible=None):
    def match():
        return next((w for w in find_windows(title, cls, pid) if visible is None or w.visible == visible), None)
    return wait_until(match, timeout, 0.2, what="window title=%r class=%r" % (title, cls))


def window(hwnd):
    code, out = _probe_raw(["info", str(hwnd)], 20)
    return _records(out)[0] if code == 0 and out.strip() else None


def window_text(hwnd):
    code, out = _probe_raw(["text", str(hwnd)], 20)
    return out if code == 0 else None


def children(hwnd):
    code, out = _probe_raw(["children", str(hwnd)], 20)
    return _records(out) if code == 0 else []


def child(hwnd, cls=None, title=None, index=0):
    found = [w for w in children(hwnd) if (cls is None or w.cls == cls) and (title is None or w.title == title)]
    if len(found) <= index:
        raise AssertionError("no child #%d class=%r title=%r of %d" % (index, cls, title, hwnd))
    return found[index]


def foreground():
    code, out = _probe_raw(["foreground"], 20)
    return _records(out)[0] if code == 0 and out.strip() else None


def focus(hwnd):
    code, out = _probe_raw(["focus", str(hwnd)], 20)
    return _records(out)[0] if code == 0 and out.strip() else None


def ini_get(path, section, key):
    """GetPrivateProfileStringA on the Windows side; None when the key is absent."""
    code, out = _probe_raw(["ini", windows_path(path), section, key], 20)
    if code == 3:
        return None
    if code != 0:
        raise AssertionError("probe ini failed with exit code %d" % code)
    return out


def ini_keys(path, section):
    code, out = _probe_raw(["ini", windows_path(path), section], 20)
    return [_unescape(k) for k in out.split("\n") if k] if code == 0 else []


def post(hwnd, msg, wparam=0, lparam=0):
    code, _ = _probe_raw(["post", str(hwnd), str(msg), str(wparam), str(lparam)], 20)
    return code == 0


def send(hwnd, msg, wparam=0, lparam=0, timeout_ms=2000):
    code, out = _probe_raw(["send", str(hwnd), str(msg), str(wparam), str(lparam), str(timeout_ms)], 20)
    return int(out.strip()) if code == 0 else None


def set_text(hwnd, text):
    probe("settext", str(hwnd), text)


# --------------------------------------------------------------------------
# Waiting
# --------------------------------------------------------------------------

def wait_until(predicate, timeout=5, interval=0.1, what="condition"):
    deadline = time.monotonic() + timeout
    while True:
        last = predicate()
        if last:
            return last
        if time.monotonic() >= deadline:
            raise AssertionError("timed out after %.1f s waiting for %s (last value %r)" % (timeout, what, last))
        time.sleep(interval)


# --------------------------------------------------------------------------
# Real X input
# --------------------------------------------------------------------------

def _xdotool(*args, timeout=10):
    result = subprocess.run(["xdotool"] + [str(a) for a in args], env=_session_env("DISPLAY"), stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
    if result.returncode != 0:
        raise AssertionError("xdotool %s: %s" % (" ".join(map(str, args)), result.stderr.decode(errors="replace")))
    return result.stdout.decode(errors="replace")


def mouse_position():
    values = dict(line.split("=", 1) for line in _xdotool("getmouselocation", "--shell").split() if "=" in line)
    return int(values["X"]), int(values["Y"])


def mouse_move(x, y):
    # `mousemove --sync` waits for a motion that never comes when the pointer
    # is already there, and a target off the screen is clamped: move without
    # --sync and poll briefly instead.
    if mouse_position() == (x, y):
        return
    deadline = time.monotonic() + 2
    _xdotool("mousemove", "--", x, y)
    while mouse_position() != (x, y):
        if time.monotonic() >= deadline:
            # Off the screen the pointer stops at the edge; anything else means
            # something holds the pointer, and every later step would miss.
            width, height = map(int, _xdotool("getdisplaygeometry").split())
            if (min(max(x, 0), width - 1), min(max(y, 0), height - 1)) == mouse_position():
                return
            raise AssertionError("the pointer does not move to (%d, %d): it stays at %r" % (x, y, mouse_position()))
        time.sleep(0.02)
        _xdotool("mousemove", "--", x, y)


def mouse_down(button=1):
    _xdotool("mousedown", button)


def mouse_up(button=1):
    _xdotool("mouseup", button)


def click(x, y, button=1):
    mouse_move(x, y)
    _xdotool("click", button)


def double_click(x, y, apart_ms=80):
    mouse_move(x, y)
    _xdotool("click", "--repeat", 2, "--delay", apart_ms, 1)


def drag(x0, y0, x1, y1, steps=10, button=1, pause=0.03):
    mouse_move(x0, y0)
    mouse_down(button)
    try:
        time.sleep(0.2)
        for i in range(1, steps + 1):
            mouse_move(x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps)
            time.sleep(pause)
        time.sleep(0.2)
    finally:
        mouse_up(button)


def key(*names, delay_ms=50):
    """Each name ("ctrl+alt+b") pressed and let go, a key at a time, delay_ms apart."""
    _xdotool("key", "--delay", delay_ms, *names)


def key_down(name):
    _xdotool("keydown", name)


def key_up(name):
    _xdotool("keyup", name)


def type_text(text):
    _xdotool("type", "--delay", 60, "--", text)


def screenshot(path, crop=None):
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    command = ["import", "-window", "root"]
    if crop:
        left, top, right, bottom = crop
        command += ["-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top), "+repage"]
    # No metadata: the same picture gives the same bytes.
    command += ["-strip", "-define", "png:exclude-chunks=date,time"]
    subprocess.run(command + [path], env=_session_env("DISPLAY"), check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=30)
    return path


# --------------------------------------------------------------------------
# unittest base
# --------------------------------------------------------------------------

def artifacts_dir():
    return os.environ.get("LINGBO_E2E_ARTIFACTS") or os.path.join(state_dir(), "artifacts")


class WineTestCase(unittest.TestCase):
    """Stops what the test started and removes its folders; screenshots failures."""

    def setUp(self):
        self._programs = []
        # What stood on the desktop before: the next test must not meet a
        # window of this one that is still on its way out.
        before = windows()
        self._windows_before = {w.hwnd for w in before}
        self._pids_before = {w.pid for w in before}
        self.addCleanup(self._stop_programs)

    def app_dir(self, exe="lingbo.exe"):
        folder = AppDir(exe)
        if os.environ.get("LINGBO_KEEP") != "1":
            self.addCleanup(folder.remove)
        return folder

    @property
    def scratch(self):
        if not getattr(self, "_scratch", None):
            root = os.path.join(state_dir(), "scenarios")
            os.makedirs(root, exist_ok=True)
            self._scratch = tempfile.mkdtemp(prefix="scratch-", dir=root)
            if os.environ.get("LINGBO_KEEP") != "1":
                self.addCleanup(shutil.rmtree, self._scratch, True)
        return self._scratch

    def start(self, exe, *args, cwd=None, env=None):
        program = start(exe, *args, cwd=cwd, env=env)
        self._programs.append(program)
        return program

    def show_window(self, title, timeout=10):
        """A plain top-level window with that title (a charting program's, say); stop the Program to close it."""
        program = self.start(exe_path("probe_cli.exe"), "window", title)
        return program, find_window(title=title, cls="ProbeWindow", timeout=timeout)

    find_window = staticmethod(find_window)

    def _failed(self):
        outcome = getattr(self, "_outcome", None)
        result = getattr(outcome, "result", None)
        return result is not None and (any(test is self for test, _ in result.failures + result.errors)
                                       or not getattr(outcome, "success", True))

    def _stop_programs(self):
        if self._failed():
            try:
                stem = os.path.splitext(os.path.basename(sys.argv[0]))[0] or "scenario"
                # The two widths' runs of a scenario fail side by side: one picture each.
                stem += "64" if peer_bits() == 64 else ""
                screenshot(os.path.join(artifacts_dir(), self.id().replace("__main__", stem) + ".png"))
            except Exception as error:  # a missing screenshot must not hide the real failure
                print("screenshot failed: %s" % error, file=sys.stderr)
        for program in reversed(self._programs):
            program.stop()
        if self._programs:
            try:
                wait_until(lambda: not [w for w in windows() if w.hwnd not in self._windows_before
                                        and w.pid not in self._pids_before], 15, what="the test's windows gone")
            except AssertionError as error:
                print("warning: %s" % error, file=sys.stderr)
