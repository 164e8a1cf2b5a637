// CVideoPreviewDlg: shows the capture window's frames, or hands them to a frame-grabber
// document, on every timer tick.  The dialog can be dragged from any point.
#pragma once

#include "platform/win/Dialog.h"
#include "platform/win/MessageMap.h"
#include "setup/CCaptureWnd.h"
#include "ui/CDibBitmap.h"

class CFrameGrabberDoc;

class CVideoPreviewDlg : public CDialog {
 public:
  explicit CVideoPreviewDlg(CWnd* parent = nullptr);
  ~CVideoPreviewDlg() override;

  CCaptureWnd m_captureWnd;
  CFrameGrabberDoc* m_doc = nullptr;

  LRESULT OnNcHitTest(CPoint point);
  void OnTimer(UINT_PTR id);
  // The picture shown when there is no document.
  CDibBitmap& GetPicture() { return m_picture; }

 protected:
  void OnDestroy();
  DECLARE_MESSAGE_MAP()

 private:
  CDibBitmap m_picture;
};
