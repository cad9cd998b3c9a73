// The composition suites: the effect's place in its composition, the composition's layers, the
// camera's type, the lights' types and the layers' streams, all answered from the host's
// CompositionLayers. The effect's layer starts at time 0, so its time is composition time.
#pragma once

#include <span>

#include "host/host_suites.h"

namespace zelrender {

std::span<const OfferedSuite> compositionSuites();

}  // namespace zelrender
