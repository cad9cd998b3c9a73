#include "apps/zel-render/param_listing.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/control_descriptions.h"
#include "host/message_text.h"
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

bool isGroup(const RegisteredParam& p)
{
    return p.type() == PF_Param_GROUP_START || p.type() == PF_Param_GROUP_END;
}

// Controls only: a group may share its name with a control inside it.
std::string_view description(const RegisteredParam& p)
{
    return isGroup(p) ? std::string_view() : controlDescription(p.name());
}

std::string quotedChoices(const RegisteredParam& p)
{
    return quotedList(p.choiceList(), ", ");
}

// The groups open at each index, outermost first: a group's start is not in its own list, its
// end is.
std::vector<std::vector<std::string>> openGroups(const ParamStore& store)
{
    std::vector<std::vector<std::string>> open(static_cast<std::size_t>(store.size()));
    std::vector<std::string> groups;
    for (std::int32_t i = 1; i < store.size(); ++i) {
        open[static_cast<std::size_t>(i)] = groups;
        const RegisteredParam& p = store.at(i);
        if (p.type() == PF_Param_GROUP_START) {
            groups.emplace_back(p.name());
        } else if (p.type() == PF_Param_GROUP_END && !groups.empty()) {
            groups.pop_back();
        }
    }
    return open;
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
        return std::to_string(u.pd.default_value) + " (" + inQuotes(choices.at(index)) + ")";
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

// Under "unless" the choices that leave the control enabled, under "when" those that grey it
// out, whichever are fewer: `subject` is "\"Draw\" is" or the like.
std::string greyingText(const std::string& subject, const RegisteredParam& decider,
                        const std::vector<bool>& enabled)
{
    const std::vector<std::string_view> choices = decider.choiceList();
    std::vector<std::string_view> on;
    std::vector<std::string_view> off;
    for (std::size_t c = 0; c < choices.size(); ++c) {
        (enabled[c] ? on : off).push_back(choices[c]);
    }
    return on.size() <= off.size() ? "unless " + subject + " " + quotedList(on)
                                   : "when " + subject + " " + quotedList(off);
}

// Whether each parameter is enabled, by index, under each choice of popup `decider`, as the
// module answers with every other value as it is; the decider's own value is kept.
std::vector<std::vector<bool>> statesUnder(EffectHost& host, std::int32_t decider)
{
    ParamStore& store = host.params();
    const AnimatedValue kept = store.at(decider).value;
    std::vector<std::vector<bool>> states;
    for (std::size_t choice = 1; choice <= store.at(decider).choiceList().size(); ++choice) {
        store.animate(decider, AnimatedValue(Choice{static_cast<std::int32_t>(choice)}));
        host.refreshControls();
        std::vector<bool>& enabled = states.emplace_back();
        for (const RegisteredParam& p : store.all()) {
            enabled.push_back(p.enabled());
        }
    }
    store.animate(decider, kept);
    host.refreshControls();
    return states;
}

std::vector<bool> column(const std::vector<std::vector<bool>>& states, std::int32_t index)
{
    std::vector<bool> values;
    for (const std::vector<bool>& state : states) {
        values.push_back(state.at(static_cast<std::size_t>(index)));
    }
    return values;
}

bool varies(const std::vector<bool>& values)
{
    return std::ranges::adjacent_find(values, std::not_equal_to<>()) != values.end();
}

using Row = std::array<std::string, 11>;
constexpr Row kHeadings = {"Index",    "Name",        "Type",         "State",
                           "Id",       "Valid range", "Slider range", "Default",
                           "Decimals", "Choices",     "Description"};

}  // namespace

void printParamTable(std::ostream& out, const ParamStore& store)
{
    std::vector<Row> rows = {kHeadings};
    const std::vector<std::vector<std::string>> open = openGroups(store);
    for (std::int32_t i = 1; i < store.size(); ++i) {
        const RegisteredParam& p = store.at(i);
        const std::vector<std::string>& groups = open[static_cast<std::size_t>(i)];
        std::string name(p.name());
        std::size_t depth = groups.size();
        if (p.type() == PF_Param_GROUP_END) {
            name = "(end of " + (groups.empty() ? std::string("group") : groups.back()) + ")";
            depth -= groups.empty() ? 0 : 1;
        }
        const PF_FloatSliderDef& s = p.def.u.fs_d;
        const bool slider = isSlider(p);
        rows.push_back({std::to_string(i), std::string(2 * depth, ' ') + name,
                        std::string(paramTypeName(p.type())), p.enabled() ? "enabled" : "greyed",
                        std::to_string(p.def.uu.id), slider ? range(s.valid_min, s.valid_max) : "",
                        slider ? range(s.slider_min, s.slider_max) : "", textDefault(p),
                        slider ? std::to_string(s.precision) : "",
                        p.type() == PF_Param_POPUP ? quotedChoices(p) : "",
                        std::string(description(p))});
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
            {"description", description(p).empty() ? Json(nullptr) : Json(description(p))},
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

void printControlHelp(std::ostream& out, EffectHost& host, std::string_view name)
{
    const ParamStore& store = host.params();
    const std::int32_t index = findControl(store, name);
    const RegisteredParam& p = store.at(index);
    const std::vector<std::string> groups = openGroups(store)[static_cast<std::size_t>(index)];
    std::vector<std::pair<std::string, std::string>> facts = {
        {"Type", std::string(paramTypeName(p.type())) +
                     (groups.empty() ? "" : ", in the group " + inQuotes(groups.back()))}};
    if (isSlider(p)) {
        const PF_FloatSliderDef& s = p.def.u.fs_d;
        facts.emplace_back("Valid range", range(s.valid_min, s.valid_max));
        facts.emplace_back("Slider range", range(s.slider_min, s.slider_max) + ", shown with " +
                                               std::to_string(s.precision) +
                                               (s.precision == 1 ? " decimal" : " decimals"));
    }
    if (const std::string dflt = textDefault(p); !dflt.empty()) {
        facts.emplace_back("Default", dflt);
    }
    if (p.type() == PF_Param_POPUP) {
        facts.emplace_back("Choices", quotedChoices(p));
    }
    // Each line its own fact, the heading on the first only.
    const auto addLines = [&facts](const char* heading, const std::vector<std::string>& lines) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            facts.emplace_back(i == 0 ? heading : "", lines[i]);
        }
    };
    std::vector<std::string> greyedBy;
    std::vector<std::string> greys;
    for (std::int32_t i = 1; i < store.size(); ++i) {
        const RegisteredParam& decider = store.at(i);
        if (decider.type() != PF_Param_POPUP) {
            continue;
        }
        const std::vector<std::vector<bool>> states = statesUnder(host, i);
        if (i != index && varies(column(states, index))) {
            greyedBy.push_back(
                greyingText(inQuotes(decider.name()) + " is", decider, column(states, index)));
        }
        if (i != index) {
            continue;
        }
        for (std::int32_t j = 1; j < store.size(); ++j) {
            if (j != index && varies(column(states, j))) {
                greys.push_back(inQuotes(store.at(j).name()) + " " +
                                greyingText("it is", p, column(states, j)));
            }
        }
    }
    addLines("Greyed out", greyedBy.empty() ? std::vector<std::string>{"never"} : greyedBy);
    addLines("Greys out", greys);

    const std::string_view text = description(p);
    out << inQuotes(p.name()) << ": " << (text.empty() ? "no description" : text) << '\n';
    std::size_t width = 0;
    for (const auto& [heading, fact] : facts) {
        width = std::max(width, heading.size());
    }
    for (const auto& [heading, fact] : facts) {
        out << "  " << heading << (heading.empty() ? " " : ":")
            << std::string(width - heading.size() + 1, ' ') << fact << '\n';
    }
}

}  // namespace zelrender
