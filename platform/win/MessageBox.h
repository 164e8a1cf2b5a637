// Message boxes.  Every box is recorded; a test hook answers boxes so that nothing waits
// on a modal box in a test, and without a toolkit the default button answers.  A box
// asked for on another thread is shown on the user-interface thread, and that thread
// waits for the answer.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/win/WinTypes.h"

namespace varlo::win {

struct MessageBoxRequest {
  HWND owner = nullptr;
  std::string text;
  std::string caption;
  UINT type = 0;
};

using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
void SetMessageBoxHook(MessageBoxHook hook);
std::vector<MessageBoxRequest> ShownMessageBoxes();
void ClearShownMessageBoxes();
// The button a box gives when it is dismissed without a choice (IDOK for MB_OK, ...).
int DefaultMessageBoxAnswer(UINT type);

}  // namespace varlo::win

int MessageBox(HWND owner, const char* text, const char* caption, UINT type);
inline int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  return MessageBox(owner, text, caption, type);
}
// With the application's name as caption, owned by the main window.
int AfxMessageBox(const char* text, UINT type = 0, UINT helpId = 0);
int AfxMessageBox(UINT stringId, UINT type = 0, UINT helpId = 0);
// Any thread: an OK box like AfxMessageBox's, shown later by the user-interface thread;
// the caller does not wait for it.  For reports of worker threads that the user-interface
// thread may be waiting for (a test hook still answers at once, on the calling thread).
void AfxMessageBoxLater(const char* text);
