"""Runs one black-box case: run_case.py --build BUILD_DIR --mode openbox|bare CASE.py

The case runs in network and mount namespaces of its own (so that the program and the
gatekeeper can take the fixed ports 1719 and 1721 while other cases run, and its X server's
sockets are its own), on an X server of its own, from a
private copy of the program's folder under BUILD_DIR/blackbox-runs/CASE.MODE/, which is kept
when the case fails (the program's standard error, the gatekeeper's log, a screenshot) and
removed when it passes.  --keep keeps it in any case.
"""

import argparse
import importlib.util
import os
import re
import shutil
import subprocess
import sys
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import blackbox  # noqa: E402

# The toolkit's complaints on the program's standard error ("(Varlo:123): Gtk-WARNING **: ...").
TOOLKIT_WARNING = re.compile(r"\b(Gtk|Gdk|GLib|GLib-GObject|GLib-GIO|GdkPixbuf|Pango|Atk)-(WARNING|CRITICAL)\b")


def warning_budget(case_path):
    """The toolkit warnings a case's program may print in all, from a line
    "# gtk-warnings: N" of the case; none unless it says so."""
    with open(case_path) as f:
        for line in f:
            m = re.match(r"# gtk-warnings: (\d+)", line)
            if m:
                return int(m.group(1))
    return 0


def enter_namespace(argv):
    """Runs the case in network and mount namespaces of its own: loopback ports and the
    abstract X sockets are private to the namespace, and a private /tmp/.X11-unix keeps
    the X servers' socket files apart too (an X client that finds its server through the
    file would otherwise reach another case's server of the same number)."""
    if os.environ.get("VARLO_BLACKBOX_IN_NETNS") == "1":
        subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
        os.makedirs("/tmp/.X11-unix", mode=0o1777, exist_ok=True)
        subprocess.run(["mount", "-t", "tmpfs", "-o", "mode=1777", "tmpfs", "/tmp/.X11-unix"], check=True)
        return
    env = dict(os.environ, VARLO_BLACKBOX_IN_NETNS="1")
    try:
        os.execvpe("unshare", ["unshare", "--net", "--mount", "--propagation", "private", "--",
                               sys.executable, os.path.abspath(__file__)] + argv, env)
    except OSError as e:
        sys.exit("run_case: cannot make namespaces of its own (unshare --net --mount): %s" % e)


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--mode", choices=["openbox", "bare"], required=True)
    parser.add_argument("--keep", action="store_true")
    parser.add_argument("case")
    args = parser.parse_args(argv)
    enter_namespace(argv)

    name = os.path.splitext(os.path.basename(args.case))[0]
    spec = importlib.util.spec_from_file_location("case_" + name, args.case)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)

    workdir = os.path.join(os.path.abspath(args.build), "blackbox-runs", "%s.%s" % (name, args.mode))
    shutil.rmtree(workdir, ignore_errors=True)
    os.makedirs(workdir)
    session = None
    passed = False
    try:
        session = blackbox.Session(os.path.abspath(args.build), args.mode, workdir)
        module.run(session)
        passed = True
    except Exception:
        traceback.print_exc()
        if session:
            try:
                print("screenshot:", session.screenshot("failure"))
                print("windows (bottom to top):", session.windows())
            except Exception as e:
                print("no screenshot:", e)
    finally:
        if session:
            session.close()
            warnings = []
            for p in session._programs:
                text = p.stderr()
                warnings += [l for l in text.splitlines() if TOOLKIT_WARNING.search(l)]
                if text and not passed:
                    print("---- the program's standard error (%s), last lines:" % p.stderr_path)
                    print("\n".join(text.splitlines()[-40:]))
            budget = warning_budget(args.case)
            print("toolkit warnings on the program's standard error: %d (at most %d)" % (len(warnings), budget))
            if len(warnings) > budget:
                print("\n".join(warnings[:20]))
                if passed:
                    print("the program printed more toolkit warnings than the case allows")
                    passed = False
    if passed and not args.keep:
        shutil.rmtree(workdir, ignore_errors=True)
    else:
        print("case folder:", workdir)
    print("%s.%s: %s" % (name, args.mode, "passed" if passed else "FAILED"))
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
