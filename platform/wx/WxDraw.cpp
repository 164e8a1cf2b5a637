#include "platform/wx/WxDraw.h"

#include <wx/dcscreen.h>
#include <wx/image.h>
#include <wx/mstream.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

#include "platform/win/TextWrap.h"

namespace varlo::wx {

namespace {
struct CachedBitmap {
  std::weak_ptr<const win::BitmapData> source;
  wxBitmap bitmap;
};
std::map<const void*, CachedBitmap>& Cache() {
  static auto* cache = new std::map<const void*, CachedBitmap>();
  return *cache;
}
}  // namespace

wxBitmap ToBitmap(const std::shared_ptr<const win::BitmapData>& data) {
  if (!data) return wxBitmap();
  auto& cache = Cache();
  auto it = cache.find(data.get());
  if (it != cache.end() && !it->second.source.expired() && it->second.source.lock() == data) return it->second.bitmap;
  wxImage image;
  if (!data->encoded.empty()) {
    wxMemoryInputStream in(data->encoded.data(), data->encoded.size());
    image.LoadFile(in, wxBITMAP_TYPE_ANY);
  } else if (!data->pixels.empty()) {
    image.Create(data->width, data->height, false);
    image.SetAlpha();
    for (int y = 0; y < data->height; ++y) {
      for (int x = 0; x < data->width; ++x) {
        const std::uint32_t p = data->pixels[static_cast<size_t>(y * data->width + x)];
        image.SetRGB(x, y, (p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
        image.SetAlpha(x, y, (p >> 24) & 0xFF);
      }
    }
  }
  wxBitmap bitmap = image.IsOk() ? wxBitmap(image) : wxBitmap();
  // Drop entries whose pictures are gone, then keep this one.
  for (auto e = cache.begin(); e != cache.end();) e = e->second.source.expired() ? cache.erase(e) : std::next(e);
  cache[data.get()] = CachedBitmap{data, bitmap};
  return bitmap;
}

namespace {
// What tells the toolkit fonts apart: pixel height, weight, italic, underlined.
using FontKey = std::tuple<int, wxFontWeight, bool, bool>;
FontKey KeyOf(const win::FontData* font) {
  wxFontWeight weight = wxFONTWEIGHT_NORMAL;
  if (font && font->weight >= 600) weight = wxFONTWEIGHT_BOLD;
  if (font && font->weight > 0 && font->weight <= 200) weight = wxFONTWEIGHT_LIGHT;
  return {font ? font->PixelHeight() : 11, weight, font && font->italic, font && font->underline};
}
}  // namespace

namespace {

struct MadeFont {
  wxFont font;
  int charHeight = 0;  // the toolkit's character height of the font, in pixels
};

// The toolkit's character height of `font` at `points` (how the toolkit measures a font
// for its pixel size).
int CharHeightAt(wxFont& font, wxScreenDC& dc, int points) {
  font.SetPointSize(points);
  dc.SetFont(font);
  return dc.GetCharHeight();
}

// Sans faces at 96 pixels an inch: about 1.6 pixels of character height per point.
constexpr double kCharPixelsPerPoint = 1.6;

// The sans face at the largest point size whose character height is at most `pixels`,
// as the toolkit's own pixel-size search picks it (sizes give heights that grow with
// them).  That search halves and doubles from the default size, each try a font to
// match and measure; here the search starts at the size a sans face usually needs and
// goes to the next sizes, mostly two tries.
MadeFont SansOfPixelHeight(int pixels) {
  wxFont f(wxFontInfo().Family(wxFONTFAMILY_SWISS));
  wxScreenDC dc;
  int points = std::max(1, static_cast<int>(std::lround(pixels / kCharPixelsPerPoint)));
  int height = CharHeightAt(f, dc, points);
  while (height > pixels && points > 1) height = CharHeightAt(f, dc, --points);
  for (;;) {
    const int taller = CharHeightAt(f, dc, points + 1);
    if (taller > pixels) break;
    ++points;
    height = taller;
  }
  f.SetPointSize(points);
  return MadeFont{f, height};
}

const MadeFont& Made(const win::FontData* font) {
  const FontKey key = KeyOf(font);
  const auto [pixels, weight, italic, underline] = key;
  // Making a toolkit font of a pixel size measures text until the size fits, which costs
  // more than drawing the text: each kind is made once and shared, as the toolkit's fonts
  // are (on the UI thread, like the bitmaps above), and kept to the end of the process
  // (the toolkit is gone before static objects are).
  static auto* made = new std::map<FontKey, MadeFont>();
  if (const auto found = made->find(key); found != made->end()) return found->second;
  // The dialog font's 8 points are 11 pixels; the toolkit's sans face stands in for faces
  // this system does not have.
  MadeFont m = SansOfPixelHeight(pixels);
  if (weight != wxFONTWEIGHT_NORMAL) m.font.SetWeight(weight);
  if (italic) m.font.SetStyle(wxFONTSTYLE_ITALIC);
  if (underline) m.font.SetUnderlined(true);
  if (weight != wxFONTWEIGHT_NORMAL || italic || underline) m.charHeight = m.font.GetPixelSize().y;
  return made->emplace(key, std::move(m)).first->second;
}

}  // namespace

wxFont ToFont(const win::FontData* font) { return Made(font).font; }

int FontCharHeight(const win::FontData* font) { return Made(font).charHeight; }

CSize DcSurface::TextExtent(const std::string& text, const win::FontData& font) {
  // Measuring lays the text out, and a window measures the same texts at every repaint:
  // each is measured once per kind of surface and font (a bounded record).
  using Key = std::tuple<const wxClassInfo*, FontKey, std::string>;
  static auto* measured = new std::map<Key, CSize>();
  Key key{m_dc.GetClassInfo(), KeyOf(&font), text};
  if (const auto found = measured->find(key); found != measured->end()) return found->second;
  m_dc.SetFont(ToFont(&font));
  wxCoord w = 0, h = 0;
  m_dc.GetMultiLineTextExtent(wxString::FromUTF8(text), &w, &h);
  constexpr size_t kMeasuredTexts = 1024;
  if (measured->size() >= kMeasuredTexts) measured->clear();
  measured->emplace(std::move(key), CSize(w, h));
  return CSize(w, h);
}

bool DcSurface::Outside(const win::DrawOp& op) const {
  if (!m_visible) return false;
  using Kind = win::DrawOp::Kind;
  wxRect bounds(op.rect.left, op.rect.top, op.rect.Width(), op.rect.Height());
  if (op.kind == Kind::kLine) {
    const int pen = std::max(1, op.penWidth);
    bounds = wxRect(wxPoint(std::min(op.from.x, op.to.x) - pen, std::min(op.from.y, op.to.y) - pen),
                    wxPoint(std::max(op.from.x, op.to.x) + pen, std::max(op.from.y, op.to.y) + pen));
  } else if (op.kind == Kind::kText && op.format == 0) {
    // Text from a point: it runs right and down by about its line height (twice that, to
    // be sure of accents and descenders).
    const int lines = 1 + static_cast<int>(std::count(op.text.begin(), op.text.end(), '\n'));
    const int height = 2 * lines * (op.font ? op.font->PixelHeight() : 13);
    if (op.rect.left > m_visible->GetRight()) return true;
    return op.rect.top > m_visible->GetBottom() || op.rect.top + height < m_visible->GetTop();
  }
  return bounds.width > 0 && bounds.height > 0 && !bounds.Intersects(*m_visible);
}

void DcSurface::Draw(const win::DrawOp& op) {
  using Kind = win::DrawOp::Kind;
  if (Outside(op)) return;
  auto brushOf = [&](const std::shared_ptr<const win::BrushData>& b) -> wxBrush {
    if (!b || b->kind == win::BrushData::Kind::kNull) return *wxTRANSPARENT_BRUSH;
    if (b->kind == win::BrushData::Kind::kPattern) {
      wxBrush brush(ToBitmap(b->pattern));
      return brush;
    }
    return wxBrush(ToColour(b->color));
  };
  switch (op.kind) {
    case Kind::kFill: {
      if (op.brush && op.brush->kind == win::BrushData::Kind::kPattern) {
        // Pattern brushes tile from the window's origin.
        const wxBitmap tile = ToBitmap(op.brush->pattern);
        if (!tile.IsOk() || tile.GetWidth() <= 0) return;
        m_dc.SetClippingRegion(op.rect.left, op.rect.top, op.rect.Width(), op.rect.Height());
        const int w = tile.GetWidth(), h = tile.GetHeight();
        int x0 = op.brushOrigin.x - ((op.brushOrigin.x - op.rect.left) / w + 1) * w;
        int y0 = op.brushOrigin.y - ((op.brushOrigin.y - op.rect.top) / h + 1) * h;
        for (int y = y0; y < op.rect.bottom; y += h) {
          for (int x = x0; x < op.rect.right; x += w) m_dc.DrawBitmap(tile, x, y);
        }
        m_dc.DestroyClippingRegion();
        return;
      }
      m_dc.SetPen(*wxTRANSPARENT_PEN);
      m_dc.SetBrush(brushOf(op.brush));
      m_dc.DrawRectangle(op.rect.left, op.rect.top, op.rect.Width(), op.rect.Height());
      return;
    }
    case Kind::kFrame:
      m_dc.SetPen(wxPen(ToColour(op.color), op.penWidth));
      m_dc.SetBrush(*wxTRANSPARENT_BRUSH);
      m_dc.DrawRectangle(op.rect.left, op.rect.top, op.rect.Width(), op.rect.Height());
      return;
    case Kind::kEllipse:
    case Kind::kRoundRect:
      m_dc.SetPen(op.penWidth > 0 ? wxPen(ToColour(op.color), op.penWidth) : *wxTRANSPARENT_PEN);
      m_dc.SetBrush(brushOf(op.brush));
      if (op.kind == Kind::kEllipse) {
        m_dc.DrawEllipse(op.rect.left, op.rect.top, op.rect.Width(), op.rect.Height());
      } else {
        m_dc.DrawRoundedRectangle(op.rect.left, op.rect.top, op.rect.Width(), op.rect.Height(), op.corner.cx / 2.0);
      }
      return;
    case Kind::kLine: {
      m_dc.SetPen(wxPen(ToColour(op.color), op.penWidth));
      // The end point is not drawn; a single pixel stroke of length 0 draws nothing.
      if (op.from == op.to) return;
      m_dc.DrawLine(op.from.x, op.from.y, op.to.x, op.to.y);
      return;
    }
    case Kind::kBitmap:
    case Kind::kIcon: {
      const wxBitmap b = ToBitmap(op.bitmap);
      if (!b.IsOk()) return;
      m_dc.SetClippingRegion(op.rect.left, op.rect.top, op.rect.Width(), op.rect.Height());
      m_dc.DrawBitmap(b, op.rect.left - op.source.x, op.rect.top - op.source.y, true);
      m_dc.DestroyClippingRegion();
      return;
    }
    case Kind::kText: {
      m_dc.SetFont(ToFont(op.font.get()));
      m_dc.SetTextForeground(ToColour(op.color));
      m_dc.SetBackgroundMode(op.opaque ? wxBRUSHSTYLE_SOLID : wxBRUSHSTYLE_TRANSPARENT);
      m_dc.SetTextBackground(ToColour(op.bkColor));
      const wxString text = wxString::FromUTF8(op.text).Trim(true);
      wxString shown = wxString::FromUTF8(op.text);
      shown.Replace("\r\n", "\n");
      if (op.format == 0) {
        m_dc.DrawText(shown, op.rect.left, op.rect.top);
        return;
      }
      int align = wxALIGN_LEFT;
      if (op.format & 0x1) align = wxALIGN_CENTER_HORIZONTAL;
      if (op.format & 0x2) align = wxALIGN_RIGHT;
      if (op.format & 0x4) align |= wxALIGN_CENTER_VERTICAL;
      const wxRect box(op.rect.left, op.rect.top, op.rect.Width(), op.rect.Height());
      if ((op.format & 0x10) && !(op.format & 0x20)) {
        // Word wrap within the box.
        const auto measure = [this](const std::string& s) {
          wxCoord w = 0, h = 0;
          m_dc.GetTextExtent(wxString::FromUTF8(s), &w, &h);
          return static_cast<int>(w);
        };
        const std::vector<std::string> lines = win::WrapText(op.text, box.width, measure);
        shown.clear();
        for (size_t i = 0; i < lines.size(); ++i) shown += (i ? "\n" : "") + wxString::FromUTF8(lines[i]);
      }
      m_dc.SetClippingRegion(box);
      m_dc.DrawLabel(shown, box, align);
      m_dc.DestroyClippingRegion();
      (void)text;
      return;
    }
  }
}

}  // namespace varlo::wx
