// Message boxes.  Every box is recorded; a test hook answers boxes so that nothing waits
// on a modal box in a test.  A box asked for on another thread is shown on the
// user-interface thread, and that thread waits for the answer.  A box that ends without
// a button (its loop ended by the program's end, its window destroyed, or no toolkit to
// show it) answers OK when OK is its only button and Cancel (No) when it asks something,
// so that no question is ever answered yes for the user.
#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/WinTypes.h"

namespace varlo::win {

class MessageBoxWithdrawal;

struct MessageBoxRequest {
  HWND owner = nullptr;
  std::string text;
  std::string caption;
  UINT type = 0;
  // Set for a box its asker may take back; a hook standing in for a user who does not
  // answer can wait for it.
  const MessageBoxWithdrawal* withdrawal = nullptr;
};

using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
void SetMessageBoxHook(MessageBoxHook hook);
std::vector<MessageBoxRequest> ShownMessageBoxes();
void ClearShownMessageBoxes();
// The default button of a box (the one Enter presses: IDOK for MB_OK, ...).
int DefaultMessageBoxAnswer(UINT type);
// What a box answers when it ends without a button: IDOK for a box whose only button is
// OK, IDCANCEL for one with Cancel, IDNO for Yes/No.
int UnansweredMessageBoxAnswer(UINT type);

// Lets the asker of a box take it back from any thread, before it shows or while it is
// up (the call it asks about has ended, say): the box then ends as one closed without a
// button, and the asker, which waits for the answer or the withdrawal but never for the
// user-interface thread to come back to the box, gets the unanswered answer at once.
// Copies share one box; one box per object.
class MessageBoxWithdrawal {
 public:
  MessageBoxWithdrawal();
  void Withdraw() const;
  bool IsWithdrawn() const;
  // For a test hook: waits until the box is withdrawn or `timeout` has passed.
  bool WaitWithdrawn(std::chrono::milliseconds timeout) const;

  struct State;

 private:
  friend int ShowWithdrawable(MessageBoxRequest request, const MessageBoxWithdrawal& withdrawal);
  std::shared_ptr<State> m_state;
};
// Shows a box that `withdrawal` can take back (what AfxMessageBox with a withdrawal does).
int ShowWithdrawable(MessageBoxRequest request, const MessageBoxWithdrawal& withdrawal);

}  // namespace varlo::win

int MessageBox(HWND owner, const char* text, const char* caption, UINT type);
inline int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  return MessageBox(owner, text, caption, type);
}
// With the application's name as caption, owned by the main window.
int AfxMessageBox(const char* text, UINT type = 0, UINT helpId = 0);
int AfxMessageBox(UINT stringId, UINT type = 0, UINT helpId = 0);
// A box like AfxMessageBox's that `withdrawal` can take back (see MessageBoxWithdrawal).
int AfxMessageBox(const char* text, UINT type, const varlo::win::MessageBoxWithdrawal& withdrawal);
// Any thread: an OK box like AfxMessageBox's, shown later by the user-interface thread;
// the caller does not wait for it.  For reports of worker threads that the user-interface
// thread may be waiting for (a test hook still answers at once, on the calling thread).
void AfxMessageBoxLater(const char* text);
