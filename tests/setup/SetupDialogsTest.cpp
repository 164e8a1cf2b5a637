// The options sheet's and the audio wizard's pages are built on dialog templates that the
// program's resources hold.
#include <gtest/gtest.h>

#include <initializer_list>

#include "platform/win/Resources.h"
#include "setup/CSetupSheet.h"
#include "setup/CVoiceSheet.h"

TEST(SetupDialogs, PagesUseTemplatesOfTheResources) {
  AfxSetResourceHandle(varlo::win::ExecutableModule());
  for (UINT id : std::initializer_list<UINT>{CSetupPage1::IDD, CSetupPage2::IDD, CSetupPage3::IDD, CVoice_Page1::IDD, CVoice_Page2::IDD,
                  CVoice_Page3::IDD, CVoice_Page4::IDD}) {
    EXPECT_NE(varlo::win::FindDialog(AfxGetResourceHandle(), id), nullptr) << id;
  }
}
