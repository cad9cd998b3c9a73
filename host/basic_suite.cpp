#include "host/basic_suite.h"

#include <stdexcept>

namespace zelrender {
namespace {

BasicSuite* gLive = nullptr;

SPErr acquireSuite(const char* name, std::int32_t version, const void** suite)
{
    return gLive->acquire(name, version, suite);
}

SPErr releaseSuite(const char* name, std::int32_t version)
{
    return gLive->release(name, version);
}

}  // namespace

BasicSuite::BasicSuite() : table_{acquireSuite, releaseSuite}
{
    if (gLive != nullptr) {
        throw std::logic_error("only one basic suite can serve the module at a time");
    }
    gLive = this;
}

BasicSuite::~BasicSuite()
{
    gLive = nullptr;
}

void BasicSuite::add(SuiteName key, const void* table)
{
    offers_.insert_or_assign(std::move(key), Offer{table});
}

std::vector<SuiteName> BasicSuite::held() const
{
    std::vector<SuiteName> names;
    for (const auto& [key, offer] : offers_) {
        names.insert(names.end(), static_cast<std::size_t>(offer.held), key);
    }
    return names;
}

SPErr BasicSuite::acquire(const char* name, std::int32_t version, const void** suite)
{
    if (suite == nullptr) {
        return kSPSuiteNotFoundError;
    }
    *suite = nullptr;
    if (name == nullptr) {
        return kSPSuiteNotFoundError;
    }
    const auto found = offers_.find(SuiteName{name, version});
    if (found == offers_.end()) {
        return kSPSuiteNotFoundError;
    }
    ++found->second.held;
    ++acquisitions_;
    *suite = found->second.table;
    return kSPNoError;
}

// Releasing what is not held is refused, so that an unbalanced module shows in held().
SPErr BasicSuite::release(const char* name, std::int32_t version)
{
    if (name == nullptr) {
        return kSPSuiteNotFoundError;
    }
    const auto found = offers_.find(SuiteName{name, version});
    if (found == offers_.end() || found->second.held == 0) {
        return kSPSuiteNotFoundError;
    }
    --found->second.held;
    return kSPNoError;
}

}  // namespace zelrender
