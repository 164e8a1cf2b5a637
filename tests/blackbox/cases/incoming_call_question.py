# A call comes in: the caller hears ringing while the question is on the screen; further
# callers meanwhile are told at once that the phone is busy, with no question of their own
# and no thread kept in the program; when the caller hangs up the question goes away
# unanswered, and the program never answered that call.
# timeout: 180
import os
import re

from blackbox import check, wait_for
from common import start_past_wizard

QUESTION = re.compile(r"^Varlo$")  # the question box carries the program's name
FURTHER_CALLERS = 100


def threads(program):
    return len(os.listdir("/proc/%d/task" % program.proc.pid))


def run(t):
    program, _ = start_past_wizard(t)
    caller = t.start_caller(name="alice")
    box = t.wait_window(QUESTION)
    caller.wait_line(r"^ALERTING$", timeout=5)
    check(not caller.lines(r"^CONNECT"), "the call was answered without the user")

    before = threads(program)
    most = before
    for i in range(FURTHER_CALLERS):
        busy = t.start_caller(name="bob%d" % i)
        busy.wait_line(r"^RELEASE cause=17$", timeout=5)
        busy.send("quit")
        busy.stop()
        most = max(most, threads(program))
    check(most <= before + 6, "the program grew from %d to %d threads" % (before, most))
    wait_for("the program's threads back to %d" % before, lambda: threads(program) <= before, 10)
    check(len([w for w in t.windows() if QUESTION.search(w.title)]) == 1, "a further caller got a question")

    caller.send("hangup")
    t.wait_gone(box, timeout=5)
    check(not caller.lines(r"^CONNECT"), "the call was answered after the caller hung up")
    check(program.running(), "the program ended")
