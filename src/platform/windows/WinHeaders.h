// SPDX-License-Identifier: MIT
// <windows.h> without the parts and macros that clash with C++ and Qt, and
// Windows Sockets, which must come before it.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
// Windows Sockets first: <windows.h> alone would bring in the old winsock.h.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>
