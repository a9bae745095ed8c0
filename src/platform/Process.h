// SPDX-License-Identifier: MIT
// The running program: its executable, its private temporary folder, the
// signals that end it, its environment.
#pragma once

#include <QString>
#include <memory>
#include <optional>

class QIODevice;

namespace dtu::platform {

class Process {
 public:
  virtual ~Process() = default;

  // The running executable's full path.
  virtual QString executablePath() = 0;
  // The executable's bytes, open for reading; null when they cannot be read.
  virtual std::unique_ptr<QIODevice> openExecutable() = 0;

  // A folder only this process uses (made on first call, with an owner
  // record inside; removed when the process ends normally); nullopt when it
  // cannot be made.
  virtual std::optional<QString> privateFolder() = 0;
  // Removes this user's private folders whose owning process is gone.
  virtual void removeAbandonedPrivateFolders() = 0;

  // Makes the termination requests (Ctrl+C, SIGTERM, SIGHUP, log-off) end
  // the application's event loop normally; call once the application object
  // exists. False when they cannot be caught; they keep their defaults then.
  virtual bool quitOnTerminationRequests() = 0;

  // For a command that must finish what it is doing: the first termination
  // request (Ctrl+C, SIGTERM, SIGHUP, a console close) only asks, and
  // terminationRequested() then gives the exit status it asks for (128 + the
  // signal's number on POSIX); a second one ends the process at once with it.
  // False when they cannot be caught. Not together with quitOnTerminationRequests().
  virtual bool deferTerminationRequests() = 0;
  // 0 until a deferred request came.
  virtual int terminationRequested() = 0;

  // This process's id, and whether a process with that id runs now (a
  // reused id reads as running: callers take that for the safe side).
  virtual long long id() = 0;
  virtual bool isRunning(long long id) = 0;

  // Writes the standard streams to the console of the program that started
  // this one, where they are not redirected already (a windowed program on
  // Windows has none of its own).
  virtual void useParentConsole() {}
  // Standard output gets the bytes written, line ends untouched: the CSV
  // brings its own CR LF, which Windows' text mode would make CR CR LF.
  virtual void writeStandardOutputAsIs() {}

  // Lets the GUI library start where there is no display, for work that
  // shows nothing (a PDF sheet needs fonts only); a platform the user named
  // stays. Call before the application object exists.
  virtual void preferWindowlessGui() = 0;

  // Whether standard error goes to a terminal a person watches (not a pipe
  // or a file), where a progress counter may be shown.
  virtual bool errorIsTerminal() = 0;
};

}  // namespace dtu::platform
