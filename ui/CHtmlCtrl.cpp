#include "ui/CHtmlCtrl.h"

#include <cstring>

#include "platform/win/Controls.h"

namespace {
constexpr const char kAppPrefix[] = "app:";
constexpr size_t kAppPrefixLength = sizeof(kAppPrefix) - 1;

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

const char* AppCommandOf(const char* url) {
  if (!url) return nullptr;
  // Byte by byte, folding ASCII letters only: the lead bytes of multi-byte characters
  // never match the prefix's letters.
  for (size_t i = 0; i < kAppPrefixLength; ++i) {
    if (url[i] == '\0' || FoldAscii(url[i]) != kAppPrefix[i]) return nullptr;
  }
  return url + kAppPrefixLength;
}

std::optional<int> BannerShowCommand(std::optional<long> elementCount) {
  if (!elementCount) return std::nullopt;
  return *elementCount >= 1 && *elementCount <= CHtmlCtrl::kMaxBannerElements ? SW_SHOW : SW_HIDE;
}

BEGIN_MESSAGE_MAP(CHtmlCtrl, CHtmlView)
  ON_WM_DESTROY()
  ON_WM_MOUSEACTIVATE()
END_MESSAGE_MAP()

CHtmlCtrl::CHtmlCtrl() = default;

CHtmlCtrl::~CHtmlCtrl() = default;

BOOL CHtmlCtrl::CreateFromStatic(UINT id, CWnd* parent) {
  CStatic placeholder;
  if (!placeholder.SubclassDlgItem(id, parent)) return FALSE;
  CRect rect;
  placeholder.GetWindowRect(&rect);
  parent->ScreenToClient(&rect);
  placeholder.DestroyWindow();
  return Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, rect, parent, id);
}

void CHtmlCtrl::OnBeforeNavigate2(const char* url, DWORD, const char*, const std::vector<BYTE>&, const char*,
                                  BOOL* cancel) {
  if (const char* command = AppCommandOf(url)) {
    OnAppCmd(command);
    if (cancel) *cancel = TRUE;
  }
}

void CHtmlCtrl::OnDownloadComplete() {
  const CHtmlDocument* document = GetHtmlDocument();
  if (!document) return;
  if (const std::optional<int> show = BannerShowCommand(document->ElementCount())) ShowWindow(*show);
}

void CHtmlCtrl::OnAppCmd(const char*) {}

void CHtmlCtrl::OnDestroy() { CWnd::OnDestroy(); }

int CHtmlCtrl::OnMouseActivate(CWnd* desktop, UINT hitTest, UINT message) {
  return CWnd::OnMouseActivate(desktop, hitTest, message);
}
