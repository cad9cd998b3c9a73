#include "host/message_text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <utility>
#include <vector>

namespace zelrender {
namespace {

// What was typed is shown up to this many bytes, so that a message stays readable however long
// the input.
constexpr std::size_t kMaxEchoed = 200;

// The part of `text` shown, whole UTF-8 characters, and what follows it: nothing, or how long the
// whole was.
std::pair<std::string_view, std::string> cut(std::string_view text)
{
    if (text.size() <= kMaxEchoed) {
        return {text, ""};
    }
    std::size_t end = kMaxEchoed;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return {text.substr(0, end), "... (" + std::to_string(text.size()) + " bytes in all)"};
}

// Escapes as JSON writes them: \n, \t and the like, \u00XX for other control characters.
std::string escaped(std::string_view text, std::string_view alsoEscaped)
{
    constexpr std::string_view kControls = "\b\f\n\r\t";
    constexpr std::string_view kLetters = "bfnrt";
    std::string out;
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (const std::size_t named = kControls.find(c); named != std::string_view::npos) {
            out += std::string("\\") + kLetters[named];
        } else if (code < 0x20 || code == 0x7F) {
            std::array<char, 8> hex{};
            std::snprintf(hex.data(), hex.size(), "\\u%04X", code);
            out += hex.data();
        } else {
            out += alsoEscaped.find(c) != std::string_view::npos ? std::string("\\") + c
                                                                 : std::string(1, c);
        }
    }
    return out;
}

char lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Edits (insertions, deletions, substitutions) between a and b, ignoring case.
std::size_t editDistance(std::string_view a, std::string_view b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j < row.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t substitute = diagonal + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1);
            diagonal = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, substitute});
        }
    }
    return row.back();
}

}  // namespace

std::string inQuotes(std::string_view text)
{
    const auto [shown, rest] = cut(text);
    std::string quoted = "\"";
    quoted += escaped(shown, "\"\\");
    quoted += '"';
    return quoted + rest;
}

std::string oneLine(std::string_view text)
{
    const auto [shown, rest] = cut(text);
    return escaped(shown, "") + rest;
}

std::string abridged(std::string_view text)
{
    const auto [shown, rest] = cut(text);
    return std::string(shown) + rest;
}

std::optional<std::string_view> closestName(std::string_view typed,
                                            std::span<const std::string_view> names)
{
    // A slip of a few letters, or a difference of case only, is worth a suggestion.
    const std::size_t tolerance = std::max<std::size_t>(2, typed.size() / 4);
    std::optional<std::string_view> closest;
    std::size_t best = tolerance + 1;
    for (std::string_view name : names) {
        // The lengths alone may put a name out of reach, which spares comparing a long one.
        const std::size_t longer = std::max(typed.size(), name.size());
        if (name.empty() || longer - std::min(typed.size(), name.size()) >= best) {
            continue;
        }
        if (const std::size_t d = editDistance(typed, name); d < best) {
            best = d;
            closest = name;
        }
    }
    return closest;
}

std::string lastLine(std::string_view text)
{
    const std::size_t end = text.find_last_not_of("\r\n");
    if (end == std::string_view::npos) {
        return "";
    }
    const std::size_t start = text.find_last_of("\r\n", end) + 1;  // npos + 1 is 0
    return std::string(text.substr(start, end - start + 1));
}

std::string quotedList(std::span<const std::string_view> words, std::string_view last)
{
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        text += i == 0 ? "" : i + 1 == words.size() ? std::string(last) : ", ";
        text += inQuotes(words[i]);
    }
    return text;
}

std::string sizeText(std::int64_t width, std::int64_t height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

}  // namespace zelrender
