// The image file formats frames are written in, chosen by the file's extension. Apart from the
// writing itself (image_files.h), so that zel-render can refuse an output before it loads the
// image library, which only the processes that write frames load.
#pragma once

#include <OpenImageIO/typedesc.h>

#include <array>
#include <filesystem>
#include <string_view>
#include <utility>

namespace zelrender {

// How a file holds alpha, as its format declares it: colour as it is, with alpha beside it;
// colour multiplied by alpha; or no alpha, the frame composited over an opaque background.
enum class Alpha { Straight, Premultiplied, None };

// The file formats frames are written in, and the type each depth is written as (NONE: the
// format cannot hold it).
struct FileFormat {
    std::string_view extension;
    const char* name;                               // OpenImageIO's
    std::array<OIIO::TypeDesc::BASETYPE, 3> types;  // for 8, 16 and 32 bits
    Alpha alpha;
};

// The format and the type a frame of this depth is written as; throws std::invalid_argument,
// saying what is accepted, for any other.
std::pair<const FileFormat*, OIIO::TypeDesc> fileFormat(const std::filesystem::path& file,
                                                        int bitsPerChannel);

}  // namespace zelrender
