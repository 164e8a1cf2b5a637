"""Measurements of the built program from outside, each on a private X server in network and
mount namespaces of its own (as the black-box cases run), for one or more builds in the same
run so that their figures compare:

  measure.py call    --build DIR [--build DIR ...] [--seconds 30] [--runs 1] [--perf OUTDIR]
      A GSM call of a fixed length between the program and a second telephone
      (blackbox-phone: the stack alone, without windows), answered by a click in the
      question box.  Reports, for each process, processor time per call-second (ms/s) and
      wake-ups per second (voluntary context switches) per thread, read from
      /proc/PID/task/TID over the call's steady part.  The thread that is the process is
      the program's window thread.
  measure.py startup --build DIR [--build DIR ...] [--runs 10]
      Time from the process's start to the X server's MapNotify of its main window, for the
      program (with its audio settings present, so no wizard) and for the minimal wxWidgets
      program with the same web view (tests/perf/minimal-webview), side by side.
  measure.py book    --build DIR [--build DIR ...] [--rows 1000,10000]
      The Book opened by a click in the built program with a contact file of ROWS contacts,
      then with ROWS rows of which all but ten come from the desktop's address book (a
      stand-in for its program): time from the click to the window's map and to the list
      painted with its rows (the window's pixels settled).

Every build needs Varlo and tests/blackbox/blackbox-phone built (and tests/perf/
minimal-webview for startup); an older commit without blackbox-phone gets a copy of
tests/blackbox/PhoneMain.cpp built against its own stack.  Run as root (namespaces).
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "blackbox"))
import blackbox  # noqa: E402
from blackbox import dlu, wait_for  # noqa: E402
from Xlib import X  # noqa: E402


def enter_namespace(argv):
    if os.environ.get("VARLO_PERF_IN_NETNS") == "1":
        subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
        os.makedirs("/tmp/.X11-unix", mode=0o1777, exist_ok=True)
        subprocess.run(["mount", "-t", "tmpfs", "-o", "mode=1777", "tmpfs", "/tmp/.X11-unix"], check=True)
        return
    env = dict(os.environ, VARLO_PERF_IN_NETNS="1")
    os.execvpe("unshare", ["unshare", "--net", "--mount", "--propagation", "private", "--",
                           sys.executable, os.path.abspath(__file__)] + argv, env)


# ---- per-thread figures from /proc

def read_threads(pid):
    """{tid: (name, cpu_ns, voluntary, involuntary)} of the process's live threads."""
    out = {}
    base = "/proc/%d/task" % pid
    for tid in os.listdir(base):
        try:
            with open(os.path.join(base, tid, "comm")) as f:
                name = f.read().strip()
            with open(os.path.join(base, tid, "schedstat")) as f:
                cpu = int(f.read().split()[0])
            vol = invol = 0
            with open(os.path.join(base, tid, "status")) as f:
                for line in f:
                    if line.startswith("voluntary_ctxt_switches:"):
                        vol = int(line.split()[1])
                    elif line.startswith("nonvoluntary_ctxt_switches:"):
                        invol = int(line.split()[1])
        except (FileNotFoundError, ProcessLookupError):
            continue
        out[int(tid)] = (name, cpu, vol, invol)
    return out


def thread_figures(pid, before, after, seconds):
    """[(label, ms_per_s, wakeups_per_s)] per thread alive at both looks, busiest first."""
    rows = []
    for tid, (name, cpu, vol, invol) in after.items():
        if tid not in before:
            continue
        _, cpu0, vol0, _ = before[tid]
        label = ("%s (window)" % name) if tid == pid else name
        rows.append((label, tid, (cpu - cpu0) / 1e6 / seconds, (vol - vol0) / seconds))
    rows.sort(key=lambda r: -r[2])
    return rows


def tone(seconds, rate=8000):
    import math
    import struct
    samples = (int(8000 * math.sin(2 * math.pi * 440 * i / rate) * (0.6 + 0.4 * math.sin(i / 900.0)))
               for i in range(seconds * rate))
    return b"".join(struct.pack("<h", s) for s in samples)


# ---- the call

def played_level(path, seconds, rate=8000):
    """The RMS level of the last `seconds` of a playback file (raw 16-bit mono)."""
    import array
    import math
    samples = array.array("h")
    with open(path, "rb") as f:
        data = f.read()
    samples.frombytes(data[:len(data) - len(data) % 2])
    tail = samples[-seconds * rate:] if samples else samples
    return math.sqrt(sum(x * x for x in tail) / len(tail)) if tail else 0.0

def answer_incoming(t, phone):
    phone.send("call 127.0.0.1:1721")
    box = t.wait_settled(t.wait_window("Varlo"))
    step, _ = dlu(28, 0)
    _, up = dlu(0, 15)
    box.click(box.width // 2 - step, box.height - up)
    t.wait_gone(box)
    phone.wait_line("^established", timeout=15)


def start_past_wizard(t):
    program = t.start()
    wizard = t.wait_settled(t.wait_window("Voice Setting"))
    from layout import VOICE_WIZARD
    wizard.click(*VOICE_WIZARD.button("Cancel"))
    t.wait_gone(wizard)
    return program, t.wait_settled(t.wait_window("Varlo 3.8"))


def one_call(build, seconds, workdir, perf_dir=None):
    t = blackbox.Session(build, "bare", workdir)
    try:
        audio = tone(seconds + 40)
        for device in blackbox.CAPTURES:
            with open(t.capture_file(device), "wb") as f:
                f.write(audio)
        phone_program = os.path.join(build, "tests", "blackbox", "blackbox-phone")
        phone = blackbox.Phone(phone_program, ["--name", "caller", "--record", blackbox.CAPTURES[1],
                                               "--play", blackbox.PLAYBACKS[1]],
                               os.path.join(workdir, "phone.log"), env=t.program_env())
        t._gatekeepers.append(phone)
        program, main = start_past_wizard(t)
        answer_incoming(t, phone)
        time.sleep(3)  # past the call's set-up: the steady part is measured
        pids = {"program": program.proc.pid, "phone": phone.proc.pid}
        print("measuring %d s: program %d, phone %d" % (seconds, pids["program"], pids["phone"]))
        sys.stdout.flush()
        recorders = []
        if perf_dir:
            for k, p in pids.items():
                out = os.path.join(perf_dir, "%s-%s.perf.data" % (os.path.basename(os.path.dirname(build)), k))
                recorders.append(subprocess.Popen(["perf", "record", "-F", "20000", "-g", "-o", out, "-p", str(p),
                                                   "--", "sleep", str(seconds)],
                                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        before = {k: read_threads(p) for k, p in pids.items()}
        t0 = time.monotonic()
        time.sleep(seconds)
        after = {k: read_threads(p) for k, p in pids.items()}
        elapsed = time.monotonic() - t0
        for r in recorders:
            r.wait()
        phone.send("hangup")
        phone.wait_line("^cleared", timeout=10)
        figures = {k: thread_figures(pids[k], before[k], after[k], elapsed) for k in pids}
        # The call carried the tone both ways: what each end played, over the measured part.
        figures["played"] = {k: played_level(t.playback_file(device), seconds)
                             for k, device in (("program", blackbox.PLAYBACKS[0]), ("phone", blackbox.PLAYBACKS[1]))}
        return figures
    finally:
        t.close()


def report_call(label, figures):
    print("  played (RMS of the measured part): program %.0f, phone %.0f (the tone is about 4000)"
          % (figures["played"]["program"], figures["played"]["phone"]))
    for what, title in (("phone", "the stack alone (blackbox-phone)"), ("program", "the whole program (Varlo)")):
        rows = figures[what]
        total = sum(r[2] for r in rows)
        print("  %s: %.2f ms per call-second, %d threads" % (title, total, len(rows)))
        for name, tid, ms, wakeups in rows:
            if ms >= 0.05 or wakeups >= 0.5 or name.endswith("(window)"):
                print("    %-28s %8.3f ms/s %8.1f wake-ups/s" % ("%s [%d]" % (name, tid), ms, wakeups))


def cmd_call(args):
    results = {}
    for run in range(args.runs):
        for build in args.build:
            workdir = tempfile.mkdtemp(prefix="varlo-perf-call-")
            try:
                figures = one_call(build, args.seconds, workdir, args.perf)
            finally:
                shutil.rmtree(workdir, ignore_errors=True)
            results.setdefault(build, []).append(figures)
            print("%s (run %d, %d s of call):" % (build, run + 1, args.seconds))
            report_call(build, figures)
            sys.stdout.flush()
    print("summary (ms per call-second, each run):")
    for build, runs in results.items():
        for what in ("phone", "program"):
            totals = ["%.2f" % sum(r[2] for r in f[what]) for f in runs]
            window = ["%.1f" % next((r[3] for r in f[what] if r[0].endswith("(window)")), 0) for f in runs]
            print("  %-40s %-8s cpu %s  window wake-ups/s %s" % (build, what, " ".join(totals), " ".join(window)))


# ---- start-up

def time_to_map(session, argv, cwd, title):
    """Seconds from the process's start to the MapNotify of a top-level window titled `title`."""
    x = session.x
    root = session.root
    root.change_attributes(event_mask=X.SubstructureNotifyMask)
    x.sync()
    while x.pending_events():
        x.next_event()
    started = time.monotonic()
    proc = subprocess.Popen(argv, cwd=cwd, env=session.program_env(), stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    mapped = None
    deadline = started + 30
    try:
        while mapped is None and time.monotonic() < deadline:
            e = x.next_event()
            if e.type == X.MapNotify:
                at = time.monotonic()
                try:
                    name = session._title(e.window)
                except Exception:
                    name = None
                if name == title:
                    mapped = at - started
        return mapped
    finally:
        proc.kill()
        proc.wait()


def cmd_startup(args):
    for build in args.build:
        workdir = tempfile.mkdtemp(prefix="varlo-perf-start-")
        t = blackbox.Session(build, "bare", workdir)
        try:
            # A first run that ends by its exit button leaves the audio settings, so later
            # starts open no wizard.
            from layout import MAIN_CLOSE
            program, main = start_past_wizard(t)
            main.click(*MAIN_CLOSE)
            program.wait_exit()
            minimal = os.path.join(build, "tests", "perf", "minimal-webview")
            times = {"program": [], "minimal": []}
            for _ in range(args.runs):
                times["program"].append(time_to_map(t, [os.path.join(t.app_dir, "Varlo")], t.app_dir, "Varlo 3.8"))
                times["minimal"].append(time_to_map(t, [minimal, "http://127.0.0.1:9/banner"], t.app_dir, "minimal"))
            med = {k: sorted(v)[len(v) // 2] for k, v in times.items() if None not in v}
            print("%s: start to main window mapped, median of %d: program %.0f ms, minimal wx+webview %.0f ms, ratio %.3f"
                  % (build, args.runs, 1000 * med["program"], 1000 * med["minimal"], med["program"] / med["minimal"]))
            print("  program: %s" % " ".join("%.0f" % (1000 * v) for v in times["program"]))
            print("  minimal: %s" % " ".join("%.0f" % (1000 * v) for v in times["minimal"]))
        finally:
            t.close()
            shutil.rmtree(workdir, ignore_errors=True)


# ---- the Book

def contact_file(rows):
    """pbook.dat with `rows` contacts: a 32-bit count, then five archive strings a contact
    (a length byte and the text)."""
    import struct

    def text(value):
        data = value.encode("latin-1")
        return bytes([len(data)]) + data
    out = [struct.pack("<I", rows)]
    for i in range(rows):
        for value in ("Contact %05d" % i, "contact%05d@example.org" % i, "555%07d" % i, "", "556%07d" % i):
            out.append(text(value))
    return b"".join(out)


def address_book_program(path, rows):
    """A stand-in for the address book's program beside the executable: `rows` mail users
    in its line format, or none at all (no address book) for 0."""
    lines_path = path + ".rows"
    with open(lines_path, "w") as f:
        for i in range(rows):
            f.write("6\tuid-%05d\tDesktop %05d\tdesk%05d@example.org\t556%07d\t\t\n" % (i, i, i, i))
    with open(path, "w") as f:
        f.write("#!/bin/sh\nexec cat '%s'\n" % lines_path if rows else "#!/bin/sh\nexit 3\n")
    os.chmod(path, 0o755)


def cmd_book(args):
    from layout import MAIN_BOOK
    for build in args.build:
        for rows in [int(r) for r in args.rows.split(",")]:
            for desktop in (False, True):
                workdir = tempfile.mkdtemp(prefix="varlo-perf-book-")
                t = blackbox.Session(build, "bare", workdir)
                try:
                    own = 10 if desktop else rows
                    with open(t.file("pbook.dat"), "wb") as f:
                        f.write(contact_file(own))
                    address_book_program(t.file("varlo-contacts"), rows - own if desktop else 0)
                    program, main = start_past_wizard(t)
                    started = time.monotonic()
                    main.click(*MAIN_BOOK)
                    book = t.wait_window("Phone Book", timeout=600)
                    mapped = time.monotonic() - started
                    # The list is filled when the window's face has stopped changing: the time
                    # of its last change, once it has stayed the same for a second.
                    last, settled = None, mapped
                    while time.monotonic() - started < 600:
                        shot = book.refresh().grab()
                        now = time.monotonic() - started
                        if last is None or blackbox.differs(shot, last):
                            settled, last = now, shot
                        elif now - settled > 1.0:
                            break
                    what = "%d desktop rows and %d own contacts" % (rows - own, own) if desktop else "%d own contacts" % rows
                    print("%s: Book with %s: window mapped %.0f ms after the click, list settled after %.0f ms"
                          % (build, what, 1000 * mapped, 1000 * settled))
                    sys.stdout.flush()
                finally:
                    t.close()
                    shutil.rmtree(workdir, ignore_errors=True)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("what", choices=["call", "startup", "book"])
    parser.add_argument("--build", action="append", required=True)
    parser.add_argument("--seconds", type=int, default=30)
    parser.add_argument("--runs", type=int, default=None)
    parser.add_argument("--rows", default="1000,10000")
    parser.add_argument("--perf", metavar="DIR", help="call: also records perf profiles of both processes into DIR")
    args = parser.parse_args(argv)
    args.build = [os.path.abspath(b) for b in args.build]
    enter_namespace(argv)
    if args.what == "call":
        args.runs = args.runs or 1
        cmd_call(args)
    elif args.what == "startup":
        args.runs = args.runs or 10
        cmd_startup(args)
    else:
        cmd_book(args)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
