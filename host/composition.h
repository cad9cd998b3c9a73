// The composition the effect is applied in: layer size, resolution, frame rate and depth, and the
// camera and lights it holds. Scene files set them (scene.h); the defaults are the built-in scene.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "host/animated_value.h"
#include "sdk/aegp_suites.h"
#include "sdk/pf_suites.h"

namespace zelrender {

// The longest side of a layer or frame, in pixels.
inline constexpr std::int32_t kMaxLayerSide = 30000;

// A camera layer. A property left out takes the default camera's value at each frame: position
// (width / 2, height / 2, -zoom), point of interest (width / 2, height / 2, 0), zoom
// width x 50 / 36 (a 50 mm lens on 36 mm film).
struct Camera {
    AEGP_CameraType type = AEGP_CameraType_PERSPECTIVE;
    std::optional<AnimatedValue> position;         // SpacePoint
    std::optional<AnimatedValue> pointOfInterest;  // SpacePoint
    std::optional<AnimatedValue> zoom;             // double, pixels
};

// A light layer. Left out, its position is the default camera's and its point of interest the
// centre of the layer.
struct Light {
    AEGP_LightType type = AEGP_LightType_POINT;
    AnimatedValue color{Color{1, 1, 1, 1}};
    AnimatedValue intensity{100.0};   // percent
    AnimatedValue coneAngle{90.0};    // degrees
    AnimatedValue coneFeather{50.0};  // percent
    std::optional<AnimatedValue> position;
    std::optional<AnimatedValue> pointOfInterest;
    double inPoint = 0;              // seconds
    std::optional<double> duration;  // seconds; left out, the composition's
    bool enabled = true;             // video on
};

struct Composition {
    std::int32_t width = 1920;  // the full-resolution layer, in pixels
    std::int32_t height = 1080;
    PF_RationalScale pixelAspect{1, 1};
    PF_RationalScale downsampleX{1, 1};  // 1/N renders at 1/N resolution
    PF_RationalScale downsampleY{1, 1};
    // Time is counted in units of 1/timeScale s and one frame lasts timeStep units, so the frame
    // rate timeScale/timeStep can be fractional (24000/1001) without rounding.
    std::uint32_t timeScale = 24;
    std::int32_t timeStep = 1;
    std::int32_t duration = 240;  // 10 s, in time units
    std::int32_t currentTime = 0;
    int bitsPerChannel = 8;
    std::optional<Camera> camera;  // none: the default camera, and no camera layer
    std::vector<Light> lights;

    double seconds(std::int64_t time) const { return static_cast<double>(time) / timeScale; }
    // The default camera's zoom (a 50 mm lens on 36 mm film), and where a camera stands that is
    // left to its defaults: over the centre of the layer, `zoom` in front of it.
    double defaultZoom() const { return width * (50.0 / 36.0); }
    SpacePoint defaultCameraPosition(double zoom) const
    {
        return {width / 2.0, height / 2.0, -zoom};
    }
    SpacePoint centre() const { return {width / 2.0, height / 2.0, 0}; }
    std::int32_t frameCount() const { return duration / timeStep; }
    // The pixel format of every world of the composition: ARGB at its depth.
    PF_PixelFormat pixelFormat() const
    {
        return bitsPerChannel == 32   ? PF_PixelFormat_ARGB128
               : bitsPerChannel == 16 ? PF_PixelFormat_ARGB64
                                      : PF_PixelFormat_ARGB32;
    }
};

// A full-resolution length in pixels scaled to the downsampled layer, truncated: the size the
// effect computes for its own frame, so that host and effect agree on every pixel.
inline std::int32_t downsampled(std::int32_t length, PF_RationalScale factor)
{
    return static_cast<std::int32_t>(static_cast<std::int64_t>(length) * factor.num / factor.den);
}

inline double factorOf(PF_RationalScale scale)
{
    return static_cast<double>(scale.num) / scale.den;
}

}  // namespace zelrender
