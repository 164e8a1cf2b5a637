// CNumberComboBox: the main window's number box.  Its edit field holds the number to
// call, its list is the dial history (most recent first).  It draws itself in the skin's
// style: a thin 14-pixel font, light-blue text and a small drawn drop arrow.
#pragma once
#include "platform/core/CString.h"
#include "platform/win/Controls.h"

// The characters of a typed or pasted number that are kept: digits and '.', in order.
CString CleanNumber(const char* text);

class CNumberComboBox : public CComboBox {
 public:
  static constexpr COLORREF kTextColour = 0x00FFAE63;   // red 99, green 174, blue 255
  static constexpr COLORREF kArrowColour = 0x00B47B42;  // red 66, green 123, blue 180
  static constexpr int kMinHistoryLength = 4;           // characters of a number kept in the history
  static constexpr int kMaxHistoryLength = 15;
  static constexpr int kHistoryEntries = 10;

  CNumberComboBox();
  ~CNumberComboBox() override;

  // Takes the text out of the box: returns it cleaned (whatever its length), records a
  // cleaned number of 4 to 15 characters at the top of the history and empties the box.
  CString TakeNumber();
  void DrawDropArrow();

 protected:
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor);
  void OnPaint();
  DECLARE_MESSAGE_MAP()

  CFont m_font;
};
