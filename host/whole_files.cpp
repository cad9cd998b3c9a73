#include "host/whole_files.h"

#include <fstream>
#include <stdexcept>
#include <system_error>

namespace zelrender {

namespace fs = std::filesystem;

void replaceWithText(const fs::path& file, const std::string& text, const fs::path& temporary)
{
    const auto fail = [&](const std::string& why, bool created) {
        std::error_code ignored;
        if (created) {
            fs::remove(temporary, ignored);
        }
        throw std::runtime_error(why);
    };
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            fail("cannot create " + temporary.string(), false);
        }
        if (!(out << text) || !out.flush()) {
            fail("cannot write " + temporary.string(), true);
        }
    }
    // Failing to copy the permissions is no reason to keep the old text.
    std::error_code ignored;
    if (const fs::file_status status = fs::status(file, ignored); fs::exists(status)) {
        fs::permissions(temporary, status.permissions(), ignored);
    }
    std::error_code error;
    fs::rename(temporary, file, error);
    if (error) {
        fail("cannot replace " + file.string() + ": " + error.message(), true);
    }
}

}  // namespace zelrender
