#include "platform/wx/WxFontWarmUp.h"

#include <pango/pangocairo.h>

namespace varlo::wx {
namespace {

// The sans face (the toolkit's stand-in for the dialog faces) at the dialog font's height,
// 8 points at 96 pixels an inch, and at the toolkit's own default size for text fields.
constexpr int kDialogFontPixels = 11;
constexpr int kToolkitFontPoints = 10;
constexpr const char* kWarmText = "0123456789.*# Hg";

void LayOut(PangoContext* context, PangoFontDescription* face) {
  PangoLayout* layout = pango_layout_new(context);
  pango_layout_set_font_description(layout, face);
  pango_layout_set_text(layout, kWarmText, -1);
  int width = 0;
  int height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  g_object_unref(layout);
}

void WarmUp() {
  PangoFontMap* map = pango_cairo_font_map_new();
  PangoContext* context = pango_font_map_create_context(map);
  PangoFontDescription* face = pango_font_description_from_string("Sans");
  pango_font_description_set_absolute_size(face, kDialogFontPixels * PANGO_SCALE);
  LayOut(context, face);
  pango_font_description_set_size(face, kToolkitFontPoints * PANGO_SCALE);
  LayOut(context, face);
  pango_font_description_free(face);
  g_object_unref(context);
  g_object_unref(map);
}

}  // namespace

FontWarmUp::FontWarmUp() : m_thread(WarmUp) {}

FontWarmUp::~FontWarmUp() { m_thread.join(); }

}  // namespace varlo::wx
