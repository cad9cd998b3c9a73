/* Zel host interface: the basic suite, through which every other suite is obtained.
 *
 * A suite is a named, versioned table of host functions. The effect asks for one with
 * AcquireSuite and gives it back with ReleaseSuite under the same name and version. */
#ifndef ZEL_SDK_SP_BASIC_H
#define ZEL_SDK_SP_BASIC_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t SPErr;

enum {
    kSPNoError = 0,
    kSPSuiteNotFoundError = 1
};

typedef struct SPBasicSuite {
    /* On success *suite points to the table and the result is kSPNoError. */
    SPErr (*AcquireSuite)(const char* name, int32_t version, const void** suite);
    SPErr (*ReleaseSuite)(const char* name, int32_t version);
} SPBasicSuite;

#ifdef __cplusplus
}
#endif

#endif
