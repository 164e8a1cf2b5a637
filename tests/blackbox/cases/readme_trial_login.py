# The README's way of trying the login without a service: the test gatekeeper on this
# machine and a service.conf that names only its address (the placeholder gatekeeper names
# do not resolve), then "PC to Phone" with the account and password in My Account.  The
# gatekeeper confirms the registration and the talk log notes it, as the README says.
from blackbox import ACCOUNT, IDENTIFIER, wait_for
from common import click_control, open_options, start_past_wizard, type_into
from layout import ACCOUNT_ACCOUNT, ACCOUNT_ACCOUNT_MODE, ACCOUNT_PASSWORD, ACCOUNT_PC_TO_PHONE, OPTIONS

LEFT_AS_PLACEHOLDERS = ("gatekeeper", "fallback_gatekeeper", "fallback_gatekeeper_address", "home_page",
                        "yellow_page", "publisher_page", "banner_page")


def run(t):
    gk = t.start_gatekeeper()
    service = dict.fromkeys(LEFT_AS_PLACEHOLDERS)
    service["gatekeeper_address"] = "127.0.0.1"
    _, main = start_past_wizard(t, service=service)
    sheet = open_options(t, main)
    click_control(t, sheet, OPTIONS, ACCOUNT_PC_TO_PHONE, "PC to Phone")
    click_control(t, sheet, OPTIONS, ACCOUNT_ACCOUNT_MODE, "Account Mode")
    type_into(t, sheet, OPTIONS, ACCOUNT_ACCOUNT, ACCOUNT[0])
    type_into(t, sheet, OPTIONS, ACCOUNT_PASSWORD, ACCOUNT[1])
    sheet.click(*OPTIONS.button("OK"))
    t.wait_gone(sheet, timeout=5)
    gk.wait_line(r"^RRQ alias=03%s/%s verified=1 password=%s confirmed=1" % (IDENTIFIER, ACCOUNT[0], ACCOUNT[1]),
                 timeout=30)
    wait_for("\"Register Succeeded!\" in the talk log",
             lambda: b"Register Succeeded!" in t.read_file("Log.log"), timeout=10)
