// CSkinButton: the skinned push button of the main window, the contact book and the
// quick-dial panel.  An owner-drawn bitmap button (normal face, pressed face while held
// down) with the hand cursor and a tooltip made on first use; placed by its top-left
// corner; a double click counts as two clicks.
//
// Use: LoadBitmaps(normal, pressed); SizeToContent(); SetPosition(x, y);
//      SetTooltipText(text, TRUE).
#pragma once
#include <memory>

#include "platform/core/CString.h"
#include "platform/win/Controls.h"

class CSkinButton : public CBitmapButton {
 public:
  CSkinButton();
  ~CSkinButton() override;

  // Moves the button's top-left corner to (x, y) of its parent, keeping its size.
  void SetPosition(int x, int y);
  // Sets the tooltip's text and (de)activates it.  An empty text changes nothing.
  void SetTooltipText(const CString& text, BOOL activate = TRUE);
  void EnsureTooltip();
  void DeleteTooltip();

  BOOL PreTranslateMessage(MSG* msg) override;

  // The tooltip control, null until the first non-empty SetTooltipText.
  CToolTipCtrl* GetTooltip() const { return m_tooltip.get(); }
  const CString& GetTooltipText() const { return m_tooltipText; }
  HCURSOR GetHandCursor() const { return m_handCursor; }

 protected:
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
  void OnLButtonDblClk(UINT flags, CPoint point);
  DECLARE_MESSAGE_MAP()

  HCURSOR m_handCursor = nullptr;
  std::unique_ptr<CToolTipCtrl> m_tooltip;
  CString m_tooltipText;
};
