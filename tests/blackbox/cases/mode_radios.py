# The Account page's two call-type radio buttons show their own states: on a first start
# "PC to PC" is selected and "PC to Phone" is not, so their marks differ; a click on
# "PC to Phone" swaps the two marks.
from blackbox import changed_pixels, check, dlu
from common import click_control, open_options, start_past_wizard
from layout import ACCOUNT_PC_TO_PC, ACCOUNT_PC_TO_PHONE, OPTIONS


def mark(sheet, box):
    """The radio button's mark: the left end of its box, as high as the box."""
    ox, oy = OPTIONS.page_origin()
    x, y = dlu(box[0], box[1])
    h = dlu(0, box[3])[1]
    return sheet.grab((ox + x, oy + y - 1, h + 2, h + 2))


def run(t):
    _, main = start_past_wizard(t)
    sheet = open_options(t, main)
    phone, pc = mark(sheet, ACCOUNT_PC_TO_PHONE), mark(sheet, ACCOUNT_PC_TO_PC)
    check(changed_pixels(phone, pc) > 10, "PC to Phone and PC to PC look alike (both selected or neither)")
    click_control(t, sheet, OPTIONS, ACCOUNT_PC_TO_PHONE, "PC to Phone")
    sheet.move_pointer(sheet.width - 2, sheet.height - 2)  # no hover look
    sheet = t.wait_settled(sheet)
    phone2, pc2 = mark(sheet, ACCOUNT_PC_TO_PHONE), mark(sheet, ACCOUNT_PC_TO_PC)
    check(changed_pixels(phone2, pc) <= 10 and changed_pixels(pc2, phone) <= 10,
          "after a click on PC to Phone the marks did not swap (%d and %d pixels differ)"
          % (changed_pixels(phone2, pc), changed_pixels(pc2, phone)))
