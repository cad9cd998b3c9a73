#include "host/image_code.h"

#include <dlfcn.h>
#include <link.h>

#include <stdexcept>
#include <string>
#include <thread>

#include "host/module_library.h"

namespace zelrender {
namespace {

namespace fs = std::filesystem;

// The file that holds this code: a shared library's own path, or for the program the executable
// itself, which the loader knows by no usable name.
fs::path holdingFile()
{
    Dl_info info{};
    link_map* map = nullptr;
    if (::dladdr1(reinterpret_cast<void*>(&holdingFile), &info, reinterpret_cast<void**>(&map),
                  RTLD_DL_LINKMAP) != 0 &&
        map != nullptr && map->l_name != nullptr && map->l_name[0] != '\0') {
        return map->l_name;
    }
    std::error_code error;
    fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        throw std::runtime_error("cannot find the directory of this program to load "
                                 "libzel_images.so from (" + error.message() + ")");
    }
    return executable;
}

const ImageCode& load()
{
    // Beside the program or library holding the host, else beside the module.
    fs::path library = holdingFile().parent_path() / "libzel_images.so";
    // Kept loaded until the process ends: its code may run until then.
    void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const std::string reason = ::dlerror();
        const fs::path module = loadedModuleDirectory();
        if (module.empty() || module == library.parent_path() ||
            (handle = ::dlopen((module / library.filename()).c_str(), RTLD_NOW | RTLD_LOCAL)) ==
                nullptr) {
            throw std::runtime_error("cannot load the image code: " + reason);
        }
        library = module / library.filename();
    }
    const auto entry = reinterpret_cast<ImageCodeEntry>(::dlsym(handle, kImageCodeEntry));
    if (entry == nullptr) {
        throw std::runtime_error("cannot load the image code: " + library.string() + " has no " +
                                 kImageCodeEntry);
    }
    return *entry();
}

}  // namespace

const ImageCode& imageCode()
{
    static const ImageCode& code = load();
    return code;
}

void loadImageCodeAhead()
{
    std::thread([] {
        try {
            imageCode();
        } catch (const std::exception&) {
            // Thrown again to the caller that uses the code: a failed load is tried anew.
        }
    }).detach();
}

}  // namespace zelrender
