#!/usr/bin/env python3
"""Planted faults: applies each fault of faults.txt to the tree in turn, builds, runs the suite
without the end-to-end runs, puts the file back, and says whether the suite caught the fault and
which tests did (so that a test that is the only one to catch some fault is known).

    tests/mutation/run.py [BUILD_DIR] [--only NAME]... [--quick] [--check]

A fault is an exact text edit:

    == NAME
    file: src/game/keyboard.cpp
    find: playerName.size() < MAX_PLAYER_NAME
    make: playerName.size() <= MAX_PLAYER_NAME
    survives: why the suite cannot catch it (only for a fault it lets through)

A line "| TEXT" continues the value above it on a new line, for an edit over several lines. The
find text must occur exactly once in its file, and the edit must build; a fault that does not is
an error in the list. The score counts the faults the suite caught. Every fault the suite lets
through must say why ("survives: ..."), and one that says so must not be caught: the run fails
otherwise. --check only checks the list; --quick stops the suite at its first failure, which
then names only one catcher. The verdicts and catchers are also written to
BUILD_DIR/mutation-results.txt.
"""
import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
LIST = os.path.join(ROOT, "tests", "mutation", "faults.txt")
KEYS = ("file", "find", "make", "survives")


def read_faults(path):
    faults, fault, key = [], None, None
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if line.startswith("#") or not line.strip():
                continue
            if line.startswith("== "):
                fault, key = {"name": line[3:].strip(), "line": number}, None
                faults.append(fault)
                continue
            if line.startswith("|") and key is not None:
                fault[key] += "\n" + line[2:]
                continue
            key, sep, value = line.partition(": ")
            if fault is None or not sep or key not in KEYS:
                sys.exit(f"{path}:{number}: expected '== NAME', 'KEY: ...' or '| ...'")
            fault[key] = value
    names = [f["name"] for f in faults]
    for fault in faults:
        missing = [k for k in KEYS[:3] if k not in fault]
        if missing:
            sys.exit(f"{path}:{fault['line']}: fault {fault['name']} has no {', '.join(missing)}")
        if names.count(fault["name"]) > 1:
            sys.exit(f"{path}:{fault['line']}: fault {fault['name']} is named twice")
    return faults


def run(command, log):
    with open(log, "a") as out:
        out.write(f"\n$ {' '.join(command)}\n")
        out.flush()
        return subprocess.run(command, stdout=out, stderr=subprocess.STDOUT).returncode


def failed_tests(build):
    try:
        with open(os.path.join(build, "Testing", "Temporary", "LastTestsFailed.log")) as f:
            return sorted(line.strip().split(":", 1)[1] for line in f if ":" in line)
    except FileNotFoundError:
        return []


def main():
    args = sys.argv[1:]
    only = [args[i + 1] for i, a in enumerate(args) if a == "--only" and i + 1 < len(args)]
    quick = "--quick" in args
    positional = [a for i, a in enumerate(args)
                  if not a.startswith("--") and (i == 0 or args[i - 1] != "--only")]
    build = os.path.abspath(positional[0] if positional else os.path.join(ROOT, "build-mutation"))
    jobs = str(min(os.cpu_count() or 2, 2))
    log = os.path.join(build, "mutation.log")
    faults = [f for f in read_faults(LIST) if not only or f["name"] in only]
    if only and len(faults) != len(set(only)):
        sys.exit("--only names a fault that is not in the list")

    # Every edit must apply exactly once before anything is built.
    for fault in faults:
        with open(os.path.join(ROOT, fault["file"]), encoding="utf-8") as f:
            count = f.read().count(fault["find"])
        if count != 1:
            sys.exit(f"fault {fault['name']}: its text is found {count} times in {fault['file']}")
    if "--check" in args:
        print(f"{len(faults)} faults, each found once")
        return 0

    os.makedirs(build, exist_ok=True)
    build_command = ["cmake", "--build", build, "-j", jobs]
    if run(["cmake", "-S", ROOT, "-B", build, "-DSHARDFALL_WERROR=ON", "-DSHARDFALL_BENCH=OFF"],
           log) != 0 or run(build_command, log) != 0:
        sys.exit(f"the unchanged tree does not build: see {log}")
    ctest = ["ctest", "--test-dir", build, "-E", r"^(e2e\.|TestRatio$)", "-j", jobs,
             "--timeout", "120"] + (["--stop-on-failure"] if quick else [])
    if run(ctest, log) != 0:
        sys.exit(f"the suite fails on the unchanged tree: see {log}")

    caught, unexplained, explained_but_caught, broken, lines = 0, [], [], [], []
    for fault in faults:
        path = os.path.join(ROOT, fault["file"])
        with open(path, encoding="utf-8") as f:
            original = f.read()
        started = time.monotonic()
        catchers = []
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original.replace(fault["find"], fault["make"], 1))
            if run(build_command, log) != 0:
                verdict = "does not build"
                broken.append(fault["name"])
            elif run(ctest, log) != 0:
                verdict = "caught"
                caught += 1
                catchers = failed_tests(build)
                if "survives" in fault:
                    explained_but_caught.append(fault["name"])
            else:
                verdict = "survived"
                if "survives" not in fault:
                    unexplained.append(fault["name"])
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
        by = f" by {len(catchers)}: {' '.join(catchers)}" if catchers else ""
        line = f"{verdict:>15}  {fault['name']}{by}"
        lines.append(line)
        print(f"{line}  ({time.monotonic() - started:.0f} s)", flush=True)

    run(build_command, log)
    total = len(faults) - len(broken)
    summary = [f"caught {caught} of {total} faults: {100.0 * caught / max(total, 1):.1f} %"]
    summary += [f"survived without a reason in the list: {n}" for n in unexplained]
    summary += [f"caught although the list says it survives: {n}" for n in explained_but_caught]
    summary += [f"does not build, mend the list: {n}" for n in broken]
    print("\n".join(summary))
    with open(os.path.join(build, "mutation-results.txt"), "w") as out:
        out.write("\n".join(lines + summary) + "\n")
    return 1 if unexplained or explained_but_caught or broken else 0


if __name__ == "__main__":
    sys.exit(main())
