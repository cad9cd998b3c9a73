#include "hosts/frei0r/plugin_identity.h"

namespace zelfrei0r {

const PluginIdentity kPlugin = {
    PluginKind::Source, "zel",
    "Zel: a surface displaced by fractal noise, shaded and lit, rendered as zel-render renders "
    "the scene file given as \"scene\", at the host's frame size and time"};

}  // namespace zelfrei0r
