// CPhoneBookDlg: the contact book (dialog 189), a modeless window that the main window
// opens from its Book button.  It lists the mail users of the desktop's address book
// (names marked with '*', read again at each opening, never changed or stored) and the
// user's own contacts from the contact file, mails a contact through the shell and calls a
// contact's number through the main window.  Closing writes the file, tells the main
// window (WM_USER+110) and destroys the window; the object deletes itself when its window
// is gone.
//
// The address book is read on a thread of its own (CAddressBookLoad): the book shows the
// user's own contacts at once and stays live; the address-book rows join the list when
// the address book answers, once no question or dialog of the book is open (one would
// hold the index of a row).
#pragma once
#include <memory>
#include <optional>

#include "contacts/CAddressBookLoad.h"
#include "contacts/CAddressBookReader.h"
#include "contacts/ContactFile.h"
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
  // Posted by the address-book reading when the address book has answered.
  static constexpr UINT kAddressBookRead = WM_APP + 189;

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
  // Adds the rows of the address book that m_reader has opened.
  void ImportAddressBookContacts();
  // Whether the address book's answer is still awaited (or held back by an open question).
  BOOL IsReadingAddressBook() const { return m_addressBookLoad != nullptr; }
  // Whether the answer has come and waits for the question or dialog that is open.
  BOOL IsHoldingAddressBookAnswer() const { return m_addressBookAnswered; }

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
  LRESULT OnAddressBookRead(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()

 private:
  int SelectedItem() const;
  void ReadContacts();
  void AddOwnRow(const ContactRecord& record);
  void CallColumn(int column);
  void ShowContactMenu(int x, int y);
  void StopBox(UINT textId);
  // The address-book rows in, once the answer has come and no question is open.
  void FillFromAddressBook();
  void SelectFirstRow();
  ContactRecord RowTexts(int item) const;

  // Held while a question, a dialog or a menu of the book runs its own loop.
  class CModal {
   public:
    explicit CModal(CPhoneBookDlg& book);
    ~CModal();
    CModal(const CModal&) = delete;
    CModal& operator=(const CModal&) = delete;

   private:
    CPhoneBookDlg& m_book;
  };

  BOOL m_fileWritten = FALSE;
  std::unique_ptr<CAddressBookLoad> m_addressBookLoad;  // while the address book is read
  BOOL m_addressBookAnswered = FALSE;                   // its answer waits for m_modal to end
  int m_modal = 0;
  std::optional<ContactRecord> m_firstRowAtOpen;  // selected at the opening
};

// "mailto:" and the address, percent-encoded where it holds anything but the characters of
// an address, so that no text of a contact adds headers, attachments or a second address
// (',' and ';', which separate addresses, are encoded too).
CString MailtoUrl(const CString& address);
