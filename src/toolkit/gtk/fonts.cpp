// Font and colour mapping.
#include "toolkit/gtk/fonts.h"

#include "sys/codepage.h"

namespace toolkit::gtk {
namespace {

// Families tried after the resource's own: metric-compatible ones first,
// then CJK-capable sans fonts, so the Chinese texts always show.
constexpr const char* kFallbacks = "DejaVu Sans,WenQuanYi Micro Hei,Noto Sans CJK SC,Droid Sans Fallback,sans-serif";

std::string FamilyList(const std::u16string& name) {
  if (name == u"宋体" || name == u"SimSun") return std::string("SimSun,NSimSun,AR PL UMing CN,") + kFallbacks;
  if (name.empty()) return kFallbacks;
  return sys::ToUtf8(name) + "," + kFallbacks;
}

}  // namespace

PangoFontDescription* FontDescription(const Font& font) {
  PangoFontDescription* description = pango_font_description_new();
  pango_font_description_set_family(description, FamilyList(font.name).c_str());
  // The resources give character heights in pixels (11 px is 8 points at
  // 96 DPI): absolute sizes keep them exact.
  pango_font_description_set_absolute_size(description, (font.height > 0 ? font.height : 11) * PANGO_SCALE);
  return description;
}

Rgb ColorValue(const Color& color) {
  std::uint32_t bgr = color.value;
  if (color.isSystem) {
    switch (color.value) {
      case kColorWindowText: bgr = 0x000000; break;
      case kColorBtnFace: bgr = 0xF0F0F0; break;
      case kColorGradientActiveCaption: bgr = 0xEAD1B9; break;  // RGB 185, 209, 234
      default: bgr = 0xF0F0F0; break;
    }
  }
  return {(bgr & 0xFF) / 255.0, ((bgr >> 8) & 0xFF) / 255.0, ((bgr >> 16) & 0xFF) / 255.0};
}

PangoAttrList* LabelAttributes(const Font& font) {
  PangoAttrList* list = pango_attr_list_new();
  PangoFontDescription* description = FontDescription(font);
  pango_attr_list_insert(list, pango_attr_font_desc_new(description));
  pango_font_description_free(description);
  const Rgb rgb = ColorValue(font.color);
  pango_attr_list_insert(list, pango_attr_foreground_new(static_cast<guint16>(rgb.red * 65535),
                                                         static_cast<guint16>(rgb.green * 65535),
                                                         static_cast<guint16>(rgb.blue * 65535)));
  return list;
}

}  // namespace toolkit::gtk
