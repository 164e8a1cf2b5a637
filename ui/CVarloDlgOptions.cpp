// The options sheet behind the My Account button and menu item.
#include "platform/win/Resources.h"
#include "setup/CSetupSheet.h"
#include "ui/CVarloDlg.h"

namespace {

constexpr UINT kIdsPreferences = 102;
constexpr UINT kIdsInputNumber = 104;
constexpr UINT kIdsInputIpAddress = 108;
constexpr UINT kIdsModePc2Pc = 114;
constexpr UINT kIdsModeLumoreth = 115;
constexpr UINT kMainMenuId = 200;
constexpr UINT kLineLampDark = 245;

}  // namespace

void CVarloDlg::OnMyAccount() {
  CSetupSheet sheet(kIdsPreferences, this, 0, this, &m_profile);
  sheet.m_sound = &m_sound;
  sheet.m_endpoint = &m_endpoint;
  sheet.m_languageChanged = 0;
  if (sheet.DoModal() == IDOK) {
    if (m_profile.m_callType == 0) {
      // Dropping the registration waits for the stack's RAS thread, so a worker does it.
      m_registerRunner.Unregister(m_endpoint);
      ShowMode(kIdsModePc2Pc);
      ShowStatus(kIdsInputIpAddress);
      SetLineLamp(kLineLampDark);
    } else {
      ShowMode(kIdsModeLumoreth);
    }
    m_profile.SaveAudioSettings();
    m_profile.SaveClientData();
  }
  if (sheet.m_languageChanged) {
    m_popupMenu.DestroyMenu();
    m_popupMenu.LoadMenu(kMainMenuId);
    m_callButton.LoadBitmaps(163, 145);
    m_homePageButton.LoadBitmaps(146, 160);
    m_myAccountButton.LoadBitmaps(129, 141);
    m_bookButton.LoadBitmaps(130, 150);
    m_yellowPageButton.LoadBitmaps(152, 153);
    ShowStatus(kIdsInputNumber);
    Invalidate();
  }
}
