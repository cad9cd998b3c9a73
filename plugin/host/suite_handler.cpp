#include "plugin/host/suite_handler.h"

#include "sdk/pf_types.h"

namespace zel {

AEGP_SuiteHandler::AEGP_SuiteHandler(const SPBasicSuite* basic) : basic_(basic)
{
    if (basic_ == nullptr) {
        MissingSuiteError();
    }
}

AEGP_SuiteHandler::~AEGP_SuiteHandler()
{
    ReleaseAllSuites();
}

const void* AEGP_SuiteHandler::cached(std::size_t slot)
{
    if (suites_[slot] == nullptr) {
        suites_[slot] = LoadSuite(kKnownSuites[slot].name, kKnownSuites[slot].version);
    }
    return suites_[slot];
}

const void* AEGP_SuiteHandler::LoadSuite(const char* name, int version) const
{
    const void* suite = nullptr;
    if (basic_->AcquireSuite(name, version, &suite) != kSPNoError || suite == nullptr) {
        MissingSuiteError();
    }
    return suite;
}

int AEGP_SuiteHandler::ReleaseSuite(const char* name, int version)
{
    return basic_->ReleaseSuite(name, version);
}

void AEGP_SuiteHandler::ReleaseAllSuites()
{
    for (std::size_t slot = 0; slot < suites_.size(); ++slot) {
        if (suites_[slot] != nullptr) {
            ReleaseSuite(kKnownSuites[slot].name, kKnownSuites[slot].version);
            suites_[slot] = nullptr;
        }
    }
}

void AEGP_SuiteHandler::MissingSuiteError() const
{
    throw PF_Err{PF_Err_BAD_CALLBACK_PARAM};
}

}  // namespace zel
