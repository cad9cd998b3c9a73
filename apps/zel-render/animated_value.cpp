#include "apps/zel-render/animated_value.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <type_traits>

namespace zelrender {
namespace {

double lerp(double a, double b, double t)
{
    return a + (b - a) * t;
}

std::uint8_t toByte(double channel)
{
    return static_cast<std::uint8_t>(std::lround(std::clamp(channel, 0.0, 1.0) * PF_MAX_CHAN8));
}

// The value a fraction t of the way from a to b.
ParamValue between(std::monostate, std::monostate, double)
{
    return std::monostate{};
}

ParamValue between(double a, double b, double t)
{
    return lerp(a, b, t);
}

ParamValue between(Choice a, Choice, double)
{
    return a;
}

ParamValue between(const Color& a, const Color& b, double t)
{
    return Color{lerp(a.alpha, b.alpha, t), lerp(a.red, b.red, t), lerp(a.green, b.green, t),
                 lerp(a.blue, b.blue, t)};
}

ParamValue between(const LayerPoint& a, const LayerPoint& b, double t)
{
    return LayerPoint{lerp(a.x, b.x, t), lerp(a.y, b.y, t)};
}

ParamValue between(const SpacePoint& a, const SpacePoint& b, double t)
{
    return SpacePoint{lerp(a.x, b.x, t), lerp(a.y, b.y, t), lerp(a.z, b.z, t)};
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
        throw std::invalid_argument("an animation needs at least one keyframe");
    }
    const std::size_t first = keyframes_.front().value.index();
    for (const Keyframe& k : keyframes_) {
        if (k.value.index() != first) {
            throw std::invalid_argument("all keyframes of a parameter hold the same kind of value");
        }
        if (!std::isfinite(k.seconds)) {
            throw std::invalid_argument("a keyframe's time must be a finite number of seconds");
        }
    }
    std::stable_sort(keyframes_.begin(), keyframes_.end(),
                     [](const Keyframe& a, const Keyframe& b) { return a.seconds < b.seconds; });
}

ParamValue AnimatedValue::at(double seconds) const
{
    const auto later = std::upper_bound(keyframes_.begin(), keyframes_.end(), seconds,
                                        [](double s, const Keyframe& k) { return s < k.seconds; });
    if (later == keyframes_.begin()) {
        return keyframes_.front().value;
    }
    const Keyframe& earlier = *std::prev(later);
    if (later == keyframes_.end() || interpolation_ == Interpolation::Hold) {
        return earlier.value;
    }
    // later->seconds > seconds >= earlier.seconds, so the span is never zero.
    const double t = (seconds - earlier.seconds) / (later->seconds - earlier.seconds);
    // Both keyframes hold the same kind of value, checked on construction.
    return std::visit(
        [&](const auto& a) {
            return between(a, std::get<std::decay_t<decltype(a)>>(later->value), t);
        },
        earlier.value);
}

}  // namespace zelrender
