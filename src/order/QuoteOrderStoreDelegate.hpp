#pragma once
// What the order list or the order editor hears from the quote order store.
// The store never owns its delegate; the screen shown sets itself.
#include <optional>
#include <string>

namespace mv {

class QuoteOrderStoreDelegate {
 public:
  virtual ~QuoteOrderStoreDelegate() = default;

  // An upload ended: the reply's (or a refused sign-in's) status and message.
  virtual void finishedUploadQuoteOrders(const std::string& status, const std::string& message) = 0;
  // A history page ended; both are nothing when the store asked the service
  // nothing, and the message is "reachEnd" when the service had no more.
  virtual void finishedSyncHistoryQuoteOrders(const std::optional<std::string>& /*status*/,
                                              const std::optional<std::string>& /*message*/) {}
  // The session ended while an upload or a history page was on its way (an
  // expired session, a locked user). The shell has told the user already, so
  // a screen only stops waiting; an alert of its own would say it twice.
  virtual void uploadEndedWithSession(const std::string& /*status*/) {}
  virtual void historyEndedWithSession(const std::string& /*status*/) {}
  // Close the editor that shows the current order.
  virtual void popSelfView() {}
  // A customer made on the device got the service's id.
  virtual void updateCustomerId(int /*oldId*/, int /*newId*/) {}
};

}  // namespace mv
