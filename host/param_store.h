// The effect's parameters as the module registered them, each with its value over time.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/animated_value.h"
#include "host/composition.h"
#include "sdk/pf_effect.h"

namespace zelrender {

struct RegisteredParam {
    // As registered, except for its text pointers, which the module only promises for the length
    // of the add_param call: the texts live in `choices` and `label`.
    PF_ParamDef def;
    std::string choices;  // popups, "|"-separated
    std::string label;    // buttons
    AnimatedValue value;
    std::optional<PF_LayerDef> layer;  // a layer parameter's world, once the host attached one

    std::string_view name() const { return def.name; }
    PF_ParamType type() const { return def.param_type; }
    // False when the module greyed the control out.
    bool enabled() const { return (def.ui_flags & PF_PUI_DISABLED) == 0; }
    // A popup's choices in order; empty for other types.
    std::vector<std::string_view> choiceList() const;
};

// The name under which listings show a parameter type this host handles; empty for others.
std::string_view paramTypeName(PF_ParamType type);

class ParamStore {
public:
    // Holds the input layer at index 0, which the host adds itself.
    explicit ParamStore(const Composition& composition);

    // Registers a parameter at the next index; `index` is -1 or that index. Throws
    // std::invalid_argument saying what is wrong with the definition.
    void add(std::int32_t index, const PF_ParamDef& def);

    // The definition with its value at `seconds`, as handed to the module: points in 16.16
    // downsampled pixels, colours rounded to 8 bits, layers as the world attached to them; until
    // then the input layer is a world of the downsampled size without pixels, and other layers
    // are empty. Throws std::out_of_range for an index that is not registered.
    void checkout(std::int32_t index, double seconds, PF_ParamDef& def) const;

    // The full-precision colour of a colour definition. The module hands back a copy of what it
    // checked out, identified by nothing stable (change_flags overwrites the id), so checkout
    // leaves the colour itself, tagged, in the bytes of the union that a colour record does not
    // use; copies carry it along. A definition without the tag, or whose 8-bit value no longer
    // matches it, answers its 8-bit value / 255. Throws std::invalid_argument for other types.
    static Color colorOf(const PF_ParamDef& def);

    // Keeps the control's look as the module sends it: ui_flags, name, and the twirl bit of
    // flags; the value is ignored. Throws for the input layer, an index not registered or a
    // definition of another type.
    void updateUi(std::int32_t index, const PF_ParamDef& sent);

    // Replaces a parameter's value, a slider's held within its valid range at every time; throws
    // std::invalid_argument when it is of another kind.
    void animate(int index, AnimatedValue value);

    // Makes layer parameter `index` (0, the input, included) check out as `world`, which the
    // caller keeps alive; throws std::invalid_argument for a parameter of another type.
    void attachLayer(std::int32_t index, const PF_LayerDef& world);

    const RegisteredParam& at(std::int32_t index) const;
    const Composition& composition() const { return composition_; }
    std::span<const RegisteredParam> all() const { return params_; }
    std::int32_t size() const { return static_cast<std::int32_t>(params_.size()); }

private:
    PF_LayerDef inputWorld() const;

    Composition composition_;
    std::vector<RegisteredParam> params_;
};

}  // namespace zelrender
