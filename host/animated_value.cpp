#include "host/animated_value.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "host/number_text.h"

namespace zelrender {
namespace {

// Beyond any time or value a scene could mean; differences of such numbers, and slopes taken from
// them, stay far inside a double.
constexpr double kLargest = 1e300;

// A value's numbers, as many as its kind has (a colour alpha first); choices have none.
using Channels = std::array<double, 4>;

Channels channelsOf(const ParamValue& value)
{
    return std::visit(
        [](const auto& v) -> Channels {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, double>) {
                return {v};
            } else if constexpr (std::is_same_v<T, Color>) {
                return {v.alpha, v.red, v.green, v.blue};
            } else if constexpr (std::is_same_v<T, LayerPoint>) {
                return {v.x, v.y};
            } else if constexpr (std::is_same_v<T, SpacePoint>) {
                return {v.x, v.y, v.z};
            } else {
                return {};
            }
        },
        value);
}

// A value of the same kind as `like` with the numbers `c`; colours held within 0 to 1 and
// numbers within [low, high].
ParamValue withChannels(const ParamValue& like, const Channels& c, double low, double high)
{
    const auto unit = [](double channel) { return std::clamp(channel, 0.0, 1.0); };
    return std::visit(
        [&](const auto& v) -> ParamValue {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, double>) {
                return std::clamp(c[0], low, high);
            } else if constexpr (std::is_same_v<T, Color>) {
                return Color{unit(c[0]), unit(c[1]), unit(c[2]), unit(c[3])};
            } else if constexpr (std::is_same_v<T, LayerPoint>) {
                return LayerPoint{c[0], c[1]};
            } else if constexpr (std::is_same_v<T, SpacePoint>) {
                return SpacePoint{c[0], c[1], c[2]};
            } else {
                return v;
            }
        },
        like);
}

bool interpolates(const ParamValue& value)
{
    return !std::holds_alternative<std::monostate>(value) && !std::holds_alternative<Choice>(value);
}

std::uint8_t toByte(double channel)
{
    return static_cast<std::uint8_t>(std::lround(std::clamp(channel, 0.0, 1.0) * PF_MAX_CHAN8));
}

std::string keyframe(std::size_t i)
{
    return "keyframes[" + std::to_string(i) + "]";
}

}  // namespace

Color Color::fromPixel(const PF_Pixel& pixel)
{
    constexpr double max = PF_MAX_CHAN8;
    return {pixel.alpha / max, pixel.red / max, pixel.green / max, pixel.blue / max};
}

PF_Pixel Color::toPixel() const
{
    return {toByte(alpha), toByte(red), toByte(green), toByte(blue)};
}

AnimatedValue::AnimatedValue(ParamValue constant) : keyframes_{{0.0, constant}}
{
}

AnimatedValue::AnimatedValue(std::vector<Keyframe> keyframes, Interpolation interpolation)
    : keyframes_(std::move(keyframes)), interpolation_(interpolation)
{
    if (keyframes_.empty()) {
        throw std::invalid_argument("keyframes: an animation needs at least one");
    }
    for (std::size_t i = 0; i < keyframes_.size(); ++i) {
        const Keyframe& k = keyframes_[i];
        const Channels channels = channelsOf(k.value);
        if (k.value.index() != keyframes_.front().value.index()) {
            throw std::invalid_argument(keyframe(i) + " holds another kind of value than " +
                                        keyframe(0));
        }
        if (!(std::abs(k.seconds) <= kLargest) ||
            !std::all_of(channels.begin(), channels.end(),
                         [](double c) { return std::abs(c) <= kLargest; })) {
            throw std::invalid_argument(keyframe(i) +
                                        " holds a time or a number that is not within +-1e300");
        }
        if (i > 0 && !(k.seconds > keyframes_[i - 1].seconds)) {
            throw std::invalid_argument(keyframe(i) + " is at " + formatNumber(k.seconds) +
                                        " s, not after " + keyframe(i - 1) + " at " +
                                        formatNumber(keyframes_[i - 1].seconds) +
                                        " s; keyframes go in order of time");
        }
    }
}

void AnimatedValue::holdWithin(double low, double high)
{
    low_ = low;
    high_ = high;
}

ParamValue AnimatedValue::at(double seconds) const
{
    const auto later = std::upper_bound(keyframes_.begin(), keyframes_.end(), seconds,
                                        [](double s, const Keyframe& k) { return s < k.seconds; });
    const auto earlier = later == keyframes_.begin() ? later : std::prev(later);
    // Outside the keyframes, held, or a choice: a keyframe's own value.
    if (later == keyframes_.begin() || later == keyframes_.end() ||
        interpolation_ == Interpolation::Hold || !interpolates(earlier->value)) {
        return withChannels(earlier->value, channelsOf(earlier->value), low_, high_);
    }
    // later->seconds > seconds >= earlier->seconds, so the span is never zero.
    const double span = later->seconds - earlier->seconds;
    const double s = (seconds - earlier->seconds) / span;
    const Channels a = channelsOf(earlier->value);
    const Channels b = channelsOf(later->value);
    Channels c{};
    if (interpolation_ == Interpolation::Linear) {
        for (std::size_t i = 0; i < c.size(); ++i) {
            c[i] = a[i] + (b[i] - a[i]) * s;
        }
        return withChannels(earlier->value, c, low_, high_);
    }
    // The slope at keyframe k times the span: level at the ends, else that of the line between
    // its neighbours. The span is part of the neighbours' interval, so their ratio is at most 1.
    const auto slope = [&](std::size_t k) {
        Channels m{};
        if (k > 0 && k + 1 < keyframes_.size()) {
            const Keyframe& before = keyframes_[k - 1];
            const Keyframe& after = keyframes_[k + 1];
            const Channels p = channelsOf(before.value);
            const Channels q = channelsOf(after.value);
            for (std::size_t i = 0; i < m.size(); ++i) {
                m[i] = (q[i] - p[i]) * (span / (after.seconds - before.seconds));
            }
        }
        return m;
    };
    // Cubic Hermite, written so that a run of equal keyframes stays exactly at their value.
    const auto k = static_cast<std::size_t>(earlier - keyframes_.begin());
    const Channels ma = slope(k);
    const Channels mb = slope(k + 1);
    const double rise = s * s * (3 - 2 * s);
    const double leave = s * (1 - s) * (1 - s);
    const double arrive = s * s * (s - 1);
    for (std::size_t i = 0; i < c.size(); ++i) {
        c[i] = a[i] + (b[i] - a[i]) * rise + ma[i] * leave + mb[i] * arrive;
    }
    return withChannels(earlier->value, c, low_, high_);
}

}  // namespace zelrender
