# The contact book opens beside the telephone, not over it: Call and Hang stay in sight.
# Enter and Escape do not end the book (they reach it: its Add dialog then opens from a click,
# and Escape closes that dialog as its Cancel would); Alt+F4 closes the book as its close box
# does (the contacts are written, and Book opens a new one), under a window manager and on a
# screen without one.
import os

from blackbox import check, wait_for
from common import contact_file, start_past_wizard
from layout import MAIN_BOOK, centre

CALL_AND_HANG = (25, 195, 93, 33)   # the skin's Call and Hang buttons (44 x 33 at 25,195 and 74,195)
BOOK_LIST_EMPTY = (300, 250)        # a point of the contact list below its rows
BOOK_ADD = centre(7, 6, 50, 14)     # template 189


def overlaps(a, b):
    ax, ay, aw, ah = a
    bx, by, bw, bh = b
    return ax < bx + bw and bx < ax + aw and ay < by + bh and by < ay + ah


def open_book(t, main):
    main.click(*MAIN_BOOK)
    return t.wait_settled(t.wait_window("Phone Book"))


def closes(t, main, book, keys):
    """Presses keys in the book; it goes, its contacts are written, and Book opens one again."""
    os.remove(t.file("pbook.dat"))
    book.click(*BOOK_LIST_EMPTY)
    t.wait_focus(book)
    t.key(keys)
    t.wait_gone(book)
    wait_for("the contacts to be written", lambda: os.path.exists(t.file("pbook.dat")), timeout=5)
    check(t.read_file("pbook.dat") == contact_file([("Bob", "", "5551234", "", "")]),
          "the book wrote %r" % t.read_file("pbook.dat"))
    return open_book(t, main)


def run(t):
    _, main = start_past_wizard(t, files={"pbook.dat": contact_file([("Bob", "", "5551234", "", "")])})
    buttons = main.grab(CALL_AND_HANG)
    book = open_book(t, main)
    x, y, w, h = CALL_AND_HANG
    check(not overlaps((book.x, book.y, book.width, book.height), (main.x + x, main.y + y, w, h)),
          "%r covers Call and Hang of %r" % (book, main))
    check(not overlaps((book.x, book.y, book.width, book.height), (main.x, main.y, main.width, main.height)),
          "%r lies over %r" % (book, main))
    check(main.grab(CALL_AND_HANG).tobytes() == buttons.tobytes(), "Call and Hang are not in sight")

    book.click(*BOOK_LIST_EMPTY)
    t.wait_focus(book)
    t.key("Return")
    t.key("Escape")
    book.click(*BOOK_ADD)           # taken after both keys: the book is still there
    add = t.wait_settled(t.wait_window("Add Contact"))
    t.wait_focus(add)
    t.key("Escape")
    t.wait_gone(add)
    check(t.find("Phone Book") is not None, "Enter or Escape ended the book")

    book = closes(t, main, book, "alt+F4")
    closes(t, main, book, "alt+F4")
