#pragma once
// A list of library files found by a search, one row per file with its
// cover, title, size text, date and, for videos, duration; choosing a row
// hands the file to the delegate. An empty list shows one "NORESULT" row
// that chooses nothing. The library screen searches in its grid instead and
// does not open this list.
#include <memory>
#include <vector>

#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/TableViewCell.hpp"
#include "platform/ui/TableViewController.hpp"
#include "store/Entities.hpp"
#include "widgets/PictureLoader.hpp"

namespace mv {

class DataAccessManager;

class LibrarySearchDelegate {
 public:
  virtual ~LibrarySearchDelegate() = default;
  virtual void didselectSearchResult(const marvisto_library_files_Entity& file) = 0;
};

class LibrarySearchCell : public ui::TableViewCell {
 public:
  explicit LibrarySearchCell(std::string reuseIdentifier);

  // Shows the file: its cover (the type's stock picture without one), read
  // on a worker at the size of its view, title, size text, stored date in
  // the interface's short form, and the duration of a video. The cover's
  // name comes from `store`.
  void show(DataAccessManager& store, const marvisto_library_files_Entity& file);
  bool durationVisiable() const { return durationVisiable_; }
  void setDurationVisiable(bool visible);

  ui::ImageView& coverView() const { return *coverView_; }
  ui::Label& fileNameContentLabel() const { return *fileNameContentLabel_; }
  ui::Label& infoContentLabel() const { return *infoContentLabel_; }
  ui::Label& dateContentLabel() const { return *dateContentLabel_; }
  ui::Label& durationContentLabel() const { return *durationContentLabel_; }

 private:
  bool durationVisiable_ = false;
  std::shared_ptr<ui::ImageView> coverView_;
  std::shared_ptr<PictureLoader> cover_;
  std::shared_ptr<ui::Label> fileNameContentLabel_, infoContentLabel_, dateContentLabel_, durationContentLabel_;
};

class librarySearchViewcontroller : public ui::TableViewController {
 public:
  static constexpr const char* kReuseIdentifier = "Cell";
  static constexpr double kRowHeight = 130;

  // Lists files of `store` (never null).
  explicit librarySearchViewcontroller(std::shared_ptr<DataAccessManager> store) : store_(std::move(store)) {}

  void setDelegate(std::weak_ptr<LibrarySearchDelegate> d) { delegate_ = std::move(d); }
  const std::vector<marvisto_library_files_Entity>& searchFilestArray() const { return searchFilestArray_; }
  void setSearchFilestArray(std::vector<marvisto_library_files_Entity> files);

  long tableViewNumberOfRowsInSection(ui::TableView& tableView, long section) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tableView,
                                                         const ui::IndexPath& indexPath) override;
  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                   const ui::IndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;

 private:
  std::shared_ptr<DataAccessManager> store_;
  std::vector<marvisto_library_files_Entity> searchFilestArray_;
  std::weak_ptr<LibrarySearchDelegate> delegate_;
};

}  // namespace mv
