#include "catalog/ProductFavoriteController.hpp"

#include <algorithm>

#include "catalog/CatalogFeedback.hpp"
#include "catalog/CatalogNotifications.hpp"
#include "catalog/OrderBasket.hpp"
#include "platform/base/Log.hpp"
#include "platform/ui/LongPressGestureRecognizer.hpp"
#include "platform/ui/WeakAs.hpp"
#include "store/DataAccessManager.hpp"
#include "util/FitCGRect.hpp"
#include "util/PublicFunction.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

using Self = ProductFavoriteController;

std::optional<std::string> badgeText(std::uint64_t count) {
  return count == 0 ? std::nullopt : std::optional<std::string>(std::to_string(count));
}

}  // namespace

void ProductFavoriteController::setFavArray(const std::vector<marvisto_favorite_Entity>& favorites) {
  favArray_.clear();
  products_.clear();
  for (const auto& favorite : favorites) {
    auto product = store().getProductByProductId(favorite.product_id);
    if (!product) continue;
    favArray_.push_back(favorite);
    products_.push_back(std::move(*product));
  }
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
  std::weak_ptr<ui::ViewController> weak = weak_from_this();
  auto selfOf = [weak] { return std::static_pointer_cast<Self>(weak.lock()); };

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
    return acceptsTap(self->inEdit_, inCard, onPicture);
  };
  root->addGestureRecognizer(tapGesturRecognizer_);

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
    if (auto self = selfOf(); self && self->inEdit_) self->applyWiggle(false);
  });
  foreground_ = base::Observation("AppWillEnterForegroud", nullptr, [selfOf](const base::Notification&) {
    if (auto self = selfOf(); self && self->inEdit_) self->applyWiggle(true);
  });
  updateLanguage(*this);
  getFavoriteShowData();
}

void ProductFavoriteController::updateLanguage(ui::ViewController&) {
  PopBaseController::updateLanguage();
  if (!isViewLoaded()) return;
  if (lblTittle()) lblTittle()->setText(CatalogFeedback::text("FAVORITES"));
  btnEdit_->setTitle(CatalogFeedback::text("EDIT"));
  removeAllBtn_->setTitle(CatalogFeedback::text("REMOVEALL"));
}

// ---- the cards ---------------------------------------------------------------------------

void ProductFavoriteController::getFavoriteShowData() {
  for (const auto& old : cards_) old->removeFromSuperview();
  cards_.clear();
  if (favArray_.empty()) {
    applyWiggle(inEdit_);
    return;
  }
  auto basket = services_->get<OrderBasket>();
  const double gridWidth = favoriteScrollView_->bounds().width();
  for (std::size_t i = 0; i < favArray_.size(); ++i) {
    auto& product = products_[i];
    auto card = std::make_shared<DetailCell>(tileFrame(i, gridWidth), "");
    card->init();
    card->setDetailDelegate(ui::weakAs<DetailCellDelegate>(this));
    card->setTag(kFirstTag + static_cast<long>(i));
    std::string thumb;
    if (auto image = store().getImageByKeyId(product.product_id)) thumb = image->image_thumb_address;
    auto data = PublicFunction::getLocalImage(thumb, kFileTypeProductImage);
    ViewStyle::ImageViewFitImg(card->productImageView(), data ? gfx::Image::fromImageData(*data) : nullptr);
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
      {gridWidth, contentHeight(favArray_.size(), favoriteScrollView_->bounds().height())});
  applyWiggle(inEdit_);
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

void ProductFavoriteController::setInEdit(bool inEdit) {
  if (inEdit == inEdit_) return;
  applyWiggle(inEdit);
  inEdit_ = inEdit;
  btnEdit_->setHidden(inEdit);
  removeAllBtn_->setHidden(!inEdit);
}

void ProductFavoriteController::handleTap(ui::Point inView) {
  bool onPicture = false;
  cardAt(inView, &onPicture);
  if (onPicture) return;
  setInEdit(false);
  const ui::Point inBar = titlebar()->convertPointFromView(inView, view().get());
  if (removeAllBtn_->frame().contains(inBar)) {
    removeAll();
  } else if (btnClose() && btnClose()->frame().contains(inBar)) {
    close(true);
  }
}

void ProductFavoriteController::close(bool animated) {
  if (auto d = delegate()) d->dismissPopController(animated);
}

// ---- removing ------------------------------------------------------------------------------

void ProductFavoriteController::deleteCell(DetailCell& cell) { deleteSingleFavorite(cell.tag() - kFirstTag); }

void ProductFavoriteController::deleteSingleFavorite(long index) {
  if (index < 0 || static_cast<std::size_t>(index) >= favArray_.size()) return;
  MV_LOG("deleteSingleFavorite:", index);
  if (!store().deleteSingleFavoriteByFavoriteId(favArray_[static_cast<std::size_t>(index)].product_id)) {
    CatalogFeedback::toast("FAILED");
    return;
  }
  favArray_.erase(favArray_.begin() + index);
  products_.erase(products_.begin() + index);
  getFavoriteShowData();
  if (auto d = favDelegate_.lock()) d->changeAddFavoriteButtonState();
}

void ProductFavoriteController::removeAll() {
  if (!store().deleteAllFavorites()) {
    CatalogFeedback::toast("FAILED");
    return;
  }
  favArray_.clear();
  products_.clear();
  getFavoriteShowData();
  if (auto d = favDelegate_.lock()) d->changeAddFavoriteButtonState();
  CatalogFeedback::toast("ALLFAVORITESREMOVED");
  close(true);
}

// ---- opening and adding -----------------------------------------------------------------------

void ProductFavoriteController::didSelectedImage(DetailCell& cell) {
  const long index = cell.tag() - kFirstTag;
  if (inEdit_ || index < 0 || static_cast<std::size_t>(index) >= products_.size()) return;
  cell.productImageView().setAlpha(0.4);
  cell.productImageView().setBackgroundColor(ViewStyle::colorOfMainTheme());
  auto keep = shared_from_this();
  const ProductListChoice choice{index, products_};
  close(true);
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::setCatalogLayOut, choice);
}

void ProductFavoriteController::addToOrder(DetailCell& cell) {
  const long index = cell.tag() - kFirstTag;
  if (index < 0 || static_cast<std::size_t>(index) >= favArray_.size()) return;
  addFlow_->addFromCard(favArray_[static_cast<std::size_t>(index)].product_id, static_cast<std::size_t>(index));
}

void ProductFavoriteController::addToOrderFlowDidAdd(const marvisto_product_Entity& product, std::size_t) {
  if (addToOrderPopController_) addToOrderPopController_->dismissPopoverAnimated(true);
  for (std::size_t i = 0; i < products_.size(); ++i) {
    if (products_[i].product_id != product.product_id) continue;
    products_[i].itemNumberInOrder = product.itemNumberInOrder;
    cards_[i]->setBadgeValue(badgeText(product.itemNumberInOrder), true);
  }
}

void ProductFavoriteController::addToOrderFlowOrderReplaced() { getFavoriteShowData(); }

void ProductFavoriteController::addToOrderFlowPresentChooser(const std::shared_ptr<ui::ViewController>& chooser,
                                                             std::size_t cellIndex) {
  if (addToOrderPopController_) addToOrderPopController_->dismissPopoverAnimated(false);
  addToOrderPopController_ = std::make_shared<ui::PopoverController>(chooser);
  addToOrderPopController_->setPopoverContentSize({400, 250});
  ui::Rect anchor = favoriteScrollView_->frame();
  if (auto tile = card(cellIndex)) anchor = tile->convertRectToView(tile->bounds(), view().get());
  addToOrderPopController_->presentPopoverFromRect(
      anchor, view().get(),
      ui::PopoverArrowDirectionDown | ui::PopoverArrowDirectionLeft | ui::PopoverArrowDirectionRight, true);
}

}  // namespace mv
