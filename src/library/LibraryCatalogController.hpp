#pragma once
// The category panel of the library screen: one level of the library's
// category tree at a time, with the number of files under each category,
// descending into a category and back with the rows sliding. Choosing a row
// posts "display_catalog" for the grid of the tab shown; each grid refresh
// ("reloadlibrarycatalog") brings the grid's files for the counts, and the
// panel either tells a grid that shows another choice after a tab switch
// its own, or takes the grid's choice.
#include <memory>
#include <vector>

#include "library/LibraryCategoryCounter.hpp"
#include "library/LibraryCategoryTree.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/TableView.hpp"
#include "shell/frame/BaseViewController.hpp"

namespace mv {

class ConfigManager;
class LibraryDetailController;
class SaleslibraryModel;

class LibraryCatalogController : public BaseViewController,
                                 public ui::TableViewDataSource,
                                 public ui::TableViewDelegate {
 public:
  static constexpr double kWidth = 244;
  static constexpr double kSlide = 243;
  static constexpr double kSlideDuration = 0.15;

  // Counts the files of the manager's store (never null). `config`: the
  // session's, whose flag says a sync or restore changed the library.
  LibraryCatalogController(std::shared_ptr<SaleslibraryModel> manager, std::shared_ptr<ConfigManager> config);
  ~LibraryCatalogController() override;

  // A grid whose refreshes the panel answers (the library screen adds each
  // grid it makes).
  void addGrid(std::weak_ptr<LibraryDetailController> grid);

  void loadView() override;
  void viewDidLoad() override;
  void viewAfterFirstDidLoad() override;
  void viewWillAppear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;

  void backToParentCategory();
  // The answer to a grid's refresh.
  void reloadlibrarycatalog(const LibraryDetailController& grid, bool changeTab);
  // Recounts and reloads the rows.
  void reloadTableView();
  // Selects row 0 scrolled to the top and acts as if it was chosen.
  void selectTopCell();
  void removeSelectFlag();

  long tableViewNumberOfRowsInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                   const ui::IndexPath& indexPath) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tableView,
                                                         const ui::IndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;

  // ---- state --------------------------------------------------------------------
  const LibraryCategoryTree& tree() const { return tree_; }
  const LibraryCategoryCounter& counter() const { return counter_; }
  const std::vector<LibraryCategoryCounter::Row>& rows() const { return rows_; }
  int tabIndex() const { return tree_.tabIndex; }
  int clickIndex() const { return tree_.clickIndex; }
  int selectRow() const { return tree_.m_selectRow; }
  ui::TableView& catatable() const { return *catatable_; }
  ui::Label& catatitlelb() const { return *catatitlelb_; }
  ui::Button& btnBack() const { return *btnBack_; }

 private:
  void chooseRow(int row);
  void showTitle();
  void postDisplayCatalog();
  // Slides the level's rows (all but row 0) out towards `outX`, shows the
  // new level, and slides its rows in from the other side.
  void slideLevel(double outX);
  void selectWithoutScrolling(int row);

  std::shared_ptr<SaleslibraryModel> manager_;
  std::shared_ptr<ConfigManager> config_;
  LibraryCategoryTree tree_;
  LibraryCategoryCounter counter_;
  std::vector<LibraryCategoryCounter::Row> rows_;
  std::vector<marvisto_library_files_Entity> libFilesArray_;
  std::vector<std::weak_ptr<LibraryDetailController>> grids_;
  std::shared_ptr<ui::TableView> catatable_;
  std::shared_ptr<ui::ImageView> tableimgbg_;
  std::shared_ptr<ui::ImageView> catatitlebg_;
  std::shared_ptr<ui::Label> catatitlelb_;
  std::shared_ptr<ui::Button> btnBack_;
  base::Observation reloadObservation_;
};

}  // namespace mv
