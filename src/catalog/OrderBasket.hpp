#pragma once
// How the catalogue reaches the current quote order. The order library sits
// above the catalogue, so the catalogue declares what it needs here and the
// order library registers the implementation with the session services when
// the application starts. Without one (a build or a test without orders, or
// nobody signed in) the catalogue behaves as for a login that is not offered
// the Orders tab.
#include <cstddef>
#include <memory>

#include "platform/ui/ViewController.hpp"
#include "store/Entities.hpp"

namespace mv {

// Told by the add-to-order popover when its OK added nothing yet: the
// product carries the chosen attribute text (`attributes`) and quantity
// (`count`) for the receiver to add.
class AddToOrderControllerDelegate {
 public:
  virtual ~AddToOrderControllerDelegate() = default;
  virtual void addProductToOrderWithProduct(const marvisto_product_Entity& product, std::size_t cellIndex) = 0;
};

class OrderBasket {
 public:
  virtual ~OrderBasket() = default;

  // Adds the product (with `count` and `attributes` set) to the current
  // order, making an order when there is none; false when it was not added.
  [[nodiscard]] virtual bool addToOrder(const marvisto_product_Entity& product) = 0;
  // Adding the product would take its order line past the quantity cap;
  // such an add is refused.
  virtual bool wouldPassLineCap(const marvisto_product_Entity& product) = 0;
  // Whether a line of the current order is priced in another currency than
  // the product; false without a current order.
  virtual bool diffItemCYExist(const marvisto_product_Entity& product) = 0;
  // Sets the product's `itemNumberInOrder` to its summed quantity in the
  // current order (0 when it is not in it).
  virtual void getItemNumberInOrder(marvisto_product_Entity& product) = 0;
  // Stores the current order and lets it go; false when it was not stored.
  [[nodiscard]] virtual bool saveCurrentQuoteOrder() = 0;
  // Lets the current order go unsaved.
  virtual void removeCurrentQuoteOrder() = 0;
  // Whether this login is offered the Orders tab; adding controls are hidden otherwise.
  virtual bool isOrderOnShow() = 0;
  // The content of the add-to-order popover for the product shown by the card
  // at `cellIndex`: it offers the product's attributes and a quantity, and on
  // OK hands the product back to `delegate`. The caller shows it in a popover.
  virtual std::shared_ptr<ui::ViewController> makeAddToOrderController(
      const marvisto_product_Entity& product, std::size_t cellIndex,
      std::weak_ptr<AddToOrderControllerDelegate> delegate) = 0;

  // The current session's basket; null when none is registered or nobody
  // is signed in. Never kept across calls: logout ends it.
  static std::shared_ptr<OrderBasket> installed();
};

}  // namespace mv
