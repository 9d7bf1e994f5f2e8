#include "catalog/ProductCompareController.hpp"

#include "catalog/CatalogFeedback.hpp"
#include "catalog/CatalogNotifications.hpp"
#include "catalog/OrderBasket.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/Language.hpp"
#include "store/DataAccessManager.hpp"
#include "util/FitCGRect.hpp"
#include "util/PublicFunction.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

using Self = ProductCompareController;

const char* const kCaptionKeys[] = {"NAME", "PRICE", "SKU", "DESCRIPTION"};
constexpr double kCaptionY[] = {365, 397, 429, 461};

const ProductListPopup::Kind kCompare{"PRODUCTCOMPARISON", "ALLCOMPARISONREMOVED",
                                      &DataAccessManager::deleteSingleCompareByCompareId,
                                      &DataAccessManager::deleteAllCompare};

std::shared_ptr<ui::Label> gridLabel(const ui::Rect& frame, const gfx::Font& font, const std::string& text) {
  auto label = std::make_shared<ui::Label>(frame);
  label->setFont(font);
  label->setNumberOfLines(2);
  label->setBackgroundColor(gfx::Color::clear());
  label->setText(text);
  return label;
}

}  // namespace

ProductCompareController::ProductCompareController(SessionServices& services) : ProductListPopup(services, kCompare) {}

void ProductCompareController::setCompareProductsArray(const std::vector<marvisto_compare_Entity>& entries) {
  std::vector<int> ids;
  for (const auto& entry : entries) ids.push_back(entry.product_id);
  setListedProducts(ids);
}

void ProductCompareController::loadView() { setView(std::make_shared<ui::View>(ui::Rect{0, 0, 1024, 768})); }

void ProductCompareController::viewDidLoad() {
  PopBaseController::viewDidLoad();
  auto root = view();
  root->setBackgroundColor(gfx::Color::white());
  const auto& fit = FitCGRect::sharedInstance();
  auto weak = ui::weakAs<Self>(this);
  auto selfOf = [weak] { return weak.lock(); };
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

  finishListView();
}

void ProductCompareController::updateLanguage(ui::ViewController& sender) {
  ProductListPopup::updateLanguage(sender);
  if (!isViewLoaded()) return;
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
  auto& products = mutableProducts();
  if (products.empty()) {
    shakeAllCellImages(inEdit());
    return;
  }
  auto basket = this->basket();
  double x = 0;
  for (std::size_t i = 0; i < products.size(); ++i) {
    auto& product = products[i];
    auto cell = std::make_shared<CompareCell>(ui::Rect{x, 0, CompareCell::kWidth, CompareCell::kHeight});
    cell->init();
    cell->setTag(CompareCell::kFirstTag + static_cast<long>(i));
    cell->setCompareDelegate(ui::weakAs<CompareCellDelegate>(this));
    cell->loadPicture(thumbnailOf(product.product_id));
    product.itemNumberInOrder = 0;
    if (basket) basket->getItemNumberInOrder(product);
    cell->setBadgeValue(badgeText(product.itemNumberInOrder), false);
    cell->addOrderBtn().setHidden(!basket || !basket->isOrderOnShow());
    cell->setProductId(product.product_id, store().getPriceEntityByProductId(product.product_id));
    cell->SKULabel().setText(product.product_sku);
    cell->productNameLabel().setText(product.product_name);
    cell->shortDesTextView().setText(product.product_s_desc);
    cell->smallCloseBtn().setTag(CompareCell::kFirstTag + static_cast<long>(i));
    cell->devideImageView().setHidden(i + 1 == products.size());
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
  shakeAllCellImages(inEdit());
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

void ProductCompareController::removeCell(CompareCell& c) { deleteSingleCompare(c.tag() - CompareCell::kFirstTag); }

// ---- the cells' touches ---------------------------------------------------------------------------

void ProductCompareController::didClickCellBackground(CompareCell&) { setInEdit(false); }

void ProductCompareController::didLongPressImage(CompareCell&) {
  if (!inEdit()) setInEdit(true);
}

void ProductCompareController::didTapImage(CompareCell& c) {
  if (inEdit()) return;
  c.productImageView().setAlpha(0.4);
  c.productImageView().setBackgroundColor(ViewStyle::colorOfMainTheme());
  didSelectedCompareCell(c);
}

void ProductCompareController::didSelectedCompareCell(CompareCell& c) { openProductAt(c.tag() - CompareCell::kFirstTag); }

void ProductCompareController::addToOrder(CompareCell& c) { addProductAt(c.tag() - CompareCell::kFirstTag); }

void ProductCompareController::setCellBadge(std::size_t index, const std::optional<std::string>& badge) {
  if (auto c = cell(index)) c->setBadgeValue(badge, true);
}

void ProductCompareController::listChanged() {
  if (auto d = compareDelegate_.lock()) d->changeAddCompareButtonState();
}

}  // namespace mv
