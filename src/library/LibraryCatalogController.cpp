#include "library/LibraryCatalogController.hpp"

#include "library/LibraryCatalogCell.hpp"
#include "library/LibraryDetailController.hpp"
#include "library/LibraryNotifications.hpp"
#include "library/SaleslibraryModel.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/PanelTitleBar.hpp"
#include "util/TextLookup.hpp"
#include "shell/config/SkinManager.hpp"
#include "store/DataAccessManager.hpp"
#include "util/FitCGRect.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

constexpr double kPanelHeight = 768;

}  // namespace

LibraryCatalogController::LibraryCatalogController(std::shared_ptr<SaleslibraryModel> manager,
                                                   std::shared_ptr<ConfigManager> config)
    : manager_(std::move(manager)), config_(std::move(config)), tree_(manager_->databaseHandle()) {}

LibraryCatalogController::~LibraryCatalogController() { reloadObservation_.reset(); }

void LibraryCatalogController::addGrid(std::weak_ptr<LibraryDetailController> grid) {
  grids_.push_back(std::move(grid));
}

void LibraryCatalogController::loadView() {
  setView(std::make_shared<ui::View>(ui::Rect{0, 0, kWidth, kPanelHeight}));
}

void LibraryCatalogController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto root = view();
  root->setClipsToBounds(true);
  root->setBackgroundColor(gfx::Color::white());
  const auto& fit = FitCGRect::sharedInstance();
  const double bar = fit.navBarHeight();

  tableimgbg_ = std::make_shared<ui::ImageView>(ui::Rect{0, bar, kWidth, kPanelHeight - bar});
  tableimgbg_->setImage(SkinManager::skinFromImageName("bg_category.png"));
  tableimgbg_->setAutoresizingMask(ui::FlexibleHeight);
  root->addSubview(tableimgbg_);
  catatable_ = std::make_shared<ui::TableView>(ui::Rect{0, bar, kWidth, kPanelHeight - bar},
                                               ui::TableViewStyle::Plain);
  catatable_->setAutoresizingMask(ui::FlexibleHeight);
  catatable_->setBackgroundColor(gfx::Color::clear());
  catatable_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
  catatable_->setDataSource(ui::weakAs<ui::TableViewDataSource>(this));
  catatable_->setDelegate(ui::weakAs<ui::TableViewDelegate>(this));
  root->addSubview(catatable_);

  auto weak = ui::weakAs<LibraryCatalogController>(this);
  // Title and button sit in the bar below the status bar, level with the
  // screen's own buttons.
  auto titleBar = PanelTitleBar::make(kWidth, bar, fit.fitCGRectBy(72, 27, 100, 30), fit.fitCGRectBy(8, 25, 60, 34),
                                      [weak] {
                                        if (auto self = weak.lock()) self->backToParentCategory();
                                      });
  catatitlebg_ = titleBar.bar;
  catatitlelb_ = titleBar.title;
  btnBack_ = titleBar.back;
  root->addSubview(catatitlebg_);
  finishViewDidLoad();
  showTitle();
}

void LibraryCatalogController::viewAfterFirstDidLoad() {
  BaseViewController::viewAfterFirstDidLoad();
  libFilesArray_ = manager_->database().getAllLibFiles();
  auto weak = ui::weakAs<LibraryCatalogController>(this);
  reloadObservation_ = base::Observation(
      LibraryNotifications::kReloadLibraryCatalog, nullptr, [weak](const base::Notification& n) {
        auto self = weak.lock();
        if (!self) return;
        // Only the grids of this screen are answered.
        for (const auto& g : self->grids_) {
          auto grid = g.lock();
          if (!grid || grid.get() != n.sender) continue;
          const bool changeTab = n.userInfo.is_object() && n.userInfo.value(LibraryNotifications::kChangeTab, false);
          self->reloadlibrarycatalog(*grid, changeTab);
          return;
        }
      });
  reloadTableView();
}

void LibraryCatalogController::viewWillAppear(bool animated) {
  BaseViewController::viewWillAppear(animated);
  const auto& config = config_;
  if (!config) return;
  auto& flags = config->flagDic();
  auto it = flags.find(ConfigManager::kReloadLibrary);
  if (it == flags.end() || it->second != "YES") return;
  // A sync or restore changed the library.
  manager_->loadExistsFiles();
  tree_.reloadLevel();
  libFilesArray_ = manager_->database().getAllLibFiles();
  flags[ConfigManager::kReloadLibrary] = "NO";
  removeSelectFlag();
  reloadTableView();
  selectTopCell();
}

void LibraryCatalogController::updateLanguage(ui::ViewController&) {
  if (!isViewLoaded()) return;
  btnBack_->setTitle(text("BACK"));
  reloadTableView();
  showTitle();
  selectWithoutScrolling(tree_.m_selectRow < 0 ? 0 : tree_.m_selectRow);
}

// ---- rows -------------------------------------------------------------------------------

void LibraryCatalogController::reloadTableView() {
  counter_.countData(manager_->database(), libFilesArray_);
  rows_ = counter_.rows(tree_.cid, tree_.cataArr);
  if (catatable_) catatable_->reloadData();
}

void LibraryCatalogController::removeSelectFlag() {
  if (catatable_) catatable_->reloadData();
  tree_.clickIndex = -1;
  tree_.m_selectRow = -1;
}

long LibraryCatalogController::tableViewNumberOfRowsInSection(ui::TableView&, long) {
  return static_cast<long>(tree_.cataArr.size()) + 1;
}

std::optional<double> LibraryCatalogController::tableViewHeightForRowAtIndexPath(ui::TableView&,
                                                                                 const ui::IndexPath&) {
  return LibraryCatalogCell::kHeight;
}

std::shared_ptr<ui::TableViewCell> LibraryCatalogController::tableViewCellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
  auto cell =
      std::dynamic_pointer_cast<LibraryCatalogCell>(tableView.dequeueReusableCellWithIdentifier(LibraryCatalogCell::kReuseIdentifier));
  if (!cell) cell = std::make_shared<LibraryCatalogCell>();
  const auto row = static_cast<std::size_t>(indexPath.row);
  if (row < rows_.size()) {
    cell->show(rows_[row]);
  } else {
    // A row the counts have not caught up with yet.
    LibraryCategoryCounter::Row blank;
    blank.isAll = row == 0;
    if (row >= 1 && row - 1 < tree_.cataArr.size()) blank.name = tree_.cataArr[row - 1].name;
    cell->show(blank);
  }
  return cell;
}

void LibraryCatalogController::tableViewDidSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& indexPath) {
  chooseRow(static_cast<int>(indexPath.row));
}

void LibraryCatalogController::selectTopCell() {
  if (!catatable_) return;
  tree_.m_selectRow = -1;
  catatable_->selectRowAtIndexPath(ui::IndexPath{0, 0}, false, ui::TableViewScrollPosition::Top);
  chooseRow(0);
}

void LibraryCatalogController::selectWithoutScrolling(int row) {
  if (!catatable_ || row < 0 || row > static_cast<int>(tree_.cataArr.size())) return;
  catatable_->selectRowAtIndexPath(ui::IndexPath{0, row}, false, ui::TableViewScrollPosition::None);
}

// ---- choosing ---------------------------------------------------------------------------

void LibraryCatalogController::chooseRow(int row) {
  switch (tree_.selectRow(row)) {
    case LibraryCategoryTree::Step::Nothing:
      return;
    case LibraryCategoryTree::Step::Post:
      showTitle();
      postDisplayCatalog();
      return;
    case LibraryCategoryTree::Step::Descend:
      slideLevel(-kSlide);
      return;
    case LibraryCategoryTree::Step::Ascend:
      slideLevel(kSlide);
      return;
  }
}

void LibraryCatalogController::backToParentCategory() {
  if (tree_.backToParentCategory() == LibraryCategoryTree::Step::Ascend) slideLevel(kSlide);
}

void LibraryCatalogController::showTitle() {
  if (!catatitlelb_) return;
  catatitlelb_->setText(tree_.titleKey.empty() ? tree_.cname : text(tree_.titleKey));
  btnBack_->setHidden(!tree_.backShown);
}

void LibraryCatalogController::postDisplayCatalog() {
  auto keep = shared_from_this();
  base::NotificationCenter::defaultCenter().post(LibraryNotifications::kDisplayCatalog, this);
}

void LibraryCatalogController::slideLevel(double outX) {
  auto table = catatable_;
  if (!table) return;
  auto movingCells = [table] {
    std::vector<ui::TableViewCell*> cells;
    for (ui::TableViewCell* cell : table->visibleCells()) {
      auto path = table->indexPathForCell(cell);
      if (path && path->row != 0) cells.push_back(cell);
    }
    return cells;
  };
  auto placeAt = [](const std::vector<ui::TableViewCell*>& cells, double x) {
    for (ui::TableViewCell* cell : cells) {
      ui::Rect f = cell->frame();
      f.origin.x = x;
      cell->setFrame(f);
    }
  };
  auto weak = ui::weakAs<LibraryCatalogController>(this);
  ui::View::animate(
      kSlideDuration, 0, ui::AnimationOptionCurveEaseIn, [&] { placeAt(movingCells(), outX); },
      [weak, outX, movingCells, placeAt](bool) {
        auto self = weak.lock();
        if (!self) return;
        self->reloadTableView();
        self->catatable_->selectRowAtIndexPath(ui::IndexPath{0, 0}, false, ui::TableViewScrollPosition::Top);
        self->showTitle();
        self->postDisplayCatalog();
        ui::View::layoutPendingViews();
        placeAt(movingCells(), -outX);
        ui::View::animate(kSlideDuration, 0, ui::AnimationOptionCurveEaseOut,
                          [&] { placeAt(movingCells(), 0); });
      });
}

// ---- the grid refreshed -------------------------------------------------------------------

void LibraryCatalogController::reloadlibrarycatalog(const LibraryDetailController& grid, bool changeTab) {
  MV_ASSERT_MAIN_THREAD();
  if (catatable_) {
    if (auto selected = catatable_->indexPathForSelectedRow()) catatable_->deselectRowAtIndexPath(*selected, false);
  }
  const LibraryListModel& model = grid.listModel();
  libFilesArray_ = model.catalogDisplayFileArray;
  const auto step = tree_.answerRefresh(model.selectedCategory, model.selectedRow, model.libraryTab(), changeTab);
  if (step == LibraryCategoryTree::Step::Post) {
    postDisplayCatalog();
    return;
  }
  reloadTableView();
  showTitle();
  selectWithoutScrolling(tree_.m_selectRow < 0 ? 0 : tree_.m_selectRow);
}

}  // namespace mv
