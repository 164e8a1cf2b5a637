// One drawing operation in device coordinates, as a device context hands it to its
// surface.  The display-free surface keeps them, so tests can read what was drawn.
#pragma once
#include <memory>
#include <string>

#include "platform/win/GdiData.h"

namespace varlo::win {

struct DrawOp {
  enum class Kind { kFill, kText, kLine, kBitmap, kFrame, kEllipse, kRoundRect, kIcon } kind = Kind::kFill;
  CRect rect;        // fill, frame, ellipse, bitmap destination, text box
  CPoint from, to;   // line (the end point is not drawn)
  CPoint source;     // bitmap source corner
  CSize corner;      // round rectangle corner ellipse
  std::string text;  // UTF-8
  UINT format = 0;   // DrawText flags; 0 for TextOut
  COLORREF color = 0;    // text, line or fill colour
  COLORREF bkColor = 0;  // text background when opaque
  bool opaque = false;
  int penWidth = 1;
  std::shared_ptr<const BrushData> brush;    // fills
  std::shared_ptr<const FontData> font;      // text
  std::shared_ptr<const BitmapData> bitmap;  // bitmaps and icons
  CPoint brushOrigin;  // pattern brushes tile from here (the window's origin)
};

class IDrawSurface {
 public:
  virtual ~IDrawSurface() = default;
  virtual void Draw(const DrawOp& op) = 0;
  virtual CSize TextExtent(const std::string& text, const FontData& font) = 0;
  virtual int BitsPerPixel() const { return 24; }
  // Whether the surface reads the box of a text drawn from a point (TextOut) beyond its
  // corner: without, the text is not measured for it (measuring lays it out).
  virtual bool WantsTextBoxes() const { return true; }
};

// Keeps what is drawn; measures text as 6 x 13 pixels per character cell.
class RecordingSurface final : public IDrawSurface {
 public:
  void Draw(const DrawOp& op) override { ops.push_back(op); }
  CSize TextExtent(const std::string& text, const FontData& font) override;
  std::vector<DrawOp> ops;
};

}  // namespace varlo::win
