/* Zel host interface: the effect suites (tables of host functions obtained by name and version
 * through the basic suite). Only the functions the module calls are declared; a host fills every
 * member of a table it hands out. */
#ifndef ZEL_SDK_PF_SUITES_H
#define ZEL_SDK_PF_SUITES_H

#include "pf_effect.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Parameter user interface ------------------------------------------------------------------ */

#define kPFParamUtilsSuite "PF Param Utils Suite"
#define kPFParamUtilsSuiteVersion2 2

typedef struct PF_ParamUtilsSuite2 {
    /* Shows `param`'s ui_flags, flags and name for the control at `index`; the value is ignored. */
    PF_Err (*PF_UpdateParamUI)(PF_ProgPtr effect_ref, int32_t index, const PF_ParamDef* param);
} PF_ParamUtilsSuite2;

/* ---- Application services ---------------------------------------------------------------------- */

#define kPFAdvAppSuite "PF AE Adv App Suite"
#define kPFAdvAppSuiteVersion1 1

typedef struct PF_AdvAppSuite1 {
    /* Writes up to two lines on the host's info panel; line2 may be null. */
    PF_Err (*PF_InfoDrawText)(const char* line1, const char* line2);
} PF_AdvAppSuite1;

#define kPFAppSuite "PF AE App Suite"
#define kPFAppSuiteVersion6 6

/* A colour of the host's user interface, 16 bits per component. */
typedef struct PF_App_Color {
    uint16_t red;
    uint16_t green;
    uint16_t blue;
} PF_App_Color;

typedef struct PF_AppSuite6 {
    PF_Err (*PF_SetCursor)(int32_t cursor);
    PF_Err (*PF_AppGetColor)(int32_t color_type, PF_App_Color* color);
    PF_Err (*PF_GetMouse)(PF_Point* position);
} PF_AppSuite6;

/* ---- Worlds ------------------------------------------------------------------------------------- */

#define kPFWorldSuite "PF World Suite"
#define kPFWorldSuiteVersion2 2

typedef int32_t PF_PixelFormat;
#define PF_PixelFormat_ARGB32 PF_FOURCC('a', 'r', 'g', 'b')   /* 8 bits per channel */
#define PF_PixelFormat_ARGB64 PF_FOURCC('a', 'e', '1', '6')   /* 16 bits per channel, 0..32768 */
#define PF_PixelFormat_ARGB128 PF_FOURCC('a', 'e', '3', '2')  /* 32-bit float per channel */
#define PF_PixelFormat_BGRA32 PF_FOURCC('b', 'g', 'r', 'a')   /* 8 bits, blue first */

typedef struct PF_WorldSuite2 {
    PF_Err (*PF_NewWorld)(PF_ProgPtr effect_ref, int32_t width, int32_t height,
                          PF_Boolean clear_pixels, PF_PixelFormat format, PF_EffectWorld* world);
    PF_Err (*PF_DisposeWorld)(PF_ProgPtr effect_ref, PF_EffectWorld* world);
    PF_Err (*PF_GetPixelFormat)(const PF_EffectWorld* world, PF_PixelFormat* format);
} PF_WorldSuite2;

/* ---- Colour parameters -------------------------------------------------------------------------- */

#define kPFColorParamSuite "PF ColorParamSuite"
#define kPFColorParamSuiteVersion1 1

typedef struct PF_ColorParamSuite1 {
    /* The colour of a colour parameter at full precision, 0..1 per component. */
    PF_Err (*PF_GetFloatingPointColorFromColorDef)(PF_ProgPtr effect_ref, const PF_ParamDef* def,
                                                   PF_PixelFloat* color);
} PF_ColorParamSuite1;

/* ---- Memory ------------------------------------------------------------------------------------- */

#define kPFHandleSuite "PF Handle Suite"
#define kPFHandleSuiteVersion2 2

typedef struct PF_HandleSuite2 {
    PF_Handle (*host_new_handle)(uint64_t size);
    void* (*host_lock_handle)(PF_Handle handle);
    void (*host_unlock_handle)(PF_Handle handle);
    void (*host_dispose_handle)(PF_Handle handle);
    uint64_t (*host_get_handle_size)(PF_Handle handle);
} PF_HandleSuite2;

/* ---- Mask paths --------------------------------------------------------------------------------- */

typedef uint32_t PF_PathID;
typedef struct PF_PathOutline* PF_PathOutlinePtr;

typedef struct PF_PathVertex {
    double x, y;
    double tan_in_x, tan_in_y;
    double tan_out_x, tan_out_y;
} PF_PathVertex;

#define kPFPathQuerySuite "PF Path Query Suite"
#define kPFPathQuerySuiteVersion1 1

typedef struct PF_PathQuerySuite1 {
    PF_Err (*PF_NumPaths)(PF_ProgPtr effect_ref, int32_t* num_paths);
    PF_Err (*PF_PathInfo)(PF_ProgPtr effect_ref, int32_t index, PF_PathID* path_id);
    PF_Err (*PF_CheckoutPath)(PF_ProgPtr effect_ref, PF_PathID path_id, int32_t what_time,
                              int32_t time_step, uint32_t time_scale, PF_PathOutlinePtr* path);
    PF_Err (*PF_CheckinPath)(PF_ProgPtr effect_ref, PF_PathID path_id, PF_Boolean changed,
                             PF_PathOutlinePtr path);
} PF_PathQuerySuite1;

#define kPFPathDataSuite "PF Path Data Suite"
#define kPFPathDataSuiteVersion1 1

typedef struct PF_PathDataSuite1 {
    PF_Err (*PF_PathIsOpen)(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, PF_Boolean* open);
    PF_Err (*PF_PathNumSegments)(PF_ProgPtr effect_ref, PF_PathOutlinePtr path,
                                 int32_t* num_segments);
    PF_Err (*PF_PathVertexInfo)(PF_ProgPtr effect_ref, PF_PathOutlinePtr path, int32_t which,
                                PF_PathVertex* vertex);
} PF_PathDataSuite1;

/* ---- Drawing suites ----------------------------------------------------------------------------- */

/* The four drawing suites are acquired and released together; their contents are the host's. */
#define kDRAWBOT_DrawSuite "DRAWBOT Draw Suite"
#define kDRAWBOT_SupplierSuite "DRAWBOT Supplier Suite"
#define kDRAWBOT_SurfaceSuite "DRAWBOT Surface Suite"
#define kDRAWBOT_PathSuite "DRAWBOT Path Suite"
#define kDRAWBOT_SuiteVersion1 1

typedef struct DRAWBOT_DrawSuite1 DRAWBOT_DrawSuite1;
typedef struct DRAWBOT_SupplierSuite1 DRAWBOT_SupplierSuite1;
typedef struct DRAWBOT_SurfaceSuite1 DRAWBOT_SurfaceSuite1;
typedef struct DRAWBOT_PathSuite1 DRAWBOT_PathSuite1;

typedef struct DRAWBOT_Suites {
    DRAWBOT_DrawSuite1* drawbot_suiteP;
    DRAWBOT_SupplierSuite1* supplier_suiteP;
    DRAWBOT_SurfaceSuite1* surface_suiteP;
    DRAWBOT_PathSuite1* path_suiteP;
} DRAWBOT_Suites;

#ifdef __cplusplus
}
#endif

#endif
