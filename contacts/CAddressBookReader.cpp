#include "contacts/CAddressBookReader.h"

#include <cstdio>
#include <cstring>

#include "platform/win/Controls.h"
#include "platform/win/ListCtrl.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Registry.h"
#include "platform/win/WinStyles.h"

namespace {

constexpr char kPathKey[] = "Software\\Microsoft\\WAB\\DLLPath";
constexpr char kDefaultLibrary[] = "WAB32.DLL";
constexpr int kPathSize = 260;

// The address book's location as the registry names it; empty when it does not.
CString AddressBookPath() {
  char path[kPathSize] = "";
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPathKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    DWORD size = sizeof(path);
    DWORD type = 0;
    if (RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(path), &size) != ERROR_SUCCESS) path[0] = '\0';
    path[kPathSize - 1] = '\0';
    RegCloseKey(key);
  }
  return CString(path);
}

}  // namespace

CAddressBookReader::CAddressBookReader(const CString* fileName, const varlo::wab::OpenCancellation* cancel) {
  const CString path = AddressBookPath();
  m_library = varlo::wab::LoadLibraryA(path.IsEmpty() ? kDefaultLibrary : path.GetString());
  if (!m_library) return;
  m_wabOpen = reinterpret_cast<LPWABOPEN>(varlo::wab::GetProcAddress(m_library, "WABOpen"));
  if (!m_wabOpen) return;
  CString name = fileName ? *fileName : CString();
  WAB_PARAM param;
  param.hwnd = nullptr;
  param.szFileName = const_cast<LPSTR>(name.GetString());
  param.ulFlags = 0;
  param.cancel = cancel;
  if (m_wabOpen(&m_addrBook, &m_wabObject, &param, 0) == S_OK) m_opened = TRUE;
}

CAddressBookReader::~CAddressBookReader() {
  m_entryId.clear();
  if (m_opened) {
    FreeProps();
    if (m_addrBook) m_addrBook->Release();
    if (m_wabObject) m_wabObject->Release();
  }
  if (m_library) varlo::wab::FreeLibrary(m_library);
}

void CAddressBookReader::FreeProps() {
  if (m_props && m_wabObject) m_wabObject->FreeBuffer(m_props);
  m_props = nullptr;
  m_propCount = 0;
}

HRESULT CAddressBookReader::LoadContents(CListCtrl* list) {
  if (!m_addrBook || !list) return E_FAIL;
  ULONG idSize = 0;
  LPENTRYID id = nullptr;
  HRESULT hr = m_addrBook->GetPAB(&idSize, &id);
  if (FAILED(hr)) return hr;
  ULONG type = 0;
  LPUNKNOWN object = nullptr;
  hr = m_addrBook->OpenEntry(idSize, id, nullptr, 0, &type, &object);
  m_wabObject->FreeBuffer(id);
  if (FAILED(hr)) return hr;
  if (type != MAPI_ABCONT || !object) {
    if (object) object->Release();
    return E_FAIL;
  }
  auto* container = static_cast<IABContainer*>(object);
  LPMAPITABLE table = nullptr;
  hr = container->GetContentsTable(0, &table);
  if (SUCCEEDED(hr)) {
    SizedSPropTagArray<3> columns{3, {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE}};
    hr = table->SetColumns(columns.get(), 0);
    if (SUCCEEDED(hr)) hr = table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
    while (SUCCEEDED(hr)) {
      LPSRowSet rows = nullptr;
      hr = table->QueryRows(1, 0, &rows);
      if (FAILED(hr) || !rows) break;
      if (rows->cRows == 0) {
        FreeRowSet(rows);
        break;
      }
      const SRow& row = rows->aRow[0];
      const SPropValue* props = row.lpProps;
      const bool mailUser = row.cValues == 3 && props[2].ulPropTag == PR_OBJECT_TYPE &&
                            props[2].Value.l == static_cast<LONG>(MAPI_MAILUSER) && props[1].ulPropTag == PR_ENTRYID;
      if (mailUser) {
        LPVOID copy = nullptr;
        LPVOID bytes = nullptr;
        const SBinary& entryId = props[1].Value.bin;
        if (SUCCEEDED(m_wabObject->AllocateBuffer(sizeof(SBinary), &copy)) &&
            SUCCEEDED(m_wabObject->AllocateMore(entryId.cb, copy, &bytes))) {
          auto* binary = static_cast<LPSBinary>(copy);
          binary->cb = entryId.cb;
          binary->lpb = static_cast<LPBYTE>(bytes);
          if (entryId.cb) std::memcpy(bytes, entryId.lpb, entryId.cb);
          // A name the book could not give (an error value) shows as an empty text.
          const char* name = props[0].ulPropTag == PR_DISPLAY_NAME && props[0].Value.lpszA ? props[0].Value.lpszA : "";
          const int item = list->InsertItem(list->GetItemCount(), name);
          if (item < 0) {
            m_wabObject->FreeBuffer(copy);
          } else {
            list->SetItemData(item, reinterpret_cast<DWORD_PTR>(binary));
          }
        } else if (copy) {
          m_wabObject->FreeBuffer(copy);
        }
      }
      FreeRowSet(rows);
    }
  }
  container->Release();
  if (table) table->Release();
  return hr;
}

void CAddressBookReader::GetSelectedEntryId(CListCtrl* list) {
  // What the reader held before never stands for another row.
  m_entryId.clear();
  if (!list) return;
  const int item = list->GetNextItem(-1, LVNI_SELECTED);
  if (item < 0) return;
  const DWORD_PTR data = list->GetItemData(item);
  if (data == 0 || data == static_cast<DWORD_PTR>(kAddressBookRow)) return;
  const auto* binary = reinterpret_cast<const SBinary*>(data);
  m_entryId.assign(binary->lpb, binary->lpb + binary->cb);
}

void CAddressBookReader::ReadEntryProps() {
  // An entry that cannot be read leaves no properties, rather than the previous entry's.
  FreeProps();
  if (!m_addrBook || m_entryId.empty()) return;
  ULONG type = 0;
  LPUNKNOWN object = nullptr;
  HRESULT hr = m_addrBook->OpenEntry(static_cast<ULONG>(m_entryId.size()), reinterpret_cast<LPENTRYID>(m_entryId.data()),
                                     nullptr, 0, &type, &object);
  if (FAILED(hr) || !object) return;
  if (type == MAPI_MAILUSER || type == MAPI_DISTLIST) {
    auto* user = static_cast<IMailUser*>(object);
    if (FAILED(user->GetProps(nullptr, 0, &m_propCount, &m_props))) {
      m_props = nullptr;
      m_propCount = 0;
    }
  }
  object->Release();
}

void CAddressBookReader::FillTagList(CListBox* tags) {
  if (!tags) return;
  tags->ResetContent();
  if (!m_props || m_propCount == 0) return;
  for (ULONG i = 0; i < m_propCount; ++i) {
    char line[16];
    std::snprintf(line, sizeof(line), "0x%.8x", static_cast<unsigned>(m_props[i].ulPropTag));
    const int index = tags->AddString(line);
    if (index >= 0) tags->SetItemData(index, static_cast<DWORD_PTR>(m_props[i].ulPropTag));
  }
  tags->SetCurSel(-1);
  tags->SetCurSel(0);
}

BOOL CAddressBookReader::GetStringProp(CWnd* owner, ULONG tag, char* buffer, int size) {
  if (PROP_TYPE(tag) != PT_STRING8) {
    ::MessageBoxA(owner ? owner->m_hWnd : nullptr, "This tool only supports modifying string type props right now",
                  "Error", MB_ICONINFORMATION);
    return FALSE;
  }
  if (!buffer || size <= 0) return FALSE;
  for (ULONG i = 0; i < m_propCount; ++i) {
    if (m_props[i].ulPropTag != tag) continue;
    const char* value = m_props[i].Value.lpszA ? m_props[i].Value.lpszA : "";
    std::snprintf(buffer, static_cast<size_t>(size), "%s", value);
    return TRUE;
  }
  buffer[0] = '\0';
  return FALSE;
}

void CAddressBookReader::FreeRowSet(LPSRowSet rows) {
  if (!rows || !m_wabObject) return;
  for (ULONG i = 0; i < rows->cRows; ++i) m_wabObject->FreeBuffer(rows->aRow[i].lpProps);
  m_wabObject->FreeBuffer(rows);
}

void CAddressBookReader::ReleaseRowEntryIds(CListCtrl* list) {
  if (!list || !m_wabObject) return;
  for (int i = 0; i < list->GetItemCount(); ++i) {
    const DWORD_PTR data = list->GetItemData(i);
    if (data == 0 || data == static_cast<DWORD_PTR>(kAddressBookRow)) continue;
    m_wabObject->FreeBuffer(reinterpret_cast<LPVOID>(data));
    list->SetItemData(i, static_cast<DWORD_PTR>(kAddressBookRow));
  }
}
