"""Where the program's dialogs put what a person clicks, in pixels of a window's client
area: dialog templates in dialog units (blackbox.dlu), pages placed in their sheet, and the
buttons the sheets add.  A case names controls by these places, as a person finds them by
sight."""

from blackbox import dlu

MARGIN = 7             # dialog units around a sheet's page
TAB_HEIGHT = 14        # dialog units of the tab row above a tabbed sheet's page
BUTTON = (50, 14)      # a sheet's button, dialog units
BUTTON_GAP = 4


def centre(x, y, w, h):
    """The centre of a box given in dialog units."""
    left, top = dlu(x, y)
    width, height = dlu(w, h)
    return left + width // 2, top + height // 2


class Sheet:
    """A property sheet (tabs above the pages) or a wizard, with the page size of its
    largest template and its buttons, left to right."""

    def __init__(self, page_size, wizard, tabs=(), buttons=None):
        self.page_size = page_size
        self.wizard = wizard
        self.tabs = list(tabs)
        self.page_top = MARGIN if wizard else MARGIN + TAB_HEIGHT
        if buttons is None:
            buttons = ["Back", "Next", "Cancel"] if wizard else ["OK", "Cancel"]
        self.buttons = buttons

    def page_origin(self):
        return dlu(MARGIN, self.page_top)

    def control(self, x, y, w, h):
        """The centre of a page's control given by its template box."""
        ox, oy = self.page_origin()
        cx, cy = centre(x, y, w, h)
        return ox + cx, oy + cy

    def page_box(self):
        """The page area: x, y, width, height in pixels."""
        ox, oy = self.page_origin()
        w, h = dlu(*self.page_size)
        return ox, oy, w, h

    def button(self, name):
        """A button's centre; a wizard's Finish stands where Next does."""
        if name == "Finish":
            name = "Next"
        index = self.buttons.index(name)
        slots = len(self.buttons)
        x = MARGIN + self.page_size[0] - slots * BUTTON[0] - (slots - 1) * BUTTON_GAP
        x += index * (BUTTON[0] + BUTTON_GAP)
        return centre(x, self.page_top + self.page_size[1] + MARGIN, *BUTTON)

    def tab(self, index):
        """The centre of a tab label; each tab is 6 pixels a character and 16 more wide, in a
        row that starts 2 pixels into the tab control."""
        left, top = dlu(MARGIN, MARGIN // 2)
        x = left + 2
        for caption in self.tabs[:index]:
            x += 6 * len(caption) + 16
        return x + (6 * len(self.tabs[index]) + 16) // 2, top + 12

    def tab_row(self):
        """The box of the tab row: x, y, width, height in pixels."""
        left, top = dlu(MARGIN, MARGIN // 2)
        return left, top, dlu(self.page_size[0], 0)[0], 24


# The audio set-up wizard (templates 207 to 210, 260 x 122 at most).
VOICE_WIZARD = Sheet((260, 122), wizard=True)
# The options sheet "Preferences" (templates 183, 184, 205, 230 x 131 each).
OPTIONS = Sheet((230, 131), wizard=False, tabs=["Account", "Audio", "Options"], buttons=["OK", "Cancel", "Help"])

# The main window's face (skin): the places of its buttons, in pixels of its client area.
MAIN_MY_ACCOUNT = (61, 247)
MAIN_MY_ACCOUNT_FACE = (33, 240, 57, 15)  # the My Account button's face (bitmap 129), a text
MAIN_MENU = (17, 16)                   # the "M" button (18 x 18 at 8,7)
MAIN_CALL = (49, 211)                  # the Call button (49 x 33 at 25,195)
MAIN_CLOSE = (450, 16)
MAIN_STATUS = (30, 120, 200, 45)   # the two status lines of the panel: x, y, width, height
MAIN_BOOK = (141, 211)             # the Book button (bitmap 130, 44 x 33, at 119,195)
MAIN_QUICK_DIAL = (463, 148)       # the side button that opens the quick-dial strip (456,34, 14 x 228)
MAIN_NUMBER_BOX = (60, 63)         # the number box's edit field (38,59, 124 x 9)
MAIN_NUMBER_LINE = (35, 88, 190, 17)   # the panel's first line, the number called
MAIN_MODE_LINE = (35, 125, 190, 17)    # the panel's third line, the call type
MAIN_STATUS_LINE = (35, 143, 190, 17)  # the panel's fourth line, the status
MAIN_DURATION = (170, 61, 52, 13)      # the call-duration display

# The Account page (template 183): its controls' boxes in dialog units.
ACCOUNT_PC_TO_PHONE = (17, 22, 60, 10)
ACCOUNT_PC_TO_PC = (96, 23, 48, 10)
ACCOUNT_ACCOUNT_MODE = (17, 40, 64, 9)
ACCOUNT_CARD_MODE = (17, 91, 52, 9)
ACCOUNT_ACCOUNT = (97, 53, 112, 12)
ACCOUNT_PASSWORD = (97, 70, 112, 12)
ACCOUNT_PIN = (97, 104, 112, 12)
# The Audio page (template 184) and the Options page (template 205).
AUDIO_WIZARD_BUTTON = (163, 72, 58, 14)
OPTIONS_LANGUAGE = (57, 23, 95, 12)
