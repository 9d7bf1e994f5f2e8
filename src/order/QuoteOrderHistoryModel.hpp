#pragma once
// The order list's decisions, kept apart from its views: which orders may be
// submitted, when load-more is offered, what a history reply leads to, and
// where the copy/delete popover opens. Tests decide them as tables.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/QuoteOrderEntity.hpp"
#include "util/Session.hpp"

namespace mv {

class QuoteOrderHistoryModel {
 public:
  // The filter segments.
  enum ShowType : int { kAll = 0, kSubmitted = 1, kUnsubmitted = 2 };
  // A popover of a row this far below the table's visible top opens above it.
  static constexpr double kPopoverFlipDistance = 400;

  // Older submitted orders are paged down only where submitted orders are
  // listed, and never for the demo account.
  static bool loadMoreEnabled(int showType, LoginType loginType);
  // An order that can be submitted: not submitted yet, with lines, and with
  // a customer name where customers are shown.
  static bool canSubmit(const QuoteOrderEntity& order, bool customersOn);
  // Some listed order can be submitted.
  static bool submitAllVisible(const std::vector<std::shared_ptr<QuoteOrderEntity>>& orders, bool customersOn);
  // The copy/delete popover opens below the row (else above it).
  static bool popoverBelowRow(double rowTop, double visibleTop);

  enum class HistoryAction {
    Nothing,       // the service had no more, or it failed quietly
    Refresh,       // a page arrived: list again
    RequireLogin,  // the sign-in was refused: offer to sign in again
  };
  static HistoryAction historyAction(const std::optional<std::string>& status,
                                     const std::optional<std::string>& message, LoginType loginType);
  // After a page, the list scrolls to its last row, when it has one.
  static std::optional<long> rowToReveal(long rows);
};

}  // namespace mv
