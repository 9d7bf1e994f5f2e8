#pragma once
// The right side of the catalogue tab, under the top bar: the grid of product
// cards of the category or tag the left panel chose, beside the panel or under
// it as the company's configuration says, in one of four orders. A card's
// picture opens the product screen (pushed over the grid on the catalogue's
// detail stack); its cart button adds the product to the current order.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalog/AddToOrderFlow.hpp"
#include "catalog/BackgroundRead.hpp"
#include "catalog/CatalogNotifications.hpp"
#include "catalog/DetailCell.hpp"
#include "catalog/DetailViewDelegate.hpp"
#include "platform/base/CancelTracker.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/ActivityIndicatorView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/PanGestureRecognizer.hpp"
#include "platform/ui/PopoverController.hpp"
#include "shell/frame/BaseViewController.hpp"
#include "sync/SessionServices.hpp"
#include "widgets/grid/GridView.hpp"

namespace mv {

class DetailViewController : public BaseViewController,
                             public GridViewDataSource,
                             public GridViewDelegate,
                             public DetailCellDelegate,
                             public AddToOrderFlowDelegate {
 public:
  // What a list is read from: a category's products, a tag's, or else the
  // list shown, sorted again.
  struct Source {
    std::optional<int> categoryId;
    std::optional<std::vector<int>> tagProducts;
    std::shared_ptr<const std::vector<marvisto_product_Entity>> shown;
  };
  // The list, prices and pictures a worker read for the grid.
  struct Loaded {
    std::vector<marvisto_product_Entity> products;
    long sortType = 0;
    std::optional<std::map<int, marvisto_product_price_Entity>> prices;
    std::optional<std::map<int, marvisto_image_Entity>> images;
  };
  inline static const ui::Rect kBesidePanel{250, 0, 774, 648};
  inline static const ui::Rect kFullWidth{0, 0, 1024, 648};
  inline static const ui::Size kCellSize{193, 212};
  // How far a sideways swipe must go to move the left panel.
  static constexpr double kPanThreshold = 100;
  inline static const ui::Size kAddToOrderPopoverSize{400, 250};

  // The grid's frame: beside the panel only for the left panel type "normal".
  static ui::Rect gridFrame(bool normalPanel) { return normalPanel ? kBesidePanel : kFullWidth; }
  // Whether the company signed in for `services` sets the grid beside the panel.
  static bool isNormalPanel(SessionServices& services);

  // Reads the products from the session's database; opens the product
  // screen with the same services.
  explicit DetailViewController(SessionServices& services) : services_(services.shared_from_this()) {}
  ~DetailViewController() override;

  void loadView() override;
  void viewDidLoad() override;
  void viewAfterFirstDidLoad() override;
  void viewWillAppear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;

  GridView& productShowView() const { return *productShowView_; }
  std::shared_ptr<DetailViewDelegate> detailViewDelegate() const { return detailViewDelegate_.lock(); }
  void setDetailViewDelegate(std::weak_ptr<DetailViewDelegate> d) { detailViewDelegate_ = std::move(d); }
  // The catalogue screen's title label, which the grid writes.
  void setLblTitle(std::shared_ptr<ui::Label> label) { lblTitle_ = std::move(label); }

  // ---- what the notifications ask --------------------------------------------------------
  // The products of a category (0 all, -1 those under none); in tag mode
  // the tag's products stay and are sorted again.
  void getImgShowData(int categoryId);
  // The products of a tag; nothing empties the grid.
  void refushRightData(const std::optional<TagProducts>& tag);
  void sortproduct(long type);
  void switchProductStyle();

  // Back to the grid at its top, each card with its count in the order.
  void showAllImageCell();

  // ---- cards -------------------------------------------------------------------------------------
  void didSelectedImage(DetailCell& cell) override;
  void addToOrder(DetailCell& cell) override;
  void addToOrderFlowDidAdd(const marvisto_product_Entity& product, std::size_t cellIndex) override;
  void addToOrderFlowOrderReplaced() override;
  void addToOrderFlowPresentChooser(const std::shared_ptr<ui::ViewController>& chooser,
                                    std::size_t cellIndex) override;
  void panMove(ui::PanGestureRecognizer& pan);

  std::size_t numberOfItemsInGridView(GridView& gridView) override;
  std::shared_ptr<GridViewCell> gridViewCellForItemAtIndex(GridView& gridView, std::size_t index) override;
  std::optional<base::Size> portraitGridCellSizeForGridView(GridView& gridView) override;

  // ---- state ---------------------------------------------------------------------------------------
  // Whether the list to show is being read and sorted on a worker; the grid
  // is empty under a spinner meanwhile.
  bool isLoading() const { return loading_.has_value(); }
  const std::vector<marvisto_product_Entity>& productArray() const { return *productArray_; }
  const std::string& tagTitle() const { return tagTitle_; }
  long sortType() const { return sortType_; }
  bool isAll() const { return isAll_; }
  bool isUncategorized() const { return isUncategorized_; }
  double panDistance() const { return panDistance_; }
  const std::shared_ptr<AddToOrderFlow>& addFlow() const { return addFlow_; }
  const std::shared_ptr<ui::PopoverController>& addToOrderPopController() const { return addToOrderPopController_; }
  // The card showing item `index`, when it is on screen.
  std::shared_ptr<DetailCell> cardAt(std::size_t index) const;

 private:
  void setTitle(const std::string& text);
  // The title of what the grid shows, in the language of the moment.
  std::string gridTitle() const;
  DataAccessManager& store() const { return services_->database(); }
  // Reads the list of `source` with every price and picture and sorts it,
  // all on a worker's own read-only connection: the list grows with the
  // company, and the window must not wait for it. A newer request drops
  // the result of an older one.
  void load(Source source);
  void showLoaded(Loaded loaded);
  // Ends the lists shown on a worker.
  void disposeLists();

  std::shared_ptr<SessionServices> services_;
  std::shared_ptr<GridView> productShowView_;
  std::shared_ptr<ui::ActivityIndicatorView> spinner_;
  // The read under way, cancelled by a newer one and when the screen ends.
  std::optional<base::CancelFlag> loading_;
  // A refused read's next attempt.
  base::CancelTracker retries_;
  RefusedReads refused_;
  std::weak_ptr<DetailViewDelegate> detailViewDelegate_;
  std::shared_ptr<ui::Label> lblTitle_;
  // Shared with the product screen opened from it, never copied.
  std::shared_ptr<const std::vector<marvisto_product_Entity>> productArray_ = noProducts();
  static std::shared_ptr<const std::vector<marvisto_product_Entity>> noProducts() {
    return std::make_shared<const std::vector<marvisto_product_Entity>>();
  }
  // The product's quantity in the current order (0 without one).
  std::uint64_t itemNumberInOrder(int productId) const;
  std::string tagTitle_;
  long sortType_ = 0;
  // Every product's price and picture, by product id, read at once with
  // the products: a card asks for them as it scrolls in. Empty when the
  // read failed, and then each card reads its own.
  std::optional<std::map<int, marvisto_product_price_Entity>> priceDic_;
  std::optional<std::map<int, marvisto_image_Entity>> imageDic_;
  // The card's price (its discount worked out now) and picture.
  marvisto_product_price_Entity priceOf(int productId);
  std::optional<std::string> thumbOf(int productId);
  bool isAll_ = true;
  bool isUncategorized_ = false;
  double panDistance_ = 0;
  ui::Point panBegin_;
  std::shared_ptr<AddToOrderFlow> addFlow_;
  std::shared_ptr<ui::PopoverController> addToOrderPopController_;
  std::vector<CatalogObservation> observations_;
};

}  // namespace mv
