// Helpers shared by the window tests that run under an X server.
#pragma once

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "platform/win/MessageMap.h"
#include "platform/win/Wnd.h"

// Runs one step every 250 ms of real time inside whatever loop runs: the toolkit needs the
// time to deliver what the input simulator sent.
class CScript : public CWnd {
 public:
  explicit CScript(std::vector<std::function<void()>> steps) : m_steps(std::move(steps)) {
    CreateEx(0, "", "script", WS_POPUP, CRect(0, 0, 1, 1), nullptr, 0);
    SetTimer(1, 250);
  }

  // Called by a step: the next steps wait until `ready` holds (looked at every 250 ms; after
  // `limit` looks the script goes on regardless, so that the test's checks say what is missing).
  void HoldUntil(std::function<bool()> ready, int limit = 120) {
    m_hold = std::move(ready);
    m_holdLooks = limit;
  }

 protected:
  void OnTimer(UINT_PTR) {
    if (m_hold && !m_hold() && --m_holdLooks > 0) return;
    m_hold = nullptr;
    if (m_next < m_steps.size()) m_steps[m_next++]();
  }
  DECLARE_MESSAGE_MAP()

 private:
  std::vector<std::function<void()>> m_steps;
  std::size_t m_next = 0;
  std::function<bool()> m_hold;
  int m_holdLooks = 0;
};

// The toolkit's and the browser's libraries keep caches for the life of the process; the
// leak checker is told to leave those alone (the programs' own objects are still checked).
// One test file of each program defines __lsan_default_suppressions to return this list.
inline const char* ToolkitLeakSuppressions() {
  return "leak:libgtk-3\nleak:libgdk-3\nleak:libglib-2.0\nleak:libgobject-2.0\nleak:libgio-2.0\n"
         "leak:libfontconfig\nleak:libpango\nleak:libcairo\nleak:libharfbuzz\nleak:libX11\nleak:libatk\n"
         "leak:libatk-bridge\nleak:libdbus\nleak:libwx_gtk3u_core\nleak:libwx_baseu\nleak:libepoxy\nleak:libgdk_pixbuf\n"
         "leak:libwebkit2gtk\nleak:libjavascriptcoregtk\nleak:libsoup\nleak:libwx_gtk3u_webview\nleak:libgstreamer\n";
}
