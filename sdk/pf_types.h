/* Zel host interface: basic types, error codes and small records shared by every header.
 *
 * Plain C (C99), so that a host in any language can load the module. The numbers that a host and
 * the module must agree on are fixed here; nothing in this file depends on a platform. */
#ifndef ZEL_SDK_PF_TYPES_H
#define ZEL_SDK_PF_TYPES_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t PF_Err;     /* a host error code; 0 is success */
typedef int32_t PF_Cmd;     /* a command code, see pf_effect.h */
typedef int32_t PF_Fixed;   /* 16.16 fixed point */
typedef uint8_t PF_Boolean; /* 0 or 1; a byte so that records have one layout in C and C++ */

#define PF_FIXED_ONE 65536

/* Error codes. */
enum {
    PF_Err_NONE = 0,
    PF_Err_GENERIC = 1,                    /* a failure the effect has already explained to the user */
    PF_Err_OUT_OF_MEMORY = 4,
    PF_Err_INTERNAL_STRUCT_DAMAGED = 512,  /* 0x200 */
    PF_Err_INVALID_ARGUMENT = 514,         /* 0x202 */
    PF_Err_BAD_CALLBACK_PARAM = 516,       /* 0x204 */
    PF_Interrupt_CANCEL = 517              /* 0x205 */
};

/* Four-character codes, first character in the most significant byte. */
#define PF_FOURCC(a, b, c, d) \
    ((int32_t)(((uint32_t)(uint8_t)(a) << 24) | ((uint32_t)(uint8_t)(b) << 16) | \
               ((uint32_t)(uint8_t)(c) << 8) | (uint32_t)(uint8_t)(d)))

/* Application ids (PF_InData.appl_id). */
#define PF_APPL_ID_COMPOSITOR PF_FOURCC('F', 'X', 'T', 'C')
#define PF_APPL_ID_EDITOR     PF_FOURCC('P', 'r', 'M', 'r')
#define PF_APPL_ID_KEYER      PF_FOURCC('K', 'e', 'y', 'G')
#define PF_APPL_ID_COMBUSTOR  PF_FOURCC('C', 'b', 's', 't')

/* A ratio such as a downsample factor or a pixel aspect ratio. */
typedef struct PF_RationalScale {
    int32_t num;
    uint32_t den;
} PF_RationalScale;

/* A rectangle in pixels; right and bottom are exclusive. */
typedef struct PF_Rect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
} PF_Rect;

typedef struct PF_Point {
    int32_t h;
    int32_t v;
} PF_Point;

/* Pixels are alpha first. 8 bits: 0..255; 16 bits: 0..32768; float: 0..1 nominal. */
typedef struct PF_Pixel {
    uint8_t alpha;
    uint8_t red;
    uint8_t green;
    uint8_t blue;
} PF_Pixel;
typedef PF_Pixel PF_Pixel8;

typedef struct PF_Pixel16 {
    uint16_t alpha;
    uint16_t red;
    uint16_t green;
    uint16_t blue;
} PF_Pixel16;

typedef struct PF_PixelFloat {
    float alpha;
    float red;
    float green;
    float blue;
} PF_PixelFloat;

#define PF_MAX_CHAN8 255
#define PF_MAX_CHAN16 32768

/* A 3 x 3 matrix in row-vector convention: (x, y, 1) times the matrix; row 2 is the translation. */
typedef struct PF_FloatMatrix {
    double mat[3][3];
} PF_FloatMatrix;

/* A relocatable block of host memory: a pointer to the pointer to the block. */
typedef void** PF_Handle;

/* The host's version of the interface (PF_InData.version), for example 13.0. */
typedef struct PF_SpecVersion {
    int16_t major;
    int16_t minor;
} PF_SpecVersion;

/* The effect's own version (PF_OutData.my_version): major from bit 19, minor in bits 15..18, bug
 * fix in bits 11..14, stage in bits 9..10, build in bits 0..8. */
enum {
    PF_Stage_DEVELOP = 0,
    PF_Stage_ALPHA = 1,
    PF_Stage_BETA = 2,
    PF_Stage_RELEASE = 3
};

#define PF_VERSION(major, minor, bugfix, stage, build)                                     \
    ((uint32_t)(((uint32_t)(major) << 19) | (((uint32_t)(minor) & 15u) << 15) |           \
                (((uint32_t)(bugfix) & 15u) << 11) | (((uint32_t)(stage) & 3u) << 9) |    \
                ((uint32_t)(build) & 511u)))

/* The opaque reference through which the effect names itself in every callback. */
typedef struct PF_EffectInstance* PF_ProgPtr;

#ifdef __cplusplus
}
#endif

#endif
