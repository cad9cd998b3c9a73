#include "host/module_library.h"

#include <dlfcn.h>

#include <mutex>
#include <string>

namespace zelrender {
namespace {

// Sessions of the frei0r plug-ins load modules on their hosts' threads.
std::mutex gModuleDirectoryMutex;
std::filesystem::path gModuleDirectory;

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

ModuleLibrary::ModuleLibrary(const std::filesystem::path& path, ModuleLifetime lifetime)
{
    // dlopen searches the library path for a bare name; a module is always named by its path.
    const std::string where = path.has_parent_path() ? path.string() : "./" + path.string();
    dlerror();
    const int unloading = lifetime == ModuleLifetime::process ? RTLD_NODELETE : 0;
    handle_ = dlopen(where.c_str(), RTLD_NOW | RTLD_LOCAL | unloading);
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
    const std::lock_guard lock(gModuleDirectoryMutex);
    gModuleDirectory = std::filesystem::absolute(where).parent_path();
}

std::filesystem::path loadedModuleDirectory()
{
    const std::lock_guard lock(gModuleDirectoryMutex);
    return gModuleDirectory;
}

ModuleLibrary::~ModuleLibrary()
{
    dlclose(handle_);
}

}  // namespace zelrender
