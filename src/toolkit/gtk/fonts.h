// The fonts of the form resources as fontconfig offers them.
#pragma once

#include <pango/pango.h>

#include <string>

#include "toolkit/control.h"

namespace toolkit::gtk {

// A Pango description of font: its Windows family first, then families
// fontconfig has that look alike and cover Chinese, at the font's pixel
// height. The caller frees it (pango_font_description_free).
PangoFontDescription* FontDescription(const Font& font);

// An RGB colour for a toolkit colour: system colours take the Windows
// defaults, so the windows look as they do on an unthemed Windows.
struct Rgb {
  double red, green, blue;
};
Rgb ColorValue(const Color& color);

// The attributes a GtkLabel needs to draw text in font (family, size,
// colour). The caller unrefs the list.
PangoAttrList* LabelAttributes(const Font& font);

}  // namespace toolkit::gtk
