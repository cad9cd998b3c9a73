// Parameter definitions as a module would register them, for tests of the parameter store.
#pragma once

#include <algorithm>
#include <cstring>

#include "sdk/pf_effect.h"

namespace zelrender::test {

inline PF_ParamDef namedDef(PF_ParamType type, const char* name)
{
    PF_ParamDef def{};
    def.param_type = type;
    std::memcpy(def.name, name, std::min(std::strlen(name), sizeof def.name - 1));
    return def;
}

inline PF_ParamDef floatSliderDef(const char* name, double validMin, double validMax,
                                  double sliderMin, double sliderMax, double dflt)
{
    PF_ParamDef def = namedDef(PF_Param_FLOAT_SLIDER, name);
    def.u.fs_d = {dflt, validMin, validMax, sliderMin, sliderMax, dflt, 1, 0, 0, 0};
    return def;
}

inline PF_ParamDef popupDef(const char* name, const char* choices, std::int16_t count,
                            std::int16_t dflt)
{
    PF_ParamDef def = namedDef(PF_Param_POPUP, name);
    def.u.pd = {dflt, count, dflt, choices};
    return def;
}

inline PF_ParamDef colorDef(const char* name, PF_Pixel dflt)
{
    PF_ParamDef def = namedDef(PF_Param_COLOR, name);
    def.u.cd = {dflt, dflt};
    return def;
}

// Defaults in percent of the layer.
inline PF_ParamDef pointDef(const char* name, double xPercent, double yPercent)
{
    PF_ParamDef def = namedDef(PF_Param_POINT, name);
    def.u.td.x_default = static_cast<PF_Fixed>(xPercent * PF_FIXED_ONE);
    def.u.td.y_default = static_cast<PF_Fixed>(yPercent * PF_FIXED_ONE);
    return def;
}

}  // namespace zelrender::test
