"""The black-box suite's tools: a private X server (with or without a window manager), the
built program started from a private copy of its folder, the test gatekeeper as a program,
X input through XTest, and what can be read from outside: windows, stacking, pixels, files,
standard error, the gatekeeper's report.

A case is a module in cases/ with a function run(t), t being a Session (see README.md).
Nothing here reaches into the program: it is judged by what the X server, the files and the
gatekeeper show.
"""

import os
import re
import shutil
import signal
import subprocess
import threading
import time

from PIL import Image, ImageChops
from Xlib import X, XK, Xatom, display as xdisplay, error as xerror
from Xlib.ext import xtest

SCREEN = (1280, 1024)
# The program's folder: what the build puts beside the executable and the program needs.
APP_FILES = ["Varlo", "China.dll", "Traditional.dll", "Busy.wav", "Varlo.chm", "varlo-contacts"]
APP_FOLDERS = ["dtmf", "help"]
# The ALSA devices of every run: two capture devices that read raw files, two playback
# devices that write them, and "default" on the first of each.
CAPTURES = ["varlo_in_a", "varlo_in_b"]
PLAYBACKS = ["varlo_out_a", "varlo_out_b"]
# Account and calling card that start_gatekeeper() knows unless told otherwise.
IDENTIFIER = "KOVA"
ACCOUNT = ("alice", "s3cret")
PIN = "813402967155"


class CaseFailure(AssertionError):
    pass


def check(condition, what):
    if not condition:
        raise CaseFailure(what)


def wait_for(what, probe, timeout=10.0, interval=0.02):
    """Polls probe() until it gives something true and returns that; fails after timeout
    seconds, naming what was awaited."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise CaseFailure("timed out after %gs waiting for %s" % (timeout, what))
        time.sleep(interval)


def dlu(x, y):
    """Dialog units to pixels as the program lays out its dialogs (base units 6 x 13),
    rounded as MulDiv rounds."""
    def muldiv(a, b, c):
        return (2 * a * b + c) // (2 * c)
    return muldiv(x, 6, 4), muldiv(y, 13, 8)


def differs(a, b, threshold=0):
    """Whether two images of the same size differ in more than threshold pixels."""
    diff = ImageChops.difference(a.convert("RGB"), b.convert("RGB")).convert("L")
    return sum(1 for v in diff.getdata() if v) > threshold


def changed_pixels(a, b):
    diff = ImageChops.difference(a.convert("RGB"), b.convert("RGB")).convert("L")
    return sum(1 for v in diff.getdata() if v)


class Window:
    """A top-level client window as the X server shows it: its id, title, owner and the
    place of its client area on the screen."""

    def __init__(self, session, wid, title, rect, transient_for):
        self.session = session
        self.id = wid
        self.title = title
        self.x, self.y, self.width, self.height = rect
        self.transient_for = transient_for

    def __repr__(self):
        return "<window 0x%x %r at %d,%d %dx%d>" % (self.id, self.title, self.x, self.y, self.width, self.height)

    def __eq__(self, other):
        return isinstance(other, Window) and other.id == self.id

    def __hash__(self):
        return self.id

    def refresh(self):
        """The window as it is now, or None once it is gone."""
        return self.session.window_by_id(self.id)

    def click(self, x, y, button=1):
        """Clicks at a point of the client area."""
        self.session.click(self.x + x, self.y + y, button)

    def double_click(self, x, y):
        """Two clicks at a point of the client area, as a double click."""
        self.session.double_click(self.x + x, self.y + y)

    def move_pointer(self, x, y):
        self.session.move_pointer(self.x + x, self.y + y)

    def grab(self, box=None):
        """The client area (or a box x, y, w, h of it) as an image."""
        x, y, w, h = box if box else (0, 0, self.width, self.height)
        return self.session.grab(self.x + x, self.y + y, w, h)


class Gatekeeper:
    """The test gatekeeper (blackbox-gatekeeper) as a process, and the lines it printed."""

    READY = r"^listening "  # the first line, once it serves
    WHO = "the gatekeeper"

    def __init__(self, program, args, log_path, env=None):
        self._lines = []
        self._cond = threading.Condition()
        self._log = open(log_path, "w")
        self.proc = subprocess.Popen([program] + args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=self._log, text=True, bufsize=1, env=env)
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        self.wait_line(self.READY, timeout=10)

    def _read(self):
        for line in self.proc.stdout:
            with self._cond:
                self._lines.append(line.rstrip("\n"))
                self._log.write("> " + line)
                self._log.flush()
                self._cond.notify_all()

    def lines(self, pattern=None):
        with self._cond:
            return [l for l in self._lines if pattern is None or re.search(pattern, l)]

    def wait_line(self, pattern, timeout=10.0, count=1):
        """Waits until count lines match pattern; returns the match of the last of them."""
        deadline = time.monotonic() + timeout
        with self._cond:
            while True:
                found = [m for m in (re.search(pattern, l) for l in self._lines) if m]
                if len(found) >= count:
                    return found[count - 1]
                left = deadline - time.monotonic()
                if left <= 0 or self.proc.poll() is not None:
                    raise CaseFailure("%s printed no line %r within %gs (it printed %r)"
                                      % (self.WHO, pattern, timeout, self._lines))
                self._cond.wait(min(left, 0.2))

    def send(self, command):
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self._log.close()


class Caller(Gatekeeper):
    """A caller (blackbox-caller) that has called the program, and the lines it printed:
    one for each message of the program's (CALL_PROCEEDING, ALERTING, CONNECT,
    RELEASE cause=N), "closed" at the end; send("hangup") releases the call."""

    READY = r"^connected "
    WHO = "the caller"


class Phone(Gatekeeper):
    """A second telephone (blackbox-phone) with media: send("call 127.0.0.1:1721"),
    send("hangup"); it prints "alerting", "established", "cleared reason=NAME"."""

    READY = r"^ready$"
    WHO = "the second phone"


class Program:
    """The built program, running from the session's private folder."""

    def __init__(self, session, args, env=None):
        self.session = session
        self.stderr_path = os.path.join(session.dir, "program-%d.stderr" % session._starts)
        self.stdout_path = os.path.join(session.dir, "program-%d.stdout" % session._starts)
        environment = session.program_env()
        for name, value in (env or {}).items():
            if value is None:
                environment.pop(name, None)
            else:
                environment[name] = value
        with open(self.stderr_path, "w") as err, open(self.stdout_path, "w") as out:
            self.proc = subprocess.Popen([os.path.join(session.app_dir, "Varlo")] + list(args),
                                         cwd=session.app_dir, env=environment,
                                         stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                         start_new_session=True)

    def stderr(self):
        with open(self.stderr_path, errors="replace") as f:
            return f.read()

    def running(self):
        return self.proc.poll() is None

    def wait_exit(self, timeout=15.0):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise CaseFailure("the program did not end within %gs" % timeout)

    def terminate(self):
        """Asks the program to end, as the end of the desktop session does (SIGTERM)."""
        if self.proc.poll() is None:
            self.proc.terminate()

    def kill(self):
        if self.proc.poll() is None:
            try:
                os.killpg(self.proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.proc.wait()


class Session:
    """One case's world: a private folder, a private X server, the program and the
    gatekeeper started by the case, and the X input and output it works with."""

    def __init__(self, build_dir, mode, workdir):
        self.build_dir = build_dir
        self.mode = mode
        self.managed = mode == "openbox"
        self.dir = workdir
        self.app_dir = os.path.join(workdir, "app")
        self.home = os.path.join(workdir, "home")
        self.runtime_dir = os.path.join(workdir, "runtime")
        self.alsa_dir = os.path.join(workdir, "alsa")
        self.bin_dir = os.path.join(workdir, "bin")
        self._procs = []
        self._programs = []
        self._gatekeepers = []
        self._starts = 0
        for d in (self.app_dir, self.home, self.alsa_dir, self.bin_dir):
            os.makedirs(d, exist_ok=True)
        os.makedirs(self.runtime_dir, mode=0o700, exist_ok=True)
        os.chmod(self.runtime_dir, 0o700)
        self._copy_program()
        self._write_alsa()
        self._start_x()

    # ---- set-up
    def _copy_program(self):
        ui = os.path.join(self.build_dir, "ui")
        for name in APP_FILES:
            shutil.copy2(os.path.join(ui, name), os.path.join(self.app_dir, name))
        for name in APP_FOLDERS:
            shutil.copytree(os.path.join(ui, name), os.path.join(self.app_dir, name))

    def _write_alsa(self):
        lines = []
        for name in CAPTURES:
            open(self.capture_file(name), "wb").close()
            lines.append('pcm.%s {\n  type file\n  slave.pcm "null"\n  file "/dev/null"\n  infile "%s"\n'
                         '  format "raw"\n  hint { show on description "Test capture %s|IOIDInput" }\n}\n'
                         % (name, self.capture_file(name), name))
        for name in PLAYBACKS:
            lines.append('pcm.%s {\n  type file\n  slave.pcm "null"\n  file "%s"\n  format "raw"\n'
                         '  hint { show on description "Test playback %s|IOIDOutput" }\n}\n'
                         % (name, self.playback_file(name), name))
        lines.append('pcm.!default {\n  type asym\n  capture.pcm "%s"\n  playback.pcm "%s"\n'
                     '  hint { show on description "Default" }\n}\n' % (CAPTURES[0], PLAYBACKS[0]))
        with open(os.path.join(self.alsa_dir, "asound.conf"), "w") as f:
            f.write("".join(lines))

    def capture_file(self, device):
        return os.path.join(self.alsa_dir, device + ".in.raw")

    def playback_file(self, device):
        return os.path.join(self.alsa_dir, device + ".out.raw")

    def _start_x(self):
        # Servers of other cases' namespaces starting at the same moment race for the lock
        # files of /tmp, which all share; the one that loses ends, and is started again.
        number = ""
        with open(os.path.join(self.dir, "xvfb.log"), "w") as log:
            for _ in range(5):
                read_end, write_end = os.pipe()
                xvfb = subprocess.Popen(
                    ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten", "tcp"],
                    pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=log)
                os.close(write_end)
                with os.fdopen(read_end) as r:
                    number = r.readline().strip()
                if number:
                    break
                xvfb.wait()
        if not number:
            raise CaseFailure("Xvfb did not start (see xvfb.log)")
        self._xvfb = xvfb
        self._procs.append(self._xvfb)
        self.display_name = ":" + number
        self.x = xdisplay.Display(self.display_name)
        self.root = self.x.screen().root
        self._atoms = {}
        if self.managed:
            wm = subprocess.Popen(["openbox", "--sm-disable"], env=self._x_env(),
                                  stdout=subprocess.DEVNULL, stderr=open(os.path.join(self.dir, "openbox.log"), "w"))
            self._procs.append(wm)
            wait_for("openbox to manage the screen", self._window_manager_runs, timeout=20)

    def _x_env(self):
        env = {k: v for k, v in os.environ.items()
               if k not in ("WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "SESSION_MANAGER", "XAUTHORITY")}
        env.update(DISPLAY=self.display_name, HOME=self.home, XDG_RUNTIME_DIR=self.runtime_dir,
                   XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                   XDG_DATA_HOME=os.path.join(self.home, ".local", "share"),
                   XDG_CACHE_HOME=os.path.join(self.home, ".cache"))
        return env

    def program_env(self):
        env = self._x_env()
        env.update(ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:" + os.path.join(self.alsa_dir, "asound.conf"),
                   GDK_BACKEND="x11", NO_AT_BRIDGE="1", LANG="C.UTF-8", LC_ALL="C.UTF-8",
                   PATH=self.bin_dir + os.pathsep + os.environ.get("PATH", "/usr/bin:/bin"))
        return env

    def program_on_path(self, name, text):
        """Puts an executable script `name` first on the program's PATH (a stand-in for a
        desktop program such as xdg-open); returns its path."""
        path = os.path.join(self.bin_dir, name)
        with open(path, "w") as f:
            f.write(text)
        os.chmod(path, 0o755)
        return path

    def _window_manager_runs(self):
        prop = self.root.get_full_property(self.atom("_NET_SUPPORTING_WM_CHECK"), Xatom.WINDOW)
        return bool(prop and prop.value)

    def close(self):
        for p in self._programs:
            p.kill()
        for g in self._gatekeepers:
            g.stop()
        try:
            self.x.close()
        except Exception:
            pass
        for p in reversed(self._procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()

    # ---- the program and the gatekeeper
    def write_service_conf(self, settings=None):
        """service.conf beside the program: every address on loopback (the gatekeepers on
        127.0.0.1, the web pages on a closed local port) unless settings say otherwise; a
        value None leaves that name out."""
        conf = {
            "gatekeeper": "127.0.0.1",
            "gatekeeper_address": "127.0.0.1",
            "fallback_gatekeeper": "127.0.0.1",
            "fallback_gatekeeper_address": "127.0.0.1",
            "home_page": "http://127.0.0.1:9/",
            "yellow_page": "http://127.0.0.1:9/yellow",
            "publisher_page": "http://127.0.0.1:9/publisher",
            "banner_page": "http://127.0.0.1:9/banner",
        }
        conf.update(settings or {})
        with open(self.file("service.conf"), "w") as f:
            for k, v in conf.items():
                if v is not None:
                    f.write("%s = %s\n" % (k, v))

    def start(self, service=None, files=None, args=(), env=None):
        """Starts the program from its private folder, after writing service.conf (see
        write_service_conf) and any files {name: bytes or text} beside it; env changes its
        environment (a value None takes the name out)."""
        self.write_service_conf(service)
        for name, content in (files or {}).items():
            mode = "wb" if isinstance(content, bytes) else "w"
            with open(self.file(name), mode) as f:
                f.write(content)
        self._starts += 1
        program = Program(self, args, env)
        self._programs.append(program)
        return program

    def start_gatekeeper(self, accounts=((IDENTIFIER,) + ACCOUNT,), cards=((IDENTIFIER, PIN),), port=1719,
                         extra=()):
        args = ["--port", str(port)]
        for a in accounts:
            args += ["--account"] + list(a)
        for c in cards:
            args += ["--card"] + list(c)
        program = os.path.join(self.build_dir, "tests", "blackbox", "blackbox-gatekeeper")
        gk = Gatekeeper(program, args + list(extra), os.path.join(self.dir, "gatekeeper.log"))
        self._gatekeepers.append(gk)
        return gk

    def start_caller(self, name="caller", port=1721):
        """Calls the program from the alias name (once it listens); returns the Caller."""
        program = os.path.join(self.build_dir, "tests", "blackbox", "blackbox-caller")
        log = os.path.join(self.dir, "caller-%d.log" % (len(self._gatekeepers) + 1))
        caller = Caller(program, ["--port", str(port), "--name", name], log)
        self._gatekeepers.append(caller)
        return caller

    def start_phone(self, name="caller"):
        """A second telephone on the second pair of sound devices, told what to do by send()."""
        program = os.path.join(self.build_dir, "tests", "blackbox", "blackbox-phone")
        args = ["--name", name, "--record", CAPTURES[1], "--play", PLAYBACKS[1]]
        log = os.path.join(self.dir, "phone-%d.log" % (len(self._gatekeepers) + 1))
        phone = Phone(program, args, log, env=self.program_env())
        self._gatekeepers.append(phone)
        return phone
    def file(self, name):
        """A path in the program's folder."""
        return os.path.join(self.app_dir, name)

    def read_file(self, name, mode="rb"):
        with open(self.file(name), mode) as f:
            return f.read()

    # ---- windows
    def atom(self, name):
        if name not in self._atoms:
            self._atoms[name] = self.x.intern_atom(name)
        return self._atoms[name]

    def _title(self, w):
        try:
            prop = w.get_full_property(self.atom("_NET_WM_NAME"), self.atom("UTF8_STRING"))
            if prop and prop.value:
                v = prop.value
                return v.decode("utf-8", "replace") if isinstance(v, bytes) else str(v)
            name = w.get_wm_name()
            if isinstance(name, bytes):
                name = name.decode("latin-1")
            return name
        except xerror.XError:
            return None

    def _client_ids(self):
        """Top-level client windows, bottom to top: the window manager's stacking list
        under a window manager, the children of the root window without one."""
        if self.managed:
            prop = self.root.get_full_property(self.atom("_NET_CLIENT_LIST_STACKING"), Xatom.WINDOW)
            return list(prop.value) if prop else []
        return [c.id for c in self.root.query_tree().children]

    def _describe(self, wid):
        w = self.x.create_resource_object("window", wid)
        try:
            attrs = w.get_attributes()
            if attrs.map_state != X.IsViewable or attrs.override_redirect:
                return None
            title = self._title(w)
            if title is None:
                return None
            geom = w.get_geometry()
            origin = w.translate_coords(self.root, 0, 0)
            transient = w.get_full_property(Xatom.WM_TRANSIENT_FOR, Xatom.WINDOW)
            owner = transient.value[0] if transient and len(transient.value) else 0
            return Window(self, wid, title, (-origin.x, -origin.y, geom.width, geom.height), owner)
        except xerror.XError:
            return None

    def windows(self):
        """The shown top-level windows with a title, bottom to top."""
        out = []
        for wid in self._client_ids():
            w = self._describe(wid)
            if w:
                out.append(w)
        return out

    def window_by_id(self, wid):
        for w in self.windows():
            if w.id == wid:
                return w
        return None

    def find(self, title):
        """The topmost shown window whose title is title (a string) or matches it (a
        compiled pattern), or None."""
        for w in reversed(self.windows()):
            if (w.title == title) if isinstance(title, str) else title.search(w.title):
                return w
        return None

    def wait_window(self, title, timeout=20.0):
        return wait_for("a window %r" % (title,), lambda: self.find(title), timeout)

    def wait_gone(self, window, timeout=10.0):
        wait_for("%r to go" % (window,), lambda: window.refresh() is None, timeout)

    def wait_settled(self, window, timeout=10.0):
        """Waits until a window's place and face stay the same over a few looks in a row and
        returns it as it is then (the window manager may still move it after it is shown,
        and the toolkit paints it a little later)."""
        state = {"last": None, "same": 0}

        def probe():
            w = window.refresh()
            if w is None:
                raise CaseFailure("%r went away" % (window,))
            shot = w.grab().tobytes()
            key = (w.x, w.y, w.width, w.height, shot)
            state["same"] = state["same"] + 1 if key == state["last"] else 0
            state["last"] = key
            return w if state["same"] >= 3 else None
        return wait_for("%r to settle" % (window,), probe, timeout, interval=0.05)

    def stacking(self):
        return self.windows()

    def has_focus(self, window):
        """Whether a person's keys go to the window now: the window manager's active window
        under one; the X server's input focus without (the window, one inside it, or the
        pointer's window when the focus follows the pointer)."""
        if self.managed:
            prop = self.root.get_full_property(self.atom("_NET_ACTIVE_WINDOW"), Xatom.WINDOW)
            return bool(prop and len(prop.value) and prop.value[0] == window.id)
        focus = self.x.get_input_focus().focus
        # The root window as the focus: keys go to the window under the pointer, as with
        # PointerRoot.
        if focus in (X.NONE, X.PointerRoot) or not hasattr(focus, "id") or focus.id == self.root.id:
            pointer = self.root.query_pointer()
            return (window.x <= pointer.root_x < window.x + window.width and
                    window.y <= pointer.root_y < window.y + window.height)
        node = focus
        try:
            while node and node.id != self.root.id:
                if node.id == window.id:
                    return True
                node = node.query_tree().parent
        except xerror.XError:
            return False
        return False

    def wait_focus(self, window, timeout=5.0):
        """Waits until a person's keys go to the window (see has_focus), as a person looks
        for the focus before typing."""
        wait_for("the keyboard focus in %r" % (window,), lambda: self.has_focus(window), timeout)

    def popups(self):
        """The shown pop-up windows (menus, drop-down lists, tooltips: override-redirect
        children of the root window), bottom to top, as (id, x, y, width, height)."""
        out = []
        for c in self.root.query_tree().children:
            try:
                attrs = c.get_attributes()
                if attrs.map_state == X.IsViewable and attrs.override_redirect:
                    g = c.get_geometry()
                    out.append((c.id, g.x, g.y, g.width, g.height))
            except xerror.XError:
                pass
        return out

    def choose_from_list(self, window, x, y, moves):
        """Opens a drop-down list with a click at a point of a window and picks the entry
        `moves` entries below (negative: above) the current one with the arrow keys and
        Return, as a person may."""
        before = set(self.popups())
        window.click(x, y)
        wait_for("the drop-down list to open", lambda: set(self.popups()) - before, timeout=5)
        for _ in range(abs(moves)):
            self.key("Down" if moves > 0 else "Up")
        self.key("Return")
        wait_for("the drop-down list to close", lambda: not (set(self.popups()) - before), timeout=5)

    # ---- screen
    def grab(self, x, y, w, h):
        x, y = max(0, x), max(0, y)
        w, h = min(w, SCREEN[0] - x), min(h, SCREEN[1] - y)
        raw = self.root.get_image(x, y, w, h, X.ZPixmap, 0xFFFFFFFF)
        return Image.frombytes("RGB", (w, h), raw.data, "raw", "BGRX")

    def screenshot(self, name):
        """Saves the whole screen in the case's folder (kept when the case fails)."""
        path = os.path.join(self.dir, name + ".png")
        self.grab(0, 0, *SCREEN).save(path)
        return path

    def wait_change(self, window, box, before, timeout=10.0):
        """Waits until a box of a window differs from the image before, and returns the new
        image."""
        def probe():
            w = window.refresh()
            if w is None:
                raise CaseFailure("%r went away" % (window,))
            now = w.grab(box)
            return now if differs(now, before) else None
        return wait_for("a change in %r of %r" % (box, window), probe, timeout)

    # ---- input
    def move_pointer(self, x, y):
        xtest.fake_input(self.x, X.MotionNotify, x=x, y=y)
        self.x.sync()

    def click(self, x, y, button=1):
        self.move_pointer(x, y)
        xtest.fake_input(self.x, X.ButtonPress, button)
        self.x.sync()
        xtest.fake_input(self.x, X.ButtonRelease, button)
        self.x.sync()

    def double_click(self, x, y):
        # The four button events go in one request stream, so that the server stamps them
        # close together however long this process or the program takes between them (two
        # clicks a loaded machine spreads apart are two single clicks to the toolkit).
        self.move_pointer(x, y)
        for _ in range(2):
            xtest.fake_input(self.x, X.ButtonPress, 1)
            xtest.fake_input(self.x, X.ButtonRelease, 1)
        self.x.sync()

    _MODIFIERS = {"ctrl": "Control_L", "shift": "Shift_L", "alt": "Alt_L"}
    _CHAR_KEYSYMS = {" ": "space", ".": "period", ",": "comma", "-": "minus", "/": "slash", ":": "colon",
                     "@": "at", "_": "underscore", "*": "asterisk", "#": "numbersign", "+": "plus",
                     "=": "equal"}

    def _keycode(self, keysym_name):
        keysym = XK.string_to_keysym(keysym_name)
        if not keysym:
            raise CaseFailure("no key named %r" % keysym_name)
        for code, index in self.x.keysym_to_keycodes(keysym):
            if index in (0, 1):
                return code, index == 1
        raise CaseFailure("the keyboard has no key for %r" % keysym_name)

    def key(self, combo):
        """Presses and releases a key with modifiers, written as "ctrl+Tab", "Return",
        "ctrl+Next" (Page Down), "alt+F4": X key names joined by '+'."""
        parts = combo.split("+")
        codes = [self._keycode(self._MODIFIERS.get(p.lower(), p))[0] for p in parts]
        for c in codes:
            xtest.fake_input(self.x, X.KeyPress, c)
        for c in reversed(codes):
            xtest.fake_input(self.x, X.KeyRelease, c)
        self.x.sync()

    def type_text(self, text):
        shift = self._keycode("Shift_L")[0]
        for ch in text:
            code, shifted = self._keycode(self._CHAR_KEYSYMS.get(ch, ch))
            if shifted:
                xtest.fake_input(self.x, X.KeyPress, shift)
            xtest.fake_input(self.x, X.KeyPress, code)
            xtest.fake_input(self.x, X.KeyRelease, code)
            if shifted:
                xtest.fake_input(self.x, X.KeyRelease, shift)
        self.x.sync()
