// What frames are composited over before they are written: --background, or the scene's
// "background", a colour or an image of the composition's size.
#pragma once

#include <OpenImageIO/imagebuf.h>

#include <cstdint>
#include <optional>
#include <string>

#include "host/scene.h"

namespace zelrender {

// --background's text: "#RRGGBB" or an image's path. Throws std::invalid_argument saying what it
// takes.
Background backgroundOption(const std::string& text);

// Refuses, before anything renders, a background image that cannot be read or is not of the
// composition's size: throws std::invalid_argument starting with `where`.
void checkBackground(const Background& background, const Composition& composition,
                     const std::string& where);

// A background as premultiplied red, green, blue and alpha floats, at one frame size.
class Backdrop {
public:
    // `opaque`: the output holds no alpha, so black shows where the background, or the lack of
    // one, leaves any transparency. An image is scaled to the frame as layers are (a frame at
    // 1/N of the composition's size).
    Backdrop(const Background& background, bool opaque, std::int32_t width, std::int32_t height);

    // Frames are written as the effect leaves them.
    bool none() const { return !pixels_; }
    // Composites `rgba`, straight red, green, blue and alpha floats of the frame's size, over
    // the backdrop, which leaves it premultiplied. Throws std::runtime_error when OpenImageIO
    // fails.
    void under(OIIO::ImageBuf& rgba) const;

private:
    std::optional<OIIO::ImageBuf> pixels_;
};

}  // namespace zelrender
