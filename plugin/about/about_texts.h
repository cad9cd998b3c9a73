// The three texts the about box shows, as the about command hands them over.
#pragma once

namespace zel {

struct AboutTexts {
    const char* productLine;  // upper white line
    const char* versionLine;  // lower white line
    const char* openglInfo;   // black block of lines
};

}  // namespace zel
