// CDialog: a window built from a dialog template, run modally (DoModal, a nested message
// loop that ends on EndDialog or a quit) or modeless (Create).
#pragma once
#include <memory>
#include <vector>

#include "platform/win/ResourceData.h"
#include "platform/win/Wnd.h"

class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)

 public:
  CDialog() = default;
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  // Runs the dialog; returns what EndDialog was given, -1 when the template is missing or
  // the loop ended by a quit message.
  virtual INT_PTR DoModal();
  // Creates the dialog modeless, owned by parent's top-level window.
  virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
  // Uses a template given in memory (it must outlive the window).
  BOOL InitModalIndirect(const varlo::res::DialogEntry* dialogTemplate, CWnd* parent = nullptr);
  BOOL CreateIndirect(const varlo::res::DialogEntry* dialogTemplate, CWnd* parent = nullptr);

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  void EndDialog(int result);
  BOOL PreTranslateMessage(MSG* msg) override;
  BOOL IsDialogMessage(MSG* msg);
  void NextDlgCtrl() const;
  void PrevDlgCtrl() const;
  void GotoDlgCtrl(CWnd* control);
  void MapDialogRect(LPRECT rect) const;
  bool IsModal() const { return m_modal; }

  UINT m_nIDHelp = 0;
  UINT m_nIDTemplate = 0;
  CWnd* m_pParentWnd = nullptr;
  INT_PTR m_nModalResult = -1;

  // Creates the window and its controls from a template (no WM_INITDIALOG yet).
  static HWND CreateFromTemplate(const varlo::res::DialogEntry& t, HWND owner, CDialog* dialog);

 protected:
  LRESULT HandleInitDialog(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()

 private:
  const varlo::res::DialogEntry* Template() const;
  HWND OwnerWindow() const;
  void MoveFocus(bool forward) const;
  const varlo::res::DialogEntry* m_indirect = nullptr;
  bool m_modal = false;
  bool m_ended = false;
  std::shared_ptr<void> m_font;  // the template's font, shared by the dialog's controls
};
