// CPhoneBookDlg: the contact book (dialog 189), a modeless window that the main window
// opens from its Book button.  It lists the mail users of the desktop's address book
// (names marked with '*', read again at each opening, never changed or stored) and the
// user's own contacts from the contact file, mails a contact through the shell and calls a
// contact's number through the main window.  Closing writes the file, tells the main
// window (WM_USER+110) and destroys the window; the object deletes itself when its window
// is gone.
#pragma once
#include <memory>

#include "contacts/CAddressBookReader.h"
#include "platform/core/CFileException.h"
#include "platform/core/CString.h"
#include "platform/win/Controls.h"
#include "platform/win/Dialog.h"
#include "platform/win/ListCtrl.h"
#include "platform/win/Menu.h"
#include "ui/CSkinButton.h"

class CVarloDlg;

class CPhoneBookDlg : public CDialog {
 public:
  enum { IDD = 189 };
  static constexpr int kContactList = 1002;
  static constexpr int kAddButton = 1003;
  static constexpr int kDeleteButton = 1004;
  static constexpr int kModifyButton = 1005;
  static constexpr int kHiddenButton = 1006;
  static constexpr int kHandleButton = 1009;
  static constexpr int kPropertyList = 1011;
  static constexpr UINT kSendMail = 32771;
  static constexpr UINT kCallBusinessTel = 32772;
  static constexpr UINT kCallHomeTel = 32773;
  static constexpr UINT kCallMobileTel = 32774;

  explicit CPhoneBookDlg(CWnd* parent = nullptr);
  ~CPhoneBookDlg() override;

  void SetBookFile(const CString& path);
  BOOL PreTranslateMessage(MSG* msg) override;

  // Whether the row came from the desktop's address book (it is then neither changed nor
  // stored).  Told by the row's item data, not by its name: a contact of the user's own
  // may well begin with '*'.
  BOOL IsAddressBookRow(int item) const;
  // Writes the user's own contacts into the contact file; FALSE (the previous file kept)
  // with the reason in `error` when it cannot.
  BOOL SaveContacts(CFileException* error = nullptr);
  void ImportAddressBookContacts();

  CListCtrl m_contactList;
  CSkinButton m_modifyButton;
  CSkinButton m_handleButton;
  CSkinButton m_deleteButton;
  CSkinButton m_addButton;
  CBitmapButton m_hiddenButton;
  CVarloDlg* m_mainDlg = nullptr;
  CString m_bookFile;
  CMenu* m_contactMenu = nullptr;
  std::unique_ptr<CAddressBookReader> m_reader;  // only during the import
  CListBox m_propertyList;

  // The commands, also reached from the pop-up menu and the double click.
  void OnAddContact();
  void OnDeleteContact();
  void OnModifyContact();
  void OnHandleButton();
  void OnSendMail();
  void OnCallBusinessTel();
  void OnCallHomeTel();
  void OnCallMobileTel();

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  void PostNcDestroy() override;
  void OnClose();
  void OnDestroy();
  void OnRClickContactList(NMHDR* header, LRESULT* result);
  void OnDblClickContactList(NMHDR* header, LRESULT* result);
  DECLARE_MESSAGE_MAP()

 private:
  int SelectedItem() const;
  void ReadContacts();
  void CallColumn(int column);
  void ShowContactMenu(int x, int y);
  void StopBox(UINT textId);

  BOOL m_fileWritten = FALSE;
};

// "mailto:" and the address, percent-encoded where it holds anything but the characters of
// an address, so that no text of a contact adds headers, attachments or a second address.
CString MailtoUrl(const CString& address);
