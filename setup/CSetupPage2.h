// The options sheet's second page, "Audio": the playback and recording devices, the audio
// delay (50 to 400 ms, taken when the mouse lets go of the slider) and the audio set-up
// wizard.  Device and delay changes are reported to the main window with WM_USER+107
// (wParam: playback changed, lParam: recording changed).
#pragma once
#include <functional>

#include "platform/core/CString.h"
#include "platform/win/Controls.h"
#include "platform/win/PropertySheet.h"
#include "stack/sound/PSoundChannel.h"

class CUserProfile;

class CSetupPage2 : public CPropertyPage {
 public:
  enum { IDD = 184 };
  static constexpr int kDelaySlider = 1016;
  static constexpr int kPlayList = 1030;
  static constexpr int kRecordList = 1031;
  static constexpr int kDelayText = 1019;
  static constexpr int kWizardButton = 1032;
  static constexpr int kMinDelay = 50;
  static constexpr int kMaxDelay = 400;

  static const char* GetRuntimeClassName() { return "CSetupPage2"; }

  CSetupPage2(CWnd* mainWnd, CUserProfile* profile);
  ~CSetupPage2() override;

  CSliderCtrl m_delaySlider;
  CComboBox m_playList;
  CComboBox m_recordList;
  int m_recordIndex = -1;
  int m_playIndex = -1;
  CString m_delayText;
  CWnd* m_pMainWnd = nullptr;
  CUserProfile* m_profile = nullptr;
  int m_delayAtOpen = 0;
  int m_playIndexAtOpen = -1;
  int m_recordIndexAtOpen = -1;

  // The sound system's device names (tests give their own).
  std::function<PStringArray(PSoundChannel::Directions)> m_deviceNames = &PSoundChannel::GetDeviceNames;
  // Runs the audio set-up wizard: the main window's own wizard command by default.
  std::function<void()> m_runWizard;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

  void OnDelaySlider(NMHDR* header, LRESULT* result);
  void OnAudioWizard();
  DECLARE_MESSAGE_MAP()

 private:
  // The lists' indexes of the profile's devices and its delay, as the values at open.
  void TakeProfileValues();
};
