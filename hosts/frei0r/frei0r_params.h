// The plug-ins' parameters as frei0r hosts list and set them: the scene, the unit of the host's
// time, then every control of the module's own table under its own name.
#pragma once

// The header declares the functions without C linkage of its own.
extern "C" {
#include <frei0r.h>
}

#include <string>
#include <variant>
#include <vector>

#include "host/animated_value.h"
#include "plugin/params/param_table.h"

namespace zelfrei0r {

// The source renders the scene; the texture filter also maps the incoming frame onto the surface
// as its "Texture Layer".
enum class PluginKind { Source, Texture };

// One parameter's value as a host sets it.
using Frei0rValue = std::variant<double, f0r_param_color_t, f0r_param_position_t, std::string>;

struct Frei0rParam {
    std::string name;
    int type;  // F0R_PARAM_*
    std::string explanation;
    // The control it sets; null for the scene and the time scale.
    const zel::params::ParamSpec* control;
};

// The two parameters ahead of the controls.
inline constexpr int kSceneParam = 0;
inline constexpr int kTimeScaleParam = 1;

// Every parameter of the plug-in, in the order hosts number them.
const std::vector<Frei0rParam>& frei0rParams(PluginKind kind);

// What a parameter holds until the host sets it: an empty path, a time scale of 1 (seconds), or
// the control's own default.
Frei0rValue defaultValue(const Frei0rParam& param);

// The value a control takes from `value` in a frame of `width` x `height` pixels: a slider's
// 0 to 1 spans its slider range and the same scale continues beyond, held within the valid
// range; a popup's 0 to 1 runs from the first choice to the last; a colour's channels are held
// within 0 to 1; a position is a fraction of the frame from its top left.
zelrender::ParamValue controlValue(const zel::params::ParamSpec& control, const Frei0rValue& value,
                                   int width, int height);

}  // namespace zelfrei0r
