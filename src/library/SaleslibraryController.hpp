#pragma once
// The Sales Library tab: the category panel on the left and the file grid
// of the tab chosen in the tab strip ("MYLIBRARY": every file,
// "MYCOLLECTION": the files on the device), each in a navigation controller
// of its own. The menu button and the grids' pans slide the panel in and
// out; the grid of the collection is made on the first switch to it and
// kept, with its filter, sort and scroll state.
#include <memory>
#include <vector>

#include "library/BrowserTabView.hpp"
#include "library/LibraryCatalogController.hpp"
#include "library/LibraryDetailController.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/NavigationController.hpp"
#include "shell/frame/BaseViewController.hpp"
#include "shell/frame/ShellActions.hpp"

namespace mv {

class ConfigManager;
class SaleslibraryModel;

class SaleslibraryController : public BaseViewController,
                               public BrowserTabViewDelegate,
                               public TabVisits {
 public:
  static constexpr long kMasterViewTag = 6003;
  static constexpr long kDetailViewTag = 6004;
  static constexpr int kLibraryTabIndex = 4;
  static constexpr double kPanelWidth = 244;
  static constexpr double kPanelHeight = 712;
  static constexpr double kPanelDuration = 0.3;

  // The frames of the screen's own parts with the panel shown or hidden.
  struct Layout {
    ui::Rect toggle;
    ui::Rect master;
    ui::Rect topBar;
    const char* toggleImage;
  };
  static Layout layoutFor(bool masterHidden);

  // The library of the manager's session (never null), with that session's
  // configuration.
  SaleslibraryController(std::shared_ptr<SaleslibraryModel> manager, std::shared_ptr<ConfigManager> config);
  ~SaleslibraryController() override;

  void viewDidLoad() override;
  void viewAfterFirstDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void viewDidDisappear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;

  // The panels go up when the library's tab is entered and down when it is left.
  void tabEntered() override { addLibraryView(); }
  void tabLeft() override { removeLibraryView(); }
  void addLibraryView();
  void removeLibraryView();

  void ControlMasterClicked();
  void ShowMasterView();
  void HideMasterView();
  bool isMasterViewHiddened() const { return isMasterViewHidden_; }

  void BrowserTabViewDidSelecedAtIndex(BrowserTabView& tabView, long index) override;

  // ---- state ---------------------------------------------------------------------
  long tabIndex() const { return tabIndex_; }
  BrowserTabView& tabController() const { return *tabController_; }
  ui::Button& controlMasterBtn() const { return *controlMasterBtn_; }
  const std::shared_ptr<LibraryCatalogController>& catalogController() const { return catalog_; }
  const std::shared_ptr<ui::NavigationController>& masterController() const { return masterController_; }
  const std::shared_ptr<ui::NavigationController>& detailController() const { return detailController_; }
  const std::vector<std::shared_ptr<LibraryDetailController>>& detailViewsArray() const { return detailViewsArray_; }

 private:
  std::shared_ptr<LibraryDetailController> makeGrid(int libraryTab);
  void slidePanel(bool hide);
  void applyLayout(bool hidden);
  template <typename Forward>
  void forEachPanel(Forward forward);

  std::shared_ptr<BrowserTabView> tabController_;
  std::shared_ptr<ui::Button> controlMasterBtn_;
  std::shared_ptr<ui::ImageView> catalogNavBgImageView_;
  std::shared_ptr<SaleslibraryModel> manager_;
  std::shared_ptr<ConfigManager> config_;
  std::shared_ptr<LibraryCatalogController> catalog_;
  std::shared_ptr<ui::NavigationController> masterController_;
  std::shared_ptr<ui::NavigationController> detailController_;
  std::vector<std::shared_ptr<LibraryDetailController>> detailViewsArray_;
  bool isMasterViewHidden_ = false;
  long tabIndex_ = 0;
  std::vector<base::Observation> observations_;
};

}  // namespace mv
