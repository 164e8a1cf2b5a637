# The contact book's delete confirmation for a contact whose name is 200 characters long:
# the box is as tall as its text needs, so the whole question shows, down to "Are you
# sure?", above the buttons.
import struct

from blackbox import SCREEN, check
from common import start_past_wizard
from layout import MAIN_BOOK, centre

BOOK_DELETE = centre(64, 6, 50, 14)   # template 189
NAME = "".join(chr(ord("A") + i % 26) for i in range(200))


def contact_file(records):
    """"pbook.dat": a 32-bit count, then five short archive strings a contact."""
    out = struct.pack("<I", len(records))
    for record in records:
        for text in record:
            data = text.encode()
            out += bytes([len(data)]) + data
    return out


def ink_bands(image):
    """The runs of rows that hold dark pixels (lines of text, the buttons' labels), top to
    bottom, as (first row, last row, leftmost column, rightmost column)."""
    width, height = image.size
    pixels = image.convert("L").load()
    bands, current = [], None
    for y in range(height):
        dark = [x for x in range(width) if pixels[x, y] < 100]
        if dark:
            if current is None:
                current = [y, y, dark[0], dark[-1]]
            else:
                current[1] = y
                current[2] = min(current[2], dark[0])
                current[3] = max(current[3], dark[-1])
        elif current is not None:
            bands.append(tuple(current))
            current = None
    if current is not None:
        bands.append(tuple(current))
    return bands


def run(t):
    _, main = start_past_wizard(t, files={"pbook.dat": contact_file([(NAME, "", "5551234", "", "")])})
    main.click(*MAIN_BOOK)
    book = t.wait_settled(t.wait_window("Phone Book"))
    book.click(*BOOK_DELETE)   # the book's only row is selected when it opens
    box = t.wait_settled(t.wait_window("Confirm"))
    check(box.x >= 0 and box.y >= 0 and box.x + box.width <= SCREEN[0] and box.y + box.height <= SCREEN[1],
          "%r does not lie on the screen" % box)
    # The text's lines, then (after a wider gap) the buttons' labels.
    clusters = []
    for band in ink_bands(box.grab()):
        if clusters and band[0] - clusters[-1][-1][1] <= 12:
            clusters[-1].append(band)
        else:
            clusters.append([band])
    check(len(clusters) >= 2, "no text above the buttons: %r" % clusters)
    lines = clusters[0]
    # The question is some 230 characters long: in a box at most 540 pixels wide it takes
    # three lines or more, and its ink is over a thousand pixels long in all.
    inked = sum(right - left for _, _, left, right in lines)
    check(len(lines) >= 3 and inked > 1000,
          "the box shows %d line(s) of its text, %d pixels of ink: %r" % (len(lines), inked, lines))
    heights = [bottom - top for top, bottom, _, _ in lines[1:]]
    check(heights[-1] >= min(heights), "the last line of the text is cut: %r" % lines)
