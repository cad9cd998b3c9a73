// The about box's picture, resources/aboutbox.png in the module's own directory.
#pragma once

#include <filesystem>

#include "plugin/about/cairo_handles.h"

namespace zel {

// Found from where the running code was loaded, so that a copied module brings its picture.
std::filesystem::path bundlePicturePath();

// The PNG at `path` as an image surface; null when it is missing or unreadable.
CairoSurface loadPicture(const std::filesystem::path& path);

}  // namespace zel
