// A parameter's value over time: a constant, or keyframes with linear or hold interpolation.
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

// By kind: none (layers, buttons, groups), float slider, popup, colour, point.
using ParamValue = std::variant<std::monostate, double, Choice, PF_Pixel, LayerPoint>;

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
