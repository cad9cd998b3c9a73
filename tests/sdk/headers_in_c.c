/* Compiled as C99 with warnings as errors: proves the host interface is plain C, and checks the
 * numbers a host and the module must agree on. */
#include <stdio.h>

#include "sdk/aegp_suites.h"
#include "sdk/pf_effect.h"
#include "sdk/pf_suites.h"
#include "sdk/pf_types.h"
#include "sdk/sp_basic.h"

static int failures = 0;

static void expect(int ok, const char* what)
{
    if (!ok) {
        fprintf(stderr, "host interface: %s\n", what);
        ++failures;
    }
}

int main(void)
{
    PF_ParamDef def;
    expect(PF_VERSION(1, 2, 0, PF_Stage_RELEASE, 1) == 0x90601u, "version 1.2.0 release 1 packs as 0x90601");
    expect(PF_APPL_ID_EDITOR == 0x50724D72, "'PrMr' packs first character high");
    expect(PF_APPL_ID_COMPOSITOR == 0x46585443, "'FXTC' packs first character high");
    expect(PF_APPL_ID_KEYER == 0x4B657947 && PF_APPL_ID_COMBUSTOR == 0x43627374, "'KeyG' and 'Cbst'");
    expect(PF_OutFlag_DEEP_COLOR_AWARE == (1 << 25), "deep colour is bit 25");
    expect(PF_OutFlag2_SUPPORTS_SMART_RENDER == (1 << 10) && PF_OutFlag2_FLOAT_COLOR_AWARE == (1 << 12),
           "smart render bit 10, float colour bit 12");
    expect(PF_ParamFlag_START_COLLAPSED == 32 && PF_ParamFlag_SUPERVISE == 64 && PF_PUI_DISABLED == 32,
           "parameter flag bits");
    expect(PF_Err_INTERNAL_STRUCT_DAMAGED == 512 && PF_Err_BAD_CALLBACK_PARAM == 516 &&
               PF_Interrupt_CANCEL == 517 && PF_Err_INVALID_ARGUMENT == 514,
           "error codes");
    expect(sizeof def.name == 32 && sizeof(((PF_OutData*)0)->return_msg) == 256, "buffer sizes");
    expect(PF_Param_GROUP_START == 13 && PF_Param_BUTTON == 15 && PF_Param_FLOAT_SLIDER == 10,
           "parameter type codes");
    return failures == 0 ? 0 : 1;
}
