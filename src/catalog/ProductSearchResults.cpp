#include "catalog/ProductSearchResults.hpp"

#include "catalog/CatalogFeedback.hpp"
#include "catalog/SearchProductCell.hpp"
#include "store/DataAccessManager.hpp"
#include "util/PublicFunction.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {

ProductSearchResults::ProductSearchResults(SessionServices& services)
    : ui::TableViewController(ui::TableViewStyle::Plain), services_(services.shared_from_this()) {}

void ProductSearchResults::setSearchProductArray(std::vector<marvisto_product_Entity> products) {
  searchProductArray_ = std::move(products);
  if (isViewLoaded()) tableView()->reloadData();
}

long ProductSearchResults::tableViewNumberOfRowsInSection(ui::TableView&, long) {
  return searchProductArray_.empty() ? 1 : static_cast<long>(searchProductArray_.size());
}

std::shared_ptr<ui::TableViewCell> ProductSearchResults::tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                                       const ui::IndexPath& indexPath) {
  if (searchProductArray_.empty()) {
    auto cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Subtitle, kCellIdentifier);
    cell->textLabel().setText(CatalogFeedback::text("NORESULT"));
    if (auto* detail = cell->detailTextLabel()) detail->setText("");
    return cell;
  }
  auto cell = std::dynamic_pointer_cast<SearchProductCell>(tableView.dequeueReusableCellWithIdentifier(kCellIdentifier));
  if (!cell) cell = std::make_shared<SearchProductCell>(kCellIdentifier);
  cell->setAccessoryType(ui::TableViewCellAccessoryType::DisclosureIndicator);
  const auto row = static_cast<std::size_t>(indexPath.row);
  if (row >= searchProductArray_.size()) return cell;
  const auto& product = searchProductArray_[row];
  DataAccessManager& store = services_->database();
  std::string thumb;
  if (auto image = store.getImageByKeyId(product.product_id)) thumb = image->image_thumb_address;
  cell->loadPicture(thumb);
  cell->productName().setText(product.product_name);
  cell->productSKU().setText(product.product_sku);
  cell->setProductId(product.product_id, store.getPriceEntityByProductId(product.product_id));
  return cell;
}

std::optional<double> ProductSearchResults::tableViewHeightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) {
  return SearchProductCell::kRowHeight;
}

void ProductSearchResults::tableViewDidSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) {
  const auto row = static_cast<std::size_t>(indexPath.row);
  auto keep = shared_from_this();
  if (row < searchProductArray_.size()) {
    if (auto d = delegate()) d->didselectSearchResult(searchProductArray_[row], indexPath.row);
  }
  tableView.deselectRowAtIndexPath(indexPath, true);
}

}  // namespace mv
