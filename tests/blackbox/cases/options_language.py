# timeout: 240
# The Options page's language switch, as a person makes it: Simplified Chinese picked from
# the language box's list on My Account's Options page, OK.  As soon as the sheet closes,
# the main window speaks it (its mode and status lines, the My Account button's face, the
# "M" button's menu, the contact book's row menu), the Call button's tooltip stays English,
# Varlo.ini says "1" and the next sheet has the Chinese title.  A restart keeps it: the
# contact book's title as the X server shows it, the same lines and menus.  Then the same
# with Traditional Chinese, "2".
import os
import re

from blackbox import CaseFailure, changed_pixels, check, dlu, wait_for
from common import contact_file
from layout import (MAIN_BOOK, MAIN_CALL, MAIN_MENU, MAIN_MODE_LINE, MAIN_MY_ACCOUNT,
                    MAIN_MY_ACCOUNT_FACE, MAIN_STATUS_LINE, OPTIONS, OPTIONS_LANGUAGE, VOICE_WIZARD)

LANGUAGES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "res", "lang")
# The language box's list (sorted) and what each choice writes and loads.
LIST = ["English", "Simplify Chinese", "Traditional Chinese"]
LIBRARY = {"English": None, "Simplify Chinese": "zh_CN.txt", "Traditional Chinese": "zh_TW.txt"}
INI = {"English": b"0", "Simplify Chinese": b"1", "Traditional Chinese": b"2"}
IDS_PREFERENCES, IDS_MODE_PC2PC, IDS_PHONE_BOOK = 102, 114, 154
ENGLISH = {IDS_PREFERENCES: "Preferences", IDS_MODE_PC2PC: "Place PC2PC Call", IDS_PHONE_BOOK: "Phone Book"}
BOOK_ROW = (80, 74)       # a point on the contact book's first row, pixels of its window
SAME = 30                 # pixels by which two looks at the same thing may differ (a caret)
WAIT = 15                 # seconds to wait for a window, a menu or a drawing (a loaded machine)


def text(language, string_id):
    """A text of a language's string table (the two libraries' tables are in their sources)."""
    if LIBRARY[language] is None:
        return ENGLISH[string_id]
    with open(os.path.join(LANGUAGES, LIBRARY[language]), encoding="utf-8") as f:
        for line in f:
            m = re.match(r'string (\d+) "(.*)"\s*$', line)
            if m and int(m.group(1)) == string_id:
                return m.group(2)
    raise AssertionError("no string %d in %s" % (string_id, LIBRARY[language]))


def new_popup(t, before, min_size=12):
    new = [p for p in t.popups() if p not in before and p[3] > min_size and p[4] > min_size]
    return new[-1] if new else None


def still_look(t, box):
    """The picture of a screen box once it shows the same over two looks in a row."""
    state = {"last": None}

    def probe():
        look = t.grab(*box)
        same = state["last"] is not None and changed_pixels(look, state["last"]) == 0
        state["last"] = look
        return look if same else None
    return wait_for("%r to be drawn" % (box,), probe, timeout=WAIT, interval=0.1)


def menu_look(t, open_it):
    """Opens a pop-up menu with open_it(), returns its picture and closes it with Escape."""
    before = set(t.popups())
    open_it()
    _, x, y, w, h = wait_for("the menu to open", lambda: new_popup(t, before), timeout=WAIT)
    look = still_look(t, (x, y, w, h))
    t.key("Escape")
    wait_for("the menu to close", lambda: not (set(t.popups()) - before), timeout=WAIT)
    return look


def tip_look(t, main):
    """The Call button's tooltip, shown while the pointer rests on the button."""
    main.move_pointer(240, 280)
    before = set(t.popups())
    steps = {"n": 0}

    def shown():
        # A hand on the mouse: the pointer keeps stirring a pixel on the button.
        steps["n"] += 1
        main.move_pointer(MAIN_CALL[0] + steps["n"] % 2, MAIN_CALL[1])
        return new_popup(t, before, 8)
    _, x, y, w, h = wait_for("the Call button's tooltip", shown, timeout=10)
    look = still_look(t, (x, y, w, h))
    main.move_pointer(240, 280)
    wait_for("the tooltip to go", lambda: not (set(t.popups()) - before), timeout=WAIT)
    return look


def main_looks(t, main):
    """What the case compares of the main window between languages."""
    main = t.wait_settled(main)
    return {"mode line": main.grab(MAIN_MODE_LINE), "status line": main.grab(MAIN_STATUS_LINE),
            "My Account face": main.grab(MAIN_MY_ACCOUNT_FACE),
            "M menu": menu_look(t, lambda: main.click(*MAIN_MENU)),
            "Call tooltip": tip_look(t, main)}


def book_look(t, main, language):
    """Opens the contact book (its title in the language), selects its row and returns the
    row menu's picture (menu 200 of the main window).  The book stays open: a person closes
    it only by the close box that a window manager gives it."""
    main.click(*MAIN_BOOK)
    book = t.wait_settled(t.wait_window(text(language, IDS_PHONE_BOOK), timeout=WAIT))
    book.click(*BOOK_ROW)  # the row menu is for a selected contact
    book = t.wait_settled(book)
    return menu_look(t, lambda: book.click(*BOOK_ROW, button=3))


def alike(a, b):
    return a.size == b.size and changed_pixels(a, b) <= SAME


def start(t):
    """Starts the program in the folder (the first start with a contact, and its audio
    wizard cancelled); returns the program and its main window."""
    if t._starts:
        program = t.start()
    else:
        program = t.start(files={"pbook.dat": contact_file([("Bob", "", "5551234", "", "")])})
        wizard = t.wait_settled(t.wait_window("Voice Setting"))
        wizard.click(*VOICE_WIZARD.button("Cancel"))
        t.wait_gone(wizard)
    return program, t.wait_settled(t.wait_window("Varlo 3.8"))


def stop(t, program):
    """Ends the program as the desktop session's end does (the open contact book covers the
    exit button, and without a window manager nothing closes the book)."""
    program.terminate()
    check(program.wait_exit() == 0, "the program did not end cleanly")


def switch(t, main, current, language):
    """My Account, the Options tab, the language picked from the box's list, OK."""
    main.click(*MAIN_MY_ACCOUNT)
    sheet = t.wait_settled(t.wait_window(text(current, IDS_PREFERENCES), timeout=WAIT))
    sheet.click(*OPTIONS.tab(2))
    sheet = t.wait_settled(sheet)
    x, y, w, h = OPTIONS_LANGUAGE
    ox, oy = OPTIONS.page_origin()
    right, middle = dlu(x + w, y + h // 2)
    t.choose_from_list(sheet, ox + right - 8, oy + middle, moves=LIST.index(language) - LIST.index(current))
    left, top = dlu(x, y)
    width, height = dlu(w, h)
    still_look(t, (sheet.x + ox + left, sheet.y + oy + top, width - 30, height))  # the name shown
    sheet.click(*OPTIONS.button("OK"))
    t.wait_gone(sheet, timeout=WAIT)


def run(t):
    program, main = start(t)
    seen = {"English": main_looks(t, main)}
    seen["English"]["book's row menu"] = book_look(t, main, "English")
    stop(t, program)

    current = "English"
    for language in ("Simplify Chinese", "Traditional Chinese"):
        program, main = start(t)
        switch(t, main, current, language)
        wait_for("Varlo.ini to say %r" % INI[language],
                 lambda: os.path.exists(t.file("Varlo.ini")) and t.read_file("Varlo.ini") == INI[language], timeout=WAIT)
        now = main_looks(t, main)
        # The next sheet is made in the new language.
        main.click(*MAIN_MY_ACCOUNT)
        sheet = t.wait_settled(t.wait_window(text(language, IDS_PREFERENCES), timeout=WAIT))
        sheet.click(*OPTIONS.button("Cancel"))
        t.wait_gone(sheet)
        now["book's row menu"] = book_look(t, main, language)
        for other, before in seen.items():
            for what in ("mode line", "status line", "My Account face", "M menu", "book's row menu"):
                if what == "mode line" and text(language, IDS_MODE_PC2PC) == text(other, IDS_MODE_PC2PC):
                    continue  # the two Chinese libraries name the call type alike
                check(not alike(now[what], before[what]),
                      "after choosing %s the %s looks as in %s" % (language, what, other))
            check(alike(now["Call tooltip"], before["Call tooltip"]),
                  "after choosing %s the Call button's tooltip is not the English one" % language)
        stop(t, program)

        # A restart keeps the language: the book's title as the X server shows it (and the
        # sheet's, at the next switch), and the same lines and menus (but for the status
        # line, which says something else after a start).
        program, main = start(t)
        # The window's lines are drawn as its start goes on: each is waited for.
        for what, box in (("mode line", MAIN_MODE_LINE), ("My Account face", MAIN_MY_ACCOUNT_FACE)):
            try:
                wait_for("the " + what, lambda: alike(main.grab(box), now[what]), timeout=WAIT)
            except CaseFailure:
                check(False, "after a restart in %s the %s is not as before it" % (language, what))
        again = main_looks(t, main)
        again["book's row menu"] = book_look(t, main, language)
        for what in ("M menu", "book's row menu", "Call tooltip"):
            check(alike(again[what], now[what]), "after a restart in %s the %s is not as before it" % (language, what))
        check(not alike(again["status line"], seen["English"]["status line"]),
              "after a restart in %s the status line is English" % language)
        stop(t, program)
        seen[language] = now
        current = language
