// A mutated scene read in-process as zel-render reads one: it is either taken, and then holds only
// values in range and writes back (--dump-scene) to a scene that reads back to itself, or refused
// with one line that names the file. Anything else is a fault.
#pragma once

#include <string>

#include "host/param_store.h"

namespace zelfuzz {

struct SceneOutcome {
    bool taken = false;
    std::string fault;  // empty when there is none
};

// `controls`: the module's controls as it registers them.
SceneOutcome tryScene(const std::string& text, const zelrender::ParamStore& controls);

}  // namespace zelfuzz
