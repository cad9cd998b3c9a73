#include "host/user_directories.h"

#include <cstdlib>

namespace zelrender {
namespace {

std::filesystem::path absoluteFromEnv(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') {
        return {};
    }
    return value;
}

}  // namespace

std::filesystem::path userDirectory(const char* xdgVariable, const char* homeFallback)
{
    std::filesystem::path base = absoluteFromEnv(xdgVariable);
    if (base.empty()) {
        const std::filesystem::path home = absoluteFromEnv("HOME");
        if (home.empty()) {
            return {};
        }
        base = home / homeFallback;
    }
    return base / "zel";
}

}  // namespace zelrender
