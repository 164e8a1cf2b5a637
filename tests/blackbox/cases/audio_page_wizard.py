# The Audio page's Audio Wizard button opens the wizard "Voice Setting" as the sheet's own:
# the X server knows it as the sheet's (WM_TRANSIENT_FOR), the sheet is disabled while it
# is open (its buttons are drawn insensitive and a click on one does nothing) and usable
# again once the wizard is cancelled.
from blackbox import check, differs, wait_for
from common import open_options, start_past_wizard
from layout import AUDIO_WIZARD_BUTTON, OPTIONS, VOICE_WIZARD


def run(t):
    _, main = start_past_wizard(t)
    sheet = open_options(t, main)
    sheet.click(*OPTIONS.tab(1))
    sheet = t.wait_settled(sheet)
    sheet.click(*OPTIONS.control(*AUDIO_WIZARD_BUTTON))
    wizard = t.wait_settled(t.wait_window("Voice Setting"))
    check(wizard.transient_for == sheet.id,
          "the wizard belongs to window 0x%x, not to the sheet 0x%x" % (wizard.transient_for, sheet.id))

    # The strip of the sheet's Cancel button that the wizard leaves uncovered.
    cx, cy = OPTIONS.button("Cancel")
    bottom = sheet.y + cy + 9
    top = wizard.y + wizard.height + 3
    check(top < bottom, "the wizard covers the sheet's buttons")
    strip = (cx - 20, top - sheet.y, 40, bottom - top)
    t.wait_settled(sheet)
    disabled = sheet.grab(strip)
    sheet.click(cx, top - sheet.y + 1)
    # The press on the disabled sheet is the window manager's too (it may give the sheet the
    # focus): once that has settled, the wizard is still above its sheet and takes a click.
    t.wait_settled(sheet)
    wizard = t.wait_settled(wizard)
    order = [w.id for w in t.stacking()]
    check(order.index(wizard.id) > order.index(sheet.id), "the click on the disabled sheet raised it over the wizard")
    wizard.click(*VOICE_WIZARD.button("Cancel"))
    t.wait_gone(wizard)
    check(t.find("Preferences") is not None, "a click on the disabled sheet's Cancel closed it")
    wait_for("the sheet's buttons to look enabled again",
             lambda: differs(sheet.grab(strip), disabled, threshold=20), timeout=5)
