# A new user chooses PC to Phone on the Account page, gives the account and its password and
# presses OK: the sheet closes and the registration reaches the gatekeeper within 5 s, with
# no further input.
from blackbox import ACCOUNT, IDENTIFIER
from common import click_control, open_options, start_past_wizard, type_into
from layout import ACCOUNT_ACCOUNT, ACCOUNT_ACCOUNT_MODE, ACCOUNT_PASSWORD, ACCOUNT_PC_TO_PHONE, OPTIONS


def run(t):
    gk = t.start_gatekeeper()
    _, main = start_past_wizard(t)
    sheet = open_options(t, main)
    click_control(t, sheet, OPTIONS, ACCOUNT_PC_TO_PHONE, "PC to Phone")
    click_control(t, sheet, OPTIONS, ACCOUNT_ACCOUNT_MODE, "Account Mode")
    type_into(t, sheet, OPTIONS, ACCOUNT_ACCOUNT, ACCOUNT[0])
    type_into(t, sheet, OPTIONS, ACCOUNT_PASSWORD, ACCOUNT[1])
    before = len(gk.lines("^RRQ"))
    sheet.click(*OPTIONS.button("OK"))
    t.wait_gone(sheet, timeout=5)
    gk.wait_line(r"^RRQ alias=03%s/%s verified=1 password=%s confirmed=1" % (IDENTIFIER, ACCOUNT[0], ACCOUNT[1]),
                 timeout=5, count=before + 1)
