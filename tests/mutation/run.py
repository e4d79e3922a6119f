#!/usr/bin/env python3
"""Planted faults: applies each fault of faults.txt to the tree in turn, builds, runs the suite
without the end-to-end runs, puts the file back, and says whether the suite caught the fault.

    tests/mutation/run.py [BUILD_DIR] [--only NAME]...

A fault is an exact text edit that must apply exactly once; one that does not, or that does not
build, is an error in the list. The score counts the faults the suite caught. Every fault the
suite lets through must say why in the list ("survives: ..."); the run fails when one does not.
"""
import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
LIST = os.path.join(ROOT, "tests", "mutation", "faults.txt")


def read_faults(path):
    faults, fault = [], None
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if line.startswith("#") or not line.strip():
                continue
            if line.startswith("== "):
                fault = {"name": line[3:].strip(), "line": number}
                faults.append(fault)
                continue
            key, sep, value = line.partition(": ")
            if fault is None or not sep or key not in ("file", "find", "make", "survives"):
                sys.exit(f"{path}:{number}: expected '== NAME' or 'file|find|make|survives: ...'")
            fault[key] = value
    for fault in faults:
        missing = [k for k in ("file", "find", "make") if k not in fault]
        if missing:
            sys.exit(f"{path}:{fault['line']}: fault {fault['name']} has no {', '.join(missing)}")
    return faults


def run(command, log, timeout):
    with open(log, "a") as out:
        out.write(f"\n$ {' '.join(command)}\n")
        out.flush()
        try:
            return subprocess.run(command, stdout=out, stderr=subprocess.STDOUT,
                                  timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            return -1


def main():
    args = sys.argv[1:]
    only = [args[i + 1] for i, a in enumerate(args) if a == "--only"]
    positional = [a for i, a in enumerate(args) if a != "--only" and (i == 0 or args[i - 1] != "--only")]
    build = os.path.abspath(positional[0] if positional else os.path.join(ROOT, "build-mutation"))
    jobs = str(os.cpu_count() or 2)
    log = os.path.join(build, "mutation.log")
    faults = [f for f in read_faults(LIST) if not only or f["name"] in only]

    # Every edit must apply exactly once before anything is built.
    for fault in faults:
        with open(os.path.join(ROOT, fault["file"]), encoding="utf-8") as f:
            count = f.read().count(fault["find"])
        if count != 1:
            sys.exit(f"fault {fault['name']}: its text is found {count} times in {fault['file']}")

    os.makedirs(build, exist_ok=True)
    if run(["cmake", "-S", ROOT, "-B", build, "-DSHARDFALL_WERROR=ON", "-DSHARDFALL_BENCH=OFF"],
           log, None) != 0 or run(["cmake", "--build", build, "-j", jobs], log, None) != 0:
        sys.exit(f"the unchanged tree does not build: see {log}")
    ctest = ["ctest", "--test-dir", build, "-E", r"^(e2e\.|TestRatio$)", "-j", jobs,
             "--timeout", "300", "--stop-on-failure"]
    if run(ctest, log, None) != 0:
        sys.exit(f"the suite fails on the unchanged tree: see {log}")

    caught, unexplained, broken = 0, [], []
    for fault in faults:
        path = os.path.join(ROOT, fault["file"])
        with open(path, encoding="utf-8") as f:
            original = f.read()
        started = time.monotonic()
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original.replace(fault["find"], fault["make"], 1))
            if run(["cmake", "--build", build, "-j", jobs], log, None) != 0:
                verdict = "does not build"
                broken.append(fault["name"])
            elif run(ctest, log, None) != 0:
                verdict = "caught"
                caught += 1
            else:
                verdict = "survived"
                if "survives" not in fault:
                    unexplained.append(fault["name"])
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
        print(f"{verdict:>15}  {fault['name']}  ({time.monotonic() - started:.0f} s)", flush=True)

    run(["cmake", "--build", build, "-j", jobs], log, None)
    total = len(faults) - len(broken)
    print(f"caught {caught} of {total} faults: {100.0 * caught / max(total, 1):.1f} %")
    for name in unexplained:
        print(f"survived without a reason in the list: {name}")
    for name in broken:
        print(f"does not build, mend the list: {name}")
    return 1 if unexplained or broken else 0


if __name__ == "__main__":
    sys.exit(main())
