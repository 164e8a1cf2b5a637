#include "contacts/CQuickDialDlg.h"

#include "contacts/CPhoneEntryDlg.h"
#include "platform/win/DC.h"
#include "platform/win/DataExchange.h"
#include "platform/win/WinApp.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {

constexpr UINT kBackgroundBitmap = 213;
constexpr UINT kCloseStripBitmap = 161;
constexpr UINT kEditUpBitmap = 215;
constexpr UINT kEditDownBitmap = 216;
constexpr int kCloseStripX = 129;
constexpr int kCloseStripWidth = 14;
constexpr int kRegionRight = 144;

// What a dialled number keeps: everything but spaces and line ends.
CString WithoutBlanks(CString number) {
  number.Replace(" ", "");
  number.Replace("\r", "");
  number.Replace("\n", "");
  return number;
}

}  // namespace

BEGIN_MESSAGE_MAP(CQuickDialDlg, CDialog)
  ON_WM_CTLCOLOR()
  ON_WM_DESTROY()
  ON_BN_CLICKED(CQuickDialDlg::kCloseStrip, &CQuickDialDlg::OnCloseButton)
  ON_WM_CLOSE()
  ON_STN_CLICKED(1042, &CQuickDialDlg::OnSlot1Name)
  ON_STN_CLICKED(1047, &CQuickDialDlg::OnSlot2Name)
  ON_STN_CLICKED(1050, &CQuickDialDlg::OnSlot3Name)
  ON_STN_CLICKED(1053, &CQuickDialDlg::OnSlot4Name)
  ON_STN_CLICKED(1056, &CQuickDialDlg::OnSlot5Name)
  ON_STN_CLICKED(1043, &CQuickDialDlg::OnSlot1Number)
  ON_STN_CLICKED(1048, &CQuickDialDlg::OnSlot2Number)
  ON_STN_CLICKED(1051, &CQuickDialDlg::OnSlot3Number)
  ON_STN_CLICKED(1054, &CQuickDialDlg::OnSlot4Number)
  ON_STN_CLICKED(1057, &CQuickDialDlg::OnSlot5Number)
  ON_BN_CLICKED(1046, &CQuickDialDlg::OnEditSlot1)
  ON_BN_CLICKED(1049, &CQuickDialDlg::OnEditSlot2)
  ON_BN_CLICKED(1052, &CQuickDialDlg::OnEditSlot3)
  ON_BN_CLICKED(1055, &CQuickDialDlg::OnEditSlot4)
  ON_BN_CLICKED(1058, &CQuickDialDlg::OnEditSlot5)
  ON_WM_TIMER()
END_MESSAGE_MAP()

CQuickDialDlg::CQuickDialDlg(CWnd* parent)
    : CDialog(IDD, parent), m_mainDlg(dynamic_cast<CVarloDlg*>(AfxGetMainWnd())) {
  m_panelRgn.CreateRoundRectRgn(0, 0, kRegionRight, kHeight, 0, 0);
  m_bkBitmap.LoadBitmap(kBackgroundBitmap);
  m_bkBrush.CreatePatternBrush(&m_bkBitmap);
  for (CString& number : m_numbers) number.Empty();
}

CQuickDialDlg::~CQuickDialDlg() {
  if (m_hWnd) {
    // Deleted by the main window while it goes: the labels still hold the slots.
    WriteSlots();
    m_deleteWhenGone = false;
    DestroyWindow();
  }
  if (m_mainDlg) m_mainDlg->QuickDialWindowGone(this);
}

BOOL CQuickDialDlg::Create() { return CDialog::Create(IDD, nullptr); }

void CQuickDialDlg::EndWithMainWindow() {
  m_mainDlg = nullptr;
  if (m_editing) {
    m_closeAfterEdit = true;
    return;
  }
  delete this;
}

void CQuickDialDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  for (int i = kQuickDialSlots - 1; i >= 0; --i) DDX_Control(dx, kNumberIds[i], m_numberLabels[i]);
  for (int i = kQuickDialSlots - 1; i >= 0; --i) DDX_Control(dx, kNameIds[i], m_nameLabels[i]);
  for (int i = kQuickDialSlots - 1; i >= 0; --i) DDX_Control(dx, kEditIds[i], m_editButtons[i]);
  DDX_Control(dx, kCloseStrip, m_closeButton);
  for (int i = 0; i < kQuickDialSlots; ++i) DDX_Text(dx, kNumberIds[i], m_numbers[i]);
}

BOOL CQuickDialDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  m_closeButton.LoadBitmaps(kCloseStripBitmap, kCloseStripBitmap);
  m_closeButton.SizeToContent();
  m_closeButton.SetTooltipText("Close", TRUE);
  m_closeButton.MoveWindow(kCloseStripX, 0, kCloseStripWidth, kHeight, TRUE);
  for (CSkinButton& button : m_editButtons) {
    button.LoadBitmaps(kEditUpBitmap, kEditDownBitmap);
    button.SizeToContent();
  }
  // From here on the region belongs to the window.
  SetWindowRgn(static_cast<HRGN>(m_panelRgn.Detach()), TRUE);

  ShowSlots(quickdial::Read(quickdial::FilePath(m_directory)));

  // No taskbar button.
  ModifyStyleEx(WS_EX_APPWINDOW, WS_EX_TOOLWINDOW);

  // Shown behind the main window, right edge on right edge, from where it slides out.
  CRect main;
  if (MainWindowRect(main)) {
    m_mainDlg->SetForegroundWindow();
    CRect own;
    GetWindowRect(&own);
    SetWindowPos(nullptr, main.right - own.Width(), main.top + kTopOffset, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
  }
  m_slideStep = 0;
  m_editSlot = 0;
  m_slidingOut = true;
  SetTimer(kSlideOutTimer, kSlideTimerMs);
  return TRUE;
}

BOOL CQuickDialDlg::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) return TRUE;
  if (msg->message == WM_MOUSEMOVE && (msg->hwnd == m_hWnd || ::GetParent(msg->hwnd) == m_hWnd)) {
    for (int i = 0; i < kQuickDialSlots; ++i) {
      const bool over = msg->hwnd == m_nameLabels[i].m_hWnd || msg->hwnd == m_numberLabels[i].m_hWnd;
      m_nameLabels[i].m_textColour = m_numberLabels[i].m_textColour = over ? kHoverColour : kNormalColour;
      m_nameLabels[i].Invalidate();
      m_numberLabels[i].Invalidate();
    }
  }
  return CDialog::PreTranslateMessage(msg);
}

HBRUSH CQuickDialDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) {
  HBRUSH brush = CDialog::OnCtlColor(dc, wnd, ctlColor);
  return ctlColor == CTLCOLOR_DLG ? static_cast<HBRUSH>(m_bkBrush) : brush;
}

void CQuickDialDlg::OnDestroy() {
  CDialog::OnDestroy();
  m_bkBrush.DeleteObject();
  m_bkBitmap.DeleteObject();
  if (m_mainDlg) m_mainDlg->QuickDialWindowGone(this);
}

void CQuickDialDlg::PostNcDestroy() {
  if (!m_deleteWhenGone) return;
  // An entry dialog still runs on this object: it is deleted when the dialog has ended.
  if (m_editing) {
    m_closeAfterEdit = true;
    return;
  }
  delete this;
}

void CQuickDialDlg::OnCloseButton() {
  // The strip waits until the panel has slid out, and while a slot is edited.
  if (m_slidingOut || m_slidingIn || m_editing) return;
  SetWindowPos(&wndNoTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  m_slidingIn = true;
  SetTimer(kSlideInTimer, kSlideTimerMs);
}

void CQuickDialDlg::OnClose() {
  if (m_editing) {
    m_closeAfterEdit = true;
    return;
  }
  WriteSlots();
  if (m_mainDlg && m_mainDlg->m_hWnd) ::PostMessage(m_mainDlg->m_hWnd, WM_VARLO_QUICKDIAL_CLOSED, 0, 0);
  DestroyWindow();  // the object is deleted with its window
}

void CQuickDialDlg::OnTimer(UINT_PTR id) {
  CRect main;
  const BOOL docked = MainWindowRect(main);
  // x of the panel's left edge at step s: the main window's right edge - 1 - 7 (21 - s)
  // while sliding out, and its right edge - 1 - 7 s while sliding in.
  if (id == kSlideOutTimer) {
    if (m_slideStep < kLastSlideStep) {
      ++m_slideStep;
      if (docked) {
        SetWindowPos(&wndTop, main.right - 1 - kSlidePixels * (kLastSlideStep - m_slideStep), main.top + kTopOffset,
                     kWidth, kHeight, SWP_SHOWWINDOW);
      }
    } else {
      KillTimer(kSlideOutTimer);
      m_slidingOut = false;
      m_slideStep = 0;
      SetWindowPos(&wndTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
  } else if (id == kSlideInTimer) {
    if (m_slideStep < kLastSlideStep) {
      if (docked) {
        SetWindowPos(nullptr, main.right - 1 - kSlidePixels * m_slideStep, main.top + kTopOffset, kWidth, kHeight,
                     SWP_NOZORDER | SWP_SHOWWINDOW);
      }
      ++m_slideStep;
    } else {
      KillTimer(kSlideInTimer);
      PostMessage(WM_CLOSE);
    }
  }
  CDialog::OnTimer(id);
}

QuickDialSlots CQuickDialDlg::GetSlots() const {
  QuickDialSlots slots{};
  for (int i = 0; i < kQuickDialSlots; ++i) {
    m_nameLabels[i].GetWindowText(slots[i].name);
    m_numberLabels[i].GetWindowText(slots[i].number);
  }
  return slots;
}

void CQuickDialDlg::ShowSlots(const QuickDialSlots& slots) {
  for (int i = 0; i < kQuickDialSlots; ++i) {
    m_nameLabels[i].SetWindowText(slots[i].name);
    m_numbers[i] = slots[i].number;
  }
  UpdateData(FALSE);
  Invalidate();
}

BOOL CQuickDialDlg::WriteSlots() const { return quickdial::Write(quickdial::FilePath(m_directory), GetSlots()); }

BOOL CQuickDialDlg::MainWindowRect(CRect& rect) const {
  if (!m_mainDlg || !m_mainDlg->m_hWnd) return FALSE;
  m_mainDlg->GetWindowRect(&rect);
  return TRUE;
}

void CQuickDialDlg::ClickSlot(int slot) {
  if (m_editing) return;
  UpdateData(TRUE);
  CString& number = m_numbers[slot - 1];
  number = WithoutBlanks(number);
  if (number.IsEmpty()) {
    StartEdit(slot);
    return;
  }
  if (!m_mainDlg) return;
  m_mainDlg->m_numberBox.SetWindowText(number);
  m_mainDlg->PlaceCall();  // the panel may be gone once this returns
}

void CQuickDialDlg::StartEdit(int slot) {
  if (m_editing) return;
  m_editSlot = slot;
  EditSlot();
}

BOOL CQuickDialDlg::EditSlot() {
  if (m_editSlot < 1 || m_editSlot > kQuickDialSlots || m_editing) return TRUE;
  const int index = m_editSlot - 1;
  CPhoneEntryDlg entry;
  entry.m_number = m_numbers[index];
  m_nameLabels[index].GetWindowText(entry.m_name);
  m_editing = true;
  EnableWindow(FALSE);
  const INT_PTR result = entry.DoModal();
  m_editing = false;
  if (m_hWnd) {
    EnableWindow(TRUE);
    if (result == IDOK) {
      m_numbers[index] = entry.m_number;
      m_nameLabels[index].SetWindowText(entry.m_name);
      UpdateData(FALSE);
      Invalidate();
    }
  }
  if (m_closeAfterEdit) {
    if (m_hWnd) {
      OnClose();
    } else {
      delete this;
    }
    return FALSE;
  }
  return TRUE;
}
