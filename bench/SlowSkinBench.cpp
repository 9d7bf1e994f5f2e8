// A sign-in to the main screen with a skin of 50 pictures of the slow shape
// (39.6 Mpx in some 300 scans of an honest order, without their end
// marker: each held the check of its skin for seconds), against the same
// skin with the pictures' end markers, which tell them whole at a glance.
// The application runs headless in this process, launched as the binary
// launches it; each run writes the skin anew into the demo company's folder
// (its pictures never checked before), signs in to the demo from the
// welcome screen and is timed until the main tab bar's first frame is
// drawn. Between runs (untimed) the session ends and the check under way
// stops.
//
//   bench_SlowSkinBench [benchmark options]
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "BenchApplication.hpp"
#include "BenchFrames.hpp"
#include "BenchScratch.hpp"
#include "PictureBytes.hpp"
#include "PictureRows.hpp"
#include "platform/base/Paths.hpp"
#include "shell/app/MarvistoAppDelegate.hpp"
#include "shell/config/SkinManager.hpp"
#include "shell/session/WeclomeViewController.hpp"
#include "sync/PictureVerdicts.hpp"

namespace fs = std::filesystem;

namespace {

constexpr int kPictures = 50;

// The picture of the slow shape, with its end marker.
const std::string& slowShape() {
  static const std::string bytes =
      mv::test::progressiveOfManyScans(mv::test::kLargePictureWidth, mv::test::kLargePictureHeight, 300);
  return bytes;
}

std::shared_ptr<mv::MarvistoAppDelegate>& application() {
  static std::shared_ptr<mv::MarvistoAppDelegate> app = [] {
    bench::scratchFolder("slow-skin-bench");
    return bench::launchApplication();
  }();
  return app;
}

// The demo company's skin made anew: its pictures with their end marker or
// without; none checked before.
bool writeSkin(bool marked) {
  const fs::path client = base::Paths::documents() / mv::SkinManager::kDemoClientZDuvo;
  const fs::path skin = client / mv::SkinManager::kSkinFolderName;
  std::error_code ec;
  fs::remove_all(skin, ec);
  fs::remove_all(client / mv::PictureVerdicts::kFolderName, ec);
  fs::create_directories(skin, ec);
  const std::string& bytes = slowShape();
  const std::string_view written(bytes.data(), marked ? bytes.size() : bytes.size() - 2);
  for (int i = 0; i < kPictures; ++i) {
    // The main screen's own pictures first.
    const std::string name = i == 0 ? "bg-home.png" : i == 1 ? "btmbar-bg.png" : "skin-" + std::to_string(i) + ".jpg";
    std::ofstream out(skin / name, std::ios::binary | std::ios::trunc);
    out.write(written.data(), static_cast<std::streamsize>(written.size()));
    if (!out) return false;
  }
  return true;
}

void signIn(benchmark::State& state, bool marked) {
  auto& app = application();
  if (!app) {
    state.SkipWithError("no welcome screen");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    if (!writeSkin(marked)) {
      state.SkipWithError("the skin could not be written");
      break;
    }
    auto welcome = std::dynamic_pointer_cast<mv::WeclomeViewController>(app->welcomeScreen());
    state.ResumeTiming();
    if (!welcome) {
      state.SkipWithError("no welcome screen");
      break;
    }
    welcome->login(std::string(mv::SkinManager::kDemoClientZDuvo));
    const bool shown = bench::runApplicationUntil([&] { return !app->isWelcomeRoot(); }, 600);
    if (shown) bench::Frames(app->window()).draw();
    state.PauseTiming();
    if (!shown) state.SkipWithError("the main screen did not come");
    app->showLoginPage();
    // The check the session left stops before the next run.
    mv::SkinManager::sharedInstance().resetSkinChecksForTesting();
    bench::runApplicationUntil([] { return false; }, 0.05);
    state.ResumeTiming();
    if (!shown) break;
  }
  state.counters["pictures"] = kPictures;
}

void BM_SignInSlowSkin(benchmark::State& state) { signIn(state, false); }
void BM_SignInHonestSkin(benchmark::State& state) { signIn(state, true); }

BENCHMARK(BM_SignInHonestSkin)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_SignInSlowSkin)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  mv::SkinManager::sharedInstance().resetSkinChecksForTesting();
  application().reset();
  mv::MarvistoAppDelegate::destroyCurrent();
  std::error_code ec;
  fs::remove_all(bench::scratchFolder(), ec);
  return 0;
}
