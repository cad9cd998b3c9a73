// The about box: the bundle's picture with the product lines and the GL report over it, in a
// modal window; the texts on standard output when no window can be shown.
#pragma once

namespace zel {

// `modalCode`, `instance`, `parent` and `title` are not used on this platform. The bundle
// identifier names the window to window managers. Returns once the box is closed.
void showVeltranoAboutBox(int modalCode, void* instance, void* parent, const char* title,
                          const char* bundleIdentifier, const char* productLine,
                          const char* versionLine, const char* openglInfo) noexcept;

}  // namespace zel
