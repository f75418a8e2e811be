// RowId: the identity of one server row of the main window's list. Ids are handed out once and never
// again, so a result kept for a row of an earlier catalogue cannot land on a row built later.
#pragma once

#include <cstdint>

namespace nimbrook {

using RowId = uint64_t;   // 0 names no row

}  // namespace nimbrook
