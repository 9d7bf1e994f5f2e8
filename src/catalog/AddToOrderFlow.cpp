#include "catalog/AddToOrderFlow.hpp"

#include "catalog/CatalogFeedback.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/frame/ScreenAlert.hpp"
#include "shell/frame/ShellActions.hpp"
#include "store/AttributeText.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "util/Text.hpp"

namespace mv {

AddToOrderFlow::AutoChoice AddToOrderFlow::autoChoice(std::vector<product_attribute_cell_Entity> attributes) {
  AutoChoice result;
  for (auto& attribute : attributes) {
    if (isBlank(attribute.attributeList)) continue;
    const auto options = AttributeText::options(attribute.attributeList);
    if (options.size() == 1) {
      attribute.attributeValue = options.front();
    } else {
      result.needsChoice = true;
    }
  }
  if (!result.needsChoice) result.attributes = AttributeText::build(attributes);
  return result;
}

std::shared_ptr<AddToOrderFlow> AddToOrderFlow::create(SessionServices& services,
                                                       std::weak_ptr<AddToOrderFlowDelegate> delegate) {
  return std::shared_ptr<AddToOrderFlow>(new AddToOrderFlow(services, std::move(delegate)));
}

std::optional<marvisto_product_Entity> AddToOrderFlow::storedProduct(int productId) const {
  return services_->database().getProductByProductId(productId);
}

AddToOrderFlow::~AddToOrderFlow() {
  // An answer after the screen went away has nowhere to go.
  if (currencyAlert_ && currencyAlert_->isVisible()) currencyAlert_->dismissWithClickedButtonIndex(-1, false);
}

void AddToOrderFlow::addFromCard(int productId, std::size_t cellIndex) { start({productId, cellIndex, std::nullopt}); }

void AddToOrderFlow::addChosen(int productId, Choice choice, std::size_t cellIndex) {
  start({productId, cellIndex, std::move(choice)});
}

void AddToOrderFlow::start(Request request) {
  MV_ASSERT_MAIN_THREAD();
  auto basket = this->basket();
  auto product = storedProduct(request.productId);
  if (!basket || !product) {
    CatalogFeedback::toast("FAILED");
    return;
  }
  if (basket->diffItemCYExist(*product)) {
    pending_ = std::move(request);
    currencyAlert_ = ScreenAlert{kCurrencyAlertTag, "", CatalogFeedback::text("NOTTHESAMEMONEYCY"),
                                 CatalogFeedback::text("DONTSAVE"), {CatalogFeedback::text("SAVE")}}
                         .show(ui::weakAs<ui::AlertViewDelegate>(this));
    return;
  }
  proceed(request);
}

void AddToOrderFlow::alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) {
  if (alert.tag() != kCurrencyAlertTag || !pending_) return;
  const Request request = std::move(*pending_);
  pending_.reset();
  currencyAlert_.reset();
  auto basket = this->basket();
  if (!basket) {
    CatalogFeedback::toast("FAILED");
    return;
  }
  if (buttonIndex == kSaveButton) {
    // The store keeps the order when it cannot save it; nothing is added.
    const SessionDatabase::UserWrite userWrite;
    if (!basket->saveCurrentQuoteOrder()) {
      CatalogFeedback::alert("ORDERSAVEFAILED", SessionDatabase::failedWriteKey());
      return;
    }
  } else if (buttonIndex == kDontSaveButton) {
    basket->removeCurrentQuoteOrder();
  } else {
    return;
  }
  if (auto actions = ShellActions::of(services_)) actions->setTabBadge(MainTabScreens::kQuoteOrder, "0", false);
  auto keep = shared_from_this();
  if (auto d = delegate_.lock()) d->addToOrderFlowOrderReplaced();
  proceed(request);
}

void AddToOrderFlow::proceed(const Request& request) {
  auto product = storedProduct(request.productId);
  auto basket = this->basket();
  if (!product || !basket) {
    CatalogFeedback::toast("FAILED");
    return;
  }
  if (request.choice) {
    product->count = request.choice->count;
    product->attributes = request.choice->attributes;
    add(std::move(*product), request.cellIndex);
    return;
  }
  product->count = 1;
  const auto choice = autoChoice(services_->database().getProductAttributeByProductId(request.productId));
  if (!choice.needsChoice) {
    product->attributes = choice.attributes;
    add(std::move(*product), request.cellIndex);
    return;
  }
  chooser_ = basket->makeAddToOrderController(*product, request.cellIndex,
                                              ui::weakAs<AddToOrderControllerDelegate>(this));
  if (!chooser_) {
    // This build offers no popover to choose in.
    CatalogFeedback::toast("CHOOSEATTRIBUTE");
    return;
  }
  if (auto d = delegate_.lock()) d->addToOrderFlowPresentChooser(chooser_, request.cellIndex);
}

void AddToOrderFlow::addProductToOrderWithProduct(const marvisto_product_Entity& chosen, std::size_t cellIndex) {
  auto product = storedProduct(chosen.product_id);
  if (!product) {
    CatalogFeedback::toast("FAILED");
    return;
  }
  product->count = chosen.count;
  product->attributes = chosen.attributes;
  add(std::move(*product), cellIndex);
}

void AddToOrderFlow::add(marvisto_product_Entity product, std::size_t cellIndex) {
  auto basket = this->basket();
  if (basket && basket->wouldPassLineCap(product)) {
    CatalogFeedback::alert("QUANTITYTOOLARGE", "ORDEROVERMAX");
    return;
  }
  if (!basket || !basket->addToOrder(product)) {
    CatalogFeedback::toast("FAILED");
    return;
  }
  chooser_.reset();
  basket->getItemNumberInOrder(product);
  auto keep = shared_from_this();
  if (auto d = delegate_.lock()) d->addToOrderFlowDidAdd(product, cellIndex);
}

}  // namespace mv
