// SPDX-License-Identifier: MIT
// Start-up to a shown window (create, translate, read the settings, apply the
// language, load every field) beside a bare window with the same controls.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

#include "core/i18n/Localizer.h"
#include "support/FakeNetwork.h"
#include "ui/uMain.h"

namespace {

QTemporaryDir* g_dir = nullptr;

const dtu::platform::Platform& System() {
  static const dtu::platform::SystemPlatform platform;
  return platform.get();
}

dtu::Ttntfrm_Main::Options Options(bool full) {
  dtu::Ttntfrm_Main::Options options;
  options.services.platform = &System();
  static dtu::QtMessagePresenter boxes;
  options.services.presenter = &boxes;
  options.executablePath = g_dir->filePath(QStringLiteral("dtusms"));
  static dtu::testing::FakeNetwork network;
  network.interfaces = {{"192.0.2.44", true, false}};
  options.services.probes.network = &network;
  options.runFormHandlers = full;
  return options;
}

void StartUp(benchmark::State& state, bool full) {
  for (auto _ : state) {
    dtu::Ttntfrm_Main window(Options(full));
    window.show();
    QCoreApplication::processEvents();
    benchmark::DoNotOptimize(window.isVisible());
  }
}

void BM_StartupToShownWindow(benchmark::State& state) { StartUp(state, true); }
void BM_BareWindowSameControls(benchmark::State& state) { StartUp(state, false); }

BENCHMARK(BM_StartupToShownWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareWindowSameControls)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Simplified Chinese, so the start-up pays for opening a catalog and translating.
  setenv("LANG", "zh_CN.UTF-8", 1);
  QApplication app(argc, argv);
  QTemporaryDir dir;
  g_dir = &dir;
  // The compiled catalogs lie beside a stand-in executable in the temporary folder.
  for (const char* code : {"en", "zh_cn", "zh_tw"}) {
    const QString target = dir.filePath(QStringLiteral("locale/%1/LC_MESSAGES").arg(QLatin1String(code)));
    QDir().mkpath(target);
    QFile::copy(QStringLiteral(DTU_CATALOG_DIR "/%1.mo").arg(QLatin1String(code)),
                target + QStringLiteral("/default.mo"));
  }
  dtu::StartLocalizer(System(), dir.filePath(QStringLiteral("dtusms")), 0);
  ::benchmark::Initialize(&argc, argv);
  ::benchmark::RunSpecifiedBenchmarks();
  ::benchmark::Shutdown();
  return 0;
}
