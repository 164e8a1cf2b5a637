// CAddressBookReader: reads the desktop's address book for the contact book's import.  It
// opens the address-book library, walks the default container's contents table (one list
// row per mail user, the row carrying a copy of the entry's id), reads an entry's
// properties and hands out its string values.  It lives for one import.
#pragma once
#include <vector>

#include "platform/core/CString.h"
#include "platform/wab/Wab.h"

class CListCtrl;
class CListBox;
class CWnd;

class CAddressBookReader {
 public:
  // The item data that an address-book row keeps once the import has freed its entry id:
  // it tells the book that the row is not one of the user's own contacts.
  static constexpr LPARAM kAddressBookRow = 1;

  // Opens the address book named by fileName; an empty name opens the default book.  This
  // waits for the address book; `cancel` lets another thread stop the wait (the reader
  // then stays not opened).
  explicit CAddressBookReader(const CString* fileName, const varlo::wab::OpenCancellation* cancel = nullptr);
  ~CAddressBookReader();
  CAddressBookReader(const CAddressBookReader&) = delete;
  CAddressBookReader& operator=(const CAddressBookReader&) = delete;

  // Adds one row per mail user of the default container; E_FAIL when the book is not open.
  HRESULT LoadContents(CListCtrl* list);
  // Takes a copy of the entry id of the list's selected row.
  void GetSelectedEntryId(CListCtrl* list);
  // Reads all properties of the entry whose id the reader holds.
  void ReadEntryProps();
  // Lists the tags of the properties read, one "0x%.8x" line each.
  void FillTagList(CListBox* tags);
  // Copies the 8-bit string value of `tag` into buffer (cut to size - 1 characters).
  BOOL GetStringProp(CWnd* owner, ULONG tag, char* buffer, int size);
  void FreeRowSet(LPSRowSet rows);
  // Frees the entry ids that LoadContents attached to the list's rows and marks those rows
  // with kAddressBookRow.
  void ReleaseRowEntryIds(CListCtrl* list);
  // The property's name by its id; the buffer of an unknown id is overwritten by the next.
  static const char* PropTagToName(ULONG tag);

  BOOL m_opened = FALSE;
  HMODULE m_library = nullptr;
  LPWABOPEN m_wabOpen = nullptr;
  LPADRBOOK m_addrBook = nullptr;
  LPWABOBJECT m_wabObject = nullptr;
  LPSPropValue m_props = nullptr;
  ULONG m_propCount = 0;
  std::vector<BYTE> m_entryId;  // the current entry's id

 private:
  void FreeProps();
};
