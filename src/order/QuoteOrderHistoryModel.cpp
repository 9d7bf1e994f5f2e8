#include "order/QuoteOrderHistoryModel.hpp"

#include "order/QuoteOrderStore.hpp"
#include "util/Session.hpp"
#include "util/Text.hpp"

namespace mv {

bool QuoteOrderHistoryModel::loadMoreEnabled(int showType, LoginType loginType) {
  return (showType == kAll || showType == kSubmitted) && loginType != LoginType::Demo;
}

bool QuoteOrderHistoryModel::canSubmit(const QuoteOrderEntity& order, bool customersOn) {
  return !order.isUploaded() && order.hasItems() && (!customersOn || !isBlank(order.customerName));
}

bool QuoteOrderHistoryModel::submitAllVisible(const std::vector<std::shared_ptr<QuoteOrderEntity>>& orders,
                                              bool customersOn) {
  for (const auto& order : orders) {
    if (order && canSubmit(*order, customersOn)) return true;
  }
  return false;
}

bool QuoteOrderHistoryModel::popoverBelowRow(double rowTop, double visibleTop) {
  return rowTop - visibleTop < kPopoverFlipDistance;
}

QuoteOrderHistoryModel::HistoryAction QuoteOrderHistoryModel::historyAction(
    const std::optional<std::string>& status, const std::optional<std::string>& message, LoginType loginType) {
  if (status && *status == "200") {
    if (message && *message == QuoteOrderStore::kReachEnd) return HistoryAction::Nothing;
    return HistoryAction::Refresh;
  }
  return loginType == LoginType::None ? HistoryAction::RequireLogin : HistoryAction::Nothing;
}

std::optional<long> QuoteOrderHistoryModel::rowToReveal(long rows) {
  if (rows <= 0) return std::nullopt;
  return rows - 1;
}

}  // namespace mv
