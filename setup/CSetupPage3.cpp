#include "setup/CSetupPage3.h"

#include "engine/OptionFiles.h"
#include "platform/core/AppDir.h"
#include "platform/win/DataExchange.h"
#include "platform/win/Resources.h"
#include "setup/CSetupSheet.h"
#include "ui/CVarloApp.h"

void SelectLanguageResources(const CString& language) {
  auto* app = dynamic_cast<CVarloApp*>(AfxGetApp());
  if (!app) return;
  HINSTANCE handle = app->m_hOwnResources;
  if (language == kLanguageSimplifiedName) {
    handle = app->m_hChinaDll;
  } else if (language != kLanguageEnglishName) {
    handle = app->m_hTraditionalDll;
  }
  if (!handle) handle = app->m_hOwnResources;
  if (handle) AfxSetResourceHandle(handle);
}

CSetupPage3::CSetupPage3() : CPropertyPage(IDD) {
  m_language.Empty();
  m_frames = 0;
  m_silence = 0;
}

CSetupPage3::~CSetupPage3() = default;

void CSetupPage3::DoDataExchange(CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  DDX_CBString(dx, kLanguageBox, m_language);
  DDX_Text(dx, kFramesEdit, m_frames);
  DDX_Check(dx, kSilenceCheck, m_silence);
}

BOOL CSetupPage3::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  m_language = ReadLanguageFile(g_appDir + kLanguageIniName);
  m_languageAtOpen = m_language;
  CallOptions options;
  ReadOptionFile(g_appDir + kOptionFileName, options);
  m_silence = options.silenceDetection;
  m_frames = options.framesPerPacket;
  UpdateData(FALSE);
  return TRUE;
}

void CSetupPage3::ReportUnsaved(const CString& path) {
  CString text;
  text.Format("The setting could not be saved in \"%s\"; it holds until the program ends.", path.GetString());
  MessageBox(text, nullptr, MB_OK | MB_ICONEXCLAMATION);
}

void CSetupPage3::OnOK() {
  auto* sheet = dynamic_cast<CSetupSheet*>(GetParent());
  UpdateData(TRUE);
  if (m_language != m_languageAtOpen) {
    const CString iniPath = g_appDir + kLanguageIniName;
    if (!WriteLanguageFile(iniPath, m_language)) ReportUnsaved(iniPath);
    SelectLanguageResources(m_language);
    if (sheet) sheet->m_languageChanged = 1;
  }
  m_frames = NormalFramesPerPacket(m_frames);
  const CallOptions options{m_silence, m_frames};
  const CString setPath = g_appDir + kOptionFileName;
  if (!WriteOptionFile(setPath, options)) ReportUnsaved(setPath);
  if (sheet && sheet->m_endpoint) ApplyCallOptions(*sheet->m_endpoint, options);
  CPropertyPage::OnOK();
}
