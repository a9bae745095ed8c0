// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <cstdio>

#include "cli/BatchCommand.h"
#include "cli/CommandLine.h"
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
  const dtu::platform::SystemPlatform platform;
  dtu::platform::Process& process = platform.get().process;
  // Read before the application object, so that --help and --version need no display; in the
  // locale's language, which the catalogs inside the executable give without writing anything.
  dtu::StartCommandLineLocalizer(platform.get());
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  dtu::CommandLine command = dtu::ParseCommandLine(arguments);
  if (command.action == dtu::CommandLine::Action::kPrint) return Finish(command, process);
  if (command.action == dtu::CommandLine::Action::kBatch) {
    process.useParentConsole();
    process.writeStandardOutputAsIs();
    const dtu::BatchOptions options{command.batchList, command.batchOutputs, command.batchDefaults, command.send};
    return dtu::ExitCode(dtu::RunBatchProcess(argc, argv, options, platform.get()));
  }
  // The usage error stands as it is where no display would let QApplication
  // start; Qt's own -platform option (one dash or two) names one.
  const bool platformNamed =
      arguments.contains(QLatin1String("-platform")) || arguments.contains(QLatin1String("--platform"));
  const bool noDisplay = !platformNamed && qEnvironmentVariableIsEmpty("DISPLAY") &&
                         qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
                         qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
  if (command.action == dtu::CommandLine::Action::kFail && noDisplay) return Finish(command, process);
  QApplication app(argc, argv);
  // Qt has taken its own options (-platform, -style...) out of the arguments by now.
  if (command.action == dtu::CommandLine::Action::kFail) command = dtu::ParseCommandLine(app.arguments());
  if (command.action != dtu::CommandLine::Action::kRun) return Finish(command, process);
  if (!command.notice.isEmpty()) {
    process.useParentConsole();
    std::fputs(command.notice.toLocal8Bit().constData(), stderr);
  }
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
