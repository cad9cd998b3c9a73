#include "apps/zel-render/host_callbacks.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include "apps/zel-render/effect_host.h"
#include "apps/zel-render/handles.h"

namespace zelrender {
namespace {

// Runs a callback's body; what it throws becomes an error code, with the reason on stderr.
template <typename Body>
PF_Err guarded(const char* callback, Body&& body) noexcept
{
    try {
        body();
        return PF_Err_NONE;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "zel-render: %s: out of memory\n", callback);
        return PF_Err_OUT_OF_MEMORY;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zel-render: %s: %s\n", callback, e.what());
        return PF_Err_BAD_CALLBACK_PARAM;
    }
}

EffectHost& hostOf(PF_ProgPtr effect_ref)
{
    EffectHost* host = EffectHost::serving(effect_ref);
    if (host == nullptr) {
        throw std::invalid_argument("effect_ref is not the effect this host is running");
    }
    return *host;
}

template <typename T>
T& required(T* pointer, const char* what)
{
    if (pointer == nullptr) {
        throw std::invalid_argument(std::string(what) + " is null");
    }
    return *pointer;
}

PF_Err checkoutParam(PF_ProgPtr effect_ref, std::int32_t index, std::int32_t what_time,
                     std::int32_t /*time_step*/, std::uint32_t time_scale, PF_ParamDef* param)
{
    return guarded("checkout_param", [&] {
        PF_ParamDef& def = required(param, "the definition to fill");
        if (time_scale == 0) {
            throw std::invalid_argument("time_scale is 0");
        }
        hostOf(effect_ref)
            .params()
            .checkout(index, static_cast<double>(what_time) / time_scale, def);
    });
}

PF_Err checkinParam(PF_ProgPtr effect_ref, PF_ParamDef* /*param*/)
{
    return guarded("checkin_param", [&] { hostOf(effect_ref); });
}

PF_Err addParam(PF_ProgPtr effect_ref, std::int32_t index, PF_ParamDef* def)
{
    return guarded("add_param", [&] {
        EffectHost& host = hostOf(effect_ref);
        if (!host.registeringParams()) {
            throw std::invalid_argument("parameters can be added during PARAMS_SETUP only");
        }
        host.params().add(index, required(def, "the definition"));
    });
}

// Nothing interrupts a command-line render once it runs.
PF_Err neverAbort(PF_ProgPtr /*effect_ref*/)
{
    return PF_Err_NONE;
}

PF_Err ignoreProgress(PF_ProgPtr /*effect_ref*/, std::int32_t /*done*/, std::int32_t /*total*/)
{
    return PF_Err_NONE;
}

template <std::size_t N>
struct CallbackName {
    constexpr CallbackName(const char (&text)[N]) { std::copy_n(text, N, value); }
    char value[N];
};

template <CallbackName Name, typename Signature>
struct Unsupported;

template <CallbackName Name, typename... Args>
struct Unsupported<Name, PF_Err (*)(Args...)> {
    static PF_Err answer(Args...)
    {
        static bool told = false;
        if (!told) {
            told = true;
            std::fprintf(stderr, "zel-render: %s is not supported yet\n", Name.value);
        }
        return PF_Err_BAD_CALLBACK_PARAM;
    }
};

template <CallbackName Name, typename Slot>
void unsupported(Slot& slot)
{
    slot = &Unsupported<Name, Slot>::answer;
}

// The C library's functions, as the module expects a host to lend them.
constexpr PF_ANSICallbacks kAnsi = {
    [](double x) { return std::sqrt(x); },
    [](double x) { return std::floor(x); },
    [](double x) { return std::exp(x); },
    [](double y, double x) { return std::atan2(y, x); },
    [](double x) { return std::fabs(x); },
    [](double x) { return std::sin(x); },
    [](double x) { return std::cos(x); },
    [](double x, double y) { return std::fmod(x, y); },
    [](double x, double y) { return std::pow(x, y); },
    [](double x) { return std::ceil(x); },
    [](double x) { return std::log(x); },
    std::sprintf,
    std::strcpy,
};

}  // namespace

PF_InteractCallbacks interactCallbacks()
{
    return {checkoutParam, checkinParam, addParam, neverAbort, ignoreProgress};
}

PF_UtilCallbacks utilCallbacks()
{
    PF_UtilCallbacks utils{};
    utils.ansi = kAnsi;
    unsupported<"fill">(utils.fill);
    unsupported<"copy">(utils.copy);
    unsupported<"new_world">(utils.new_world);
    unsupported<"dispose_world">(utils.dispose_world);
    unsupported<"get_pixel_data8">(utils.get_pixel_data8);
    unsupported<"get_pixel_data16">(utils.get_pixel_data16);
    unsupported<"transfer_rect">(utils.transfer_rect);
    unsupported<"transform_world">(utils.transform_world);
    utils.host_new_handle = newHandle;
    utils.host_lock_handle = lockHandle;
    utils.host_unlock_handle = unlockHandle;
    utils.host_dispose_handle = disposeHandle;
    return utils;
}

}  // namespace zelrender
