# A user who has logged in ends the program with its exit button: the program unregisters
# (the gatekeeper sees the URQ, so the account is free for the next start) and ends.
from blackbox import ACCOUNT, IDENTIFIER
from common import click_control, open_options, start_past_wizard, type_into
from layout import ACCOUNT_ACCOUNT, ACCOUNT_ACCOUNT_MODE, ACCOUNT_PASSWORD, ACCOUNT_PC_TO_PHONE, MAIN_CLOSE, OPTIONS


def run(t):
    gk = t.start_gatekeeper()
    program, main = start_past_wizard(t)
    sheet = open_options(t, main)
    click_control(t, sheet, OPTIONS, ACCOUNT_PC_TO_PHONE, "PC to Phone")
    click_control(t, sheet, OPTIONS, ACCOUNT_ACCOUNT_MODE, "Account Mode")
    type_into(t, sheet, OPTIONS, ACCOUNT_ACCOUNT, ACCOUNT[0])
    type_into(t, sheet, OPTIONS, ACCOUNT_PASSWORD, ACCOUNT[1])
    sheet.click(*OPTIONS.button("OK"))
    t.wait_gone(sheet, timeout=5)
    gk.wait_line(r"^RRQ alias=03%s/%s verified=1 password=%s confirmed=1" % (IDENTIFIER, ACCOUNT[0], ACCOUNT[1]),
                 timeout=10)
    t.wait_settled(main).click(*MAIN_CLOSE)
    program.wait_exit(timeout=15)
    gk.wait_line(r"^URQ count=1$", timeout=5)
