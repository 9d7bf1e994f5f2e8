// Renders the pages of a 12-page text PDF into 368 x 480 pixel thumbnails
// (a 240-point box at scale 2) through the reader's thumbnail render, against
// the reference: pdftoppm rendering the same pages at the same size to PNG.
// Both open the file and write a PNG per page.
//
//   bench_ReaderThumbBench [benchmark options]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "BenchScratch.hpp"
#include "library/reader/ReaderDocument.hpp"
#include "library/reader/ReaderThumbCache.hpp"
#include "library/reader/ReaderThumbRender.hpp"
#include "library/reader/ReaderThumbRequest.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/gfx/PdfWriter.hpp"
#include "platform/ui/Screen.hpp"

namespace fs = std::filesystem;

namespace {

constexpr int kPages = 12;

const fs::path& folder() { return bench::scratchFolder("reader-bench"); }

fs::path samplePdf() {
  fs::path file = base::Paths::documents() / "bench" / "Pdf" / "sample.pdf";
  if (fs::exists(file)) return file;
  fs::create_directories(file.parent_path());
  auto w = gfx::PdfWriter::toFile(file, {0, 0, 612, 792});
  for (int p = 0; p < kPages; ++p) {
    auto& page = w->beginPage();
    for (int line = 0; line < 40; ++line) {
      page.drawText("Page " + std::to_string(p + 1) + ", line " + std::to_string(line + 1) +
                        ": stainless steel kettle, 1.7 l, model 4000, price $1,100.50 each",
                    {40, 40.0 + line * 18, 540, 16}, gfx::Font::systemFont(12), gfx::Color::black());
    }
  }
  (void)w->close();
  return file;
}

void BM_ReaderThumbRender(benchmark::State& state) {
  folder();
  ui::Screen::mainScreen().setScale(2);
  fs::path file = samplePdf();
  const std::string guid = mv::ReaderDocument::GUID();
  for (auto _ : state) {
    for (long page = 1; page <= kPages; ++page) {
      auto request = mv::ReaderThumbRequest::newForView(nullptr, file, "", guid, page, {240, 240});
      mv::ReaderThumbRender render(request, mv::ReaderThumbOperation::Priority::Normal);
      render.main();
    }
    mv::ReaderThumbCache::sharedInstance().removeAllObjects();
  }
  state.SetItemsProcessed(state.iterations() * kPages);
}

void BM_PdftoppmReference(benchmark::State& state) {
  folder();
  fs::path file = samplePdf();
  fs::path out = folder() / "ppm";
  for (auto _ : state) {
    std::string cmd = "pdftoppm -png -scale-to-x 368 -scale-to-y 480 -f 1 -l " + std::to_string(kPages) + " '" +
                      file.string() + "' '" + out.string() + "'";
    if (std::system(cmd.c_str()) != 0) {
      state.SkipWithError("pdftoppm failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * kPages);
}

}  // namespace

BENCHMARK(BM_ReaderThumbRender)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PdftoppmReference)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  base::RunLoop::main();
  folder();
  return bench::runThenRemoveScratch(argc, argv);
}
