#include "plugin/about/about_text_fallback.h"

#include <initializer_list>

namespace zel {

void printAboutTexts(std::FILE* out, const AboutTexts& texts)
{
    for (const char* text : {texts.productLine, texts.versionLine, texts.openglInfo}) {
        std::fprintf(out, "%s\n", text != nullptr ? text : "");
    }
    std::fflush(out);
}

}  // namespace zel
