#include "apps/zel-fuzz/scene_mutator.h"

#include <iterator>
#include <utility>
#include <vector>

namespace zelfuzz {
namespace {

using Json = nlohmann::ordered_json;

// A key mangled byte by byte may no longer be UTF-8, which JSON text cannot hold.
std::string dumped(const Json& value, int indent)
{
    return value.dump(indent, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

std::size_t SceneMutator::below(std::size_t n)
{
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
}

void SceneMutator::mutateText(std::string& text)
{
    static const std::vector<std::string> tokens = {
        "{", "}", "[", "]", ",", ":", "\"", "\\", "1e308", "-1e308", "1e400", "null", "true",
        "\"x\"", "0.5", "-0", "\n", "\\n", "\xff", "\xc3", "//", "NaN", "\"\\u0000\"",
        "9999999999999999999999"};
    const std::size_t at = below(text.size() + 1);
    const std::size_t kind = below(4);
    if (kind == 0 && at < text.size()) {
        text[at] = static_cast<char>(text[at] ^ (1 << below(8)));
    } else if (kind == 1) {
        text.insert(at, pick(tokens));
    } else if (kind == 2) {
        text.erase(at, 1 + below(8));
    } else if (kind == 3) {
        text.insert(at, text.substr(below(text.size() + 1), below(16)));
    }
}

std::string SceneMutator::mutateJson(Json document)
{
    static const std::vector<Json> values = {
        nullptr, true, 0, -1, 0.5, 1e308, -1e308, 5e-324, 2147483648LL, -2147483649LL,
        18446744073709551615ULL, "", "#FF8000", "1,2", "Off", "Wire\nframe", "\t\u0001",
        Json::array(), Json::array({1, 2}), Json::array({1, 2, 3}), Json::array({0, 1, 2, 3}),
        Json::object(),
        Json::parse(R"({"keyframes": [[0, 1], [1e300, 2]], "interpolation": "smooth"})"),
        Json::parse(R"({"keyframes": [[1, 0], [0, 1]]})"),
        Json::parse(R"({"keyframes": [[0, [1, 2]], [1, [3, 4, 5]]]})"),
        Json::parse(R"({"keyframes": [], "interpolation": "hold"})")};
    static const std::vector<std::string> keys = {
        "", "x\ny", "\xc3\xa9", "type", "keyframes", "controls", "Vertices X"};
    std::vector<Json*> nodes = {&document};
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i]->is_structured()) {
            for (Json& child : *nodes[i]) {
                nodes.push_back(&child);
            }
        }
    }
    Json& node = *nodes[below(nodes.size())];
    const std::size_t kind = below(5);
    if (kind == 0) {
        node = pick(values);
    } else if (kind == 1) {
        node = below(2) == 0 ? Json::array({node}) : Json({{"keyframes", node}});
    } else if (node.is_object() && !node.empty()) {
        const auto item = std::next(node.begin(), static_cast<std::ptrdiff_t>(below(node.size())));
        const std::string key = item.key();
        const Json value = kind == 3 && below(2) == 0 ? Json(1) : item.value();
        if (kind == 3) {
            // Objects hold a key once, so the second goes into the text under a stand-in.
            const std::string standIn = key + "\x01twice";
            node[standIn] = value;
            std::string text = dumped(document, -1);
            const std::string marker = dumped(standIn, -1);
            return text.replace(text.find(marker), marker.size(), dumped(key, -1));
        }
        node.erase(item);
        if (kind == 4) {
            std::string renamed = below(2) == 0 ? pick(keys) : key + "s";
            if (!renamed.empty()) {
                std::swap(renamed[below(renamed.size())], renamed[below(renamed.size())]);
            }
            node[renamed] = value;
        }
    }
    return dumped(document, below(2) == 0 ? -1 : 2);
}

std::string SceneMutator::mutate(const std::string& seed)
{
    std::string text = mutateJson(Json::parse(seed));
    for (std::size_t more = below(3); more > 0; --more) {
        if (below(3) == 0) {
            mutateText(text);
        } else if (Json::accept(text)) {
            text = mutateJson(Json::parse(text));
        }
    }
    return text;
}

}  // namespace zelfuzz
