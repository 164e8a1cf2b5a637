# The contact book's Add Contact dialog and the quick-dial strip's Phone Entry dialog open
# where their templates put them, at the top left of the window they belong to (the book,
# and the telephone), not centred on it.
from blackbox import check, wait_for
from common import start_past_wizard
from layout import MAIN_BOOK, MAIN_QUICK_DIAL, centre

BOOK_ADD = (7, 6, 50, 14)               # template 189's Add button
ADD_CANCEL = (113, 107, 50, 14)         # template 201's Cancel
ENTRY_CANCEL = (92, 74, 41, 14)         # template 214's Cancel
STRIP = (143, 228)                      # the quick-dial strip's size in pixels
SLOT1_NUMBER = (14, 40, 70, 11)         # template 212: slot 1's number label


def middle(w):
    return w.x + w.width // 2, w.y + w.height // 2


def check_placed(dialog, owner):
    dx, dy = middle(dialog)
    ox, oy = middle(owner)
    check(abs(dx - ox) > 20 or abs(dy - oy) > 20, "%r is centred on %r" % (dialog, owner))
    check(abs(dialog.x - owner.x) <= 40 and abs(dialog.y - owner.y) <= 40,
          "%r is not at the top left of %r" % (dialog, owner))


def run(t):
    program, main = start_past_wizard(t)

    main.click(*MAIN_QUICK_DIAL)

    def strip():
        for w in t.windows():
            if (w.width, w.height) == STRIP:
                return w
        return None

    panel = t.wait_settled(wait_for("the quick-dial strip", strip, timeout=10))
    panel.click(*centre(*SLOT1_NUMBER))  # an empty slot asks for its entry
    entry = t.wait_settled(t.wait_window("Phone Entry"))
    check_placed(entry, t.wait_settled(main))
    entry.click(*centre(*ENTRY_CANCEL))
    t.wait_gone(entry)

    main.click(*MAIN_BOOK)
    book = t.wait_settled(t.wait_window("Phone Book"))
    book.click(*centre(*BOOK_ADD))
    add = t.wait_settled(t.wait_window("Add Contact"))
    check_placed(add, book)
    add.click(*centre(*ADD_CANCEL))
    t.wait_gone(add)
