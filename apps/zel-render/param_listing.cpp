#include "apps/zel-render/param_listing.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "host/number_text.h"
#include "host/param_assignment.h"

namespace zelrender {
namespace {

using Json = nlohmann::ordered_json;

constexpr double kFixedOne = PF_FIXED_ONE;

bool isSlider(const RegisteredParam& p)
{
    return p.type() == PF_Param_FLOAT_SLIDER;
}

Json jsonDefault(const RegisteredParam& p)
{
    const PF_ParamDefUnion& u = p.def.u;
    switch (p.type()) {
    case PF_Param_FLOAT_SLIDER:
        return u.fs_d.default_value;
    case PF_Param_POPUP:
        return u.pd.default_value;
    case PF_Param_COLOR:
        return {u.cd.default_value.alpha, u.cd.default_value.red, u.cd.default_value.green,
                u.cd.default_value.blue};
    case PF_Param_POINT:
        return {u.td.x_default / kFixedOne, u.td.y_default / kFixedOne};
    default:
        return nullptr;
    }
}

std::string hexColor(const PF_Pixel& c)
{
    return colorText(c) + (c.alpha != PF_MAX_CHAN8 ? ", alpha " + std::to_string(c.alpha) : "");
}

std::string textDefault(const RegisteredParam& p)
{
    const PF_ParamDefUnion& u = p.def.u;
    switch (p.type()) {
    case PF_Param_FLOAT_SLIDER:
        return formatNumber(u.fs_d.default_value);
    case PF_Param_POPUP: {
        const auto choices = p.choiceList();
        const auto index = static_cast<std::size_t>(u.pd.default_value - 1);
        return std::to_string(u.pd.default_value) + " (" + std::string(choices.at(index)) + ")";
    }
    case PF_Param_COLOR:
        return hexColor(u.cd.default_value);
    case PF_Param_POINT:
        return formatNumber(u.td.x_default / kFixedOne) + "%, " +
               formatNumber(u.td.y_default / kFixedOne) + "%";
    default:
        return "";
    }
}

std::string range(double low, double high)
{
    return formatNumber(low) + " to " + formatNumber(high);
}

using Row = std::array<std::string, 10>;
constexpr Row kHeadings = {"Index",       "Name",         "Type",    "State",    "Id",
                           "Valid range", "Slider range", "Default", "Decimals", "Choices"};

}  // namespace

void printParamTable(std::ostream& out, const ParamStore& store)
{
    std::vector<Row> rows = {kHeadings};
    std::vector<std::string> groups;  // the open groups, innermost last
    for (std::int32_t i = 1; i < store.size(); ++i) {
        const RegisteredParam& p = store.at(i);
        std::string name(p.name());
        if (p.type() == PF_Param_GROUP_END) {
            name = "(end of " + (groups.empty() ? std::string("group") : groups.back()) + ")";
            if (!groups.empty()) {
                groups.pop_back();
            }
        }
        const std::string indent(2 * groups.size(), ' ');
        if (p.type() == PF_Param_GROUP_START) {
            groups.push_back(name);
        }
        const PF_FloatSliderDef& s = p.def.u.fs_d;
        const bool slider = isSlider(p);
        rows.push_back({std::to_string(i), indent + name, std::string(paramTypeName(p.type())),
                        p.enabled() ? "enabled" : "greyed", std::to_string(p.def.uu.id),
                        slider ? range(s.valid_min, s.valid_max) : "",
                        slider ? range(s.slider_min, s.slider_max) : "", textDefault(p),
                        slider ? std::to_string(s.precision) : "",
                        p.type() == PF_Param_POPUP ? p.choices : ""});
    }
    std::array<std::size_t, std::tuple_size_v<Row>> widths{};
    for (const Row& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            widths[c] = std::max(widths[c], row[c].size());
        }
    }
    for (const Row& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += row[c] + std::string(widths[c] - row[c].size() + 2, ' ');
        }
        out << line.erase(line.find_last_not_of(' ') + 1) << '\n';
    }
}

Json paramListJson(const ParamStore& store)
{
    Json list = Json::array();
    for (std::int32_t i = 1; i < store.size(); ++i) {
        const RegisteredParam& p = store.at(i);
        const PF_FloatSliderDef& s = p.def.u.fs_d;
        const bool slider = isSlider(p);
        Json choices = nullptr;
        if (p.type() == PF_Param_POPUP) {
            choices = Json::array();
            for (std::string_view choice : p.choiceList()) {
                choices.push_back(choice);
            }
        }
        list.push_back({
            {"index", i},
            {"name", p.type() == PF_Param_GROUP_END ? Json(nullptr) : Json(p.name())},
            {"type", paramTypeName(p.type())},
            {"id", p.def.uu.id},
            {"flags", p.def.flags},
            {"valid_min", slider ? Json(s.valid_min) : Json(nullptr)},
            {"valid_max", slider ? Json(s.valid_max) : Json(nullptr)},
            {"slider_min", slider ? Json(s.slider_min) : Json(nullptr)},
            {"slider_max", slider ? Json(s.slider_max) : Json(nullptr)},
            {"default", jsonDefault(p)},
            {"precision", slider ? Json(s.precision) : Json(nullptr)},
            {"choices", std::move(choices)},
            {"enabled", p.enabled()},
        });
    }
    return list;
}

}  // namespace zelrender
