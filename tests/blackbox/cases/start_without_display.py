# Started where there is no graphical display (DISPLAY not set), the program says that it
# needs one and ends with a failure status of its own, not by a signal.
from blackbox import check


def run(t):
    program = t.start(env={"DISPLAY": None})
    code = program.wait_exit(timeout=15)
    check(code >= 0, "the program ended by signal %d" % -code)
    check(code != 0, "the program ended with status 0")
    check("needs a graphical display" in program.stderr(),
          "the program did not say that it needs a display: %r" % program.stderr()[-500:])
    check(not t.windows(), "a window showed")
