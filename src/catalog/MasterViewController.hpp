#pragma once
// The left panel of the catalogue tab: the category tree one level at a
// time, or the list of product tags, switched at its foot. Choosing a row
// tells the grid what to show ("displayFourColumn" with a category,
// "refushRightData" with a tag's products) and writes the screen's title.
// After a sync or restore changed the catalogue it starts again at the root.
#include <memory>
#include <optional>
#include <vector>

#include "catalog/BackgroundRead.hpp"
#include "catalog/CatalogMode.hpp"
#include "catalog/CatalogNotifications.hpp"
#include "catalog/CategoryNavigator.hpp"
#include "catalog/TagsLeftView.hpp"
#include "platform/base/CancelTracker.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/TableView.hpp"
#include "shell/frame/BaseViewController.hpp"
#include "sync/SessionServices.hpp"
#include "widgets/SwitchButton.hpp"

namespace mv {

class MasterViewController : public BaseViewController,
                             public ui::TableViewDataSource,
                             public ui::TableViewDelegate,
                             public SwitchButtonDelegate,
                             public TagsLeftDelegate {
 public:
  static constexpr double kWidth = 244;
  static constexpr double kSlide = 243;
  static constexpr double kSlideDuration = 0.15;

  // Reads the catalogue from the session's database.
  explicit MasterViewController(SessionServices& services) : services_(services.shared_from_this()) {}
  ~MasterViewController() override;

  // The process-wide catalogue mode: 0 categories, 1 tags.
  static long getCurrentState() { return CatalogMode::getCurrentState(); }

  // The catalogue screen's title label, which the panel writes.
  void setLblTitle(std::shared_ptr<ui::Label> label) { lblTitle_ = std::move(label); }

  void loadView() override;
  void viewDidLoad() override;
  void viewAfterFirstDidLoad() override;
  void viewWillAppear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;

  // Back to the root (or the tag list from its start), closing any open product.
  void refreshData();
  void tagTableSelectRow(long row);
  void btnbackClicked();
  void switchTagButton();
  void clickToAppearOrHiddenCategory();
  void selectTopCell(ui::TableView& table);
  void setCellToHighLight(long row);

  void selectSwitchButton(SwitchButton& sender, long index) override;
  void didSelectDelegate(const std::vector<int>& productIds, const std::string& tagName) override;

  long tableViewNumberOfRowsInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                   const ui::IndexPath& indexPath) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tableView,
                                                         const ui::IndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;

  // ---- state --------------------------------------------------------------------
  long currentStte() const { return currentStte_; }
  const CategoryNavigator& navigator() const { return navigator_; }
  ui::TableView& myTable() const { return *myTable_; }
  TagsLeftView& tagsLeftView() const { return *m_TagsLeftView_; }
  SwitchButton& btnCatalogSwitch() const { return *btnCatalogSwitch_; }
  ui::Button& btnback() const { return *btnback_; }
  ui::Label& lbcategory() const { return *lbcategory_; }

 private:
  DataAccessManager& store() const { return services_->database(); }
  // With `showAgain` the grid is asked for the row's products even where
  // the choice repeats the one before.
  void chooseRow(long row, bool showAgain);
  void showHeader(const CategoryNavigator::Step& step);
  // Slides the level's rows out towards `outX`, swaps the rows, and slides
  // the new ones in from the other side.
  void slideLevel(double outX, CategoryNavigator::Step step);
  void setTitle(const std::string& text);
  void reloadTags();
  // Reads the tag list on a worker, then chooses its first tag.
  void readTags();
  // Counts the level shown on a worker when its counts are awaited; the
  // rows show their counts when they come.
  void countInBackground();
  // Runs `read` again a moment later into `slot`, for a read the store
  // refused; tells the user instead once `refused` has no tries left.
  void readAgainLater(base::CancelTracker::Id& slot, RefusedReads& refused, void (MasterViewController::*read)());

  CategoryNavigator navigator_;
  std::optional<base::CancelFlag> counting_;
  std::optional<base::CancelFlag> tagsReading_;
  // The next attempts of reads the store refused.
  base::CancelTracker retries_;
  base::CancelTracker::Id countsRetry_ = 0;
  base::CancelTracker::Id tagsRetry_ = 0;
  RefusedReads countsRefused_;
  RefusedReads tagsRefused_;
  long currentStte_ = CatalogMode::kCategory;
  std::shared_ptr<SessionServices> services_;
  std::shared_ptr<ui::Label> lblTitle_;
  std::shared_ptr<ui::ImageView> imgBackground_;
  std::shared_ptr<ui::ImageView> titlebg_;
  std::shared_ptr<ui::Label> lbcategory_;
  std::shared_ptr<ui::Button> btnback_;
  std::shared_ptr<ui::TableView> myTable_;
  std::shared_ptr<TagsLeftView> m_TagsLeftView_;
  std::shared_ptr<SwitchButton> btnCatalogSwitch_;
  CatalogObservation stateObservation_;
};

}  // namespace mv
