# The number box's dial history, dropped by a click on its arrow, closes again on Escape,
# on a click on the desktop and on a click on another window (the contact book): it does
# not stay up over other windows.
import struct

from blackbox import check, wait_for
from common import start_past_wizard
from layout import MAIN_BOOK, MAIN_NUMBER_BOX

NUMBER_BOX_ARROW = (156, 63)   # the drawn arrow at the right end of the number box (38,59, 124 x 9)
DESKTOP = (1000, 800)          # a point of the screen outside every window
HISTORY = ["5551234", "5559876", "5550000"]


def calls_file(history):
    """"calls.dat": ten empty strings of the fixed list, the history's count and strings."""
    out = b"\x00" * 10 + struct.pack("<I", len(history))
    for number in history:
        out += bytes([len(number)]) + number.encode()
    return out


def dropped(t, main):
    """Drops the history with a click on the arrow; returns the list's pop-up."""
    before = set(t.popups())
    main.click(*NUMBER_BOX_ARROW)
    new = wait_for("the history's list to drop",
                   lambda: [p for p in t.popups() if p not in before and p[3] > 12 and p[4] > 12], timeout=5)
    return new[-1]


def closed(t, popup, what):
    wait_for("the history's list to close on %s" % what, lambda: popup not in t.popups(), timeout=5)


def run(t):
    _, main = start_past_wizard(t, files={"calls.dat": calls_file(HISTORY)})
    main.click(*MAIN_NUMBER_BOX)  # the keys go to the number box, as a person makes sure
    t.wait_focus(main)
    popup = dropped(t, main)
    t.key("Escape")
    closed(t, popup, "Escape")

    popup = dropped(t, main)
    t.click(*DESKTOP)
    closed(t, popup, "a click on the desktop")

    main.click(*MAIN_BOOK)
    book = t.wait_settled(t.wait_window("Phone Book"))
    popup = dropped(t, main)
    book.click(book.width // 2, book.height // 2)
    closed(t, popup, "a click on the contact book")
    check(main.refresh() and book.refresh(), "a window went away")
