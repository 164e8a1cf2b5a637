// The address-book interfaces on a real Evolution Data Server, in a private D-Bus session:
// contacts added through the server's own client library are read back through the
// container's contents table and the entries' properties; and the text rule applied to
// whatever the address book holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "contacts/CAddressBookReader.h"
#include "contacts/CPhoneBookDlg.h"
#include "platform/win/Controls.h"
#include "platform/win/Dialog.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"
#include "platform/wab/Wab.h"
#include "platform/wab/WabText.h"
#include "tests/contacts/PrivateSession.h"
#include "tests/contacts/SeedBook.h"
#include "tests/support/WindowTestSupport.h"

namespace {

struct Opened {
  LPADRBOOK book = nullptr;
  LPWABOBJECT wab = nullptr;
  ~Opened() {
    if (book) book->Release();
    if (wab) wab->Release();
  }
};

HRESULT Open(Opened& opened, const char* bookId = "") {
  varlo::wab::SetAddressBookProgram(VARLO_CONTACTS_PROGRAM);
  HMODULE library = varlo::wab::LoadLibraryA("WAB32.DLL");
  auto open = reinterpret_cast<LPWABOPEN>(varlo::wab::GetProcAddress(library, "WABOpen"));
  if (!open) return E_FAIL;
  varlo::wab::FreeLibrary(library);
  WAB_PARAM param;
  param.szFileName = const_cast<LPSTR>(bookId);
  return open(&opened.book, &opened.wab, &param, 0);
}

struct Row {
  ULONG type = 0;
  std::string name;
  std::string id;
};

// The rows of the default container's contents table, fetched one at a time.
std::vector<Row> ContentsRows(Opened& opened) {
  std::vector<Row> rows;
  ULONG idSize = 0;
  LPENTRYID id = nullptr;
  EXPECT_EQ(opened.book->GetPAB(&idSize, &id), S_OK);
  ULONG type = 0;
  LPUNKNOWN object = nullptr;
  EXPECT_EQ(opened.book->OpenEntry(idSize, id, nullptr, 0, &type, &object), S_OK);
  opened.wab->FreeBuffer(id);
  EXPECT_EQ(type, MAPI_ABCONT);
  if (!object) return rows;
  auto* container = static_cast<IABContainer*>(object);
  LPMAPITABLE table = nullptr;
  EXPECT_EQ(container->GetContentsTable(0, &table), S_OK);
  SizedSPropTagArray<3> columns{3, {PR_DISPLAY_NAME, PR_ENTRYID, PR_OBJECT_TYPE}};
  EXPECT_EQ(table->SetColumns(columns.get(), 0), S_OK);
  EXPECT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
  for (;;) {
    LPSRowSet set = nullptr;
    if (FAILED(table->QueryRows(1, 0, &set)) || !set) break;
    if (set->cRows == 0) {
      opened.wab->FreeBuffer(set);
      break;
    }
    const SRow& r = set->aRow[0];
    EXPECT_EQ(r.cValues, 3u);
    Row row;
    if (r.lpProps[0].ulPropTag == PR_DISPLAY_NAME) row.name = r.lpProps[0].Value.lpszA;
    row.id.assign(reinterpret_cast<const char*>(r.lpProps[1].Value.bin.lpb), r.lpProps[1].Value.bin.cb);
    row.type = static_cast<ULONG>(r.lpProps[2].Value.l);
    rows.push_back(row);
    opened.wab->FreeBuffer(r.lpProps);
    opened.wab->FreeBuffer(set);
  }
  table->Release();
  container->Release();
  return rows;
}

// All string properties of the entry, by tag; empty when it does not open.
std::map<ULONG, std::string> EntryStrings(Opened& opened, const std::string& id, HRESULT* result = nullptr) {
  std::map<ULONG, std::string> out;
  ULONG type = 0;
  LPUNKNOWN object = nullptr;
  HRESULT hr = opened.book->OpenEntry(static_cast<ULONG>(id.size()), reinterpret_cast<LPENTRYID>(const_cast<char*>(id.data())),
                                      nullptr, 0, &type, &object);
  if (result) *result = hr;
  if (FAILED(hr)) return out;
  auto* user = static_cast<IMailUser*>(object);
  ULONG count = 0;
  LPSPropValue props = nullptr;
  EXPECT_EQ(user->GetProps(nullptr, 0, &count, &props), S_OK);
  for (ULONG i = 0; i < count; ++i) {
    if (PROP_TYPE(props[i].ulPropTag) == PT_STRING8) out[props[i].ulPropTag] = props[i].Value.lpszA;
  }
  opened.wab->FreeBuffer(props);
  user->Release();
  return out;
}

TEST(AddressBookTest, ReadsMailUsersAndTheirFiveFieldsAndMarksLists) {
  SeedBook seed;
  ASSERT_TRUE(seed.Ok());
  seed.Add({{E_CONTACT_FULL_NAME, "Ann Example"},
            {E_CONTACT_EMAIL_1, "ann@example.org"},
            {E_CONTACT_PHONE_BUSINESS, "+1 555 0100"},
            {E_CONTACT_PHONE_MOBILE, "0700 123"}});
  seed.Add({{E_CONTACT_FULL_NAME, "Bob"}, {E_CONTACT_PHONE_HOME, "020 7946 0000"}});
  seed.Add({{E_CONTACT_FULL_NAME, "Friends"}}, /*list=*/true);
  const std::string hostile(2000, 'h');
  seed.Add({{E_CONTACT_FULL_NAME, "Eve\x01\x1b[31m"}, {E_CONTACT_EMAIL_1, hostile.c_str()}});

  Opened opened;
  ASSERT_EQ(Open(opened), S_OK);
  std::map<std::string, Row> byName;
  for (const Row& row : ContentsRows(opened)) byName[row.name] = row;
  EXPECT_EQ(byName["Friends"].type, MAPI_DISTLIST);
  EXPECT_EQ(byName["Ann Example"].type, MAPI_MAILUSER);

  auto ann = EntryStrings(opened, byName["Ann Example"].id);
  EXPECT_EQ(ann, (std::map<ULONG, std::string>{{PR_DISPLAY_NAME, "Ann Example"},
                                               {PR_EMAIL_ADDRESS, "ann@example.org"},
                                               {PR_BUSINESS_TELEPHONE_NUMBER, "+1 555 0100"},
                                               {PR_CELLULAR_TELEPHONE_NUMBER, "0700 123"}}));
  auto bob = EntryStrings(opened, byName["Bob"].id);
  EXPECT_EQ(bob, (std::map<ULONG, std::string>{{PR_DISPLAY_NAME, "Bob"}, {PR_HOME_TELEPHONE_NUMBER, "020 7946 0000"}}));

  // Someone else's text: control characters become blanks, length is bounded.
  ASSERT_EQ(byName.count("Eve  [31m"), 1u);
  auto eve = EntryStrings(opened, byName["Eve  [31m"].id);
  EXPECT_EQ(eve[PR_EMAIL_ADDRESS], hostile.substr(0, kMaxPropText));
}

TEST(AddressBookTest, UnknownEntriesAndBooksAreNotFound) {
  SeedBook seed;
  ASSERT_TRUE(seed.Ok());
  seed.Add({{E_CONTACT_FULL_NAME, "Kept"}});
  Opened opened;
  ASSERT_EQ(Open(opened), S_OK);
  std::string id;
  for (const Row& row : ContentsRows(opened)) {
    if (row.name == "Kept") id = row.id;
  }
  ASSERT_FALSE(id.empty());
  EXPECT_EQ(EntryStrings(opened, id)[PR_DISPLAY_NAME], "Kept");
  HRESULT hr = S_OK;
  EXPECT_TRUE(EntryStrings(opened, id + "x", &hr).empty());
  EXPECT_EQ(hr, MAPI_E_NOT_FOUND);

  Opened unknown;
  EXPECT_EQ(Open(unknown, "no-such-book"), MAPI_E_NOT_FOUND);
}

// An entry that cannot be read leaves nothing behind: never the entry read before it.
TEST(AddressBookTest, ReaderKeepsNoValuesOfAnEarlierEntry) {
  SeedBook seed;
  ASSERT_TRUE(seed.Ok());
  seed.Add({{E_CONTACT_FULL_NAME, "First"}, {E_CONTACT_PHONE_MOBILE, "0700"}});
  varlo::wab::SetAddressBookProgram(VARLO_CONTACTS_PROGRAM);
  const CString defaultBook;
  CAddressBookReader reader(&defaultBook);
  ASSERT_TRUE(reader.m_opened);
  Opened opened;
  ASSERT_EQ(Open(opened), S_OK);
  std::string id;
  for (const Row& row : ContentsRows(opened)) {
    if (row.name == "First") id = row.id;
  }
  ASSERT_FALSE(id.empty());
  char value[512];
  reader.m_entryId.assign(id.begin(), id.end());
  reader.ReadEntryProps();
  ASSERT_TRUE(reader.GetStringProp(nullptr, PR_CELLULAR_TELEPHONE_NUMBER, value, sizeof(value)));
  EXPECT_STREQ(value, "0700");

  const std::string gone = id + "-gone";
  reader.m_entryId.assign(gone.begin(), gone.end());
  reader.ReadEntryProps();
  EXPECT_EQ(reader.m_propCount, 0u);
  EXPECT_FALSE(reader.GetStringProp(nullptr, PR_CELLULAR_TELEPHONE_NUMBER, value, sizeof(value)));
  EXPECT_FALSE(reader.GetStringProp(nullptr, PR_DISPLAY_NAME, value, sizeof(value)));
}

// The book's hidden property list, sorted by its text, carries each property's tag as the
// line's data; the import reads the tags from there.
TEST(AddressBookTest, TagListCarriesEachPropertysTagAsItsLinesData) {
  SeedBook seed;
  ASSERT_TRUE(seed.Ok());
  seed.Add({{E_CONTACT_FULL_NAME, "Tagged"}, {E_CONTACT_EMAIL_1, "t@example.org"}, {E_CONTACT_PHONE_HOME, "0200"}});
  varlo::win::MessageSystem::Instance().Reset();
  AfxSetResourceHandle(varlo::win::ExecutableModule());
  CDialog book(CPhoneBookDlg::IDD);
  ASSERT_TRUE(book.Create(CPhoneBookDlg::IDD));
  auto* tags = static_cast<CListBox*>(book.GetDlgItem(1011));
  ASSERT_NE(tags, nullptr);
  tags->AddString("stale");

  varlo::wab::SetAddressBookProgram(VARLO_CONTACTS_PROGRAM);
  const CString defaultBook;
  CAddressBookReader reader(&defaultBook);
  ASSERT_TRUE(reader.m_opened);
  Opened opened;
  ASSERT_EQ(Open(opened), S_OK);
  for (const Row& row : ContentsRows(opened))
    if (row.name == "Tagged") reader.m_entryId.assign(row.id.begin(), row.id.end());
  reader.ReadEntryProps();
  ASSERT_GT(reader.m_propCount, 0u);
  reader.FillTagList(tags);
  ASSERT_EQ(tags->GetCount(), static_cast<int>(reader.m_propCount));
  std::vector<ULONG> listed;
  for (int i = 0; i < tags->GetCount(); ++i) {
    CString text;
    tags->GetText(i, text);
    char expected[16];
    std::snprintf(expected, sizeof expected, "0x%.8x", static_cast<unsigned>(tags->GetItemData(i)));
    EXPECT_EQ(text, expected) << i;
    listed.push_back(static_cast<ULONG>(tags->GetItemData(i)));
  }
  EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end()));
  for (ULONG tag : {PR_DISPLAY_NAME, PR_EMAIL_ADDRESS, PR_HOME_TELEPHONE_NUMBER})
    EXPECT_NE(std::find(listed.begin(), listed.end(), tag), listed.end()) << std::hex << tag;
  EXPECT_EQ(tags->GetCurSel(), 0);
  book.DestroyWindow();
  varlo::win::MessageSystem::Instance().Reset();
}

TEST(AddressBookText, IsValidUtf8WithoutControlsAndBounded) {
  const std::string longText(600, 'x');
  const std::string longWide = std::string(kMaxPropText - 1, 'y') + "\xC3\xBC";  // the last character does not fit
  const std::pair<std::string, std::string> cases[] = {
      {"Ann", "Ann"},
      {"a\tb\nc\x7F", "a b c "},
      {"bad \xFF\xC3 end", "bad \xEF\xBF\xBD\xEF\xBF\xBD end"},
      {"\xE2\x80\xA8", " "},
      {longText, longText.substr(0, kMaxPropText)},
      {longWide, std::string(kMaxPropText - 1, 'y')},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(varlo::wab::SafeText(in.c_str()), out) << in;
}

}  // namespace

// The toolkit's and the address-book client's process-long caches.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return ToolkitLeakSuppressions(); }

int main(int argc, char** argv) {
  if (!InPrivateSession()) return RunInPrivateSession(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
