#include "catalog/ProductListPopup.hpp"

#include "catalog/CatalogFeedback.hpp"
#include "catalog/CatalogNotifications.hpp"
#include "platform/ui/WeakAs.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "util/FitCGRect.hpp"
#include "util/PublicFunction.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {

ProductListPopup::ProductListPopup(SessionServices& services, const Kind& kind)
    : services_(services.shared_from_this()), kind_(kind) {}

void ProductListPopup::setListedProducts(const std::vector<int>& productIds) {
  products_.clear();
  for (int id : productIds) {
    if (auto product = store().getProductByProductId(id)) products_.push_back(std::move(*product));
  }
}

void ProductListPopup::finishListView() {
  const auto& fit = FitCGRect::sharedInstance();
  auto weak = ui::weakAs<ProductListPopup>(this);
  auto selfOf = [weak] { return weak.lock(); };
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
  view()->bringSubviewToFront(titlebar().get());

  addFlow_ = AddToOrderFlow::create(*services_, ui::weakAs<AddToOrderFlowDelegate>(this));
  // The wiggle stops while the application is in the background.
  background_ = base::Observation("AppWillEnterBackgound", nullptr, [selfOf](const base::Notification&) {
    if (auto self = selfOf(); self && self->inEdit_) self->applyWiggle(false);
  });
  foreground_ = base::Observation("AppWillEnterForegroud", nullptr, [selfOf](const base::Notification&) {
    if (auto self = selfOf(); self && self->inEdit_) self->applyWiggle(true);
  });
  inEdit_ = false;
  updateLanguage(*this);
  showProducts();
}

void ProductListPopup::updateLanguage(ui::ViewController&) {
  PopBaseController::updateLanguage();
  if (!isViewLoaded()) return;
  if (lblTittle()) lblTittle()->setText(CatalogFeedback::text(kind_.titleKey));
  btnEdit_->setTitle(CatalogFeedback::text("EDIT"));
  removeAllBtn_->setTitle(CatalogFeedback::text("REMOVEALL"));
}

std::string ProductListPopup::thumbnailOf(int productId) const {
  std::string thumb;
  if (auto image = store().getImageByKeyId(productId)) thumb = image->image_thumb_address;
  return thumb;
}

std::optional<std::string> ProductListPopup::badgeText(std::uint64_t count) {
  return count == 0 ? std::nullopt : std::optional<std::string>(std::to_string(count));
}

// ---- edit mode and removing --------------------------------------------------------------

void ProductListPopup::setInEdit(bool inEdit) {
  if (inEdit == inEdit_) return;
  applyWiggle(inEdit);
  inEdit_ = inEdit;
  btnEdit_->setHidden(inEdit);
  removeAllBtn_->setHidden(!inEdit);
}

void ProductListPopup::removeProductAt(long index) {
  if (index < 0 || static_cast<std::size_t>(index) >= products_.size()) return;
  const SessionDatabase::UserWrite userWrite;
  if (!(store().*kind_.removeOne)(products_[static_cast<std::size_t>(index)].product_id)) {
    CatalogFeedback::toast(SessionDatabase::failedWriteKey());
    return;
  }
  products_.erase(products_.begin() + index);
  showProducts();
  listChanged();
}

void ProductListPopup::removeAll() {
  const SessionDatabase::UserWrite userWrite;
  if (!(store().*kind_.removeAll)()) {
    CatalogFeedback::toast(SessionDatabase::failedWriteKey());
    return;
  }
  products_.clear();
  showProducts();
  listChanged();
  CatalogFeedback::toast(kind_.allRemovedKey);
  close(true);
}

void ProductListPopup::close(bool animated) {
  if (auto d = delegate()) d->dismissPopController(animated);
}

// ---- opening and adding ---------------------------------------------------------------------

void ProductListPopup::openProductAt(long index) {
  if (index < 0 || static_cast<std::size_t>(index) >= products_.size()) return;
  auto keep = shared_from_this();
  const ProductListChoice choice{index, products_};
  close(true);
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::setCatalogLayOut, choice);
}

void ProductListPopup::addProductAt(long index) {
  if (index < 0 || static_cast<std::size_t>(index) >= products_.size()) return;
  addFlow_->addFromCard(products_[static_cast<std::size_t>(index)].product_id, static_cast<std::size_t>(index));
}

void ProductListPopup::addToOrderFlowDidAdd(const marvisto_product_Entity& product, std::size_t) {
  if (addToOrderPopController_) addToOrderPopController_->dismissPopoverAnimated(true);
  // The list may have changed while the product was being added: its cells
  // are found by product, not by the place it had.
  for (std::size_t i = 0; i < products_.size(); ++i) {
    if (products_[i].product_id != product.product_id) continue;
    products_[i].itemNumberInOrder = product.itemNumberInOrder;
    setCellBadge(i, badgeText(product.itemNumberInOrder));
  }
}

void ProductListPopup::addToOrderFlowPresentChooser(const std::shared_ptr<ui::ViewController>& chooser,
                                                    std::size_t cellIndex) {
  if (addToOrderPopController_) addToOrderPopController_->dismissPopoverAnimated(false);
  addToOrderPopController_ = std::make_shared<ui::PopoverController>(chooser);
  addToOrderPopController_->setPopoverContentSize({400, 250});
  ui::Rect anchor = listFrame();
  if (auto cart = cartButton(cellIndex)) anchor = cart->convertRectToView(cart->bounds(), view().get());
  addToOrderPopController_->presentPopoverFromRect(
      anchor, view().get(),
      ui::PopoverArrowDirectionDown | ui::PopoverArrowDirectionLeft | ui::PopoverArrowDirectionRight, true);
}

}  // namespace mv
