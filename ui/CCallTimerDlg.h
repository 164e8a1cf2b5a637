// CCallTimerDlg: the call-duration field of the main window (dialog 182): hours, minutes
// and seconds of the call so far ("00:00:00"), drawn on a dark background.  Call control
// resets it when a call is placed, starts it when the call connects and stops it when the
// call ends; the talk log reads m_timeText.
#pragma once
#include <functional>

#include "platform/core/CString.h"
#include "platform/core/CTime.h"
#include "platform/win/Dialog.h"
#include "platform/win/Gdi.h"

// The display text of a call that has lasted `elapsedSeconds`: "HH:MM:SS" with the hours
// within the day (a call of a day and 5 seconds shows 00:00:05).
CString FormatCallDuration(LONGLONG elapsedSeconds);

class CCallTimerDlg : public CDialog {
 public:
  enum { IDD = 182 };
  static constexpr UINT_PTR kTimerId = 1;
  static constexpr UINT kTickMs = 700;
  static constexpr COLORREF kBackColour = 0x00372807;    // red 7, green 40, blue 55
  static constexpr COLORREF kDimColour = 0x00614425;     // red 37, green 68, blue 97
  static constexpr COLORREF kBrightColour = 0x00FFAE63;  // red 99, green 174, blue 255

  explicit CCallTimerDlg(CWnd* parent = nullptr);
  ~CCallTimerDlg() override;

  void StartTimer();
  void StopTimer();
  void ResetDisplay();
  void SetTextColour(COLORREF colour);
  // The calendar clock (whole seconds); tests put their own in.
  void SetClock(std::function<CTime()> now) { m_now = std::move(now); }

  BOOL OnInitDialog() override;

  CString m_timeText = "00:00:00";
  CRect m_placement{170, 61, 222, 74};
  COLORREF m_backColour = kBackColour;
  COLORREF m_textColour = kDimColour;
  CBrush m_backBrush;
  CFont m_font;
  CTime m_startTime;

 protected:
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor);
  void OnPaint();
  void OnTimer(UINT_PTR id);
  DECLARE_MESSAGE_MAP()

 private:
  std::function<CTime()> m_now = [] { return CTime::GetCurrentTime(); };
  // What the last paint showed: a tick that would show the same again repaints nothing.
  CString m_shownText;
  COLORREF m_shownColour = 0xFFFFFFFF;  // no colour yet
};
