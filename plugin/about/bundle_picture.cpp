#include "plugin/about/bundle_picture.h"

#include <dlfcn.h>

namespace zel {

std::filesystem::path bundlePicturePath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&bundlePicturePath), &info) == 0 ||
        info.dli_fname == nullptr) {
        return {};
    }
    return std::filesystem::path(info.dli_fname).parent_path() / "resources" / "aboutbox.png";
}

CairoSurface loadPicture(const std::filesystem::path& path)
{
    if (path.empty()) {
        return nullptr;
    }
    CairoSurface picture(cairo_image_surface_create_from_png(path.c_str()));
    if (cairo_surface_status(picture.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    return picture;
}

}  // namespace zel
