// The background's option and its check, apart from the compositing (background.cpp) so that
// the process that starts the workers loads the image library only for a background image.
#include <cstdint>
#include <stdexcept>
#include <utility>
#include <variant>

#include "apps/zel-render/background.h"
#include "host/message_text.h"
#include "host/scene_check.h"

namespace zelrender {

namespace fs = std::filesystem;

Background backgroundOption(const std::string& text)
{
    if (const std::optional<Background> background = parseBackground(text, "")) {
        return *background;
    }
    throw std::invalid_argument(
        "--background takes a colour as #RRGGBB (hexadecimal) or the path of an image file; got " +
        inQuotes(text));
}

void checkBackground(const Background& background, const Composition& composition,
                     const std::string& where)
{
    const auto* file = std::get_if<fs::path>(&background);
    if (file == nullptr) {
        return;
    }
    std::pair<std::int32_t, std::int32_t> size;
    try {
        size = layerImageSize(*file);
    } catch (const std::runtime_error& e) {
        throw std::invalid_argument(where + ": cannot read the image " + file->string() + ": " +
                                    oneLine(e.what()));
    }
    if (size != std::pair(composition.width, composition.height)) {
        throw std::invalid_argument(
            where + ": the image " + file->string() + " is " + sizeText(size.first, size.second) +
            " pixels; a background takes an image of the composition's size, " +
            sizeText(composition.width, composition.height));
    }
}

}  // namespace zelrender
