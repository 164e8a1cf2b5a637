// CHtmlView: the embedded web browser as a child window.  The layer keeps what a test
// reads (the address last asked for, the document last loaded); a backend's web view
// shows the pages and reports the browser's events back through the virtual handlers.
// Display-free there is no browser: Navigate only records, and tests stand in for the
// browser by calling the handlers or NavigationRequested / DocumentLoaded themselves.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/core/CString.h"
#include "platform/win/Wnd.h"

// The window class of browser views (the backend shows it as a web view).
inline constexpr const char* kHtmlViewClass = "VarloHtmlView";

// The document a page load left: its address and the number of elements in all
// (document.all.length).  A page that could not be loaded leaves an empty document.
class CHtmlDocument {
 public:
  CHtmlDocument(std::string url, std::optional<long> elementCount, bool loadFailed)
      : m_url(std::move(url)), m_elementCount(elementCount), m_loadFailed(loadFailed) {}
  const std::string& URL() const { return m_url; }
  // nullopt when the browser could not tell.
  std::optional<long> ElementCount() const { return m_elementCount; }
  bool LoadFailed() const { return m_loadFailed; }

 private:
  std::string m_url;
  std::optional<long> m_elementCount;
  bool m_loadFailed;
};

namespace varlo::win {
// What shows the pages; the backend's web view implements it.
class IWebBrowser {
 public:
  virtual ~IWebBrowser() = default;
  virtual void Navigate(const std::string& url) = 0;
};
}  // namespace varlo::win

class CHtmlView : public CWnd {
 public:
  CHtmlView();
  ~CHtmlView() override;

  // Creates the browser window (the class name is the layer's own and is ignored).
  BOOL Create(const char* className, const char* windowName, DWORD style, const RECT& rect, CWnd* parent,
              UINT id) override;
  void Navigate(const char* url, DWORD flags = 0, const char* targetFrame = nullptr, const char* headers = nullptr);
  void Navigate2(const char* url, DWORD flags = 0, const char* targetFrame = nullptr) { Navigate(url, flags, targetFrame); }
  // The address last asked for (by Navigate or by a link that was let through).
  CString GetLocationURL() const { return CString(m_location); }
  // The document of the last page loaded; null before the first one.
  const CHtmlDocument* GetHtmlDocument() const { return m_document ? &*m_document : nullptr; }

  // --- the browser's events ---
  // A navigation is about to start (a link, a script or Navigate): setting *cancel stops it.
  virtual void OnBeforeNavigate2(const char* url, DWORD flags, const char* targetFrame,
                                 const std::vector<BYTE>& postedData, const char* headers, BOOL* cancel);
  // A page has finished loading (or failed to).
  virtual void OnDownloadComplete() {}
  virtual void OnDocumentComplete(const char* /*url*/) {}

  // --- called by the backend (and by tests standing in for it) ---
  // Runs OnBeforeNavigate2; returns true when the navigation may go on.
  bool NavigationRequested(const std::string& url, const std::string& targetFrame = std::string());
  // Keeps the document and runs OnDocumentComplete and OnDownloadComplete.
  void DocumentLoaded(const std::string& url, std::optional<long> elementCount, bool loadFailed);
  void SetBrowser(varlo::win::IWebBrowser* browser) { m_browser = browser; }
  varlo::win::IWebBrowser* Browser() const { return m_browser; }

 private:
  std::string m_location;
  std::optional<CHtmlDocument> m_document;
  varlo::win::IWebBrowser* m_browser = nullptr;  // the backend's, while the window exists
};
