#pragma once
// The catalogue's way into the current order, over the quote order store of
// the session. Installed by `OrderFeature`.
#include "catalog/OrderBasket.hpp"
#include "sync/SessionServices.hpp"

namespace mv {

class QuoteOrderStore;

class QuoteOrderBasket : public OrderBasket {
 public:
  // Adds to the session's order store; the popover reads the session's database.
  explicit QuoteOrderBasket(SessionServices& services);

  [[nodiscard]] bool addToOrder(const marvisto_product_Entity& product) override;
  bool wouldPassLineCap(const marvisto_product_Entity& product) override;
  bool diffItemCYExist(const marvisto_product_Entity& product) override;
  void getItemNumberInOrder(marvisto_product_Entity& product) override;
  [[nodiscard]] bool saveCurrentQuoteOrder() override;
  void removeCurrentQuoteOrder() override;
  bool isOrderOnShow() override;
  // The add-to-order popover.
  std::shared_ptr<ui::ViewController> makeAddToOrderController(
      const marvisto_product_Entity& product, std::size_t cellIndex,
      std::weak_ptr<AddToOrderControllerDelegate> delegate) override;

 private:
  std::shared_ptr<QuoteOrderStore> store_;
  std::shared_ptr<DataAccessManager> database_;
};

}  // namespace mv
