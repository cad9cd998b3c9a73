// What the host says, and where the module's own output goes, are the caller's to decide: the
// process's stdout, stderr and log may belong to another program that loaded this host.
#pragma once

#include <functional>
#include <string>

namespace zelrender {

class HostOutput {
public:
    virtual ~HostOutput() = default;

    // A note for a person, one line without its line break: a warning, or why a request of the
    // module was refused.
    virtual void note(const std::string& text) const noexcept = 0;

    // Runs `command`, one call into the module, with the module's own output (printf diagnostics
    // on stdout) sent where the caller wants it. Throws, without running `command`, when that
    // cannot be arranged.
    virtual void whileModuleRuns(const std::function<void()>& command) const = 0;
};

}  // namespace zelrender
