// The code that reads layer images and writes frames lives in a shared library of its own,
// libzel_images.so beside the program (or library) holding this host, loaded the first time an
// image is opened: the image library under it loads some 250 others, a cost that a run which
// opens no image (--help, --list-params, a scene without layers) should not pay.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "host/scene.h"
#include "host/world_store.h"

namespace zelrender {

// A world for a layer image of this size, into which it is read.
using LayerWorld = std::function<WorldView(std::int32_t width, std::int32_t height)>;

// One run's frames as its output takes them, each composited over the run's background (the
// functions of apps/zel-render/image_files.h).
class FrameOutput {
public:
    virtual ~FrameOutput() = default;
    // writeImage, to the image file `file`.
    virtual void write(const WorldView& world, const std::filesystem::path& file) = 0;
    // rgbaPixels, for the video.
    virtual std::vector<std::byte> pixels(const WorldView& world) = 0;
};

// What the library offers, each function as its declaration describes it in layer_images.h or
// apps/zel-render/image_files.h.
struct ImageCode {
    // openLayerImage, then the width and height its header gives.
    std::pair<std::int32_t, std::int32_t> (*layerImageSize)(const std::filesystem::path& file);
    // readLayerImage, then storeImage into the world `attach` makes for the image's size.
    void (*loadLayerImage)(const std::filesystem::path& file, PF_RationalScale downsampleX,
                           PF_RationalScale downsampleY, const LayerWorld& attach);
    // For the image files or the video `output` (named in messages), each frame over
    // `background`, and over black too when `opaque`.
    std::unique_ptr<FrameOutput> (*frameOutput)(const Background& background,
                                                const std::filesystem::path& output, bool opaque);
};

// The function of the library that hands out its ImageCode.
inline constexpr const char* kImageCodeEntry = "zelImageCode";
using ImageCodeEntry = const ImageCode* (*)();

// The library's code, loaded on first use. Throws std::runtime_error naming the library and the
// loader's reason when it cannot be loaded.
const ImageCode& imageCode();

// Starts loading the library on a thread of its own, for a process that has other work to do
// before it first reads or writes an image (setting up GL, drawing a frame), so that the two
// overlap. Best called once the process's other libraries are loaded: the loader takes one at a
// time. A library that cannot be loaded is reported where its code is used.
void loadImageCodeAhead();

}  // namespace zelrender
