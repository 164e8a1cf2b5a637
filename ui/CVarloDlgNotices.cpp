// Notices about the program's own state that the user must see.
#include "platform/win/MessageBox.h"
#include "platform/win/Resources.h"
#include "ui/CVarloDlg.h"
#include "ui/NoticeTexts.h"

// The call port is held by another program: calls can still be made, but none can come in.
LRESULT CVarloDlg::OnListenerTaken(WPARAM, LPARAM) {
  MessageBox(AfxLoadString(kIdsListenerTaken), AfxLoadString(kIdsProgramTitle), MB_OK | MB_ICONWARNING);
  return 0;
}
