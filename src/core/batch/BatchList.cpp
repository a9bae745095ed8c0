// SPDX-License-Identifier: MIT
#include "core/batch/BatchList.h"

#include <algorithm>

namespace dtu {

int BatchList::okCount() const {
  return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const BatchRow& row) { return row.ok(); }));
}

}  // namespace dtu
