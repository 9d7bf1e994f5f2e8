#pragma once
// The tag list of the catalogue's left panel: one row per tag name with the
// number of its products. Choosing a row (by a tap, or by name from a
// product screen) tells the delegate the tag's product ids.
#include <memory>
#include <string>
#include <vector>

#include "catalog/CatalogNotifications.hpp"
#include "catalog/TagList.hpp"
#include "platform/ui/TableView.hpp"
#include "platform/ui/View.hpp"

namespace mv {

class TagsLeftDelegate {
 public:
  virtual ~TagsLeftDelegate() = default;
  virtual void didSelectDelegate(const std::vector<int>& productIds, const std::string& tagName) = 0;
};

class TagsLeftView : public ui::View, public ui::TableViewDataSource, public ui::TableViewDelegate {
 public:
  // Call `init` once the view is held by a shared pointer.
  explicit TagsLeftView(const ui::Rect& frame);
  void init();

  std::shared_ptr<TagsLeftDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<TagsLeftDelegate> d) { delegate_ = std::move(d); }
  ui::TableView& tableView() const { return *tableView_; }
  const TagList& tags() const { return tags_; }
  long selectRow() const { return tags_.selectRow(); }

  // New tags: nothing chosen, rows sorted by name.
  void setDataArray(std::vector<marvisto_tag_entity> tags);
  // Tells the delegate the chosen tag again.
  void resetData();
  // Chooses the row of that exact name; a name not listed changes nothing.
  void didSelectToFromNotification(const std::string& tagName);
  // Chooses the first row, as a tap would.
  void selectFirstTag();

  long tableViewNumberOfRowsInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                   const ui::IndexPath& indexPath) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tableView,
                                                         const ui::IndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;

 private:
  void choose(long row);

  std::shared_ptr<ui::TableView> tableView_;
  TagList tags_;
  std::weak_ptr<TagsLeftDelegate> delegate_;
  CatalogObservation selectObservation_;
};

}  // namespace mv
