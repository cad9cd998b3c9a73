// Numbers as people type and read them, in control values and in messages.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zelrender {

// A finite decimal number filling the whole text (spaces around it allowed); nothing otherwise.
std::optional<double> parseNumber(std::string_view text);

// The shortest text that reads back as `value`, without an exponent: 100000, 0.0001, 2.5.
std::string formatNumber(double value);

}  // namespace zelrender
