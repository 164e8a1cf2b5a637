// The keypad, the keyboard filter and the handset: every key ends in OnDial, which edits
// the number or, in a call, sends the key's tone.  The handset library's callbacks come from
// its own thread and are handed to the window's thread.
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {

constexpr int kFocusFieldMaxHeight = 20;  // the number box's edit field
constexpr int kFocusFieldMinWidth = 80;

// The character a key-down gives the keypad routine, or 0 for a key it does not take.
char KeyboardCharacter(UINT vk) {
  if (vk == VK_BACK) return '\b';
  if (vk >= '0' && vk <= '9') return static_cast<char>(vk);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return static_cast<char>('0' + (vk - VK_NUMPAD0));
  if (vk == VK_MULTIPLY) return '*';
  if (vk == VK_DECIMAL || vk == VK_OEM_PERIOD) return '.';
  return 0;
}

bool IsToneKey(char c) { return (c >= '0' && c <= '9') || c == '*' || c == '#'; }

}  // namespace

int g_deviceCallbackState = -1;

void CVarloDlg::OnDial(char key) {
  CString text;
  m_numberBox.GetWindowText(text);
  if (m_endpoint.IsIdle()) {
    if (key == '\b') {
      if (!text.IsEmpty()) text = text.Left(text.GetLength() - 1);
    } else {
      text += key;
    }
  } else if (IsToneKey(key)) {
    text += key;
    m_endpoint.SendTone(key);
  }
  m_numberBox.SetWindowText(text);
}

void CVarloDlg::OnKey0() { OnDial('0'); }
void CVarloDlg::OnKey1() { OnDial('1'); }
void CVarloDlg::OnKey2() { OnDial('2'); }
void CVarloDlg::OnKey3() { OnDial('3'); }
void CVarloDlg::OnKey4() { OnDial('4'); }
void CVarloDlg::OnKey5() { OnDial('5'); }
void CVarloDlg::OnKey6() { OnDial('6'); }
void CVarloDlg::OnKey7() { OnDial('7'); }
void CVarloDlg::OnKey8() { OnDial('8'); }
void CVarloDlg::OnKey9() { OnDial('9'); }
void CVarloDlg::OnKeyStar() { OnDial('*'); }
void CVarloDlg::OnKeyHash() { OnDial('#'); }

BOOL CVarloDlg::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_MOUSEMOVE && msg->hwnd == m_exitButton.m_hWnd && !m_exitHover) {
    m_exitHover = 1;
    m_exitButton.LoadBitmaps(259, 131);
    m_exitButton.SizeToContent();
    m_exitButton.Invalidate();
  }
  if (msg->message != WM_KEYDOWN) return CDialog::PreTranslateMessage(msg);
  const UINT vk = static_cast<UINT>(msg->wParam);
  // Escape never closes the main window and Space never presses a focused button.
  if (vk == VK_ESCAPE || vk == VK_SPACE) return TRUE;
  if (vk == VK_RETURN) {
    if (m_endpoint.IsIdle()) PlaceCall();
    return TRUE;
  }
  if (CWnd* focus = CWnd::GetFocus()) {
    CRect client;
    focus->GetClientRect(&client);
    if (client.Height() <= kFocusFieldMaxHeight && client.Width() >= kFocusFieldMinWidth) {
      return CDialog::PreTranslateMessage(msg);
    }
  }
  if (const char c = KeyboardCharacter(vk)) {
    OnDial(c);
    return TRUE;
  }
  return CDialog::PreTranslateMessage(msg);
}

void CVarloDlg::OnPhoneKey(UINT code) {
  ShowWindow(SW_SHOWNORMAL);
  const int entries = m_numberBox.GetCount();
  if (code <= 9) {
    OnDial(static_cast<char>('0' + code));
  } else if (code == 20) {
    OnDial('*');
  } else if (code == 21) {
    OnDial('#');
  } else if (code == 30) {
    if (m_endpoint.IsIdle()) {
      OnDial('\b');
    } else {
      OnHang();
    }
  } else if ((code == 40 || code == 60) && entries > 0) {
    m_historyIndex += code == 40 ? -1 : 1;
    if (m_historyIndex < 0) m_historyIndex = entries - 1;
    if (m_historyIndex >= entries) m_historyIndex = 0;
    CString entry;
    m_numberBox.GetLBText(m_historyIndex, entry);
    m_numberBox.SetWindowText(entry);
  } else if (code == 50) {
    if (m_endpoint.IsIdle()) {
      CString number = m_numberBox.TakeNumber();
      if (number.IsEmpty() && m_numberBox.GetCount() > 0) m_numberBox.GetLBText(0, number);
      m_numberBox.SetWindowText(number);
    }
    OnCall();
  }
}

// --- handset ---
// The handset library is not part of the program yet: no handset is opened.

void CVarloDlg::OpenHandset() {}
void CVarloDlg::BindHandset() {}
void CVarloDlg::CloseHandset() {}

void PhoneKeyCallback(int) {}
void PhoneDeviceCallback(int, int) {}
void RunDeviceWizard() {}

LRESULT CVarloDlg::OnPhoneKeyMessage(WPARAM code, LPARAM) {
  OnPhoneKey(static_cast<UINT>(code));
  return 0;
}

LRESULT CVarloDlg::OnPhoneDeviceMessage(WPARAM, LPARAM) { return 0; }
