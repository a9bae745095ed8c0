// SPDX-License-Identifier: MIT
// SIGTERM, SIGINT and SIGHUP end the event loop normally, so that what the
// program made in the temporary directory is removed on the way out and
// nothing is written. The handler only writes to a pipe; the loop reads it.
#pragma once

namespace dtu {

// Call once the application object exists. The loop ends with the status
// 128 + the signal's number. A second signal of the same kind gets the
// default action: a process stuck in a blocking probe can still be stopped.
// False when the pipe cannot be made; the signals keep their defaults then.
bool QuitOnTerminationSignals();

}  // namespace dtu
