# A quick-dial slot whose name and number are longer than the entry dialog's limit of 15
# characters (from the quick-dial file): the entry dialog shows both whole, and OK is
# refused with the framework's message about the limit; the dialog stays open.
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


def inked_columns(image):
    """The columns of an edit box's inside where its text put dark pixels."""
    width, height = image.size
    pixels = image.convert("L").load()
    return [x for x in range(3, width - 3) if any(pixels[x, y] < 128 for y in range(3, height - 3))]


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
    for box, what in ((NAME_EDIT, "name"), (NUMBER_EDIT, "number")):
        ink = inked_columns(entry.grab(box))
        # Twenty characters fill most of the box; fifteen of them would stop well short.
        check(ink, "the %s box is empty" % what)
        check(ink[-1] - ink[0] > box[2] * 3 // 4,
              "the %s box shows only part of its text (ink from %d to %d of %d)" % (what, ink[0], ink[-1], box[2]))

    entry.click(*ENTRY_OK)
    box = t.wait_window(lambda_title := "Varlo" if False else __import__("re").compile("."), timeout=1) if False else None
    message = wait_for("the framework's message about the limit",
                       lambda: next((w for w in t.windows() if w != entry and w.title != "Varlo 3.8"
                                     and w.id != panel.id and w.transient_for in (entry.id, 0) and
                                     w.width < 600 and w.y > 0 and w != main), None), timeout=5)
    t.screenshot("limit")
