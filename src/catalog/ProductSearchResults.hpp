#pragma once
// The list of the catalogue search's results, shown in a popover beside the
// search field: one row per product (thumbnail, name, SKU, price), or one
// "no result" row. Choosing a product tells the delegate; the catalogue
// screen opens it.
#include <memory>
#include <vector>

#include "platform/ui/TableViewController.hpp"
#include "store/Entities.hpp"
#include "sync/SessionServices.hpp"

namespace mv {

class ProductSearchResultsDelegate {
 public:
  virtual ~ProductSearchResultsDelegate() = default;
  virtual void didselectSearchResult(const marvisto_product_Entity& product, long index) = 0;
};

class ProductSearchResults : public ui::TableViewController {
 public:
  static constexpr const char* kCellIdentifier = "Cell";

  // Reads the results' pictures and prices from the session's database.
  explicit ProductSearchResults(SessionServices& services);

  const std::vector<marvisto_product_Entity>& searchProductArray() const { return searchProductArray_; }
  void setSearchProductArray(std::vector<marvisto_product_Entity> products);
  std::shared_ptr<ProductSearchResultsDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<ProductSearchResultsDelegate> d) { delegate_ = std::move(d); }

  long tableViewNumberOfRowsInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                   const ui::IndexPath& indexPath) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tableView,
                                                         const ui::IndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;

 private:
  std::shared_ptr<SessionServices> services_;
  std::vector<marvisto_product_Entity> searchProductArray_;
  std::weak_ptr<ProductSearchResultsDelegate> delegate_;
};

}  // namespace mv
