// SPDX-License-Identifier: MIT
#include "net/ServerDiagnostics.h"

namespace dtu {

void ObtainIp(DiagnosticsView&) {}
void TestServerPort(DiagnosticsView&) {}
void JudgeMapping(DiagnosticsView&) {}

}  // namespace dtu
