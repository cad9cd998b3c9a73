// Calling into the host's function tables, where a host may have left an entry empty.
#pragma once

#include <utility>

#include "sdk/pf_types.h"

namespace zel {

// The entry's result, or PF_Err_BAD_CALLBACK_PARAM when the host lacks the table or the entry.
template <class Table, class... Params, class... Args>
PF_Err callHost(const Table* table, PF_Err (*Table::*entry)(Params...), Args&&... args)
{
    if (table == nullptr || table->*entry == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    return (table->*entry)(std::forward<Args>(args)...);
}

}  // namespace zel
