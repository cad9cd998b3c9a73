// The name and version under which each suite table of the host interface is obtained.
#pragma once

#include "plugin/host/known_suites.h"
#include "sdk/aegp_suites.h"
#include "sdk/pf_suites.h"

namespace zel {

template <class Suite>
struct SuiteTraits;

#define ZEL_SUITE_TRAITS(TYPE, NAME, VERSION)       \
    template <>                                     \
    struct SuiteTraits<TYPE> {                      \
        static constexpr SuiteKey key{NAME, VERSION}; \
    }

ZEL_SUITE_TRAITS(PF_ParamUtilsSuite2, kPFParamUtilsSuite, kPFParamUtilsSuiteVersion2);
ZEL_SUITE_TRAITS(PF_AdvAppSuite1, kPFAdvAppSuite, kPFAdvAppSuiteVersion1);
ZEL_SUITE_TRAITS(PF_AppSuite6, kPFAppSuite, kPFAppSuiteVersion6);
ZEL_SUITE_TRAITS(PF_WorldSuite2, kPFWorldSuite, kPFWorldSuiteVersion2);
ZEL_SUITE_TRAITS(PF_ColorParamSuite1, kPFColorParamSuite, kPFColorParamSuiteVersion1);
ZEL_SUITE_TRAITS(PF_HandleSuite2, kPFHandleSuite, kPFHandleSuiteVersion2);
ZEL_SUITE_TRAITS(PF_PathQuerySuite1, kPFPathQuerySuite, kPFPathQuerySuiteVersion1);
ZEL_SUITE_TRAITS(PF_PathDataSuite1, kPFPathDataSuite, kPFPathDataSuiteVersion1);
ZEL_SUITE_TRAITS(AEGP_PFInterfaceSuite1, kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1);
ZEL_SUITE_TRAITS(AEGP_LayerSuite5, kAEGPLayerSuite, kAEGPLayerSuiteVersion5);
ZEL_SUITE_TRAITS(AEGP_CameraSuite2, kAEGPCameraSuite, kAEGPCameraSuiteVersion2);
ZEL_SUITE_TRAITS(AEGP_LightSuite1, kAEGPLightSuite, kAEGPLightSuiteVersion1);
ZEL_SUITE_TRAITS(AEGP_StreamSuite4, kAEGPStreamSuite, kAEGPStreamSuiteVersion4);
ZEL_SUITE_TRAITS(AEGP_PersistentDataSuite3, kAEGPPersistentDataSuite,
                 kAEGPPersistentDataSuiteVersion3);

#undef ZEL_SUITE_TRAITS

}  // namespace zel
