// A value over time (a control's, a camera's or a light's): a constant, or keyframes with linear,
// hold or smooth interpolation.
#pragma once

#include <cstdint>
#include <limits>
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

// Smooth: a cubic through the keyframes (Catmull-Rom with uneven times), its slope at each keyframe
// that of the line between the keyframes either side, level at the first and the last, so that
// motion eases in and out.
enum class Interpolation { Linear, Hold, Smooth };

struct Keyframe {
    double seconds;
    ParamValue value;
};

class AnimatedValue {
public:
    explicit AnimatedValue(ParamValue constant);
    // Throws std::invalid_argument, naming the keyframe as "keyframes[I]", unless there is at
    // least one keyframe, all hold values of one kind and their times increase. Times and numbers
    // lie within +-1e300, beyond any use but far enough inside a double that nothing computed
    // between two keyframes overflows.
    AnimatedValue(std::vector<Keyframe> keyframes, Interpolation interpolation);

    // Before the first keyframe its value, after the last the last one's. Colours and points
    // change channel by channel, colours held within 0 to 1 where a smooth curve overshoots;
    // choices always hold, since there is nothing between two of them.
    ParamValue at(double seconds) const;

    // Holds numbers within `low` to `high` (low <= high) at every time, as a smooth curve may
    // pass beyond the keyframes on its way between them.
    void holdWithin(double low, double high);

    // The kind of value, as the index of its alternative in ParamValue.
    std::size_t kind() const { return keyframes_.front().value.index(); }
    // A constant is one keyframe.
    const std::vector<Keyframe>& keyframes() const { return keyframes_; }
    Interpolation interpolation() const { return interpolation_; }

private:
    std::vector<Keyframe> keyframes_;  // by time
    Interpolation interpolation_ = Interpolation::Hold;
    double low_ = -std::numeric_limits<double>::infinity();
    double high_ = std::numeric_limits<double>::infinity();
};

}  // namespace zelrender
