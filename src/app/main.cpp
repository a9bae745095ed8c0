// SPDX-License-Identifier: MIT
#include <QApplication>

#include "app/uMain.h"
#include "config/AnsiCodec.h"
#include "i18n/Localizer.h"
#include "net/NetProbe.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  dtu::SetAnsiCharset(dtu::AnsiCodec::CharsetFromEnvironment());
  dtu::StartLocalizer(QCoreApplication::applicationFilePath());
  // The probes let the window repaint at fixed points while they block.
  dtu::net::SetEventPump([] { QCoreApplication::processEvents(); });
  dtu::Ttntfrm_Main window;
  window.show();
  return app.exec();
}
