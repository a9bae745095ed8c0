// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "config/AnsiCodec.h"

int main(int argc, char** argv) {
  // Widgets need an application object; tests never need a real display.
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  // Tests choose charsets explicitly; the machine's locale must not leak in.
  dtu::SetAnsiCharset("UTF-8");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
