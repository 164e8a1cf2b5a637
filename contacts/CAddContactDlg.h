// CAddContactDlg: the contact dialog (dialog 201) of the contact book, run modally.  In Add
// mode each OK with a name inserts a row into the book's list and the dialog stays open for
// the next contact; in Modify mode (SetEditIndex) it shows a row, replaces it on OK and
// closes.
#pragma once
#include "platform/core/CString.h"
#include "platform/win/Controls.h"
#include "platform/win/Dialog.h"

class CListCtrl;
class CPhoneBookDlg;

class CAddContactDlg : public CDialog {
 public:
  enum { IDD = 201 };
  static constexpr int kNameEdit = 1010;
  static constexpr int kEmailEdit = 1011;
  static constexpr int kBusinessTelEdit = 1012;
  static constexpr int kHomeTelEdit = 1013;
  static constexpr int kMobileTelEdit = 1014;

  explicit CAddContactDlg(CPhoneBookDlg* book);
  ~CAddContactDlg() override;

  // Modify mode for the row with this index.
  void SetEditIndex(int item) { m_editIndex = item; }

  CButton m_okButton;
  CString m_businessTel;
  CString m_email;
  CString m_homeTel;
  CString m_mobileTel;
  CString m_name;
  CListCtrl* m_contactList = nullptr;
  int m_editIndex = -1;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
};
