// SPDX-License-Identifier: MIT
// <windows.h> without the parts and macros that clash with C++ and Qt.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
