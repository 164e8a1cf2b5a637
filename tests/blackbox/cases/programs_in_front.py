# What the telephone hands to another program comes up in front of it: with a stand-in for
# the desktop's opener (xdg-open) first on PATH, the help ("?"), the home page, the yellow
# pages and a contact's mail (a double click on its Email column in the contact book) each
# open a window that the window manager stacks above the always-on-top telephone (on a
# screen without one, the X server's stacking).  A press on the telephone brings it back
# to the top, as a topmost window is.  (The choice: the telephone gives up its topmost place
# while such a program's window opens, and takes it back when the user turns to it.)
import os
import re

from blackbox import check, wait_for
from common import contact_file, start_past_wizard
from layout import MAIN_BOOK, MAIN_NUMBER_BOX

MAIN_HELP = (38, 16)          # the "?" button (18 x 18 at 29,7)
MAIN_HOME = (185, 211)        # the home page button (44 x 33 at 163,195)
MAIN_YELLOW = (183, 247)      # the Yellow Page button (at 155,240)
EMAIL_CELL = (113, 74)        # the contact book's first row, in its Email column

# A stand-in opener: a plain X window named after what it was asked to open, over the
# telephone's right-hand part (its number box stays in sight); it lives as long as the X
# server.
STAND_IN = r'''#!/usr/bin/python3
import sys
from Xlib import X, Xutil, display
d = display.Display()
s = d.screen()
w = s.root.create_window(200, 30, 320, 130, 0, s.root_depth, X.InputOutput, X.CopyFromParent,
                         background_pixel=s.white_pixel)
w.set_wm_normal_hints(flags=Xutil.USPosition | Xutil.USSize, x=200, y=30, width=320, height=130)
title = "Stand-in opener: " + " ".join(sys.argv[1:])
w.set_wm_name(title)
w.change_property(d.intern_atom("_NET_WM_NAME"), d.intern_atom("UTF8_STRING"), 8, title.encode())
w.map()
d.flush()
while True:
    d.next_event()
'''


def stacked_above(t, window, other):
    ids = [w.id for w in t.windows()]
    return window.id in ids and other.id in ids and ids.index(window.id) > ids.index(other.id)


def opens_in_front(t, main, what, pattern, press):
    """Presses something that hands a page to the opener; its window comes up above the
    telephone; a press on the telephone puts the telephone on top again."""
    press()
    viewer = t.wait_window(re.compile("^Stand-in opener: .*" + pattern), timeout=10)
    wait_for("the window for %s above the telephone (bottom to top: %r)" % (what, t.windows()),
             lambda: stacked_above(t, viewer, main), timeout=5)
    main.click(*MAIN_NUMBER_BOX)  # a press that changes nothing (the face would drag the window)
    wait_for("the telephone above the window for %s again" % what, lambda: stacked_above(t, main, viewer), timeout=5)


def run(t):
    t.program_on_path("xdg-open", STAND_IN)
    _, main = start_past_wizard(t, files={"pbook.dat": contact_file([("Bob", "bob@example.org", "5551234", "", "")])})
    opens_in_front(t, main, "the help", r"help|\.chm", lambda: main.click(*MAIN_HELP))
    opens_in_front(t, main, "the home page", re.escape("http://127.0.0.1:9/"), lambda: main.click(*MAIN_HOME))
    opens_in_front(t, main, "the yellow pages", re.escape("/yellow"), lambda: main.click(*MAIN_YELLOW))

    main.click(*MAIN_BOOK)
    book = t.wait_settled(t.wait_window("Phone Book"))

    opens_in_front(t, main, "the mail", re.escape("mailto:bob@example.org"), lambda: book.double_click(*EMAIL_CELL))
    check(os.path.exists(t.file("pbook.dat")), "the contact file went")
