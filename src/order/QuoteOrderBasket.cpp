#include "order/QuoteOrderBasket.hpp"

#include "order/AddToOrderController.hpp"

#include "order/QuoteOrderStore.hpp"

namespace mv {

QuoteOrderBasket::QuoteOrderBasket(SessionServices& services)
    : store_(services.get<QuoteOrderStore>()), database_(services.databaseHandle()) {}

bool QuoteOrderBasket::addToOrder(const marvisto_product_Entity& product) {
  return store_->addToOrder(product);
}

bool QuoteOrderBasket::wouldPassLineCap(const marvisto_product_Entity& product) {
  return store_->wouldPassLineCap(product);
}

bool QuoteOrderBasket::diffItemCYExist(const marvisto_product_Entity& product) {
  return store_->diffItemCYExist(product);
}

void QuoteOrderBasket::getItemNumberInOrder(marvisto_product_Entity& product) {
  store_->getItemNumberInOrder(product);
}

bool QuoteOrderBasket::saveCurrentQuoteOrder() { return store_->saveCurrentQuoteOrder(); }

void QuoteOrderBasket::removeCurrentQuoteOrder() { store_->removeCurrentQuoteOrder(); }

bool QuoteOrderBasket::isOrderOnShow() { return store_->isOrderOnShow(); }

std::shared_ptr<ui::ViewController> QuoteOrderBasket::makeAddToOrderController(
    const marvisto_product_Entity& product, std::size_t cellIndex, std::weak_ptr<AddToOrderControllerDelegate> delegate) {
  auto controller = std::make_shared<AddToOrderController>(database_);
  controller->setProduct_Entity(product);
  controller->setCellIndex(cellIndex);
  controller->setDelegate(std::move(delegate));
  return controller;
}

}  // namespace mv
