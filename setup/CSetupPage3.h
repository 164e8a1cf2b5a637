// The options sheet's third page, "Options": the interface language (kept in "Varlo.ini"),
// silence detection and the speech frames per packet (kept in "Set.dat").  Its OK writes
// the files, switches the module's resources to a new language at once and hands the
// settings to the endpoint.
#pragma once
#include "platform/core/CString.h"
#include "platform/win/PropertySheet.h"

class CSetupPage3 : public CPropertyPage {
 public:
  enum { IDD = 205 };
  static constexpr int kLanguageBox = 1021;
  static constexpr int kFramesEdit = 1033;
  static constexpr int kSilenceCheck = 1035;

  static const char* GetRuntimeClassName() { return "CSetupPage3"; }

  CSetupPage3();
  ~CSetupPage3() override;

  CString m_language;
  int m_frames = 0;
  BOOL m_silence = 0;
  CString m_languageAtOpen;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  // Tells the user that a file kept its old content.
  void ReportUnsaved(const CString& path);
};

// Makes the resources of the named language the module's resources: the application's
// own for "English", its Simplified or Traditional Chinese library otherwise, or its own
// when that library did not load.
void SelectLanguageResources(const CString& language);
