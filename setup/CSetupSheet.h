// The options sheet "Preferences" (caption string 102): the account, audio and options
// pages, run modally by the main window's My Account command.
#pragma once
#include "platform/win/PropertySheet.h"
#include "setup/CSetupPage1.h"
#include "setup/CSetupPage2.h"
#include "setup/CSetupPage3.h"

class CPhoneEndPoint;
class PSoundChannel;

class CSetupSheet : public CPropertySheet {
 public:
  CSetupSheet(UINT captionId, CWnd* parent = nullptr, UINT selectPage = 0);
  CSetupSheet(const char* caption, CWnd* parent = nullptr, UINT selectPage = 0);
  ~CSetupSheet() override;

  CSetupPage1 m_page1;
  CSetupPage2 m_page2;
  CSetupPage3 m_page3;
  // The main window's sound channel and endpoint, given before the sheet runs.
  PSoundChannel* m_sound = nullptr;
  CPhoneEndPoint* m_endpoint = nullptr;
  // Set when the options page changed the language.
  BOOL m_languageChanged = FALSE;
};
