// SPDX-License-Identifier: MIT
// PLACEHOLDER: to be written; every call aborts until then.
#include "platform/posix/PosixProcess.h"

#include <QIODevice>
#include <cstdlib>

namespace dtu::platform {

PosixProcess::~PosixProcess() = default;
QString PosixProcess::executablePath() { std::abort(); }
std::unique_ptr<QIODevice> PosixProcess::openExecutable() { std::abort(); }
std::optional<QString> PosixProcess::privateFolder() { std::abort(); }
void PosixProcess::removeAbandonedPrivateFolders() { std::abort(); }
bool PosixProcess::quitOnTerminationRequests() { std::abort(); }
void PosixProcess::setDefaultEnvironment(const char* name, const char* value) { std::abort(); }

}  // namespace dtu::platform
