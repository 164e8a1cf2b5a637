// CHtmlCtrl: the web browser view as a plain child control of a dialog: the main
// window's banner, in place of one of its static controls.  Links whose address begins
// with "app:" (any case) are not followed: the text after the prefix goes to OnAppCmd.
// After each page load the control shows itself when the page has 1 to 7 elements in all
// and hides itself otherwise; a page that fails to load leaves an empty document and so
// hides it too.
#pragma once
#include <optional>

#include "platform/win/HtmlView.h"

// The command of an "app:" address: the text after the prefix (case ignored), or null
// when the address does not begin with it.
const char* AppCommandOf(const char* url);
// What the banner does once a page has loaded with `elementCount` elements: SW_SHOW for
// 1 to 7, SW_HIDE for any other count; nothing (nullopt) when the count is not known.
std::optional<int> BannerShowCommand(std::optional<long> elementCount);

class CHtmlCtrl : public CHtmlView {
 public:
  static constexpr long kMaxBannerElements = 7;

  CHtmlCtrl();
  ~CHtmlCtrl() override;

  static const char* GetRuntimeClassName() { return "CHtmlCtrl"; }

  // Replaces the parent's static control `id` by this control, with the same id and
  // rectangle.  FALSE, creating nothing, when there is no such control.
  BOOL CreateFromStatic(UINT id, CWnd* parent);

  void OnBeforeNavigate2(const char* url, DWORD flags, const char* targetFrame, const std::vector<BYTE>& postedData,
                         const char* headers, BOOL* cancel) override;
  void OnDownloadComplete() override;
  // The text after "app:" of a link that was stopped; nothing happens here.
  virtual void OnAppCmd(const char* command);

 protected:
  void OnDestroy();
  int OnMouseActivate(CWnd* desktop, UINT hitTest, UINT message);
  void PostNcDestroy() override {}  // the owner keeps the object
  DECLARE_MESSAGE_MAP()
};
