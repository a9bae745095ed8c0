// SPDX-License-Identifier: MIT
// The baseline of the whole-process start-up benchmark: the same window with
// the same controls, but no translation, settings or field loading, quitting
// as soon as it is shown.
#include <QApplication>
#include <QTimer>

#include "ui/uMain.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const dtu::platform::SystemPlatform platform;
  dtu::Ttntfrm_Main::Options options;
  options.services.platform = &platform.get();
  dtu::QtMessagePresenter boxes;
  options.services.presenter = &boxes;
  options.runFormHandlers = false;
  dtu::Ttntfrm_Main window(options);
  window.show();
  QTimer::singleShot(0, &app, &QCoreApplication::quit);
  return app.exec();
}
