#!/usr/bin/env python3
"""Plants known faults in a scratch copy of the tree, one at a time, and runs the test suite
against each: a fault the suite lets through is a hole in the tests.

    tools/faults/fault_check.py [--ref REF] [--only ID,ID...] [--out FILE]
    tools/faults/fault_check.py --check     # every fault still applies to the working tree
    tools/faults/fault_check.py --list

REF is a commit (the faults themselves always come from faults.txt beside this script, so one
list can be run on an older suite); without it, the working tree's tracked files as they are now.
The suite is the native one that scripts/test.sh ends with: every test without a window first
(stopping at the first failure), then, if those all pass, the window, terminal and end-to-end
tests under scripts/headless.sh. A fault marked `suite: web` (the web page's own code) runs
scripts/test-web.sh instead. Each fault's result goes to the output file (a table, one row
per fault) as soon as it is known, and a summary ends the run.
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
FAULTS_FILE = os.path.join(HERE, "faults.txt")
SUITES = ("native", "web")


def read_faults(path):
    """faults.txt: blocks of `id: ...`, `file: ...`, `what: ...`, an optional `suite: web`, then
    `- old` / `+ new` lines (several of each make multi-line texts); a blank line or the next id
    ends a block."""
    faults, current = [], None
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if line.startswith("#") or not line.strip():
                continue
            key, _, value = line.partition(": ")
            if key == "id":
                current = {"id": value, "old": [], "new": [], "line": number, "suite": "native"}
                faults.append(current)
            elif current is None:
                sys.exit(f"{path}:{number}: text before the first id")
            elif key in ("file", "what"):
                current[key] = value
            elif key == "suite" and value in SUITES:
                current[key] = value
            elif line.startswith("- ") or line == "-":
                current["old"].append(line[2:])
            elif line.startswith("+ ") or line == "+":
                current["new"].append(line[2:])
            else:
                sys.exit(f"{path}:{number}: cannot read '{line}'")
    ids = [f["id"] for f in faults]
    for f in faults:
        if "file" not in f or "what" not in f or not f["old"]:
            sys.exit(f"{path}:{f['line']}: fault {f['id']} needs file, what and at least one '- ' line")
        if ids.count(f["id"]) > 1:
            sys.exit(f"{path}: fault id {f['id']} is used twice")
        f["old"] = "\n".join(f["old"])
        f["new"] = "\n".join(f["new"])
    return faults


def planted(tree, fault):
    """The fault's file with the fault in it, or None when its text is not there exactly once."""
    with open(os.path.join(tree, fault["file"]), encoding="utf-8") as f:
        text = f.read()
    if text.count(fault["old"]) != 1:
        return None
    return text.replace(fault["old"], fault["new"])


def run(cmd, cwd, log, timeout=None):
    with open(log, "a") as out:
        out.write(f"\n$ {' '.join(cmd)}\n")
        out.flush()
        try:
            return subprocess.run(cmd, cwd=cwd, stdout=out, stderr=subprocess.STDOUT, timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            out.write("(timed out)\n")
            return 124


def make_scratch(ref, scratch):
    """A copy of the tree at REF (or of the tracked files as they are) with the shared .deps."""
    if os.path.exists(scratch):
        shutil.rmtree(scratch)
    os.makedirs(scratch)
    extract(ref, scratch)
    os.symlink(os.path.join(ROOT, ".deps"), os.path.join(scratch, ".deps"))


def refresh_scratch(ref, scratch):
    """Puts back every file of an earlier scratch copy that differs from REF (a run stopped in
    the middle of a fault leaves it planted), rewriting only those, so the build stays current."""
    fresh = scratch + ".fresh"
    if os.path.exists(fresh):
        shutil.rmtree(fresh)
    os.makedirs(fresh)
    extract(ref, fresh)
    for folder, _, names in os.walk(fresh):
        for name in names:
            source = os.path.join(folder, name)
            target = os.path.join(scratch, os.path.relpath(source, fresh))
            with open(source, "rb") as a:
                wanted = a.read()
            if os.path.exists(target):
                with open(target, "rb") as b:
                    if b.read() == wanted:
                        continue
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as b:
                b.write(wanted)
    shutil.rmtree(fresh)


def extract(ref, scratch):
    if ref:
        archive = subprocess.run(["git", "-C", ROOT, "archive", ref], check=True, stdout=subprocess.PIPE).stdout
        subprocess.run(["tar", "-x", "-C", scratch], input=archive, check=True)
    else:
        files = subprocess.run(["git", "-C", ROOT, "ls-files", "-z"], check=True, stdout=subprocess.PIPE).stdout
        files = b"\0".join(p for p in files.split(b"\0") if p and os.path.lexists(os.path.join(ROOT, p.decode())))
        tar = subprocess.run(["tar", "-c", "-C", ROOT, "--null", "-T", "-"], input=files, check=True,
                             stdout=subprocess.PIPE).stdout
        subprocess.run(["tar", "-x", "-C", scratch], input=tar, check=True)


def first_failure(log):
    """The first test reported as failed in the log (gtest or ctest), for the table."""
    with open(log, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = re.search(r"^\[  FAILED  \] (\S+)", line) or re.search(
                r"Test\s+#\d+: (\S+) \.+\*?\*?\*?(Failed|Exception|Timeout|Not Run|SEGFAULT)", line)
            if m:
                return m.group(1)
            m = re.search(r"^not ok \d+ - (.+)", line)  # node's test runner (the web suite)
            if m:
                return m.group(1)
            m = re.search(r"^\(program (\S+) failed\)", line)
            if m:
                return f"{m.group(1)} (crashed or timed out)"
    return "?"


# The tests run by ctest after the whole build: those with a window or a terminal, and the scripts
# that check the built programs (the notices, the manual pages).
LATE_LABELS = "window|terminal|notices"


def unit_programs(build):
    """The commands behind ctest's window-less entries, each with its working folder, in ctest's
    order. A GoogleTest program runs once (`--gtest_brief=1`), the same tests as ctest's one entry
    a test case without starting a process for every case; any other entry runs as ctest has it
    (its exit status only; with WILL_FAIL it must fail)."""
    shown = subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1", "-LE", LATE_LABELS],
                           check=True, stdout=subprocess.PIPE).stdout
    programs = {}
    for test in json.loads(shown)["tests"]:
        properties = {p["name"]: p["value"] for p in test.get("properties", [])}
        folder = properties.get("WORKING_DIRECTORY", build)
        command = test["command"]
        gtest = any(arg.startswith("--gtest_filter=") for arg in command[1:])
        key = (command[0], "--gtest_brief=1") if gtest else tuple(command)
        programs.setdefault(key, (folder, bool(properties.get("WILL_FAIL", False))))
    return [(list(key), folder, will_fail) for key, (folder, will_fail) in programs.items()]


def run_suite(scratch, build, log):
    """0 when the whole suite passes; otherwise the stage that failed. Only the window-less test
    programs are built for the first stage: most faults stop there, before the slow links."""
    if not build_tree(scratch, build, log, "unit_tests"):
        return "build"
    for command, folder, will_fail in unit_programs(build):
        if (run(command, folder, log, timeout=600) != 0) != will_fail:  # WILL_FAIL: a test that must fail
            with open(log, "a") as out:
                name = next((arg for arg in command if arg.endswith(".py")), command[0])
                out.write(f"(program {os.path.basename(name)} failed)\n")
            return "unit"
    if not build_tree(scratch, build, log):
        return "build"
    jobs = str(os.cpu_count() or 2)
    ctest = ["ctest", "--test-dir", build, "-j", jobs, "--stop-on-failure", "--output-on-failure"]
    headless = os.path.join(scratch, "scripts", "headless.sh")
    if run(["bash", headless] + ctest + ["-L", LATE_LABELS], scratch, log) != 0:
        return "window"
    return 0


def run_web_suite(scratch, log):
    """0 when scripts/test-web.sh passes in the scratch tree (it builds the page there), else "web"."""
    return 0 if run(["bash", os.path.join(scratch, "scripts", "test-web.sh")], scratch, log, timeout=3600) == 0 else "web"


def run_fault_suite(suite, scratch, build, log):
    return run_web_suite(scratch, log) if suite == "web" else run_suite(scratch, build, log)


def build_tree(scratch, build, log, target=None):
    jobs = str(os.cpu_count() or 2)
    if not os.path.exists(os.path.join(build, "CMakeCache.txt")):
        if run(["cmake", "-S", scratch, "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DDAVUR_EVI_BENCHMARKS=OFF"],
               scratch, log) != 0:
            return False
    return run(["cmake", "--build", build, "-j", jobs] + (["--target", target] if target else []), scratch, log) == 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--ref", help="commit whose code and tests to run (default: the working tree)")
    parser.add_argument("--only", help="comma-separated fault ids")
    parser.add_argument("--out", default=os.path.join(ROOT, "build-faults", "results.tsv"))
    parser.add_argument("--scratch", default=os.path.join(ROOT, "build-faults", "tree"))
    parser.add_argument("--resume", action="store_true",
                        help="go on with an earlier run: skip its baseline and the faults in its table")
    parser.add_argument("--list", action="store_true", help="print the faults and stop")
    parser.add_argument("--check", action="store_true", help="check that every fault applies, and stop")
    args = parser.parse_args()

    faults = read_faults(FAULTS_FILE)
    if args.only:
        wanted = set(args.only.split(","))
        unknown = wanted - {f["id"] for f in faults}
        if unknown:
            sys.exit(f"no such fault: {', '.join(sorted(unknown))}")
        faults = [f for f in faults if f["id"] in wanted]
    if args.list:
        for f in faults:
            print(f"{f['id']:28} {f['file']:40} {f['what']}")
        return 0
    if args.check:
        stale = [f for f in faults if planted(ROOT, f) is None]
        for f in stale:
            print(f"{f['id']}: its text is not in {f['file']} exactly once")
        print(f"{len(faults) - len(stale)} of {len(faults)} faults apply")
        return 1 if stale else 0

    scratch = os.path.abspath(args.scratch)
    build = os.path.join(scratch, "build")
    logs = os.path.join(os.path.dirname(os.path.abspath(args.out)), "logs")
    os.makedirs(logs, exist_ok=True)
    # An earlier run's scratch build is brought up to date rather than made again
    if os.path.exists(os.path.join(build, "CMakeCache.txt")):
        refresh_scratch(args.ref, scratch)
    else:
        make_scratch(args.ref, scratch)
    done = []
    if args.resume and os.path.exists(args.out):
        with open(args.out, encoding="utf-8") as table:
            done = [line.rstrip("\n").split("\t") for line in table if line.strip() and not line.startswith(("#", "fault\t"))]
    else:
        # Only the suites the chosen faults need
        for suite in sorted({f["suite"] for f in faults}):
            log = os.path.join(logs, f"baseline-{suite}.log")
            open(log, "w").close()
            if run_fault_suite(suite, scratch, build, log) != 0:
                sys.exit(f"the {suite} suite fails without any fault; see {log}")

    done_ids = {row[0] for row in done}
    caught = sum(row[1] == "caught" for row in done if row[0] in {f["id"] for f in faults})
    with open(args.out, "w") as out:
        out.write("fault\tresult\tfirst failing test\tseconds\twhat\n")
        for row in done:
            out.write("\t".join(row) + "\n")
        for f in faults:
            if f["id"] in done_ids:
                continue
            started = time.monotonic()
            path = os.path.join(scratch, f["file"])
            with open(path, encoding="utf-8") as src:
                original = src.read()
            text = planted(scratch, f)
            log = os.path.join(logs, f["id"] + ".log")
            open(log, "w").close()
            if text is None:
                result, test = "not applied", "-"
            else:
                with open(path, "w", encoding="utf-8") as dst:
                    dst.write(text)
                stage = run_fault_suite(f["suite"], scratch, build, log)
                if stage == "build":
                    result, test = "does not build", "-"  # A fault to mend, not a catch
                else:
                    result, test = ("missed", "-") if stage == 0 else ("caught", first_failure(log))
                with open(path, "w", encoding="utf-8") as dst:
                    dst.write(original)
            caught += result == "caught"
            seconds = time.monotonic() - started
            out.write(f"{f['id']}\t{result}\t{test}\t{seconds:.0f}\t{f['what']}\n")
            out.flush()
            print(f"{f['id']:28} {result:12} {test}", flush=True)
        out.write(f"# caught {caught} of {len(faults)}\n")
    print(f"caught {caught} of {len(faults)}; table in {args.out}")
    return 0 if caught == len(faults) else 1


if __name__ == "__main__":
    sys.exit(main())
