// The peak memory of the screens that show product pictures when every
// picture has 39.6 megapixels (7,680 x 5,160), each case in a process of its
// own, for one kind of file at a time (--picture=baseline|progressive|
// interlaced: a baseline JPEG, a progressive JPEG, an interlaced PNG):
//
// - Search: the catalogue tab shown, "Nordic" typed into its search box a
//   key at a time; each keystroke is timed until its results are laid out
//   and drawn, the pictures they ask for are read (untimed) before the next.
//   The baseline types the same keys with no picture on disk (every row
//   shows the stock picture).
// - Inventory: the inventory tab shown and scrolled from the top to the end
//   a screen at a time, each screen drawn once its pictures are in.
// - OrderLines: an order of three lines opened in the order editor, drawn
//   once its pictures are in.
// - OrderForm: the same order's form (View as PDF) shown once its pictures
//   are in, drawn, and its document made.
//
// The product tables come from the local sales service through the sync
// engine, untimed; one picture file is written row by row and linked under
// every thumbnail name, and the peak is counted from there on (writing a
// progressive JPEG holds every coefficient of it).
//
//   bench_ScreenPicturesBench [--products=N] [--picture=KIND] --benchmark_filter=...
#include <benchmark/benchmark.h>
#include <png.h>
// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "BenchCatalogTab.hpp"
#include "BenchFrames.hpp"
#include "BenchWorld.hpp"
#include "catalog/InventoryViewController.hpp"
#include "order/QuoteOrderEditorModel.hpp"
#include "order/QuoteOrderPDFViewController.hpp"
#include "order/QuoteOrderViewController.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/SearchBar.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"
#include "widgets/ImageLoadQueueManager.hpp"

namespace fs = std::filesystem;

namespace {

int gProducts = 300;
std::string gKind = "baseline";
constexpr int kWidth = 7680, kHeight = 5160;

// A photograph-like row: colour gradients with a grain, so the file does not compress to nothing.
void pictureRow(std::vector<std::uint8_t>& row, int y) {
  for (int x = 0; x < kWidth; ++x) {
    const unsigned grain = (static_cast<unsigned>(x) * 2654435761u ^ static_cast<unsigned>(y) * 40503u) >> 27;
    row[static_cast<std::size_t>(x) * 3] = static_cast<std::uint8_t>(x * 255 / kWidth ^ grain);
    row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<std::uint8_t>(y * 255 / kHeight ^ grain);
    row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<std::uint8_t>((x + y) % 256);
  }
}

bool writeJpeg(std::FILE* out, bool progressive) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, out);
  cinfo.image_width = kWidth;
  cinfo.image_height = kHeight;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 85, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(kWidth) * 3);
  for (int y = 0; y < kHeight; ++y) {
    pictureRow(row, y);
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

struct PngWrite {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<std::uint8_t> row = std::vector<std::uint8_t>(static_cast<std::size_t>(kWidth) * 3);
  ~PngWrite() { png_destroy_write_struct(&png, &info); }
};

bool writeInterlacedPng(std::FILE* out, PngWrite& job) {
  job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!job.png) return false;
  job.info = png_create_info_struct(job.png);
  if (!job.info) return false;
  if (setjmp(png_jmpbuf(job.png))) return false;
  png_init_io(job.png, out);
  png_set_compression_level(job.png, 1);
  png_set_IHDR(job.png, job.info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_ADAM7,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(job.png, job.info);
  // The writer takes whole rows in every pass and picks that pass's pixels.
  const int passes = png_set_interlace_handling(job.png);
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 0; y < kHeight; ++y) {
      pictureRow(job.row, y);
      png_write_row(job.png, job.row.data());
    }
  }
  png_write_end(job.png, nullptr);
  return true;
}

bool writeLargePicture(const fs::path& file) {
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (!out) return false;
  bool written = false;
  if (gKind == "interlaced") {
    PngWrite job;
    written = writeInterlacedPng(out, job);
  } else {
    written = writeJpeg(out, gKind == "progressive");
  }
  return std::fclose(out) == 0 && written;
}

struct World {
  bench::ServiceWorld base{mv::sales::SampleOptions::large(gProducts), {mv::SyncConfigManager::kCatalogIndex}};
  bool ready = false;
  std::size_t pictures = 0;

  World() {
    if (!base.ready()) return;
    mv::SessionDatabase::open();
    if (!bench::syncProductTables()) {
      std::fprintf(stderr, "the product tables were not stored\n");
      return;
    }
    ready = true;
  }

  // Every thumbnail: one large file under every name.
  bool placePictures(mv::DataAccessManager& store) {
    if (pictures > 0) return true;
    const auto images = store.getImageOfEveryProduct();
    if (!images) return false;
    fs::path first;
    std::error_code ec;
    for (const auto& [product, image] : *images) {
      auto path = mv::PublicFunction::filePathWithName(image.image_thumb_address, mv::kFileTypeProductImage);
      if (!path) continue;
      fs::create_directories(path->parent_path(), ec);
      fs::remove(*path, ec);
      if (first.empty()) {
        if (!writeLargePicture(*path)) return false;
        first = *path;
        // Writing a progressive JPEG holds all its coefficients: the peak
        // measured is the screens' from here on, not the writer's.
        std::ofstream("/proc/self/clear_refs") << "5";
      } else {
        fs::create_hard_link(first, *path, ec);
        if (ec) return false;
      }
      ++pictures;
    }
    return pictures > 0;
  }

  // An order of three lines of products that have pictures.
  std::shared_ptr<mv::QuoteOrderEntity> order(mv::DataAccessManager& store) {
    auto o = std::make_shared<mv::QuoteOrderEntity>(mv::Session::current());
    o->customerName = "Bench Stores";
    o->currency = "USD";
    const auto images = store.getImageOfEveryProduct();
    if (!images) return o;
    for (const auto& [product, image] : *images) {
      auto entity = store.getProductByProductId(product);
      if (!entity) continue;
      auto line = std::make_shared<mv::QuoteOrderItemEntity>();
      line->product = *entity;
      line->name = entity->product_name;
      line->sku = entity->product_sku;
      line->quantity = 2;
      line->price = 10;
      line->finalPrice = 10;
      line->currency = "USD";
      o->items.push_back(line);
      if (o->items.size() == 3) break;
    }
    return o;
  }
};

std::unique_ptr<World> gWorld;

World* world(benchmark::State& state) {
  if (!gWorld) gWorld = std::make_unique<World>();
  if (!gWorld->ready) {
    state.SkipWithError("no service or no product tables");
    return nullptr;
  }
  ui::View::setAnimationsEnabled(false);
  return gWorld.get();
}

// Every picture read and fitted.
void waitForPictures() {
  for (int round = 0; round < 1000; ++round) {
    base::WorkQueue::global().waitIdle();
    base::RunLoop::main().drain();
    if (mv::ImageLoadQueueManager::sharedInstance().operationCount() == 0) break;
  }
}

void typeTheSearch(benchmark::State& state, bool withPictures) {
  World* w = world(state);
  if (!w) return;
  std::size_t keystrokes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto tab = std::make_unique<bench::CatalogTab>();
    if (withPictures && !w->placePictures(tab->services().database())) {
      state.SkipWithError("the pictures were not written");
      return;
    }
    if (!tab->show()) {
      state.SkipWithError("no catalogue screen");
      return;
    }
    waitForPictures();
    state.ResumeTiming();
    const std::string word = "Nordic";
    for (std::size_t n = 1; n <= word.size(); ++n) {
      const std::string typed = word.substr(0, n);
      tab->screen().searchBar().setText(typed);
      tab->screen().searchBarTextDidChange(tab->screen().searchBar(), typed);
      ui::View::layoutPendingViews();
      tab->frames().draw();
      ++keystrokes;
      state.PauseTiming();
      waitForPictures();
      tab->frames().draw();
      state.ResumeTiming();
    }
    state.PauseTiming();
    tab.reset();
    state.ResumeTiming();
  }
  state.counters["keystrokes"] = static_cast<double>(keystrokes);
  state.counters["pictures"] = static_cast<double>(w->pictures);
  state.counters["peak_MB"] = bench::peakResidentMB();
}

void BM_SearchPictures(benchmark::State& state) { typeTheSearch(state, true); }
void BM_SearchNoPictures(benchmark::State& state) { typeTheSearch(state, false); }

void BM_InventoryPictures(benchmark::State& state) {
  World* w = world(state);
  if (!w) return;
  std::size_t frames = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto tab = std::make_unique<bench::CatalogTab>();
    if (!w->placePictures(tab->services().database())) {
      state.SkipWithError("the pictures were not written");
      return;
    }
    state.ResumeTiming();
    auto screen = std::make_shared<mv::InventoryViewController>(tab->services());
    tab->present(screen);
    ui::TableView& table = screen->tblView().contentTable();
    const double step = table.bounds().size.height;
    const double end = std::max(0.0, table.contentSize().height - step);
    for (double y = 0;; y = std::min(end, y + step)) {
      table.setContentOffset({0, y});
      ui::View::layoutPendingViews();
      base::RunLoop::main().runUntil([&] { return screen->pendingPictures() == 0; }, 600);
      tab->frames().draw();
      ++frames;
      if (y >= end || step <= 0) break;
    }
    state.PauseTiming();
    tab.reset();
    state.ResumeTiming();
  }
  state.counters["frames"] = static_cast<double>(frames);
  state.counters["peak_MB"] = bench::peakResidentMB();
}

void BM_OrderLinesPictures(benchmark::State& state) {
  World* w = world(state);
  if (!w) return;
  for (auto _ : state) {
    state.PauseTiming();
    auto tab = std::make_unique<bench::CatalogTab>();
    if (!w->placePictures(tab->services().database())) {
      state.SkipWithError("the pictures were not written");
      return;
    }
    auto order = w->order(tab->services().database());
    state.ResumeTiming();
    auto editor = std::make_shared<mv::QuoteOrderViewController>(tab->services());
    editor->setState(mv::QuoteOrderEditorModel::kNewOrder);
    editor->setQuoteOrder(order);
    tab->present(editor);
    waitForPictures();
    tab->frames().draw();
    state.PauseTiming();
    tab.reset();
    state.ResumeTiming();
  }
  state.counters["peak_MB"] = bench::peakResidentMB();
}

void BM_OrderFormPictures(benchmark::State& state) {
  World* w = world(state);
  if (!w) return;
  std::size_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto tab = std::make_unique<bench::CatalogTab>();
    if (!w->placePictures(tab->services().database())) {
      state.SkipWithError("the pictures were not written");
      return;
    }
    auto order = w->order(tab->services().database());
    state.ResumeTiming();
    auto form = std::make_shared<mv::QuoteOrderPDFViewController>(tab->services());
    form->setOrder(order);
    tab->present(form);
    waitForPictures();
    tab->frames().draw();
    bytes = form->createPDFData().size();
    state.PauseTiming();
    tab.reset();
    state.ResumeTiming();
  }
  state.counters["pdf_KB"] = static_cast<double>(bytes) / 1024;
  state.counters["peak_MB"] = bench::peakResidentMB();
}

// The baseline first: it runs before any picture is on disk.
BENCHMARK(BM_SearchNoPictures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SearchPictures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_InventoryPictures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_OrderLinesPictures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_OrderFormPictures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--picture=", 0) == 0) gKind = arg.substr(10);
  }
  bench::runBenchmarks(argc, argv, gProducts);
  gWorld.reset();
  return 0;
}
