#include "tests/plugin/default_params.h"

#include <stdexcept>

#include "plugin/params/params_setup.h"
#include "tests/plugin/recording_host.h"

namespace zel::test {

DefaultParams::DefaultParams(int layerWidth, int layerHeight)
{
    RecordingHost host;
    if (ParamsSetup(&host.in_data, &host.out_data, nullptr, nullptr) != PF_Err_NONE ||
        host.added.size() + 1 != defs_.size()) {
        throw std::runtime_error("the module did not register its parameters");
    }
    for (std::size_t i = 1; i < defs_.size(); ++i) {
        defs_[i] = host.added[i - 1];
        PF_PointDef& point = defs_[i].u.td;
        if (defs_[i].param_type == PF_Param_POINT) {
            // Defaults are percent of the layer; values are 16.16 pixels.
            point.x_value = static_cast<PF_Fixed>(point.x_default / 100.0 * layerWidth);
            point.y_value = static_cast<PF_Fixed>(point.y_default / 100.0 * layerHeight);
        }
    }
    for (std::size_t i = 0; i < defs_.size(); ++i) {
        pointers_[i] = &defs_[i];
    }
}

}  // namespace zel::test
