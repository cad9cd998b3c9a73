// What each of the effect's controls does, in one line a newcomer can act on, with its unit:
// for listings, help texts and the controls of other video tools.
#pragma once

#include <span>
#include <string_view>

namespace zelrender {

struct ControlDescription {
    std::string_view name;  // as the module registers it
    std::string_view text;  // one sentence, no line breaks
};

// Every control the module registers, groups aside, once each.
std::span<const ControlDescription> controlDescriptions();

// The description of the control named `controlName`; empty when no control has that name.
std::string_view controlDescription(std::string_view controlName);

}  // namespace zelrender
