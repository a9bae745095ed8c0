// SPDX-License-Identifier: MIT
#include <QApplication>

#include "MyDataType.h"
#include "app/uMain.h"
#include "config/AnsiCodec.h"
#include "i18n/Localizer.h"
#include "net/NetProbe.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // Not the display name: Qt would append that to every window title.
  QCoreApplication::setApplicationName(QString::fromLatin1(dtu::kAppTitle));
  QCoreApplication::setApplicationVersion(QString::fromLatin1(dtu::kAppVersion));
  dtu::SetAnsiCharset(dtu::AnsiCodec::CharsetFromEnvironment());
  dtu::StartLocalizer(QCoreApplication::applicationFilePath());
  // The probes let the window repaint at fixed points while they block.
  dtu::net::SetEventPump([] { QCoreApplication::processEvents(); });
  dtu::Ttntfrm_Main window;
  window.show();
  return app.exec();
}
