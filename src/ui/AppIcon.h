// SPDX-License-Identifier: MIT
// The window icon, rendered at build time in several sizes.
#pragma once

#include <QIcon>

namespace dtu {

// Decodes only the sizes the window system asks for, when it asks: loading
// every size up front cost more than building the whole window.
QIcon AppIcon();

}  // namespace dtu
