// Where the about box and its texts go, in X11's top-left-origin pixels.
#pragma once

namespace zel {

struct TextRect {
    double x, y, width, height;
};

struct AboutLayout {
    int width;
    int height;
    TextRect report;
    TextRect productLine;
    TextRect versionLine;
};

// The window takes the picture's size cut to whole pixels; the texts keep their places measured
// from the bottom-left corner, as the box was designed.
AboutLayout aboutLayout(double pictureWidth, double pictureHeight);

}  // namespace zel
