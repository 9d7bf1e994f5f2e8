#include "catalog/ProductCompareController.hpp"

#include "catalog/CatalogFeedback.hpp"
#include "catalog/CatalogNotifications.hpp"
#include "catalog/OrderBasket.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/settings/Language.hpp"
#include "store/DataAccessManager.hpp"
#include "util/FitCGRect.hpp"
#include "util/PublicFunction.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

using Self = ProductCompareController;

const char* const kCaptionKeys[] = {"NAME", "PRICE", "SKU", "DESCRIPTION"};
constexpr double kCaptionY[] = {365, 397, 429, 461};

std::optional<std::string> badgeText(std::uint64_t count) {
  return count == 0 ? std::nullopt : std::optional<std::string>(std::to_string(count));
}

std::shared_ptr<ui::Label> gridLabel(const ui::Rect& frame, const gfx::Font& font, const std::string& text) {
  auto label = std::make_shared<ui::Label>(frame);
  label->setFont(font);
  label->setNumberOfLines(2);
  label->setBackgroundColor(gfx::Color::clear());
  label->setText(text);
  return label;
}

}  // namespace

void ProductCompareController::setCompareProductsArray(const std::vector<marvisto_compare_Entity>& entries) {
  compareProductsArray_.clear();
  products_.clear();
  for (const auto& entry : entries) {
    auto product = store().getProductByProductId(entry.product_id);
    if (!product) continue;
    compareProductsArray_.push_back(entry);
    products_.push_back(std::move(*product));
  }
}

void ProductCompareController::loadView() { setView(std::make_shared<ui::View>(ui::Rect{0, 0, 1024, 768})); }

void ProductCompareController::viewDidLoad() {
  PopBaseController::viewDidLoad();
  auto root = view();
  root->setBackgroundColor(gfx::Color::white());
  const auto& fit = FitCGRect::sharedInstance();
  std::weak_ptr<ui::ViewController> weak = weak_from_this();
  auto selfOf = [weak] { return std::static_pointer_cast<Self>(weak.lock()); };
  auto leaveEdit = [selfOf](ui::GestureRecognizer& g) {
    if (g.state() != ui::GestureRecognized) return;
    if (auto self = selfOf()) self->setInEdit(false);
  };

  bgView_ = std::make_shared<ui::View>(root->bounds());
  bgView_->setBackgroundColor(gfx::Color::white());
  bgView_->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>(leaveEdit));
  root->insertSubview(bgView_, 0);

  const ui::Rect area = fit.fitCGRectBy(kCompareArea.x(), kCompareArea.y(), kCompareArea.width(), kCompareArea.height());
  compareScrollView_ = std::make_shared<ui::ScrollView>(area);
  compareScrollView_->setShowsVerticalScrollIndicator(false);
  scrollViewBgView_ = std::make_shared<ui::View>(ui::Rect{0, 0, area.width(), area.height()});
  scrollViewBgView_->setBackgroundColor(gfx::Color::white());
  scrollViewBgView_->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>(leaveEdit));
  compareScrollView_->addSubview(scrollViewBgView_);
  attributesValueScrollView_ = std::make_shared<ui::ScrollView>(ui::Rect{0, kAttributeTop, area.width(), kAttributeHeight});
  attributesValueScrollView_->setDelegate(ui::weakAs<ui::ScrollViewDelegate>(this));
  compareScrollView_->addSubview(attributesValueScrollView_);
  root->addSubview(compareScrollView_);

  attributesNameScrollView_ =
      std::make_shared<ui::ScrollView>(fit.fitCGRectBy(50, kCompareArea.y() + kAttributeTop, 100, kAttributeHeight));
  attributesNameScrollView_->setUserInteractionEnabled(false);
  root->addSubview(attributesNameScrollView_);

  for (double y : kCaptionY) {
    auto caption = std::make_shared<ui::Label>(fit.fitCGRectBy(50, y, 100, 32));
    caption->setFont(gfx::Font::systemFont(14));
    caption->setTextColor(gfx::Color::black());
    caption->setBackgroundColor(gfx::Color::clear());
    root->addSubview(caption);
    captions_.push_back(caption);
  }

  btnEdit_ = std::make_shared<ui::Button>(fit.fitCGRectBy(15, 25, 60, 34), ui::ButtonType::Custom);
  ViewStyle::initializeToButtonHeight34(*btnEdit_);
  btnEdit_->addAction(
      [selfOf](ui::Control&, const ui::Event*) {
        if (auto self = selfOf()) self->setInEdit(true);
      },
      ui::ControlEventTouchUpInside);
  removeAllBtn_ = std::make_shared<ui::Button>(fit.fitCGRectBy(15, 25, 100, 34), ui::ButtonType::Custom);
  ViewStyle::initializeToButtonHeight34(*removeAllBtn_);
  removeAllBtn_->setHidden(true);
  removeAllBtn_->addAction(
      [selfOf](ui::Control&, const ui::Event*) {
        if (auto self = selfOf()) self->removeAll();
      },
      ui::ControlEventTouchUpInside);
  titlebar()->addSubview(btnEdit_);
  titlebar()->addSubview(removeAllBtn_);
  root->bringSubviewToFront(titlebar().get());

  addFlow_ = AddToOrderFlow::create(*services_, ui::weakAs<AddToOrderFlowDelegate>(this));
  background_ = base::Observation("AppWillEnterBackgound", nullptr, [selfOf](const base::Notification&) {
    if (auto self = selfOf(); self && self->inEdit_) self->shakeAllCellImages(false);
  });
  foreground_ = base::Observation("AppWillEnterForegroud", nullptr, [selfOf](const base::Notification&) {
    if (auto self = selfOf(); self && self->inEdit_) self->shakeAllCellImages(true);
  });
  inEdit_ = false;
  updateLanguage(*this);
  getCompareShowData();
}

void ProductCompareController::updateLanguage(ui::ViewController&) {
  PopBaseController::updateLanguage();
  if (!isViewLoaded()) return;
  if (lblTittle()) lblTittle()->setText(CatalogFeedback::text("PRODUCTCOMPARISON"));
  btnEdit_->setTitle(CatalogFeedback::text("EDIT"));
  removeAllBtn_->setTitle(CatalogFeedback::text("REMOVEALL"));
  for (std::size_t i = 0; i < captions_.size(); ++i) {
    captions_[i]->setText(Language::format("%@:", {CatalogFeedback::text(kCaptionKeys[i])}));
  }
}

// ---- the cells and the attribute grid -----------------------------------------------------------

void ProductCompareController::clearAllAttributesShow() {
  grid_.clear();
  for (auto* scroll : {attributesNameScrollView_.get(), attributesValueScrollView_.get()}) {
    for (const auto& sub : std::vector<std::shared_ptr<ui::View>>(scroll->subviews())) sub->removeFromSuperview();
    scroll->setContentSize({scroll->bounds().width(), 0});
  }
}

void ProductCompareController::getCompareShowData() {
  for (const auto& old : cells_) old->removeFromSuperview();
  cells_.clear();
  clearAllAttributesShow();
  if (compareProductsArray_.empty()) {
    shakeAllCellImages(inEdit_);
    return;
  }
  auto basket = services_->get<OrderBasket>();
  double x = 0;
  for (std::size_t i = 0; i < compareProductsArray_.size(); ++i) {
    auto& product = products_[i];
    auto cell = std::make_shared<CompareCell>(ui::Rect{x, 0, CompareCell::kWidth, CompareCell::kHeight});
    cell->init();
    cell->setTag(CompareCell::kFirstTag + static_cast<long>(i));
    cell->setCompareDelegate(ui::weakAs<CompareCellDelegate>(this));
    std::string thumb;
    if (auto image = store().getImageByKeyId(product.product_id)) thumb = image->image_thumb_address;
    auto data = PublicFunction::getLocalImage(thumb, kFileTypeProductImage);
    ViewStyle::ImageViewFitImg(cell->productImageView(), data ? gfx::Image::fromImageData(*data) : nullptr);
    product.itemNumberInOrder = 0;
    if (basket) basket->getItemNumberInOrder(product);
    cell->setBadgeValue(badgeText(product.itemNumberInOrder), false);
    cell->addOrderBtn().setHidden(!basket || !basket->isOrderOnShow());
    cell->setProductId(product.product_id, store().getPriceEntityByProductId(product.product_id));
    cell->SKULabel().setText(product.product_sku);
    cell->productNameLabel().setText(product.product_name);
    cell->shortDesTextView().setText(product.product_s_desc);
    cell->smallCloseBtn().setTag(CompareCell::kFirstTag + static_cast<long>(i));
    cell->devideImageView().setHidden(i + 1 == compareProductsArray_.size());
    compareScrollView_->insertSubviewBelow(cell, attributesValueScrollView_.get());
    cells_.push_back(cell);
    for (const auto& attribute : store().getProductAttributeFieldInfoByProductId(product.product_id)) {
      grid_.addAttributeShow(attribute, i);
    }
    x += CompareCell::kWidth;
  }
  const gfx::Font valueFont = gfx::Font::named("HelveticaNeue-Light", 14);
  const double nameWidth = attributesNameScrollView_->bounds().width();
  for (std::size_t row = 0; row < grid_.names().size(); ++row) {
    attributesNameScrollView_->addSubview(
        gridLabel({0, CompareAttributeGrid::kRowHeight * static_cast<double>(row), nameWidth,
                   CompareAttributeGrid::kRowHeight},
                  gfx::Font::systemFont(14), grid_.names()[row]));
  }
  for (const auto& value : grid_.cells()) {
    attributesValueScrollView_->addSubview(
        gridLabel({CompareAttributeGrid::kCellWidth * static_cast<double>(value.product),
                   CompareAttributeGrid::kRowHeight * static_cast<double>(value.row), CompareAttributeGrid::kValueWidth,
                   CompareAttributeGrid::kRowHeight},
                  valueFont, value.text));
  }
  attributesNameScrollView_->setContentSize({nameWidth, grid_.contentHeight()});
  const double width = CompareAttributeGrid::contentWidth(cells_.size(), compareScrollView_->bounds().width());
  compareScrollView_->setContentSize({width, compareScrollView_->bounds().height()});
  scrollViewBgView_->setFrame({0, 0, width, compareScrollView_->bounds().height()});
  ui::Rect values = attributesValueScrollView_->frame();
  values.size.width = width;
  attributesValueScrollView_->setFrame(values);
  attributesValueScrollView_->setContentSize({width, grid_.contentHeight()});
  shakeAllCellImages(inEdit_);
}

std::shared_ptr<CompareCell> ProductCompareController::cell(std::size_t index) const {
  return index < cells_.size() ? cells_[index] : nullptr;
}

void ProductCompareController::scrollViewDidScroll(ui::ScrollView& scrollView) {
  if (&scrollView != attributesValueScrollView_.get()) return;
  attributesNameScrollView_->setContentOffset({0, scrollView.contentOffset().y});
}

// ---- edit mode and removing --------------------------------------------------------------------

void ProductCompareController::shakeAllCellImages(bool shake) {
  for (const auto& c : cells_) {
    c->smallCloseBtn().setHidden(!shake);
    c->addOrderBtn().setEnabled(!shake);
    ViewStyle::setViewShaking(c->productImageView(), shake);
  }
}

void ProductCompareController::setInEdit(bool inEdit) {
  if (inEdit == inEdit_) return;
  shakeAllCellImages(inEdit);
  inEdit_ = inEdit;
  btnEdit_->setHidden(inEdit);
  removeAllBtn_->setHidden(!inEdit);
}

void ProductCompareController::removeCell(CompareCell& c) { deleteSingleCompare(c.tag() - CompareCell::kFirstTag); }

void ProductCompareController::deleteSingleCompare(long index) {
  if (index < 0 || static_cast<std::size_t>(index) >= compareProductsArray_.size()) return;
  if (!store().deleteSingleCompareByCompareId(compareProductsArray_[static_cast<std::size_t>(index)].product_id)) {
    CatalogFeedback::toast("FAILED");
    return;
  }
  compareProductsArray_.erase(compareProductsArray_.begin() + index);
  products_.erase(products_.begin() + index);
  getCompareShowData();
  if (auto d = compareDelegate_.lock()) d->changeAddCompareButtonState();
}

void ProductCompareController::removeAll() {
  if (!store().deleteAllCompare()) {
    CatalogFeedback::toast("FAILED");
    return;
  }
  compareProductsArray_.clear();
  products_.clear();
  getCompareShowData();
  if (auto d = compareDelegate_.lock()) d->changeAddCompareButtonState();
  CatalogFeedback::toast("ALLCOMPARISONREMOVED");
  close(true);
}

void ProductCompareController::close(bool animated) {
  if (auto d = delegate()) d->dismissPopController(animated);
}

// ---- the cells' touches ---------------------------------------------------------------------------

void ProductCompareController::didClickCellBackground(CompareCell&) { setInEdit(false); }

void ProductCompareController::didLongPressImage(CompareCell&) {
  if (!inEdit_) setInEdit(true);
}

void ProductCompareController::didTapImage(CompareCell& c) {
  if (inEdit_) return;
  c.productImageView().setAlpha(0.4);
  c.productImageView().setBackgroundColor(ViewStyle::colorOfMainTheme());
  didSelectedCompareCell(c);
}

void ProductCompareController::didSelectedCompareCell(CompareCell& c) {
  const long index = c.tag() - CompareCell::kFirstTag;
  if (index < 0 || static_cast<std::size_t>(index) >= products_.size()) return;
  auto keep = shared_from_this();
  const ProductListChoice choice{index, products_};
  close(true);
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::setCatalogLayOut, choice);
}

void ProductCompareController::addToOrder(CompareCell& c) {
  const long index = c.tag() - CompareCell::kFirstTag;
  if (index < 0 || static_cast<std::size_t>(index) >= compareProductsArray_.size()) return;
  addFlow_->addFromCard(compareProductsArray_[static_cast<std::size_t>(index)].product_id,
                        static_cast<std::size_t>(index));
}

void ProductCompareController::addToOrderFlowDidAdd(const marvisto_product_Entity& product, std::size_t) {
  if (addToOrderPopController_) addToOrderPopController_->dismissPopoverAnimated(true);
  for (std::size_t i = 0; i < products_.size(); ++i) {
    if (products_[i].product_id != product.product_id) continue;
    products_[i].itemNumberInOrder = product.itemNumberInOrder;
    cells_[i]->setBadgeValue(badgeText(product.itemNumberInOrder), true);
  }
}

void ProductCompareController::addToOrderFlowOrderReplaced() { getCompareShowData(); }

void ProductCompareController::addToOrderFlowPresentChooser(const std::shared_ptr<ui::ViewController>& chooser,
                                                            std::size_t cellIndex) {
  if (addToOrderPopController_) addToOrderPopController_->dismissPopoverAnimated(false);
  addToOrderPopController_ = std::make_shared<ui::PopoverController>(chooser);
  addToOrderPopController_->setPopoverContentSize({400, 250});
  ui::Rect anchor = compareScrollView_->frame();
  if (auto c = cell(cellIndex)) anchor = c->convertRectToView(c->bounds(), view().get());
  addToOrderPopController_->presentPopoverFromRect(
      anchor, view().get(),
      ui::PopoverArrowDirectionDown | ui::PopoverArrowDirectionLeft | ui::PopoverArrowDirectionRight, true);
}

}  // namespace mv
