// SPDX-License-Identifier: MIT
// What is wrong with a list, a row or the fields, in the user's language.
#pragma once

#include <QString>

#include "core/batch/BatchList.h"

namespace dtu {

// Translated texts, made when they are shown.
QString DescribeBatchProblem(const BatchRow& row);
QString DescribeBatchSetupProblem(const BatchSetupProblem& problem);
QString DescribeRowLimit();

}  // namespace dtu
