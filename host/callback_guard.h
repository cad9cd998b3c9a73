// What every callback and suite function shares: finding the host, checking pointers, and turning
// whatever goes wrong into an error code with its reason noted, rather than a crash.
#pragma once

#include <new>
#include <stdexcept>
#include <string>

#include "host/effect_host.h"

namespace zelrender {

// A request the host understands but does not implement (a transfer mode, a rotation, ...), as
// opposed to a request that is wrong.
class Unsupported : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs a callback's body; what it throws becomes an error code. A request the host does not
// implement is told once per session, since the module may repeat it every frame.
template <typename Body>
PF_Err guarded(const char* callback, Body&& body) noexcept
{
    try {
        body();
        return PF_Err_NONE;
    } catch (const std::bad_alloc&) {
        try {
            EffectHost::tell(std::string(callback) + ": out of memory");
        } catch (const std::bad_alloc&) {
            // No room left even to say so: the error code says it.
        }
        return PF_Err_OUT_OF_MEMORY;
    } catch (const Unsupported& e) {
        EffectHost::tellOnce(std::string(callback) + ": " + e.what());
        return PF_Err_BAD_CALLBACK_PARAM;
    } catch (const std::exception& e) {
        EffectHost::tell(std::string(callback) + ": " + e.what());
        return PF_Err_BAD_CALLBACK_PARAM;
    }
}

inline EffectHost& hostOf(PF_ProgPtr effect_ref)
{
    EffectHost* host = EffectHost::serving(effect_ref);
    if (host == nullptr) {
        throw std::invalid_argument("effect_ref is not the effect this host is running");
    }
    return *host;
}

// For the functions that take no effect_ref.
inline EffectHost& liveHost()
{
    EffectHost* host = EffectHost::live();
    if (host == nullptr) {
        throw std::logic_error("no effect is loaded");
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

}  // namespace zelrender
