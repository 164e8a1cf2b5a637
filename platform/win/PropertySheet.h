// Property sheets and wizards.  A sheet shows one page at a time (tabs, or Back/Next/
// Finish in wizard mode); a page gets its window when it is first shown, and only pages
// with a window take part in OK and Cancel.
#pragma once
#include <memory>
#include <vector>

#include "platform/core/CString.h"
#include "platform/win/Dialog.h"

class CPropertySheet;

struct PROPSHEETPAGE {
  DWORD dwSize = sizeof(PROPSHEETPAGE);
  DWORD dwFlags = 0;
  const char* pszTitle = nullptr;
};

struct PROPSHEETHEADER {
  DWORD dwSize = sizeof(PROPSHEETHEADER);
  DWORD dwFlags = 0;
  HWND hwndParent = nullptr;
  const char* pszCaption = nullptr;
  UINT nPages = 0;
  UINT nStartPage = 0;
};

class CPropertyPage : public CDialog {
 public:
  explicit CPropertyPage(UINT templateId, UINT captionId = 0);
  // The page's tab text: the caption given, else the template's title.
  CString Caption() const;

  virtual BOOL OnSetActive() { return TRUE; }
  virtual BOOL OnKillActive() { return UpdateData(TRUE); }
  void OnOK() override {}
  void OnCancel() override {}
  virtual BOOL OnApply() {
    OnOK();
    return TRUE;
  }
  virtual BOOL OnQueryCancel() { return TRUE; }
  // 0: the next (previous) page; -1: stay; a template id: that page.
  virtual LRESULT OnWizardNext() { return 0; }
  virtual LRESULT OnWizardBack() { return 0; }
  // FALSE keeps the wizard open.
  virtual BOOL OnWizardFinish() { return TRUE; }
  void SetModified(BOOL changed = TRUE) { m_modified = changed != 0; }
  BOOL PreTranslateMessage(MSG*) override { return FALSE; }  // the sheet handles the keys

  PROPSHEETPAGE m_psp;

 private:
  friend class CPropertySheet;
  CString m_caption;
  bool m_modified = false;
};

class CPropertySheet : public CDialog {
  DECLARE_DYNAMIC(CPropertySheet)

 public:
  explicit CPropertySheet(UINT captionId, CWnd* parent = nullptr, UINT selectPage = 0);
  explicit CPropertySheet(const char* caption, CWnd* parent = nullptr, UINT selectPage = 0);
  ~CPropertySheet() override;

  void AddPage(CPropertyPage* page);
  int GetPageCount() const { return static_cast<int>(m_pages.size()); }
  CPropertyPage* GetPage(int index) const;
  CPropertyPage* GetActivePage() const;
  int GetActiveIndex() const { return m_active; }
  int GetPageIndex(const CPropertyPage* page) const;
  BOOL SetActivePage(int index);
  void SetWizardMode() { m_psh.dwFlags |= PSH_WIZARD; }
  bool IsWizard() const { return (m_psh.dwFlags & PSH_WIZARD) != 0; }
  void SetWizardButtons(DWORD flags);
  DWORD WizardButtons() const { return m_wizardButtons; }
  void SetTitle(const char* title);
  CString Title() const { return m_caption; }

  // DoModal's result: IDOK, IDCANCEL, or ID_WIZFINISH for a finished wizard.
  INT_PTR DoModal() override;
  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* msg) override;

  PROPSHEETHEADER m_psh;

 protected:
  void OnOkButton();
  void OnCancelButton();
  void OnApplyButton();
  void OnBackButton();
  void OnNextButton();
  void OnFinishButton();
  void OnHelpButton() {}
  LRESULT OnSetWizButtons(WPARAM wParam, LPARAM lParam);
  void OnTabChanging(NMHDR* header, LRESULT* result);
  void OnTabChanged(NMHDR* header, LRESULT* result);
  DECLARE_MESSAGE_MAP()

 private:
  bool Activate(int index, bool askOld);
  CRect PageArea() const;
  CString m_caption;
  std::vector<CPropertyPage*> m_pages;
  int m_active = -1;
  DWORD m_wizardButtons = PSWIZB_NEXT;
  CSize m_pageSize;
  varlo::res::DialogEntry m_template{};
};

constexpr int kSheetTabId = 0x3020;
