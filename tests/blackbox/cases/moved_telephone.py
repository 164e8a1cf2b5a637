# timeout: 180
# A person moves the telephone: by its body (the program moves it), and under a window
# manager also the window manager's way (Alt and a drag).  What the program places from
# the telephone's place follows it, as the X server shows the windows: the "M" button's
# menu opens 10, 25 into the telephone, the quick-dial panel slides out at its right edge
# and stays docked there while the telephone moves, and the contact book's Handle menu
# opens on the Handle button of the book that the window manager framed.
from Xlib import X
from Xlib.ext import xtest

from blackbox import check, dlu, wait_for
from common import contact_file, start_past_wizard
from layout import MAIN_BOOK, MAIN_QUICK_DIAL

BODY = (210, 20)              # a point of the telephone's body between its top buttons
MENU_AT = (10, 25)            # where the "M" menu opens, from the telephone's top left
# Two points of the "M" button (18 x 18 at 8,7), taken in turn: clicks on one point soon
# after each other are a double click to the toolkit.
MENU_POINTS = [(12, 11), (22, 21)]
PANEL_HEIGHT = 228
PANEL_TOP = 35                # the docked panel's top, below the telephone's
BOOK_ROW = (80, 74)           # a point on the contact book's first row
HANDLE = (178, 5, 50, 14)     # template 189's Handle button, dialog units


def pointer_free(t):
    """Whether no program holds the pointer (a window manager does while it moves a window):
    a grab of our own succeeds, and is let go at once."""
    status = t.root.grab_pointer(False, X.ButtonPressMask, X.GrabModeAsync, X.GrabModeAsync, X.NONE, X.NONE,
                                 X.CurrentTime)
    if status != X.GrabSuccess:
        return False
    t.x.ungrab_pointer(X.CurrentTime)
    t.x.sync()
    return True


def move_telephone(t, main, delta, window_manager):
    """Drags the telephone by its body by delta, as a hand does: in steps, the pointer
    stirring a pixel until the telephone has followed it (the window manager, and the
    toolkit, take a motion as the start of the move and follow the ones after it); with the
    window manager's modifier, Alt, when window_manager is true.  Returns the telephone
    where the X server shows it then."""
    alt = t._keycode("Alt_L")[0]
    x, y = main.x + BODY[0], main.y + BODY[1]
    t.move_pointer(x, y)
    if window_manager:
        xtest.fake_input(t.x, X.KeyPress, alt)
    xtest.fake_input(t.x, X.ButtonPress, 1)
    t.x.sync()
    steps = 4
    for i in range(1, steps + 1):
        dx, dy = delta[0] * i // steps, delta[1] * i // steps
        want = (main.x + dx, main.y + dy)
        stir = {"n": 0}

        def followed():
            stir["n"] += 1
            t.move_pointer(x + dx + stir["n"] % 2, y + dy)
            w = main.refresh()
            return w and w.y == want[1] and w.x - want[0] in (0, 1)
        wait_for("the telephone to follow the pointer to %r" % (want,), followed, timeout=5)
    t.move_pointer(x + delta[0], y + delta[1])
    xtest.fake_input(t.x, X.ButtonRelease, 1)
    if window_manager:
        xtest.fake_input(t.x, X.KeyRelease, alt)
    t.x.sync()
    if window_manager:
        wait_for("the window manager to let go of the pointer", lambda: pointer_free(t), timeout=5)
    want = (main.x + delta[0], main.y + delta[1])
    moved = wait_for("the telephone at %r" % (want,),
                     lambda: (lambda w: w if w and (w.x, w.y) == want else None)(main.refresh()), timeout=5)
    return t.wait_settled(moved)


def popup_at(t, open_it, what):
    """Opens a pop-up menu and returns its top left on the screen; closes it again."""
    before = set(t.popups())
    open_it()

    def shown():
        new = [p for p in t.popups() if p not in before and p[3] > 20 and p[4] > 20]
        return new[-1] if new else None
    _, x, y, _, _ = wait_for(what, shown, timeout=5)
    t.key("Escape")
    wait_for("%s to close" % what, lambda: not (set(t.popups()) - before), timeout=5)
    return x, y


def check_menu(t, main, how, turn):
    at = popup_at(t, lambda: main.click(*MENU_POINTS[turn % 2]), "the M menu")
    want = (main.x + MENU_AT[0], main.y + MENU_AT[1])
    check(at == want, "after %s the M menu opens at %r, not at %r (the telephone is at %d,%d)"
          % (how, at, want, main.x, main.y))


def panel(t, main):
    for w in t.windows():
        if w.height == PANEL_HEIGHT and w != main:
            return w
    return None


def wait_docked(t, main, how):
    want = (main.x + main.width - 1, main.y + PANEL_TOP)

    def docked():
        p = panel(t, main)
        return p if p and (p.x, p.y) == want else None
    try:
        return wait_for("the quick-dial panel at %r" % (want,), docked, timeout=5)
    except AssertionError:
        p = panel(t, main)
        check(False, "after %s the quick-dial panel is at %r, not at %r beside the telephone at %d,%d"
              % (how, (p.x, p.y) if p else None, want, main.x, main.y))


def run(t):
    _, main = start_past_wizard(t, files={"pbook.dat": contact_file([("Bob", "", "5551234", "", "")])})
    moves = [("a drag of its body", (150, 100), False)]
    if t.managed:
        moves.append(("the window manager's move", (-90, 140), True))
    for turn, (how, delta, by_manager) in enumerate(moves):
        main = move_telephone(t, main, delta, by_manager)
        check_menu(t, main, how, turn)

    main.click(*MAIN_QUICK_DIAL)
    t.wait_settled(wait_docked(t, main, "the moves"))
    how, delta, by_manager = moves[-1]
    main = move_telephone(t, main, (delta[0] // 3, -delta[1] // 2), by_manager)
    wait_docked(t, main, "%s with the panel open" % how)

    # The book: its Handle menu opens 5 pixels into the button's bottom left.
    main.click(*MAIN_BOOK)
    book = t.wait_settled(t.wait_window("Phone Book", timeout=5))
    book.click(*BOOK_ROW)  # a selected contact
    book = t.wait_settled(book)
    left, top = dlu(HANDLE[0], HANDLE[1])
    width, height = dlu(HANDLE[2], HANDLE[3])
    at = popup_at(t, lambda: book.click(left + width // 2, top + height // 2), "the Handle menu")
    want = (book.x + left + 5, book.y + top + height - 5)
    check(at == want, "the Handle menu opens at %r, not at %r (the book's client area is at %d,%d)"
          % (at, want, book.x, book.y))
