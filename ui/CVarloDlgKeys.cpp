// The keypad, the keyboard filter and the handset: every key ends in OnDial, which edits
// the number or, in a call, sends the key's tone.  The handset library's callbacks come from
// its own thread and are handed to the window's thread.
#include <atomic>

#include "platform/core/AppDir.h"
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

CString ClickFile(char key) {
  CString name;
  if (key == '*') {
    name = "star.wav";
  } else if (key == '#') {
    name = "hash.wav";
  } else {
    name.Format("d%c.wav", key);
  }
  return g_appDir + "dtmf/" + name;
}

}  // namespace

int g_deviceCallbackState = -1;

void CVarloDlg::OnDial(char key) {
  CString text;
  m_numberBox.GetWindowText(text);
  // The key's click, from the "dtmf" folder beside the program; a channel that does not
  // open or a missing file gives no click and changes nothing else.
  m_sound.Open(PString(m_profile.m_playDevice.GetString()), PSoundChannel::Player, 1, 8000, 16);
  if (IsToneKey(key)) m_sound.PlayFile(PString(ClickFile(key).GetString()), false);
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
  } else if (code == 40 || code == 60) {
    // The position moves even with an empty history: 40 there leaves it at -1, so that
    // once numbers are dialled, 60 starts from the newest.
    m_historyIndex += code == 40 ? -1 : 1;
    if (m_historyIndex < 0) m_historyIndex = entries - 1;
    if (m_historyIndex >= entries) m_historyIndex = 0;
    if (m_historyIndex >= 0 && m_historyIndex < entries) {
      CString entry;
      m_numberBox.GetLBText(m_historyIndex, entry);
      m_numberBox.SetWindowText(entry);
    }
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
// The handset library calls back on a thread of its own.  The callbacks only post to the
// window the handset was opened for, so its key and device handlers run on the window's
// thread; once the handset is closed, or the window is gone, a late callback reaches
// nothing.

namespace {

using PhoneOpenFn = int (*)(void (*)(int));
using PhoneBindFn = int (*)(HWND, void (*)(int, int));
using PhoneCloseFn = int (*)();

constexpr const char* kPhoneLibrary = "PhoneInt.dll";

std::atomic<HWND> g_phoneWindow{nullptr};

}  // namespace

void CVarloDlg::OpenHandset() {
  m_phoneLibrary = CodeLibrary(kPhoneLibrary);
  const auto open = m_phoneLibrary.GetFunction<PhoneOpenFn>("Phone_Open");
  if (!open) return;  // no handset
  g_phoneWindow = m_hWnd;
  open(&PhoneKeyCallback);
}

void CVarloDlg::BindHandset() {
  if (const auto bind = m_phoneLibrary.GetFunction<PhoneBindFn>("Phone_Bind")) bind(m_hWnd, &PhoneDeviceCallback);
}

void CVarloDlg::CloseHandset() {
  g_phoneWindow = nullptr;
  if (const auto close = m_phoneLibrary.GetFunction<PhoneCloseFn>("Phone_Close")) close();
  // The library stays loaded while this object lives: a library that keeps a thread
  // running after Phone_Close must not lose its code under it.
}

void PhoneKeyCallback(int code) {
  if (const HWND window = g_phoneWindow.load()) {
    ::PostMessage(window, WM_VARLO_PHONE_KEY, static_cast<WPARAM>(static_cast<UINT>(code)), 0);
  }
}

void PhoneDeviceCallback(int, int) {
  if (const HWND window = g_phoneWindow.load()) ::PostMessage(window, WM_VARLO_PHONE_DEVICE, 0, 0);
}

void RunDeviceWizard() {
  if (g_mainDlg) g_mainDlg->OnAudioWizard();
  g_deviceCallbackState = 0;
}

LRESULT CVarloDlg::OnPhoneKeyMessage(WPARAM code, LPARAM) {
  OnPhoneKey(static_cast<UINT>(code));
  return 0;
}

// The first device notice after start is ignored; one that comes while the wizard it
// started is open (its notices arrive inside the wizard's loop) is ignored too.
LRESULT CVarloDlg::OnPhoneDeviceMessage(WPARAM, LPARAM) {
  if (g_mainDlg != this || g_deviceCallbackState == 1) return 0;
  if (g_deviceCallbackState == -1) {
    g_deviceCallbackState = 0;
    return 0;
  }
  g_deviceCallbackState = 1;
  RunDeviceWizard();
  return 0;
}
