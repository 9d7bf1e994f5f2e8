#pragma once
// The order editor's decisions, kept apart from its views: which controls
// take input in which state, when leaving asks to save, how a submit reply
// reads, how the order discount follows the rate or the discounted total,
// how a line changed on the product screen merges, and the one-line address.
// Tests decide them as tables.
#include <cstddef>
#include <string>

#include "store/Entities.hpp"
#include "store/QuoteOrderEntity.hpp"
#include "util/Session.hpp"

namespace mv {

class QuoteOrderEditorModel {
 public:
  // What the editor shows: a new order, a submitted one (read-only), a saved one.
  enum State : int { kNewOrder = 0, kSubmittedOrder = 1, kSavedOrder = 2 };
  // The Save button's tag carries its mode.
  static constexpr long kSaveTag = 1008;
  static constexpr long kEditTag = 1007;

  // What the control rules look at.
  struct Facts {
    int state = kNewOrder;
    bool enable = false;  // the order may be edited now
    bool isInEdit = false;
    bool isSigned = false;
    bool hasLines = false;
    bool customersOn = true;
    bool couldModifyPrice = false;
    bool customerTextBlank = true;
  };
  struct Controls {
    bool fieldsEnabled = false;  // customer, note and address
    long saveTag = kSaveTag;
    bool saveEnabled = false;
    bool submitEnabled = false;
    bool pdfEnabled = false;
    bool discountEnabled = false;  // the discount button shown, the discounted total taking input
    bool operator==(const Controls&) const = default;
  };
  static Controls controls(const Facts& facts);
  // Whether lines may be edited in the line rows: not once submitted, not
  // outside edit mode, and not once the customer signed.
  static bool linesReadOnly(int state, bool isInEdit, bool isSigned);
  // Whether a line may be swiped away.
  static bool canDeleteLines(int state, bool isSigned);

  // No lines, no customer id and no customer name.
  static bool checkOrderIsEmpty(const QuoteOrderEntity& order);

  enum class Leave {
    Close,           // nothing to keep
    DropAndClose,    // an empty new order: let it go
    AskToSave,       // "ORDERCHANGED"
  };
  static Leave leave(int state, const QuoteOrderEntity& order, bool isOrderChanged);

  enum class SubmitOutcome { Submitted, RequireLogin, Failed };
  // Decided on the reply's status and the sign-in state, never on its text:
  // "200" submitted; an expired session ("101") or a refused sign-in asks to
  // sign in again; anything else failed.
  static SubmitOutcome submitOutcome(const std::string& status, LoginType loginType);

  // A rate typed in the discount popover: at most 100; the discount is that
  // share of the total.
  static void applyDiscountRate(QuoteOrderEntity& order, double rate);
  // A discounted total typed in the footer: at most the total; the rate
  // follows when there is a total.
  static void applyDiscountTotal(QuoteOrderEntity& order, double discount);
  // The rate as the popover shows it: two decimals, halves away from zero.
  static std::string shownRateText(double rate);

  // A line changed on the product screen (its new attributes and count on
  // `product`): merged into another line of the same code and attributes,
  // else changed in place. The order's discount follows its rate again, as
  // after any change of quantities. False, and nothing changed, when the
  // merged line would pass the quantity cap.
  [[nodiscard]] static bool saveOrderItem(QuoteOrderEntity& order, const marvisto_product_Entity& product,
                                          std::size_t index);

  // The order's address on one line: Chinese "state city street 邮编 zip",
  // otherwise "street, city, state, zip"; blank parts are left out with
  // their separators.
  static std::string addressText(const QuoteOrderEntity& order, int language);
};

}  // namespace mv
