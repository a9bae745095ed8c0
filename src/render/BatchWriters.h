// SPDX-License-Identifier: MIT
// The output formats of a batch, by name: the one list to extend.
#pragma once

#include <string_view>

#include "core/batch/BatchWriter.h"

namespace dtu {

// The writer of "csv" or "pdf"; null for a format there is none for.
const BatchWriter* FindBatchWriter(std::string_view format);

}  // namespace dtu
