// CAddressBookLoad: opens the desktop's address book for the contact book on a thread of its
// own, since the address book may take seconds to answer (or never answer), and tells the
// book's window when it has: the window keeps handling its messages meanwhile, and fills
// its list when the reader is handed over.
#pragma once
#include <memory>
#include <mutex>
#include <thread>

#include "contacts/CAddressBookReader.h"
#include "platform/wab/Wab.h"
#include "platform/win/WinTypes.h"

class CAddressBookLoad {
 public:
  // Starts opening the default address book; posts `message` (wParam 0, lParam 0) to
  // `window` once the reader is ready, opened or not.
  CAddressBookLoad(HWND window, UINT message);
  // Stops an opening still under way and waits for its thread.
  ~CAddressBookLoad();
  CAddressBookLoad(const CAddressBookLoad&) = delete;
  CAddressBookLoad& operator=(const CAddressBookLoad&) = delete;

  // The reader, once the message has come (null before, and after the first call).
  std::unique_ptr<CAddressBookReader> TakeReader();

 private:
  varlo::wab::OpenCancellation m_cancel;
  std::mutex m_mutex;
  std::unique_ptr<CAddressBookReader> m_reader;
  std::thread m_thread;
};
