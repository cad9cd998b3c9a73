#include "plugin/about/about_layout.h"

#include <cmath>

namespace zel {
namespace {

// A rectangle given from the bottom-left corner, flipped for a window `height` pixels tall.
TextRect fromBottomLeft(double x, double y, double width, double height, int windowHeight)
{
    return {x, windowHeight - y - height, width, height};
}

}  // namespace

AboutLayout aboutLayout(double pictureWidth, double pictureHeight)
{
    const int width = static_cast<int>(std::trunc(pictureWidth));
    const int height = static_cast<int>(std::trunc(pictureHeight));
    return {width, height, fromBottomLeft(5, 5, 500, 250, height),
            fromBottomLeft(5, 20, 500, 15, height), fromBottomLeft(5, 5, 500, 15, height)};
}

}  // namespace zel
