// --set-end-frame: pressing the module's "Set End Frame" button, which fills the seamless-loop
// controls from the values at time 0 and at the current time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "apps/zel-render/composition.h"
#include "apps/zel-render/effect_host.h"

namespace zelrender {

// The composition time, in its time units, of `seconds` as typed; throws std::invalid_argument for
// text that is not a number and for a time outside 0 to the composition's duration.
std::int32_t endFrameTime(std::string_view seconds, const Composition& composition);

// Presses "Set End Frame" (the "Loop Setup Helper" control) with the current time at `time` and
// returns the sliders the module changed, by name, in the order of the controls. Throws
// CommandFailed when the module changed none.
std::vector<std::pair<std::string, double>> pressSetEndFrame(EffectHost& host, std::int32_t time);

}  // namespace zelrender
