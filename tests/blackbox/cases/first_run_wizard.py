# A first start in an empty folder opens the audio set-up wizard by itself; a person picks
# another playback device on its first page and walks it through its four pages with clicks
# on Next, then ends it with Finish.  Each page must appear, the wizard must close on Finish,
# and the device chosen must be in the profile that the program writes when it ends.
from blackbox import check
from layout import VOICE_WIZARD as WIZARD

PLAYBACK_LIST = (115, 61, 94, 12)  # template 207's list 1030, as shown closed


def run(t):
    program = t.start()
    main = t.wait_window("Varlo 3.8")
    wizard = t.wait_settled(t.wait_window("Voice Setting"))
    page = WIZARD.page_box()
    # The list holds the devices in the order the sound system names them; "default" is
    # the last and is preselected, the playback device "varlo_out_b" is the one above it.
    before = wizard.grab(page)
    t.choose_from_list(wizard, *WIZARD.control(*PLAYBACK_LIST), moves=-1)
    t.wait_change(wizard, page, before, timeout=5)
    for _ in ("Test  WaveOut", "Test WaveIn", "End"):
        wizard = t.wait_settled(wizard)
        before = wizard.grab(page)
        wizard.click(*WIZARD.button("Next"))
        t.wait_change(wizard, page, before, timeout=5)
    wizard = t.wait_settled(wizard)
    wizard.click(*WIZARD.button("Finish"))
    t.wait_gone(wizard, timeout=5)

    # The main window's own close button ends the program, which then writes its files.
    main = t.wait_settled(main)
    main.click(main.width - 20, 15)
    program.wait_exit(15)
    audio = t.read_file("audio.dat")
    check(b"varlo_out_b" in audio, "audio.dat does not name the playback device chosen: %r" % audio)
