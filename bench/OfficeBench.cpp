// The first page of a 20-page Word document in the Office viewer's page view:
// converted by the office suite and drawn sharp at screen size (the cached
// PDF deleted before each run, the suite's profile kept, as on a device after
// its first document), and again with the PDF already cached. The reference
// is the bare suite converting the same file with a kept profile of its own,
// then pdftoppm rendering the first page at the pixel size it takes on the
// screen; for the cached case pdftoppm alone.
//
//   bench_OfficeBench [benchmark options]
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchScratch.hpp"
#include "BenchFrames.hpp"
#include "library/OfficePagesView.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Screen.hpp"
#include "platform/ui/Window.hpp"
#include "sales-service/DocumentFactory.hpp"
#include "services/OfficeConverter.hpp"

namespace fs = std::filesystem;

namespace {

const fs::path& folder() { return bench::scratchFolder("office-bench"); }

fs::path sampleDocx() {
  const fs::path file = folder() / "handbook.docx";
  if (fs::exists(file)) return file;
  std::vector<std::string> paragraphs;
  for (int i = 1; i <= 1000; ++i)
    paragraphs.push_back("Item " + std::to_string(i) + ": stainless steel kettle, 1.7 l, brushed finish, $" +
                         std::to_string(100 + i % 50) + ".50");
  std::ofstream(file, std::ios::binary) << mv::sales::DocumentFactory::docx("Handbook", paragraphs);
  return file;
}

const fs::path& cache() {
  static const fs::path dir = folder() / "cache";
  return dir;
}

void dropCachedPdfs() {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(cache(), ec))
    if (entry.path().extension() == ".pdf") fs::remove(entry.path(), ec);
}

// The pixel size the first page takes on the screen, for the reference.
int gWidth = 0, gHeight = 0;

// Converts (or finds the cached PDF) and draws frames until the first
// screen is sharp; false when it could not.
bool firstPage(const std::shared_ptr<ui::Window>& window, bench::Frames& frames) {
  auto pdf = svc::OfficeConverter::convertToPdf(sampleDocx(), cache(), 300, nullptr);
  if (!pdf) return false;
  auto view = mv::OfficePagesView::make(window->bounds());
  window->addSubview(view);
  if (!view->showPdf(*pdf)) return false;
  ui::View::layoutPendingViews();
  for (int frame = 0; frame < 50; ++frame) {
    frames.draw();
    if (frame > 0 && !view->tilesPending()) break;
    base::RunLoop::main().runUntil([&] { return !view->tilesPending(); }, 60);
  }
  const auto& first = view->pageFrames().front();
  const double scale = view->zoomScale() * ui::Screen::mainScreen().scale();
  gWidth = static_cast<int>(std::lround(first.width() * scale));
  gHeight = static_cast<int>(std::lround(first.height() * scale));
  view->removeFromSuperview();
  return true;
}

void officeCase(benchmark::State& state, bool cached) {
  base::RunLoop::main().adoptCurrentThread();
  if (!svc::OfficeConverter::program()) {
    state.SkipWithError("the office suite is not installed");
    return;
  }
  auto window = std::make_shared<ui::Window>();
  window->makeKeyAndVisible();
  bench::Frames frames(window);
  // One untimed conversion makes the suite's profile (and the cached PDF).
  if (!firstPage(window, frames)) {
    state.SkipWithError("the document did not convert");
    return;
  }
  for (auto _ : state) {
    if (!cached) {
      state.PauseTiming();
      dropCachedPdfs();
      state.ResumeTiming();
    }
    if (!firstPage(window, frames)) {
      state.SkipWithError("the document did not convert");
      break;
    }
  }
  ui::Application::sharedInstance().removeWindow(window.get());
}

void BM_OfficeFirstPageConverted(benchmark::State& state) { officeCase(state, false); }
void BM_OfficeFirstPageCached(benchmark::State& state) { officeCase(state, true); }

std::string pdftoppmFirstPage(const fs::path& pdf) {
  return "pdftoppm -f 1 -l 1 -scale-to-x " + std::to_string(gWidth) + " -scale-to-y " + std::to_string(gHeight) +
         " '" + pdf.string() + "' '" + (folder() / "ppm").string() + "'";
}

void BM_BareSuiteAndPdftoppm(benchmark::State& state) {
  auto program = svc::OfficeConverter::program();
  if (!program || gWidth == 0) {
    state.SkipWithError("needs the suite, and the product's case first for the size");
    return;
  }
  const fs::path out = folder() / "bare";
  const std::string convert = "'" + program->string() + "' --headless --norestore -env:UserInstallation=file://" +
                              (folder() / "bare-profile").string() + " --convert-to pdf --outdir '" + out.string() +
                              "' '" + sampleDocx().string() + "' >/dev/null 2>&1";
  const std::string render = pdftoppmFirstPage(out / "handbook.pdf");
  // The profile is made once, untimed, as the product's is.
  if (std::system(convert.c_str()) != 0) {
    state.SkipWithError("the bare suite failed");
    return;
  }
  for (auto _ : state) {
    if (std::system(convert.c_str()) != 0 || std::system(render.c_str()) != 0) {
      state.SkipWithError("the bare suite or pdftoppm failed");
      break;
    }
  }
}

void BM_PdftoppmFirstPage(benchmark::State& state) {
  const fs::path pdf = folder() / "bare" / "handbook.pdf";
  if (!fs::exists(pdf)) {
    state.SkipWithError("the bare suite's case makes the PDF: run it first");
    return;
  }
  const std::string render = pdftoppmFirstPage(pdf);
  for (auto _ : state) {
    if (std::system(render.c_str()) != 0) {
      state.SkipWithError("pdftoppm failed");
      break;
    }
  }
}

}  // namespace

BENCHMARK(BM_OfficeFirstPageConverted)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_OfficeFirstPageCached)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BareSuiteAndPdftoppm)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PdftoppmFirstPage)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  folder();
  return bench::runThenRemoveScratch(argc, argv);
}
