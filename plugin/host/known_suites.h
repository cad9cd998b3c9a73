// The suites a suite handler can load, in the order it releases them.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace zel {

struct SuiteKey {
    const char* name;  // as the host spells it
    int version;
};

namespace detail {

struct KnownSuite {
    const char* name;
    std::array<int, 7> versions;  // in release order; 0 ends a shorter list
};

inline constexpr KnownSuite kKnownSuiteRows[] = {
    {"AEGP Marker Suite", {1, 2}},
    {"AEGP Layer Suite", {8, 10, 11, 12, 13, 5}},
    {"AEGP Stream Suite", {9, 8, 7, 4}},
    {"AEGP Dynamic Stream Suite", {2, 3, 5}},
    {"AEGP Keyframe Suite", {3, 1}},
    {"AEGP Comp Suite", {9, 11, 14, 15, 18, 19, 4}},
    {"AEGP Canvas Suite", {10, 11}},
    {"AEGP Camera Suite", {2}},
    {"AEGP Register Suite", {6}},
    {"AEGP Item Suite", {13, 11, 10, 7, 3}},
    {"AEGP PF Interface Suite", {1}},
    {"PF Path Query Suite", {1}},
    {"AEGP Memory Suite", {1}},
    {"PF Path Data Suite", {1}},
    {"PF Param Utils Suite", {3}},
    {"PF AE App Suite", {6}},
    {"PF AE Adv App Suite", {2, 1}},
    {"AEGP Light Suite", {1, 2}},
    {"AEGP Effect Suite", {1, 2, 3}},
    {"AEGP Layer Mask Suite", {5, 2, 6, 7}},
    {"AEGP Mask Outline Suite", {2, 3, 5}},
    {"AEGP Command Suite", {1}},
    {"AEGP Utility Suite", {7, 3, 10, 11}},
    {"AEGP Render Suite", {1, 2, 3}},
    {"PF ANSI Suite", {1}},
    {"PF Handle Suite", {2}},
    {"PF Fill Matte Suite", {2}},
    {"PF World Transform Suite", {1}},
    {"AEGP QueryXform Suite", {4}},
    {"AEGP Composite Suite", {4}},
    {"PF World Suite", {1, 2}},
    {"AEGP IO In Suite", {5}},
    {"AEGP IO Out Suite", {7}},
    {"AEGP Render Queue Suite", {1}},
    {"AEGP Render Queue Item Suite", {3, 4}},
    {"AEGP Output Module Suite", {4}},
    {"AEGP File Import Manager Suite", {3}},
    {"PF Sampling8 Suite", {1}},
    {"PF Sampling16 Suite", {1}},
    {"PF Iterate8 Suite", {1}},
    {"PF iterate16 Suite", {1}},
    {"PF iterateFloat Suite", {1}},
    {"AEGP Collection Suite", {2, 1}},
    {"AEGP Text Document Suite", {1}},
    {"AEGP Sound Data Suite", {1}},
    {"AEGP Text Layer Suite", {1}},
    {"AEGP Artisan Util Suite", {1}},
    {"AEGP World Suite", {2, 3}},
    {"AEGP Render Options Suite", {1, 2}},
    {"AEGP Tracker Suite", {1}},
    {"AEGP Tracker Utility Suite", {1}},
    {"AE Plugin Helper Suite2", {2}},
    {"PF AE Adv Item Suite", {1}},
    {"AEGP Proj Suite", {8, 9}},
    {"AEGP Footage Suite", {11}},
    {"AEGP Persistent Data Suite", {3}},
    {"PF Color Settings Suite", {3, 1}},
    {"PF ColorParamSuite", {1}},
    {"PF SamplingFloat Suite", {1}},
    {"PF Effect Custom UI Suite", {1}},
    {"PF Effect Custom UI Overlay Theme Suite", {1}},
    {"DRAWBOT Draw Suite", {1}},
    {"DRAWBOT Supplier Suite", {1}},
    {"DRAWBOT Surface Suite", {1}},
    {"DRAWBOT Path Suite", {1}},
    {"SP Suites Suite", {2}},
    {"PF Pixel Data Suite", {1}},
    {"PF Effect UI Suite", {1}},
    {"PF Color16 Suite", {1}},
};

constexpr std::size_t countKnownSuites()
{
    std::size_t n = 0;
    for (const KnownSuite& row : kKnownSuiteRows) {
        for (int v : row.versions) {
            n += (v != 0) ? 1 : 0;
        }
    }
    return n;
}

constexpr auto flattenKnownSuites()
{
    std::array<SuiteKey, countKnownSuites()> keys{};
    std::size_t n = 0;
    for (const KnownSuite& row : kKnownSuiteRows) {
        for (int v : row.versions) {
            if (v != 0) {
                keys[n++] = SuiteKey{row.name, v};
            }
        }
    }
    return keys;
}

}  // namespace detail

// One entry per suite and version, in release order.
inline constexpr auto kKnownSuites = detail::flattenKnownSuites();

// Position of (name, version) in kKnownSuites, or kKnownSuites.size() when it is not known.
constexpr std::size_t knownSuiteSlot(std::string_view name, int version)
{
    for (std::size_t i = 0; i < kKnownSuites.size(); ++i) {
        if (std::string_view(kKnownSuites[i].name) == name && kKnownSuites[i].version == version) {
            return i;
        }
    }
    return kKnownSuites.size();
}

}  // namespace zel
