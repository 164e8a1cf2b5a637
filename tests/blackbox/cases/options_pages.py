# My Account's three pages, opened by a click on each tab label and by the sheet's page
# keys (Ctrl+Tab, Ctrl+Page Down, Ctrl+Page Up, Ctrl+Shift+Tab), with and without a window
# manager.
from blackbox import changed_pixels, check, wait_for
from common import open_options, start_past_wizard, wait_page
from layout import OPTIONS


def run(t):
    _, main = start_past_wizard(t)
    sheet = open_options(t, main)
    box = OPTIONS.page_box()
    pages = [sheet.grab(box)]

    def unlike_every_page_seen():
        now = sheet.grab(box)
        return now if min(changed_pixels(now, p) for p in pages) > 500 else None

    # Each tab click shows a page unlike every page seen before.
    for index in (1, 2):
        sheet.click(*OPTIONS.tab(index))
        wait_for("page %d after a click on its tab" % index, unlike_every_page_seen, timeout=5)
        pages.append(t.wait_settled(sheet).grab(box))
    sheet.click(*OPTIONS.tab(0))
    wait_page(t, sheet, pages, 0, "the Account page again after a click on its tab")

    # The page keys go round the three pages; the focus stays in the sheet after the click.
    for keys, index in (("ctrl+Tab", 1), ("ctrl+Tab", 2), ("ctrl+Tab", 0),
                        ("ctrl+Next", 1), ("ctrl+Next", 2), ("ctrl+Prior", 1), ("ctrl+shift+Tab", 0)):
        t.key(keys)
        wait_page(t, sheet, pages, index, "page %d after %s" % (index, keys))
    check(t.find("Preferences") is not None, "the sheet closed")
