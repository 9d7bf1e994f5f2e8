#pragma once
// The product screen: one product on a full-width page with its main picture
// and the strip of its pictures, name, SKU, price and discount, its tags, the
// attribute picker, the panel of description, related products and related
// materials, the compare and favourite toggles, and the quantity with the
// add-to-order button. Opened on a list, it walks to the previous and next
// product by arrows and swipes. The order editor opens it on an order line
// ("order mode"), where the button saves the line back through the delegate.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalog/AddToOrderFlow.hpp"
#include "catalog/ProductAttributesListView.hpp"
#include "catalog/ProductDescView.hpp"
#include "catalog/ProductDetailImageController.hpp"
#include "catalog/ProductDetailManyImageCell.hpp"
#include "catalog/ProductListPosition.hpp"
#include "catalog/ProductRelatedFileController.hpp"
#include "catalog/RelatedProductViewcontroller.hpp"
#include "platform/base/CancelTracker.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/GestureRecognizer.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/ScrollView.hpp"
#include "platform/ui/TextField.hpp"
#include "shell/frame/BaseViewController.hpp"
#include "shell/frame/PopControllerDelegate.hpp"
#include "sync/SessionServices.hpp"
#include "widgets/IconButton.hpp"
#include "widgets/PictureLoader.hpp"

namespace mv {

// The opener that takes an edited order line back (the order editor), or
// that only needs the screen to know it has an opener (the inventory).
class ProductDetailDelegate {
 public:
  virtual ~ProductDetailDelegate() = default;
  // Replace line `index` by the product's `count` and attribute text
  // (`attributes`); false, and nothing changed, when the line would pass the
  // quantity cap (merged into another line of the same code and attributes).
  virtual bool saveOrderItem(const marvisto_product_Entity& /*product*/, int /*index*/) { return true; }
  // Leave the product screen.
  virtual void back() {}
};

class ProductDetailController : public BaseViewController,
                                public ProductDetailManyImageCellDelegate,
                                public ui::ScrollViewDelegate,
                                public ui::TextFieldDelegate,
                                public AddToOrderFlowDelegate,
                                public ProductDetailImageDelegate {
 public:
  // The panels of the switch.
  static constexpr unsigned kRelatedMaterialsPanel = 0;
  static constexpr unsigned kRelatedProductsPanel = 1;
  static constexpr unsigned kDescriptionPanel = 2;
  static constexpr long kFirstThumbTag = 100;
  static constexpr double kPageTransitionDuration = 0.4;
  static constexpr double kBounceDistance = 100;
  static constexpr double kBounceDuration = 0.2;
  static constexpr double kBrowserRefreshDelay = 0.3;
  static constexpr double kKeyboardLift = -292;
  static constexpr double kKeyboardDuration = 0.25;
  static constexpr double kCountMinimumFontSize = 10;
  inline static const ui::Rect kViewFrame{0, 0, 1024, 638};
  inline static const ui::Rect kTagStripFrame{620, 120, 390, 35};
  inline static const ui::Rect kDescriptionFrame{620, 245, 352, 117};
  inline static const ui::Rect kRelatedPanelFrame{620, 220, 364, 144};

  // Reads the product from the session's database, adds through its basket
  // and opens related files through its library.
  explicit ProductDetailController(SessionServices& services) : services_(services.shared_from_this()) {}
  ~ProductDetailController() override;

  // Shows one product on `nav` as a screen of its own (the inventory, the
  // order editor): the bar shown with a "BACK" button that runs `back`, no
  // previous or next product.
  static std::shared_ptr<ProductDetailController> pushAlone(SessionServices& services, ui::NavigationController& nav,
                                                            const marvisto_product_Entity& product,
                                                            std::weak_ptr<ProductDetailDelegate> delegate,
                                                            std::function<void()> back);
  // A "BACK" button in the navigation bar that runs `back`; its title
  // follows the interface language.
  void setBackButton(std::function<void()> back);
  ui::Button* backButton() const { return backButton_.get(); }

  // ---- what openers set before the push ----------------------------------------------
  void setProductEntity(const marvisto_product_Entity& product);
  const marvisto_product_Entity& productEntity() const { return productEntity_; }
  int productID() const { return productID_; }
  void setProductID(int productId) { productID_ = productId; }
  // The list previous and next walk through, and the product's index in it;
  // a list the grid shows is shared, not copied (it may be a whole company's).
  void setProductList(std::shared_ptr<const std::vector<marvisto_product_Entity>> products, long index);
  void setProductList(std::vector<marvisto_product_Entity> products, long index) {
    setProductList(std::make_shared<const std::vector<marvisto_product_Entity>>(std::move(products)), index);
  }
  const std::vector<marvisto_product_Entity>& productArray() const { return *productArray_; }
  const ProductListPosition& position() const { return position_; }
  // The opener's title label, which the screen re-titles as it moves.
  void setLblTitle(std::shared_ptr<ui::Label> label) { lblTitle_ = std::move(label); }
  // The title of the product at `index` of `count` in `label`: the name and
  // "( n / count )", the name shortened where the whole would not fit the
  // title's width while a product is open, so the count always shows.
  static std::string titleFor(const std::string& name, long index, std::size_t count, const ui::Label& label);
  // The tag the product was reached through (the grid in tag mode).
  void setCurrentTag(std::optional<std::string> tag) { m_currentTag_ = std::move(tag); }
  void setDelegate(std::weak_ptr<ProductDetailDelegate> delegate) { delegate_ = std::move(delegate); }
  bool isPushFromOrder() const { return isPushFromOrder_; }
  void setIsPushFromOrder(bool fromOrder) { isPushFromOrder_ = fromOrder; }
  bool isInEdit() const { return isInEdit_; }
  // The button saves the order line while set; applied at once when the
  // screen is already showing an order line.
  void setIsInEdit(bool inEdit);
  int itemIndex() const { return itemIndex_; }
  void setItemIndex(int index) { itemIndex_ = index; }

  // ---- the parts openers reach --------------------------------------------------------
  ProductAttributesListView& attributeView() const { return *attributeView_; }
  ui::TextField& countTextField() const { return *countTextField_; }
  ui::Button& deleteBtn() const { return *deleteBtn_; }
  ui::Button& addBtn() const { return *addBtn_; }
  IconButton& addToOrderBtn() const { return *addToOrderBtn_; }
  ui::Button& compareBtn() const { return *compareBtn_; }
  ui::Button& favBtn() const { return *favBtn_; }
  ui::Button& tapToLeftProduct() const { return *m_tapToLeftProduct_; }
  ui::Button& tapToRightProduct() const { return *m_tapToRightProduct_; }
  const std::vector<std::shared_ptr<ui::GestureRecognizer>>& swipeGestureRecognizers() const {
    return swipeGestureRecognizers_;
  }
  // Hides both arrows and takes the swipes away: a single product.
  void removeProductMoves();

  // ---- parts shown (tests and the screenshot tour) --------------------------------------
  ui::ImageView& productImageView() const { return *productImageView_; }
  ui::ScrollView& manyImagesView() const { return *manyImagesView_; }
  ui::ScrollView& tagsChooseView() const { return *m_tagsChooseView_; }
  const std::vector<std::string>& tagNames() const { return m_dataArray_; }
  ui::Label& productNameLabel() const { return *productNameLabel_; }
  ui::Label& skuLabel() const { return *skuLabel_; }
  ui::Label& skuTittle() const { return *skuTittle_; }
  ui::Label& priceLabel() const { return *priceLabel_; }
  ui::Label& priceTittle() const { return *priceTittle_; }
  ui::Label& discountprice() const { return *discountprice_; }
  ProductDescView& descriptionView() const { return *descriptionView_; }
  ui::Button& switchButton(unsigned index) const { return *switchButtons_.at(index); }
  unsigned switchIndex() const { return switchIndex_; }
  long imgIndex() const { return imgIndex_; }
  const std::vector<marvisto_image_Entity>& manyImagesArray() const { return manyImagesArray_; }
  const std::shared_ptr<AddToOrderFlow>& addFlow() const { return addFlow_; }
  const std::vector<marvisto_product_Entity>& relatedProducts() const { return relatedProducts_; }
  const std::vector<marvisto_library_files_Entity>& productRelateFiles() const { return productRelateFiles_; }
  const std::shared_ptr<ProductRelatedFileController>& relatedFileController() const { return relatedFileController_; }
  const std::shared_ptr<RelatedProductViewcontroller>& relatedProductController() const {
    return relatedProductController_;
  }
  // The image browser while it is open.
  const std::shared_ptr<ProductDetailImageController>& imageController() const { return imageController_; }

  // ---- actions ---------------------------------------------------------------------------
  void productCompare();
  void addProductToFavorite();
  void deleteCount();
  void addCount();
  void setCurrentDescRelatedIndex(unsigned index);
  void RelatedBtnClicked();
  void RelatedFileBtnClicked();
  void addToOrder();
  // The previous product (the left arrow, a right swipe) and the next one.
  void slipToRight();
  void slipToLeft();
  void onClickImage();
  void clickOtherTags(long index);
  // The image browser's move: 1 previous, 2 next (past the last product to
  // the first during a slide show); the screen refreshes a moment later.
  void changeProduct(int direction, bool slideshow) override;
  void refreshData();
  void refreshTitle();
  void refreshItemNumberInOrder();
  // The compare and favourite toggles as the lists hold the product now.
  void refreshToggles();

  void didSelectedManyImage(ProductDetailManyImageCell& cell) override;
  void dismissPopController(bool animated) override;

  // ---- the screen's life -----------------------------------------------------------------
  void loadView() override;
  void viewDidLoad() override;
  void viewAfterFirstDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;

  void scrollViewWillEndDragging(ui::ScrollView& scrollView, ui::Point velocity, ui::Point& target) override;
  void textFieldDidBeginEditing(ui::TextField& field) override;
  void textFieldDidEndEditing(ui::TextField& field) override;
  bool textFieldShouldReturn(ui::TextField& field) override;
  void addToOrderFlowDidAdd(const marvisto_product_Entity& product, std::size_t cellIndex) override;
  void addToOrderFlowOrderReplaced() override;

 private:
  DataAccessManager& store() const { return services_->database(); }
  void buildViews();
  void addValues();
  void applyOrderMode();
  void fillProduct();
  void setProductPrice();
  void initTagsScrollView();
  void getManyImagesShowData();
  void initDescRelateSwitch();
  void refreshArrows();
  void loadAttributes();
  void showMainImage(const std::string& fileName);
  // The move to the neighbour, or the bounce when there is none.
  void moveProduct(ProductListPosition::Move move);
  void showProductAt(long index);
  void saveEditedLine(int count);
  bool hasOpener() const { return !delegate_.expired(); }
  std::string titleText() const;
  void toggleList(bool compare);
  // The application's outermost navigation stack, over the tab bar.
  ui::NavigationController* rootNavigationController() const;
  // Hands the browser the shown product's pictures, prices and title.
  void fillBrowser(ProductDetailImageController& browser);

  std::shared_ptr<SessionServices> services_;
  marvisto_product_Entity productEntity_;
  int productID_ = 0;
  std::shared_ptr<const std::vector<marvisto_product_Entity>> productArray_ =
      std::make_shared<const std::vector<marvisto_product_Entity>>();
  ProductListPosition position_;
  std::vector<marvisto_image_Entity> manyImagesArray_;
  long imgIndex_ = 0;
  long currentIndex_ = -1;
  unsigned switchIndex_ = kDescriptionPanel;
  bool isInEdit_ = false;
  int itemIndex_ = 0;
  bool isPushFromOrder_ = false;
  std::weak_ptr<ProductDetailDelegate> delegate_;
  std::shared_ptr<ui::Label> lblTitle_;
  std::optional<std::string> m_currentTag_;
  std::vector<std::string> m_dataArray_;
  bool tagStripInUse_ = false;

  std::shared_ptr<ui::Label> productNameTittle_, skuTittle_, priceTittle_;
  std::shared_ptr<ui::Label> productNameLabel_, skuLabel_, priceLabel_, discountprice_;
  std::shared_ptr<ui::ImageView> productImageView_;
  // Reads the picture on display at the size it is shown.
  std::shared_ptr<PictureLoader> mainPicture_;
  std::shared_ptr<ui::ScrollView> manyImagesView_;
  std::vector<std::shared_ptr<ui::ImageView>> dividers_;
  std::shared_ptr<ProductAttributesListView> attributeView_;
  std::shared_ptr<ui::Button> relatedBtn_, relatedFileBtn_, compareBtn_, favBtn_, deleteBtn_, addBtn_;
  std::shared_ptr<ui::TextField> countTextField_;
  std::shared_ptr<IconButton> addToOrderBtn_;
  std::shared_ptr<ui::ScrollView> m_tagsChooseView_;
  std::shared_ptr<ui::Button> m_tapToLeftProduct_, m_tapToRightProduct_;
  std::vector<std::shared_ptr<ui::Button>> switchButtons_;
  // The line under the chosen switch button.
  std::shared_ptr<ui::View> switchMark_;
  std::shared_ptr<ProductDescView> descriptionView_;
  // The views of the related-materials and related-products panels.
  std::shared_ptr<ui::View> relatedFilePanel_, relatedProductPanel_;
  std::vector<marvisto_product_Entity> relatedProducts_;
  std::shared_ptr<RelatedProductViewcontroller> relatedProductController_;
  std::vector<marvisto_library_files_Entity> productRelateFiles_;
  std::shared_ptr<ProductRelatedFileController> relatedFileController_;
  std::shared_ptr<ui::Label> navigationTitle_;
  std::vector<std::shared_ptr<ui::GestureRecognizer>> swipeGestureRecognizers_;
  std::shared_ptr<AddToOrderFlow> addFlow_;
  std::shared_ptr<ProductDetailImageController> imageController_;
  std::shared_ptr<ui::Button> backButton_;
  // Where the screen stood before typing lifted it.
  std::optional<ui::Rect> frameBeforeLift_;
  // The delayed refreshes after the image browser moved the product.
  base::CancelTracker timers_;
};

}  // namespace mv
