#!/usr/bin/env python3
"""Runs every GoogleTest program of a build folder whole: all its cases in one process, as a
developer runs it by hand, where CTest runs each case in a process of its own.  A case that
passes alone but not after the others (what an earlier case left behind) fails here.

Usage: tools/run-whole.py BUILD_DIR [-j JOBS] [-R REGEX]

Each program runs in network and mount namespaces of its own, on an X server of its own, so
that programs that bind the fixed ports or drive the display run at the same time without
locks.  Without the right to make namespaces (not root) the programs run one at a time, on
the X server named by DISPLAY.  A program's time limit is the sum of its cases' CTest
timeouts, at most --limit seconds.  As in tools/ctest-run.sh, only cases labelled
"realtime-audio" are run again when they fail (once, in one process), and named.  The
output of each program is kept in BUILD_DIR/whole-runs/PROGRAM.log.
"""

import argparse
import concurrent.futures
import json
import os
import re
import signal
import subprocess
import sys
import time


def programs(build, pattern):
    """The GoogleTest programs CTest knows, each with its cases, working folder, time limit
    and the cases labelled realtime-audio."""
    listing = subprocess.run(["ctest", "--show-only=json-v1"], cwd=build, check=True,
                             capture_output=True, text=True).stdout
    found = {}
    for test in json.loads(listing)["tests"]:
        command = test.get("command") or []
        if not any(arg.startswith("--gtest_filter=") for arg in command[1:]):
            continue
        props = {p["name"]: p["value"] for p in test.get("properties", [])}
        if props.get("DISABLED"):
            continue
        exe = command[0]
        if pattern and not re.search(pattern, os.path.basename(exe)):
            continue
        p = found.setdefault(exe, {"exe": exe, "cases": 0, "timeout": 0.0, "audio": set(),
                                   "cwd": props.get("WORKING_DIRECTORY", build)})
        p["cases"] += 1
        p["timeout"] += float(props.get("TIMEOUT", 1500))
        if "realtime-audio" in props.get("LABELS", []):
            p["audio"].add(test["name"])
    return sorted(found.values(), key=lambda p: -p["timeout"])


def can_unshare():
    return os.geteuid() == 0 and subprocess.run(
        ["unshare", "--net", "--mount", "true"], capture_output=True).returncode == 0


def inside_namespace(argv):
    """Within the namespaces: loopback up, a private folder of X sockets, an X server of
    its own; then the program."""
    limit, cwd, log, command = float(argv[0]), argv[1], argv[2], argv[3:]
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    os.makedirs("/tmp/.X11-unix", mode=0o1777, exist_ok=True)
    subprocess.run(["mount", "-t", "tmpfs", "-o", "mode=1777", "tmpfs", "/tmp/.X11-unix"], check=True)
    # Servers of other namespaces starting at the same moment race for the lock files of
    # /tmp; the one that loses ends, and is started again.
    for _ in range(5):
        read_end, write_end = os.pipe()
        with open(log, "ab") as out:
            xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                                     "-nolisten", "tcp"], pass_fds=(write_end,),
                                    stdout=subprocess.DEVNULL, stderr=out)
        os.close(write_end)
        with os.fdopen(read_end) as f:
            display = f.readline().strip()
        if display:
            break
        xvfb.wait()
    else:
        sys.exit("run-whole: Xvfb did not start (see %s)" % log)
    env = dict(os.environ, DISPLAY=":" + display)
    try:
        return run_program(command, cwd, env, limit, log)
    finally:
        xvfb.terminate()
        xvfb.wait()


def run_program(command, cwd, env, limit, log):
    """Runs the program with its output into `log`; its exit status, or 124 when it ran
    out of time (it and its children are ended then)."""
    with open(log, "ab") as out:
        proc = subprocess.Popen(command, cwd=cwd, env=env, stdout=out, stderr=subprocess.STDOUT,
                                start_new_session=True)
        try:
            return proc.wait(timeout=limit)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
            out.write(b"\nrun-whole: no end after %d s; ended\n" % limit)
            return 124


def run(p, args, filter_=None):
    name = os.path.basename(p["exe"])
    log = os.path.join(args.logs, name + ".log")
    command = [p["exe"], "--gtest_color=no"] + (["--gtest_filter=" + filter_] if filter_ else [])
    limit = min(p["timeout"], args.limit)
    if args.namespaces:
        status = subprocess.run(["unshare", "--net", "--mount", "--propagation", "private", "--",
                                 sys.executable, os.path.abspath(__file__), "--inside",
                                 str(limit), p["cwd"], log] + command).returncode
    else:
        status = run_program(command, p["cwd"], dict(os.environ), limit, log)
    with open(log, errors="replace") as f:
        text = f.read()
    failed = re.findall(r"^\[  FAILED  \] (\S+)\.(\S+)(?: \(| *$)", text, re.M)
    return status, sorted({s + "." + c.split(",")[0] for s, c in failed}), text


def one(p, args):
    name = os.path.basename(p["exe"])
    open(os.path.join(args.logs, name + ".log"), "w").close()
    start = time.monotonic()
    status, failed, text = run(p, args)
    lines = []
    if status != 0 and failed and set(failed) <= p["audio"]:
        lines.append("Running again (real-time audio): " + " ".join(failed))
        status, failed, text = run(p, args, ":".join(failed))
    seconds = time.monotonic() - start
    if status == 0:
        lines.insert(0, "whole: %s, %d cases: passed (%.0f s)" % (name, p["cases"], seconds))
        return True, lines
    lines.insert(0, "whole: %s, %d cases: FAILED, status %d (%.0f s), log %s/%s.log"
                 % (name, p["cases"], status, seconds, args.logs, name))
    lines += ["  failed: " + f for f in failed] or ["  (no failed case named: it crashed or ran out of time)"]
    lines += ["  | " + line for line in text.splitlines()[-60:]]
    return False, lines


def main(argv):
    if argv[:1] == ["--inside"]:
        return inside_namespace(argv[1:])
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("build")
    parser.add_argument("-j", "--jobs", type=int, default=max(1, (os.cpu_count() or 2) // 2))
    parser.add_argument("-R", "--regex", help="only the programs whose names match")
    parser.add_argument("--limit", type=float, default=1200, help="the longest a program may run (s)")
    args = parser.parse_args(argv)
    args.build = os.path.abspath(args.build)
    args.logs = os.path.join(args.build, "whole-runs")
    os.makedirs(args.logs, exist_ok=True)
    args.namespaces = can_unshare()
    todo = programs(args.build, args.regex)
    jobs = args.jobs if args.namespaces else 1
    if not args.namespaces:
        print("run-whole: no namespaces of its own here; the programs run one at a time on DISPLAY")
    start = time.monotonic()
    ok = True
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        for done in concurrent.futures.as_completed([pool.submit(one, p, args) for p in todo]):
            passed, lines = done.result()
            print("\n".join(lines), flush=True)
            ok = ok and passed
    print("run-whole: %d programs whole in %.0f s: %s"
          % (len(todo), time.monotonic() - start, "all passed" if ok else "FAILURES above"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
