// CHyperLink: a static text drawn as a link: its own text colour on a transparent
// background, the hand cursor, the hover colour once the mouse has crossed it (kept until
// the owner sets m_textColour again) and clicks reported to the parent as STN_CLICKED.
// Bind it to a static control of a dialog (SubclassDlgItem or DDX_Control).
#pragma once
#include "platform/win/Controls.h"

class CHyperLink : public CStatic {
 public:
  static constexpr COLORREF kLinkColour = 0x00B47B42;   // red 66, green 123, blue 180
  static constexpr COLORREF kHoverColour = 0x00FFAE63;  // red 99, green 174, blue 255

  CHyperLink();
  ~CHyperLink() override;

  BOOL PreTranslateMessage(MSG* msg) override;

  COLORREF m_textColour = kLinkColour;  // the owner may set it at any time

 protected:
  HBRUSH CtlColor(CDC* dc, UINT ctlColor);
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
  void PreSubclassWindow() override;
  DECLARE_MESSAGE_MAP()

  HCURSOR m_handCursor = nullptr;
};
