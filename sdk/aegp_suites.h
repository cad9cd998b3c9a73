/* Zel host interface: the composition suites, through which the effect reads the composition it
 * is applied in (its camera, its lights and their streams) and the host's persistent settings. */
#ifndef ZEL_SDK_AEGP_SUITES_H
#define ZEL_SDK_AEGP_SUITES_H

#include "pf_effect.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A time in the composition: value / scale seconds. */
typedef struct AEGP_Time {
    int32_t value;
    uint32_t scale;
} AEGP_Time;

/* A 4 x 4 matrix, row-major, row-vector convention: rows 0..2 are the x, y and z axes of the
 * transformed frame and row 3 its position. */
typedef struct AEGP_Matrix4 {
    double mat[4][4];
} AEGP_Matrix4;

typedef struct AEGP_ColorVal {
    double alpha, red, green, blue;            /* 0..1 */
} AEGP_ColorVal;

typedef struct AEGP_Layer* AEGP_LayerH;        /* null: no layer */
typedef struct AEGP_Comp* AEGP_CompH;
typedef struct AEGP_PersistentBlob* AEGP_PersistentBlobH;

typedef int32_t AEGP_ObjectType;
enum {
    AEGP_ObjectType_NONE = 0,
    AEGP_ObjectType_AV = 1,                    /* an image, footage or solid layer */
    AEGP_ObjectType_LIGHT = 2,
    AEGP_ObjectType_CAMERA = 3,
    AEGP_ObjectType_TEXT = 4,
    AEGP_ObjectType_VECTOR = 5
};

typedef int32_t AEGP_LightType;
enum {
    AEGP_LightType_NONE = -1,
    AEGP_LightType_PARALLEL = 0,
    AEGP_LightType_SPOT = 1,
    AEGP_LightType_POINT = 2,
    AEGP_LightType_AMBIENT = 3
};

typedef int32_t AEGP_CameraType;
enum {
    AEGP_CameraType_NONE = -1,
    AEGP_CameraType_PERSPECTIVE = 0,
    AEGP_CameraType_ORTHOGRAPHIC = 1
};

/* Whether a time is the layer's own or the composition's. */
typedef int32_t AEGP_LTimeMode;
enum {
    AEGP_LTimeMode_LayerTime = 0,
    AEGP_LTimeMode_CompTime = 1
};

/* The animatable properties of a layer that the effect reads. Units: COLOR 0..1, INTENSITY and
 * CONE_FEATHER percent, CONE_ANGLE degrees. */
typedef int32_t AEGP_LayerStream;
enum {
    AEGP_LayerStream_NONE = -1,
    AEGP_LayerStream_POSITION = 0,
    AEGP_LayerStream_ANCHORPOINT = 1,
    AEGP_LayerStream_ORIENTATION = 2,
    AEGP_LayerStream_OPACITY = 3,
    AEGP_LayerStream_INTENSITY = 10,
    AEGP_LayerStream_COLOR = 11,
    AEGP_LayerStream_CONE_ANGLE = 12,
    AEGP_LayerStream_CONE_FEATHER = 13,
    AEGP_LayerStream_ZOOM = 20
};

typedef int32_t AEGP_StreamType;
enum {
    AEGP_StreamType_NO_DATA = 0,
    AEGP_StreamType_ONE_D = 1,
    AEGP_StreamType_TWO_D = 2,
    AEGP_StreamType_THREE_D = 3,
    AEGP_StreamType_COLOR = 4
};

typedef union AEGP_StreamVal {
    double one_d;
    double two_d[2];
    double three_d[3];
    AEGP_ColorVal color;
} AEGP_StreamVal;

/* ---- The effect's place in its composition ------------------------------------------------------ */

#define kAEGPPFInterfaceSuite "AEGP PF Interface Suite"
#define kAEGPPFInterfaceSuiteVersion1 1

typedef struct AEGP_PFInterfaceSuite1 {
    PF_Err (*AEGP_GetEffectLayer)(PF_ProgPtr effect_ref, AEGP_LayerH* layer);
    PF_Err (*AEGP_ConvertEffectToCompTime)(PF_ProgPtr effect_ref, int32_t what_time,
                                           uint32_t time_scale, AEGP_Time* comp_time);
    /* layer null when the composition has no camera layer */
    PF_Err (*AEGP_GetEffectCamera)(PF_ProgPtr effect_ref, const AEGP_Time* comp_time,
                                   AEGP_LayerH* camera_layer);
    /* the camera-to-layer matrix and the distance to the image plane (the zoom) in pixels */
    PF_Err (*AEGP_GetEffectCameraMatrix)(PF_ProgPtr effect_ref, const AEGP_Time* comp_time,
                                         AEGP_Matrix4* camera_matrix, double* dist_to_image_plane,
                                         int16_t* image_plane_width, int16_t* image_plane_height);
} AEGP_PFInterfaceSuite1;

/* ---- Layers, cameras, lights and their streams -------------------------------------------------- */

#define kAEGPLayerSuite "AEGP Layer Suite"
#define kAEGPLayerSuiteVersion5 5

typedef struct AEGP_LayerSuite5 {
    PF_Err (*AEGP_GetLayerParentComp)(AEGP_LayerH layer, AEGP_CompH* comp);
    PF_Err (*AEGP_GetCompNumLayers)(AEGP_CompH comp, int32_t* num_layers);
    PF_Err (*AEGP_GetCompLayerByIndex)(AEGP_CompH comp, int32_t index, AEGP_LayerH* layer);
    PF_Err (*AEGP_GetLayerObjectType)(AEGP_LayerH layer, AEGP_ObjectType* type);
    PF_Err (*AEGP_IsLayerVideoReallyOn)(AEGP_LayerH layer, PF_Boolean* on);
    PF_Err (*AEGP_GetLayerInPoint)(AEGP_LayerH layer, AEGP_LTimeMode mode, AEGP_Time* in_point);
    PF_Err (*AEGP_GetLayerDuration)(AEGP_LayerH layer, AEGP_LTimeMode mode, AEGP_Time* duration);
    /* row 3 is the layer's position in the world, row 2 the direction it faces */
    PF_Err (*AEGP_GetLayerToWorldXform)(AEGP_LayerH layer, const AEGP_Time* comp_time,
                                        AEGP_Matrix4* transform);
} AEGP_LayerSuite5;

#define kAEGPCameraSuite "AEGP Camera Suite"
#define kAEGPCameraSuiteVersion2 2

typedef struct AEGP_CameraSuite2 {
    PF_Err (*AEGP_GetCameraType)(AEGP_LayerH camera_layer, AEGP_CameraType* type);
} AEGP_CameraSuite2;

#define kAEGPLightSuite "AEGP Light Suite"
#define kAEGPLightSuiteVersion1 1

typedef struct AEGP_LightSuite1 {
    PF_Err (*AEGP_GetLightType)(AEGP_LayerH light_layer, AEGP_LightType* type);
} AEGP_LightSuite1;

#define kAEGPStreamSuite "AEGP Stream Suite"
#define kAEGPStreamSuiteVersion4 4

typedef struct AEGP_StreamSuite4 {
    PF_Err (*AEGP_GetLayerStreamValue)(AEGP_LayerH layer, AEGP_LayerStream stream,
                                       AEGP_LTimeMode mode, const AEGP_Time* time,
                                       PF_Boolean pre_expression, AEGP_StreamVal* value,
                                       AEGP_StreamType* type);
} AEGP_StreamSuite4;

/* ---- Persistent settings of the host ------------------------------------------------------------ */

#define kAEGPPersistentDataSuite "AEGP Persistent Data Suite"
#define kAEGPPersistentDataSuiteVersion3 3

typedef struct AEGP_PersistentDataSuite3 {
    /* the blob of settings that belongs to the application as a whole */
    PF_Err (*AEGP_GetApplicationBlob)(AEGP_PersistentBlobH* blob);
    PF_Err (*AEGP_SetString)(AEGP_PersistentBlobH blob, const char* section, const char* key,
                             const char* value);
    /* copies the value, or default_value when the entry is absent, truncated to buffer_size bytes
     * with the terminator; actual_size receives the full length plus one */
    PF_Err (*AEGP_GetString)(AEGP_PersistentBlobH blob, const char* section, const char* key,
                             const char* default_value, uint32_t buffer_size, char* buffer,
                             uint32_t* actual_size);
    PF_Err (*AEGP_DeleteEntry)(AEGP_PersistentBlobH blob, const char* section, const char* key);
} AEGP_PersistentDataSuite3;

#ifdef __cplusplus
}
#endif

#endif
