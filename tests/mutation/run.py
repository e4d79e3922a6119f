#!/usr/bin/env python3
"""Planted faults: applies each fault of faults.txt to the tree in turn, builds, runs the suite
without the end-to-end runs, puts the file back, and says whether the suite caught the fault and
which tests did (a test that is the only one to catch some fault is worth its lines).

    tests/mutation/run.py [BUILD_DIR] [--only NAME]... [--check]

A fault is an exact text edit; a line "| TEXT" continues the value above it on a new line:

    == NAME
    file: src/game/keyboard.cpp
    find: playerName.size() < MAX_PLAYER_NAME
    make: playerName.size() <= MAX_PLAYER_NAME
    survives: why the suite cannot catch it (only for a fault it lets through)

The find text must occur exactly once in its file and the edit must build. Every fault the suite
lets through must say why, and one that says so must not be caught: the run fails otherwise.
--check only checks the list. The verdicts are also written to BUILD_DIR/mutation-results.txt.
"""
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
KEYS = ("file", "find", "make", "survives")


def read_faults(path):
    faults, key = [], None
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if line.startswith("== "):
                faults.append({"name": line[3:].strip()})
                key = None
            elif line.startswith("|") and key:
                faults[-1][key] += "\n" + line[2:]
            elif line.strip() and not line.startswith("#"):
                key, sep, value = line.partition(": ")
                if not faults or not sep or key not in KEYS:
                    sys.exit(f"{path}:{number}: expected '== NAME', 'KEY: ...' or '| ...'")
                faults[-1][key] = value
    names = [f["name"] for f in faults]
    for fault in faults:
        if any(k not in fault for k in KEYS[:3]) or names.count(fault["name"]) > 1:
            sys.exit(f"{path}: fault {fault['name']} is named twice or lacks file, find or make")
    return faults


def run(command, log):
    with open(log, "a") as out:
        out.write(f"\n$ {' '.join(command)}\n")
        out.flush()
        return subprocess.run(command, stdout=out, stderr=subprocess.STDOUT).returncode


def main():
    args = sys.argv[1:]
    unknown = [a for a in args if a[:1] == "-" and a not in ("--only", "--check")]
    if unknown and unknown[0] in ("-h", "--help"):
        return print(__doc__)
    if unknown:
        sys.exit(f"{__doc__}\nunknown option: {unknown[0]}")
    only = [args[i + 1] for i, a in enumerate(args[:-1]) if a == "--only"]
    folders = [a for i, a in enumerate(args) if a[:2] != "--" and (i == 0 or args[i - 1] != "--only")]
    build = os.path.abspath(folders[0] if folders else os.path.join(ROOT, "build-mutation"))
    faults = [f for f in read_faults(os.path.join(ROOT, "tests", "mutation", "faults.txt"))
              if not only or f["name"] in only]
    if len(faults) < len(set(only)):
        sys.exit("--only names a fault that is not in the list")
    for fault in faults:
        with open(os.path.join(ROOT, fault["file"]), encoding="utf-8") as f:
            count = f.read().count(fault["find"])
        if count != 1:
            sys.exit(f"fault {fault['name']}: its text is found {count} times in {fault['file']}")
    if "--check" in args:
        return print(f"{len(faults)} faults, each found once")

    os.makedirs(build, exist_ok=True)
    log = os.path.join(build, "mutation.log")
    make = ["cmake", "--build", build, "-j", "2"]
    ctest = ["ctest", "--test-dir", build, "-E", r"^(e2e\.|TestRatio$)", "-j", "2", "--timeout", "120"]
    if run(["cmake", "-S", ROOT, "-B", build, "-DSHARDFALL_WERROR=ON", "-DSHARDFALL_BENCH=OFF"],
           log) or run(make, log) or run(ctest, log):
        sys.exit(f"the unchanged tree does not build or pass: see {log}")

    lines, wrong, caught = [], [], 0
    for fault in faults:
        path = os.path.join(ROOT, fault["file"])
        with open(path, encoding="utf-8") as f:
            original = f.read()
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original.replace(fault["find"], fault["make"], 1))
            built = run(make, log) == 0
            failed = built and run(ctest, log) != 0
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
        catchers = []
        if failed:
            caught += 1
            with open(os.path.join(build, "Testing", "Temporary", "LastTestsFailed.log")) as f:
                catchers = sorted(line.strip().split(":", 1)[1] for line in f if ":" in line)
        verdict = "does not build" if not built else "caught" if failed else "survived"
        if not built or failed == ("survives" in fault):
            wrong.append(f"{fault['name']}: {verdict}, and the list says "
                         f"{'it survives' if 'survives' in fault else 'nothing of that'}")
        lines.append(f"{verdict:>15}  {fault['name']}"
                     + (f" by {len(catchers)}: {' '.join(catchers)}" if catchers else ""))
        print(lines[-1], flush=True)

    run(make, log)
    total = len(faults) - sum(1 for line in lines if "does not build" in line)
    lines += [f"caught {caught} of {total} faults: {100.0 * caught / max(total, 1):.1f} %"] + wrong
    print("\n".join(lines[len(faults):]))
    with open(os.path.join(build, "mutation-results.txt"), "w") as out:
        out.write("\n".join(lines) + "\n")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
