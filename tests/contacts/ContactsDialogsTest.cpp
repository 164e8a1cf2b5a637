// The contact book's and the quick-dial panel's windows are built on dialog templates that
// the program's resources hold.
#include <gtest/gtest.h>

#include <initializer_list>

#include "contacts/CAddContactDlg.h"
#include "contacts/CPhoneBookDlg.h"
#include "contacts/CPhoneEntryDlg.h"
#include "contacts/CQuickDialDlg.h"
#include "platform/win/Resources.h"
#include "platform/win/WinStyles.h"

TEST(ContactsDialogs, WindowsUseTemplatesOfTheResources) {
  AfxSetResourceHandle(varlo::win::ExecutableModule());
  for (UINT id : std::initializer_list<UINT>{CPhoneBookDlg::IDD, CAddContactDlg::IDD, CQuickDialDlg::IDD, CPhoneEntryDlg::IDD}) {
    EXPECT_NE(varlo::win::FindDialog(AfxGetResourceHandle(), id), nullptr) << id;
  }
}

// The two entry dialogs are plain modal pop-ups: they open where their templates put them
// beside their owner, not centred on it.
TEST(ContactsDialogs, EntryDialogsArePlainModalPopUpsNotCentred) {
  AfxSetResourceHandle(varlo::win::ExecutableModule());
  constexpr DWORD kFrame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  for (UINT id : std::initializer_list<UINT>{CAddContactDlg::IDD, CPhoneEntryDlg::IDD}) {
    const auto* t = varlo::win::FindDialog(AfxGetResourceHandle(), id);
    ASSERT_NE(t, nullptr) << id;
    EXPECT_EQ(t->style & kFrame, kFrame) << id;
    EXPECT_EQ(t->style & DS_CENTER, 0u) << id;
    EXPECT_EQ(t->x, 0) << id;
    EXPECT_EQ(t->y, 0) << id;
  }
}

