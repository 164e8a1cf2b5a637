#include "contacts/CPhoneBookDlg.h"

#include <cstring>
#include <optional>
#include <vector>

#include "contacts/CAddContactDlg.h"
#include "contacts/ContactFile.h"
#include "platform/win/ControlClasses.h"
#include "platform/win/DataExchange.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Resources.h"
#include "platform/win/Shell.h"
#include "platform/win/WinApp.h"
#include "platform/win/WinStyles.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {

constexpr UINT kTitle = 154;
constexpr UINT kNoContactSelected = 140;
constexpr UINT kErrorCaption = 141;
constexpr UINT kDeleteItem = 142;
constexpr UINT kAreYouSure = 143;
constexpr UINT kConfirmCaption = 144;
constexpr UINT kCannotDelete = 145;
constexpr UINT kCannotModify = 146;
constexpr UINT kNoItemSelected = 147;

struct ColumnSpec {
  UINT heading;
  int width;
};
constexpr ColumnSpec kColumns[kContactColumns] = {{155, 70}, {156, 130}, {157, 90}, {158, 80}, {159, 80}};

// The five properties of the address book that fill the five columns.
struct ImportedColumn {
  const char* property;
  int column;
};
constexpr ImportedColumn kImportedColumns[] = {
    {"PR_DISPLAY_NAME", kContactName},
    {"PR_EMAIL_ADDRESS", kContactEmail},
    {"PR_BUSINESS_TELEPHONE_NUMBER", kContactBusinessTel},
    {"PR_HOME_TELEPHONE_NUMBER", kContactHomeTel},
    {"PR_CELLULAR_TELEPHONE_NUMBER", kContactMobileTel},
};

constexpr int kImportBufferSize = 512;

}  // namespace

CString MailtoUrl(const CString& address) {
  // ',' and ';' separate addresses in a mail link: encoded, one stored address stays one.
  static const char kPlain[] = "-._~!$'()*+:@=/";
  static const char kHex[] = "0123456789ABCDEF";
  CString url("mailto:");
  for (int i = 0; i < address.GetLength(); ++i) {
    const auto c = static_cast<unsigned char>(address[i]);
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       (c != 0 && std::strchr(kPlain, c) != nullptr);
    if (plain) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 0xF];
    }
  }
  return url;
}

CPhoneBookDlg::CPhoneBookDlg(CWnd* parent) : CDialog(IDD, parent) {
  m_mainDlg = dynamic_cast<CVarloDlg*>(AfxGetMainWnd());
  if (m_mainDlg) m_contactMenu = m_mainDlg->GetPopupMenu();
}

CPhoneBookDlg::~CPhoneBookDlg() = default;

void CPhoneBookDlg::SetBookFile(const CString& path) { m_bookFile = path; }

void CPhoneBookDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Control(dx, kContactList, m_contactList);
  DDX_Control(dx, kModifyButton, m_modifyButton);
  DDX_Control(dx, kHandleButton, m_handleButton);
  DDX_Control(dx, kDeleteButton, m_deleteButton);
  DDX_Control(dx, kAddButton, m_addButton);
  DDX_Control(dx, kHiddenButton, m_hiddenButton);
  DDX_Control(dx, kPropertyList, m_propertyList);
}

BOOL CPhoneBookDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetWindowText(AfxLoadString(kTitle));
  m_contactList.SetExtendedStyle(m_contactList.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  for (int i = 0; i < kContactColumns; ++i) {
    m_contactList.InsertColumn(i, AfxLoadString(kColumns[i].heading), LVCFMT_CENTER, kColumns[i].width);
  }
  // The user's own contacts at once; the address book's rows when it answers.
  ReadContacts();
  m_contactList.SetFocus();
  SelectFirstRow();
  if (m_contactList.GetItemCount() > 0) m_firstRowAtOpen = RowTexts(0);
  m_addressBookLoad = std::make_unique<CAddressBookLoad>(m_hWnd, kAddressBookRead);
  return TRUE;
}

void CPhoneBookDlg::SelectFirstRow() {
  if (m_contactList.GetItemCount() > 0) {
    m_contactList.SetItemState(0, LVIS_SELECTED_STATE | LVIS_FOCUSED_STATE, LVIS_SELECTED_STATE | LVIS_FOCUSED_STATE);
    m_contactList.EnsureVisible(0, FALSE);
  } else {
    m_contactList.SetItemState(-1, 0, LVIS_SELECTED_STATE | LVIS_FOCUSED_STATE);
  }
}

ContactRecord CPhoneBookDlg::RowTexts(int item) const {
  ContactRecord record;
  for (int column = 0; column < kContactColumns; ++column) record.columns[column] = m_contactList.GetItemText(item, column);
  return record;
}

LRESULT CPhoneBookDlg::OnAddressBookRead(WPARAM, LPARAM) {
  m_addressBookAnswered = TRUE;
  if (m_modal == 0) FillFromAddressBook();
  return 0;
}

void CPhoneBookDlg::FillFromAddressBook() {
  if (!m_addressBookLoad || !m_addressBookAnswered) return;
  m_reader = m_addressBookLoad->TakeReader();
  m_addressBookLoad.reset();
  m_addressBookAnswered = FALSE;
  if (!m_reader || !m_reader->m_opened) {
    m_reader.reset();  // no address book: the list stays as it is
    return;
  }
  // The book ends up as it would have, had the address book answered at once: its rows
  // first, then the user's own, the first row selected.  A row the user has chosen
  // meanwhile stays chosen.
  const int selected = SelectedItem();
  const std::optional<ContactRecord> chosen = selected >= 0 ? std::optional(RowTexts(selected)) : std::nullopt;
  const bool untouched = !m_firstRowAtOpen || chosen == m_firstRowAtOpen;
  std::vector<ContactRecord> own;
  for (int i = 0; i < m_contactList.GetItemCount(); ++i) own.push_back(RowTexts(i));
  m_contactList.DeleteAllItems();
  ImportAddressBookContacts();
  for (const ContactRecord& record : own) AddOwnRow(record);
  if (untouched) {
    SelectFirstRow();
    return;
  }
  m_contactList.SetItemState(-1, 0, LVIS_SELECTED_STATE | LVIS_FOCUSED_STATE);
  for (int i = 0; chosen && i < m_contactList.GetItemCount(); ++i) {
    if (IsAddressBookRow(i) || RowTexts(i) != *chosen) continue;
    m_contactList.SetItemState(i, LVIS_SELECTED_STATE | LVIS_FOCUSED_STATE, LVIS_SELECTED_STATE | LVIS_FOCUSED_STATE);
    break;
  }
}

CPhoneBookDlg::CModal::CModal(CPhoneBookDlg& book) : m_book(book) { ++m_book.m_modal; }

CPhoneBookDlg::CModal::~CModal() {
  if (--m_book.m_modal == 0 && m_book.m_addressBookAnswered) m_book.FillFromAddressBook();
}

void CPhoneBookDlg::ImportAddressBookContacts() {
  if (!m_reader) return;
  m_reader->LoadContents(&m_contactList);
  for (int i = 0; i < m_contactList.GetItemCount(); ++i) {
    if (!IsAddressBookRow(i)) continue;
    m_contactList.SetItemState(i, LVIS_SELECTED_STATE | LVIS_FOCUSED_STATE, LVIS_SELECTED_STATE | LVIS_FOCUSED_STATE);
    // The row is marked whatever its entry gives: a row without the mark would be taken
    // for one of the user's own.
    m_contactList.SetItemText(i, kContactName, "*" + m_contactList.GetItemText(i, kContactName));
    m_reader->GetSelectedEntryId(&m_contactList);
    m_reader->ReadEntryProps();
    m_reader->FillTagList(&m_propertyList);
    for (int line = 0; line < m_propertyList.GetCount(); ++line) {
      const auto tag = static_cast<ULONG>(m_propertyList.GetItemData(line));
      const char* name = CAddressBookReader::PropTagToName(tag);
      for (const ImportedColumn& imported : kImportedColumns) {
        if (std::strcmp(name, imported.property) != 0) continue;
        char value[kImportBufferSize];
        if (!m_reader->GetStringProp(this, tag, value, sizeof(value))) break;
        CString cell;
        cell.Format(imported.column == kContactName ? "*%s" : "%s", value);
        m_contactList.SetItemText(i, imported.column, cell);
        break;
      }
    }
  }
  m_reader->ReleaseRowEntryIds(&m_contactList);
  m_reader.reset();
}

void CPhoneBookDlg::ReadContacts() {
  for (const ContactRecord& record : ReadContactFile(m_bookFile)) AddOwnRow(record);
}

void CPhoneBookDlg::AddOwnRow(const ContactRecord& record) {
  const int item = m_contactList.InsertItem(m_contactList.GetItemCount(), record.columns[kContactName]);
  if (item < 0) return;
  for (int column = kContactEmail; column < kContactColumns; ++column) {
    m_contactList.SetItemText(item, column, record.columns[column]);
  }
}

BOOL CPhoneBookDlg::IsAddressBookRow(int item) const { return m_contactList.GetItemData(item) != 0; }

BOOL CPhoneBookDlg::SaveContacts(CFileException* error) {
  std::vector<ContactRecord> records;
  for (int i = 0; i < m_contactList.GetItemCount(); ++i) {
    if (IsAddressBookRow(i)) continue;
    ContactRecord& record = records.emplace_back();
    for (int column = 0; column < kContactColumns; ++column) record.columns[column] = m_contactList.GetItemText(i, column);
  }
  return WriteContactFile(m_bookFile, records, error);
}

BOOL CPhoneBookDlg::PreTranslateMessage(MSG* msg) {
  // Neither key ends the modeless dialog as a dialog's Enter and Escape would (it would be
  // hidden, not closed): the book closes by its close command alone (the close box, the
  // system menu, Alt+F4).
  if (msg->message == WM_KEYDOWN && (msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN)) return TRUE;
  return CDialog::PreTranslateMessage(msg);
}

int CPhoneBookDlg::SelectedItem() const { return m_contactList.GetNextItem(-1, LVNI_SELECTED); }

void CPhoneBookDlg::StopBox(UINT textId) {
  MessageBox(AfxLoadString(textId), AfxLoadString(kErrorCaption), MB_ICONSTOP);
}

void CPhoneBookDlg::OnAddContact() {
  const CModal modal(*this);
  m_contactList.SetFocus();
  CAddContactDlg dlg(this);
  dlg.DoModal();
}

void CPhoneBookDlg::OnDeleteContact() {
  const CModal modal(*this);  // the question holds the index of the row
  const int item = SelectedItem();
  if (item < 0) {
    StopBox(kNoContactSelected);
  } else if (IsAddressBookRow(item)) {
    StopBox(kCannotDelete);
  } else {
    CString question;
    question.Format("%s \"%s\". %s", AfxLoadString(kDeleteItem).GetString(),
                    m_contactList.GetItemText(item, kContactName).GetString(), AfxLoadString(kAreYouSure).GetString());
    if (MessageBox(question, AfxLoadString(kConfirmCaption), MB_YESNO) == IDYES) {
      m_contactList.DeleteItem(item);
      const int count = m_contactList.GetItemCount();
      if (count > 0) {
        const int next = item < count ? item : count - 1;
        m_contactList.SetItemState(next, LVIS_SELECTED_STATE | LVIS_FOCUSED_STATE,
                                   LVIS_SELECTED_STATE | LVIS_FOCUSED_STATE);
      }
    }
  }
  m_contactList.SetFocus();
}

void CPhoneBookDlg::OnModifyContact() {
  const CModal modal(*this);  // the dialog holds the index of the row
  const int item = SelectedItem();
  if (item < 0) {
    StopBox(kNoContactSelected);
  } else if (IsAddressBookRow(item)) {
    StopBox(kCannotModify);
  } else {
    CAddContactDlg dlg(this);
    dlg.SetEditIndex(item);
    dlg.DoModal();
  }
  m_contactList.SetFocus();
}

void CPhoneBookDlg::ShowContactMenu(int x, int y) {
  if (!m_contactMenu) return;
  const CModal modal(*this);
  if (CMenu* popup = m_contactMenu->GetSubMenu(0)) popup->TrackPopupMenu(TPM_LEFTALIGN, x, y, this);
}

void CPhoneBookDlg::OnHandleButton() {
  const CModal modal(*this);
  if (SelectedItem() < 0) {
    StopBox(kNoItemSelected);
    return;
  }
  CRect button;
  m_handleButton.GetWindowRect(&button);
  ShowContactMenu(button.left + 5, button.bottom - 5);
}

void CPhoneBookDlg::OnRClickContactList(NMHDR*, LRESULT* result) {
  *result = 0;
  if (SelectedItem() < 0) return;
  POINT cursor{};
  ::GetCursorPos(&cursor);
  ShowContactMenu(cursor.x, cursor.y);
}

void CPhoneBookDlg::OnDblClickContactList(NMHDR* header, LRESULT* result) {
  *result = 0;
  const auto* click = reinterpret_cast<const varlo::win::NMITEMACTIVATE*>(header);
  // A double click below the rows leaves no contact selected, as a click there does.
  if (click->iItem < 0) m_contactList.SetItemState(-1, 0, LVIS_SELECTED_STATE);
  // The column under the pointer, measured from the list's own left edge.
  POINT cursor{};
  ::GetCursorPos(&cursor);
  m_contactList.ScreenToClient(&cursor);
  const int x = cursor.x;
  int right = 0;
  int chosen = -1;
  for (int column = 0; column < m_contactList.GetColumnCount(); ++column) {
    right += m_contactList.GetColumnWidth(column);
    if (right > x) {
      chosen = column;
      break;
    }
  }
  switch (chosen) {
    case kContactName:
      OnModifyContact();
      break;
    case kContactEmail:
      OnSendMail();
      break;
    case kContactBusinessTel:
    case kContactHomeTel:
    case kContactMobileTel:
      CallColumn(chosen);
      break;
    default:
      break;
  }
}

void CPhoneBookDlg::CallColumn(int column) {
  const int item = SelectedItem();
  const CString number = item < 0 ? CString() : m_contactList.GetItemText(item, column);
  if (!m_mainDlg) return;
  m_mainDlg->m_numberBox.SetWindowText(number);
  m_mainDlg->PlaceCall();
}

void CPhoneBookDlg::OnCallBusinessTel() { CallColumn(kContactBusinessTel); }
void CPhoneBookDlg::OnCallHomeTel() { CallColumn(kContactHomeTel); }
void CPhoneBookDlg::OnCallMobileTel() { CallColumn(kContactMobileTel); }

void CPhoneBookDlg::OnSendMail() {
  const int item = SelectedItem();
  const CString address = item < 0 ? CString() : m_contactList.GetItemText(item, kContactEmail);
  ShellExecuteA(nullptr, "Open", MailtoUrl(address), nullptr, nullptr, SW_SHOWNORMAL);
}

void CPhoneBookDlg::OnClose() {
  CFileException error;
  if (!SaveContacts(&error)) {
    // The book stays open with its rows; the previous file is untouched.
    AfxMessageBox(error.GetErrorMessage(), MB_ICONEXCLAMATION);
    return;
  }
  m_fileWritten = TRUE;
  if (m_mainDlg && m_mainDlg->m_hWnd) m_mainDlg->PostMessage(WM_VARLO_BOOK_CLOSED, 0, 0);
  CDialog::OnClose();
  DestroyWindow();  // the object is gone after this
}

void CPhoneBookDlg::OnDestroy() {
  // The program ends with the book open: the file is written while the list still holds
  // its rows.
  if (!m_fileWritten) {
    SaveContacts();
    m_fileWritten = TRUE;
  }
  if (m_mainDlg) m_mainDlg->BookWindowGone(this);
  CDialog::OnDestroy();
}

void CPhoneBookDlg::PostNcDestroy() { delete this; }

BEGIN_MESSAGE_MAP(CPhoneBookDlg, CDialog)
  ON_WM_CLOSE()
  ON_WM_DESTROY()
  ON_NOTIFY(NM_RCLICK, kContactList, &CPhoneBookDlg::OnRClickContactList)
  ON_NOTIFY(NM_DBLCLK, kContactList, &CPhoneBookDlg::OnDblClickContactList)
  ON_BN_CLICKED(kAddButton, &CPhoneBookDlg::OnAddContact)
  ON_BN_CLICKED(kDeleteButton, &CPhoneBookDlg::OnDeleteContact)
  ON_BN_CLICKED(kModifyButton, &CPhoneBookDlg::OnModifyContact)
  ON_BN_CLICKED(kHandleButton, &CPhoneBookDlg::OnHandleButton)
  ON_COMMAND(kSendMail, &CPhoneBookDlg::OnSendMail)
  ON_COMMAND(kCallBusinessTel, &CPhoneBookDlg::OnCallBusinessTel)
  ON_COMMAND(kCallHomeTel, &CPhoneBookDlg::OnCallHomeTel)
  ON_COMMAND(kCallMobileTel, &CPhoneBookDlg::OnCallMobileTel)
  ON_MESSAGE(kAddressBookRead, &CPhoneBookDlg::OnAddressBookRead)
END_MESSAGE_MAP()
