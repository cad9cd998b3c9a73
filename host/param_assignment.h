// NAME=VALUE: a control's value or keyframes, or a layer control's image, as people type them
// (zel-render's --set), and controls found by name.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/param_store.h"
#include "host/scene.h"
#include "host/scene_names.h"

namespace zelrender {

// Reads each NAME=VALUE and makes VALUE the named control's value: a constant as parseValue reads
// it, or keyframes "0s:0,4s:360", each a time in seconds and a value, then " linear", " hold" or
// " smooth" (linear when left out). Throws std::invalid_argument naming the control and what it
// accepts at the first one that does not fit, and then applies none of them.
void applyAssignments(ParamStore& store, std::span<const std::string> assignments);

// The assignments that name a layer control, NAME=PATH ("Texture Layer=wood.png"), each giving
// the scene that control's image in place of its own, the path taken from the current directory;
// an empty path leaves the control without one. Throws std::invalid_argument naming the control
// for an image that cannot be read.
void assignLayers(Scene& scene, std::span<const std::string> assignments);
// The others, which applyAssignments takes.
std::vector<std::string> controlAssignments(std::span<const std::string> assignments);
// The layer control that NAME=PATH names; none for other assignments.
const LayerKey* layerNamed(std::string_view assignment);

// The value `text` gives `param`, in the units the store keeps, a point's percent being of
// `layer`'s full size; throws std::invalid_argument.
ParamValue parseValue(const RegisteredParam& param, std::string_view text,
                      const Composition& layer);

// The opaque colour "#RRGGBB" (hexadecimal) names; none for any other text.
std::optional<Color> colorFromText(std::string_view text);

// "#RRGGBB", a colour as a typed value gives it.
std::string colorText(const PF_Pixel& pixel);

// The index of the control named `name`; throws std::invalid_argument for a group's name, and
// for a name no control has, suggesting a close one.
int findControl(const ParamStore& store, std::string_view name);

}  // namespace zelrender
