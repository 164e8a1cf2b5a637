// Drawing the layer's DrawOps on a wxDC, and the conversions of its pictures and fonts.
#pragma once

#include <optional>
#include <wx/bitmap.h>
#include <wx/dc.h>
#include <wx/font.h>

#include "platform/win/DrawOp.h"

namespace varlo::wx {

wxBitmap ToBitmap(const std::shared_ptr<const win::BitmapData>& data);
wxFont ToFont(const win::FontData* font);
// The character height in pixels of ToFont(font), as the toolkit measures it.
int FontCharHeight(const win::FontData* font);
inline wxColour ToColour(COLORREF c) { return wxColour(GetRValue(c), GetGValue(c), GetBValue(c)); }

class DcSurface final : public win::IDrawSurface {
 public:
  explicit DcSurface(wxDC& dc) : m_dc(dc) {}
  void Draw(const win::DrawOp& op) override;
  CSize TextExtent(const std::string& text, const win::FontData& font) override;
  bool WantsTextBoxes() const override { return false; }
  // Only the part `box` of the surface is being repainted: what lies wholly outside it is
  // not drawn (the toolkit would clip it away, after the cost of drawing it).
  void SetVisibleBox(const wxRect& box) { m_visible = box; }

 private:
  bool Outside(const win::DrawOp& op) const;
  wxDC& m_dc;
  std::optional<wxRect> m_visible;
};

}  // namespace varlo::wx
