#include "library/LibraryDetailController.hpp"

#include <algorithm>

#include "library/LibraryCatalogController.hpp"
#include "library/LibraryCellState.hpp"
#include "library/LibraryViewers.hpp"
#include "library/LibraryNotifications.hpp"
#include "library/SaleslibraryModel.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/WeakAs.hpp"
#include "platform/ui/Window.hpp"
#include "shell/frame/DemoLimitAlert.hpp"
#include "shell/frame/ScreenAlert.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/config/SkinManager.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "sync/requests/RequestInfoBase.hpp"
#include "util/Session.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

using File = marvisto_library_files_Entity;
using Tags = LibraryDownloads;

constexpr double kHeadHeight = 50;
// A bulk download ends hundreds of files within moments; a reload of the list
// and the catalogue per file kept the window from drawing for seconds. The
// files that end within this long share one reload.
constexpr double kEndedReloadDelay = 0.25;

}  // namespace

LibraryDetailController::Layout LibraryDetailController::layoutFor(bool masterHide) {
  if (masterHide) return {{0, 50, 1024, 598}, 25, {0, 0, 1024, 50}, {615, 8, 160, 34}, {790, 8, 160, 34}, {970, 8, 34, 34}};
  return {{244, 50, 780, 598}, 20, {244, 0, 780, 50}, {371, 8, 160, 34}, {546, 8, 160, 34}, {726, 8, 34, 34}};
}

LibraryDetailController::LibraryDetailController(std::shared_ptr<SaleslibraryModel> manager, int libraryTab)
    : manager_(std::move(manager)), model_(manager_, libraryTab), button_(libraryTab) {}

LibraryFileState LibraryDetailController::stateOf(const File& file) const { return model_.stateReader()(file); }

LibraryDetailController::~LibraryDetailController() {
  observations_.clear();
  manager_->removeObserver(this);
  if (tapGesture_ && tapGesture_->view()) tapGesture_->view()->removeGestureRecognizer(tapGesture_.get());
  if (productShowView_) {
    productShowView_->setDataSource({});
    productShowView_->setDelegate({});
  }
}

void LibraryDetailController::loadView() { setView(std::make_shared<ui::View>(ui::Rect{0, 0, 1024, 648})); }

void LibraryDetailController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto root = view();
  root->setBackgroundColor(gfx::Color::white(0.96));
  const Layout layout = layoutFor(masterHide_);
  auto weak = ui::weakAs<LibraryDetailController>(this);

  productShowView_ = std::make_shared<GridView>(layout.grid);
  productShowView_->setAlwaysBounceVertical(true);
  productShowView_->setDataSource(ui::weakAs<GridViewDataSource>(this));
  productShowView_->setDelegate(ui::weakAs<GridViewDelegate>(this));
  root->addSubview(productShowView_);

  headView_ = std::make_shared<ui::View>(layout.headView);
  headView_->setBackgroundColor(gfx::Color::white(249.0 / 255));
  root->addSubview(headView_);

  searchBar_ = std::make_shared<ui::SearchBar>(ui::Rect{15, 7, 300, 34});
  searchBar_->setPlaceholder(text("LIBRARYSEARCHHOLD"));
  searchBar_->setShowsBookmarkButton(false);
  searchBar_->setBackgroundColor(gfx::Color::clear());
  searchBar_->setBackgroundImage(SkinManager::skinFromImageName("bg_searchbar.png"));
  searchBar_->setDelegate(ui::weakAs<ui::SearchBarDelegate>(this));
  headView_->addSubview(searchBar_);

  auto picker = [&](const ui::Rect& frame, const std::vector<std::string>& keys) {
    auto controller =
        OrderingController::initWithOrderButtonFrame(frame, keys, ui::weakAs<OrderingControllerDelegate>(this), headView_);
    auto& button = *controller->orderingButton();
    button.titleLabel().setFont(gfx::Font::boldSystemFont(14));
    button.setTitleColor(gfx::Color::rgb255(72, 129, 176), ui::ControlStateNormal);
    button.setBackgroundImage(ViewStyle::resizeImage(SkinManager::skinFromImageName("btn_sort.png"), {5, 5, 5, 24}));
    button.setTitleEdgeInsets({0, 0, 0, 20});
    headView_->addSubview(controller->orderingButton());
    return controller;
  };
  filterController_ = picker(layout.filterButton, LibraryListModel::filterKeys(libraryTab()));
  orderController_ = picker(layout.sortButton, LibraryListModel::sortKeys());

  btnDownloadAll_ = std::make_shared<ui::Button>(layout.downloadAllButton, ui::ButtonType::Custom);
  btnDownloadAll_->setImage(SkinManager::skinFromImageName(button_.imageName()));
  btnDownloadAll_->setAccessibilityLabel(text(button_.nameKey()));
  btnDownloadAll_->addAction(
      [weak](ui::Control&, const ui::Event*) {
        if (auto self = weak.lock()) self->downloadAll();
      },
      ui::ControlEventTouchUpInside);
  headView_->addSubview(btnDownloadAll_);
  productShowView_->setLeftContentInset(layout.inset);
  productShowView_->setRightContentInset(layout.inset);

  auto pan = std::make_shared<ui::PanGestureRecognizer>([weak](ui::GestureRecognizer& g) {
    if (auto self = weak.lock()) self->panMove(static_cast<ui::PanGestureRecognizer&>(g));
  });
  pan->maximumNumberOfTouches = 1;
  // The grid keeps scrolling while the pan is measured.
  pan->shouldRecognizeSimultaneously = [](ui::GestureRecognizer&, ui::GestureRecognizer&) { return true; };
  root->addGestureRecognizer(pan);

  finishViewDidLoad();
  manager_->loadExistsFiles();
}

void LibraryDetailController::viewAfterFirstDidLoad() {
  BaseViewController::viewAfterFirstDidLoad();
  model_.selectedRow = 0;
  model_.selectedCategory = -1;
  auto weak = ui::weakAs<LibraryDetailController>(this);
  observations_.emplace_back(LibraryNotifications::kDisplayCatalog, nullptr, [weak](const base::Notification& n) {
    auto self = weak.lock();
    if (!self) return;
    auto tree = self->tree_.lock();
    if (tree && tree.get() == n.sender) self->displayCatalog(*tree);
  });
  auto shaking = [weak](bool on) {
    auto self = weak.lock();
    if (!self || !self->model_.isEditing) return;
    self->showCellShaking_ = on;
    self->productShowView_->reloadData();
  };
  observations_.emplace_back("AppWillEnterBackgound", nullptr, [shaking](const base::Notification&) { shaking(false); });
  observations_.emplace_back("AppWillEnterForegroud", nullptr, [shaking](const base::Notification&) { shaking(true); });
  // A grid appearing for the first time has made no choice of its own: the
  // category panel tells it the panel's.
  reloadDataWithPostNoti(true, true);
}

void LibraryDetailController::viewWillAppear(bool animated) {
  BaseViewController::viewWillAppear(animated);
  manager_->addObserver(ui::weakAs<LibraryDownloadObserver>(this).lock());
  reloadDataWithPostNoti(true, true);
  updateBtnDownlaodOrUpdate();
  searchBar_->resignFirstResponder();
}

void LibraryDetailController::viewWillDisappear(bool animated) {
  BaseViewController::viewWillDisappear(animated);
  manager_->removeObserver(this);
}

void LibraryDetailController::updateLanguage(ui::ViewController&) {
  if (!isViewLoaded()) return;
  searchBar_->setPlaceholder(text("LIBRARYSEARCHHOLD"));
  filterController_->updateLanguage();
  orderController_->updateLanguage();
  reloadDataWithPostNoti(false, false);
}

void LibraryDetailController::applyLayout(bool masterHide) {
  masterHide_ = masterHide;
  if (!isViewLoaded()) return;
  const Layout layout = layoutFor(masterHide);
  productShowView_->setLeftContentInset(layout.inset);
  productShowView_->setRightContentInset(layout.inset);
  productShowView_->setFrame(layout.grid);
  headView_->setFrame(layout.headView);
  filterController_->orderingButton()->setFrame(layout.filterButton);
  orderController_->orderingButton()->setFrame(layout.sortButton);
  btnDownloadAll_->setFrame(layout.downloadAllButton);
  productShowView_->setNeedsLayout();
}

// ---- the list -----------------------------------------------------------------------------

void LibraryDetailController::reloadDataWithPostNoti(bool post, bool changeTab) {
  MV_ASSERT_MAIN_THREAD();
  model_.reload();
  if (productShowView_) productShowView_->reloadData();
  if (!post) return;
  auto keep = shared_from_this();
  base::NotificationCenter::defaultCenter().post(LibraryNotifications::kReloadLibraryCatalog, this,
                                                 base::Value{{LibraryNotifications::kChangeTab, changeTab}});
}

void LibraryDetailController::displayCatalog(const LibraryCatalogController& tree) {
  if (!model_.displayCatalog(tree.tabIndex(), tree.selectRow(), tree.clickIndex())) return;
  reloadDataWithPostNoti(true, false);
  updateBtnDownlaodOrUpdate();
}

std::size_t LibraryDetailController::numberOfItemsInGridView(GridView&) { return model_.libfilesArray.size(); }

std::optional<base::Size> LibraryDetailController::portraitGridCellSizeForGridView(GridView&) { return kCellSize; }

std::shared_ptr<GridViewCell> LibraryDetailController::gridViewCellForItemAtIndex(GridView& gridView,
                                                                                  std::size_t index) {
  auto cell = LibraryDetailCell::dequeue(gridView);
  if (index >= model_.libfilesArray.size()) return cell;
  const File& file = model_.libfilesArray[index];
  cell->show(file, LibraryCellState::make(file, stateOf(file), model_.isEditing),
             static_cast<std::int64_t>(index), ui::weakAs<LibraryDetailCellDelegate>(this), false);
  cell->setShaking(showCellShaking_);
  // Edit mode shows the cells without their card backgrounds.
  cell->backGroundImageView().setHidden(model_.isEditing);
  return cell;
}

std::shared_ptr<LibraryDetailCell> LibraryDetailController::cellAt(std::size_t index) const {
  return productShowView_ ? std::dynamic_pointer_cast<LibraryDetailCell>(productShowView_->cellForItemAtIndex(index))
                          : nullptr;
}

std::optional<std::size_t> LibraryDetailController::indexOfFile(int fileId) const {
  for (std::size_t i = 0; i < model_.libfilesArray.size(); ++i) {
    if (model_.libfilesArray[i].file_id == fileId) return i;
  }
  return std::nullopt;
}

// ---- cells --------------------------------------------------------------------------------

void LibraryDetailController::didSelectedCell(const File& file, std::int64_t cellIndex) {
  auto keep = shared_from_this();
  switch (model_.tapAction(file)) {
    case LibraryTapAction::Pause:
      pauseDownload(file);
      updateBtnDownlaodOrUpdate();
      break;
    case LibraryTapAction::Resume:
      selectedFileToDownload(file);
      reloadDataWithPostNoti(true, false);
      updateBtnDownlaodOrUpdate();
      break;
    case LibraryTapAction::ShowInfo:
      selectShowInfo(file);
      break;
    case LibraryTapAction::OfferUpdate:
      offerUpdate(file, static_cast<std::size_t>(std::max<std::int64_t>(cellIndex, 0)));
      break;
    case LibraryTapAction::Open:
      openPresentFile(file);
      break;
    case LibraryTapAction::Nothing:
      break;
  }
  if (productShowView_) {
    productShowView_->deselectItemAtIndex(static_cast<std::size_t>(std::max<std::int64_t>(cellIndex, 0)), false);
    productShowView_->reloadData();
  }
}

void LibraryDetailController::didSelectedInfoButton(const File& file) { selectShowInfo(file); }

void LibraryDetailController::openPresentFile(File file) {
  if (!model_.markNotNew(file)) MV_LOG("cannot mark library file ", file.file_id, " as seen");
  const auto type = manager_->database().getFileTypeByFileName(file.file_name);
  selectDownloadedFile(file.file_name, type.value_or(file.type));
}

void LibraryDetailController::selectShowInfo(const File& file) {
  auto card = std::make_shared<FileDescriptionViewController>(manager_);
  card->setFileEntity(file);
  card->setDelagate(ui::weakAs<FileDescripionDelegate>(this));
  card->setModalPresentationStyle(ui::ModalPresentationStyle::FormSheet);
  card->setModalTransitionStyle(ui::ModalTransitionStyle::CrossDissolve);
  card->view();
  const bool present = manager_->isExists(file.file_id);
  card->delButton().setHidden(!(libraryTab() == 1 || present));
  description_ = card;
  presentViewController(card, true);
  card->view()->setFrame(FileDescriptionViewController::kContainerFrame);
}

void LibraryDetailController::actionButtonPressed(const File& file) {
  auto keep = shared_from_this();
  const LibraryFileState state = stateOf(file);
  if (!state.present) {
    selectedFileToDownload(file);
    reloadDataWithPostNoti(true, false);
    updateBtnDownlaodOrUpdate();
  } else if (!state.pendingUpdate) {
    openPresentFile(file);
  } else if (auto index = indexOfFile(file.file_id)) {
    offerUpdate(file, *index);
  }
}

void LibraryDetailController::descriptionViewDeleteButtonPressed(const File& file) {
  auto weak = ui::weakAs<LibraryDetailController>(this);
  tracker_.after(kDeleteDelay, [weak, file] {
    if (auto self = weak.lock()) self->didSelectedDeleteButton(file);
  });
}

void LibraryDetailController::markButtonPressed() {
  reloadDataWithPostNoti(false, false);
  updateBtnDownlaodOrUpdate();
}

void LibraryDetailController::didSelectedDeleteButton(const File& file) {
  if (Session::current().loginType == LoginType::Demo) {
    DemoLimitAlert::show();
    return;
  }
  deleteFile(file);
}

void LibraryDetailController::deleteFile(const File& file) {
  model_.deleteFile(file);
  reloadDataWithPostNoti(true, false);
  updateBtnDownlaodOrUpdate();
}

// ---- edit mode ------------------------------------------------------------------------------

void LibraryDetailController::didCellLongPressed() {
  if (libraryTab() != 1 || model_.isEditing) return;
  auto* window = view()->window();
  if (!window) return;
  auto weak = ui::weakAs<LibraryDetailController>(this);
  tapGesture_ = std::make_shared<ui::TapGestureRecognizer>([weak](ui::GestureRecognizer& g) {
    if (g.state() != ui::GestureRecognized) return;
    if (auto self = weak.lock()) self->handleSingleTap();
  });
  tapGesture_->setCancelsTouchesInView(false);
  // Only taps outside every cell end the edit mode.
  tapGesture_->shouldReceiveTouch = [weak](ui::GestureRecognizer&, const ui::Touch& touch) {
    auto self = weak.lock();
    if (!self) return false;
    for (const auto& cell : self->productShowView_->visibleCells()) {
      const ui::Point p = touch.locationInView(cell.get());
      if (cell->pointInside(p, nullptr)) return false;
    }
    return true;
  };
  window->addGestureRecognizer(tapGesture_);
  model_.isEditing = true;
  showCellShaking_ = true;
  reloadDataWithPostNoti(false, false);
}

void LibraryDetailController::handleSingleTap() {
  if (libraryTab() == 1) endEditMode();
}

void LibraryDetailController::endEditMode() {
  model_.isEditing = false;
  showCellShaking_ = false;
  if (productShowView_) productShowView_->reloadData();
  if (tapGesture_ && tapGesture_->view()) tapGesture_->view()->removeGestureRecognizer(tapGesture_.get());
  tapGesture_.reset();
}

// ---- head bar ---------------------------------------------------------------------------------

void LibraryDetailController::orderingDidSelected(OrderingController& controller, std::size_t selectedIndex) {
  const int index = static_cast<int>(selectedIndex);
  if (&controller == filterController_.get()) {
    model_.selectFilter(index);
    reloadDataWithPostNoti(true, false);
    updateBtnDownlaodOrUpdate();
    return;
  }
  model_.selectSort(index, searchBar_->text());
  reloadDataWithPostNoti(false, false);
}

void LibraryDetailController::searchBarTextDidBeginEditing(ui::SearchBar& bar) {
  if (!bar.text().empty()) return;
  model_.searchBegan(bar.text());
  reloadDataWithPostNoti(true, false);
  updateBtnDownlaodOrUpdate();
}

void LibraryDetailController::searchBarTextDidChange(ui::SearchBar&, const std::string& searchText) {
  model_.searchTextChanged(searchText);
  reloadDataWithPostNoti(true, false);
  // A new filter shows its first matches, not the old list's scroll position.
  productShowView_->setContentOffset({0, 0}, false);
  updateBtnDownlaodOrUpdate();
}

void LibraryDetailController::panMove(ui::PanGestureRecognizer& pan) {
  using Phase = LibraryPanTracker::Phase;
  Phase phase = Phase::Ended;
  if (pan.state() == ui::GestureState::Began) phase = Phase::Began;
  if (pan.state() == ui::GestureState::Changed) phase = Phase::Changed;
  switch (pan_.pan(phase, pan.translationInView(view().get()).x)) {
    case LibraryPanTracker::Outcome::ShowMaster:
      masterHide_ = false;
      base::NotificationCenter::defaultCenter().post(LibraryNotifications::kShowLibraryMasterView);
      break;
    case LibraryPanTracker::Outcome::HideMaster:
      masterHide_ = true;
      base::NotificationCenter::defaultCenter().post(LibraryNotifications::kHideLibraryMasterView);
      break;
    case LibraryPanTracker::Outcome::None:
      break;
  }
}

// ---- downloads ----------------------------------------------------------------------------------

bool LibraryDetailController::checkBeforeDownload(long cellularTag) {
  auto lm = LoginMode::existingInstance();
  switch (LibraryDownloads::check(Session::current().loginType, lm && lm->isNotWifi())) {
    case LibraryDownloadCheck::DemoLimited:
      DemoLimitAlert::show();
      return false;
    case LibraryDownloadCheck::Offline:
      showAlert(Tags::kFailureAlertTag, "FILEDOWNLOADFAILED", text("999"), "OK");
      return false;
    case LibraryDownloadCheck::Cellular:
      showAlert(cellularTag, "NONWIFINETWORKUSING", text("WIFIALERT"), "OK", {"CANCEL"});
      return false;
    case LibraryDownloadCheck::Go:
      return true;
  }
  return false;
}

void LibraryDetailController::sendDownload(const File& file) {
  File request = file;
  // The type stored for the file's name is the one its folder follows.
  if (auto type = manager_->database().getFileTypeByFileName(file.file_name)) request.type = *type;
  const int downloadId = manager_->sendRequest(SaleslibraryModel::requestForFile(request));
  MV_LOG("the downloadId is ", downloadId);
}

void LibraryDetailController::selectedFileToDownload(const File& file) {
  downloadFile_ = file.file_id;
  if (!checkBeforeDownload(Tags::kCellularOneFileTag)) return;
  sendDownload(file);
}

void LibraryDetailController::pauseDownload(const File& file) {
  manager_->pauseDownloadFile(file.file_name);
}

void LibraryDetailController::downloadAll() {
  if (button_.isBtnCancel()) {
    if (libraryTab() != 0) return;
    ScreenAlert a{Tags::kCancelAllTag, text("CANCELDOWNLOADS"), "", text("STR_NO"), {text("STR_YES")}, 0};
    alertCancel_ = a.show(ui::weakAs<ui::AlertViewDelegate>(this));
    return;
  }
  const bool update = libraryTab() == 1;
  const auto summary = LibraryDownloads::summarize(model_.libfilesArray, model_.stateReader(), update);
  if (update) {
    showAlert(Tags::kUpdateAllAlertTag, "UPDATEALLFILES", summary.message, "CANCEL", {"UPDATE"});
  } else {
    showAlert(Tags::kDownloadAllAlertTag, "DOWNLOADALLFILES", summary.message, "CANCEL", {"DOWNLOAD"});
  }
}

void LibraryDetailController::downloadAllFiles() {
  if (!checkBeforeDownload(Tags::kCellularDownloadAllTag)) return;
  setBtnStatusToCancel(true);
  startDownloadAll();
}

void LibraryDetailController::updateAllFiles() {
  if (!checkBeforeDownload(Tags::kCellularUpdateAllTag)) return;
  startUpdateAll();
}

void LibraryDetailController::startDownloadAll() {
  LibraryDownloads::startDownloadAll(*manager_, model_.libfilesArray, model_.stateReader());
  reloadDataWithPostNoti(true, false);
}

void LibraryDetailController::startUpdateAll() {
  LibraryDownloads::startUpdateAll(*manager_, model_.libfilesArray, model_.stateReader());
  reloadDataWithPostNoti(true, false);
  btnDownloadAll_->setHidden(true);
}

void LibraryDetailController::cancelAllDownloads() {
  LibraryDownloads::cancelAllDownloads(*manager_);
  setBtnStatusToCancel(false);
  reloadDataWithPostNoti(true, false);
}

void LibraryDetailController::setBtnStatusToCancel(bool cancel) {
  button_.setBtnStatusToCancel(cancel);
  if (btnDownloadAll_) {
    btnDownloadAll_->setImage(SkinManager::skinFromImageName(button_.imageName()));
    btnDownloadAll_->setAccessibilityLabel(text(button_.nameKey()));
  }
}

void LibraryDetailController::updateBtnDownlaodOrUpdate() {
  if (!btnDownloadAll_) return;
  const bool anyActive = !manager_->downloadFileNameArray().empty() || !manager_->pauseFileArray().empty();
  bool anyQualifies = false;
  for (const auto& f : model_.libfilesArray) {
    const auto state = stateOf(f);
    anyQualifies = libraryTab() == 1 ? LibraryDownloads::fileCanBeUpdated(state)
                                     : LibraryDownloads::fileCanBeDownloaded(state);
    if (anyQualifies) break;
  }
  const bool dismiss = button_.update(model_.selectedCategory, anyActive, anyQualifies);
  if (dismiss) {
    if (auto alert = alertCancel_.lock()) alert->dismissWithClickedButtonIndex(0, true);
    alertCancel_.reset();
  }
  btnDownloadAll_->setImage(SkinManager::skinFromImageName(button_.imageName()));
  btnDownloadAll_->setAccessibilityLabel(text(button_.nameKey()));
  btnDownloadAll_->setHidden(button_.isHidden());
}

void LibraryDetailController::progressed(const DownLoadRequestInfo& info) {
  MV_LOG("the filename is ", info.fileName, ",the percent is ", info.downloadPercent);
  dataDownloadAtPercent(info.fileName, info.downloadPercent);
}

void LibraryDetailController::dataDownloadAtPercent(const std::string& fileName, float percent) {
  for (std::size_t i = 0; i < model_.libfilesArray.size(); ++i) {
    if (model_.libfilesArray[i].file_name != fileName) continue;
    if (auto cell = cellAt(i)) cell->progressView().setProgress(percent);
  }
}

void LibraryDetailController::finished(const DownloadRst& result) {
  auto keep = shared_from_this();
  MV_LOG("the download file is ", result.fileName);
  if (result.status != "200") tellFailure(result.message);
  reloadForEndedDownloads();
}

void LibraryDetailController::tellFailure(const std::string& message) {
  auto up = failureAlert_.lock();
  if (up) {
    const auto showing = ui::AlertView::showingAlerts();
    if (std::find(showing.begin(), showing.end(), up) == showing.end()) up.reset();
  }
  switch (button_.failure(message, up != nullptr)) {
    case LibraryDownloadButton::Failure::Told:
      return;
    case LibraryDownloadButton::Failure::Join:
      up->setMessage(up->message() + "\n" + message);
      return;
    case LibraryDownloadButton::Failure::Alert:
      // A product screen's related files hear of the same failure: the user
      // is told once, by whichever screen speaks first.
      if (auto alert = ScreenAlert{Tags::kFailureAlertTag, text("FILEDOWNLOADFAILED"), message, text("OK"), {}}.showOnce(
              ui::weakAs<ui::AlertViewDelegate>(this)))
        failureAlert_ = alert;
      return;
  }
}

void LibraryDetailController::reloadForEndedDownloads() {
  MV_ASSERT_MAIN_THREAD();
  if (endedReload_ && tracker_.isTracked(endedReload_)) return;
  auto weak = ui::weakAs<LibraryDetailController>(this);
  endedReload_ = tracker_.after(kEndedReloadDelay, [weak] {
    auto self = weak.lock();
    if (!self) return;
    self->endedReload_ = 0;
    self->reloadDataWithPostNoti(true, false);
    self->updateBtnDownlaodOrUpdate();
  });
}

// ---- the update offer -------------------------------------------------------------------------

void LibraryDetailController::offerUpdate(const File& file, std::size_t index) {
  const long tag = LibraryListModel::kUpdateOfferTagBase + static_cast<long>(index);
  // The answer comes after reloads that may move the file: the alert keeps
  // the file itself.
  updateOffers_[tag] = file.file_id;
  showAlert(tag, "FILECONTENTUPDATED", text("HASUPDATE"), "UPDATE", {"CANCEL"});
}

void LibraryDetailController::answerUpdateOffer(long tag, long buttonIndex) {
  auto at = updateOffers_.find(tag);
  if (at == updateOffers_.end()) return;
  const int fileId = at->second;
  updateOffers_.erase(at);
  DataAccessManager& store = manager_->database();
  const auto file = store.getFilesByFileId(fileId);
  // A file gone from the library meanwhile is left alone.
  if (!file) return;
  if (buttonIndex == 1) {
    if (auto old = model_.oldVersionToOpen(*file)) {
      selectDownloadedFile(old->path.filename().string(), store.getLibFileUpdateByFileID(fileId)->oldFileType);
    }
    return;
  }
  selectedFileToDownload(*file);
  reloadDataWithPostNoti(true, false);
  updateBtnDownlaodOrUpdate();
}

// ---- opening ------------------------------------------------------------------------------------

void LibraryDetailController::selectDownloadedFile(const std::string& fileName, const std::string& type) {
  LibraryViewers::openFile(manager_->database(), fileName, type, LibraryViewers::navigationFor(*this));
}

// ---- alerts --------------------------------------------------------------------------------------

void LibraryDetailController::showAlert(long tag, const std::string& titleKey, const std::string& message,
                                        const std::string& cancelKey, const std::vector<std::string>& otherKeys) {
  ScreenAlert a{tag, text(titleKey), message, text(cancelKey), {}};
  for (const auto& key : otherKeys) a.others.push_back(text(key));
  a.show(ui::weakAs<ui::AlertViewDelegate>(this));
}

void LibraryDetailController::alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) {
  auto keep = shared_from_this();
  const long tag = alert.tag();
  if (tag >= LibraryListModel::kUpdateOfferTagBase) {
    answerUpdateOffer(tag, buttonIndex);
    return;
  }
  switch (tag) {
    case Tags::kFailureAlertTag:
      MV_LOG("failed");
      break;
    case Tags::kDownloadAllAlertTag:
      if (buttonIndex == 1) downloadAllFiles();
      break;
    case Tags::kUpdateAllAlertTag:
      if (buttonIndex == 1) updateAllFiles();
      break;
    case Tags::kCellularOneFileTag:
      if (buttonIndex == 0 && downloadFile_) {
        if (auto file = manager_->database().getFilesByFileId(*downloadFile_)) sendDownload(*file);
        reloadDataWithPostNoti(true, false);
        updateBtnDownlaodOrUpdate();
      }
      break;
    case Tags::kCellularDownloadAllTag:
      if (buttonIndex == 0) {
        // Asked once: every request goes out, and the button can cancel them.
        setBtnStatusToCancel(true);
        startDownloadAll();
        updateBtnDownlaodOrUpdate();
      }
      break;
    case Tags::kCellularUpdateAllTag:
      if (buttonIndex == 0) startUpdateAll();
      break;
    case Tags::kCancelAllTag:
      alertCancel_.reset();
      if (buttonIndex == 1) cancelAllDownloads();
      updateBtnDownlaodOrUpdate();
      break;
    default:
      break;
  }
}

}  // namespace mv
