// Reads the contacts of the desktop's address book for the contact book's import.
#pragma once

class CAddressBookReader {
 public:
  CAddressBookReader();
  ~CAddressBookReader();
  CAddressBookReader(const CAddressBookReader&) = delete;
  CAddressBookReader& operator=(const CAddressBookReader&) = delete;
};
