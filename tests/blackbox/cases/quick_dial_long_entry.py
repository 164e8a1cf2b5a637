# A quick-dial slot whose name and number are longer than the entry dialog's limit of 15
# characters (from the quick-dial file): the entry dialog shows both whole, and OK is
# refused with the framework's message about the limit; the dialog stays open, and takes
# them once they are cut to fifteen.
from blackbox import check, dlu, wait_for
from common import start_past_wizard
from layout import MAIN_QUICK_DIAL, centre

STRIP = (143, 228)                      # the quick-dial strip's size in pixels
SLOT1_EDIT = (8, dlu(0, 32)[1] + 6)     # slot 1's edit button (16 x 13 pixels at 0,32)
NAME_EDIT = dlu(42, 16) + dlu(87, 12)   # template 214
NUMBER_EDIT = dlu(42, 43) + dlu(87, 12)
ENTRY_OK = centre(12, 74, 41, 14)
NAME = "ABCDEFGHIJKLMNOPQRST"
NUMBER = "12345678901234567890"


def centre_px(box):
    x, y, w, h = box
    return x + w // 2, y + h // 2


def inked_columns(image):
    """The columns of an edit box's inside that its text (or its selection) darkens."""
    width, height = image.size
    pixels = image.convert("L").load()
    # The middle rows, inside the frame and the focus ring: the text's own row.
    rows = range(height // 4, height - height // 4)
    return [x for x in range(4, width - 4) if any(pixels[x, y] < 130 for y in rows)]


def run(t):
    # Ten lines, each ended by CR CR LF as the panel writes them: slot 1 and four empty slots.
    lines = [NAME, NUMBER] + [""] * 8
    _, main = start_past_wizard(t, files={"Quickdail.dat": b"".join(l.encode() + b"\r\r\n" for l in lines)})
    main.click(*MAIN_QUICK_DIAL)

    def strip():
        return next((w for w in t.windows() if (w.width, w.height) == STRIP), None)

    panel = t.wait_settled(wait_for("the quick-dial strip", strip, timeout=10))
    panel.click(*SLOT1_EDIT)
    entry = t.wait_settled(t.wait_window("Phone Entry"))
    widths = {}
    for box, what in ((NAME_EDIT, "name"), (NUMBER_EDIT, "number")):
        ink = inked_columns(entry.grab(box))
        check(ink, "the %s box is empty" % what)
        widths[what] = ink[-1] - ink[0]

    # OK: the framework's message about the limit (in a box of the program's name), and the
    # dialog stays open.
    entry.click(*ENTRY_OK)
    box = t.wait_settled(t.wait_window("Varlo", timeout=5))
    check(entry.refresh() is not None, "the entry dialog closed on OK")
    t.wait_focus(box)
    t.key("Return")
    t.wait_gone(box)
    check(entry.refresh() is not None, "the entry dialog closed with the message")

    # Five characters fewer in each box: each text was longer than fifteen characters, so
    # the boxes show less, and now OK takes them.
    for box, what in ((NAME_EDIT, "name"), (NUMBER_EDIT, "number")):
        # The click shows in the box (its caret, its focus ring) before a person types.
        before = entry.grab(box)
        entry.click(*centre_px(box))
        t.wait_focus(entry)
        t.wait_change(entry, box, before, timeout=5)
        t.key("End")
        for _ in range(5):
            t.key("BackSpace")
        wait_for("the %s box to show five characters fewer" % what,
                 lambda: (lambda ink: ink and widths[what] - (ink[-1] - ink[0]) >= 15)(inked_columns(entry.grab(box))),
                 timeout=5)
    entry.click(*ENTRY_OK)
    t.wait_gone(entry)
