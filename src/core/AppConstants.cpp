// SPDX-License-Identifier: MIT
#include "core/AppConstants.h"

namespace dtu {
tagSysParameter SysParameter;
}
