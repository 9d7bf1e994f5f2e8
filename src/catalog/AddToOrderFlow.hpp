#pragma once
// The steps of adding a product to the current quote order, shared by every
// catalogue screen that adds (the grid's cards, the product screen,
// favourites and comparison): the question when the order holds another
// currency, the automatic choice of one-option attributes, the add-to-order
// popover when a choice is left, and the add itself. The product travels by
// its id and is read again from the store at each step, so a list replaced
// meanwhile or a product unpublished by a sync never adds the wrong product.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalog/OrderBasket.hpp"
#include "platform/ui/AlertView.hpp"
#include "store/Entities.hpp"
#include "sync/SessionServices.hpp"

namespace mv {

class AddToOrderFlowDelegate {
 public:
  virtual ~AddToOrderFlowDelegate() = default;
  // The product went into the order; its `itemNumberInOrder` is its quantity
  // there now.
  virtual void addToOrderFlowDidAdd(const marvisto_product_Entity& product, std::size_t cellIndex) = 0;
  // The current order was saved or dropped for the other currency: counts
  // shown so far are stale.
  virtual void addToOrderFlowOrderReplaced() {}
  // The product's attributes need a choice: show `chooser` in a popover at
  // the card of `cellIndex`.
  virtual void addToOrderFlowPresentChooser(const std::shared_ptr<ui::ViewController>& /*chooser*/,
                                            std::size_t /*cellIndex*/) {}
};

class AddToOrderFlow : public ui::AlertViewDelegate,
                       public AddToOrderControllerDelegate,
                       public std::enable_shared_from_this<AddToOrderFlow> {
 public:
  static constexpr long kCurrencyAlertTag = 8801;
  static constexpr long kDontSaveButton = 0;
  static constexpr long kSaveButton = 1;

  // What was chosen on the product screen: how many, with which attributes.
  struct Choice {
    int count = 1;
    std::string attributes;
  };
  // The automatic choice from a product's attributes: one-option attributes
  // take their option, blank lists are left alone, and any attribute with
  // two or more options leaves a choice to the user.
  struct AutoChoice {
    bool needsChoice = false;
    std::string attributes;
  };
  static AutoChoice autoChoice(std::vector<product_attribute_cell_Entity> attributes);

  // Reads products from the session's database and adds through the
  // session's basket (none when the orders are not installed: every add
  // fails with "FAILED").
  static std::shared_ptr<AddToOrderFlow> create(SessionServices& services,
                                                std::weak_ptr<AddToOrderFlowDelegate> delegate);
  ~AddToOrderFlow() override;

  // A card's cart button: one of the product, its attributes chosen
  // automatically, else in the add-to-order popover.
  void addFromCard(int productId, std::size_t cellIndex);
  // The product screen: `choice.count` of the product with its attributes.
  void addChosen(int productId, Choice choice, std::size_t cellIndex = 0);

  // The currency question is showing and waits for its answer.
  bool awaitingCurrencyAnswer() const { return pending_.has_value(); }
  const std::shared_ptr<ui::AlertView>& currencyAlert() const { return currencyAlert_; }
  // The add-to-order popover's content while it is open.
  const std::shared_ptr<ui::ViewController>& chooser() const { return chooser_; }

  void alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) override;
  // The add-to-order popover's OK: the product carries its count and attributes.
  void addProductToOrderWithProduct(const marvisto_product_Entity& product, std::size_t cellIndex) override;

 private:
  struct Request {
    int productId = 0;
    std::size_t cellIndex = 0;
    std::optional<Choice> choice;
  };
  AddToOrderFlow(SessionServices& services, std::weak_ptr<AddToOrderFlowDelegate> delegate)
      : services_(services.shared_from_this()), delegate_(std::move(delegate)) {}
  // The product as the store holds it now; nothing when it is gone or no
  // longer published.
  std::optional<marvisto_product_Entity> storedProduct(int productId) const;
  std::shared_ptr<OrderBasket> basket() const { return services_->get<OrderBasket>(); }
  void start(Request request);
  // After the currency question: the product as stored now, with its count
  // and attributes, added or handed to the popover.
  void proceed(const Request& request);
  void add(marvisto_product_Entity product, std::size_t cellIndex);

  std::shared_ptr<SessionServices> services_;
  std::weak_ptr<AddToOrderFlowDelegate> delegate_;
  std::optional<Request> pending_;
  std::shared_ptr<ui::AlertView> currencyAlert_;
  std::shared_ptr<ui::ViewController> chooser_;
};

}  // namespace mv
