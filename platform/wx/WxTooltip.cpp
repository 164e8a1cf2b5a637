#include "platform/wx/WxTooltip.h"

#include <wx/popupwin.h>
#include <wx/stattext.h>
#include <wx/wx.h>

#include <algorithm>
#include <set>

#include "platform/win/Gdi.h"
#include "platform/win/GdiData.h"
#include "platform/win/MessageSystem.h"
#include "platform/wx/WxDraw.h"

namespace varlo::wx {

using namespace varlo::win;

namespace {

constexpr int kPaddingX = 4;
constexpr int kPaddingY = 2;

// A pop-up with a thin frame, the pale face and the tip's text as a toolkit label.
class TipPopup final : public wxPopupWindow {
 public:
  explicit TipPopup(wxWindow* parent) : wxPopupWindow(parent, wxBORDER_SIMPLE) {
    SetBackgroundColour(ToColour(GetSysColor(COLOR_INFOBK)));
    label = new wxStaticText(this, wxID_ANY, "", wxPoint(kPaddingX, kPaddingY));
    label->SetFont(ToFont(GdiGetAs<FontData>(::GetStockObject(DEFAULT_GUI_FONT)).get()));
    label->SetForegroundColour(ToColour(GetSysColor(COLOR_INFOTEXT)));
    label->SetBackgroundColour(ToColour(GetSysColor(COLOR_INFOBK)));
  }
  // Takes the text; returns the size it needs, and at least the layer's size for the tip.
  wxSize Fit(const wxString& shown, wxSize layerSize) {
    text = shown;
    label->SetLabel(text);
    const wxSize extent = label->GetBestSize();
    label->SetSize(extent);
    return wxSize(std::max(layerSize.x, extent.x + 2 * kPaddingX), std::max(layerSize.y, extent.y + 2 * kPaddingY));
  }
  void Place(const wxRect& r) { SetSize(r); }
  wxStaticText* label;
  wxString text;
};

class TooltipPeer;
std::set<TooltipPeer*>& Peers() {
  static auto* peers = new std::set<TooltipPeer*>();
  return *peers;
}

class TooltipPeer final : public IWindowPeer {
 public:
  TooltipPeer(WindowState& w, std::function<wxWindow*(HWND)> parentFor)
      : m_owner(w.owner ? w.owner : w.parent), m_parentFor(std::move(parentFor)) {
    Peers().insert(this);
  }
  ~TooltipPeer() override {
    Peers().erase(this);
    if (popup) popup->Destroy();
  }
  void Sync(WindowState& w, unsigned changes) override {
    if (!(changes & (kChangeText | kChangeRect | kChangeVisible))) return;
    if (!w.Visible()) {
      if (popup && popup->IsShown()) popup->Hide();
      return;
    }
    if (!popup) {
      wxWindow* parent = m_parentFor(m_owner);
      if (!parent) return;
      popup = new TipPopup(parent);
      // The pop-up goes with its parent frame, which may be destroyed first.
      popup->Bind(wxEVT_DESTROY, [this](wxWindowDestroyEvent& e) {
        if (e.GetEventObject() == popup) popup = nullptr;
        e.Skip();
      });
    }
    const wxSize size = popup->Fit(wxString::FromUTF8(w.text), wxSize(w.rect.Width(), w.rect.Height()));
    popup->Place(wxRect(w.rect.left, w.rect.top, size.x, size.y));
    if (!popup->IsShown()) popup->Show();
  }
  void Invalidate(const RECT*) override {
    if (popup) popup->Refresh();
  }

  TipPopup* popup = nullptr;

 private:
  HWND m_owner;
  std::function<wxWindow*(HWND)> m_parentFor;
};

}  // namespace

std::unique_ptr<IWindowPeer> MakeTooltipPeer(WindowState& w, std::function<wxWindow*(HWND)> parentFor) {
  return std::make_unique<TooltipPeer>(w, std::move(parentFor));
}

bool ReadShownTooltip(TooltipLook& out) {
  for (TooltipPeer* p : Peers()) {
    if (p->popup && p->popup->IsShown()) {
      out.text = std::string(p->popup->text.utf8_str());
      out.rect = p->popup->GetScreenRect();
      return true;
    }
  }
  return false;
}

}  // namespace varlo::wx
