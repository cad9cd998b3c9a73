// NAME=VALUE: a control's constant value as people type it (zel-render's --set), and controls
// found by name.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "host/param_store.h"

namespace zelrender {

// Reads each NAME=VALUE and makes VALUE the named control's constant value. Throws
// std::invalid_argument naming the control and what it accepts at the first one that does not
// fit, and then applies none of them.
void applyAssignments(ParamStore& store, std::span<const std::string> assignments);

// The value `text` gives `param`, in the units the store keeps; throws std::invalid_argument.
ParamValue parseValue(const RegisteredParam& param, std::string_view text);

// The opaque colour "#RRGGBB" (hexadecimal) names; none for any other text.
std::optional<Color> colorFromText(std::string_view text);

// "#RRGGBB", a colour as a typed value gives it.
std::string colorText(const PF_Pixel& pixel);

// The index of the control named `name`; throws std::invalid_argument for a group's name, and
// for a name no control has, suggesting a close one.
int findControl(const ParamStore& store, std::string_view name);

}  // namespace zelrender
