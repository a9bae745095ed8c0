// SPDX-License-Identifier: MIT
// Shared set-up for tests that drive the real main window offscreen.
#pragma once

#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <ostream>
#include <vector>

#include "core/AppConstants.h"
#include "core/config/SettingsFields.h"
#include "core/config/SettingsStore.h"
#include "support/FakeNetwork.h"
#include "support/TestSupport.h"
#include "ui/PortSpinEdit.h"
#include "ui/uMain.h"

namespace dtu::testing {

// The value the settings file holds for a key right now ("<missing>" if none).
inline QString Stored(const QString& path, const char* key) {
  return SettingsStore(path, TestCodec(), TestPlatform().files)
      .ReadString(kSettingsSection, key, QStringLiteral("<missing>"));
}

// What a screen reader reads for `object`: the name its accessible interface gives.
inline QString AccessibleName(QObject* object) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
  return face ? face->text(QAccessible::Name) : QStringLiteral("<none>");
}

class WindowTest : public ::testing::Test {
 protected:
  QString iniPath() const { return dir.filePath(QStringLiteral("ZEREVuzi.ini")); }
  QByteArray iniBytes() const { return ReadBytes(iniPath()); }
  void writeIni(const QByteArray& bytes) const { ASSERT_TRUE(WriteBytes(iniPath(), bytes)); }

  // Creates and shows the window as the program does at start-up, with
  // `services`, whose first interface that is up and not loopback is at
  // `localAddress` (none if empty), and no host name.
  void start(const std::string& localAddress = "192.0.2.44") {
    Ttntfrm_Main::Options options;
    options.executablePath = dir.filePath(QStringLiteral("dtusms"));
    options.services = services;
    network.interfaces = {{"127.0.0.1", true, true}, {"192.0.2.7", false, false}};
    if (!localAddress.empty())
      network.interfaces.insert(network.interfaces.end(), {{localAddress, true, false}, {"203.0.113.9", true, false}});
    options.services.probes.network = &network;
    window = std::make_unique<Ttntfrm_Main>(options);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 5000));
  }

  template <typename T>
  T* find(const char* name) const {
    T* child = window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  QLineEdit* edit(const char* name) const { return find<QLineEdit>(name); }
  QComboBox* list(const char* name) const { return find<QComboBox>(name); }
  QPushButton* button(const char* name) const { return find<QPushButton>(name); }
  PortSpinEdit* portField() const { return find<PortSpinEdit>("rzspnedt_Port"); }

  QTemporaryDir dir;
  RecordingPresenter presenter;
  AppServices services{&TestPlatform(), {}, &presenter};
  FakeNetwork network;  // the window's, set up by start()
  std::unique_ptr<Ttntfrm_Main> window;
};

}  // namespace dtu::testing
