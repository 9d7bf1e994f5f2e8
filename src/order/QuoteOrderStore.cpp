#include "order/QuoteOrderStore.hpp"


#include "catalog/ProductQuantity.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/RunLoop.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/frame/ShellActions.hpp"
#include "store/DataAccessManager.hpp"
#include "store/OrderModel.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/SessionServices.hpp"
#include "util/Text.hpp"

namespace mv {

namespace {

// Blank attributes: nothing, or only spaces and tabs.
bool blankAttributes(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

}  // namespace

// ---- instance -----------------------------------------------------------------------

std::shared_ptr<QuoteOrderStore> QuoteOrderStore::sharedInstance() {
  auto services = SessionServices::current();
  return services ? services->get<QuoteOrderStore>() : nullptr;
}

QuoteOrderStore::QuoteOrderStore(SessionServices& services)
    : database_(services.databaseHandle()),
      config_(services.get<ConfigManager>()),
      sender_(services.requestSender()),
      actions_(ShellActions::of(services)) {
  MV_ASSERT_MAIN_THREAD();
  loadByConfig();
}

void QuoteOrderStore::sessionEnded() {
  upload_.cancelAll();
  history_.cancelAll();
  login_.cancelAll();
  signingIn_ = false;
  curQuoteOrder_.reset();
  addQuoteOrder_.reset();
  delegate_.reset();
}

QuoteOrderStore::~QuoteOrderStore() = default;

void QuoteOrderStore::loadByConfig() {
  // Before a configuration is known both modules count as shown.
  const auto& config = config_;
  if (!config) return;
  isCustomerOnShow_ = config->isOnShow(MainTabScreens::kCustomer);
  isOrderOnShow_ = config->isOnShow(MainTabScreens::kQuoteOrder);
}

// ---- orders in memory ----------------------------------------------------------------

std::shared_ptr<QuoteOrderEntity> QuoteOrderStore::createNewQuoteOrder() {
  if (!addQuoteOrder_) {
    auto order = std::make_shared<QuoteOrderEntity>(Session::current());
    order->isInEdit = true;
    order->setDiscount(-1.0);
    order->discountRat = 100;
    addQuoteOrder_ = std::move(order);
  }
  return addQuoteOrder_;
}

std::shared_ptr<QuoteOrderItemEntity> QuoteOrderStore::mergeTarget(const marvisto_product_Entity& product) const {
  if (!curQuoteOrder_) return nullptr;
  for (const auto& line : curQuoteOrder_->items) {
    if (!line || line->product.product_id != product.product_id) continue;
    if (blankAttributes(line->attributes) || line->attributes == product.attributes) return line;
  }
  return nullptr;
}

bool QuoteOrderStore::wouldPassLineCap(const marvisto_product_Entity& product) const {
  // Summed in 64 bits: two quantities within int can pass its range together.
  std::int64_t total = product.count;
  if (auto target = mergeTarget(product)) total += target->quantity;
  return total > ProductQuantity::kMaximum;
}

bool QuoteOrderStore::addToOrder(const marvisto_product_Entity& product) {
  MV_ASSERT_MAIN_THREAD();
  if (product.count < 1 || wouldPassLineCap(product)) return false;
  if (!curQuoteOrder_) {
    if (auto d = delegate()) d->popSelfView();
    curQuoteOrder_ = createNewQuoteOrder();
  }
  QuoteOrderEntity& order = *curQuoteOrder_;
  if (auto target = mergeTarget(product)) {
    target->quantity += product.count;
  } else {
    const marvisto_product_price_Entity record = database_->getPriceEntityByProductId(product.product_id);
    auto line = std::make_shared<QuoteOrderItemEntity>();
    line->product = product;
    line->currency = record.currency;
    order.currency = record.currency;
    line->quantity = product.count;
    line->sku = product.product_sku;
    line->name = product.product_name;
    line->attributes = product.attributes;
    line->price = record.price;
    line->finalPrice = record.discount_flag ? record.discount_price : record.price;
    line->setSubtotal(line->subtotal());
    // A line keeps id 0 until it is saved, even in a stored order: the save
    // gives it an id no other line has.
    line->orderID = order.serial;
    line->cdate = line->mdate = QuoteOrderEntity::currentTimeText();
    order.items.push_back(std::move(line));
    setOrderBadge(std::to_string(order.items.size()));
  }
  // Adding anything puts the order back to full price.
  order.setDiscount(-1.0);
  order.discountRat = 100;
  return true;
}

std::size_t QuoteOrderStore::getCurrentQuoteOrderItemsCount() const {
  return curQuoteOrder_ ? curQuoteOrder_->items.size() : 0;
}

void QuoteOrderStore::getItemNumberInOrder(marvisto_product_Entity& product) const {
  std::uint64_t sum = 0;
  if (curQuoteOrder_) {
    for (const auto& line : curQuoteOrder_->items) {
      if (line && line->product.product_id == product.product_id && line->quantity > 0)
        sum += static_cast<std::uint64_t>(line->quantity);
    }
  }
  product.itemNumberInOrder = sum;
}

bool QuoteOrderStore::diffItemCYExist(const marvisto_product_Entity& product) const {
  if (!curQuoteOrder_ || curQuoteOrder_->items.empty()) return false;
  const std::string currency = trimWhitespace(database_->getPriceEntityByProductId(product.product_id).currency);
  for (const auto& line : curQuoteOrder_->items) {
    if (line && trimWhitespace(line->currency) != currency) return true;
  }
  return false;
}

bool QuoteOrderStore::productExist(const marvisto_product_Entity& product) const {
  return mergeTarget(product) != nullptr;
}

void QuoteOrderStore::removeQuoteOrderItemAtIndex(long index) {
  if (!curQuoteOrder_ || index < 0 || static_cast<std::size_t>(index) >= curQuoteOrder_->items.size()) return;
  curQuoteOrder_->items.erase(curQuoteOrder_->items.begin() + index);
}

double QuoteOrderStore::retriveProductPriceWithProductID(int productId, int /*count*/) const {
  const marvisto_product_price_Entity record = database_->getPriceEntityByProductId(productId);
  return record.discount_flag ? record.discount_price : record.price;
}

void QuoteOrderStore::setOrderBadge(const std::string& value) {
  if (badge_) {
    badge_(value);
    return;
  }
  if (actions_) actions_->setTabBadge(MainTabScreens::kQuoteOrder, value, true);
}

// ---- stored orders -------------------------------------------------------------------

void QuoteOrderStore::releaseSlots() {
  curQuoteOrder_.reset();
  if (addQuoteOrder_) {
    addQuoteOrder_.reset();
  } else if (auto d = delegate()) {
    d->popSelfView();
  }
}

bool QuoteOrderStore::saveCurrentQuoteOrder() {
  MV_ASSERT_MAIN_THREAD();
  if (!curQuoteOrder_) return false;
  if (database_->replaceQuoteOrder(*curQuoteOrder_) == 0) {
    // The order stays current and the editor open, so nothing is lost.
    MV_LOG("The current quote order could not be saved");
    return false;
  }
  curQuoteOrder_->items.clear();
  releaseSlots();
  return true;
}

void QuoteOrderStore::removeCurrentQuoteOrder() { releaseSlots(); }

bool QuoteOrderStore::copyQuoteOrderEntity(const QuoteOrderEntity& order) {
  auto copy = order.duplicateOrder(Session::current());
  return database_->saveQuoteOrder(*copy) != 0;
}

bool QuoteOrderStore::removeQuoteOrder(int orderId) {
  return database_->removeQuoteOrder(orderId);
}

std::vector<std::shared_ptr<QuoteOrderEntity>> QuoteOrderStore::fetchQuoteOrders(int condition,
                                                                                const std::string& searchText) const {
  return database_->fetchQuoteOrders(condition, searchText);
}

std::vector<std::shared_ptr<QuoteOrderEntity>> QuoteOrderStore::quoteOrders() const {
  return fetchQuoteOrders(OrderModel::kUnsubmittedOrders, "");
}

std::vector<std::shared_ptr<QuoteOrderEntity>> QuoteOrderStore::rcntQuoteOrders() const {
  return fetchQuoteOrders(OrderModel::kUploadedOrders, "");
}

std::vector<std::shared_ptr<QuoteOrderItemEntity>> QuoteOrderStore::fetchQuoteOrderItemsWithQuoteOrder(
    int orderId) const {
  return database_->fetchQuoteOrderItemsWithQuoteOrder(orderId);
}

std::string QuoteOrderStore::fetchQuoteOrdersDicString(int orderId) const {
  return database_->fetchQuoteOrdersDicString(orderId, isCustomerOnShow_);
}

bool QuoteOrderStore::setQuoteOrdersUploaded(int orderId) {
  return database_->setQuoteOrdersToUploaded(orderId, isCustomerOnShow_);
}

bool QuoteOrderStore::setQuoteOrdersUploadedWithOrderNumber(const std::string& orderNumber) {
  return !orderNumber.empty() && database_->setQuoteOrdersUploadedWithOrderNumber(orderNumber);
}

bool QuoteOrderStore::updateOrdeIDWithOrderNumber(const std::string& orderNumber, int newOrderId) {
  return database_->updateOrderIDWithOrderNumber(orderNumber, newOrderId);
}

bool QuoteOrderStore::updateOrderTable(const std::vector<marvisto_customer_Entity>& customers) {
  const bool stored = database_->updateOrderTable(customers);
  if (!stored) MV_LOG("The orders' customers could not be moved to their new ids");
  // The orders in memory follow even when the stored ones could not: they
  // are saved later with whatever id they hold.
  updateCustomerIdsInMemory(customers);
  return stored;
}

void QuoteOrderStore::updateCustomerIdsInMemory(const std::vector<marvisto_customer_Entity>& customers) {
  for (const auto& c : customers) {
    for (const auto& order : {addQuoteOrder_, curQuoteOrder_}) {
      if (order && order->customerId == c.pid) order->customerId = c.customer_id;
    }
    if (auto d = delegate()) d->updateCustomerId(c.pid, c.customer_id);
  }
}

bool QuoteOrderStore::isInUnsubmitOrder(int customerId) const {
  return database_->isInUnsubmitOrder(customerId);
}

}  // namespace mv
