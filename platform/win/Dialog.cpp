#include "platform/win/Dialog.h"

#include <algorithm>
#include <string_view>

#include "platform/win/DialogUnits.h"
#include "platform/win/Gdi.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Placement.h"
#include "platform/win/Resources.h"
#include "platform/win/WinApp.h"
#include "platform/win/WindowClass.h"

using namespace varlo::win;

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_MESSAGE(WM_INITDIALOG, &CDialog::HandleInitDialog)
  ON_COMMAND(IDOK, &CDialog::OnOK)
  ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() {
  if (m_hWnd) DestroyWindow();
}

const res::DialogEntry* CDialog::Template() const {
  return m_indirect ? m_indirect : FindDialog(AfxGetResourceHandle(), m_nIDTemplate);
}

HWND CDialog::OwnerWindow() const {
  CWnd* owner = m_pParentWnd;
  if (!owner) {
    CWnd* main = AfxGetMainWnd();
    if (main != this) owner = main;
  }
  if (!owner || !owner->m_hWnd) return nullptr;
  CWnd* top = owner->GetTopLevelParent();
  return top && top != this ? top->m_hWnd : nullptr;
}

HWND CDialog::CreateFromTemplate(const res::DialogEntry& t, HWND owner, CDialog* dialog) {
  MessageSystem& sys = MessageSystem::Instance();
  CRect rect = DialogUnitsToPixels(t.x, t.y, t.cx, t.cy);
  // A child template without a parent (a page opened on its own) becomes a pop-up.
  DWORD style = t.style;
  if ((style & WS_CHILD) && !owner) style = (style & ~WS_CHILD) | WS_POPUP;
  const bool child = (style & WS_CHILD) != 0;
  if (!child) {
    // A top-level dialog is placed relative to its owner's client area (or the screen),
    // or centred on it.
    CRect area(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    if (owner) ::GetWindowRect(owner, &area);
    if (t.style & DS_CENTER) {
      rect = CRect(CPoint(area.left + (area.Width() - rect.Width()) / 2, area.top + (area.Height() - rect.Height()) / 2),
                   rect.Size());
    } else {
      rect.OffsetRect(area.left, area.top);
    }
    rect = KeptOnScreen(rect, CSize(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
  }
  const int pixels = -MulDiv(t.pointSize > 0 ? t.pointSize : 8, 96, 72);
  HFONT font = CreateFont(pixels, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, t.fontFace);
  if (dialog) dialog->m_font = std::shared_ptr<void>(font, [](void* f) { DeleteObject(f); });
  const HWND hwnd = CreateWindowState(t.exStyle, "#32770", t.caption ? t.caption : "", style & ~WS_VISIBLE, rect,
                                      owner, 0, dialog);
  if (!hwnd) {
    if (!dialog) DeleteObject(font);
    return nullptr;
  }
  sys.CallWindow(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  for (int i = 0; i < t.controlCount; ++i) {
    const res::ControlEntry& c = t.controls[i];
    const CRect r = DialogUnitsToPixels(c.x, c.y, c.cx, c.cy);
    const HWND h = CreateWindowState(c.exStyle, c.className, c.text ? c.text : "", c.style | WS_CHILD, r, hwnd, c.id,
                                     nullptr);
    if (!h) continue;
    sys.CallWindow(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    for (const char* const* item = c.items; item && *item; ++item) {
      const UINT add = std::string_view(c.className) == "LISTBOX" ? LB_ADDSTRING : CB_ADDSTRING;
      sys.CallWindow(h, add, 0, reinterpret_cast<LPARAM>(*item));
    }
    if (c.imageId) {
      const DWORD type = c.style & SS_TYPEMASK;
      if (type == SS_ICON) {
        sys.CallWindow(h, STM_SETICON, reinterpret_cast<WPARAM>(LoadIcon(nullptr, MAKEINTRESOURCE(c.imageId))), 0);
      } else if (type == SS_BITMAP) {
        sys.CallWindow(h, STM_SETIMAGE, 0, reinterpret_cast<LPARAM>(LoadBitmap(nullptr, MAKEINTRESOURCE(c.imageId))));
      }
    }
  }
  return hwnd;
}

namespace {
HWND FirstTabStop(HWND dialog) {
  auto* w = MessageSystem::Instance().Find(dialog);
  if (!w) return nullptr;
  for (HWND c : w->children) {
    auto* cw = MessageSystem::Instance().Find(c);
    if (cw && cw->Visible() && cw->Enabled() && (cw->style & WS_TABSTOP)) return c;
  }
  return nullptr;
}
}  // namespace

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) { return OnInitDialog(); }

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::EndDialog(int result) {
  m_nModalResult = result;
  if (m_modal) {
    m_ended = true;
    MessageSystem::Instance().Wake();
  } else if (m_hWnd) {
    ShowWindow(SW_HIDE);
  }
}

BOOL CDialog::InitModalIndirect(const res::DialogEntry* dialogTemplate, CWnd* parent) {
  m_indirect = dialogTemplate;
  if (parent) m_pParentWnd = parent;
  return dialogTemplate != nullptr;
}

INT_PTR CDialog::DoModal() {
  const res::DialogEntry* t = Template();
  if (!t || m_hWnd) return -1;
  MessageSystem& sys = MessageSystem::Instance();
  const HWND owner = OwnerWindow();
  const bool ownerWasEnabled = owner && ::IsWindowEnabled(owner);
  if (ownerWasEnabled) ::EnableWindow(owner, FALSE);
  m_modal = true;
  m_ended = false;
  m_nModalResult = -1;
  bool built = CreateFromTemplate(*t, owner, this) != nullptr;
  if (built) {
    const HWND self = m_hWnd;
    const HWND focus = FirstTabStop(self);
    if (sys.CallWindow(self, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), 0) && focus && ::IsWindow(focus)) {
      ::SetFocus(focus);
    }
    if (::IsWindow(self) && !m_ended) ShowWindow(SW_SHOW);
    sys.RunLoop([this, self] { return m_ended || !::IsWindow(self); });
  }
  if (ownerWasEnabled) ::EnableWindow(owner, TRUE);
  if (m_hWnd) DestroyWindow();
  m_modal = false;
  return built ? m_nModalResult : -1;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  m_nIDTemplate = templateId;
  if (parent) m_pParentWnd = parent;
  const res::DialogEntry* t = Template();
  return t && CreateIndirect(t, parent);
}

BOOL CDialog::CreateIndirect(const res::DialogEntry* t, CWnd* parent) {
  if (!t || m_hWnd) return FALSE;
  if (parent) m_pParentWnd = parent;
  m_modal = false;
  HWND owner = nullptr;
  if (m_pParentWnd && m_pParentWnd->m_hWnd) {
    owner = (t->style & WS_CHILD) ? m_pParentWnd->m_hWnd : m_pParentWnd->GetTopLevelParent()->m_hWnd;
  }
  if (!CreateFromTemplate(*t, owner, this)) return FALSE;
  const HWND self = m_hWnd;
  // A modeless window opens beside its owner rather than over the owner's controls; one
  // that places itself does so in its initialisation, after this.
  if (owner && !(t->style & WS_CHILD) && ::IsWindowVisible(owner)) {
    CRect mine, theirs;
    ::GetWindowRect(self, &mine);
    ::GetWindowRect(owner, &theirs);
    const CRect beside =
        BesideOwner(mine, theirs, CSize(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
    if (!(beside == mine)) ::SetWindowPos(self, nullptr, beside.left, beside.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  const HWND focus = FirstTabStop(self);
  if (MessageSystem::Instance().CallWindow(self, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), 0) && focus &&
      ::IsWindow(focus)) {
    ::SetFocus(focus);
  }
  if (::IsWindow(self) && (t->style & WS_VISIBLE)) ::ShowWindow(self, SW_SHOW);
  return ::IsWindow(self);
}

void CDialog::MapDialogRect(LPRECT rect) const {
  if (!rect) return;
  *rect = DialogUnitsToPixels(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
}

void CDialog::MoveFocus(bool forward) const {
  auto* w = State();
  if (!w) return;
  std::vector<HWND> stops;
  for (HWND c : w->children) {
    auto* cw = MessageSystem::Instance().Find(c);
    if (cw && cw->Visible() && cw->Enabled() && (cw->style & WS_TABSTOP)) stops.push_back(c);
  }
  if (stops.empty()) return;
  HWND focus = ::GetFocus();
  // The focus may be inside a control (the edit field of a combo box).
  if (auto* fw = MessageSystem::Instance().Find(focus); fw && fw->IsChild() && fw->parent != m_hWnd) focus = fw->parent;
  auto it = std::find(stops.begin(), stops.end(), focus);
  size_t index = it == stops.end() ? 0 : static_cast<size_t>(it - stops.begin());
  if (it != stops.end()) index = forward ? (index + 1) % stops.size() : (index + stops.size() - 1) % stops.size();
  ::SetFocus(stops[index]);
}

void CDialog::NextDlgCtrl() const { MoveFocus(true); }
void CDialog::PrevDlgCtrl() const { MoveFocus(false); }
void CDialog::GotoDlgCtrl(CWnd* control) {
  if (control) control->SetFocus();
}

BOOL CDialog::IsDialogMessage(MSG* msg) {
  if (!msg || !m_hWnd) return FALSE;
  // Only messages for this dialog or its controls.
  bool mine = false;
  for (auto* w = MessageSystem::Instance().Find(msg->hwnd); w; w = w->IsChild() ? MessageSystem::Instance().Find(w->parent) : nullptr) {
    if (w->hwnd == m_hWnd) {
      mine = true;
      break;
    }
    if (!w->IsChild()) break;
  }
  if (!mine) return FALSE;
  if (msg->message == WM_CHAR && (msg->wParam == VK_TAB || msg->wParam == VK_ESCAPE)) return TRUE;
  if (msg->message != WM_KEYDOWN) return FALSE;
  auto* target = MessageSystem::Instance().Find(msg->hwnd);
  switch (msg->wParam) {
    case VK_TAB:
      MoveFocus(true);
      return TRUE;
    case VK_ESCAPE:
      MessageSystem::Instance().CallWindow(m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                                           reinterpret_cast<LPARAM>(::GetDlgItem(m_hWnd, IDCANCEL)));
      return TRUE;
    case VK_RETURN: {
      if (target && target->className == "EDIT" && (target->style & ES_MULTILINE) && (target->style & ES_WANTRETURN)) {
        return FALSE;
      }
      // A focused push button is pressed; otherwise the default button.
      if (target && target->className == "BUTTON" && (target->style & BS_TYPEMASK) <= BS_DEFPUSHBUTTON) {
        ::SendMessage(target->hwnd, BM_CLICK, 0, 0);
        return TRUE;
      }
      int id = IDOK;
      if (auto* w = State()) {
        for (HWND c : w->children) {
          auto* cw = MessageSystem::Instance().Find(c);
          if (cw && cw->className == "BUTTON" && (cw->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) id = cw->id;
        }
      }
      HWND button = ::GetDlgItem(m_hWnd, id);
      if (button && !::IsWindowEnabled(button)) return TRUE;
      MessageSystem::Instance().CallWindow(m_hWnd, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                                           reinterpret_cast<LPARAM>(button));
      return TRUE;
    }
    default:
      return FALSE;
  }
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
  if (msg && (msg->message == WM_KEYDOWN || msg->message == WM_CHAR)) return IsDialogMessage(msg);
  return FALSE;
}
