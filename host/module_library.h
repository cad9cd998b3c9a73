// The effect module, loaded as a shared object and held open for as long as this object lives.
#pragma once

#include <filesystem>
#include <stdexcept>

#include "sdk/pf_effect.h"

namespace zelrender {

// The module cannot be used: missing, not loadable, or without the entry point.
class ModuleUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The directory of the module most recently loaded in this process; empty before any. The image
// code (image_code.h) lies beside the module where a host's own file lies elsewhere (the frei0r
// plug-ins).
std::filesystem::path loadedModuleDirectory();

// How long the module's code stays loaded: until the object goes, or, for a process that loads
// it once, until the process ends. Unloading it then would only run the unloading of the libraries
// it pulled in, some of which (pixman, under the about box's cairo) strand what they made.
enum class ModuleLifetime { object, process };

class ModuleLibrary {
public:
    // Throws ModuleUnavailable naming the path and the loader's reason.
    explicit ModuleLibrary(const std::filesystem::path& path,
                           ModuleLifetime lifetime = ModuleLifetime::object);
    ~ModuleLibrary();
    ModuleLibrary(const ModuleLibrary&) = delete;
    ModuleLibrary& operator=(const ModuleLibrary&) = delete;

    PF_EntryPointFunc entryPoint() const { return entryPoint_; }

private:
    void* handle_ = nullptr;
    PF_EntryPointFunc entryPoint_ = nullptr;
};

}  // namespace zelrender
