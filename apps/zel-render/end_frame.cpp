#include "apps/zel-render/end_frame.h"

#include <cmath>
#include <optional>
#include <stdexcept>

#include "apps/zel-render/number_text.h"
#include "apps/zel-render/param_assignment.h"

namespace zelrender {

std::int32_t endFrameTime(std::string_view seconds, const Composition& composition)
{
    const double duration = composition.seconds(composition.duration);
    const std::optional<double> time = parseNumber(seconds);
    // The end itself is accepted: a loop whose last frame comes just before it closes there.
    if (!time || *time < 0 || *time > duration) {
        throw std::invalid_argument("--set-end-frame takes a time in seconds from 0 to " +
                                    formatNumber(duration) + ", the composition's duration; got \"" +
                                    std::string(seconds) + "\"");
    }
    return static_cast<std::int32_t>(std::llround(*time * composition.timeScale));
}

std::vector<std::pair<std::string, double>> pressSetEndFrame(EffectHost& host, std::int32_t time)
{
    const int button = findControl(host.params(), "Loop Setup Helper");
    std::vector<std::pair<std::string, double>> values;
    for (const auto& [index, def] : host.userChangedParam(button, time)) {
        // The loop controls are sliders; a scene holds nothing else the button could change.
        if (def.param_type == PF_Param_FLOAT_SLIDER) {
            values.emplace_back(std::string(host.params().at(index).name()), def.u.fs_d.value);
        }
    }
    if (values.empty()) {
        throw CommandFailed("\"Set End Frame\" changed no loop values: the module could not "
                            "read the values at time 0");
    }
    return values;
}

}  // namespace zelrender
