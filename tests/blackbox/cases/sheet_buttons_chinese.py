# The buttons that the framework puts on the audio wizard (Back, Next, Cancel) and on the
# options sheet (OK, Cancel, Help) speak the chosen language: started in Simplified and in
# Traditional Chinese (Varlo.ini), each button shows another label than it does in
# English, and OK and Help differ between the two (确定 and 確定, 帮助 and 說明), as the
# languages' own resources give them.
import os

from blackbox import changed_pixels, check
from layout import MAIN_MY_ACCOUNT, OPTIONS, VOICE_WIZARD

# The captions of the wizard and the sheet (strings 153 and 102) in each language.
LANGUAGES = [("0", "Voice Setting", "Preferences"), ("1", "语音设置", "首选项"), ("2", "語音設定", "偏好設定")]
WIZARD_BUTTONS = ["Back", "Next", "Cancel"]
SHEET_BUTTONS = ["OK", "Cancel", "Help"]
HALF = (33, 9)  # half a button of 50 x 14 dialog units, less its frame


def labels(window, sheet, names):
    """The insides of the buttons, by name."""
    out = {}
    for name in names:
        x, y = sheet.button(name)
        out[name] = window.grab((x - HALF[0], y - HALF[1], 2 * HALF[0], 2 * HALF[1]))
    return out


def looks(t, ini, wizard_title, sheet_title):
    """Starts the program in a language as at a first start (no audio settings, so that the
    wizard opens); its wizard's and its sheet's button labels."""
    if os.path.exists(t.file("audio.dat")):
        os.remove(t.file("audio.dat"))
    program = t.start(files={"Varlo.ini": ini})
    wizard = t.wait_settled(t.wait_window(wizard_title))
    seen = labels(wizard, VOICE_WIZARD, WIZARD_BUTTONS)
    wizard.click(*VOICE_WIZARD.button("Cancel"))
    t.wait_gone(wizard)
    main = t.wait_settled(t.wait_window("Varlo 3.8"))
    main.click(*MAIN_MY_ACCOUNT)
    sheet = t.wait_settled(t.wait_window(sheet_title))
    seen.update({"sheet " + k: v for k, v in labels(sheet, OPTIONS, SHEET_BUTTONS).items()})
    sheet.click(*OPTIONS.button("Cancel"))
    t.wait_gone(sheet)
    program.terminate()
    program.wait_exit()
    return seen


def run(t):
    seen = {ini: looks(t, ini, wizard_title, sheet_title) for ini, wizard_title, sheet_title in LANGUAGES}
    english = seen["0"]
    for ini, _, sheet_title in LANGUAGES[1:]:
        for name, image in seen[ini].items():
            check(changed_pixels(image, english[name]) > 40,
                  "the %s button shows its English label in %r" % (name, sheet_title))
    for name in ("sheet OK", "sheet Help"):
        check(changed_pixels(seen["1"][name], seen["2"][name]) > 20,
              "the %s button shows the same label in Simplified and Traditional Chinese" % name)
