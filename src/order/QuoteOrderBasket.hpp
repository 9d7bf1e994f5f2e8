#pragma once
// The catalogue's way into the current order, over the quote order store of
// the session (never kept across calls: logout replaces it). Installed by
// `OrderFeature`.
#include "catalog/OrderBasket.hpp"

namespace mv {

class QuoteOrderBasket : public OrderBasket {
 public:
  [[nodiscard]] bool addToOrder(const marvisto_product_Entity& product) override;
  bool diffItemCYExist(const marvisto_product_Entity& product) override;
  void getItemNumberInOrder(marvisto_product_Entity& product) override;
  [[nodiscard]] bool saveCurrentQuoteOrder() override;
  void removeCurrentQuoteOrder() override;
  bool isOrderOnShow() override;
  // The add-to-order popover.
  std::shared_ptr<ui::ViewController> makeAddToOrderController(
      const marvisto_product_Entity& product, std::size_t cellIndex,
      std::weak_ptr<AddToOrderControllerDelegate> delegate) override;
};

}  // namespace mv
