// Text for messages: what the user typed, shown as typed on one line, and the name meant when a
// name was misspelt.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zelrender {

// `text` in double quotes, its quotes, backslashes and control characters escaped as in JSON;
// past 200 bytes it is cut, and its length follows: "abc"... (5000000 bytes in all).
std::string inQuotes(std::string_view text);

// `text` with its control characters escaped as in JSON, so that a message takes one line; cut
// as inQuotes cuts it.
std::string oneLine(std::string_view text);

// `text` cut as inQuotes cuts it, for text that is shown as it is, such as JSON.
std::string abridged(std::string_view text);

// Each of `words` in quotes, as inQuotes quotes it, separated by commas and the last by `last`:
// "Fill", "Points" or "Front Fill, Back Wire".
std::string quotedList(std::span<const std::string_view> words, std::string_view last = " or ");

// A size as messages give it: "1920 x 1080".
std::string sizeText(std::int64_t width, std::int64_t height);

// The last line of `text` with something on it, such as a program's message in what it printed;
// "" when there is none.
std::string lastLine(std::string_view text);

// Of `names`, the one closest to `typed` when it is a slip of a few letters away or differs in
// case only; none when nothing is that close.
std::optional<std::string_view> closestName(std::string_view typed,
                                            std::span<const std::string_view> names);

}  // namespace zelrender
