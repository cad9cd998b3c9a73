// A scope's suites: loaded on first use, each at most once, all released when the scope ends.
#pragma once

#include <array>

#include "plugin/host/known_suites.h"
#include "plugin/host/suite_traits.h"
#include "sdk/sp_basic.h"

namespace zel {

class AEGP_SuiteHandler {
public:
    // Throws the host's bad-callback-parameter code (516) when there is no basic suite.
    explicit AEGP_SuiteHandler(const SPBasicSuite* basic);
    ~AEGP_SuiteHandler();

    AEGP_SuiteHandler(const AEGP_SuiteHandler&) = delete;
    AEGP_SuiteHandler& operator=(const AEGP_SuiteHandler&) = delete;

    // The suite table, loaded on the first request; throws 516 when the host has none.
    template <class Suite>
    const Suite* get()
    {
        constexpr SuiteKey key = SuiteTraits<Suite>::key;
        constexpr std::size_t slot = knownSuiteSlot(key.name, key.version);
        static_assert(slot < kKnownSuites.size(), "a handler loads only the suites it knows");
        return static_cast<const Suite*>(cached(slot));
    }

    const void* LoadSuite(const char* name, int version) const;
    int ReleaseSuite(const char* name, int version);
    void ReleaseAllSuites();
    [[noreturn]] void MissingSuiteError() const;

private:
    const void* cached(std::size_t slot);

    const SPBasicSuite* basic_;
    std::array<const void*, kKnownSuites.size()> suites_{};
};

}  // namespace zel
