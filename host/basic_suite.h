// The basic suite: the one door through which the module obtains every other suite this host
// implements, by name and version.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "sdk/sp_basic.h"

namespace zelrender {

struct SuiteName {
    std::string name;
    std::int32_t version;
    auto operator<=>(const SuiteName&) const = default;
};

// The table the module receives routes to the one BasicSuite alive at the time, since its
// functions carry no pointer back to a host object. Constructing a second while one lives throws.
class BasicSuite {
public:
    BasicSuite();
    ~BasicSuite();
    BasicSuite(const BasicSuite&) = delete;
    BasicSuite& operator=(const BasicSuite&) = delete;

    // Offers `table` under (name, version); it must outlive this object.
    void add(SuiteName key, const void* table);

    SPBasicSuite* table() { return &table_; }

    // Suites acquired and not yet released, each once per outstanding acquisition.
    std::vector<SuiteName> held() const;
    int acquisitions() const { return acquisitions_; }

    // What the table's two functions do.
    SPErr acquire(const char* name, std::int32_t version, const void** suite);
    SPErr release(const char* name, std::int32_t version);

private:
    struct Offer {
        const void* table;
        int held = 0;
    };
    std::map<SuiteName, Offer> offers_;
    int acquisitions_ = 0;
    SPBasicSuite table_{};
};

}  // namespace zelrender
