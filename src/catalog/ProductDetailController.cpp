#include "catalog/ProductDetailController.hpp"

#include <algorithm>

#include "catalog/CatalogFeedback.hpp"
#include "catalog/CatalogLayout.hpp"
#include "catalog/CatalogMode.hpp"
#include "catalog/CatalogNotifications.hpp"
#include "catalog/OrderBasket.hpp"
#include "catalog/ProductDetailLayout.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/BarButtonItem.hpp"
#include "platform/ui/SwipeGestureRecognizer.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "platform/ui/WeakAs.hpp"
#include "platform/ui/Window.hpp"
#include "shell/frame/ShellActions.hpp"
#include "shell/config/Language.hpp"
#include "shell/config/SkinManager.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

using Self = ProductDetailController;

std::shared_ptr<ui::Label> caption(const ui::Rect& frame) {
  auto label = std::make_shared<ui::Label>(frame);
  label->setFont(gfx::Font::systemFont(15));
  label->setTextColor(gfx::Color::gray());
  label->setBackgroundColor(gfx::Color::clear());
  return label;
}

std::shared_ptr<ui::Label> value(const ui::Rect& frame, double size) {
  auto label = std::make_shared<ui::Label>(frame);
  label->setFont(gfx::Font::boldSystemFont(size));
  label->setTextColor(gfx::Color::darkGray());
  label->setBackgroundColor(gfx::Color::clear());
  return label;
}

std::string captionText(const char* key) { return Language::format("%@:", {CatalogFeedback::text(key)}); }

const ui::Rect kNameFrame{685, 16, 325, 24};
constexpr double kNameMaxHeight = 46;

constexpr long kBarBackgroundTag = 6101;

const char* const kSwitchKeys[] = {"RELATEDMATERIALS", "RELATEDPRODUCTS", "DESCRIPTION"};

}  // namespace

ProductDetailController::~ProductDetailController() {
  if (manyImagesView_) manyImagesView_->setDelegate({});
  if (countTextField_) countTextField_->setDelegate({});
}

std::shared_ptr<ProductDetailController> ProductDetailController::pushAlone(
    SessionServices& services, ui::NavigationController& nav, const marvisto_product_Entity& product, std::weak_ptr<ProductDetailDelegate> delegate,
    std::function<void()> back) {
  auto screen = std::make_shared<ProductDetailController>(services);
  screen->setProductEntity(product);
  screen->setDelegate(std::move(delegate));
  nav.pushViewController(screen, true);
  nav.setNavigationBarHidden(false);
  screen->setBackButton(std::move(back));
  // The skin's bar picture, once per bar however often a product is shown.
  auto& bar = nav.navigationBar();
  if (!bar.viewWithTag(kBarBackgroundTag)) {
    auto background = std::make_shared<ui::ImageView>(ui::Rect{-1, 0, bar.bounds().width() + 1, bar.bounds().height()});
    background->setImage(SkinManager::skinFromImageName("topbar-bg.png"));
    background->setTag(kBarBackgroundTag);
    bar.insertSubview(background, 1);
  }
  screen->removeProductMoves();
  return screen;
}

void ProductDetailController::setBackButton(std::function<void()> back) {
  backButton_ = std::make_shared<ui::Button>(ui::Rect{0, 0, 78, 34}, ui::ButtonType::Custom);
  backButton_->setTitle(CatalogFeedback::text("BACK"));
  ViewStyle::initializeToBackButtonHeight34(*backButton_);
  backButton_->addAction([back = std::move(back)](ui::Control&, const ui::Event*) {
    if (back) back();
  }, ui::ControlEventTouchUpInside);
  navigationItem().setLeftBarButtonItem(std::make_shared<ui::BarButtonItem>(backButton_));
}

// ---- what openers set ---------------------------------------------------------------------

void ProductDetailController::setProductEntity(const marvisto_product_Entity& product) {
  productEntity_ = product;
  productID_ = product.product_id;
}

void ProductDetailController::setProductList(std::shared_ptr<const std::vector<marvisto_product_Entity>> products,
                                             long index) {
  if (!products) products = std::make_shared<const std::vector<marvisto_product_Entity>>();
  productArray_ = std::move(products);
  position_ = ProductListPosition(index, static_cast<long>(productArray_->size()));
}

void ProductDetailController::setIsInEdit(bool inEdit) {
  isInEdit_ = inEdit;
  if (!addToOrderBtn_) return;
  addToOrderBtn_->setIconType(inEdit ? IconButtonTypeSaveOrder : IconButtonTypeAddToOrder);
  if (isPushFromOrder_) applyOrderMode();
}

void ProductDetailController::removeProductMoves() {
  if (!isViewLoaded()) view();
  m_tapToLeftProduct_->setHidden(true);
  m_tapToRightProduct_->setHidden(true);
  for (const auto& swipe : swipeGestureRecognizers_) view()->removeGestureRecognizer(swipe.get());
}

// ---- building ---------------------------------------------------------------------------------

void ProductDetailController::loadView() { setView(std::make_shared<ui::View>(kViewFrame)); }

void ProductDetailController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  buildViews();
  finishViewDidLoad();
  addValues();
}

void ProductDetailController::viewAfterFirstDidLoad() {
  BaseViewController::viewAfterFirstDidLoad();
  imgIndex_ = 0;
  currentIndex_ = -1;
  view()->setFrame(kViewFrame);
  auto weak = ui::weakAs<Self>(this);
  for (unsigned direction : {ui::SwipeRight, ui::SwipeLeft}) {
    auto swipe = std::make_shared<ui::SwipeGestureRecognizer>([weak, direction](ui::GestureRecognizer& g) {
      auto self = weak.lock();
      if (!self || g.state() != ui::GestureRecognized) return;
      if (direction == ui::SwipeRight) {
        self->slipToRight();
      } else {
        self->slipToLeft();
      }
    });
    swipe->direction = direction;
    view()->addGestureRecognizer(swipe);
    swipeGestureRecognizers_.push_back(swipe);
  }
}

void ProductDetailController::buildViews() {
  auto root = view();
  root->setBackgroundColor(gfx::Color::white());
  auto weak = ui::weakAs<Self>(this);
  auto action = [weak](void (Self::*step)()) {
    return [weak, step](ui::Control&, const ui::Event*) {
      if (auto self = weak.lock()) ((*self).*step)();
    };
  };
  // A button drawn as a picture, named by the text key `name`.
  auto button = [&](const ui::Rect& frame, const char* image, const char* name, void (Self::*step)()) {
    auto b = std::make_shared<ui::Button>(frame, ui::ButtonType::Custom);
    if (image) b->setBackgroundImage(SkinManager::skinFromImageName(image));
    b->setAccessibilityLabel(CatalogFeedback::text(name));
    b->addAction(action(step), ui::ControlEventTouchUpInside);
    return b;
  };

  productImageView_ = std::make_shared<ui::ImageView>(ui::Rect{45, 15, 550, 440});
  productImageView_->setBackgroundColor(gfx::Color::white());
  productImageView_->setUserInteractionEnabled(true);
  productImageView_->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>([weak](ui::GestureRecognizer& g) {
    if (g.state() != ui::GestureRecognized) return;
    if (auto self = weak.lock()) self->onClickImage();
  }));
  manyImagesView_ = std::make_shared<ui::ScrollView>(ui::Rect{45, 470, 550, ProductDetailLayout::kThumbHeight});
  manyImagesView_->setShowsVerticalScrollIndicator(false);
  manyImagesView_->setDelegate(ui::weakAs<ui::ScrollViewDelegate>(this));

  productNameTittle_ = caption({620, 16, 60, 24});
  productNameLabel_ = value(kNameFrame, 18);
  productNameLabel_->setNumberOfLines(0);
  skuTittle_ = caption({620, 64, 60, 22});
  skuLabel_ = value({685, 64, 325, 22}, 18);
  priceTittle_ = caption({620, 91, 60, 24});
  priceLabel_ = value({685, 88, 200, 28}, 20);
  discountprice_ = std::make_shared<ui::Label>();
  discountprice_->setFont(gfx::Font::named("Helvetica-Bold", 20));
  discountprice_->setTextColor(gfx::Color::red());
  discountprice_->setBackgroundColor(gfx::Color::clear());

  for (double y : {163.0, 381.0, 577.0}) {
    auto line = std::make_shared<ui::ImageView>(ui::Rect{620, y, 390, 1});
    line->setImage(gfx::Image::named("productDetaildivideline.png"));
    dividers_.push_back(line);
  }

  for (unsigned i = 0; i < 3; ++i) {
    auto b = std::make_shared<ui::Button>(ui::Rect{620 + 122.0 * i, 178, 120, 34}, ui::ButtonType::Custom);
    b->setTitleColor(gfx::Color::gray(), ui::ControlStateNormal);
    b->setTitleColor(gfx::Color::black(), ui::ControlStateSelected);
    // Long titles in another language shrink rather than cut.
    b->titleLabel().setAdjustsFontSizeToFitWidth(true);
    b->titleLabel().setMinimumFontSize(11);
    b->addAction(
        [weak, i](ui::Control&, const ui::Event*) {
          if (auto self = weak.lock()) self->setCurrentDescRelatedIndex(i);
        },
        ui::ControlEventTouchUpInside);
    switchButtons_.push_back(b);
  }
  switchMark_ = std::make_shared<ui::View>();
  switchMark_->setBackgroundColor(ViewStyle::colorOfMainTheme());
  relatedFilePanel_ = std::make_shared<ui::View>(kRelatedPanelFrame);
  relatedProductPanel_ = std::make_shared<ui::View>(kRelatedPanelFrame);

  compareBtn_ = button({45, 582, 44, 44}, "btn-addcompare.png", "PRODUCTCOMPARISON", &Self::productCompare);
  compareBtn_->setBackgroundImage(SkinManager::skinFromImageName("btn-compareAdded.png"), ui::ControlStateSelected);
  favBtn_ = button({99, 582, 44, 44}, "btn-addfav.png", "FAVORITES", &Self::addProductToFavorite);
  favBtn_->setBackgroundImage(SkinManager::skinFromImageName("btn-favAdded.png"), ui::ControlStateSelected);
  relatedBtn_ = button({497, 582, 44, 44}, "btn-related.png", "RELATEDPRODUCTS", &Self::RelatedBtnClicked);
  relatedFileBtn_ = button({551, 582, 44, 44}, "btn-materials.png", "RELATEDMATERIALS", &Self::RelatedFileBtnClicked);

  deleteBtn_ = button({620, 588, 28, 28}, "icon-remove.png", "FEWER", &Self::deleteCount);
  addBtn_ = button({730, 588, 28, 28}, "icon-add.png", "MORE", &Self::addCount);
  countTextField_ = std::make_shared<ui::TextField>(ui::Rect{656, 585, 66, 34});
  countTextField_->setTextAlignment(gfx::TextAlignment::Center);
  // The largest quantity, 1000000, shows whole in the small field.
  countTextField_->setAdjustsFontSizeToFitWidth(true);
  countTextField_->setMinimumFontSize(kCountMinimumFontSize);
  countTextField_->setBorderStyle(ui::TextBorderStyle::RoundedRect);
  countTextField_->setBackground(SkinManager::skinFromImageName("bg_input.png"));
  countTextField_->setKeyboardType(ui::KeyboardType::NumbersAndPunctuation);
  countTextField_->setDelegate(ui::weakAs<ui::TextFieldDelegate>(this));
  addToOrderBtn_ = std::make_shared<IconButton>(ui::Rect{826, 585, 143, 34});
  ViewStyle::initializeToButtonHeight34(*addToOrderBtn_);
  addToOrderBtn_->setIconType(isInEdit_ ? IconButtonTypeSaveOrder : IconButtonTypeAddToOrder);
  addToOrderBtn_->addAction(action(&Self::addToOrder), ui::ControlEventTouchUpInside);

  m_tagsChooseView_ = std::make_shared<ui::ScrollView>(kTagStripFrame);
  m_tagsChooseView_->setBackgroundColor(gfx::Color::clear());
  m_tagsChooseView_->setShowsHorizontalScrollIndicator(false);
  m_tagsChooseView_->setHidden(true);

  attributeView_ = ProductAttributesListView::initWithFrame(ProductAttributesListView::kProductScreenFrame,
                                                            ProductAttributesListView::kPopoverMode);

  m_tapToLeftProduct_ = button({13, 285, 23, 87}, nullptr, "PREVIOUSPRODUCT", &Self::slipToRight);
  m_tapToLeftProduct_->setImage(SkinManager::skinFromImageName("Icon_Arrow_Left_23x87.png"));
  m_tapToLeftProduct_->setImage(SkinManager::skinFromImageName("Icon_Arrow_Left_Highlighted_23x87.png"),
                                ui::ControlStateHighlighted);
  m_tapToRightProduct_ = button({987, 285, 23, 87}, nullptr, "NEXTPRODUCT", &Self::slipToLeft);
  m_tapToRightProduct_->setImage(SkinManager::skinFromImageName("Icon_Arrow_Right_23x87.png"));
  m_tapToRightProduct_->setImage(SkinManager::skinFromImageName("Icon_Arrow_Right_Highlighted_23x87.png"),
                                 ui::ControlStateHighlighted);

  navigationTitle_ = std::make_shared<ui::Label>(ui::Rect{0, 5, 1024, 30});
  navigationTitle_->setFont(gfx::Font::named("Helvetica-Bold", 20));
  navigationTitle_->setTextColor(gfx::Color::white());
  navigationTitle_->setTextAlignment(gfx::TextAlignment::Center);
  navigationTitle_->setBackgroundColor(gfx::Color::clear());
  navigationItem().setTitleView(navigationTitle_);

  std::vector<std::shared_ptr<ui::View>> parts{productImageView_, manyImagesView_, productNameTittle_,
                                               productNameLabel_, skuTittle_,       skuLabel_,
                                               priceTittle_,      priceLabel_,      discountprice_};
  parts.insert(parts.end(), dividers_.begin(), dividers_.end());
  parts.insert(parts.end(), switchButtons_.begin(), switchButtons_.end());
  parts.push_back(switchMark_);
  for (const std::shared_ptr<ui::View>& part :
       std::vector<std::shared_ptr<ui::View>>{relatedFilePanel_, relatedProductPanel_, m_tagsChooseView_,
                                              attributeView_, compareBtn_, favBtn_, relatedBtn_, relatedFileBtn_,
                                              deleteBtn_, countTextField_, addBtn_, addToOrderBtn_,
                                              m_tapToLeftProduct_, m_tapToRightProduct_}) {
    parts.push_back(part);
  }
  for (const auto& part : parts) root->addSubview(part);
  addFlow_ = AddToOrderFlow::create(*services_, ui::weakAs<AddToOrderFlowDelegate>(this));
}

void ProductDetailController::addValues() {
  fillProduct();
  loadAttributes();
  if (!hasOpener()) initTagsScrollView();
  initDescRelateSwitch();
  setCurrentDescRelatedIndex(kDescriptionPanel);
  getManyImagesShowData();
  refreshArrows();
  refreshToggles();
  updateLanguage(*this);
  auto basket = services_->get<OrderBasket>();
  const bool orders = basket && basket->isOrderOnShow();
  for (ui::View* control : {static_cast<ui::View*>(deleteBtn_.get()), static_cast<ui::View*>(countTextField_.get()),
                            static_cast<ui::View*>(addBtn_.get()), static_cast<ui::View*>(addToOrderBtn_.get())}) {
    control->setHidden(!orders);
  }
  if (isPushFromOrder_) applyOrderMode();
}

void ProductDetailController::applyOrderMode() {
  removeProductMoves();
  for (ui::View* control : {static_cast<ui::View*>(deleteBtn_.get()), static_cast<ui::View*>(countTextField_.get()),
                            static_cast<ui::View*>(addBtn_.get()), static_cast<ui::View*>(addToOrderBtn_.get())}) {
    control->setHidden(!isInEdit_);
  }
  attributeView_->setReadOnly(!isInEdit_);
}

// ---- filling ----------------------------------------------------------------------------------

void ProductDetailController::fillProduct() {
  productNameLabel_->setText(productEntity_.product_name);
  // A long name takes a second line, its first line beside the caption.
  ui::Rect name = kNameFrame;
  name.size.height = std::min(kNameMaxHeight, std::max(name.height(), gfx::sizeWithFont(productEntity_.product_name,
                                                                                          productNameLabel_->font(),
                                                                                          ui::Size{name.width(), 1e6},
                                                                                          gfx::LineBreakMode::WordWrap)
                                                                           .height));
  productNameLabel_->setFrame(name);
  skuLabel_->setText(productEntity_.product_sku);
  skuTittle_->setHidden(isBlank(trimWhitespaceAndNewlines(productEntity_.product_sku)));
  navigationTitle_->setText(productEntity_.product_name);
  countTextField_->setText("1");
  setProductPrice();
  std::string fileName;
  if (auto image = store().getImageByKeyId(productID_)) fileName = image->image_full_address;
  showMainImage(fileName);
}

void ProductDetailController::showMainImage(const std::string& fileName) {
  if (!mainPicture_) mainPicture_ = PictureLoader::create(productImageView_);
  mainPicture_->loadFileImageAsyncWithName(fileName, kFileTypeProductImage, false);
}

void ProductDetailController::setProductPrice() {
  const auto price = store().getPriceEntityByProductId(productID_);
  priceTittle_->setHidden(price.isHidden());
  priceLabel_->setHidden(price.isHidden());
  priceLabel_->setText(price.strPrice());
  ViewStyle::removeDeletionLineFromLabel(*priceLabel_);
  if (!price.discount_flag) {
    discountprice_->setText("");
    discountprice_->setFrame({});
    return;
  }
  const ui::Rect p = priceLabel_->frame();
  const double width = gfx::sizeWithFont(priceLabel_->text(), priceLabel_->font(), ui::Size{1e6, 40},
                                         gfx::LineBreakMode::WordWrap)
                           .width;
  discountprice_->setFrame({ProductDetailLayout::discountX(p.x(), width), p.y(), p.width(), p.height()});
  discountprice_->setText(price.strDiscountPrice());
  ViewStyle::addDeletionLineToLabel(*priceLabel_);
}

void ProductDetailController::loadAttributes() {
  attributeView_->setAttributeAry(AttributeText::shared(store().getProductAttributeByProductId(productID_)));
}

void ProductDetailController::initTagsScrollView() {
  tagStripInUse_ = true;
  m_dataArray_ = ProductDetailLayout::tagNames(store().getTagsByProductID(productID_), m_currentTag_);
  for (const auto& old : std::vector<std::shared_ptr<ui::View>>(m_tagsChooseView_->subviews())) {
    if (dynamic_cast<ui::Button*>(old.get())) old->removeFromSuperview();
  }
  const gfx::Font font = gfx::Font::italicSystemFont(14);
  const auto strip = ProductDetailLayout::tagStrip(
      m_dataArray_, m_currentTag_, m_tagsChooseView_->bounds().width(), [&font](const std::string& title) {
        return gfx::sizeWithFont(title, font, ui::Size{1e6, 30}, gfx::LineBreakMode::WordWrap).width;
      });
  auto weak = ui::weakAs<Self>(this);
  for (const auto& tag : strip.buttons) {
    auto b = std::make_shared<ui::Button>(tag.frame, ui::ButtonType::Custom);
    b->setTag(static_cast<long>(tag.index));
    b->setTitle(tag.name);
    b->titleLabel().setFont(font);
    b->setTitleColor(gfx::Color::darkGray(), ui::ControlStateNormal);
    b->setTitleEdgeInsets({0, 10, 0, 0});
    b->setBackgroundColor(gfx::Color::clear());
    b->setBackgroundImage(gfx::Image::named(tag.imageName));
    b->setSelected(tag.selected);
    const long index = static_cast<long>(tag.index);
    b->addAction(
        [weak, index](ui::Control&, const ui::Event*) {
          if (auto self = weak.lock()) self->clickOtherTags(index);
        },
        ui::ControlEventTouchUpInside);
    m_tagsChooseView_->addSubview(b);
  }
  m_tagsChooseView_->setContentSize({strip.contentWidth, m_tagsChooseView_->bounds().height()});
  m_tagsChooseView_->setHidden(false);
}

void ProductDetailController::getManyImagesShowData() {
  for (const auto& old : std::vector<std::shared_ptr<ui::View>>(manyImagesView_->subviews())) {
    if (dynamic_cast<ProductDetailManyImageCell*>(old.get())) old->removeFromSuperview();
  }
  manyImagesArray_ = store().getManyImageByKeyId(productID_);
  if (manyImagesArray_.size() < 2) {
    manyImagesView_->setHidden(true);
    return;
  }
  manyImagesView_->setHidden(false);
  for (std::size_t i = 0; i < manyImagesArray_.size(); ++i) {
    auto cell = std::make_shared<ProductDetailManyImageCell>(ProductDetailLayout::thumbFrame(i));
    cell->setTag(kFirstThumbTag + static_cast<long>(i));
    cell->setDelegate(ui::weakAs<ProductDetailManyImageCellDelegate>(this));
    cell->loadPicture(manyImagesArray_[i].image_thumb_address);
    cell->setIsFocus(i == 0);
    manyImagesView_->addSubview(cell);
  }
  manyImagesView_->setContentSize(
      {ProductDetailLayout::thumbContentWidth(manyImagesArray_.size()), manyImagesView_->bounds().height()});
  manyImagesView_->setContentOffset({0, 0});
}

void ProductDetailController::initDescRelateSwitch() {
  if (descriptionView_) descriptionView_->removeFromSuperview();
  descriptionView_ = std::make_shared<ProductDescView>(kDescriptionFrame);
  descriptionView_->setShortDesc(productEntity_.product_s_desc);
  relatedProducts_ = store().getrelatedProductIDsByProductid(productID_).value_or(std::vector<marvisto_product_Entity>{});
  if (!relatedProductController_) {
    relatedProductController_ = std::make_shared<RelatedProductViewcontroller>(*services_);
    relatedProductController_->setRelatedArray(relatedProducts_);
    relatedProductController_->setDelegate(ui::weakAs<PopControllerDelegate>(this));
    addChildViewController(relatedProductController_);
    auto panel = relatedProductController_->view();
    panel->setFrame(kRelatedPanelFrame);
    view()->insertSubviewAbove(panel, relatedProductPanel_.get());
    relatedProductPanel_->removeFromSuperview();
    relatedProductPanel_ = panel;
    relatedProductController_->didMoveToParentViewController(this);
  } else {
    relatedProductController_->reloadRelatedProduct(relatedProducts_);
  }
  productRelateFiles_ = store().getProductRelatedFilesByProductId(productID_);
  if (!relatedFileController_) {
    relatedFileController_ = std::make_shared<ProductRelatedFileController>(*services_);
    relatedFileController_->setLibfilesArray(productRelateFiles_);
    relatedFileController_->setDelegate(ui::weakAs<PopControllerDelegate>(this));
    addChildViewController(relatedFileController_);
    auto panel = relatedFileController_->view();
    panel->setFrame(kRelatedPanelFrame);
    panel->setAutoresizingMask(ui::FlexibleRightMargin | ui::FlexibleBottomMargin);
    view()->insertSubviewAbove(panel, relatedFilePanel_.get());
    relatedFilePanel_->removeFromSuperview();
    relatedFilePanel_ = panel;
    relatedFileController_->didMoveToParentViewController(this);
  } else {
    relatedFileController_->reloadRelatdFiles(productRelateFiles_);
  }
  view()->insertSubviewAbove(descriptionView_, relatedProductPanel_.get());
}

void ProductDetailController::setCurrentDescRelatedIndex(unsigned index) {
  if (index > kDescriptionPanel) return;
  switchIndex_ = index;
  for (unsigned i = 0; i < switchButtons_.size(); ++i) {
    switchButtons_[i]->setSelected(i == index);
    switchButtons_[i]->titleLabel().setFont(gfx::Font::named("HelveticaNeue-Light", i == index ? 16 : 15));
  }
  const ui::Rect chosen = switchButtons_[index]->frame();
  switchMark_->setFrame({chosen.x() + 10, chosen.maxY() - 2, chosen.width() - 20, 2});
  relatedFilePanel_->setHidden(index != kRelatedMaterialsPanel);
  relatedProductPanel_->setHidden(index != kRelatedProductsPanel);
  descriptionView_->setHidden(index != kDescriptionPanel);
}

void ProductDetailController::refreshToggles() {
  compareBtn_->setSelected(store().getCompareByCompareId(productID_).has_value());
  favBtn_->setSelected(store().getFavoriteByFavoriteId(productID_).has_value());
}

void ProductDetailController::refreshArrows() {
  m_tapToLeftProduct_->setHidden(position_.previousHidden());
  m_tapToRightProduct_->setHidden(position_.nextHidden());
}

void ProductDetailController::refreshItemNumberInOrder() {
  productEntity_.itemNumberInOrder = 0;
  if (auto basket = services_->get<OrderBasket>()) basket->getItemNumberInOrder(productEntity_);
  if (!addToOrderBtn_) return;
  addToOrderBtn_->setBadgeValue(
      productEntity_.itemNumberInOrder == 0 ? std::nullopt
                                            : std::optional<std::string>(std::to_string(productEntity_.itemNumberInOrder)),
      false);
}

void ProductDetailController::refreshData() {
  if (!isViewLoaded()) return;
  initDescRelateSwitch();
  setCurrentDescRelatedIndex(switchIndex_);
  refreshToggles();
  fillProduct();
  imgIndex_ = 0;
  loadAttributes();
  getManyImagesShowData();
}

std::string ProductDetailController::titleFor(const std::string& name, long index, std::size_t count,
                                              const ui::Label& label) {
  const std::string format = "%@  ( %@ / %@ )";
  const std::string number = std::to_string(index + 1), total = std::to_string(count);
  const std::string whole = Language::format(format, {name, number, total});
  // Measured at the size the label shrinks to at the most.
  const gfx::Font font =
      label.adjustsFontSizeToFitWidth() && label.minimumFontSize() > 0 ? label.font().withSize(label.minimumFontSize())
                                                                        : label.font();
  auto& m = gfx::TextMeasurer::current();
  const double wholeWidth = m.widthOf(whole, font);
  const double width = CatalogLayout::kProductTitleWidth;
  if (wholeWidth <= width) return whole;
  const double nameRoom = std::max(0.0, width - (wholeWidth - m.widthOf(name, font)));
  return Language::format(format, {m.truncate(name, font, nameRoom, gfx::LineBreakMode::TailTruncation), number, total});
}

std::string ProductDetailController::titleText() const {
  if (!lblTitle_) return {};
  return titleFor(productEntity_.product_name, position_.index(), productArray_->size(), *lblTitle_);
}

void ProductDetailController::refreshTitle() {
  auto label = lblTitle_;
  if (!label) return;
  const std::string text = titleText();
  ui::View::animate(
      0.2, [label] { label->setAlpha(0); },
      [label, text](bool) {
        label->setText(text);
        ui::View::animate(0.2, [label] { label->setAlpha(1); });
      });
}

// ---- the toggles ----------------------------------------------------------------------------

void ProductDetailController::toggleList(bool compare) {
  DataAccessManager& s = store();
  ui::Button& button = compare ? *compareBtn_ : *favBtn_;
  const bool listed = compare ? s.getCompareByCompareId(productID_).has_value()
                              : s.getFavoriteByFavoriteId(productID_).has_value();
  const std::string& sku = productEntity_.product_sku;
  const std::string& name = productEntity_.product_name;
  const SessionDatabase::UserWrite userWrite;
  if (listed) {
    const bool removed = compare ? s.deleteSingleCompareByCompareId(productID_)
                                 : s.deleteSingleFavoriteByFavoriteId(productID_);
    if (!removed) {
      CatalogFeedback::toast(SessionDatabase::failedWriteKey());
      return;
    }
    button.setSelected(false);
    CatalogFeedback::toast(compare ? "PRODUCTREMOVEDFROMCOMPARSION" : "PRODUCTREMOVEDFROMFAVORITE");
    return;
  }
  const bool added =
      compare ? s.saveToDatabaseCompare(productID_, sku, name) : s.saveToDatabaseFavorite(productID_, sku, name);
  if (!added) {
    CatalogFeedback::toast(SessionDatabase::failedWriteKey());
    return;
  }
  button.setSelected(true);
  CatalogFeedback::toast(compare ? "PRODUCTADDEDTOCOMSUCCESS" : "PRODUCTADDEDTOFAVSUCCESS");
}

void ProductDetailController::productCompare() { toggleList(true); }

void ProductDetailController::addProductToFavorite() { toggleList(false); }

// ---- tags, pictures, panels ---------------------------------------------------------------------

void ProductDetailController::clickOtherTags(long index) {
  if (index == currentIndex_ || index < 0 || static_cast<std::size_t>(index) >= m_dataArray_.size()) return;
  currentIndex_ = index;
  for (const auto& sub : m_tagsChooseView_->subviews()) {
    if (auto* b = dynamic_cast<ui::Button*>(sub.get())) b->setSelected(b->tag() == index);
  }
  const std::string name = m_dataArray_[static_cast<std::size_t>(index)];
  auto keep = shared_from_this();
  auto& center = CatalogNotificationCenter::defaultCenter();
  if (CatalogMode::getCurrentState() == CatalogMode::kCategory) {
    center.post(CatalogNotifications::changeMasterViewState);
  }
  center.post(CatalogNotifications::detailOnClickTagListener, name);
}

void ProductDetailController::didSelectedManyImage(ProductDetailManyImageCell& cell) {
  const long index = cell.tag() - kFirstThumbTag;
  if (index == imgIndex_ || index < 0 || static_cast<std::size_t>(index) >= manyImagesArray_.size()) return;
  imgIndex_ = index;
  for (const auto& sub : manyImagesView_->subviews()) {
    if (auto* thumb = dynamic_cast<ProductDetailManyImageCell*>(sub.get())) thumb->setIsFocus(thumb == &cell);
  }
  if (!mainPicture_) mainPicture_ = PictureLoader::create(productImageView_);
  mainPicture_->loadFileImageAsyncWithName(manyImagesArray_[static_cast<std::size_t>(index)].image_full_address,
                                           kFileTypeProductImage, true);
}

void ProductDetailController::fillBrowser(ProductDetailImageController& browser) {
  std::vector<std::string> full, thumbs;
  for (const auto& image : manyImagesArray_) {
    full.push_back(image.image_full_address);
    thumbs.push_back(image.image_thumb_address);
  }
  browser.setImagesArray(std::move(full));
  browser.setThumbImagesArray(std::move(thumbs));
  browser.setProductEntity(productEntity_);
  const auto price = store().getPriceEntityByProductId(productID_);
  browser.setProductPrice(price.strPrice());
  browser.setProductDiscountPrice(price.discount_flag ? price.strDiscountPrice() : std::string());
  browser.setProductTitle(titleText());
  if (browser.isViewLoaded()) {
    browser.btnLeft().setHidden(position_.previousHidden());
    browser.btnRight().setHidden(position_.nextHidden());
  }
}

void ProductDetailController::onClickImage() {
  countTextField_->resignFirstResponder();
  if (manyImagesArray_.empty()) return;
  imageController_ = std::make_shared<ProductDetailImageController>();
  imageController_->setBrowserDelegate(ui::weakAs<ProductDetailImageDelegate>(this));
  fillBrowser(*imageController_);
  imageController_->setProductTitle(lblTitle_ ? lblTitle_->text() : productEntity_.product_name);
  imageController_->setTag(imgIndex_);
  imageController_->setCurrentImageCache(productImageView_->image(), imgIndex_);
  imageController_->setModalTransitionStyle(ui::ModalTransitionStyle::CrossDissolve);
  presentViewController(imageController_, true);
  imageController_->btnLeft().setHidden(m_tapToLeftProduct_->isHidden());
  imageController_->btnRight().setHidden(m_tapToRightProduct_->isHidden());
}

ui::NavigationController* ProductDetailController::rootNavigationController() const {
  // The outermost container above this screen (its view may be off screen
  // while a related screen covers it).
  ui::ViewController* top = parentViewController();
  while (top && top->parentViewController()) top = top->parentViewController();
  return dynamic_cast<ui::NavigationController*>(top);
}

void ProductDetailController::RelatedBtnClicked() {
  auto* root = rootNavigationController();
  if (!root) return;
  auto related = std::make_shared<RelatedProductViewcontroller>(*services_);
  related->setFullScreen(true);
  related->setRelatedArray(relatedProducts_);
  related->setDelegate(ui::weakAs<PopControllerDelegate>(this));
  root->pushViewController(related, true);
}

void ProductDetailController::RelatedFileBtnClicked() {
  auto* root = rootNavigationController();
  if (!root) return;
  auto files = std::make_shared<ProductRelatedFileController>(*services_);
  files->setFullScreen(true);
  files->setLibfilesArray(productRelateFiles_);
  files->setDelegate(ui::weakAs<PopControllerDelegate>(this));
  root->pushViewController(files, true);
}

void ProductDetailController::dismissPopController(bool animated) {
  if (presentedViewController()) dismissViewControllerAnimated(animated);
  imageController_.reset();
  // A related screen shown over the tab bar.
  auto* root = rootNavigationController();
  if (root && root->viewControllers().size() > 1 && root->topViewController() != this) {
    root->popViewControllerAnimated(animated);
  }
}

// ---- the screen's life ----------------------------------------------------------------------

void ProductDetailController::viewWillAppear(bool animated) {
  BaseViewController::viewWillAppear(animated);
  if (auto actions = ShellActions::of(services_)) actions->spreadTabButtons();
  navigationTitle_->setText(productEntity_.product_name);
  refreshItemNumberInOrder();
}

void ProductDetailController::viewWillDisappear(bool animated) {
  BaseViewController::viewWillDisappear(animated);
  countTextField_->resignFirstResponder();
  if (isMovingFromParentViewController()) timers_.cancelAll();
}

void ProductDetailController::updateLanguage(ui::ViewController&) {
  if (backButton_) backButton_->setTitle(CatalogFeedback::text("BACK"));
  if (!isViewLoaded()) return;
  productNameTittle_->setText(captionText("NAME"));
  skuTittle_->setText(captionText("SKU"));
  priceTittle_->setText(captionText("PRICE"));
  for (unsigned i = 0; i < switchButtons_.size(); ++i) switchButtons_[i]->setTitle(CatalogFeedback::text(kSwitchKeys[i]));
  addToOrderBtn_->reloadText();
  descriptionView_->updateLanguage();
  // The choices not added yet stay; only the texts change.
  attributeView_->updateLanguage();
}

void ProductDetailController::scrollViewWillEndDragging(ui::ScrollView& scrollView, ui::Point, ui::Point& target) {
  if (&scrollView != manyImagesView_.get()) return;
  target.x = ProductDetailLayout::snappedThumbOffset(target.x);
}

void ProductDetailController::textFieldDidBeginEditing(ui::TextField&) {
  auto root = view();
  // The screen makes room for an on-screen keyboard only: a desktop's own
  // keyboard covers nothing of it.
  if (const ui::Window* w = root->window(); !w || !w->hasOnScreenKeyboard()) return;
  // The screen goes back where it stood, which is below the bar when a
  // navigation bar is shown.
  if (!frameBeforeLift_) frameBeforeLift_ = root->frame();
  ui::Rect lifted = *frameBeforeLift_;
  lifted.origin.y = kKeyboardLift;
  ui::View::animate(kKeyboardDuration, [root, lifted] { root->setFrame(lifted); });
}

void ProductDetailController::textFieldDidEndEditing(ui::TextField&) {
  if (!frameBeforeLift_) return;
  auto root = view();
  const ui::Rect back = *frameBeforeLift_;
  frameBeforeLift_.reset();
  ui::View::animate(kKeyboardDuration, [root, back] { root->setFrame(back); });
}

bool ProductDetailController::textFieldShouldReturn(ui::TextField& field) {
  // Without an on-screen keyboard Return is the only way to finish typing.
  field.resignFirstResponder();
  return false;
}

}  // namespace mv
