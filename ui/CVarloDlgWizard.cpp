// The audio set-up wizard: from the menu, the handset, the first-run timer, and before a
// call when a sound device is missing.
#include "ui/CVarloDlg.h"

// The wizard is not part of the program yet.
void CVarloDlg::OnAudioWizard() {}

void CVarloDlg::CheckSoundDevices() {}
