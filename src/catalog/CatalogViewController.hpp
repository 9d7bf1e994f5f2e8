#pragma once
// The catalogue tab: the left panel with the category tree and the tag list,
// the product grid beside or under it with the product screens pushed over
// it, and the top bar (panel button, back, search, title, sort order,
// compare and favourites). It moves the panel in and out, switches the top
// bar between its three states (panel shown, panel hidden, product open) and
// is the hub of the catalogue's notifications.
#include <memory>
#include <string>
#include <vector>

#include "catalog/CatalogLayout.hpp"
#include "catalog/CatalogNotifications.hpp"
#include "catalog/DetailViewController.hpp"
#include "catalog/DetailViewDelegate.hpp"
#include "catalog/MasterViewController.hpp"
#include "catalog/ProductCompareController.hpp"
#include "catalog/ProductFavoriteController.hpp"
#include "catalog/ProductSearchResults.hpp"
#include "platform/ui/PopoverController.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/SearchBar.hpp"
#include "shell/frame/BaseViewController.hpp"
#include "shell/frame/PopControllerDelegate.hpp"
#include "shell/frame/ShellActions.hpp"
#include "sync/SessionServices.hpp"
#include "widgets/OrderingController.hpp"

namespace mv {

class CatalogViewController : public BaseViewController,
                              public TabVisits,
                              public DetailViewDelegate,
                              public OrderingControllerDelegate,
                              public PopControllerDelegate,
                              public ProductSearchResultsDelegate,
                              public ProductCompareDelegate,
                              public ProductFavoriteDelegate,
                              public ui::PopoverControllerDelegate,
                              public ui::SearchBarDelegate {
 public:
  static constexpr long kMasterViewTag = 6001;
  static constexpr long kDetailViewTag = 6002;
  static constexpr double kPanelDuration = 0.3;
  // The sort orders' keys, in the order of their indexes.
  static const std::vector<std::string>& orderingNames();

  // The tab's screens read the session's database and add to its order.
  explicit CatalogViewController(SessionServices& services) : services_(services.shared_from_this()) {}
  ~CatalogViewController() override;

  void viewDidLoad() override;
  void viewAfterFirstDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void viewDidDisappear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;

  // ---- the tab bar -----------------------------------------------------------------
  // The panels go up when the catalogue's tab is entered and down when it is left.
  void tabEntered() override { addCatologView(); }
  void tabLeft() override { removeCalogView(); }
  void addCatologView();
  void removeCalogView();

  // ---- the grid ----------------------------------------------------------------------
  void setMasterViewHidded(bool hidden, base::Point beginPoint) override;
  void productCellClicked() override;

  // ---- the top bar ---------------------------------------------------------------------
  void ControlMasterClicked();
  void backButtonClicked();
  // Opens the product screen on a product chosen in another list, with the
  // whole list for previous and next.
  void setCatalogLayOut(const ProductListChoice& choice);
  void detailOnClickTagListener(const std::string& tagName);
  void btnCompareClicked();
  void btnFavoritesClicked();
  void orderingDidSelected(OrderingController& controller, std::size_t selectedIndex) override;

  // ---- search ------------------------------------------------------------------------------
  // Every change of the search text searches again and shows the results
  // beside the field (nothing when none matched).
  void searchBarTextDidChange(ui::SearchBar& bar, const std::string& searchText) override;
  void searchBarSearchButtonClicked(ui::SearchBar& bar) override;
  // The results closed by a tap outside them: the box starts afresh.
  void popoverControllerDidDismissPopover(ui::PopoverController& popover) override;
  void didselectSearchResult(const marvisto_product_Entity& product, long index) override;
  const std::vector<marvisto_product_Entity>& searchProductArray() const { return searchProductArray_; }
  const std::shared_ptr<ui::PopoverController>& serchController() const { return serchController_; }
  void dismissPopController(bool animated) override;
  void changeAddCompareButtonState() override;
  void changeAddFavoriteButtonState() override;

  // Lays the screen out for its present state, without animation.
  void adjustMasterAndDetailPostion();
  void showMasterViewWithDetailViewChanging();
  void hiddenMasterViewWithDetailViewChanging();
  CatalogLayout::State currentLayoutState() const;

  // ---- state -----------------------------------------------------------------------------
  bool isMasterViewHiddened() const { return isMasterViewHiddened_; }
  ui::Button& btnMenu() const { return *btnMenu_; }
  ui::Button& btnBack() const { return *btnBack_; }
  ui::Button& compareButton() const { return *compareBtn_; }
  ui::Button& favoritesButton() const { return *favBtn_; }
  ui::SearchBar& searchBar() const { return *searchBar_; }
  ui::Label& lblTitle() const { return *lblTitle_; }
  ui::ImageView& catalogNavBgImageView() const { return *catalogNavBgImageView_; }
  OrderingController& orderingController() const { return *orderingController_; }
  const std::shared_ptr<ui::NavigationController>& masterController() const { return masterController_; }
  const std::shared_ptr<ui::NavigationController>& detailController() const { return detailController_; }
  const std::shared_ptr<MasterViewController>& masterViewController() const { return master_; }
  const std::shared_ptr<DetailViewController>& detailViewController() const { return detail_; }

 private:
  // Sets the parts of the top bar that a state shows.
  void applyBar(const CatalogLayout::Frames& frames);
  void applyPanelState(CatalogLayout::State state);
  void returnToGrid(const std::optional<std::string>& tagName);
  bool gridIsRoot() const;
  template <typename Forward>
  void forEachPanel(Forward forward);

  std::shared_ptr<SessionServices> services_;
  std::shared_ptr<ui::Button> btnMenu_;
  std::shared_ptr<ui::Button> btnBack_;
  std::shared_ptr<ui::Button> compareBtn_;
  std::shared_ptr<ui::Button> favBtn_;
  std::shared_ptr<ui::SearchBar> searchBar_;
  std::shared_ptr<ui::Label> lblTitle_;
  std::shared_ptr<ui::ImageView> catalogNavBgImageView_;
  std::shared_ptr<OrderingController> orderingController_;
  std::shared_ptr<MasterViewController> master_;
  std::shared_ptr<DetailViewController> detail_;
  std::shared_ptr<ui::NavigationController> masterController_;
  std::shared_ptr<ui::NavigationController> detailController_;
  bool isMasterViewHiddened_ = false;
  std::vector<CatalogObservation> observations_;
  std::vector<marvisto_product_Entity> searchProductArray_;
  std::shared_ptr<ui::PopoverController> serchController_;
};

}  // namespace mv
