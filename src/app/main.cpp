// SPDX-License-Identifier: MIT
#include <QApplication>

#include "app/uMain.h"
#include "config/AnsiCodec.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  dtu::SetAnsiCharset(dtu::AnsiCodec::CharsetFromEnvironment());
  dtu::Ttntfrm_Main window;
  window.show();
  return app.exec();
}
