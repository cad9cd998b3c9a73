#include "apps/zel-render/failure.h"

#include "apps/zel-render/image_files.h"
#include "host/effect_host.h"
#include "host/module_library.h"

namespace zelrender {

ExitCode exitCodeOf(const std::exception& failure)
{
    if (const auto* known = dynamic_cast<const RunFailed*>(&failure)) {
        return known->code();
    }
    if (dynamic_cast<const ModuleUnavailable*>(&failure) != nullptr) {
        return kModuleUnavailable;
    }
    if (dynamic_cast<const CommandFailed*>(&failure) != nullptr) {
        return kModuleFailed;
    }
    if (dynamic_cast<const OutputFailed*>(&failure) != nullptr) {
        return kOutputFailed;
    }
    if (dynamic_cast<const EncoderUnavailable*>(&failure) != nullptr) {
        return kEncoderUnavailable;
    }
    return kBadInput;
}

}  // namespace zelrender
