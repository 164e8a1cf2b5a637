#include "platform/wx/WxWebView.h"

#include <wx/webview.h>
#include <wx/wx.h>

#include <string>

#include "platform/win/HtmlView.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/WindowState.h"

namespace varlo::wx {

using namespace varlo::win;

namespace {

MessageSystem& Sys() { return MessageSystem::Instance(); }

CPoint OffsetInTop(WindowState* w) {
  CPoint p(0, 0);
  while (w && w->IsChild()) {
    p.Offset(w->rect.left, w->rect.top);
    w = Sys().Find(w->parent);
  }
  return p;
}

std::string Utf8(const wxString& s) { return std::string(s.utf8_str()); }

constexpr const char kBlankPage[] = "about:blank";
constexpr const char kElementCountScript[] = "document.all.length";
constexpr int kStandInWaitMs = 2000;

// One page load at a time is followed: the address asked for (pending), what the browser
// committed to and whether it has failed.  WebKit also reports loads that are not the one
// asked for (its own blank start page, the previous page again after a failure, the
// empty page that stands in for a failed one); those are not reported to the view.  A
// load that commits to the blank page although another was asked for (a port the
// browser refuses) counts as failed.
class WebViewPeer final : public IWindowPeer, public IWebBrowser {
 public:
  WebViewPeer(WindowState& w, wxWindow* canvas) : m_hwnd(w.hwnd) {
    const CPoint at = OffsetInTop(&w);
    m_view = wxWebView::New(canvas, wxID_ANY, "", wxPoint(at.x, at.y), wxSize(w.rect.Width(), w.rect.Height()));
    m_view->Bind(wxEVT_WEBVIEW_NAVIGATING, &WebViewPeer::OnNavigating, this);
    m_view->Bind(wxEVT_WEBVIEW_NAVIGATED, &WebViewPeer::OnNavigated, this);
    m_view->Bind(wxEVT_WEBVIEW_LOADED, &WebViewPeer::OnLoaded, this);
    m_view->Bind(wxEVT_WEBVIEW_ERROR, &WebViewPeer::OnError, this);
    m_standInTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { StandInDone(); });
    if (CHtmlView* view = View()) view->SetBrowser(this);
    Sync(w, ~0u);
  }
  ~WebViewPeer() override {
    if (CHtmlView* view = View(); view && view->Browser() == this) view->SetBrowser(nullptr);
    *m_alive = false;
    m_view->Destroy();
  }

  void Sync(WindowState& w, unsigned changes) override {
    if (changes & (kChangeRect | kChangeVisible)) {
      const CPoint at = OffsetInTop(&w);
      m_view->SetSize(at.x, at.y, w.rect.Width(), w.rect.Height());
      m_view->Show(::IsWindowVisible(w.hwnd) != FALSE);
    }
    if (changes & kChangeEnabled) m_view->Enable(w.Enabled());
  }
  void Invalidate(const RECT*) override { m_view->Refresh(); }

  void Navigate(const std::string& url) override {
    m_asked = url;
    // The page the browser puts in place of a failed one would replace a page asked for
    // before it has come: such a page waits for it.
    if (!m_standIn.empty()) {
      m_queued = url;
      m_standInTimer.StartOnce(kStandInWaitMs);
      return;
    }
    m_view->LoadURL(wxString::FromUTF8(url));
  }

 private:
  CHtmlView* View() const {
    WindowState* w = Sys().Find(m_hwnd);
    return w ? dynamic_cast<CHtmlView*>(w->wnd) : nullptr;
  }

  void OnNavigating(wxWebViewEvent& e) {
    CHtmlView* view = View();
    const std::string url = Utf8(e.GetURL());
    if (!m_following && m_asked.empty()) return;  // the browser's own start page
    if (view && !view->NavigationRequested(url, Utf8(e.GetTarget()))) {
      e.Veto();
      return;
    }
    m_following = true;
    ++m_generation;
    m_pending = url;
    m_committed.clear();
    m_failed = false;
  }
  void OnNavigated(wxWebViewEvent& e) {
    const std::string url = Utf8(e.GetURL());
    if (!m_standIn.empty() && url == m_standIn) return StandInDone();
    if (!m_following || m_failed) return;
    // Only the page asked for, or the blank page standing in for it; a late report of
    // the previous page must not be taken for this one.
    if (url == m_pending || url == kBlankPage) m_committed = url;
  }
  void OnError(wxWebViewEvent& e) {
    // A load given up for the next one is not a failure of the next one.
    if (!m_following || m_failed || e.GetInt() == wxWEBVIEW_NAV_ERR_USER_CANCELLED) return;
    const std::string url = Utf8(e.GetURL());
    if (url != m_pending) return;
    m_standIn = url;
    Failed();
  }
  void OnLoaded(wxWebViewEvent& e) {
    if (!m_standIn.empty() && Utf8(e.GetURL()) == m_standIn) return StandInDone();
    if (!m_following || m_failed) return;
    const std::string url = Utf8(e.GetURL());
    if (url == kBlankPage && m_pending != kBlankPage && m_committed == kBlankPage) return Failed();
    if (url != m_pending) return;
    // The count is read once the event is over: the script runs a loop of its own.
    std::shared_ptr<bool> alive = m_alive;
    const unsigned generation = m_generation;
    m_view->CallAfter([this, alive, url, generation] {
      if (!*alive || generation != m_generation) return;  // another page is on its way
      wxString out;
      std::optional<long> count;
      long value = 0;
      if (m_view->RunScript(kElementCountScript, &out) && out.ToLong(&value)) count = value;
      if (!*alive || generation != m_generation) return;
      if (CHtmlView* view = View()) view->DocumentLoaded(url, count, false);
    });
  }
  void StandInDone() {
    m_standIn.clear();
    m_standInTimer.Stop();
    if (m_queued.empty()) return;
    const std::string url = std::move(m_queued);
    m_queued.clear();
    m_view->LoadURL(wxString::FromUTF8(url));
  }
  void Failed() {
    m_failed = true;
    if (CHtmlView* view = View()) view->DocumentLoaded(m_pending, std::nullopt, true);
  }

  HWND m_hwnd;
  wxWebView* m_view = nullptr;
  std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
  std::string m_asked;       // the address of the last Navigate
  bool m_following = false;  // a navigation of ours has started
  std::string m_pending;
  std::string m_committed;
  bool m_failed = false;
  unsigned m_generation = 0;  // counts the navigations followed
  std::string m_standIn;      // a failed address whose stand-in page is still to come
  std::string m_queued;       // the address asked for meanwhile
  wxTimer m_standInTimer;     // how long a page waits for a stand-in page at most
};

}  // namespace

std::unique_ptr<IWindowPeer> MakeWebViewPeer(WindowState& w, wxWindow* canvas) {
  return std::make_unique<WebViewPeer>(w, canvas);
}

}  // namespace varlo::wx
