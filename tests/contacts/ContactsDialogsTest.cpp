// The contact book's and the quick-dial panel's windows are built on dialog templates that
// the program's resources hold.
#include <gtest/gtest.h>

#include <initializer_list>

#include "contacts/CAddContactDlg.h"
#include "contacts/CPhoneBookDlg.h"
#include "contacts/CPhoneEntryDlg.h"
#include "contacts/CQuickDialDlg.h"
#include "platform/win/Resources.h"

TEST(ContactsDialogs, WindowsUseTemplatesOfTheResources) {
  AfxSetResourceHandle(varlo::win::ExecutableModule());
  for (UINT id : std::initializer_list<UINT>{CPhoneBookDlg::IDD, CAddContactDlg::IDD, CQuickDialDlg::IDD, CPhoneEntryDlg::IDD}) {
    EXPECT_NE(varlo::win::FindDialog(AfxGetResourceHandle(), id), nullptr) << id;
  }
}
