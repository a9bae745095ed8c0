// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>

#include "core/AppConstants.h"

namespace {
// The process-wide record outlives each test; starting every test from a
// value no fixture sets shows when one relies on what another left.
struct StaleRecord : ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { dtu::SysParameter.LanguageId = 3; }
};
}  // namespace

int main(int argc, char** argv) {
  // Widgets need an application object; tests never need a real display.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new StaleRecord);
  return RUN_ALL_TESTS();
}
