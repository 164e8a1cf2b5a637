#include "platform/win/HtmlView.h"

CHtmlView::CHtmlView() = default;

CHtmlView::~CHtmlView() {
  if (m_hWnd) DestroyWindow();
  m_browser = nullptr;
}

BOOL CHtmlView::Create(const char*, const char* windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateEx(0, kHtmlViewClass, windowName ? windowName : "", style | WS_CHILD, rect, parent, id);
}

void CHtmlView::Navigate(const char* url, DWORD, const char*, const char*) {
  m_location = url ? url : "";
  if (m_browser && m_hWnd) m_browser->Navigate(m_location);
}

void CHtmlView::OnBeforeNavigate2(const char*, DWORD, const char*, const std::vector<BYTE>&, const char*,
                                  BOOL* cancel) {
  if (cancel) *cancel = FALSE;
}

bool CHtmlView::NavigationRequested(const std::string& url, const std::string& targetFrame) {
  BOOL cancel = FALSE;
  const std::vector<BYTE> noData;
  OnBeforeNavigate2(url.c_str(), 0, targetFrame.c_str(), noData, "", &cancel);
  if (cancel) return false;
  m_location = url;
  return true;
}

void CHtmlView::DocumentLoaded(const std::string& url, std::optional<long> elementCount, bool loadFailed) {
  m_document.emplace(url, loadFailed ? std::optional<long>(0) : elementCount, loadFailed);
  OnDocumentComplete(url.c_str());
  OnDownloadComplete();
}
