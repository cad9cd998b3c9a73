// Zel's places in the user's home, after the XDG base-directory rules.
#pragma once

#include <filesystem>

namespace zelrender {

// <$XDG_VARIABLE or $HOME/homeFallback>/zel; empty when neither is set to an absolute path
// (relative values are ignored, as the rules ask).
std::filesystem::path userDirectory(const char* xdgVariable, const char* homeFallback);

}  // namespace zelrender
