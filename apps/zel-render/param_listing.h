// --list-params: every parameter the module registered, as a table for people or as JSON; and
// --help-control: all there is to know about one of them.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string_view>

#include "host/effect_host.h"
#include "host/param_store.h"

namespace zelrender {

// Parameters 1 onwards, names indented by group, one row each, ending with what each does.
void printParamTable(std::ostream& out, const ParamStore& store);

// One object per parameter 1 onwards, with the same keys for every type and null where a key
// does not apply.
nlohmann::ordered_json paramListJson(const ParamStore& store);

// The control named `name`: what it does, its type and group, ranges, default, choices, and the
// choices of other controls that grey it out, as the module answers under each choice of every
// popup, the others keeping their values. Throws std::invalid_argument, suggesting names, for a
// name no control has.
void printControlHelp(std::ostream& out, EffectHost& host, std::string_view name);

}  // namespace zelrender
