// The peak memory of large pictures and pages, each case in a process of its
// own (run one at a time with --benchmark_filter):
//
// - Grid: the catalogue tab opened over a few hundred products whose every
//   card picture is a JPEG of 39.6 megapixels (7,680 x 5,160), its grid
//   scrolled from the top to the end a screen at a time, each screen drawn
//   headless once its pictures are in. The product tables come from the
//   local sales service through the sync engine, untimed; one picture file is
//   written row by row (never held whole here) and linked under every name.
// - Plan: the reader opened as the library opens a PDF, on a plan of three
//   pages of 14,400 points (the largest a PDF page may be) with a drawing on
//   each, flipped through page by page, each page drawn until it is sharp.
//
//   bench_LargePicturesBench [--products=N] --benchmark_filter=Grid|Plan
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "BenchCatalogTab.hpp"
#include "BenchFrames.hpp"
#include "BenchPictures.hpp"
#include "BenchScratch.hpp"
#include "BenchWorld.hpp"
#include "library/LibraryFileOpener.hpp"
#include "library/LibraryViewers.hpp"
#include "library/reader/ReaderContentPage.hpp"
#include "library/reader/ReaderContentView.hpp"
#include "library/reader/ReaderViewController.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/gfx/PdfWriter.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/Window.hpp"

namespace fs = std::filesystem;

namespace {

int gProducts = 300;

struct GridWorld {
  bench::CatalogWorld catalogue{gProducts};
  std::size_t pictures = 0;
};

std::unique_ptr<GridWorld> gGrid;

void BM_CatalogGridLargePictures(benchmark::State& state) {
  if (!gGrid) gGrid = std::make_unique<GridWorld>();
  if (!gGrid->catalogue.ready()) {
    state.SkipWithError("no service or no product tables");
    return;
  }
  ui::View::setAnimationsEnabled(false);
  std::size_t frames = 0, items = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto tab = std::make_unique<bench::CatalogTab>();
    if (gGrid->pictures == 0) {
      // Every card's picture: one large file under every thumbnail name.
      gGrid->pictures = bench::placePictures(tab->services().database(), [](const fs::path& first) {
        return bench::writeLargePicture(first, mv::test::PictureKind::BaselineJpeg);
      });
    }
    if (gGrid->pictures == 0) {
      state.SkipWithError("the pictures were not written");
      return;
    }
    state.ResumeTiming();
    if (!tab->show()) {
      state.SkipWithError("no catalogue screen");
      return;
    }
    mv::GridView& grid = tab->grid();
    items = grid.numberOfItems();
    const double step = grid.bounds().size.height;
    const double end = std::max(0.0, grid.contentSize().height - step);
    for (double y = 0;; y = std::min(end, y + step)) {
      grid.setContentOffset({0, y});
      ui::View::layoutPendingViews();
      bench::waitForPictures();
      tab->frames().draw();
      ++frames;
      if (y >= end) break;
    }
    state.PauseTiming();
    tab.reset();
    state.ResumeTiming();
  }
  state.counters["items"] = static_cast<double>(items);
  state.counters["pictures"] = static_cast<double>(gGrid->pictures);
  state.counters["frames"] = static_cast<double>(frames);
  state.counters["peak_MB"] = bench::peakResidentMB();
}

// Three pages of 14,400 points, each a drawing of ruled lines and a box.
fs::path planPdf() {
  const fs::path file = base::Paths::documents() / "acme" / "PDF" / "plan.pdf";
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  auto w = gfx::PdfWriter::toFile(file, {0, 0, 14400, 14400});
  for (int p = 0; p < 3; ++p) {
    auto& page = w->beginPage();
    page.setStrokeColor(gfx::Color::black());
    for (int line = 0; line <= 48; ++line) {
      page.strokeLine({0, line * 300.0}, {14400, line * 300.0});
      page.strokeLine({line * 300.0, 0}, {line * 300.0, 14400});
    }
    page.setFillColor(gfx::Color::rgb255(30, 80, 150));
    page.fillRect({3600.0 + p * 1200, 3600, 4800, 4800});
  }
  if (!w->close()) std::fprintf(stderr, "cannot write %s\n", file.c_str());
  return file;
}

void BM_ReaderLargestPlan(benchmark::State& state) {
  base::RunLoop::main().adoptCurrentThread();
  // The data root lies in the run's own folder.
  const fs::path scratch = bench::scratchFolder("large-plan-bench");
  ui::View::setAnimationsEnabled(false);
  const fs::path file = planPdf();
  mv::ReaderViewController::installAsLibraryViewer();
  for (auto _ : state) {
    auto driver = std::make_unique<ui::HeadlessDriver>();
    auto nav = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
    driver->window().setRootViewController(nav);
    driver->flush();
    if (!mv::LibraryViewers::open(mv::LibraryFileOpener::decide("PDF", file, 3), "Plan", nav.get())) {
      state.SkipWithError("the plan did not open");
      return;
    }
    driver->flush();
    auto reader = std::dynamic_pointer_cast<mv::ReaderViewController>(nav->viewControllers().back());
    for (long page = 1; reader && page <= 3; ++page) {
      reader->showDocumentPage(page);
      driver->flush();
      for (int frame = 0; frame < 200; ++frame) {
        driver->render();
        auto it = reader->contentViews().find(page);
        auto* tiles = it == reader->contentViews().end() || !it->second->theContentView()
                          ? nullptr
                          : it->second->theContentView()->tiles();
        if (!tiles || (frame > 0 && tiles->pendingCount() == 0)) break;
        base::RunLoop::main().runUntil([&] { return tiles->pendingCount() == 0; }, 60);
      }
    }
    if (reader) reader->dismissReaderViewController();
    driver->flush();
  }
  state.counters["peak_MB"] = bench::peakResidentMB();
  std::error_code ec;
  fs::remove_all(scratch, ec);
}

BENCHMARK(BM_CatalogGridLargePictures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ReaderLargestPlan)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  bench::runBenchmarks(argc, argv, gProducts);
  gGrid.reset();
  return 0;
}
