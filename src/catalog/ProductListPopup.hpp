#pragma once
// What the favourites and the comparison popups share: a list of products
// the representative keeps in the store (only the published ones shown), the
// title bar's Edit and Remove All buttons, edit mode (the cells wiggle while
// the application is in front), opening a product in the catalogue with the
// whole list, and adding one to the current order with its badge kept.
// Each popup lays its own cells out.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalog/AddToOrderFlow.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/PopoverController.hpp"
#include "shell/frame/PopBaseController.hpp"
#include "sync/SessionServices.hpp"

namespace mv {

class ProductListPopup : public PopBaseController, public AddToOrderFlowDelegate {
 public:
  // How a kind of list is kept and named.
  struct Kind {
    const char* titleKey;
    // Said when Remove All emptied the list.
    const char* allRemovedKey;
    bool (DataAccessManager::*removeOne)(int productId);
    bool (DataAccessManager::*removeAll)();
  };

  ProductListPopup(SessionServices& services, const Kind& kind);

  // The listed products that are published, in the list's order: every cell,
  // its index and the list a cell opens agree.
  const std::vector<marvisto_product_Entity>& products() const { return products_; }

  void setInEdit(bool inEdit);
  bool inEdit() const { return inEdit_; }
  // Takes the product at `index` off the list (and the store); "FAILED"
  // when the store keeps it.
  void removeProductAt(long index);
  // Empties the list and closes the popup; "FAILED" when the store keeps it.
  void removeAll();

  void addToOrderFlowDidAdd(const marvisto_product_Entity& product, std::size_t cellIndex) override;
  void addToOrderFlowOrderReplaced() override { showProducts(); }
  void addToOrderFlowPresentChooser(const std::shared_ptr<ui::ViewController>& chooser,
                                    std::size_t cellIndex) override;

  ui::Button& btnEdit() const { return *btnEdit_; }
  ui::Button& removeAllBtn() const { return *removeAllBtn_; }
  const std::shared_ptr<AddToOrderFlow>& addFlow() const { return addFlow_; }
  const std::shared_ptr<ui::PopoverController>& addToOrderPopController() const { return addToOrderPopController_; }

  void updateLanguage(ui::ViewController& sender) override;

 protected:
  // Keeps the products of `productIds` that are published.
  void setListedProducts(const std::vector<int>& productIds);
  // Ends the popup's viewDidLoad: the buttons, the add flow, edit mode
  // across the application's going to the background, the texts and cells.
  void finishListView();
  // Closes the popup through its presenter.
  void close(bool animated);
  // The product at `index` opens in the catalogue (the popup closes).
  void openProductAt(long index);
  // The product at `index` goes into the current order.
  void addProductAt(long index);

  DataAccessManager& store() const { return services_->database(); }
  std::shared_ptr<OrderBasket> basket() const { return services_->get<OrderBasket>(); }
  // The name of the product's thumbnail file; empty when it has none.
  std::string thumbnailOf(int productId) const;
  static std::optional<std::string> badgeText(std::uint64_t count);
  std::vector<marvisto_product_Entity>& mutableProducts() { return products_; }

  // ---- what each popup does -------------------------------------------------------------
  // Builds the cells of `products()` again.
  virtual void showProducts() = 0;
  virtual void applyWiggle(bool wiggle) = 0;
  // The cart button of the product at `index`, while its cell is there:
  // what the add-to-order popover points at.
  virtual std::shared_ptr<ui::View> cartButton(std::size_t index) const = 0;
  virtual void setCellBadge(std::size_t index, const std::optional<std::string>& badge) = 0;
  // Where the chooser points when no cell is there.
  virtual ui::Rect listFrame() const = 0;
  // Products left the list: the toggles shown elsewhere are stale.
  virtual void listChanged() = 0;

 private:
  std::shared_ptr<SessionServices> services_;
  Kind kind_;
  std::vector<marvisto_product_Entity> products_;
  bool inEdit_ = false;
  std::shared_ptr<ui::Button> btnEdit_, removeAllBtn_;
  std::shared_ptr<AddToOrderFlow> addFlow_;
  std::shared_ptr<ui::PopoverController> addToOrderPopController_;
  base::Observation background_, foreground_;
};

}  // namespace mv
