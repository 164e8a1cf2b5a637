// The contact book: a modeless window of its own, opened by the Book button.
#include "contacts/CPhoneBookDlg.h"
#include "ui/CVarloDlg.h"

// The contact book is not part of the program yet.
void CVarloDlg::OnBook() {}

void CVarloDlg::BookWindowGone(CPhoneBookDlg* book) {
  if (book && book == m_bookDlg) {
    m_bookDlg = nullptr;
    m_bookOpen = 0;
  }
}

LRESULT CVarloDlg::OnBookClosed(WPARAM, LPARAM) {
  m_bookOpen = 0;
  return 0;
}
