#include "host/number_text.h"

#include <array>
#include <charconv>
#include <cmath>

namespace zelrender {
namespace {

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view kSpace = " \t";
    const std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

}  // namespace

std::optional<double> parseNumber(std::string_view text)
{
    const std::string_view number = trimmed(text);
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (number.empty() || error != std::errc{} || end != number.data() + number.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string formatNumber(double value)
{
    // Room for the longest shortest fixed form of a double (5e-324 takes 326 characters).
    std::array<char, 400> buffer{};
    char* end =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed)
            .ptr;
    return std::string(buffer.data(), end);
}

}  // namespace zelrender
