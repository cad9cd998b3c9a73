// A parameter array as a host hands it to a render: every control at the default the module
// registered, points in pixels of the layer.
#pragma once

#include <array>
#include <memory>

#include "plugin/params/param_table.h"
#include "sdk/pf_effect.h"

namespace zel::test {

class DefaultParams {
public:
    // Registers the module's controls with a recording host and keeps their definitions; points
    // become pixels of a layer of the given size.
    DefaultParams(int layerWidth, int layerHeight);

    PF_ParamDef** array() { return pointers_.data(); }
    PF_ParamDef& operator[](int index) { return defs_[static_cast<std::size_t>(index)]; }

    void setSlider(int index, double value) { (*this)[index].u.fs_d.value = value; }
    void setPopup(int index, int choice) { (*this)[index].u.pd.value = choice; }

private:
    std::array<PF_ParamDef, params::kParamCount> defs_{};
    std::array<PF_ParamDef*, params::kParamCount> pointers_{};
};

}  // namespace zel::test
