#include "platform/win/PropertySheet.h"

#include <algorithm>

#include "platform/win/ControlClasses.h"
#include "platform/win/DialogUnits.h"
#include "platform/win/FrameworkText.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"
#include "platform/win/WindowClass.h"

using namespace varlo::win;

namespace {
constexpr int kMargin = 7;         // dialog units
constexpr int kTabHeight = 14;     // dialog units above a page in a tabbed sheet
constexpr int kButtonWidth = 50;   // dialog units
constexpr int kButtonHeight = 14;  // dialog units
constexpr int kButtonGap = 4;      // dialog units

struct ButtonSpec {
  int id;
  FrameworkTextId text;
  bool isDefault;
};
}  // namespace

CPropertyPage::CPropertyPage(UINT templateId, UINT captionId) : CDialog(templateId) {
  if (captionId) m_caption = AfxLoadString(captionId);
}

CString CPropertyPage::Caption() const {
  if (!m_caption.IsEmpty()) return m_caption;
  if (m_psp.pszTitle) return CString(m_psp.pszTitle);
  const res::DialogEntry* t = FindDialog(AfxGetResourceHandle(), m_nIDTemplate);
  return CString(t && t->caption ? t->caption : "");
}

BEGIN_MESSAGE_MAP(CPropertySheet, CDialog)
  ON_COMMAND(IDOK, &CPropertySheet::OnOkButton)
  ON_COMMAND(IDCANCEL, &CPropertySheet::OnCancelButton)
  ON_COMMAND(ID_APPLY_NOW, &CPropertySheet::OnApplyButton)
  ON_COMMAND(ID_WIZBACK, &CPropertySheet::OnBackButton)
  ON_COMMAND(ID_WIZNEXT, &CPropertySheet::OnNextButton)
  ON_COMMAND(ID_WIZFINISH, &CPropertySheet::OnFinishButton)
  ON_COMMAND(IDHELP, &CPropertySheet::OnHelpButton)
  ON_MESSAGE(PSM_SETWIZBUTTONS, &CPropertySheet::OnSetWizButtons)
  ON_NOTIFY(TCN_SELCHANGING, kSheetTabId, &CPropertySheet::OnTabChanging)
  ON_NOTIFY(TCN_SELCHANGE, kSheetTabId, &CPropertySheet::OnTabChanged)
END_MESSAGE_MAP()

CPropertySheet::CPropertySheet(UINT captionId, CWnd* parent, UINT selectPage)
    : CPropertySheet(AfxLoadString(captionId).GetString(), parent, selectPage) {}

CPropertySheet::CPropertySheet(const char* caption, CWnd* parent, UINT selectPage) : m_caption(caption) {
  m_pParentWnd = parent;
  m_psh.nStartPage = selectPage;
}

CPropertySheet::~CPropertySheet() {
  if (m_hWnd) DestroyWindow();
}

void CPropertySheet::AddPage(CPropertyPage* page) {
  if (page) m_pages.push_back(page);
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
  return index >= 0 && index < GetPageCount() ? m_pages[static_cast<size_t>(index)] : nullptr;
}

CPropertyPage* CPropertySheet::GetActivePage() const { return GetPage(m_active); }

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const {
  auto it = std::find(m_pages.begin(), m_pages.end(), page);
  return it == m_pages.end() ? -1 : static_cast<int>(it - m_pages.begin());
}

void CPropertySheet::SetTitle(const char* title) {
  m_caption = title ? title : "";
  if (m_hWnd) SetWindowText(m_caption.GetString());
}

INT_PTR CPropertySheet::DoModal() {
  if (m_pages.empty()) return -1;
  int cx = 0, cy = 0;
  for (CPropertyPage* page : m_pages) {
    if (const res::DialogEntry* t = FindDialog(AfxGetResourceHandle(), page->m_nIDTemplate)) {
      cx = std::max<int>(cx, t->cx);
      cy = std::max<int>(cy, t->cy);
    }
  }
  m_pageSize = CSize(cx, cy);
  const int top = IsWizard() ? kMargin : kMargin + kTabHeight;
  m_template = res::DialogEntry{0,  WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 0, 0, 0,
                                static_cast<short>(cx + 2 * kMargin),
                                static_cast<short>(top + cy + kMargin + kButtonHeight + kMargin),
                                m_caption.GetString(), "MS Sans Serif", 8, nullptr, 0};
  InitModalIndirect(&m_template, m_pParentWnd);
  m_active = -1;
  const INT_PTR result = CDialog::DoModal();
  m_active = -1;
  return result;
}

CRect CPropertySheet::PageArea() const {
  const int top = IsWizard() ? kMargin : kMargin + kTabHeight;
  return DialogUnitsToPixels(kMargin, top, m_pageSize.cx, m_pageSize.cy);
}

BOOL CPropertySheet::OnInitDialog() {
  const HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
  auto make = [&](const char* cls, const char* text, DWORD style, const CRect& r, int id) {
    HWND h = CreateWindowState(0, cls, text, WS_CHILD | WS_VISIBLE | style, r, m_hWnd, id, nullptr);
    if (h) ::SendMessage(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return h;
  };
  if (!IsWizard()) {
    const CRect tabs = DialogUnitsToPixels(kMargin, kMargin / 2, m_pageSize.cx, kTabHeight + kMargin / 2);
    HWND tab = make("SysTabControl32", "", 0, tabs, kSheetTabId);
    if (auto* t = MessageSystem::Instance().Find(tab)) {
      if (auto* data = t->As<TabClass>()) {
        for (CPropertyPage* page : m_pages) {
          const CString caption = page->Caption();
          data->tabs.push_back(caption.GetString());
          data->widths.push_back(6 * caption.GetLength() + 16);
        }
      }
    }
  }
  std::vector<ButtonSpec> buttons;
  if (IsWizard()) {
    buttons = {{ID_WIZBACK, kTextBack, false}, {ID_WIZNEXT, kTextNext, true}, {ID_WIZFINISH, kTextFinish, false},
               {IDCANCEL, kTextCancel, false}};
  } else {
    buttons = {{IDOK, kTextOk, true}, {IDCANCEL, kTextCancel, false}};
    if (!(m_psh.dwFlags & PSH_NOAPPLYNOW)) buttons.push_back({ID_APPLY_NOW, kTextApply, false});
  }
  if (m_psh.dwFlags & PSH_HASHELP) buttons.push_back({IDHELP, kTextHelp, false});
  const int top = (IsWizard() ? kMargin : kMargin + kTabHeight) + m_pageSize.cy + kMargin;
  // Next and Finish share one place; the other buttons line up to the right.
  int slots = static_cast<int>(buttons.size()) - (IsWizard() ? 1 : 0);
  int x = kMargin + m_pageSize.cx - slots * kButtonWidth - (slots - 1) * kButtonGap;
  for (const ButtonSpec& b : buttons) {
    if (b.id == ID_WIZFINISH) x -= kButtonWidth + kButtonGap;
    const CRect r = DialogUnitsToPixels(x, top, kButtonWidth, kButtonHeight);
    const DWORD style = WS_TABSTOP | (b.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    // The framework's buttons speak the language of the resources in force.
    HWND h = make("BUTTON", FrameworkText(b.text), style, r, b.id);
    if (b.id == ID_APPLY_NOW) ::EnableWindow(h, FALSE);
    if (b.id == ID_WIZFINISH) ::ShowWindow(h, SW_HIDE);
    x += kButtonWidth + kButtonGap;
  }
  if (IsWizard()) SetWizardButtons(PSWIZB_NEXT);
  const int start = std::clamp(static_cast<int>(m_psh.nStartPage), 0, GetPageCount() - 1);
  Activate(start, false);
  return TRUE;
}

bool CPropertySheet::Activate(int index, bool askOld) {
  CPropertyPage* page = GetPage(index);
  if (!page) return false;
  CPropertyPage* old = GetActivePage();
  if (old == page) return true;
  if (old && askOld && !old->OnKillActive()) return false;
  if (!page->m_hWnd) {
    const res::DialogEntry* t = FindDialog(AfxGetResourceHandle(), page->m_nIDTemplate);
    if (!t) return false;
    // The page's template as a child of the sheet.
    auto* copy = new res::DialogEntry(*t);
    copy->style = (t->style & ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE | DS_CENTER)) | WS_CHILD;
    copy->x = copy->y = 0;
    page->m_pParentWnd = this;
    const HWND h = CDialog::CreateFromTemplate(*copy, m_hWnd, page);
    delete copy;
    if (!h) return false;
    const CRect area = PageArea();
    ::MoveWindow(h, area.left, area.top, area.Width(), area.Height(), FALSE);
    MessageSystem::Instance().CallWindow(h, WM_INITDIALOG, 0, 0);
  }
  if (old && old->m_hWnd) old->ShowWindow(SW_HIDE);
  m_active = index;
  page->ShowWindow(SW_SHOW);
  if (auto* t = MessageSystem::Instance().Find(::GetDlgItem(m_hWnd, kSheetTabId))) {
    if (auto* data = t->As<TabClass>()) {
      data->cursel = index;
      t->Changed(kChangeContent);
    }
  }
  page->OnSetActive();
  return true;
}

BOOL CPropertySheet::SetActivePage(int index) { return Activate(index, true); }

void CPropertySheet::SetWizardButtons(DWORD flags) {
  m_wizardButtons = flags;
  if (!m_hWnd) return;
  const bool finish = (flags & (PSWIZB_FINISH | PSWIZB_DISABLEDFINISH)) != 0;
  ::EnableWindow(::GetDlgItem(m_hWnd, ID_WIZBACK), (flags & PSWIZB_BACK) != 0);
  HWND next = ::GetDlgItem(m_hWnd, ID_WIZNEXT), done = ::GetDlgItem(m_hWnd, ID_WIZFINISH);
  ::ShowWindow(next, finish ? SW_HIDE : SW_SHOW);
  ::EnableWindow(next, (flags & PSWIZB_NEXT) != 0);
  ::ShowWindow(done, finish ? SW_SHOW : SW_HIDE);
  ::EnableWindow(done, (flags & PSWIZB_FINISH) != 0);
  // The shown one of the two is the default button.
  ::SendMessage(next, BM_SETSTYLE, finish ? BS_PUSHBUTTON : BS_DEFPUSHBUTTON, TRUE);
  ::SendMessage(done, BM_SETSTYLE, finish ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

LRESULT CPropertySheet::OnSetWizButtons(WPARAM, LPARAM lParam) {
  SetWizardButtons(static_cast<DWORD>(lParam));
  return 0;
}

void CPropertySheet::OnOkButton() {
  if (CPropertyPage* active = GetActivePage(); active && !active->OnKillActive()) return;
  for (CPropertyPage* page : m_pages) {
    if (page->m_hWnd && !page->OnApply()) return;
  }
  EndDialog(IDOK);
}

void CPropertySheet::OnCancelButton() {
  if (CPropertyPage* active = GetActivePage(); active && !active->OnQueryCancel()) return;
  for (CPropertyPage* page : m_pages) {
    if (page->m_hWnd) page->OnCancel();
  }
  EndDialog(IDCANCEL);
}

void CPropertySheet::OnApplyButton() {
  if (CPropertyPage* active = GetActivePage(); active && !active->OnKillActive()) return;
  for (CPropertyPage* page : m_pages) {
    if (page->m_hWnd) page->OnApply();
  }
}

void CPropertySheet::OnBackButton() {
  CPropertyPage* page = GetActivePage();
  if (!page) return;
  const LRESULT r = page->OnWizardBack();
  if (r == -1) return;
  int target = m_active - 1;
  if (r != 0) {
    for (int i = 0; i < GetPageCount(); ++i) {
      if (m_pages[static_cast<size_t>(i)]->m_nIDTemplate == static_cast<UINT>(r)) target = i;
    }
  }
  Activate(target, true);
}

void CPropertySheet::OnNextButton() {
  CPropertyPage* page = GetActivePage();
  if (!page) return;
  const LRESULT r = page->OnWizardNext();
  if (r == -1) return;
  int target = m_active + 1;
  if (r != 0) {
    for (int i = 0; i < GetPageCount(); ++i) {
      if (m_pages[static_cast<size_t>(i)]->m_nIDTemplate == static_cast<UINT>(r)) target = i;
    }
  }
  Activate(target, true);
}

void CPropertySheet::OnFinishButton() {
  CPropertyPage* page = GetActivePage();
  if (page && !page->OnWizardFinish()) return;
  EndDialog(ID_WIZFINISH);
}

void CPropertySheet::OnTabChanging(NMHDR*, LRESULT* result) {
  CPropertyPage* active = GetActivePage();
  *result = active && !active->OnKillActive() ? TRUE : FALSE;
}

void CPropertySheet::OnTabChanged(NMHDR*, LRESULT* result) {
  if (auto* t = MessageSystem::Instance().Find(::GetDlgItem(m_hWnd, kSheetTabId))) {
    if (auto* data = t->As<TabClass>()) Activate(data->cursel, false);
  }
  *result = 0;
}

BOOL CPropertySheet::PreTranslateMessage(MSG* msg) {
  // The page keys of a tabbed sheet: Ctrl+Tab and Ctrl+Page Down show the next page,
  // Ctrl+Shift+Tab and Ctrl+Page Up the previous one, round the tabs.
  if (msg && msg->message == WM_KEYDOWN && !IsWizard() && ::GetKeyState(VK_CONTROL) < 0 && GetPageCount() > 1 &&
      (msg->wParam == VK_TAB || msg->wParam == VK_NEXT || msg->wParam == VK_PRIOR)) {
    bool mine = false;
    for (auto* w = MessageSystem::Instance().Find(msg->hwnd); w; w = w->IsChild() ? MessageSystem::Instance().Find(w->parent) : nullptr) {
      if (w->hwnd == m_hWnd) mine = true;
    }
    if (mine) {
      const bool back = msg->wParam == VK_PRIOR || (msg->wParam == VK_TAB && ::GetKeyState(VK_SHIFT) < 0);
      const int count = GetPageCount();
      SetActivePage((m_active + (back ? count - 1 : 1)) % count);
      return TRUE;
    }
  }
  return CDialog::PreTranslateMessage(msg);
}

