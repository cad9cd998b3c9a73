// --list-params: every parameter the module registered, as a table for people or as JSON.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>

#include "host/param_store.h"

namespace zelrender {

// Parameters 1 onwards, names indented by group, one row each.
void printParamTable(std::ostream& out, const ParamStore& store);

// One object per parameter 1 onwards, with the same keys for every type and null where a key
// does not apply.
nlohmann::ordered_json paramListJson(const ParamStore& store);

}  // namespace zelrender
