// The reader showing 20 pages of a multi-page PDF one after another at
// screen size: each page opened in its page view, fitted to the 1024 x 768
// window and its frames drawn (as the desktop window draws them) until every
// tile it asked for has arrived and the frame is sharp. The reference is pdftoppm rendering the same 20 pages at the
// pixel size the page takes on the screen.
//
//   bench_ReaderPageBench [benchmark options]
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "BenchScratch.hpp"
#include "BenchFrames.hpp"
#include "library/reader/ReaderContentPage.hpp"
#include "library/reader/ReaderContentView.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/gfx/PdfWriter.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Screen.hpp"
#include "platform/ui/Window.hpp"

namespace fs = std::filesystem;

namespace {

constexpr int kPages = 20;

const fs::path& folder() { return bench::scratchFolder("reader-page-bench"); }

// A price list of Letter pages: a header band, a table of 45 ruled lines of
// text and a footer, as a sales document is.
fs::path samplePdf() {
  const fs::path file = folder() / "price-list.pdf";
  if (fs::exists(file)) return file;
  auto w = gfx::PdfWriter::toFile(file, {0, 0, 612, 792});
  for (int p = 0; p < kPages; ++p) {
    auto& page = w->beginPage();
    page.setFillColor(gfx::Color::rgb255(30, 80, 150));
    page.fillRect({0, 0, 612, 60});
    page.drawText("Price list 2026, page " + std::to_string(p + 1), {40, 18, 532, 24}, gfx::Font::boldSystemFont(18),
                  gfx::Color::white());
    page.setStrokeColor(gfx::Color::rgb255(200, 200, 200));
    for (int line = 0; line < 45; ++line) {
      const double y = 80.0 + line * 15;
      page.strokeLine({40, y + 14}, {572, y + 14});
      page.drawText("SKU-" + std::to_string(p * 100 + line) + "  Stainless steel kettle, 1.7 l, model " +
                        std::to_string(4000 + line) + ", brushed finish",
                    {40, y, 420, 13}, gfx::Font::systemFont(9), gfx::Color::black());
      page.drawText("$" + std::to_string(100 + line) + ".50", {470, y, 100, 13}, gfx::Font::systemFont(9),
                    gfx::Color::black(), gfx::LineBreakMode::WordWrap, gfx::TextAlignment::Right);
    }
    page.drawText("Prices without tax; delivery within 14 days.", {40, 760, 532, 12}, gfx::Font::systemFont(8),
                  gfx::Color::darkGray());
  }
  if (!w->close()) std::fprintf(stderr, "cannot write %s\n", file.c_str());
  return file;
}

// The pixel size the pages take on the screen, for the reference.
int gWidth = 0, gHeight = 0;

void BM_ReaderPages(benchmark::State& state) {
  base::RunLoop::main().adoptCurrentThread();
  const fs::path file = samplePdf();
  auto window = std::make_shared<ui::Window>();
  window->makeKeyAndVisible();
  bench::Frames frames(window);
  for (auto _ : state) {
    for (long page = 1; page <= kPages; ++page) {
      auto view = mv::ReaderContentView::initWithFrame(window->bounds(), file, page, "");
      auto* content = view && view->theContentView() ? view->theContentView().get() : nullptr;
      if (!content) {
        state.SkipWithError("the page did not open");
        return;
      }
      window->addSubview(view);
      ui::View::layoutPendingViews();
      // Frames until no tile is missing, as the screen draws them.
      auto* tiles = content->tiles();
      for (int frame = 0; frame < 50; ++frame) {
        frames.draw();
        if (frame > 0 && tiles->pendingCount() == 0) break;
        base::RunLoop::main().runUntil([&] { return tiles->pendingCount() == 0; }, 60);
      }
      const double scale = view->zoomScale() * ui::Screen::mainScreen().scale();
      gWidth = static_cast<int>(std::lround(content->bounds().size.width * scale));
      gHeight = static_cast<int>(std::lround(content->bounds().size.height * scale));
      view->removeFromSuperview();
    }
  }
  ui::Application::sharedInstance().removeWindow(window.get());
  state.counters["width"] = gWidth;
  state.counters["height"] = gHeight;
}

void BM_PdftoppmPages(benchmark::State& state) {
  const fs::path file = samplePdf();
  if (gWidth == 0) {
    state.SkipWithError("the reader's case gives the size: run it first");
    return;
  }
  const fs::path out = folder() / "ppm";
  const std::string command = "pdftoppm -f 1 -l " + std::to_string(kPages) + " -scale-to-x " +
                              std::to_string(gWidth) + " -scale-to-y " + std::to_string(gHeight) + " '" +
                              file.string() + "' '" + out.string() + "'";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("pdftoppm failed");
      break;
    }
  }
}

}  // namespace

BENCHMARK(BM_ReaderPages)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PdftoppmPages)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  folder();
  return bench::runThenRemoveScratch(argc, argv);
}
