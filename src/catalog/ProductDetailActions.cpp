// The product screen's own actions: the quantity, adding to the order (or
// saving the order line it edits), and walking to the previous or next
// product of the list it was opened on.
#include "catalog/ProductDetailController.hpp"

#include <climits>

#include "catalog/CatalogFeedback.hpp"
#include "catalog/ProductQuantity.hpp"
#include "platform/ui/LayerAnimation.hpp"
#include "store/DataAccessManager.hpp"

namespace mv {

// ---- quantity and adding ----------------------------------------------------------------------

void ProductDetailController::deleteCount() {
  countTextField_->setText(
      std::to_string(ProductQuantity::decremented(ProductQuantity::intValue(countTextField_->text()))));
}

void ProductDetailController::addCount() {
  const int count = ProductQuantity::intValue(countTextField_->text());
  countTextField_->setText(std::to_string(count < INT_MAX ? count + 1 : count));
}

void ProductDetailController::addToOrder() {
  countTextField_->resignFirstResponder();
  const auto check = ProductQuantity::check(countTextField_->text());
  // A quantity refused is put right in its field: typing goes on there
  // once the alert is answered.
  switch (check.verdict) {
    case ProductQuantity::Verdict::NotPositive:
      CatalogFeedback::alert("INVALIDINPUT", "PLEASEINPUTAPOSITIVENUMBER")->setReturnsFocusTo(countTextField_);
      return;
    case ProductQuantity::Verdict::Malformed:
      CatalogFeedback::alertWithMessage("INVALIDINPUT", check.reason)->setReturnsFocusTo(countTextField_);
      return;
    case ProductQuantity::Verdict::TooLarge:
      countTextField_->setText(std::to_string(ProductQuantity::kMaximum));
      CatalogFeedback::alert("QUANTITYTOOLARGE", "ORDEROVERMAX")->setReturnsFocusTo(countTextField_);
      return;
    case ProductQuantity::Verdict::Accepted:
      break;
  }
  if (isInEdit_) {
    saveEditedLine(check.count);
    return;
  }
  // Asked before the currency question, so that no order is saved or
  // dropped for an add that cannot happen.
  if (!attributeView_->allChosen()) {
    CatalogFeedback::toast("CHOOSEATTRIBUTE");
    return;
  }
  addFlow_->addChosen(productID_, {check.count, attributeView_->attributes()});
}

void ProductDetailController::saveEditedLine(int count) {
  auto product = store().getProductByProductId(productID_);
  if (!product) {
    CatalogFeedback::toast("FAILED");
    return;
  }
  product->count = count;
  product->attributes = attributeView_->attributes();
  auto keep = shared_from_this();
  if (auto d = delegate_.lock()) {
    if (!d->saveOrderItem(*product, itemIndex_)) {
      CatalogFeedback::alert("QUANTITYTOOLARGE", "ORDEROVERMAX");
      return;
    }
    d->back();
  }
  // The edited line replaced the old one: the count is read again, not added to.
  refreshItemNumberInOrder();
  if (productEntity_.itemNumberInOrder > 0) {
    addToOrderBtn_->setBadgeValue(std::to_string(productEntity_.itemNumberInOrder), true);
  }
}

void ProductDetailController::addToOrderFlowDidAdd(const marvisto_product_Entity& product, std::size_t) {
  if (product.product_id != productID_) return;
  productEntity_.itemNumberInOrder = product.itemNumberInOrder;
  addToOrderBtn_->setBadgeValue(std::to_string(product.itemNumberInOrder), true);
}

void ProductDetailController::addToOrderFlowOrderReplaced() { refreshItemNumberInOrder(); }

// ---- moving through the list --------------------------------------------------------------------

void ProductDetailController::slipToRight() { moveProduct(ProductListPosition::Move::Previous); }

void ProductDetailController::slipToLeft() { moveProduct(ProductListPosition::Move::Next); }

void ProductDetailController::moveProduct(ProductListPosition::Move move) {
  const bool previous = move == ProductListPosition::Move::Previous;
  if (position_.count() != 1) (previous ? m_tapToRightProduct_ : m_tapToLeftProduct_)->setHidden(false);
  ui::Layer& layer = view()->layer();
  if (position_.move(move) == ProductListPosition::Step::Moved) {
    showProductAt(position_.index());
    ui::BasicAnimation page("position.x");
    page.fromValue = layer.position().x + (previous ? -kViewFrame.width() : kViewFrame.width());
    page.toValue = layer.position().x;
    page.duration = kPageTransitionDuration;
    page.timingFunction = previous ? ui::TimingFunction::EaseIn : ui::TimingFunction::EaseOut;
    layer.addAnimation(page, previous ? "kPagePushFromLeft" : "kPagePushFromRight");
    refreshData();
    refreshTitle();
  } else {
    ui::BasicAnimation bounce("position.x");
    bounce.toValue = layer.position().x + (previous ? kBounceDistance : -kBounceDistance);
    bounce.duration = kBounceDuration;
    bounce.timingFunction = ui::TimingFunction::EaseInEaseOut;
    bounce.autoreverses = true;
    bounce.fillMode = "forwards";
    layer.addAnimation(bounce, previous ? "BouceToRight" : "BouceToLeft");
  }
  refreshArrows();
  refreshItemNumberInOrder();
}

void ProductDetailController::showProductAt(long index) {
  if (index < 0 || static_cast<std::size_t>(index) >= productArray_->size()) return;
  setProductEntity((*productArray_)[static_cast<std::size_t>(index)]);
  if (tagStripInUse_) {
    initTagsScrollView();
    currentIndex_ = -1;
  }
}

void ProductDetailController::changeProduct(int direction, bool slideshow) {
  const bool atEnd = position_.nextHidden();
  ProductListPosition::Step step = ProductListPosition::Step::Bounced;
  if (direction == 1) {
    step = position_.move(ProductListPosition::Move::Previous);
  } else if (direction == 2) {
    step = slideshow && atEnd ? position_.advanceWrapping() : position_.move(ProductListPosition::Move::Next);
  }
  if (step == ProductListPosition::Step::Moved) {
    showProductAt(position_.index());
    timers_.after(kBrowserRefreshDelay, [this] { refreshData(); });
    refreshTitle();
  }
  refreshArrows();
  if (imageController_) {
    // The browser shows the new product's pictures from its first one.
    manyImagesArray_ = store().getManyImageByKeyId(productID_);
    fillBrowser(*imageController_);
    imageController_->setTag(0);
  }
  refreshItemNumberInOrder();
}

}  // namespace mv
