// The contact book: a modeless window of its own, opened by the Book button.
#include <memory>

#include "contacts/CPhoneBookDlg.h"
#include "ui/CVarloDlg.h"

void CVarloDlg::OnBook() {
  if (m_bookOpen == 1 || m_bookDlg) return;
  auto book = std::make_unique<CPhoneBookDlg>();
  book->SetBookFile(m_profile.m_bookFile);
  m_bookDlg = book.get();
  const BOOL created = book->Create(CPhoneBookDlg::IDD, this);
  // A book with a window deletes itself when the window goes; it tells BookWindowGone first.
  CPhoneBookDlg* opened = book.release();
  if (!created) {
    if (m_bookDlg == opened) {
      // No window was ever made: the object is still ours.
      m_bookDlg = nullptr;
      delete opened;
    }
    return;  // the Book button keeps working
  }
  m_bookOpen = 1;
  opened->ShowWindow(SW_SHOW);
}

void CVarloDlg::BookWindowGone(CPhoneBookDlg* book) {
  if (book && book == m_bookDlg) {
    m_bookDlg = nullptr;
    m_bookOpen = 0;
  }
}

LRESULT CVarloDlg::OnBookClosed(WPARAM, LPARAM) {
  // A book opened since this one closed keeps the flag.
  if (!m_bookDlg) m_bookOpen = 0;
  return 0;
}
