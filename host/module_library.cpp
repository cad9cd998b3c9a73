#include "host/module_library.h"

#include <dlfcn.h>

#include <string>

namespace zelrender {
namespace {

// The loader's reason, without the path it puts in front, which the caller's message names.
std::string loaderError(const std::string& where)
{
    const char* text = dlerror();
    std::string reason = text != nullptr ? text : "unknown loader error";
    if (const std::string prefix = where + ": "; reason.starts_with(prefix)) {
        reason.erase(0, prefix.size());
    }
    return reason;
}

}  // namespace

ModuleLibrary::ModuleLibrary(const std::filesystem::path& path)
{
    // dlopen searches the library path for a bare name; a module is always named by its path.
    const std::string where = path.has_parent_path() ? path.string() : "./" + path.string();
    dlerror();
    handle_ = dlopen(where.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        throw ModuleUnavailable("cannot load module " + path.string() + ": " + loaderError(where));
    }
    void* symbol = dlsym(handle_, PF_ENTRY_POINT_NAME);
    if (symbol == nullptr) {
        const std::string reason = loaderError(where);
        dlclose(handle_);
        throw ModuleUnavailable("module " + path.string() + " has no " PF_ENTRY_POINT_NAME ": " +
                                reason);
    }
    entryPoint_ = reinterpret_cast<PF_EntryPointFunc>(symbol);
}

ModuleLibrary::~ModuleLibrary()
{
    dlclose(handle_);
}

}  // namespace zelrender
