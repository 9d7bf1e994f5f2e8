#include "catalog/ProductFavoriteController.hpp"

#include <algorithm>

#include "catalog/OrderBasket.hpp"
#include "platform/ui/LongPressGestureRecognizer.hpp"
#include "platform/ui/WeakAs.hpp"
#include "store/DataAccessManager.hpp"
#include "util/FitCGRect.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

using Self = ProductFavoriteController;

const ProductListPopup::Kind kFavorites{"FAVORITES", "ALLFAVORITESREMOVED",
                                        &DataAccessManager::deleteSingleFavoriteByFavoriteId,
                                        &DataAccessManager::deleteAllFavorites};

}  // namespace

ProductFavoriteController::ProductFavoriteController(SessionServices& services)
    : ProductListPopup(services, kFavorites) {}

void ProductFavoriteController::setFavArray(const std::vector<marvisto_favorite_Entity>& favorites) {
  std::vector<int> ids;
  for (const auto& favorite : favorites) ids.push_back(favorite.product_id);
  setListedProducts(ids);
}

ui::Rect ProductFavoriteController::tileFrame(std::size_t index, double gridWidth) {
  const auto column = static_cast<double>(index % kPerRow);
  const auto row = static_cast<double>(index / kPerRow);
  return {5 + column * (gridWidth / static_cast<double>(kPerRow)), row * kCellHeight, kCellWidth, kCellHeight};
}

double ProductFavoriteController::contentHeight(std::size_t count, double gridHeight) {
  const auto rows = static_cast<double>(count / kPerRow + 1);
  return std::max(rows * kCellHeight, gridHeight);
}

bool ProductFavoriteController::acceptsTap(bool inEdit, bool inCard, bool inCardPicture) {
  return inEdit ? !inCard : inCardPicture;
}

void ProductFavoriteController::loadView() { setView(std::make_shared<ui::View>(ui::Rect{0, 0, 1024, 768})); }

void ProductFavoriteController::viewDidLoad() {
  PopBaseController::viewDidLoad();
  auto root = view();
  root->setBackgroundColor(gfx::Color::white());
  const auto& fit = FitCGRect::sharedInstance();
  auto weak = ui::weakAs<Self>(this);
  auto selfOf = [weak] { return weak.lock(); };

  favoriteScrollView_ = std::make_shared<ui::ScrollView>(fit.fitCGRectBy(15, 75, 1009, 713));
  favoriteScrollView_->setShowsHorizontalScrollIndicator(false);
  root->addSubview(favoriteScrollView_);
  auto press = std::make_shared<ui::LongPressGestureRecognizer>([selfOf](ui::GestureRecognizer& g) {
    auto self = selfOf();
    if (!self || g.state() != ui::GestureState::Began) return;
    bool onPicture = false;
    if (self->cardAt(g.locationInView(self->view().get()), &onPicture) && onPicture) self->setInEdit(true);
  });
  press->minimumPressDuration = kLongPress;
  favoriteScrollView_->addGestureRecognizer(press);

  tapGesturRecognizer_ = std::make_shared<ui::TapGestureRecognizer>([selfOf](ui::GestureRecognizer& g) {
    if (g.state() != ui::GestureRecognized) return;
    if (auto self = selfOf()) self->handleTap(g.locationInView(self->view().get()));
  });
  tapGesturRecognizer_->shouldReceiveTouch = [selfOf](ui::GestureRecognizer&, const ui::Touch& touch) {
    auto self = selfOf();
    if (!self) return false;
    bool onPicture = false;
    const bool inCard = self->cardAt(touch.locationInView(self->view().get()), &onPicture) != nullptr;
    return acceptsTap(self->inEdit(), inCard, onPicture);
  };
  root->addGestureRecognizer(tapGesturRecognizer_);

  finishListView();
}

// ---- the cards ---------------------------------------------------------------------------

void ProductFavoriteController::getFavoriteShowData() {
  for (const auto& old : cards_) old->removeFromSuperview();
  cards_.clear();
  auto& products = mutableProducts();
  if (products.empty()) {
    applyWiggle(inEdit());
    return;
  }
  auto basket = this->basket();
  const double gridWidth = favoriteScrollView_->bounds().width();
  for (std::size_t i = 0; i < products.size(); ++i) {
    auto& product = products[i];
    auto card = std::make_shared<DetailCell>(tileFrame(i, gridWidth), "");
    card->init();
    card->setDetailDelegate(ui::weakAs<DetailCellDelegate>(this));
    card->setTag(kFirstTag + static_cast<long>(i));
    card->setImagename(thumbnailOf(product.product_id));
    card->loadImageAsyncWihtAnimation(false);
    card->catalogNameLabel().setText(product.product_name);
    card->setProductId(product.product_id);
    card->setPriceEntity(store().getPriceEntityByProductId(product.product_id));
    card->addOrderBtn().setHidden(!basket || !basket->isOrderOnShow());
    card->skuContentLabel().setText(product.product_sku);
    product.itemNumberInOrder = 0;
    if (basket) basket->getItemNumberInOrder(product);
    card->setBadgeValue(badgeText(product.itemNumberInOrder), false);
    card->smallCloseBtn().setFrame({kCellWidth - 70, -10, 50, 50});
    card->smallCloseBtn().setTag(kFirstTag + static_cast<long>(i));
    card->devideImageView().setHidden(i % kPerRow == kPerRow - 1);
    favoriteScrollView_->addSubview(card);
    cards_.push_back(card);
  }
  favoriteScrollView_->setContentSize(
      {gridWidth, contentHeight(products.size(), favoriteScrollView_->bounds().height())});
  applyWiggle(inEdit());
}

std::shared_ptr<DetailCell> ProductFavoriteController::card(std::size_t index) const {
  return index < cards_.size() ? cards_[index] : nullptr;
}

DetailCell* ProductFavoriteController::cardAt(ui::Point inView, bool* onPicture) const {
  for (const auto& card : cards_) {
    const ui::Point p = card->convertPointFromView(inView, viewIfLoaded());
    if (!card->pointInside(p, nullptr)) continue;
    const ui::Point inPicture = card->productImageView().convertPointFromView(inView, viewIfLoaded());
    if (onPicture) *onPicture = card->productImageView().pointInside(inPicture, nullptr);
    return card.get();
  }
  if (onPicture) *onPicture = false;
  return nullptr;
}

void ProductFavoriteController::applyWiggle(bool wiggle) {
  for (const auto& card : cards_) {
    card->smallCloseBtn().setHidden(!wiggle);
    card->addOrderBtn().setEnabled(!wiggle);
    ViewStyle::setViewShaking(card->productImageView(), wiggle);
  }
}

void ProductFavoriteController::handleTap(ui::Point inView) {
  bool onPicture = false;
  cardAt(inView, &onPicture);
  if (onPicture) return;
  setInEdit(false);
  const ui::Point inBar = titlebar()->convertPointFromView(inView, view().get());
  if (removeAllBtn().frame().contains(inBar)) {
    removeAll();
  } else if (btnClose() && btnClose()->frame().contains(inBar)) {
    close(true);
  }
}

// ---- removing ------------------------------------------------------------------------------

void ProductFavoriteController::deleteCell(DetailCell& cell) { deleteSingleFavorite(cell.tag() - kFirstTag); }

// ---- opening and adding -----------------------------------------------------------------------

void ProductFavoriteController::didSelectedImage(DetailCell& cell) {
  const long index = cell.tag() - kFirstTag;
  if (inEdit() || index < 0 || static_cast<std::size_t>(index) >= products().size()) return;
  cell.productImageView().setAlpha(0.4);
  cell.productImageView().setBackgroundColor(ViewStyle::colorOfMainTheme());
  openProductAt(index);
}

void ProductFavoriteController::addToOrder(DetailCell& cell) { addProductAt(cell.tag() - kFirstTag); }

void ProductFavoriteController::setCellBadge(std::size_t index, const std::optional<std::string>& badge) {
  if (auto tile = card(index)) tile->setBadgeValue(badge, true);
}

void ProductFavoriteController::listChanged() {
  if (auto d = favDelegate_.lock()) d->changeAddFavoriteButtonState();
}

}  // namespace mv
