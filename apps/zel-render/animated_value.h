// A value over time (a control's, a camera's or a light's): a constant, or keyframes with linear
// or hold interpolation.
#pragma once

#include <cstdint>
#include <variant>
#include <vector>

#include "sdk/pf_types.h"

namespace zelrender {

struct Choice {
    std::int32_t number;  // 1-based
    bool operator==(const Choice&) const = default;
};

// A point in full-resolution layer pixels.
struct LayerPoint {
    double x;
    double y;
    bool operator==(const LayerPoint&) const = default;
};

// A point in the composition's space: layer pixels, y down, z away from the viewer.
struct SpacePoint {
    double x;
    double y;
    double z;
    bool operator==(const SpacePoint&) const = default;
};

// A colour at full precision, 0 to 1 per channel, alpha first like the host's pixels.
struct Color {
    double alpha;
    double red;
    double green;
    double blue;
    bool operator==(const Color&) const = default;

    static Color fromPixel(const PF_Pixel& pixel);
    // Each channel rounded to the nearest of 0 to 255, held there when beyond.
    PF_Pixel toPixel() const;
};

// By kind: none (layers, buttons, groups), float slider, popup, colour, point; and, for cameras
// and lights, a point in space.
using ParamValue = std::variant<std::monostate, double, Choice, Color, LayerPoint, SpacePoint>;

enum class Interpolation { Linear, Hold };

struct Keyframe {
    double seconds;
    ParamValue value;
};

class AnimatedValue {
public:
    explicit AnimatedValue(ParamValue constant);
    // Throws std::invalid_argument unless there is at least one keyframe and all hold values
    // of one kind.
    AnimatedValue(std::vector<Keyframe> keyframes, Interpolation interpolation);

    // Before the first keyframe its value, after the last the last one's. Choices always hold,
    // since there is nothing between two of them.
    ParamValue at(double seconds) const;

    // The kind of value, as the index of its alternative in ParamValue.
    std::size_t kind() const { return keyframes_.front().value.index(); }

private:
    std::vector<Keyframe> keyframes_;  // by time
    Interpolation interpolation_ = Interpolation::Hold;
};

}  // namespace zelrender
