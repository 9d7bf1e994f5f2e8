// The peak memory of the screens that show product pictures when every
// picture has 39.6 megapixels (7,680 x 5,160), each case in a process of its
// own, for one kind of file at a time (--picture=baseline|progressive|
// progressive-444|progressive-cmyk|progressive-cmyk-k|interlaced: a
// baseline JPEG, a progressive JPEG in 4:2:0, in 4:4:4, in CMYK and in CMYK
// whose black alone is sampled at half, an interlaced PNG):
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
// - ImageBrowser: the first product's screen, its picture browser opened
//   from its picture, then the slide show started and moved on a slide, each
//   drawn once its pictures are in.
//
// The product tables come from the local sales service through the sync
// engine, untimed; one picture file is written row by row and linked under
// every thumbnail name, and the peak is counted from there on (writing a
// progressive JPEG holds every coefficient of it).
//
//   bench_ScreenPicturesBench [--products=N] [--picture=KIND] --benchmark_filter=...
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "BenchCatalogTab.hpp"
#include "BenchFrames.hpp"
#include "BenchPictures.hpp"
#include "BenchWorld.hpp"
#include "catalog/InventoryViewController.hpp"
#include "catalog/ProductDetailController.hpp"
#include "catalog/ProductDetailImageController.hpp"
#include "order/QuoteOrderEditorModel.hpp"
#include "order/QuoteOrderPDFViewController.hpp"
#include "order/QuoteOrderViewController.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/SearchBar.hpp"
#include "store/DataAccessManager.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"

namespace fs = std::filesystem;

namespace {

int gProducts = 300;
mv::test::PictureKind gKind = mv::test::PictureKind::BaselineJpeg;

struct World {
  bench::CatalogWorld catalogue{gProducts};
  std::size_t pictures = 0;

  // Every thumbnail: one large file under every name.
  bool placePictures(mv::DataAccessManager& store) {
    if (pictures > 0) return true;
    pictures = bench::placePictures(store, [](const fs::path& first) {
      if (!bench::writeLargePicture(first, gKind)) return false;
      // Writing a progressive JPEG holds all its coefficients: the peak
      // measured is the screens' from here on, not the writer's.
      std::ofstream("/proc/self/clear_refs") << "5";
      return true;
    });
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
  if (!gWorld->catalogue.ready()) {
    state.SkipWithError("no service or no product tables");
    return nullptr;
  }
  ui::View::setAnimationsEnabled(false);
  return gWorld.get();
}

// A catalogue tab over the store, made untimed, with every thumbnail on disk
// unless `withPictures` is false; null (the run skipped) when the pictures
// could not be written.
std::unique_ptr<bench::CatalogTab> openTab(benchmark::State& state, World& w, bool withPictures = true) {
  auto tab = std::make_unique<bench::CatalogTab>();
  if (withPictures && !w.placePictures(tab->services().database())) {
    state.SkipWithError("the pictures were not written");
    return nullptr;
  }
  return tab;
}

// The tab's screens and services end untimed.
void closeUntimed(benchmark::State& state, std::unique_ptr<bench::CatalogTab>& tab) {
  state.PauseTiming();
  tab.reset();
  state.ResumeTiming();
}

void typeTheSearch(benchmark::State& state, bool withPictures) {
  World* w = world(state);
  if (!w) return;
  std::size_t keystrokes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto tab = openTab(state, *w, withPictures);
    if (!tab) return;
    if (!tab->show()) {
      state.SkipWithError("no catalogue screen");
      return;
    }
    bench::waitForPictures();
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
      bench::waitForPictures();
      tab->frames().draw();
      state.ResumeTiming();
    }
    closeUntimed(state, tab);
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
    auto tab = openTab(state, *w);
    if (!tab) return;
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
    closeUntimed(state, tab);
  }
  state.counters["frames"] = static_cast<double>(frames);
  state.counters["peak_MB"] = bench::peakResidentMB();
}

// Each pass makes the order of three lines untimed, then times a screen of it
// that `make` makes, shown and drawn once its pictures are in, and `drawn`
// with that screen; false when the run was skipped.
template <typename Make, typename Drawn>
bool showTheOrder(benchmark::State& state, Make make, Drawn drawn) {
  World* w = world(state);
  if (!w) return false;
  for (auto _ : state) {
    state.PauseTiming();
    auto tab = openTab(state, *w);
    if (!tab) return false;
    auto order = w->order(tab->services().database());
    state.ResumeTiming();
    auto screen = make(tab->services(), order);
    tab->present(screen);
    bench::waitForPictures();
    tab->frames().draw();
    drawn(*screen);
    closeUntimed(state, tab);
  }
  state.counters["peak_MB"] = bench::peakResidentMB();
  return true;
}

void BM_OrderLinesPictures(benchmark::State& state) {
  showTheOrder(
      state,
      [](mv::SessionServices& services, const std::shared_ptr<mv::QuoteOrderEntity>& order) {
        auto editor = std::make_shared<mv::QuoteOrderViewController>(services);
        editor->setState(mv::QuoteOrderEditorModel::kNewOrder);
        editor->setQuoteOrder(order);
        return editor;
      },
      [](mv::QuoteOrderViewController&) {});
}

void BM_OrderFormPictures(benchmark::State& state) {
  std::size_t bytes = 0;
  const bool ran = showTheOrder(
      state,
      [](mv::SessionServices& services, const std::shared_ptr<mv::QuoteOrderEntity>& order) {
        auto form = std::make_shared<mv::QuoteOrderPDFViewController>(services);
        form->setOrder(order);
        return form;
      },
      [&](mv::QuoteOrderPDFViewController& form) { bytes = form.createPDFData().size(); });
  if (ran) state.counters["pdf_KB"] = static_cast<double>(bytes) / 1024;
}

void BM_ImageBrowserPictures(benchmark::State& state) {
  World* w = world(state);
  if (!w) return;
  for (auto _ : state) {
    state.PauseTiming();
    auto tab = openTab(state, *w);
    if (!tab) return;
    // The browser and the show read the full pictures: the same file under their names too.
    mv::DataAccessManager& store = tab->services().database();
    const auto images = store.getImageOfEveryProduct();
    for (const auto& [product, image] : images ? *images : std::map<int, mv::marvisto_image_Entity>{}) {
      const auto thumb = mv::PublicFunction::filePathWithName(image.image_thumb_address, mv::kFileTypeProductImage);
      const auto full = mv::PublicFunction::filePathWithName(image.image_full_address, mv::kFileTypeProductImage);
      std::error_code ec;
      if (thumb && full && !fs::exists(*full, ec)) fs::create_hard_link(*thumb, *full, ec);
    }
    const auto products = store.getAllProducts();
    if (products.size() < 2) {
      state.SkipWithError("no products");
      return;
    }
    state.ResumeTiming();
    auto detail = std::make_shared<mv::ProductDetailController>(tab->services());
    detail->setProductEntity(products.front());
    detail->setProductList(products, 0);
    tab->present(detail);
    bench::waitForPictures();
    tab->frames().draw();
    detail->onClickImage();
    bench::waitForPictures();
    tab->frames().draw();
    if (auto browser = detail->imageController()) {
      browser->startSlideShow();
      bench::waitForPictures();
      tab->frames().draw();
      base::RunLoop::main().advance(mv::ProductDetailImageController::kSlideInterval);
      bench::waitForPictures();
      tab->frames().draw();
      browser->endSlideShow();
    }
    closeUntimed(state, tab);
  }
  state.counters["peak_MB"] = bench::peakResidentMB();
}

// The baseline first: it runs before any picture is on disk.
BENCHMARK(BM_SearchNoPictures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SearchPictures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_InventoryPictures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_OrderLinesPictures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_OrderFormPictures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ImageBrowserPictures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--picture=", 0) != 0) continue;
    const std::string kind = arg.substr(10);
    gKind = kind == "interlaced"           ? mv::test::PictureKind::InterlacedPng
            : kind == "progressive"        ? mv::test::PictureKind::ProgressiveJpeg
            : kind == "progressive-444"    ? mv::test::PictureKind::Progressive444Jpeg
            : kind == "progressive-cmyk"   ? mv::test::PictureKind::ProgressiveCmykJpeg
            : kind == "progressive-cmyk-k" ? mv::test::PictureKind::ProgressiveCmykBlackAtHalfJpeg
                                           : mv::test::PictureKind::BaselineJpeg;
  }
  bench::runBenchmarks(argc, argv, gProducts);
  gWorld.reset();
  return 0;
}
