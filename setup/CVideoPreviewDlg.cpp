#include "setup/CVideoPreviewDlg.h"

#include "setup/CFrameGrabberDoc.h"

BEGIN_MESSAGE_MAP(CVideoPreviewDlg, CDialog)
  ON_WM_DESTROY()
  ON_WM_NCHITTEST()
  ON_WM_TIMER()
END_MESSAGE_MAP()

CVideoPreviewDlg::CVideoPreviewDlg(CWnd* parent) : CDialog(0, parent) {}
CVideoPreviewDlg::~CVideoPreviewDlg() = default;

void CVideoPreviewDlg::OnDestroy() { CDialog::OnDestroy(); }

LRESULT CVideoPreviewDlg::OnNcHitTest(CPoint) { return HTCAPTION; }

void CVideoPreviewDlg::OnTimer(UINT_PTR) {
  if (m_captureWnd.GetSafeHwnd() == nullptr) return;
  BITMAPINFO* frame = m_captureWnd.GetFrame();
  const size_t bytes = m_captureWnd.GetFrameBytes();
  if (m_doc != nullptr && m_doc->GetPicture().GetSafeHandle() != nullptr) {
    m_doc->OnNewFrame(frame, bytes);
  } else if (CFrameGrabberDoc::IsWholeFrame(frame, bytes)) {
    CDibBitmap& picture = m_doc != nullptr ? m_doc->GetPicture() : m_picture;
    picture.SetFromDIB(frame);
    Invalidate(TRUE);
  }
  Default();
}
