#include "host/layer_images.h"

#include <OpenImageIO/imagebufalgo.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <new>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "host/composition.h"
#include "host/message_text.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;
using OIIO::ImageBuf;
using OIIO::ImageSpec;
using OIIO::TypeDesc;
namespace algo = OIIO::ImageBufAlgo;

constexpr float kUnit16 = static_cast<float>(PF_MAX_CHAN16) / 65535.0f;
constexpr WorldDepth kWorldDepths[] = {
    {PF_PixelFormat_ARGB32, 8, TypeDesc::UINT8, 1.0f},
    {PF_PixelFormat_ARGB64, 16, TypeDesc::UINT16, kUnit16},
    {PF_PixelFormat_ARGB128, 32, TypeDesc::FLOAT, 1.0f},
};

[[noreturn]] void fail(const fs::path& file, const std::string& reason)
{
    throw std::runtime_error(file.string() + ": " + reason);
}

// While it lives, what the image libraries print on stderr themselves (libpng prints its errors
// before handing them to OpenImageIO) is kept aside, so that a refusal takes one line and a read
// that succeeds passes the text on.
class StderrKept {
public:
    StderrKept()
    {
        std::fflush(stderr);
        file_ = std::tmpfile();
        saved_ = file_ != nullptr ? ::dup(STDERR_FILENO) : -1;
        if (saved_ >= 0 && ::dup2(::fileno(file_), STDERR_FILENO) < 0) {
            ::close(saved_);
            saved_ = -1;
        }
    }
    ~StderrKept() { release(); }
    StderrKept(const StderrKept&) = delete;
    StderrKept& operator=(const StderrKept&) = delete;

    // Gives stderr back and returns what was printed meanwhile.
    std::string release()
    {
        std::string text;
        if (saved_ >= 0) {
            std::fflush(stderr);
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
            saved_ = -1;
            std::rewind(file_);
            for (int c; (c = std::fgetc(file_)) != EOF;) {
                text += static_cast<char>(c);
            }
        }
        if (file_ != nullptr) {
            std::fclose(file_);
            file_ = nullptr;
        }
        return text;
    }

    // Gives stderr back with what was printed on it.
    void passOn()
    {
        const std::string text = release();
        std::fputs(text.c_str(), stderr);
    }

private:
    std::FILE* file_ = nullptr;
    int saved_ = -1;
};

// A library's message on one line: of its lines, the first that no other line repeats (OpenImageIO
// gives libpng's reason alone, then within its own words, then a generic line).
std::string firstReason(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.find_first_not_of(" \t\r") != std::string::npos) {
            lines.push_back(line);
        }
    }
    for (const std::string& line : lines) {
        if (std::ranges::none_of(lines, [&](const std::string& other) {
                return other != line && other.find(line) != std::string::npos;
            })) {
            return line;
        }
    }
    return lines.empty() ? "" : lines.front();
}

// Why the library failed: its own error, else what it printed, else `otherwise`.
std::string libraryReason(const std::string& error, const std::string& printed,
                          const char* otherwise)
{
    std::string reason = firstReason(error);
    if (reason.empty()) {
        reason = firstReason(printed);
    }
    return reason.empty() ? otherwise : reason;
}

std::string fileTypeName(fs::file_type type)
{
    switch (type) {
    case fs::file_type::directory: return "a directory";
    case fs::file_type::fifo: return "a FIFO";
    case fs::file_type::character: return "a character device";
    case fs::file_type::block: return "a block device";
    case fs::file_type::socket: return "a socket";
    default: return "a special file";
    }
}

// Bytes of memory this machine can give without swapping, from /proc/meminfo; none when unknown.
std::optional<std::uint64_t> availableMemory()
{
    std::ifstream meminfo("/proc/meminfo");
    for (std::string key; meminfo >> key;) {
        std::uint64_t kilobytes = 0;
        meminfo >> kilobytes;
        if (key == "MemAvailable:") {
            return kilobytes * 1024;
        }
        meminfo.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    return std::nullopt;
}

}  // namespace

const WorldDepth& depthOf(const WorldView& world)
{
    for (const WorldDepth& depth : kWorldDepths) {
        if (depth.format == world.layout->format) {
            return depth;
        }
    }
    throw std::invalid_argument(std::string(world.layout->name) +
                                " worlds are not read or written as images");
}

OpenedImage openLayerImage(const fs::path& file)
{
    // A FIFO or a device would be read for ever, by the library or by the check itself.
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (!error && !fs::is_regular_file(status)) {
        throw std::runtime_error("it is " + fileTypeName(status.type()) +
                                 ", not an image file");
    }
    // Pixels as stored: straight alpha stays straight.
    ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    StderrKept printed;
    // The reader is found by trying the file, whatever its extension says.
    OpenedImage image{OIIO::ImageInput::create(file.string()), {}};
    if (!image.input || !image.input->open(file.string(), image.header, config)) {
        const std::string reason = image.input ? image.input->geterror() : OIIO::geterror();
        throw std::runtime_error(
            libraryReason(reason, printed.release(), "OpenImageIO cannot open it"));
    }
    printed.passOn();
    const ImageSpec& header = image.header;
    if (header.width < 1 || header.height < 1 || header.width > kMaxLayerSide ||
        header.height > kMaxLayerSide) {
        throw std::runtime_error("it is " + sizeText(header.width, header.height) +
                                 " pixels; layers take 1 to " + std::to_string(kMaxLayerSide) +
                                 " each way");
    }
    return image;
}

ImageBuf readLayerImage(const fs::path& file, PF_RationalScale downsampleX,
                        PF_RationalScale downsampleY)
{
    OpenedImage image;
    try {
        image = openLayerImage(file);
    } catch (const std::runtime_error& e) {
        fail(file, e.what());
    }
    const ImageSpec& header = image.header;
    std::vector<int> colours;
    for (int c = 0; c < header.nchannels; ++c) {
        if (c != header.alpha_channel) {
            colours.push_back(c);
        }
    }
    if (colours.empty()) {
        fail(file, "has no colour channel");
    }
    const bool grey = colours.size() < 3;
    const int order[] = {header.alpha_channel, colours[0], colours[grey ? 0 : 1],
                         colours[grey ? 0 : 2]};
    // The channels after the last one used are not read.
    const int channels = std::max(header.alpha_channel, order[3]) + 1;
    const std::int32_t width = downsampled(header.width, downsampleX);
    const std::int32_t height = downsampled(header.height, downsampleY);
    if (width < 1 || height < 1) {
        fail(file, "is " + sizeText(header.width, header.height) + " pixels, which leaves " +
                       sizeText(width, height) + " at the composition's resolution");
    }
    // The pixels as read, then as alpha, red, green, blue, and those scaled: all before the first
    // pixel is read, so that a header that promises more than memory holds is refused, not read.
    const auto pixels = static_cast<std::uint64_t>(header.width) * header.height;
    const bool resized = width != header.width || height != header.height;
    const std::uint64_t need = pixels * sizeof(float) * (channels + 4) +
                               (resized ? static_cast<std::uint64_t>(width) * height * 16 : 0);
    if (const std::optional<std::uint64_t> free = availableMemory(); free && need > *free) {
        fail(file, "is " + sizeText(header.width, header.height) + " pixels; reading it takes " +
                       std::to_string(need >> 20) + " MB of memory, and " +
                       std::to_string(*free >> 20) + " MB are free; use a smaller image");
    }
    ImageSpec readSpec(header.width, header.height, channels, TypeDesc::FLOAT);
    readSpec.alpha_channel = header.alpha_channel;
    // Colour the file holds multiplied by alpha (as OpenEXR and some TIFFs do) is divided by it:
    // layers are handed over with alpha straight.
    const bool premultiplied =
        header.alpha_channel >= 0 && header.get_int_attribute("oiio:UnassociatedAlpha") == 0;
    std::vector<float> stored;
    try {
        stored.resize(pixels * channels);
    } catch (const std::bad_alloc&) {
        fail(file, "is " + sizeText(header.width, header.height) +
                       " pixels, more than memory holds; use a smaller image");
    }
    StderrKept printed;
    const bool read =
        image.input->read_image(0, 0, 0, channels, TypeDesc::FLOAT, stored.data());
    // Some readers answer true for a file cut short, and say so only in their error.
    const std::string error = image.input->geterror();
    if (!read || !error.empty()) {
        fail(file, "cannot be read as an image: " +
                       libraryReason(error, printed.release(), "OpenImageIO cannot read it"));
    }
    printed.passOn();
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (!std::isfinite(stored[i])) {
            const std::uint64_t at = i / static_cast<std::size_t>(channels);
            fail(file, std::string("holds ") + (std::isnan(stored[i]) ? "NaN" : "infinity") +
                           " at pixel " + std::to_string(at % header.width) + ", " +
                           std::to_string(at / header.width) + " of channel " +
                           std::string(header.channel_name(static_cast<int>(i % channels))) +
                           "; layers take finite values only");
        }
    }
    ImageBuf source(readSpec, stored.data());
    if (premultiplied) {
        algo::unpremult(source, source);
    }
    // -1 takes its value from the list below: alpha 1 where the image has none.
    const float missing[] = {1.0f, 0.0f, 0.0f, 0.0f};
    ImageBuf argb = algo::channels(source, 4, order, missing);
    if (resized) {
        argb = algo::resize(argb, "", 0.0f, OIIO::ROI(0, width, 0, height, 0, 1, 0, 4));
    }
    if (argb.has_error()) {
        fail(file, firstReason(argb.geterror()));
    }
    return argb;
}

void storeImage(const ImageBuf& argb, const WorldView& world)
{
    const WorldDepth& depth = depthOf(world);
    const ImageBuf scaled = depth.fromUnit != 1.0f ? algo::mul(argb, depth.fromUnit) : argb;
    if (!scaled.get_pixels(scaled.roi(), TypeDesc(depth.type), world.data, world.layout->bytes,
                           world.rowbytes)) {
        throw std::runtime_error("cannot convert the image to the layer: " + scaled.geterror());
    }
}

}  // namespace zelrender
