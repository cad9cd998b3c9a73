#include "plugin/about/about_box.h"

#include <cstdio>

#include "plugin/about/about_drawing.h"
#include "plugin/about/about_layout.h"
#include "plugin/about/about_text_fallback.h"
#include "plugin/about/bundle_picture.h"
#include "plugin/about/x11_about_window.h"

namespace zel {
namespace {

// False when there is no picture or no display, or cairo or the server fails.
bool showPictureBox(const AboutTexts& texts, const char* windowClass)
{
    const CairoSurface picture = loadPicture(bundlePicturePath());
    if (picture == nullptr) {
        return false;
    }
    const AboutLayout layout = aboutLayout(cairo_image_surface_get_width(picture.get()),
                                           cairo_image_surface_get_height(picture.get()));
    const CairoSurface box = drawAboutBox(picture.get(), layout, texts);
    return box != nullptr && showAboutWindow(box.get(), windowClass);
}

}  // namespace

void showVeltranoAboutBox(int, void*, void*, const char*, const char* bundleIdentifier,
                          const char* productLine, const char* versionLine,
                          const char* openglInfo) noexcept
{
    const AboutTexts texts = {productLine, versionLine, openglInfo};
    try {
        if (showPictureBox(texts, bundleIdentifier)) {
            return;
        }
    } catch (...) {
        // Whatever stopped the window, the texts still reach the user below.
    }
    printAboutTexts(stdout, texts);
}

}  // namespace zel
