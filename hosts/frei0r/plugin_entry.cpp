// The frei0r functions: instances keep the values their host sets; frames render through the
// process's one session. No exception leaves a function a host calls.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "hosts/frei0r/plugin_identity.h"
#include "hosts/frei0r/session.h"

namespace zelfrei0r {
namespace {

// Whether two values are equal: frei0r's colour and position records have no ==.
bool same(const Frei0rValue& a, const Frei0rValue& b)
{
    if (a.index() != b.index()) {
        return false;
    }
    return std::visit(
        [&](const auto& x) {
            using T = std::decay_t<decltype(x)>;
            const T& y = std::get<T>(b);
            if constexpr (std::is_same_v<T, f0r_param_color_t>) {
                return x.r == y.r && x.g == y.g && x.b == y.b;
            } else if constexpr (std::is_same_v<T, f0r_param_position_t>) {
                return x.x == y.x && x.y == y.y;
            } else {
                return x == y;
            }
        },
        a);
}

struct Instance {
    Instance(unsigned int w, unsigned int h)
        : width(static_cast<std::int32_t>(w)), height(static_cast<std::int32_t>(h)),
          set(params().size())
    {
    }

    static const std::vector<Frei0rParam>& params() { return frei0rParams(kPlugin.kind); }

    Frei0rValue valueOf(std::size_t index) const
    {
        return set[index] ? *set[index] : defaultValue(params()[index]);
    }

    // What the next frame renders, at `time` in the host's unit.
    Frame frame(double time, const std::uint32_t* input) const
    {
        Frame frame;
        frame.setup = {std::get<std::string>(valueOf(kSceneParam)), width, height, {},
                       kPlugin.kind == PluginKind::Texture};
        for (std::size_t i = 0; i < set.size(); ++i) {
            const zel::params::ParamSpec* control = params()[i].control;
            if (control == nullptr || !set[i]) {
                continue;
            }
            if (const auto* file = std::get_if<std::string>(&*set[i])) {
                if (!file->empty()) {
                    frame.setup.layers.emplace_back(control->index, *file);
                }
            } else {
                frame.values.emplace_back(control->index,
                                          controlValue(*control, *set[i], width, height));
            }
        }
        frame.seconds = time * std::get<double>(valueOf(kTimeScaleParam));
        frame.input = input;
        return frame;
    }

    const std::int32_t width;
    const std::int32_t height;
    std::vector<std::optional<Frei0rValue>> set;  // by parameter; empty until the host sets it
};

// Why a value is refused, or empty when it is taken.
std::string refusal(const Frei0rParam& param, const Frei0rValue& value)
{
    const auto finite = [](auto... numbers) { return (std::isfinite(numbers) && ...); };
    const bool ok = std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, double>) {
                return finite(v) && (&param != &Instance::params()[kTimeScaleParam] || v > 0);
            } else if constexpr (std::is_same_v<T, f0r_param_color_t>) {
                return finite(v.r, v.g, v.b);
            } else if constexpr (std::is_same_v<T, f0r_param_position_t>) {
                return finite(v.x, v.y);
            } else {
                return true;
            }
        },
        value);
    if (ok) {
        return {};
    }
    return "\"" + param.name + "\" takes " +
           (param.type == F0R_PARAM_DOUBLE && param.control == nullptr
                ? std::string("a number above 0")
                : std::string("finite numbers")) +
           "; the value given is ignored";
}

void update(Instance& instance, double time, const std::uint32_t* input, std::uint32_t* output)
{
    const bool texture = kPlugin.kind == PluginKind::Texture;
    if (texture && input == nullptr) {
        throw std::invalid_argument("the host handed no frame to map onto the surface");
    }
    renderFrame(instance.frame(time, texture ? input : nullptr), output);
}

}  // namespace
}  // namespace zelfrei0r

using namespace zelfrei0r;

extern "C" {

int f0r_init(void)
{
    return 1;
}

void f0r_deinit(void)
{
    try {
        closeSession();
    } catch (const std::exception& e) {
        tellOnce(e.what());
    }
}

void f0r_get_plugin_info(f0r_plugin_info_t* info)
{
    info->name = kPlugin.name;
    info->author = "Zel";
    info->plugin_type =
        kPlugin.kind == PluginKind::Source ? F0R_PLUGIN_TYPE_SOURCE : F0R_PLUGIN_TYPE_FILTER;
    info->color_model = F0R_COLOR_MODEL_RGBA8888;
    info->frei0r_version = FREI0R_MAJOR_VERSION;
    info->major_version = ZEL_VERSION_MAJOR;
    info->minor_version = ZEL_VERSION_MINOR;
    info->num_params = static_cast<int>(Instance::params().size());
    info->explanation = kPlugin.explanation;
}

void f0r_get_param_info(f0r_param_info_t* info, int index)
{
    const std::vector<Frei0rParam>& params = Instance::params();
    if (index < 0 || static_cast<std::size_t>(index) >= params.size()) {
        return;
    }
    const Frei0rParam& param = params[static_cast<std::size_t>(index)];
    info->name = param.name.c_str();
    info->type = param.type;
    info->explanation = param.explanation.c_str();
}

f0r_instance_t f0r_construct(unsigned int width, unsigned int height)
{
    if (width == 0 || height == 0) {
        return nullptr;
    }
    try {
        return new Instance(width, height);
    } catch (const std::exception&) {
        return nullptr;
    }
}

void f0r_destruct(f0r_instance_t instance)
{
    delete static_cast<Instance*>(instance);
}

void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param, int index)
{
    auto* self = static_cast<Instance*>(instance);
    const std::vector<Frei0rParam>& params = Instance::params();
    if (self == nullptr || param == nullptr || index < 0 ||
        static_cast<std::size_t>(index) >= params.size()) {
        return;
    }
    try {
        const Frei0rParam& info = params[static_cast<std::size_t>(index)];
        Frei0rValue value;
        switch (info.type) {
        case F0R_PARAM_COLOR: value = *static_cast<const f0r_param_color_t*>(param); break;
        case F0R_PARAM_POSITION: value = *static_cast<const f0r_param_position_t*>(param); break;
        case F0R_PARAM_STRING: {
            const char* text = *static_cast<const f0r_param_string*>(param);
            value = std::string(text != nullptr ? text : "");
            break;
        }
        default: value = *static_cast<const double*>(param); break;
        }
        if (const std::string why = refusal(info, value); !why.empty()) {
            tellOnce(why);
            return;
        }
        // GStreamer sets every parameter at start, to the defaults it was told: a default set
        // leaves the scene's value, as an unset parameter does.
        std::optional<Frei0rValue>& held = self->set[static_cast<std::size_t>(index)];
        if (same(value, defaultValue(info))) {
            held.reset();
        } else {
            held = std::move(value);
        }
    } catch (const std::exception& e) {
        tellOnce(e.what());
    }
}

void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int index)
{
    const auto* self = static_cast<const Instance*>(instance);
    const std::vector<Frei0rParam>& params = Instance::params();
    if (self == nullptr || param == nullptr || index < 0 ||
        static_cast<std::size_t>(index) >= params.size()) {
        return;
    }
    static char empty[] = "";
    const std::optional<Frei0rValue>& held = self->set[static_cast<std::size_t>(index)];
    std::visit(
        [&](const auto& value) {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::string>) {
                // The text the instance holds, or a default's, which is always empty.
                *static_cast<f0r_param_string*>(param) =
                    held ? const_cast<char*>(std::get<std::string>(*held).c_str()) : empty;
            } else {
                *static_cast<T*>(param) = value;
            }
        },
        self->valueOf(static_cast<std::size_t>(index)));
}

void f0r_update(f0r_instance_t instance, double time, const uint32_t* inframe, uint32_t* outframe)
{
    auto* self = static_cast<Instance*>(instance);
    if (self == nullptr || outframe == nullptr) {
        return;
    }
    try {
        update(*self, time, inframe, outframe);
    } catch (const std::exception& e) {
        std::string text = e.what();
        tellOnce(text + (text.ends_with('.') ? "" : ".") + " Frames come out transparent.");
        std::fill_n(outframe, static_cast<std::size_t>(self->width) * self->height, 0u);
    }
}

void f0r_update2(f0r_instance_t instance, double time, const uint32_t* inframe1,
                 const uint32_t* /*inframe2*/, const uint32_t* /*inframe3*/, uint32_t* outframe)
{
    f0r_update(instance, time, inframe1, outframe);
}

}  // extern "C"
