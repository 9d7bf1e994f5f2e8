#pragma once
// The one place where quote orders are worked on: the current order in
// memory and the new-order slot, turning catalogue products into order lines,
// saving, copying and removing orders in the client database, and the two
// exchanges with the service (submitting unsubmitted orders, paging the
// submitted ones down). One per session, owned by the session's services.
// Main thread only.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "order/QuoteOrderStoreDelegate.hpp"
#include "platform/base/CancelTracker.hpp"
#include "store/Entities.hpp"
#include "store/QuoteOrderEntity.hpp"
#include "sync/RequestSender.hpp"

namespace mv {

class ConfigManager;
class DataAccessManager;
class GetOrderHistoryRst;
class LoginRst;
class SessionServices;
class ShellActions;
class UploadQuoteOrderRst;

class QuoteOrderStore : public std::enable_shared_from_this<QuoteOrderStore> {
 public:
  // What a sign-in must be followed by: flags, as both may wait for one.
  enum NeedWork { kNoWork = 0, kHistoryWork = 1, kUploadWork = 2 };
  // `currentQuoteOrderId` while no upload is under way, and for "every
  // unsubmitted order".
  static constexpr std::int64_t kNoUpload = -1;
  static constexpr std::int64_t kAllOrders = 0;
  // History paging stops once this many submitted orders span more than
  // `kHistorySpanLimit` seconds (180 days).
  static constexpr int kHistoryCountLimit = 60;
  static constexpr double kHistorySpanLimit = 15552000;
  static constexpr long kHistoryPageSize = 10;
  static constexpr const char* kReachEnd = "reachEnd";

  explicit QuoteOrderStore(SessionServices& services);
  // The current session's store (made on first use); null while nobody is
  // signed in.
  static std::shared_ptr<QuoteOrderStore> sharedInstance();
  // The session ends: both slots empty and its requests are cancelled.
  void sessionEnded();

  ~QuoteOrderStore();
  QuoteOrderStore(const QuoteOrderStore&) = delete;
  QuoteOrderStore& operator=(const QuoteOrderStore&) = delete;

  // Re-reads the module switches: 2 customers, 5 orders.
  void loadByConfig();
  bool isCustomerOnShow() const { return isCustomerOnShow_; }
  void setIsCustomerOnShow(bool shown) { isCustomerOnShow_ = shown; }
  bool isOrderOnShow() const { return isOrderOnShow_; }
  void setIsOrderOnShow(bool shown) { isOrderOnShow_ = shown; }

  std::shared_ptr<QuoteOrderStoreDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<QuoteOrderStoreDelegate> delegate) { delegate_ = std::move(delegate); }

  // --- orders in memory --------------------------------------------------------------
  const std::shared_ptr<QuoteOrderEntity>& curQuoteOrder() const { return curQuoteOrder_; }
  void setCurQuoteOrder(std::shared_ptr<QuoteOrderEntity> order) { curQuoteOrder_ = std::move(order); }
  const std::shared_ptr<QuoteOrderEntity>& addQuoteOrder() const { return addQuoteOrder_; }
  void setAddQuoteOrder(std::shared_ptr<QuoteOrderEntity> order) { addQuoteOrder_ = std::move(order); }

  // The order of the new-order slot, made first when the slot is empty: in
  // edit, no fixed discount and nothing off.
  std::shared_ptr<QuoteOrderEntity> createNewQuoteOrder();
  // Adds `product` (its `count` of the variant in `attributes`) to the current
  // order, making one when there is none. Clears any order discount. Refused
  // (false, nothing changed) when the count is below 1 or the line would
  // pass the quantity cap.
  [[nodiscard]] bool addToOrder(const marvisto_product_Entity& product);
  // Adding `product` would leave its line above the quantity cap of
  // 1,000,000 (or the count is above it on its own).
  bool wouldPassLineCap(const marvisto_product_Entity& product) const;
  std::size_t getCurrentQuoteOrderItemsCount() const;
  // Sets the product's `itemNumberInOrder` to the quantity of it in the
  // current order, whatever the variants.
  void getItemNumberInOrder(marvisto_product_Entity& product) const;
  // A line of the current order is in another currency than the product's
  // price; a blank currency equals a blank currency.
  bool diffItemCYExist(const marvisto_product_Entity& product) const;
  // The current order has a line the product would be merged into.
  bool productExist(const marvisto_product_Entity& product) const;
  void removeQuoteOrderItemAtIndex(long index);
  // The unit price charged now: the discount price while it applies, else
  // the list price. The count does not matter.
  double retriveProductPriceWithProductID(int productId, int count) const;

  // --- stored orders ------------------------------------------------------------------
  // Stores the current order in place of its stored copy. On success the
  // current slot empties, and the new-order slot too when it holds an order
  // (else the editor is told to close). On failure nothing changes, in
  // memory or stored, and the answer is false.
  [[nodiscard]] bool saveCurrentQuoteOrder();
  // Drops the current order unsaved, with the same slot rule.
  void removeCurrentQuoteOrder();
  // Stores a copy of `order` as a new unsubmitted order.
  [[nodiscard]] bool copyQuoteOrderEntity(const QuoteOrderEntity& order);
  [[nodiscard]] bool removeQuoteOrder(int orderId);
  // 0 all, 1 submitted, 2 unsubmitted; newest first.
  std::vector<std::shared_ptr<QuoteOrderEntity>> fetchQuoteOrders(int condition, const std::string& searchText) const;
  std::vector<std::shared_ptr<QuoteOrderEntity>> quoteOrders() const;
  std::vector<std::shared_ptr<QuoteOrderEntity>> rcntQuoteOrders() const;
  std::vector<std::shared_ptr<QuoteOrderItemEntity>> fetchQuoteOrderItemsWithQuoteOrder(int orderId) const;
  // The upload text of the unsubmitted orders (every one for 0).
  std::string fetchQuoteOrdersDicString(int orderId) const;
  [[nodiscard]] bool setQuoteOrdersUploaded(int orderId);
  [[nodiscard]] bool setQuoteOrdersUploadedWithOrderNumber(const std::string& orderNumber);
  [[nodiscard]] bool updateOrdeIDWithOrderNumber(const std::string& orderNumber, int newOrderId);
  // Customers made on the device were accepted by the service: stored orders
  // and both slots move from each local id (`pid`) to the service's id.
  [[nodiscard]] bool updateOrderTable(const std::vector<marvisto_customer_Entity>& customers);
  // The same for the orders held in memory only (the customer book moves the
  // stored ones in its own transaction); the delegate hears of each customer.
  void updateCustomerIdsInMemory(const std::vector<marvisto_customer_Entity>& customers);
  // Some stored order names the customer.
  bool isInUnsubmitOrder(int customerId) const;

  // --- exchange with the service ------------------------------------------------------
  // Submits the order (every unsubmitted one for 0), signing in first when
  // the session is not online.
  void startUploadQuoteOrder(std::int64_t orderId);
  // The user gave up waiting for the submission: its request (or the
  // sign-in's part of it) is dropped, no late reply reaches the orders, and
  // they stay unsubmitted, as after a failed upload.
  void abandonUpload();
  // The next page of history, unless enough is held already.
  void getLastTenOrderHistory();
  void getHistoryOrderFromTime(const std::optional<std::string>& baseTime, long number);
  void requestUploadQuoteOrder(std::int64_t orderId);
  void requestSyncHistoryQuoteOrderFromTime(const std::optional<std::string>& baseTime, long number);
  void requestLogin();

  bool submitting() const { return submitting_; }
  bool syncing() const { return syncing_; }
  int needWork() const { return needWork_; }
  std::int64_t currentQuoteOrderId() const { return currentQuoteOrderId_; }

  // Where the orders tab's badge goes: the main tab bar unless replaced.
  using BadgeSetter = std::function<void(const std::string&)>;
  void setBadgeSetter(BadgeSetter setter) { badge_ = std::move(setter); }

 private:
  void uploadQuoteOrdersFinished(const UploadQuoteOrderRst& result);
  void getOrderHistoryFinished(const GetOrderHistoryRst& result);
  void loginFinished(const LoginRst& result);
  // The session ended while the request of `cmdCode` was on its way.
  void endedBySession(int cmdCode, const NetBaseRst& result);
  // Clears the flag of the work the request was for and tells the delegate:
  // of the reply, or that the session ended (the shell told the user).
  void endWork(int cmdCode, const std::string& status, const std::string& message, bool sessionEnded = false);
  // Ends each work of the NeedWork flags, as a failed sign-in does.
  void endWorks(int works, const std::string& status, const std::string& message, bool sessionEnded = false);
  void reportUpload(const std::string& status, const std::string& message);
  void reportHistory(const std::optional<std::string>& status, const std::optional<std::string>& message);
  void setOrderBadge(const std::string& value);
  // The line of the current order that `product` merges into, or null.
  std::shared_ptr<QuoteOrderItemEntity> mergeTarget(const marvisto_product_Entity& product) const;
  // After saving or dropping the current order.
  void releaseSlots();

  std::shared_ptr<DataAccessManager> database_;
  // Which of the customer and order modules the session shows.
  std::shared_ptr<ConfigManager> config_;
  std::shared_ptr<QuoteOrderEntity> curQuoteOrder_;
  std::shared_ptr<QuoteOrderEntity> addQuoteOrder_;
  std::weak_ptr<QuoteOrderStoreDelegate> delegate_;
  bool isCustomerOnShow_ = true;
  bool isOrderOnShow_ = true;
  bool submitting_ = false;
  bool syncing_ = false;
  int needWork_ = kNoWork;
  std::int64_t currentQuoteOrderId_ = kNoUpload;

  // A sign-in for the waiting work is on its way.
  bool signingIn_ = false;
  // The numbers of the orders in the upload text on its way: exactly these
  // are marked submitted when the service accepts it.
  std::vector<std::string> sentOrderNumbers_;

  std::shared_ptr<RequestSender> sender_;
  // Where the orders tab's badge goes (nothing without an application).
  std::shared_ptr<ShellActions> actions_;
  // The submission, the history page and the sign-in on their way, each
  // under its own tracker: a new one replaces the one before, and all are
  // cancelled when the session ends or the store is freed.
  base::CancelTracker upload_;
  base::CancelTracker history_;
  base::CancelTracker login_;
  BadgeSetter badge_;
};

}  // namespace mv
