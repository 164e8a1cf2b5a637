# The desktop's address book does not answer (its program waits): the contact book opens at
# once with the user's own contact and answers a person's clicks (its Add dialog opens and
# closes again); when the address book answers, its row joins the list.
import errno
import os

from blackbox import check, dlu
from common import contact_file, start_past_wizard
from layout import centre

MAIN_BOOK = (119 + 22, 195 + 16)        # the skin's Book button (44 x 33 at 119,195)
BOOK_ADD = centre(7, 6, 50, 14)         # template 189
BOOK_LIST = dlu(7, 24) + dlu(301, 146)
ADD_CANCEL = centre(113, 107, 50, 14)   # template 201


def run(t):
    # The address book's program in the folder is one that answers only when told to.
    answer = t.file("answer")
    os.mkfifo(answer, 0o600)
    program = t.file("varlo-contacts")
    with open(program, "w") as f:
        f.write("#!/bin/sh\nread line < '%s'\n"
                "printf '6\\tzed-1\\tZed Stand\\tzed@example.org\\t555 0101\\t\\t0700 9\\n'\n" % answer)
    os.chmod(program, 0o755)
    _, main = start_past_wizard(t, files={"pbook.dat": contact_file([("Bob", "", "5551234", "", "")])})
    main.click(*MAIN_BOOK)
    book = t.wait_settled(t.wait_window("Phone Book", timeout=5))
    book.click(*BOOK_ADD)
    add = t.wait_settled(t.wait_window("Add Contact", timeout=5))
    add.click(*ADD_CANCEL)
    t.wait_gone(add, timeout=5)
    book = t.wait_settled(book)

    before = book.grab(BOOK_LIST)
    try:
        os.close(os.open(answer, os.O_WRONLY | os.O_NONBLOCK))  # the program's wait ends
    except OSError as e:
        check(e.errno != errno.ENXIO, "the address book's program no longer waits: the book gave up on it")
        raise
    t.wait_change(book, BOOK_LIST, before, timeout=5)
