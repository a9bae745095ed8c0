// SPDX-License-Identifier: MIT
#include "MyDataType.h"

namespace dtu {
tagSysParameter SysParameter;
}
