#include "apps/zel-render/empty_frame.h"

#include <cmath>
#include <optional>
#include <string_view>
#include <variant>

#include "apps/zel-render/render_job.h"
#include "host/composition_layers.h"
#include "host/message_text.h"
#include "host/number_text.h"

namespace zelrender {
namespace {

// Alpha is each pixel's first channel.
template <typename Channel>
bool alphaAllZero(const WorldView& world)
{
    for (std::int32_t y = 0; y < world.height; ++y) {
        const auto* row = reinterpret_cast<const Channel*>(world.at(0, y));
        for (std::int32_t x = 0; x < world.width; ++x) {
            if (row[std::int64_t{x} * 4] > 0) {
                return false;
            }
        }
    }
    return true;
}

// A distance or a place, in whole pixels.
std::string pixels(double value)
{
    return formatNumber(std::round(value));
}

// Why nothing shows, from the frame's control values and camera, or that they do not say.
std::string reason(const ParamStore& store, const Composition& composition, double seconds)
{
    const auto number = [&](std::string_view name) -> std::optional<double> {
        const std::optional<ParamValue> v = controlValue(store, name, seconds);
        const auto* n = v ? std::get_if<double>(&*v) : nullptr;
        return n != nullptr ? std::optional(*n) : std::nullopt;
    };
    for (const char* name : {"Opacity", "Size X", "Size Y"}) {
        if (number(name) == 0.0) {
            return inQuotes(name) + " is 0; raise it";
        }
    }
    const std::optional<ParamValue> position = controlValue(store, "Position XY", seconds);
    const auto* xy = position ? std::get_if<LayerPoint>(&*position) : nullptr;
    const std::optional<double> z = number("Position Z");
    const std::optional<double> near = number("Near");
    const std::optional<double> far = number("Far");
    if (xy == nullptr || !z || !near || !far) {
        return "the module's controls do not tell why";
    }
    // The surface's centre in the camera's axes: x right, y down, z the viewing direction.
    const CameraView camera = CompositionLayers(composition).camera(seconds);
    const auto& m = camera.cameraToLayer.mat;
    const double offset[] = {xy->x - m[3][0], xy->y - m[3][1], *z - m[3][2]};
    const auto along = [&](int axis) {
        return offset[0] * m[axis][0] + offset[1] * m[axis][1] + offset[2] * m[axis][2];
    };
    const double depth = along(2);
    const std::string lies = "the surface's centre lies " + pixels(depth) +
                             " pixels from the camera, ";
    const bool perspective =
        !composition.camera || composition.camera->type != AEGP_CameraType_ORTHOGRAPHIC;
    if (perspective && depth > *far) {
        return lies + "beyond \"Far\" (" + formatNumber(*far) + "); raise \"Far\", such as " +
               "--set \"Far=" + pixels(std::ceil(depth / 1000 + 0.1) * 1000) +
               "\", or bring the camera closer";
    }
    if (perspective && depth <= 0) {
        return "the surface's centre lies behind the camera; turn the camera towards it, or move "
               "the surface with \"Position XY\" and \"Position Z\"";
    }
    if (perspective && depth < *near) {
        return lies + "nearer than \"Near\" (" + formatNumber(*near) + "); lower \"Near\", or " +
               "move the camera back";
    }
    const double scale = perspective ? camera.zoom / depth : 1.0;
    const double x = composition.width / 2.0 + along(0) * scale;
    const double y = composition.height / 2.0 + along(1) * scale;
    if (x < 0 || y < 0 || x > composition.width || y > composition.height) {
        return "the surface's centre falls at " + pixels(x) + ", " + pixels(y) + ", outside the " +
               sizeText(composition.width, composition.height) + " frame; move it with " +
               "\"Position XY\", or turn the camera towards it";
    }
    return "its centre lies in view, between \"Near\" and \"Far\", so the rotations, the "
           "displacement or the layer images hide it";
}

}  // namespace

bool fullyTransparent(const WorldView& world)
{
    switch (world.layout->bytes) {  // a pixel's four channels
    case 4: return alphaAllZero<std::uint8_t>(world);
    case 8: return alphaAllZero<std::uint16_t>(world);
    default: return alphaAllZero<float>(world);
    }
}

std::string transparentFrameWarning(const ParamStore& store, const Composition& composition,
                                    std::int32_t frame)
{
    const double seconds = composition.seconds(std::int64_t{frame} * composition.timeStep);
    return "frame " + std::to_string(frame) + " is fully transparent: " +
           reason(store, composition, seconds);
}

}  // namespace zelrender
