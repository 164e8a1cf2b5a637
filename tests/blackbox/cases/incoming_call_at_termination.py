# The program is told to end (a termination signal, as a log-out sends) while the
# incoming-call question is up: the question ends without an answer, so the call is
# refused and never answered, and the program ends cleanly.
import re
import signal

from blackbox import check
from common import start_past_wizard

QUESTION = re.compile(r"^Varlo$")  # the question box carries the program's name


def run(t):
    program, _ = start_past_wizard(t)
    caller = t.start_caller(name="alice")
    t.wait_window(QUESTION)
    caller.wait_line(r"^ALERTING$", timeout=5)
    program.proc.send_signal(signal.SIGTERM)
    status = program.wait_exit(timeout=20)
    check(status == 0, "the program ended with status %r" % status)
    caller.wait_line(r"^(RELEASE|closed)", timeout=5)
    check(not caller.lines(r"^CONNECT"), "the call was answered when the program ended")
