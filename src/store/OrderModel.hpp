#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Value.hpp"
#include "store/BaseDataModel.hpp"
#include "store/Entities.hpp"
#include "store/QuoteOrderEntity.hpp"

namespace mv {

// Quote orders and their lines. Lines are keyed by (order id, line id): line
// ids are numbered within their order. Creation times are stored as shown
// ("MM/dd/yyyy HH:mm:ss") and, beside them, in a sortable form.
class OrderModel : public BaseDataModel {
 public:
  using BaseDataModel::BaseDataModel;
  [[nodiscard]] bool updateVersion() override;

  // Which stored orders `fetchQuoteOrders` returns.
  enum Condition { kAllOrders = 0, kUploadedOrders = 1, kUnsubmittedOrders = 2 };

  // Stores the order and its lines in one transaction; a new order (id 0)
  // and new lines (id 0) get fresh negative ids, written back into the
  // entities once the outermost transaction has committed (so the order must
  // outlive a transaction the call runs in). Answers the order id, 0 on
  // failure.
  [[nodiscard]] int saveQuoteOrder(QuoteOrderEntity& order);
  // The stored lines of the order give way to its lines in memory: the
  // delete and the save are one transaction, so a failure keeps the stored
  // order as it was. Answers the order id, 0 on failure.
  [[nodiscard]] int replaceQuoteOrder(QuoteOrderEntity& order);
  [[nodiscard]] bool removeQuoteOrder(int orderId);
  [[nodiscard]] bool removeQuoteOrderItemsByQuoteOrderID(int orderId);

  // Newest first; a search text that is not blank keeps orders whose customer
  // name or number contains it, case ignored. Lines are loaded.
  std::vector<std::shared_ptr<QuoteOrderEntity>> fetchQuoteOrders(int condition, const std::string& searchText);
  std::vector<std::shared_ptr<QuoteOrderItemEntity>> fetchQuoteOrderItemsWithQuoteOrder(int orderId);

  // Upload text {"order": [...]} of the unsubmitted orders that have lines
  // (all for 0); while the customers module is shown, only those naming a
  // customer.
  std::string fetchQuoteOrdersDicString(int orderId, bool customersShown);
  [[nodiscard]] bool setQuoteOrdersToUploaded(int orderId, bool customersShown);
  [[nodiscard]] bool setQuoteOrdersUploadedWithOrderNumber(const std::string& orderNumber);
  // Marks exactly the orders of those numbers, in one transaction.
  [[nodiscard]] bool setQuoteOrdersUploadedWithOrderNumbers(const std::vector<std::string>& orderNumbers);
  [[nodiscard]] bool updateOrderIDWithOrderNumber(const std::string& orderNumber, int newOrderId);
  // Moves stored orders from each customer's local id (pid) to its service id.
  [[nodiscard]] bool updateOrderTable(const std::vector<marvisto_customer_Entity>& customers);

  // Submitted orders of the signed-in account (number "<account>_...").
  [[nodiscard]] int numberOfAllSubmittedOrder();
  std::optional<std::string> retriveEarliestSubmittedOrderTime();
  double timeDurationOfAllSubmittedOrder();

  // The service's copy of a submitted order takes the place of the stored
  // orders of its number, under the service's id unless another order holds
  // it; false when it is not stored: malformed, or the number is that of a
  // local order not submitted yet (which stays as it is).
  [[nodiscard]] bool updateLocalHistoryOrderFromServer(const base::Value& order);
  // A line of the history; false when its order is not a submitted order
  // the device holds.
  [[nodiscard]] bool updateLocalHistoryOrderItemFromServer(const base::Value& line);
  // A page of the history: each order as above, each line with the copy of
  // its order stored from the page (skipped with it, and stored with it when
  // the copy had to take an id of its own because the service's id belongs
  // to another order, which stays as it is). The number of orders and lines
  // skipped.
  [[nodiscard]] int updateLocalHistoryPageFromServer(const std::vector<base::Value>& orders,
                                                     const std::vector<base::Value>& lines);
  [[nodiscard]] bool updateOrderSignature(const std::string& signature, int orderId);

  // {"order": [...]} of the unsubmitted orders, in the backup's form;
  // nothing when the read failed.
  std::optional<base::Value> fetchBackupOuoteOrdersDic();
  // Removes the orders a backup holds, the unsubmitted ones, with their lines.
  [[nodiscard]] bool removeAllLoaclOrders();
  // Stores a backup's order, under a local id, as not submitted. False for
  // one the editor could not have made (see isPlausibleBackupOrder).
  [[nodiscard]] bool restoreUnsubmittedOrderFromDic(const base::Value& order);
  // Any stored order, submitted or not, names the customer.
  [[nodiscard]] bool isInUnsubmitOrder(int customerId);

  // Whether a backup's order, with its lines, holds only what the editor
  // could have made: every number a number (or a text that is one and
  // nothing else, whole where the column is), amounts and rates in range.
  static bool isPlausibleBackupOrder(const base::Value& order);

  // "yyyy-MM-dd HH:mm:ss" of a stored time text ("MM/dd/yyyy HH:mm[:ss]" or
  // already in that form); nothing when it is neither.
  static std::optional<std::string> sortableTime(const std::string& time);

 private:
  static std::string uploadFilter(int orderId, bool customersShown);
  // The id the order is stored under; 0 when it is not stored.
  [[nodiscard]] int storeOrderFromValue(const base::Value& order, bool uploaded, bool localOrder);
  [[nodiscard]] int storeHistoryOrder(const base::Value& order);
  [[nodiscard]] bool storeLineFromValue(const base::Value& line, std::optional<int> orderId);
  [[nodiscard]] bool deleteOrdersWhere(const std::string& where, const std::string& arg);
  // {"order_items": [...]} of an order; nothing when the read failed.
  std::optional<base::Value> lineValues(int orderId, bool backupForm);
  // The order's lines with their products; nothing when any read failed.
  std::optional<std::vector<std::shared_ptr<QuoteOrderItemEntity>>> readLines(int orderId);
  // A fresh local (negative) id past every id in use; 0 when there is none.
  [[nodiscard]] int nextLocalId(const char* highestIdSql);
  [[nodiscard]] int nextOrderId();
  [[nodiscard]] int nextLineId();
  // Nothing when the stored numbers could not be read.
  std::optional<std::string> uniqueOrderNumber(const std::string& number, int orderId);
};

}  // namespace mv
