#!/usr/bin/env python3
"""Mutation run: how many deliberate small faults the native unit tests catch.

    python3 scripts/mutate.py [scripts/mutations.txt] [--only N ...] [--work DIR]

Each line of the list is one change, applied alone to a copy of the source
tree (never to the repository itself):

    src/text/text.cpp:42 | before | after
    src/text/text.cpp:42 | before | after | equivalent: why the program cannot tell

`before` must occur on that line; its first occurrence there becomes `after`
(empty `after` drops it).  A literal " | " inside a field is written " \\| ".
Blank lines and lines starting with "#" are ignored.

For every change the copy's unit_tests are rebuilt (one build folder, kept
between runs, so only what the change touches is compiled again) and run.
A change the tests fail on, or that makes them hang, is killed; one they pass
survived; one that does not compile tells nothing and is left out.  The kill
rate is over the changes that alter behaviour: all that compiled, less those
the list marks as equivalent.

A developer's tool, not part of `make test`; a run takes a few minutes.
"""

import argparse
import os
import shutil
import subprocess
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_LIST = os.path.join(REPO, "scripts", "mutations.txt")
# What the native unit tests are built from.
TREE = ("CMakeLists.txt", "CMakePresets.json", "cmake", "src", "tests", "fuzz", "bench")
TEST_TIMEOUT = 120


class Mutation:
    def __init__(self, number, text):
        fields = [f.replace("\\|", "|").strip() for f in _split(text)]
        if len(fields) not in (3, 4) or ":" not in fields[0]:
            raise ValueError("line %d: want 'file:line | before | after [| equivalent: why]'" % number)
        path, line = fields[0].rsplit(":", 1)
        self.number, self.path, self.line = number, path, int(line)
        self.before, self.after = fields[1], fields[2]
        self.equivalent = fields[3] if len(fields) == 4 else ""
        if not self.before:
            raise ValueError("line %d: empty 'before'" % number)

    def apply(self, lines):
        """lines with the change made; ValueError when `before` is not on its line."""
        index = self.line - 1
        if not 0 <= index < len(lines) or self.before not in lines[index]:
            raise ValueError("%s:%d does not hold %r" % (self.path, self.line, self.before))
        changed = list(lines)
        changed[index] = lines[index].replace(self.before, self.after, 1)
        return changed

    def __str__(self):
        return "%s:%d  %s  ->  %s" % (self.path, self.line, self.before, self.after or "(dropped)")


def _split(text):
    fields, current, i = [], "", 0
    while i < len(text):
        if text.startswith("\\|", i):
            current += "\\|"
            i += 2
        elif text.startswith(" | ", i):
            fields.append(current)
            current = ""
            i += 3
        else:
            current += text[i]
            i += 1
    fields.append(current)
    return fields


def read_list(path):
    mutations = []
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            text = raw.rstrip("\n")
            if text.endswith(" |"):  # an empty `after` whose trailing blank an editor took
                text += " "
            if text.strip() and not text.lstrip().startswith("#"):
                mutations.append(Mutation(number, text))
    return mutations


def sync_copy(copy):
    """The copy holds the repository's tree as it is now.  Only files that differ
    are written (and so rebuilt); files gone from the repository go from the copy."""
    wanted = set()
    for name in TREE:
        source = os.path.join(REPO, name)
        paths = [source] if os.path.isfile(source) else [
            os.path.join(folder, f) for folder, _, files in os.walk(source) for f in files]
        for path in paths:
            relative = os.path.relpath(path, REPO)
            wanted.add(relative)
            target = os.path.join(copy, relative)
            if not _same(path, target):
                os.makedirs(os.path.dirname(target), exist_ok=True)
                shutil.copyfile(path, target)
    for name in TREE:
        for folder, _, files in os.walk(os.path.join(copy, name)):
            for f in files:
                if os.path.relpath(os.path.join(folder, f), copy) not in wanted:
                    os.remove(os.path.join(folder, f))


def _same(a, b):
    try:
        with open(a, "rb") as x, open(b, "rb") as y:
            return x.read() == y.read()
    except FileNotFoundError:
        return False


def build(copy, quiet=True):
    if not os.path.isfile(os.path.join(copy, "build", "native", "CMakeCache.txt")):
        subprocess.run(["cmake", "--preset", "native"], cwd=copy, check=True, stdout=subprocess.DEVNULL)
    done = subprocess.run(["cmake", "--build", "--preset", "native", "--target", "unit_tests"], cwd=copy,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if done.returncode != 0 and not quiet:
        sys.stdout.write(done.stdout.decode(errors="replace")[-4000:])
    return done.returncode == 0


def run_tests(copy):
    """(passed, first failing test or why)."""
    exe = os.path.join(copy, "build", "native", "tests", "unit_tests")
    try:
        done = subprocess.run([exe, "--gtest_brief=1"], cwd=copy, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=TEST_TIMEOUT)
    except subprocess.TimeoutExpired:
        return False, "hung (over %d s)" % TEST_TIMEOUT
    if done.returncode == 0:
        return True, ""
    for line in done.stdout.decode(errors="replace").splitlines():
        if line.startswith("[  FAILED  ]"):
            return False, line[len("[  FAILED  ]"):].strip().split(" ")[0]
    return False, "exit code %d" % done.returncode


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("list", nargs="?", default=DEFAULT_LIST)
    parser.add_argument("--only", type=int, nargs="*", help="run only these entries (1-based, in list order)")
    parser.add_argument("--work", default=os.path.join("/tmp", "lingbo-mutate"),
                        help="where the copy and its build live (outside the repository)")
    args = parser.parse_args()

    work = os.path.abspath(args.work)
    if work == REPO or work.startswith(REPO + os.sep):
        parser.error("the copy must live outside the repository")
    mutations = read_list(args.list)
    chosen = [m for i, m in enumerate(mutations, 1) if not args.only or i in args.only]
    copy = os.path.join(work, "tree")
    sync_copy(copy)
    print("baseline: building and running the unit tests of %s" % copy, flush=True)
    if not build(copy, quiet=False):
        print("the unmodified copy does not build")
        return 2
    passed, why = run_tests(copy)
    if not passed:
        print("the unmodified copy fails its tests: %s" % why)
        return 2

    results = []
    started = time.monotonic()
    for m in chosen:
        target = os.path.join(copy, m.path)
        with open(os.path.join(REPO, m.path), encoding="utf-8") as f:
            original = f.read()
        try:
            changed = m.apply(original.split("\n"))
        except ValueError as error:
            print("%3d  stale     %s" % (m.number, error), flush=True)
            results.append((m, "stale", str(error)))
            continue
        try:
            with open(target, "w", encoding="utf-8") as f:
                f.write("\n".join(changed))
            if not build(copy):
                outcome, why = "no-build", ""
            else:
                passed, why = run_tests(copy)
                outcome = ("equivalent" if m.equivalent else "SURVIVED") if passed else "killed"
        finally:
            with open(target, "w", encoding="utf-8") as f:
                f.write(original)
        if outcome == "killed" and m.equivalent:
            why += "  (marked equivalent, yet killed: the mark is wrong)"
        results.append((m, outcome, why))
        print("%3d  %-10s %s%s" % (m.number, outcome, m, "  [" + why + "]" if why else ""), flush=True)
    build(copy)

    count = {k: sum(1 for _, o, _ in results if o == k)
             for k in ("killed", "SURVIVED", "equivalent", "no-build", "stale")}
    behaviour = count["killed"] + count["SURVIVED"]
    print("\n%d changes in %.0f s: %d killed, %d survived, %d equivalent, %d did not build, %d stale"
          % (len(results), time.monotonic() - started, count["killed"], count["SURVIVED"], count["equivalent"],
             count["no-build"], count["stale"]))
    if behaviour:
        print("kill rate over the %d behaviour-changing changes: %.1f %%"
              % (behaviour, 100.0 * count["killed"] / behaviour))
    for m, outcome, _ in results:
        if outcome == "equivalent":
            print("  equivalent  %s: %s" % (m, m.equivalent))
    for m, outcome, _ in results:
        if outcome == "SURVIVED":
            print("  survived    %s" % m)
    return 0 if count["SURVIVED"] == 0 and count["stale"] == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
