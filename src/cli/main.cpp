// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <cstdio>
#include <vector>

#include "cli/BatchCommand.h"
#include "cli/CommandLine.h"
#include "cli/ConsoleReporter.h"
#include "cli/ExitStatus.h"
#include "core/AppConstants.h"
#include "core/i18n/Localizer.h"
#include "platform/Platform.h"
#include "ui/AppIcon.h"
#include "ui/UserSettings.h"
#include "ui/uMain.h"

namespace {

int Finish(const dtu::CommandLine& command, dtu::platform::Process& process) {
  process.useParentConsole();
  const bool failed = command.action == dtu::CommandLine::Action::kFail;
  std::fputs(command.text.toLocal8Bit().constData(), failed ? stderr : stdout);
  return dtu::ExitCode(failed ? dtu::ExitStatus::kUsageOrFileError : dtu::ExitStatus::kSuccess);
}

}  // namespace

int main(int argc, char** argv) {
  // Standard error carries the program's own lines only, from the first Qt call on.
  dtu::KeepStandardErrorOurs();
  const dtu::platform::SystemPlatform platform;
  dtu::platform::Process& process = platform.get().process;
  // Read before the application object, so that --help, --version and usage errors need no display; in
  // the locale's language, which the catalogs inside the executable give without writing anything.
  dtu::StartCommandLineLocalizer(platform.get());
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const dtu::CommandLine command = dtu::ParseCommandLine(arguments);
  if (command.action == dtu::CommandLine::Action::kPrint || command.action == dtu::CommandLine::Action::kFail)
    return Finish(command, process);
  // Qt's application object keeps the count and the strings for its lifetime.
  std::vector<QByteArray> qtStrings;
  for (const QString& argument : command.qtArguments) qtStrings.push_back(argument.toLocal8Bit());
  std::vector<char*> qtArgv;
  for (QByteArray& bytes : qtStrings) qtArgv.push_back(bytes.data());
  qtArgv.push_back(nullptr);
  int qtArgc = static_cast<int>(qtStrings.size());
  if (command.action == dtu::CommandLine::Action::kBatch) {
    process.useParentConsole();
    process.writeStandardOutputAsIs();
    // The program's own files are named where the settings are found.
    const dtu::BatchOptions options{
        command.batchList, command.batchOutputs, command.batchDefaults, command.send, {}, {}};
    return dtu::ExitCode(dtu::RunBatchProcess(qtArgc, qtArgv.data(), options, platform.get()));
  }
  if (command.action == dtu::CommandLine::Action::kReceive) {
    process.useParentConsole();
    return dtu::ExitCode(dtu::RunReceiveProcess(qtArgc, qtArgv.data(), command.send, platform.get()));
  }
  if (command.action == dtu::CommandLine::Action::kJournal) {
    process.useParentConsole();
    process.writeStandardOutputAsIs();
    const auto csv = command.batchOutputs.find("csv");
    return dtu::ExitCode(dtu::RunJournalProcess(
        qtArgc, qtArgv.data(), csv == command.batchOutputs.end() ? QString() : csv->second, platform.get()));
  }
  if (!command.notice.isEmpty()) {
    process.useParentConsole();
    std::fputs(command.notice.toLocal8Bit().constData(), stderr);
  }
  QApplication app(qtArgc, qtArgv.data());
  process.quitOnTerminationRequests();  // the temporary files go when the loop ends
  QCoreApplication::setApplicationVersion(QString::fromLatin1(dtu::kAppVersion));
  // The per-user settings under "dtusms" alone (earlier versions named them after the window's
  // title); the fields stay in the file beside the executable.
  dtu::UseUserDataLocations();
  dtu::MoveEarlierUserSettings(QString::fromLatin1(dtu::kAppTitle));
  // The desktop entry's name (Wayland app id) and the icon drawn for the tool.
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.dtusms.DtuSms"));
  app.setWindowIcon(dtu::AppIcon());
  dtu::StartLocalizer(platform.get());
  dtu::Ttntfrm_Main::Options options;
  options.services.platform = &platform.get();
  dtu::QtMessagePresenter boxes;
  options.services.presenter = &boxes;
  dtu::Ttntfrm_Main window(options);
  window.show();
  if (command.quitWhenShown) QTimer::singleShot(0, &app, &QCoreApplication::quit);
  return app.exec();
}
