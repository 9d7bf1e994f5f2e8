// The first page of a book unit in the reader against the same unit in the
// bare engine. The reader: the unit loaded from the book's served folder, the
// column rules sent, the pages counted, page one shown and its picture taken.
// The reference: the same file loaded in a web view of the same size, and its
// picture taken, nothing else. Each round uses a new view, as opening a book
// does; the engine's processes are already running (the first round warms).
//
//   bench_BookUnitBench [benchmark options]       (needs a display)
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "library/epub/EPUBView.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "services/WebEngine.hpp"
#include "services/WebView.hpp"

namespace fs = std::filesystem;

namespace {

// A unit of a sales handbook: a style sheet, headings, about forty pages of text.
const fs::path& bookFolder() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / ("book-unit-bench-" + std::to_string(::getpid()));
    fs::create_directories(d / "OEBPS");
    base::Paths::setRoot(d / "root");
    std::ofstream(d / "OEBPS" / "style.css") << "body{font-family:serif;margin:5%}h1{color:#2a5285}p{line-height:1.4}";
    std::ofstream unit(d / "OEBPS" / "chapter.xhtml");
    unit << "<?xml version='1.0' encoding='UTF-8'?><html xmlns='http://www.w3.org/1999/xhtml'><head><title>Range"
            "</title><link rel='stylesheet' type='text/css' href='style.css'/></head><body>";
    for (int section = 0; section < 40; ++section) {
      unit << "<h1>Section " << section + 1 << "</h1>";
      for (int p = 0; p < 6; ++p) {
        unit << "<p>";
        for (int w = 0; w < 70; ++w) unit << (w % 9 == 8 ? "lamps, " : "desk ");
        unit << "end.</p>";
      }
    }
    unit << "</body></html>";
    return d;
  }();
  return dir;
}

bool waitUntil(const std::function<bool()>& done) {
  return base::RunLoop::main().runUntil(done, 60);
}

void BM_ReaderFirstPage(benchmark::State& state) {
  if (!svc::WebEngine::start()) {
    state.SkipWithError("no display for the web engine");
    return;
  }
  for (auto _ : state) {
    auto view = mv::EPUBView::create({0, 0, 1024, 724});
    view->layoutIfNeeded();
    view->setBookFolder(bookFolder());
    view->loadSpine({0, bookFolder() / "OEBPS" / "chapter.xhtml", "Range"});
    if (!waitUntil([&] { return !view->isLoading() && view->pageCount() > 0; })) state.SkipWithError("no page");
    view->gotoPage(0);
    const auto pictures = view->webView().picturesTaken();
    view->webView().refreshPicture();
    waitUntil([&] { return view->webView().picturesTaken() > pictures && !svc::WebEngine::isBusy(); });
    state.counters["pages"] = view->pageCount();
  }
}
BENCHMARK(BM_ReaderFirstPage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_BareEngineUnit(benchmark::State& state) {
  if (!svc::WebEngine::start()) {
    state.SkipWithError("no display for the web engine");
    return;
  }
  auto served = svc::WebEngine::serveFolder(bookFolder());
  const std::string url = *served->urlOf(bookFolder() / "OEBPS" / "chapter.xhtml");
  for (auto _ : state) {
    auto web = std::make_shared<svc::WebView>(ui::Rect{0, 0, 964, 694});
    web->loadRequest(url);
    const auto pictures = web->picturesTaken();
    if (!waitUntil([&] { return !web->isLoading() && web->picturesTaken() > pictures && !svc::WebEngine::isBusy(); }))
      state.SkipWithError("no page");
  }
}
BENCHMARK(BM_BareEngineUnit)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
