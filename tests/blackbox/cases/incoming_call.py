# Calls from another phone, answered and refused in the question box by a person.  While an
# answered call lasts, the number line shows the caller, not the number this phone dialled
# before; the talk log gets each call's own duration, and a refused call none of an earlier
# one; after a refusal the status line changes to tell that the call ended, whatever it
# showed before.
# timeout: 150
from blackbox import CaseFailure, changed_pixels, check, dlu, wait_for
from common import start_past_wizard
from layout import MAIN_DURATION, MAIN_NUMBER_BOX, MAIN_NUMBER_LINE, MAIN_STATUS_LINE

NUMBER_FIELD = (38, 59, 124, 9)  # the number box's edit field


def log_lines(t):
    try:
        text = t.read_file("Log.log").decode("latin-1")
    except FileNotFoundError:
        return []
    return [l for l in text.split("\r\r\n") if l]


def wait_log(t, count, what):
    return wait_for("%s in the talk log (it holds %r)" % (what, log_lines(t)),
                    lambda: len(log_lines(t)) >= count and log_lines(t), timeout=20)


def dial_nobody(t, main):
    """Dials an address where nobody listens, typed into the number box, and Enter.  A person
    sees the address in the box before pressing Enter: it is typed again until it shows (a
    click that gives the window the focus back may reach it after keys typed at once)."""
    lines = len(log_lines(t))
    empty = main.grab(NUMBER_FIELD)

    def typed():
        main.click(*MAIN_NUMBER_BOX)
        t.key("ctrl+a")
        t.key("BackSpace")
        t.type_text("127.0.0.2")
        try:
            wait_for("the address to show", lambda: changed_pixels(main.grab(NUMBER_FIELD), empty) > 40, timeout=2)
        except CaseFailure:
            return False
        return True
    wait_for("the address typed into the number box", typed, timeout=15)
    t.key("Return")
    log = wait_log(t, lines + 3, "the dialled call's end")
    check(log[-1] == "NetWare DisConnect", "the call to nobody ended with %r" % log[-3:])


def answer(t, caller, button):
    """Lets the caller call; the question box comes up and is answered by a click on its
    button ("OK" or "Cancel", side by side in the middle of its bottom row)."""
    caller.send("call 127.0.0.1:1721")
    box = t.wait_settled(t.wait_window("Varlo"))  # the question, under the program's name
    step, _ = dlu(28, 0)
    _, up = dlu(0, 15)
    box.click(box.width // 2 + (step if button == "Cancel" else -step), box.height - up)
    t.wait_gone(box)


def run(t):
    caller = t.start_phone()
    program, main = start_past_wizard(t)

    dial_nobody(t, main)
    main = t.wait_settled(main)
    dialled = main.grab(MAIN_NUMBER_LINE)

    # Answered: the number line turns to the caller while the clock counts.
    answer(t, caller, "OK")
    caller.wait_line("^established", timeout=15)
    t.wait_change(main, MAIN_NUMBER_LINE, dialled, timeout=5)
    # Two changes of the clock: the first may be its start at 00:00:00, the second is a
    # second gone by.
    clock = main.grab(MAIN_DURATION)
    for _ in range(2):
        clock = t.wait_change(main, MAIN_DURATION, clock, timeout=5)
    lines = len(log_lines(t))
    caller.send("hangup")
    caller.wait_line("^cleared", timeout=10)
    log = wait_log(t, lines + 2, "the answered call's end")
    check(log[-2] != "00:00:00" and log[-1] == "Called Party Hung Up",
          "the answered call was logged as %r" % log[-2:])
    lasted = log[-2]

    # Refused right after it: no duration of the call before.
    status = t.wait_settled(main).grab(MAIN_STATUS_LINE)
    answer(t, caller, "Cancel")
    caller.wait_line("^cleared", timeout=10, count=2)
    log = wait_log(t, lines + 3, "the refused call's end")
    check(log[-1] == "00:00:00", "the refused call was logged as %r (the call before lasted %s)" % (log[-1], lasted))
    t.wait_change(main, MAIN_STATUS_LINE, status, timeout=5)

    # Refused after a call that found nobody: the status line does not keep that call's end.
    dial_nobody(t, main)
    status = t.wait_settled(main).grab(MAIN_STATUS_LINE)
    answer(t, caller, "Cancel")
    caller.wait_line("^cleared", timeout=10, count=3)
    t.wait_change(main, MAIN_STATUS_LINE, status, timeout=5)
