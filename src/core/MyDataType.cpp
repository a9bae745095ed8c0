// SPDX-License-Identifier: MIT
#include "core/MyDataType.h"

namespace dtu {
tagSysParameter SysParameter;
}
