#include "plugin/about/about_drawing.h"

#include <string>
#include <string_view>

namespace zel {
namespace {

constexpr double kFontSize = 12.0;

// The texts are ASCII; anything else would put cairo's context in an error state and stop all
// later drawing, so it shows as '?'.
std::string printable(std::string_view line)
{
    std::string shown(line);
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e) {
            c = '?';
        }
    }
    return shown;
}

// Draws `text` line by line from the top of `rect` down, cut off at its edges.
void drawText(cairo_t* cr, const TextRect& rect, const char* text, double grey)
{
    cairo_save(cr);
    cairo_rectangle(cr, rect.x, rect.y, rect.width, rect.height);
    cairo_clip(cr);
    cairo_set_source_rgb(cr, grey, grey, grey);
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    double top = rect.y;
    std::string_view rest = text != nullptr ? text : "";
    while (top < rect.y + rect.height) {
        const std::size_t end = rest.find('\n');
        cairo_move_to(cr, rect.x, top + font.ascent);
        cairo_show_text(cr, printable(rest.substr(0, end)).c_str());
        if (end == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(end + 1);
        top += font.height;
    }
    cairo_restore(cr);
}

}  // namespace

CairoSurface drawAboutBox(cairo_surface_t* picture, const AboutLayout& layout,
                          const AboutTexts& texts)
{
    CairoSurface box(cairo_image_surface_create(CAIRO_FORMAT_RGB24, layout.width, layout.height));
    const CairoContext cr(cairo_create(box.get()));
    cairo_set_source_surface(cr.get(), picture, 0, 0);
    cairo_paint(cr.get());

    // Helvetica where it is installed; fontconfig answers with the closest sans face otherwise.
    cairo_select_font_face(cr.get(), "Helvetica", CAIRO_FONT_SLANT_NORMAL,
                           CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr.get(), kFontSize);
    drawText(cr.get(), layout.report, texts.openglInfo, 0.0);
    drawText(cr.get(), layout.productLine, texts.productLine, 1.0);
    drawText(cr.get(), layout.versionLine, texts.versionLine, 1.0);
    cairo_surface_flush(box.get());
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_status(box.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    return box;
}

}  // namespace zel
