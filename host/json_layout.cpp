#include "host/json_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace zelrender {
namespace {

using Json = nlohmann::ordered_json;

std::string plain(const Json& value)
{
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

bool isFlat(const Json& array)
{
    return std::none_of(array.begin(), array.end(),
                        [](const Json& v) { return v.is_structured() && !v.empty(); });
}

void write(std::string& out, const Json& value, const std::string& step, const std::string& pad)
{
    if (!value.is_structured() || value.empty()) {
        out += plain(value);
        return;
    }
    const bool object = value.is_object();
    if (!object && isFlat(value)) {
        out += '[';
        for (auto it = value.begin(); it != value.end(); ++it) {
            out += (it == value.begin() ? "" : ", ") + plain(*it);
        }
        out += ']';
        return;
    }
    const std::string inner = pad + step;
    out += object ? "{\n" : "[\n";
    for (auto it = value.begin(); it != value.end(); ++it) {
        out += (it == value.begin() ? "" : ",\n") + inner;
        if (object) {
            out += plain(Json(it.key())) + ": ";
        }
        write(out, *it, step, inner);
    }
    out += "\n" + pad + (object ? "}" : "]");
}

}  // namespace

std::string sceneFileText(const Json& document, int indent, char indentChar)
{
    std::string out;
    write(out, document, std::string(static_cast<std::size_t>(std::max(indent, 0)), indentChar),
          "");
    return out;
}

Json numberJson(double value)
{
    constexpr double kExactInteger = 9007199254740992.0;  // 2^53
    if (std::trunc(value) == value && std::abs(value) < kExactInteger) {
        return static_cast<std::int64_t>(value);
    }
    return value;
}

}  // namespace zelrender
