#include "order/QuoteOrderBasket.hpp"

#include "order/AddToOrderController.hpp"

#include "order/QuoteOrderStore.hpp"

namespace mv {

bool QuoteOrderBasket::addToOrder(const marvisto_product_Entity& product) {
  return QuoteOrderStore::sharedInstance()->addToOrder(product);
}

bool QuoteOrderBasket::diffItemCYExist(const marvisto_product_Entity& product) {
  return QuoteOrderStore::sharedInstance()->diffItemCYExist(product);
}

void QuoteOrderBasket::getItemNumberInOrder(marvisto_product_Entity& product) {
  QuoteOrderStore::sharedInstance()->getItemNumberInOrder(product);
}

bool QuoteOrderBasket::saveCurrentQuoteOrder() { return QuoteOrderStore::sharedInstance()->saveCurrentQuoteOrder(); }

void QuoteOrderBasket::removeCurrentQuoteOrder() { QuoteOrderStore::sharedInstance()->removeCurrentQuoteOrder(); }

bool QuoteOrderBasket::isOrderOnShow() { return QuoteOrderStore::sharedInstance()->isOrderOnShow(); }

std::shared_ptr<ui::ViewController> QuoteOrderBasket::makeAddToOrderController(
    const marvisto_product_Entity& product, std::size_t cellIndex, std::weak_ptr<AddToOrderControllerDelegate> delegate) {
  auto controller = std::make_shared<AddToOrderController>();
  controller->setProduct_Entity(product);
  controller->setCellIndex(cellIndex);
  controller->setDelegate(std::move(delegate));
  return controller;
}

}  // namespace mv
