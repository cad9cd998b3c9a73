/* Zel host interface: the effect command protocol.
 *
 * A host loads the module and calls its one exported function, EntryPointFunc, once per command,
 * handing it the records below. The command codes, flag bits and record fields that the module
 * relies on are fixed here; everything else about the host is the host's own business. */
#ifndef ZEL_SDK_PF_EFFECT_H
#define ZEL_SDK_PF_EFFECT_H

#include "pf_types.h"
#include "sp_basic.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Commands -------------------------------------------------------------------------------- */

enum {
    PF_Cmd_ABOUT = 0,
    PF_Cmd_GLOBAL_SETUP = 1,
    PF_Cmd_GLOBAL_SETDOWN = 3,
    PF_Cmd_PARAMS_SETUP = 4,
    PF_Cmd_RENDER = 11,
    PF_Cmd_USER_CHANGED_PARAM = 13,
    PF_Cmd_UPDATE_PARAMS_UI = 14,
    PF_Cmd_SMART_PRE_RENDER = 23,
    PF_Cmd_SMART_RENDER = 24
};

/* ---- Output flags (PF_OutData.out_flags and out_flags2) --------------------------------------- */

enum {
    PF_OutFlag_NONE = 0,
    PF_OutFlag_REFRESH_UI = 1 << 3,                /* redraw the effect controls */
    PF_OutFlag_DISPLAY_ERROR_MESSAGE = 1 << 8,     /* show return_msg to the user */
    PF_OutFlag_SEND_UPDATE_PARAMS_UI = 1 << 22,    /* send PF_Cmd_UPDATE_PARAMS_UI on changes */
    PF_OutFlag_DEEP_COLOR_AWARE = 1 << 25          /* renders 16 bits per channel */
};

enum {
    PF_OutFlag2_NONE = 0,
    PF_OutFlag2_I_USE_3D_CAMERA = 1 << 1,
    PF_OutFlag2_I_USE_3D_LIGHTS = 1 << 2,
    PF_OutFlag2_SUPPORTS_SMART_RENDER = 1 << 10,
    PF_OutFlag2_FLOAT_COLOR_AWARE = 1 << 12,       /* renders 32-bit float per channel */
    PF_OutFlag2_I_AM_THREADSAFE = 1 << 21
};

/* ---- Render settings --------------------------------------------------------------------------- */

typedef int32_t PF_Quality;
enum { PF_Quality_LO = 0, PF_Quality_HI = 1 };

typedef int32_t PF_Field;
enum { PF_Field_FRAME = 0, PF_Field_UPPER = 1, PF_Field_LOWER = 2 };

/* How a compositing callback treats alpha. */
typedef int32_t PF_ModeFlags;
enum { PF_MF_Alpha_PREMUL = 0, PF_MF_Alpha_STRAIGHT = 1 };

/* ---- Worlds (image buffers) --------------------------------------------------------------------- */

enum {
    PF_WorldFlag_DEEP = 1 << 0,       /* 16 bits per channel */
    PF_WorldFlag_WRITEABLE = 1 << 1
};

enum {
    PF_NewWorldFlag_NONE = 0,
    PF_NewWorldFlag_CLEAR_PIXELS = 1 << 0,
    PF_NewWorldFlag_DEEP_PIXELS = 1 << 1
};

/* One image: `data` is the first pixel of the top row, rows are `rowbytes` apart (rowbytes may
 * exceed width times the pixel size). The pixel depth is told by world_flags, or by the world
 * suite's pixel format on hosts that offer it. */
typedef struct PF_LayerDef {
    void* data;
    int32_t rowbytes;
    int32_t width;
    int32_t height;
    PF_Rect extent_hint;              /* the part of the world that holds visible pixels */
    int32_t world_flags;
    PF_RationalScale pix_aspect_ratio;
    int32_t origin_x;                 /* position of pixel (0, 0) in the layer */
    int32_t origin_y;
    void* platform_ref;               /* the host's own bookkeeping; the effect never reads it */
} PF_LayerDef;
typedef PF_LayerDef PF_EffectWorld;

/* ---- Parameters --------------------------------------------------------------------------------- */

typedef int32_t PF_ParamType;
enum {
    PF_Param_LAYER = 0,
    PF_Param_SLIDER = 1,
    PF_Param_FIX_SLIDER = 2,
    PF_Param_ANGLE = 3,
    PF_Param_CHECKBOX = 4,
    PF_Param_COLOR = 5,
    PF_Param_POINT = 6,
    PF_Param_POPUP = 7,
    PF_Param_ARBITRARY_DATA = 8,
    PF_Param_PATH = 9,
    PF_Param_FLOAT_SLIDER = 10,
    PF_Param_GROUP_START = 13,
    PF_Param_GROUP_END = 14,
    PF_Param_BUTTON = 15
};

/* PF_ParamDef.flags. Some bits mean different things for different parameter types. */
enum {
    PF_ParamFlag_NONE = 0,
    PF_ParamFlag_CANNOT_TIME_VARY = 1 << 1,
    PF_ParamFlag_START_COLLAPSED = 1 << 5,   /* group start: the group opens collapsed */
    PF_ParamFlag_COLLAPSE_TWIRLY = 1 << 5,   /* other types: the control's twirl is closed */
    PF_ParamFlag_SUPERVISE = 1 << 6          /* the host reports changes of this parameter */
};

/* PF_ParamDef.ui_flags. */
enum {
    PF_PUI_NONE = 0,
    PF_PUI_DISABLED = 1 << 5                 /* the control is greyed out */
};

/* PF_ParamDef.uu.change_flags. */
enum {
    PF_ChangeFlag_NONE = 0,
    PF_ChangeFlag_CHANGED_VALUE = 1 << 0
};

#define PF_MAX_NAME_LEN 31                   /* a name and its terminator fit in 32 bytes */

typedef struct PF_SliderDef {                /* integer slider */
    int32_t value;
    int32_t valid_min, valid_max;
    int32_t slider_min, slider_max;
    int32_t default_value;
} PF_SliderDef;

typedef struct PF_FixedSliderDef {           /* 16.16 fixed slider */
    PF_Fixed value;
    PF_Fixed valid_min, valid_max;
    PF_Fixed slider_min, slider_max;
    PF_Fixed default_value;
    int16_t precision;
    int16_t display_flags;
} PF_FixedSliderDef;

enum { PF_ValueDisplayFlag_NONE = 0, PF_ValueDisplayFlag_PERCENT = 1, PF_ValueDisplayFlag_PIXEL = 2 };
enum { PF_FSliderFlag_NONE = 0 };

typedef struct PF_FloatSliderDef {
    double value;
    double valid_min, valid_max;
    double slider_min, slider_max;
    double default_value;
    int16_t precision;                       /* decimals shown */
    int16_t display_flags;                   /* PF_ValueDisplayFlag_* */
    int32_t fs_flags;                        /* PF_FSliderFlag_* */
    float curve_tolerance;
} PF_FloatSliderDef;

typedef struct PF_AngleDef {
    PF_Fixed value;                          /* degrees */
    PF_Fixed default_value;
} PF_AngleDef;

typedef struct PF_CheckBoxDef {
    int32_t value;
    int32_t default_value;
    const char* label;
} PF_CheckBoxDef;

typedef struct PF_ColorDef {
    PF_Pixel value;
    PF_Pixel default_value;
} PF_ColorDef;

/* Point values are 16.16 fixed pixels of the downsampled layer; defaults are 16.16 fixed percent
 * of the layer. */
typedef struct PF_PointDef {
    PF_Fixed x_value, y_value;
    PF_Fixed x_default, y_default;
    PF_Boolean restrict_bounds;
} PF_PointDef;

/* The value is a 1-based choice number; choices are separated by "|". */
typedef struct PF_PopupDef {
    int32_t value;
    int16_t num_choices;
    int16_t default_value;
    const char* choices;
} PF_PopupDef;

typedef struct PF_PathDef {
    uint32_t path_id;
    int32_t default_value;
} PF_PathDef;

typedef struct PF_ArbitraryDef {
    int16_t id;
    PF_Handle value;
    PF_Handle default_value;
} PF_ArbitraryDef;

typedef struct PF_ButtonDef {
    int32_t value;
    const char* label;                       /* the text on the button */
} PF_ButtonDef;

typedef union PF_ParamDefUnion {
    PF_LayerDef ld;                          /* a layer: its world at the checked-out time */
    PF_SliderDef sd;
    PF_FixedSliderDef fd;
    PF_AngleDef ad;
    PF_CheckBoxDef bd;
    PF_ColorDef cd;
    PF_PointDef td;
    PF_PopupDef pd;
    PF_FloatSliderDef fs_d;
    PF_PathDef path_d;
    PF_ArbitraryDef arb_d;
    PF_ButtonDef button_d;
} PF_ParamDefUnion;

typedef struct PF_ParamDef {
    union {
        int32_t id;                          /* the disk id, when the parameter is added */
        int32_t change_flags;                /* PF_ChangeFlag_*, when the effect changes a value */
    } uu;
    int32_t ui_flags;                        /* PF_PUI_* */
    int16_t ui_width;
    int16_t ui_height;
    PF_ParamType param_type;
    char name[PF_MAX_NAME_LEN + 1];
    int32_t flags;                           /* PF_ParamFlag_* */
    PF_ParamDefUnion u;
} PF_ParamDef;

typedef PF_ParamDef* PF_ParamList[];

/* ---- Host callbacks ----------------------------------------------------------------------------- */

/* Interaction with the host while a command runs. Times are in the host's units: time / scale
 * seconds. */
typedef struct PF_InteractCallbacks {
    PF_Err (*checkout_param)(PF_ProgPtr effect_ref, int32_t index, int32_t what_time,
                             int32_t time_step, uint32_t time_scale, PF_ParamDef* param);
    PF_Err (*checkin_param)(PF_ProgPtr effect_ref, PF_ParamDef* param);
    /* index -1 appends at the next index */
    PF_Err (*add_param)(PF_ProgPtr effect_ref, int32_t index, PF_ParamDef* def);
    /* non-zero when the user asked to stop */
    PF_Err (*abort)(PF_ProgPtr effect_ref);
    PF_Err (*progress)(PF_ProgPtr effect_ref, int32_t done, int32_t total);
} PF_InteractCallbacks;

/* The C library functions a host lends the effect. sprintf and strcpy write without a bound: the
 * effect keeps what it writes within the destination. */
typedef struct PF_ANSICallbacks {
    double (*sqrt)(double);
    double (*floor)(double);
    double (*exp)(double);
    double (*atan2)(double, double);
    double (*fabs)(double);
    double (*sin)(double);
    double (*cos)(double);
    double (*fmod)(double, double);
    double (*pow)(double, double);
    double (*ceil)(double);
    double (*log)(double);
    int (*sprintf)(char* buffer, const char* format, ...);
    char* (*strcpy)(char* dest, const char* src);
} PF_ANSICallbacks;

/* Compositing settings of transfer_rect and transform_world. */
typedef struct PF_CompositeMode {
    int32_t xfer;                            /* transfer mode; 0 copies */
    int32_t rand_seed;
    uint8_t opacity;                         /* 0..255 */
    PF_Boolean rgb_only;
    uint16_t opacity_16;                     /* 0..32768 */
} PF_CompositeMode;

typedef struct PF_MaskWorld {
    PF_LayerDef mask;
    PF_Point offset;
    int32_t what_is_mask;
} PF_MaskWorld;

typedef struct PF_UtilCallbacks {
    PF_ANSICallbacks ansi;

    /* color null: every byte 0; rect null: the whole world */
    PF_Err (*fill)(PF_ProgPtr effect_ref, const PF_Pixel* color, const PF_Rect* rect,
                   PF_LayerDef* world);
    /* rects null: whole worlds */
    PF_Err (*copy)(PF_ProgPtr effect_ref, PF_LayerDef* src, PF_LayerDef* dst, PF_Rect* src_rect,
                   PF_Rect* dst_rect);
    PF_Err (*new_world)(PF_ProgPtr effect_ref, int32_t width, int32_t height, int32_t flags,
                        PF_LayerDef* world);
    PF_Err (*dispose_world)(PF_ProgPtr effect_ref, PF_LayerDef* world);
    /* pixels null: the world's first pixel */
    PF_Err (*get_pixel_data8)(PF_LayerDef* world, void* pixels, PF_Pixel8** pixel_data);
    PF_Err (*get_pixel_data16)(PF_LayerDef* world, void* pixels, PF_Pixel16** pixel_data);
    PF_Err (*transfer_rect)(PF_ProgPtr effect_ref, PF_Quality quality, PF_ModeFlags m_flags,
                            PF_Field field, const PF_Rect* src_rect, const PF_LayerDef* src,
                            const PF_CompositeMode* comp_mode, const PF_MaskWorld* mask,
                            int32_t dest_x, int32_t dest_y, PF_LayerDef* dst);
    PF_Err (*transform_world)(PF_ProgPtr effect_ref, PF_Quality quality, PF_ModeFlags m_flags,
                              PF_Field field, const PF_LayerDef* src,
                              const PF_CompositeMode* comp_mode, const PF_MaskWorld* mask,
                              const PF_FloatMatrix* matrices, int32_t num_matrices,
                              PF_Boolean src2dst, const PF_Rect* dest_rect, PF_LayerDef* dst);
    PF_Handle (*host_new_handle)(uint64_t size);
    void* (*host_lock_handle)(PF_Handle handle);
    void (*host_unlock_handle)(PF_Handle handle);
    void (*host_dispose_handle)(PF_Handle handle);
} PF_UtilCallbacks;

/* The first pixel of a world as 8-bit or 16-bit pixels; the host may keep them elsewhere than
 * `data` says. */
#define PF_GET_PIXEL_DATA8(IN_DATA, WORLD, OUT) \
    ((IN_DATA)->utils->get_pixel_data8((WORLD), 0, (OUT)))
#define PF_GET_PIXEL_DATA16(IN_DATA, WORLD, OUT) \
    ((IN_DATA)->utils->get_pixel_data16((WORLD), 0, (OUT)))

/* ---- Command records ---------------------------------------------------------------------------- */

typedef struct PF_InData {
    PF_InteractCallbacks inter;
    PF_UtilCallbacks* utils;
    PF_ProgPtr effect_ref;
    PF_Quality quality;
    PF_SpecVersion version;                  /* the host's interface version */
    int32_t appl_id;                         /* four-character code of the host */
    int32_t num_params;
    int32_t current_time;                    /* times: value / time_scale seconds */
    int32_t time_step;                       /* one frame of the layer */
    int32_t total_time;                      /* duration of the layer */
    int32_t local_time_step;
    uint32_t time_scale;
    PF_Field field;
    PF_Fixed shutter_angle;
    PF_Fixed shutter_phase;
    int32_t width;                           /* the full-resolution layer */
    int32_t height;
    PF_Rect extent_hint;
    PF_RationalScale downsample_x;           /* 1/N at 1/N resolution */
    PF_RationalScale downsample_y;
    PF_RationalScale pixel_aspect_ratio;
    PF_Handle global_data;
    PF_Handle sequence_data;
    PF_Handle frame_data;
    SPBasicSuite* pica_basicP;               /* the door to every suite */
} PF_InData;

#define PF_RETURN_MSG_SIZE 256

typedef struct PF_OutData {
    uint32_t my_version;                     /* PF_VERSION(...) */
    int32_t num_params;                      /* parameters including the input layer */
    PF_Handle global_data;
    PF_Handle sequence_data;
    PF_Handle frame_data;
    int32_t width;                           /* output size when the effect changes it */
    int32_t height;
    PF_Point origin;
    int32_t out_flags;                       /* PF_OutFlag_* */
    int32_t out_flags2;                      /* PF_OutFlag2_* */
    char return_msg[PF_RETURN_MSG_SIZE];     /* shown when DISPLAY_ERROR_MESSAGE is set */
} PF_OutData;

/* ---- Smart rendering ---------------------------------------------------------------------------- */

typedef uint32_t PF_ChannelMask;
enum {
    PF_ChannelMask_ALPHA = 1,
    PF_ChannelMask_RED = 2,
    PF_ChannelMask_GREEN = 4,
    PF_ChannelMask_BLUE = 8,
    PF_ChannelMask_ARGB = 15
};

typedef struct PF_RenderRequest {
    PF_Rect rect;                            /* the part of the output the host wants */
    PF_Field field;
    PF_ChannelMask channel_mask;
    PF_Boolean preserve_rgb_of_zero_alpha;
} PF_RenderRequest;

typedef struct PF_CheckoutResult {
    PF_Rect result_rect;
    PF_Rect max_result_rect;
    int32_t ref_width;
    int32_t ref_height;
} PF_CheckoutResult;

typedef int32_t PF_RenderOutputFlags;
enum {
    PF_RenderOutputFlag_NONE = 0,
    PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS = 1
};

typedef struct PF_PreRenderInput {
    PF_RenderRequest output_request;
    int16_t bitdepth;                        /* 8, 16 or 32 */
} PF_PreRenderInput;

typedef struct PF_PreRenderOutput {
    PF_Rect result_rect;
    PF_Rect max_result_rect;
    PF_Boolean solid;
    PF_RenderOutputFlags flags;
} PF_PreRenderOutput;

typedef struct PF_PreRenderCallbacks {
    PF_Err (*checkout_layer)(PF_ProgPtr effect_ref, int32_t index, int32_t checkout_id,
                             const PF_RenderRequest* request, int32_t what_time, int32_t time_step,
                             uint32_t time_scale, PF_CheckoutResult* result);
} PF_PreRenderCallbacks;

typedef struct PF_PreRenderExtra {
    PF_PreRenderInput* input;
    PF_PreRenderOutput* output;
    PF_PreRenderCallbacks* cb;
} PF_PreRenderExtra;

typedef struct PF_SmartRenderInput {
    PF_RenderRequest output_request;
    int16_t bitdepth;
} PF_SmartRenderInput;

typedef struct PF_SmartRenderCallbacks {
    PF_Err (*checkout_layer_pixels)(PF_ProgPtr effect_ref, int32_t checkout_id,
                                    PF_EffectWorld** pixels);
    PF_Err (*checkin_layer_pixels)(PF_ProgPtr effect_ref, int32_t checkout_id);
    PF_Err (*checkout_output)(PF_ProgPtr effect_ref, PF_EffectWorld** output);
} PF_SmartRenderCallbacks;

typedef struct PF_SmartRenderExtra {
    PF_SmartRenderInput* input;
    PF_SmartRenderCallbacks* cb;
} PF_SmartRenderExtra;

/* ---- Parameter changes -------------------------------------------------------------------------- */

typedef struct PF_UserChangedParamExtra {
    int32_t param_index;                     /* the parameter the user changed */
} PF_UserChangedParamExtra;

/* ---- The entry point ---------------------------------------------------------------------------- */

#define PF_ENTRY_POINT_NAME "EntryPointFunc"

typedef PF_Err (*PF_EntryPointFunc)(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                    PF_ParamDef* params[], PF_LayerDef* output, void* extra);

#ifdef __cplusplus
}
#endif

#endif
