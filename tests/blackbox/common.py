"""Steps that many cases share: a start past the first-run wizard, the options sheet opened
with the main window's My Account button, which of a sheet's pages is shown."""

import struct

from blackbox import CaseFailure, changed_pixels, wait_for
from layout import MAIN_MY_ACCOUNT, OPTIONS, VOICE_WIZARD


def start_past_wizard(t, **start):
    """Starts the program and cancels the audio wizard that a first start opens; returns
    the program and its main window, settled."""
    program = t.start(**start)
    wizard = t.wait_settled(t.wait_window("Voice Setting"))
    wizard.click(*VOICE_WIZARD.button("Cancel"))
    t.wait_gone(wizard)
    return program, t.wait_settled(t.wait_window("Varlo 3.8"))


def contact_file(records):
    """The contact book's file "pbook.dat" holding records of five texts each (name,
    e-mail, business, home and mobile telephone): a 32-bit count, then five short archive
    strings a contact."""
    out = struct.pack("<I", len(records))
    for record in records:
        for text in record:
            data = text.encode()
            out += bytes([len(data)]) + data
    return out


def open_options(t, main):
    """Opens the options sheet with the My Account button; returns it settled."""
    main.click(*MAIN_MY_ACCOUNT)
    return t.wait_settled(t.wait_window("Preferences"))


def nearest(image, references):
    """The index of the reference image that the image is closest to, and the number of
    pixels by which it differs from it."""
    counts = [changed_pixels(image, r) for r in references]
    best = min(range(len(counts)), key=counts.__getitem__)
    return best, counts[best]


def wait_page(t, sheet, references, index, what, timeout=5.0):
    """Waits until the sheet's page area looks like references[index] (of all the
    references, it is closest to that one, and differs from it in at most a caret's worth
    of pixels)."""
    def probe():
        w = sheet.refresh()
        if w is None:
            raise CaseFailure("the sheet went away")
        best, count = nearest(w.grab(OPTIONS.page_box()), references)
        return best == index and count < 200
    wait_for(what, probe, timeout)


def box_px(sheet, box):
    """A page control's template box (dialog units) as a pixel box of the sheet's window,
    two pixels larger all round (focus rings)."""
    from blackbox import dlu
    ox, oy = sheet.page_origin()
    x, y = dlu(box[0], box[1])
    w, h = dlu(box[2], box[3])
    return ox + x - 2, oy + y - 2, w + 4, h + 4


def click_control(t, window, sheet, box, what):
    """Clicks a page control and waits until it shows the click (a radio or check mark, a
    focus ring, a caret): a person looks before the next step, and under a window manager
    a click reaches the program a little after keys typed at once would."""
    area = box_px(sheet, box)
    before = window.grab(area)
    window.click(*sheet.control(*box))
    t.wait_change(window, area, before, timeout=5)


def type_into(t, window, sheet, box, text):
    """Clicks an edit box of a page, waits until it has the focus, types text and waits
    until it shows."""
    click_control(t, window, sheet, box, "the edit box's focus")
    area = box_px(sheet, box)
    before = window.grab(area)
    t.type_text(text)
    t.wait_change(window, area, before, timeout=5)
