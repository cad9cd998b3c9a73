#include "apps/zel-render/image_formats.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <string>

#include "apps/zel-render/image_files.h"
#include "apps/zel-render/video_encoder.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;
using OIIO::TypeDesc;

// A TIFF's ExtraSamples tag says its alpha is unassociated (straight).
constexpr FileFormat kFileFormats[] = {
    {".png", "png", {TypeDesc::UINT8, TypeDesc::UINT16, TypeDesc::NONE}, Alpha::Straight},
    {".tif", "tiff", {TypeDesc::UINT8, TypeDesc::UINT16, TypeDesc::FLOAT}, Alpha::Straight},
    {".tiff", "tiff", {TypeDesc::UINT8, TypeDesc::UINT16, TypeDesc::FLOAT}, Alpha::Straight},
    {".exr", "openexr", {TypeDesc::FLOAT, TypeDesc::FLOAT, TypeDesc::FLOAT}, Alpha::Premultiplied},
    {".jpg", "jpeg", {TypeDesc::UINT8, TypeDesc::NONE, TypeDesc::NONE}, Alpha::None},
    {".jpeg", "jpeg", {TypeDesc::UINT8, TypeDesc::NONE, TypeDesc::NONE}, Alpha::None},
    // Written by libwebp, lossless.
    {".webp", "webp", {TypeDesc::UINT8, TypeDesc::NONE, TypeDesc::NONE}, Alpha::Straight},
};

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

std::pair<const FileFormat*, TypeDesc> fileFormat(const fs::path& file, int bitsPerChannel)
{
    const std::string extension = lowered(file.extension().string());
    const auto depth = static_cast<std::size_t>(bitsPerChannel == 32 ? 2 : bitsPerChannel / 16);
    for (const FileFormat& format : kFileFormats) {
        if (format.extension == extension) {
            if (format.types[depth] == TypeDesc::NONE) {
                const bool eightOnly = format.types[1] == TypeDesc::NONE;
                throw std::invalid_argument(
                    file.string() + ": " + std::string(format.name) + " files hold " +
                    (eightOnly ? "8" : "8 or 16") + " bits per channel, not " +
                    std::to_string(bitsPerChannel) + "; write " +
                    std::to_string(bitsPerChannel) + "-bit frames to " +
                    (bitsPerChannel == 16 ? ".png, .tif or .exr" : ".exr or .tif"));
            }
            return {&format, TypeDesc(format.types[depth])};
        }
    }
    throw std::invalid_argument(file.string() + ": frames are written as .png, .tif, .tiff, " +
                                ".exr, .jpg, .jpeg or .webp, chosen by the extension; \"" +
                                extension + "\" is none of them");
}

bool keepsAlpha(const fs::path& output)
{
    if (isVideoFile(output)) {
        return videoKeepsAlpha(output);
    }
    const std::string extension = lowered(output.extension().string());
    return std::ranges::none_of(kFileFormats, [&](const FileFormat& format) {
        return format.extension == extension && format.alpha == Alpha::None;
    });
}

void checkImageFile(const fs::path& file, int bitsPerChannel)
{
    fileFormat(file, bitsPerChannel);
}

}  // namespace zelrender
