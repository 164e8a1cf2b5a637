// The options sheet "Preferences" (caption string 102): the Account, Audio and Options
// pages, run modally by the main window's My Account command.  It has no Apply button; OK
// closes it only once the account page's entries pass their check, and Help opens the
// help file.  A sheet that does not end with OK leaves the profile's account, password,
// PIN and keep flags as they were when it opened.
#pragma once
#include <functional>

#include "platform/core/CString.h"
#include "platform/win/PropertySheet.h"
#include "setup/CSetupPage1.h"
#include "setup/CSetupPage2.h"
#include "setup/CSetupPage3.h"

class CPhoneEndPoint;
class CUserProfile;
class PSoundChannel;

class CSetupSheet : public CPropertySheet {
 public:
  static constexpr const char* kHelpFileName = "Varlo.chm";
  static const char* GetRuntimeClassName() { return "CSetupSheet"; }

  // The pages work for the application's main window and its profile.
  CSetupSheet(UINT captionId, CWnd* parent = nullptr, UINT selectPage = 0);
  CSetupSheet(const char* caption, CWnd* parent = nullptr, UINT selectPage = 0);
  // The pages work for the given window (it gets the login and device messages) and
  // profile.
  CSetupSheet(UINT captionId, CWnd* parent, UINT selectPage, CWnd* mainWnd, CUserProfile* profile);
  ~CSetupSheet() override;

  INT_PTR DoModal() override;

  CSetupPage1 m_page1;
  CSetupPage2 m_page2;
  CSetupPage3 m_page3;
  // The main window's sound channel and endpoint, given before the sheet runs.
  PSoundChannel* m_sound = nullptr;
  CPhoneEndPoint* m_endpoint = nullptr;
  // Set when the options page changed the language.
  BOOL m_languageChanged = FALSE;
  // Opens the help file at the given path (tests watch it).
  std::function<void(const CString& path)> m_openHelp;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void AddPages();
  CUserProfile* m_profile = nullptr;
};

// Starts the help viewer on a help file.  No viewer is started yet: the program has no
// way to reach the desktop's viewers.
void OpenHelpFile(const CString& path);
