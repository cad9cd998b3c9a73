// The about box's texts as plain text, for when there is no window to show them in.
#pragma once

#include <cstdio>

#include "plugin/about/about_texts.h"

namespace zel {

// Writes the product line, the version line and the report, each ending a line, and flushes.
void printAboutTexts(std::FILE* out, const AboutTexts& texts);

}  // namespace zel
