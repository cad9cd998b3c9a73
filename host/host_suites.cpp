#include "host/host_suites.h"

#include <string>

#include "host/callback_guard.h"
#include "host/handles.h"
#include "host/persistent_settings.h"
#include "sdk/pf_suites.h"

namespace zelrender {
namespace {

const PF_WorldSuite2 kWorldSuite = {
    // Worlds always start zeroed, so clear_pixels asks for nothing more.
    [](PF_ProgPtr effect_ref, std::int32_t width, std::int32_t height, PF_Boolean /*clear*/,
       PF_PixelFormat format, PF_EffectWorld* world) {
        return guarded("PF_NewWorld", [&] {
            hostOf(effect_ref).worlds().make(width, height, format,
                                             required(world, "the world to describe"));
        });
    },
    [](PF_ProgPtr effect_ref, PF_EffectWorld* world) {
        return guarded("PF_DisposeWorld", [&] {
            hostOf(effect_ref).worlds().dispose(required(world, "the world"));
        });
    },
    [](const PF_EffectWorld* world, PF_PixelFormat* format) {
        return guarded("PF_GetPixelFormat", [&] {
            PF_PixelFormat& answer = required(format, "the format to fill");
            answer = liveHost().worlds().formatOf(required(world, "the world"));
        });
    },
};

const PF_ColorParamSuite1 kColorParamSuite = {
    [](PF_ProgPtr effect_ref, const PF_ParamDef* def, PF_PixelFloat* color) {
        return guarded("PF_GetFloatingPointColorFromColorDef", [&] {
            hostOf(effect_ref);
            PF_PixelFloat& answer = required(color, "the colour to fill");
            const Color c = ParamStore::colorOf(required(def, "the definition"));
            answer = {static_cast<float>(c.alpha), static_cast<float>(c.red),
                      static_cast<float>(c.green), static_cast<float>(c.blue)};
        });
    },
};

const PF_ParamUtilsSuite2 kParamUtilsSuite = {
    [](PF_ProgPtr effect_ref, std::int32_t index, const PF_ParamDef* param) {
        return guarded("PF_UpdateParamUI", [&] {
            hostOf(effect_ref).params().updateUi(index, required(param, "the definition"));
        });
    },
};

PF_Err noUserInterface(const char* function)
{
    return guarded(function, [] {
        throw Unsupported("there is no cursor, mouse or interface colour on the command line");
    });
}

const PF_AppSuite6 kAppSuite = {
    [](std::int32_t /*cursor*/) { return noUserInterface("PF_SetCursor"); },
    [](std::int32_t /*color_type*/, PF_App_Color* /*color*/) {
        return noUserInterface("PF_AppGetColor");
    },
    [](PF_Point* /*position*/) { return noUserInterface("PF_GetMouse"); },
};

// What a compositing host shows on its info panel becomes a note, once per text.
const PF_AdvAppSuite1 kAdvAppSuite = {
    [](const char* line1, const char* line2) {
        return guarded("PF_InfoDrawText", [&] {
            EffectHost::tellOnce(std::string("info: ") + required(line1, "the first line") +
                                 (line2 != nullptr ? std::string(" ") + line2 : std::string()));
        });
    },
};

PF_Err noPath(const char* function, PF_ProgPtr effect_ref, const std::string& which)
{
    return guarded(function, [&] {
        hostOf(effect_ref);
        throw std::invalid_argument("the layer has no masks, so there is no " + which);
    });
}

const PF_PathQuerySuite1 kPathQuerySuite = {
    [](PF_ProgPtr effect_ref, std::int32_t* num_paths) {
        return guarded("PF_NumPaths", [&] {
            hostOf(effect_ref);
            required(num_paths, "the count to fill") = 0;
        });
    },
    [](PF_ProgPtr effect_ref, std::int32_t index, PF_PathID* /*path_id*/) {
        return noPath("PF_PathInfo", effect_ref, "mask " + std::to_string(index));
    },
    [](PF_ProgPtr effect_ref, PF_PathID path_id, std::int32_t /*what_time*/,
       std::int32_t /*time_step*/, std::uint32_t /*time_scale*/, PF_PathOutlinePtr* /*path*/) {
        return noPath("PF_CheckoutPath", effect_ref, "mask with id " + std::to_string(path_id));
    },
    [](PF_ProgPtr effect_ref, PF_PathID path_id, PF_Boolean /*changed*/,
       PF_PathOutlinePtr /*path*/) {
        return noPath("PF_CheckinPath", effect_ref, "mask with id " + std::to_string(path_id));
    },
};

const PF_PathDataSuite1 kPathDataSuite = {
    [](PF_ProgPtr effect_ref, PF_PathOutlinePtr /*path*/, PF_Boolean* /*open*/) {
        return noPath("PF_PathIsOpen", effect_ref, "mask outline to read");
    },
    [](PF_ProgPtr effect_ref, PF_PathOutlinePtr /*path*/, std::int32_t* /*num_segments*/) {
        return noPath("PF_PathNumSegments", effect_ref, "mask outline to read");
    },
    [](PF_ProgPtr effect_ref, PF_PathOutlinePtr /*path*/, std::int32_t /*which*/,
       PF_PathVertex* /*vertex*/) {
        return noPath("PF_PathVertexInfo", effect_ref, "mask outline to read");
    },
};

}  // namespace

std::span<const OfferedSuite> offeredSuites()
{
    static const OfferedSuite suites[] = {
        {{kPFHandleSuite, kPFHandleSuiteVersion2}, &kHandleSuite},
        {{kAEGPPersistentDataSuite, kAEGPPersistentDataSuiteVersion3},
         &PersistentSettings::kSuite},
        {{kPFWorldSuite, kPFWorldSuiteVersion2}, &kWorldSuite},
        {{kPFColorParamSuite, kPFColorParamSuiteVersion1}, &kColorParamSuite},
        {{kPFParamUtilsSuite, kPFParamUtilsSuiteVersion2}, &kParamUtilsSuite},
        {{kPFAppSuite, kPFAppSuiteVersion6}, &kAppSuite},
        {{kPFAdvAppSuite, kPFAdvAppSuiteVersion1}, &kAdvAppSuite},
        {{kPFPathQuerySuite, kPFPathQuerySuiteVersion1}, &kPathQuerySuite},
        {{kPFPathDataSuite, kPFPathDataSuiteVersion1}, &kPathDataSuite},
    };
    return suites;
}

}  // namespace zelrender
