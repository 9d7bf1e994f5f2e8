// The catalogue tab opened over a store of 20,000 products and its grid
// scrolled from the top to the end a screen at a time, each frame drawn
// headless as the desktop window draws it: the screen made and shown with all products (read from the
// store, sorted, counted), then one frame per step. The floor draws the same
// number of bare cells (a picture and two labels, reused as they scroll
// away) in a plain scroll view of the same size through the same steps.
//
// The product tables come from the local sales service through the sync
// engine, untimed; the pictures are not fetched, so cards draw their
// placeholder, as after a sync whose image phase has not run yet.
//
//   bench_CatalogGridBench [--products=N] [benchmark options]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "BenchCatalogTab.hpp"
#include "BenchFrames.hpp"
#include "BenchWorld.hpp"
#include "catalog/DetailViewController.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/ScrollView.hpp"
#include "platform/ui/Window.hpp"
#include "store/DataAccessManager.hpp"
#include "widgets/grid/GridView.hpp"

namespace {

int gProducts = 20000;

// The grid's geometry, which the floor copies.
struct Geometry {
  ui::Rect frame;
  double contentHeight = 0;
  ui::Size cell;
  std::size_t columns = 0;
  double left = 0;
};
Geometry gGeometry;

struct World {
  bench::CatalogWorld catalogue{gProducts};
  std::vector<std::string> names;
};

std::unique_ptr<World> gWorld;

World& world() {
  if (!gWorld) gWorld = std::make_unique<World>();
  return *gWorld;
}

// Draws frames from the top of `scroll` to its end, a screen at a time.
template <typename Place>
std::size_t scrollToEnd(bench::Frames& frames, ui::ScrollView& scroll, double contentHeight, Place place) {
  const double step = scroll.bounds().size.height;
  const double end = std::max(0.0, contentHeight - step);
  const std::size_t before = frames.count();
  for (double y = 0;; y = std::min(end, y + step)) {
    scroll.setContentOffset({0, y});
    place(y);
    frames.draw();
    if (y >= end) break;
  }
  return frames.count() - before;
}

void BM_CatalogGridOpenAndScroll(benchmark::State& state) {
  World& w = world();
  if (!w.catalogue.ready()) {
    state.SkipWithError("no service or no product tables");
    return;
  }
  ui::View::setAnimationsEnabled(false);
  std::size_t items = 0, frames = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto tab = std::make_unique<bench::CatalogTab>();
    state.ResumeTiming();
    if (!tab->show()) {
      state.SkipWithError("no catalogue screen");
      return;
    }
    mv::GridView& grid = tab->grid();
    items = grid.numberOfItems();
    frames = scrollToEnd(tab->frames(), grid, grid.contentSize().height, [](double) {});
    state.PauseTiming();
    gGeometry.frame = grid.frame();
    gGeometry.contentHeight = grid.contentSize().height;
    gGeometry.cell = mv::DetailViewController::kCellSize;
    gGeometry.columns = grid.numberOfColumns();
    gGeometry.left = grid.leftContentInset();
    if (w.names.empty()) {
      for (const auto& p : tab->screen().detailViewController()->productArray()) w.names.push_back(p.product_name);
    }
    tab.reset();
    state.ResumeTiming();
  }
  if (items != static_cast<std::size_t>(gProducts)) state.SkipWithError("the grid did not show every product");
  state.counters["items"] = static_cast<double>(items);
  state.counters["frames"] = static_cast<double>(frames);
}

// A bare cell: the card's picture and its two texts.
struct BareCell {
  std::shared_ptr<ui::View> view;
  std::shared_ptr<ui::ImageView> picture;
  std::shared_ptr<ui::Label> name, price;
};

void BM_BaselineBareCells(benchmark::State& state) {
  World& w = world();
  const Geometry g = gGeometry;
  if (!w.catalogue.ready() || g.columns == 0 || w.names.empty()) {
    state.SkipWithError("the grid's case gives the geometry: run it first");
    return;
  }
  std::size_t frames = 0;
  for (auto _ : state) {
    auto window = std::make_shared<ui::Window>();
    window->makeKeyAndVisible();
    bench::Frames drawn(window);
    auto scroll = std::make_shared<ui::ScrollView>(ui::Rect{0, 64, g.frame.size.width, g.frame.size.height});
    scroll->setContentSize({g.frame.size.width, g.contentHeight});
    window->addSubview(scroll);
    std::vector<BareCell> pool;
    const auto rowHeight = g.cell.height;
    frames = scrollToEnd(drawn, *scroll, g.contentHeight, [&](double y) {
      const auto firstRow = static_cast<std::size_t>(y / rowHeight);
      const auto lastRow = static_cast<std::size_t>((y + scroll->bounds().size.height) / rowHeight);
      std::size_t used = 0;
      for (std::size_t row = firstRow; row <= lastRow; ++row) {
        for (std::size_t c = 0; c < g.columns; ++c) {
          const std::size_t index = row * g.columns + c;
          if (index >= w.names.size()) break;
          if (used == pool.size()) {
            BareCell cell;
            cell.view = std::make_shared<ui::View>(ui::Rect{0, 0, g.cell.width, g.cell.height});
            cell.picture = std::make_shared<ui::ImageView>(ui::Rect{10, 10, g.cell.width - 20, 140});
            cell.picture->setBackgroundColor(gfx::Color::white(0.9));
            cell.name = std::make_shared<ui::Label>(ui::Rect{10, 155, g.cell.width - 20, 20});
            cell.price = std::make_shared<ui::Label>(ui::Rect{10, 180, g.cell.width - 20, 20});
            cell.view->addSubview(cell.picture);
            cell.view->addSubview(cell.name);
            cell.view->addSubview(cell.price);
            scroll->addSubview(cell.view);
            pool.push_back(cell);
          }
          BareCell& cell = pool[used++];
          cell.view->setHidden(false);
          cell.view->setFrame({g.left + static_cast<double>(c) * g.cell.width, static_cast<double>(row) * rowHeight,
                               g.cell.width, g.cell.height});
          cell.name->setText(w.names[index]);
          cell.price->setText("$" + std::to_string(index % 1000) + ".50");
        }
      }
      for (std::size_t i = used; i < pool.size(); ++i) pool[i].view->setHidden(true);
    });
    ui::Application::sharedInstance().removeWindow(window.get());
  }
  state.counters["frames"] = static_cast<double>(frames);
}

BENCHMARK(BM_CatalogGridOpenAndScroll)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_BaselineBareCells)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  bench::runBenchmarks(argc, argv, gProducts);
  gWorld.reset();
  return 0;
}
