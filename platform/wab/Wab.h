// The address book as the contact book's import reads it: a default container of mail
// users and distribution lists, a contents table walked one row at a time, entries opened
// by their ids and read as property values, and an allocator whose buffers carry their
// dependent allocations.  On this system the entries come from the desktop's own address
// book, Evolution Data Server (GNOME Contacts and Evolution keep their contacts there).
//
// What is read is someone else's data: every text is valid UTF-8 without control
// characters and at most kMaxPropText bytes, and a table holds at most kMaxTableRows rows.
#pragma once
#include <atomic>
#include <string>

#include "platform/core/WinTypes.h"
#include "platform/win/WinTypes.h"

using HRESULT = LONG;
using SCODE = LONG;
using LPBYTE = BYTE*;
using LPULONG = ULONG*;

constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
constexpr HRESULT MAPI_E_NOT_FOUND = static_cast<HRESULT>(0x8004010F);
constexpr HRESULT MAPI_E_NOT_ENOUGH_MEMORY = static_cast<HRESULT>(0x8007000E);
constexpr HRESULT MAPI_E_NO_SUPPORT = static_cast<HRESULT>(0x80040102);
constexpr HRESULT MAPI_E_NETWORK_ERROR = static_cast<HRESULT>(0x80040115);
constexpr HRESULT MAPI_E_USER_CANCEL = static_cast<HRESULT>(0x80040113);
constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }

// Property tags: the id in the upper 16 bits, the value's type in the lower.
constexpr ULONG PT_LONG = 0x0003;
constexpr ULONG PT_ERROR = 0x000A;
constexpr ULONG PT_STRING8 = 0x001E;
constexpr ULONG PT_BINARY = 0x0102;
constexpr ULONG PROP_TAG(ULONG type, ULONG id) { return (id << 16) | type; }
constexpr ULONG PROP_TYPE(ULONG tag) { return tag & 0xFFFF; }
constexpr ULONG PROP_ID(ULONG tag) { return tag >> 16; }

constexpr ULONG PR_OBJECT_TYPE = PROP_TAG(PT_LONG, 0x0FFE);
constexpr ULONG PR_ENTRYID = PROP_TAG(PT_BINARY, 0x0FFF);
constexpr ULONG PR_DISPLAY_NAME = PROP_TAG(PT_STRING8, 0x3001);
constexpr ULONG PR_EMAIL_ADDRESS = PROP_TAG(PT_STRING8, 0x3003);
constexpr ULONG PR_BUSINESS_TELEPHONE_NUMBER = PROP_TAG(PT_STRING8, 0x3A08);
constexpr ULONG PR_HOME_TELEPHONE_NUMBER = PROP_TAG(PT_STRING8, 0x3A09);
constexpr ULONG PR_CELLULAR_TELEPHONE_NUMBER = PROP_TAG(PT_STRING8, 0x3A1C);

// Object types.
constexpr ULONG MAPI_ABCONT = 4;
constexpr ULONG MAPI_MAILUSER = 6;
constexpr ULONG MAPI_DISTLIST = 8;

using BOOKMARK = ULONG;
constexpr BOOKMARK BOOKMARK_BEGINNING = 0;

constexpr ULONG kMaxPropText = 511;
constexpr ULONG kMaxTableRows = 10000;

struct SBinary {
  ULONG cb = 0;
  LPBYTE lpb = nullptr;
};
using LPSBinary = SBinary*;

struct ENTRYID {
  BYTE abFlags[4];
  BYTE ab[1];
};
using LPENTRYID = ENTRYID*;

union PropValueUnion {
  LONG l;
  LPSTR lpszA;
  SBinary bin;
  SCODE err;
};

struct SPropValue {
  ULONG ulPropTag = 0;
  ULONG dwAlignPad = 0;
  PropValueUnion Value{};
};
using LPSPropValue = SPropValue*;

struct SRow {
  ULONG ulAdrEntryPad = 0;
  ULONG cValues = 0;
  LPSPropValue lpProps = nullptr;
};
using LPSRow = SRow*;

// Rows as QueryRows hands them out; a set of n rows is allocated with room for n.
struct SRowSet {
  ULONG cRows = 0;
  SRow aRow[1];
};
using LPSRowSet = SRowSet*;

// A list of property tags, written by the caller as a SizedSPropTagArray<n>.
struct SPropTagArray {
  ULONG cValues = 0;
  ULONG aulPropTag[1];
};
using LPSPropTagArray = SPropTagArray*;

template <ULONG N>
struct SizedSPropTagArray {
  ULONG cValues = N;
  ULONG aulPropTag[N];
  LPSPropTagArray get() { return reinterpret_cast<LPSPropTagArray>(this); }
};

struct IID;
using LPCIID = const IID*;

// Every object handed out is reference counted; Release frees it at zero.
class IUnknown {
 public:
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

class IMAPIProp : public IUnknown {
 public:
  // All properties when tags is null; the array comes from the allocator and is freed
  // with FreeBuffer.
  virtual HRESULT GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count, LPSPropValue* props) = 0;
};

// A mail user, or a distribution list when OpenEntry says so.
class IMailUser : public IMAPIProp {};
using LPMAILUSER = IMailUser*;

class IMAPITable : public IUnknown {
 public:
  virtual HRESULT SetColumns(LPSPropTagArray columns, ULONG flags) = 0;
  virtual HRESULT SeekRow(BOOKMARK origin, LONG rowCount, LONG* sought) = 0;
  // Up to rowCount rows from the current position; an empty set at the end.
  virtual HRESULT QueryRows(LONG rowCount, ULONG flags, LPSRowSet* rows) = 0;
};
using LPMAPITABLE = IMAPITable*;

class IABContainer : public IMAPIProp {
 public:
  virtual HRESULT GetContentsTable(ULONG flags, LPMAPITABLE* table) = 0;
};
using LPABCONT = IABContainer*;

class IAddrBook : public IMAPIProp {
 public:
  // The entry id of the default container, freed with FreeBuffer.
  virtual HRESULT GetPAB(ULONG* size, LPENTRYID* entryId) = 0;
  // The container or entry with this id: an IABContainer for MAPI_ABCONT, else an
  // IMailUser.  MAPI_E_NOT_FOUND when there is none.
  virtual HRESULT OpenEntry(ULONG size, LPENTRYID entryId, LPCIID iid, ULONG flags, ULONG* objectType,
                            LPUNKNOWN* object) = 0;
};
using LPADRBOOK = IAddrBook*;

class IWABObject : public IUnknown {
 public:
  virtual HRESULT AllocateBuffer(ULONG size, LPVOID* buffer) = 0;
  // Memory that is freed together with `parent`, a buffer of AllocateBuffer.
  virtual HRESULT AllocateMore(ULONG size, LPVOID parent, LPVOID* buffer) = 0;
  virtual HRESULT FreeBuffer(LPVOID buffer) = 0;
};
using LPWABOBJECT = IWABObject*;

namespace varlo::wab {
class OpenCancellation;
}

struct WAB_PARAM {
  ULONG cbSize = sizeof(WAB_PARAM);
  HWND hwnd = nullptr;
  LPSTR szFileName = nullptr;  // empty: the default address book, else a book's id
  ULONG ulFlags = 0;
  // This layer's own: lets another thread stop the opening (null: it cannot be stopped).
  const varlo::wab::OpenCancellation* cancel = nullptr;
};
using LPWAB_PARAM = WAB_PARAM*;

using LPWABOPEN = HRESULT (*)(LPADRBOOK* addrBook, LPWABOBJECT* wabObject, LPWAB_PARAM param, DWORD reserved);

// The address-book library.  Every name gives the built-in library on the desktop's
// address book, which reads it through the program "varlo-contacts" beside the executable:
// a name is never loaded as code.  Null when that program is missing.
namespace varlo::wab {
HMODULE LoadLibraryA(LPCSTR name);
// "WABOpen" (as a LPWABOPEN), else null.
void* GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);
// Where the address-book program is, for programs that do not stand beside it (tests).
void SetAddressBookProgram(const std::string& path);

// Opening the address book waits for its program (up to 20 s), so a window opens it on a
// thread of its own; when the window goes first, Cancel stops the opening: a WABOpen given
// this in WAB_PARAM::cancel ends the program and returns MAPI_E_USER_CANCEL within a
// moment, or at once when Cancel came before it.  Cancel may be called from any thread.
class OpenCancellation {
 public:
  OpenCancellation();
  ~OpenCancellation();
  OpenCancellation(const OpenCancellation&) = delete;
  OpenCancellation& operator=(const OpenCancellation&) = delete;

  void Cancel();
  bool IsCancelled() const;
  // Readable once cancelled (for poll); -1 when no descriptor could be made, and then
  // only IsCancelled tells.
  int Descriptor() const { return m_fds[0]; }

 private:
  int m_fds[2] = {-1, -1};
  std::atomic<bool> m_cancelled{false};
};
}  // namespace varlo::wab
