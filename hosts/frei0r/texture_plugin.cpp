#include "hosts/frei0r/plugin_identity.h"

namespace zelfrei0r {

const PluginIdentity kPlugin = {
    PluginKind::Texture, "zel_texture",
    "Zel with the incoming frame as its \"Texture Layer\", mapped onto the surface; the rendered "
    "frame replaces the incoming one, as zel-render renders the scene file given as \"scene\""};

}  // namespace zelfrei0r
