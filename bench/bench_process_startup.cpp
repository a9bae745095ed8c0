// SPDX-License-Identifier: MIT
// Whole-process start to a shown window: the program (with its appended
// catalogs, loading its settings) against a bare program showing the same
// controls. Runs alternate so that both see the same machine; the medians and
// their ratio are reported as counters. The catalogs' private folder goes
// under TMPDIR: on a disk under write load its making and removal can cost
// more than everything else the program adds, on tmpfs next to nothing.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

double RunOnce(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? std::chrono::duration<double, std::milli>(elapsed).count()
                                                       : -1;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// First argument 0: English; 1: Simplified Chinese, which also opens a catalog
// and a CJK font. Second argument 1: every run is a first start, without a
// settings file, so loading's writes create it.
void BM_ProcessStartupAgainstBareWindow(benchmark::State& state) {
  setenv("LANG", state.range(0) ? "zh_CN.UTF-8" : "en_US.UTF-8", 1);
  // A private copy, so the settings file it writes lands in a scratch folder.
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "dtusms-startup-bench";
  std::filesystem::create_directories(folder);
  const std::string program = (folder / "dtusms").string();
  std::filesystem::copy_file(DTU_APP_EXECUTABLE, program, std::filesystem::copy_options::overwrite_existing);
  std::vector<double> full, bare;
  for (auto _ : state) {
    if (state.range(1)) std::filesystem::remove(folder / "ZEREVuzi.ini");
    const double a = RunOnce(program, {"--quit-when-shown"});
    const double b = RunOnce(DTU_BARE_EXECUTABLE, {});
    if (a < 0 || b < 0) {
      state.SkipWithError("a program did not start and quit cleanly");
      break;
    }
    full.push_back(a);
    bare.push_back(b);
  }
  state.counters["program_ms"] = Median(full);
  state.counters["bare_ms"] = Median(bare);
  state.counters["ratio"] = Median(bare) > 0 ? Median(full) / Median(bare) : 0;
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ProcessStartupAgainstBareWindow)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::benchmark::Initialize(&argc, argv);
  ::benchmark::RunSpecifiedBenchmarks();
  ::benchmark::Shutdown();
  return 0;
}
