// The suites this host offers the module through the basic suite, each under its name and version.
#pragma once

#include <span>

#include "host/basic_suite.h"

namespace zelrender {

struct OfferedSuite {
    SuiteName name;
    const void* table;
};

// Worlds, handles, colour parameters, control updates, persistent data, the info panel (as
// notes), and the application and mask-path suites. A host without a window has no cursor,
// mouse or interface colours: the application suite answers each request with
// PF_Err_BAD_CALLBACK_PARAM and notes so once. The layer has no masks: there are no
// paths, and any path asked for is an error.
std::span<const OfferedSuite> offeredSuites();

}  // namespace zelrender
