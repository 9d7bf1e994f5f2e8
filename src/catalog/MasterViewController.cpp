#include "catalog/MasterViewController.hpp"

#include "catalog/BackgroundRead.hpp"
#include "catalog/CatalogFeedback.hpp"
#include "catalog/ProductBigCatalog.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/PanelTitleBar.hpp"
#include "shell/config/SkinManager.hpp"
#include "store/DataAccessManager.hpp"
#include "store/ProductListReader.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {


CatalogNotificationCenter& center() { return CatalogNotificationCenter::defaultCenter(); }

// The panel is laid out on the full screen height; the catalogue screen
// then gives it the height above the tab bar, and the parts follow their
// resizing masks (the switch stays at the foot, the lists shrink).
constexpr double kLayoutHeight = 768;
constexpr double kHeaderHeight = 64;
constexpr double kSwitchTop = 725;
constexpr double kSwitchHeight = 43;

}  // namespace

MasterViewController::~MasterViewController() {
  stateObservation_.reset();
  if (counting_) counting_->cancel();
  if (tagsReading_) tagsReading_->cancel();
  CatalogMode::setCurrentState(CatalogMode::kCategory);
}

void MasterViewController::loadView() {
  setView(std::make_shared<ui::View>(ui::Rect{0, 0, kWidth, kLayoutHeight}));
}

void MasterViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto root = view();
  root->setClipsToBounds(true);

  imgBackground_ = std::make_shared<ui::ImageView>(root->bounds());
  imgBackground_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
  imgBackground_->setImage(SkinManager::skinFromImageName("bg_category.png"));
  root->addSubview(imgBackground_);

  const ui::Rect listFrame{0, kHeaderHeight, kWidth, kSwitchTop - kHeaderHeight};
  myTable_ = std::make_shared<ui::TableView>(listFrame, ui::TableViewStyle::Plain);
  myTable_->setAutoresizingMask(ui::FlexibleHeight);
  myTable_->setBackgroundColor(gfx::Color::clear());
  myTable_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
  myTable_->setDataSource(ui::weakAs<ui::TableViewDataSource>(this));
  myTable_->setDelegate(ui::weakAs<ui::TableViewDelegate>(this));
  root->addSubview(myTable_);

  auto weak = ui::weakAs<MasterViewController>(this);
  auto self = [weak] { return weak.lock(); };
  auto titleBar = PanelTitleBar::make(kWidth, kHeaderHeight, {72, 27, 100, 30}, {8, 25, 60, 34}, [self] {
    if (auto s = self()) s->btnbackClicked();
  });
  titlebg_ = titleBar.bar;
  titlebg_->setAutoresizingMask(ui::FlexibleRightMargin | ui::FlexibleBottomMargin);
  root->addSubview(titlebg_);
  lbcategory_ = titleBar.title;
  lbcategory_->setText(text("CATEGORY"));
  btnback_ = titleBar.back;

  m_TagsLeftView_ = std::make_shared<TagsLeftView>(listFrame);
  m_TagsLeftView_->init();
  m_TagsLeftView_->setHidden(true);
  m_TagsLeftView_->setDelegate(ui::weakAs<TagsLeftDelegate>(this));
  m_TagsLeftView_->setAutoresizingMask(ui::FlexibleHeight);
  m_TagsLeftView_->setClipsToBounds(true);
  root->addSubview(m_TagsLeftView_);

  btnCatalogSwitch_ = std::make_shared<SwitchButton>(ui::Rect{0, kSwitchTop, kWidth, kSwitchHeight});
  btnCatalogSwitch_->setAutoresizingMask(ui::FlexibleRightMargin | ui::FlexibleTopMargin);
  btnCatalogSwitch_->setDelegate(ui::weakAs<SwitchButtonDelegate>(this));
  root->addSubview(btnCatalogSwitch_);

  finishViewDidLoad();
  myTable_->reloadData();
  selectTopCell(*myTable_);
}

void MasterViewController::viewAfterFirstDidLoad() {
  BaseViewController::viewAfterFirstDidLoad();
  currentStte_ = CatalogMode::kCategory;
  navigator_.setCountsDeferred(true);
  navigator_.loadRoot(store());
  countInBackground();
  auto weak = ui::weakAs<MasterViewController>(this);
  stateObservation_ = center().addObserver(CatalogNotifications::changeMasterViewState, [weak](const NoPayload&) {
    if (auto s = weak.lock()) s->switchTagButton();
  });
}

void MasterViewController::viewWillAppear(bool animated) {
  BaseViewController::viewWillAppear(animated);
  auto config = services_->get<ConfigManager>();
  if (!config) return;
  auto& flags = config->flagDic();
  auto it = flags.find(ConfigManager::kReloadCatalog);
  if (it != flags.end() && it->second == "YES") {
    refreshData();
    flags[ConfigManager::kReloadCatalog] = "NO";
  }
}

void MasterViewController::refreshData() {
  center().post(CatalogNotifications::btnBackClick);
  m_TagsLeftView_->setDataArray({});
  btnback_->setHidden(true);
  navigator_.loadRoot(store());
  countInBackground();
  myTable_->reloadData();
  selectTopCell(*myTable_);
  if (currentStte_ == CatalogMode::kCategory) {
    lbcategory_->setText(text("CATEGORY"));
    setTitle(text("CATALOG_"));
    center().post(CatalogNotifications::displayFourColumn, 0);
  } else {
    lbcategory_->setText(text("TAG"));
    reloadTags();
  }
}

// The grid emptied, then a fresh tag list read on a worker (the tags list
// every product they hold) with its first tag chosen.
void MasterViewController::reloadTags() {
  center().post(CatalogNotifications::refushRightData, std::optional<TagProducts>());
  readTags();
}

void MasterViewController::readTags() {
  if (tagsReading_) tagsReading_->cancel();
  retries_.cancel(tagsRetry_);
  auto weak = ui::weakAs<MasterViewController>(this);
  std::function<std::optional<std::vector<marvisto_tag_entity>>(const base::CancelFlag&)> work =
      [path = store().databasePath()](const base::CancelFlag&) -> std::optional<std::vector<marvisto_tag_entity>> {
    ProductListReader reader(path);
    auto tags = reader.getAllProductTags();
    if (reader.failed()) return std::nullopt;
    return tags;
  };
  std::function<void(std::optional<std::vector<marvisto_tag_entity>>)> done =
      [weak](std::optional<std::vector<marvisto_tag_entity>> tags) {
    auto self = weak.lock();
    if (!self) return;
    self->tagsReading_.reset();
    if (!tags) {
      self->readAgainLater(self->tagsRetry_, self->tagsRefused_, &MasterViewController::readTags);
      return;
    }
    self->tagsRefused_.answered();
    self->m_TagsLeftView_->setDataArray(std::move(*tags));
    self->m_TagsLeftView_->selectFirstTag();
  };
  tagsReading_ = readInBackground(std::move(work), std::move(done));
}

void MasterViewController::readAgainLater(base::CancelTracker::Id& slot, RefusedReads& refused,
                                          void (MasterViewController::*read)()) {
  if (!refused.askAgain()) {
    CatalogFeedback::tellReadRefused();
    return;
  }
  auto weak = ui::weakAs<MasterViewController>(this);
  slot = retries_.after(kReadAgainSeconds, [weak, read] {
    if (auto self = weak.lock()) (self.get()->*read)();
  });
}

void MasterViewController::countInBackground() {
  const std::optional<int> level = navigator_.pendingCounts();
  if (!level) return;
  if (counting_) counting_->cancel();
  retries_.cancel(countsRetry_);
  auto weak = ui::weakAs<MasterViewController>(this);
  std::function<std::optional<CategoryNavigator::LevelCounts>(const base::CancelFlag&)> work =
      [path = store().databasePath(), level = *level](const base::CancelFlag&)
      -> std::optional<CategoryNavigator::LevelCounts> {
    ProductListReader reader(path);
    auto counts = CategoryNavigator::countLevel(reader, level);
    if (!counts.read) return std::nullopt;
    return counts;
  };
  std::function<void(std::optional<CategoryNavigator::LevelCounts>)> done =
      [weak](std::optional<CategoryNavigator::LevelCounts> counts) {
    auto self = weak.lock();
    if (!self) return;
    self->counting_.reset();
    // The level still awaits its counts.
    if (!counts) {
      self->readAgainLater(self->countsRetry_, self->countsRefused_, &MasterViewController::countInBackground);
      return;
    }
    self->countsRefused_.answered();
    if (!self->navigator_.applyCounts(*counts) || self->currentStte_ != CatalogMode::kCategory) return;
    self->myTable_->reloadData();
    self->setCellToHighLight(self->navigator_.selectRow());
  };
  counting_ = readInBackground(std::move(work), std::move(done));
}

void MasterViewController::setTitle(const std::string& title) {
  if (lblTitle_) lblTitle_->setText(title);
}

void MasterViewController::tagTableSelectRow(long row) { chooseRow(row, false); }

void MasterViewController::chooseRow(long row, bool showAgain) {
  CategoryNavigator::Step step = navigator_.tagTableSelectRow(store(), row);
  countInBackground();
  if (showAgain && !step.displayCategory) step.displayCategory = navigator_.clickIndex();
  if (step.levelChanged) {
    slideLevel(-kSlide, step);
  } else {
    showHeader(step);
  }
  if (step.title) setTitle(*step.title);
  if (step.displayCategory) center().post(CatalogNotifications::displayFourColumn, *step.displayCategory);
}

void MasterViewController::btnbackClicked() {
  const CategoryNavigator::Step step = navigator_.btnbackClicked(store());
  countInBackground();
  slideLevel(kSlide, step);
  if (step.displayCategory) center().post(CatalogNotifications::displayFourColumn, *step.displayCategory);
}

void MasterViewController::showHeader(const CategoryNavigator::Step& step) {
  if (step.header) lbcategory_->setText(*step.header);
  if (step.backShown) btnback_->setHidden(!*step.backShown);
}

// Row 0 ("ALL") stays in place while the others slide.
void MasterViewController::slideLevel(double outX, CategoryNavigator::Step step) {
  auto table = myTable_;
  auto movingCells = [table] {
    std::vector<ui::TableViewCell*> cells;
    for (ui::TableViewCell* cell : table->visibleCells()) {
      auto path = table->indexPathForCell(cell);
      if (path && path->row != 0) cells.push_back(cell);
    }
    return cells;
  };
  auto weak = ui::weakAs<MasterViewController>(this);
  ui::View::animate(
      kSlideDuration, 0, ui::AnimationOptionCurveEaseIn,
      [&] {
        for (ui::TableViewCell* cell : movingCells()) {
          ui::Rect f = cell->frame();
          f.origin.x = outX;
          cell->setFrame(f);
        }
      },
      [weak, outX, step, movingCells](bool) {
        auto self = weak.lock();
        if (!self) return;
        self->myTable_->reloadData();
        self->selectTopCell(*self->myTable_);
        if (step.header) self->lbcategory_->setText(*step.header);
        for (ui::TableViewCell* cell : movingCells()) {
          ui::Rect f = cell->frame();
          f.origin.x = -outX;
          cell->setFrame(f);
        }
        ui::View::animate(
            kSlideDuration, 0, ui::AnimationOptionCurveEaseOut,
            [&] {
              for (ui::TableViewCell* cell : movingCells()) {
                ui::Rect f = cell->frame();
                f.origin.x = 0;
                cell->setFrame(f);
              }
            },
            [weak, step](bool) {
              if (auto s = weak.lock()) s->showHeader(step);
            });
      });
}

void MasterViewController::switchTagButton() { btnCatalogSwitch_->setCurrentIndex(CatalogMode::kTag); }

void MasterViewController::clickToAppearOrHiddenCategory() {
  center().post(CatalogNotifications::AppearOrHiddenMasterView);
}

void MasterViewController::selectTopCell(ui::TableView& table) {
  if (table.numberOfSections() == 0 || table.numberOfRowsInSection(0) == 0) return;
  const ui::IndexPath top{0, 0};
  table.selectRowAtIndexPath(top, false, ui::TableViewScrollPosition::Top);
  if (auto d = table.delegate()) d->tableViewDidSelectRowAtIndexPath(table, top);
}

void MasterViewController::setCellToHighLight(long row) {
  myTable_->selectRowAtIndexPath(ui::IndexPath{0, row}, false, ui::TableViewScrollPosition::None);
}

void MasterViewController::selectSwitchButton(SwitchButton&, long index) {
  currentStte_ = index;
  CatalogMode::setCurrentState(index);
  if (index == CatalogMode::kCategory) {
    lbcategory_->setText(text("CATEGORY"));
    m_TagsLeftView_->setHidden(true);
    myTable_->setHidden(false);
    // The grid still shows the tag's products: the row chosen before asks
    // for its own again, even the "ALL" row of a level just entered.
    chooseRow(navigator_.selectRow(), true);
  } else if (index == CatalogMode::kTag) {
    btnback_->setHidden(true);
    m_TagsLeftView_->setHidden(false);
    myTable_->setHidden(true);
    if (m_TagsLeftView_->selectRow() >= 0) {
      m_TagsLeftView_->resetData();
    } else {
      setTitle(text("TAG"));
      reloadTags();
    }
    lbcategory_->setText(text("TAG"));
  }
}

void MasterViewController::didSelectDelegate(const std::vector<int>& productIds, const std::string& tagName) {
  CatalogMode::setCurrentState(CatalogMode::kTag);
  center().post(CatalogNotifications::refushRightData, std::optional<TagProducts>(TagProducts{tagName, productIds}));
}

void MasterViewController::updateLanguage(ui::ViewController&) {
  if (!isViewLoaded()) return;
  btnback_->setTitle(text("BACK"));
  lbcategory_->setText(text("CATEGORY"));
  btnCatalogSwitch_->setLeftTittle(text("CATEGORY"));
  btnCatalogSwitch_->setRightTittle(text("TAG"));
  // The hidden halves carry the titles too, but the segments are what is seen.
  btnCatalogSwitch_->segmentedControl().setTitle(text("CATEGORY"), 0);
  btnCatalogSwitch_->segmentedControl().setTitle(text("TAG"), 1);
  if (currentStte_ == CatalogMode::kCategory) {
    myTable_->reloadData();
    setCellToHighLight(navigator_.selectRow());
  } else {
    lbcategory_->setText(text("TAG"));
  }
}

long MasterViewController::tableViewNumberOfRowsInSection(ui::TableView&, long) {
  return static_cast<long>(navigator_.rowCount());
}

std::shared_ptr<ui::TableViewCell> MasterViewController::tableViewCellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
  auto cell = std::dynamic_pointer_cast<ProductBigCatalog>(tableView.dequeueReusableCellWithIdentifier("Cell"));
  if (!cell) cell = std::make_shared<ProductBigCatalog>("Cell");
  const long row = indexPath.row;
  if (row == 0) {
    cell->setIsFirstLine(true);
    if (navigator_.pendingCounts()) {
      cell->clearCount();
    } else {
      cell->setCount(navigator_.totalProductsNumber());
    }
    return cell;
  }
  const auto& category = navigator_.dataArray().at(static_cast<std::size_t>(row - 1));
  if (category.category_id == CategoryNavigator::kUncategorizedId) {
    cell->lbTitle().setText(text("UNCATEGORIZED"));
    cell->lbTitle().setFont(gfx::Font::italicSystemFont(16));
  } else {
    cell->lbTitle().setText(trimWhitespaceAndNewlines(category.category_name.value_or(std::string())));
    cell->imgicon().setHidden(!navigator_.rowHasChildren(static_cast<std::size_t>(row)));
  }
  if (navigator_.pendingCounts()) {
    cell->clearCount();
  } else {
    cell->setCount(static_cast<std::size_t>(std::max(0, category.category_numberOfProducts)));
  }
  return cell;
}

std::optional<double> MasterViewController::tableViewHeightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) {
  return ProductBigCatalog::kRowHeight;
}

void MasterViewController::tableViewDidSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) {
  if (indexPath.row == navigator_.selectRow()) return;
  if (auto* old = tableView.cellForRowAtIndexPath(ui::IndexPath{0, navigator_.selectRow()})) old->setHighlighted(false);
  navigator_.setSelectRow(indexPath.row);
  tagTableSelectRow(indexPath.row);
}

}  // namespace mv
