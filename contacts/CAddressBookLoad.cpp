#include "contacts/CAddressBookLoad.h"

#include "platform/win/Wnd.h"

CAddressBookLoad::CAddressBookLoad(HWND window, UINT message) {
  m_thread = std::thread([this, window, message] {
    const CString defaultBook;
    auto reader = std::make_unique<CAddressBookReader>(&defaultBook, &m_cancel);
    {
      std::lock_guard lock(m_mutex);
      m_reader = std::move(reader);
    }
    // A window that has gone meanwhile takes no message; the reader then goes with this.
    if (!m_cancel.IsCancelled()) ::PostMessage(window, message, 0, 0);
  });
}

CAddressBookLoad::~CAddressBookLoad() {
  m_cancel.Cancel();
  if (m_thread.joinable()) m_thread.join();
}

std::unique_ptr<CAddressBookReader> CAddressBookLoad::TakeReader() {
  std::lock_guard lock(m_mutex);
  return std::move(m_reader);
}
