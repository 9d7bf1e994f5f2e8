#pragma once
// The catalogue tab as the application shows it, over the signed-in
// client's store: the session's services with the catalogue and the orders
// installed, a window, and the tab's screen in a tab bar inside it, drawn
// headless. Made and ended untimed by the benchmarks; `show` is what they time.
#include <memory>

#include "BenchFrames.hpp"
#include "catalog/CatalogViewController.hpp"
#include "platform/ui/TabBarController.hpp"
#include "platform/ui/Window.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "sync/SessionServices.hpp"
#include "widgets/grid/GridView.hpp"

namespace bench {

class CatalogTab {
 public:
  CatalogTab();
  // The window goes, the work it left runs, and the services end.
  ~CatalogTab();
  CatalogTab(const CatalogTab&) = delete;
  CatalogTab& operator=(const CatalogTab&) = delete;

  // Makes the tab's screen and shows it laid out, and unless told not to,
  // waits for the lists its workers read (the grid's products, the panel's
  // counts) and shows them; false when no screen was made.
  bool show(bool untilListsShown = true);
  // Whether the grid and the panel show what their workers read.
  bool listsShown();
  // Shows another screen of the session instead, at the root of a
  // navigation stack, laid out.
  void present(std::shared_ptr<ui::ViewController> screen);
  mv::SessionServices& services() { return *services_; }
  mv::CatalogViewController& screen() { return *screen_; }
  // The screen's product grid (once shown).
  mv::GridView& grid();
  Frames& frames() { return *frames_; }

 private:
  mv::FeatureWiring wiring_;
  std::shared_ptr<mv::SessionServices> services_;
  std::shared_ptr<ui::Window> window_;
  std::unique_ptr<Frames> frames_;
  std::shared_ptr<mv::CatalogViewController> screen_;
  std::shared_ptr<ui::TabBarController> tabs_;
};

}  // namespace bench
