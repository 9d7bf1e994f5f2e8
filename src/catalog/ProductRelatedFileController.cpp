#include "catalog/ProductRelatedFileController.hpp"

#include <algorithm>

#include "catalog/CatalogFeedback.hpp"
#include "library/LibraryCellState.hpp"
#include "library/LibraryDownloads.hpp"
#include "library/LibraryListModel.hpp"
#include "library/LibraryViewers.hpp"
#include "library/SaleslibraryModel.hpp"
#include "platform/base/Log.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/WeakAs.hpp"
#include "platform/ui/Window.hpp"
#include "shell/frame/DemoLimitAlert.hpp"
#include "shell/frame/ScreenAlert.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/CommandCode.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "util/Session.hpp"

namespace mv {
namespace {

std::string text(const char* key) { return CatalogFeedback::text(key); }

}  // namespace

ProductRelatedFileController::~ProductRelatedFileController() {
  if (auto library = library_.lock()) library->removeObserver(this);
  if (grid_) {
    grid_->setDataSource({});
    grid_->setDelegate({});
  }
}

void ProductRelatedFileController::loadView() {
  setView(std::make_shared<ui::View>(ui::Rect{0, 0, 364, kSlotSize.height}));
}

void ProductRelatedFileController::viewDidLoad() {
  PopBaseController::viewDidLoad();
  readPendingUpdates();
  if (auto library = this->library()) library->loadExistsFiles();
  if (lblTittle()) lblTittle()->setText(text("RELATEDMATERIALS"));
  auto root = view();
  root->setBackgroundColor(gfx::Color::white());
  ui::Rect strip = root->bounds();
  if (fullScreen_) strip = {20, titlebar()->frame().maxY() + 20, strip.width() - 40, kSlotSize.height};
  grid_ = std::make_shared<GridView>(strip);
  grid_->setAutoresizingMask(fullScreen_ ? ui::FlexibleWidth : ui::FlexibleWidth | ui::FlexibleHeight);
  grid_->setLayoutDirection(GridViewData::kHorizontal);
  grid_->setSeparatorStyle(GridViewCellSeparatorStyleSingleLine);
  grid_->setDataSource(ui::weakAs<GridViewDataSource>(this));
  grid_->setDelegate(ui::weakAs<GridViewDelegate>(this));
  root->addSubview(grid_);
  titlebar()->setHidden(!fullScreen_);
  grid_->reloadData();
  finishViewDidLoad();
}

void ProductRelatedFileController::viewAfterFirstDidLoad() {
  PopBaseController::viewAfterFirstDidLoad();
  auto library = this->library();
  if (!library) return;
  library->addObserver(ui::weakAs<LibraryDownloadObserver>(this).lock());
  library_ = library;
}

void ProductRelatedFileController::updateLanguage(ui::ViewController&) {
  PopBaseController::updateLanguage();
  if (lblTittle()) lblTittle()->setText(text("RELATEDMATERIALS"));
  if (grid_) grid_->reloadData();
}

void ProductRelatedFileController::readPendingUpdates() {
  libFilesArrayIDS_ = store().getAllLibFileUpdateIDs();
}

std::shared_ptr<SaleslibraryModel> ProductRelatedFileController::library() const {
  return services_->get<SaleslibraryModel>();
}

std::string ProductRelatedFileController::fileTypeOf(const std::string& fileName) const {
  return store().getFileTypeByFileName(fileName).value_or("");
}

void ProductRelatedFileController::reloadRelatdFiles(std::vector<marvisto_library_files_Entity> files) {
  libfilesArray_ = std::move(files);
  readPendingUpdates();
  if (grid_) grid_->reloadData();
}

LibraryFileState ProductRelatedFileController::stateOf(const marvisto_library_files_Entity& file) const {
  if (stateReader_) return stateReader_(file);
  if (auto library = this->library()) return LibraryFileState::of(*library, file);
  LibraryFileState state;
  state.isNew = file.isNew == 1;
  return state;
}

bool ProductRelatedFileController::isInFilesIDS(const marvisto_library_files_Entity& file) const {
  return std::find(libFilesArrayIDS_.begin(), libFilesArrayIDS_.end(), file.file_id) != libFilesArrayIDS_.end();
}

// ---- the strip -------------------------------------------------------------------------------

std::size_t ProductRelatedFileController::numberOfItemsInGridView(GridView&) { return libfilesArray_.size(); }

std::optional<base::Size> ProductRelatedFileController::portraitGridCellSizeForGridView(GridView&) {
  return kSlotSize;
}

std::shared_ptr<GridViewCell> ProductRelatedFileController::gridViewCellForItemAtIndex(GridView& gridView,
                                                                                      std::size_t index) {
  auto cell = LibraryDetailCell::dequeue(gridView);
  if (index >= libfilesArray_.size()) return cell;
  const auto& file = libfilesArray_[index];
  cell->show(file, LibraryCellState::make(file, stateOf(file), false), static_cast<std::int64_t>(index),
             ui::weakAs<LibraryDetailCellDelegate>(this), true);
  cell->setShaking(false);
  cell->setTransform(ui::AffineTransform::scale(kCellScale, kCellScale));
  return cell;
}

std::shared_ptr<LibraryDetailCell> ProductRelatedFileController::cellAt(std::size_t index) const {
  return grid_ ? std::dynamic_pointer_cast<LibraryDetailCell>(grid_->cellForItemAtIndex(index)) : nullptr;
}

// ---- taps ------------------------------------------------------------------------------------

void ProductRelatedFileController::didSelectedCell(const marvisto_library_files_Entity& file, std::int64_t cellIndex) {
  auto keep = shared_from_this();
  switch (LibraryListModel::tapAction(stateOf(file), 0, false)) {
    case LibraryTapAction::Pause:
      pauseDownload(file);
      break;
    case LibraryTapAction::Resume:
      selectedFileToDownload(file);
      break;
    case LibraryTapAction::OfferUpdate:
      selectFileToUpdateWithIndex(static_cast<long>(cellIndex));
      break;
    case LibraryTapAction::Open:
      selectDownloadedFile(file.file_name, fileTypeOf(file.file_name));
      break;
    case LibraryTapAction::ShowInfo:
      selectShowInfo(file);
      break;
    case LibraryTapAction::Nothing:
      break;
  }
  if (grid_) grid_->reloadData();
}

void ProductRelatedFileController::didSelectedInfoButton(const marvisto_library_files_Entity& file) {
  selectShowInfo(file);
}

void ProductRelatedFileController::pauseDownload(const marvisto_library_files_Entity& file) {
  if (auto library = this->library()) library->pauseDownloadFile(file.file_name);
}

void ProductRelatedFileController::selectedFileToDownload(const marvisto_library_files_Entity& file) {
  auto delegate = ui::weakAs<ui::AlertViewDelegate>(this);
  switch (LibraryDownloads::check(Session::current().loginType, false)) {
    case LibraryDownloadCheck::DemoLimited:
      DemoLimitAlert::show();
      return;
    case LibraryDownloadCheck::Offline:
      ScreenAlert{kOfflineAlertTag, text("FILEDOWNLOADFAILED"), text("999"), text("OK"), {}}.show(delegate);
      return;
    default:
      break;
  }
  auto library = this->library();
  if (!library) return;
  const int id = library->sendRequest(SaleslibraryModel::requestForFile(file));
  MV_LOG("the downloadId is ", id);
  if (grid_) grid_->reloadData();
}

void ProductRelatedFileController::selectFileToUpdateWithIndex(long index) {
  updateAlert_ = ScreenAlert{index, text("FILECONTENTUPDATED"), text("HASUPDATE"), text("UPDATE"), {text("CANCEL")}}
                     .show(ui::weakAs<ui::AlertViewDelegate>(this));
}

void ProductRelatedFileController::selectDownloadedFile(const std::string& fileName, const std::string& type) {
  LibraryViewers::openFile(store(), fileName, type, LibraryViewers::navigationFor(*this));
}

void ProductRelatedFileController::selectShowInfo(const marvisto_library_files_Entity& file) {
  auto library = this->library();
  if (!library) return;
  auto info = std::make_shared<FileDescriptionViewController>(library);
  info->setFileEntity(file);
  info->setDelagate(ui::weakAs<FileDescripionDelegate>(this));
  info->setModalPresentationStyle(ui::ModalPresentationStyle::FormSheet);
  info->setModalTransitionStyle(ui::ModalTransitionStyle::CrossDissolve);
  presentViewController(info, true);
  info->delButton().setHidden(true);
  // The card's own size, centred where the library puts it.
  info->view()->setFrame(FileDescriptionViewController::kContainerFrame);
}

void ProductRelatedFileController::actionButtonPressed(const marvisto_library_files_Entity& file) {
  const auto state = stateOf(file);
  if (!state.present) {
    selectedFileToDownload(file);
    return;
  }
  if (isInFilesIDS(file)) {
    for (std::size_t i = 0; i < libfilesArray_.size(); ++i) {
      if (libfilesArray_[i].file_id == file.file_id) {
        selectFileToUpdateWithIndex(static_cast<long>(i));
        return;
      }
    }
    return;
  }
  selectDownloadedFile(file.file_name, fileTypeOf(file.file_name));
}

void ProductRelatedFileController::markButtonPressed() {
  if (grid_) grid_->reloadData();
}

void ProductRelatedFileController::alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) {
  const long tag = alert.tag();
  if (&alert != updateAlert_.get()) return;
  updateAlert_.reset();
  if (tag < 0 || static_cast<std::size_t>(tag) >= libfilesArray_.size()) return;
  const auto file = libfilesArray_[static_cast<std::size_t>(tag)];
  if (buttonIndex == kUpdateButton) {
    // The pending update stays until the new version has arrived: the
    // download manager clears it on a "200" reply.
    selectedFileToDownload(file);
    return;
  }
  if (auto old = LibraryListModel::oldVersionToOpen(store(), file)) {
    const std::string title = store().getTitleByFileName(file.file_name).value_or(file.title);
    LibraryViewers::open(*old, title, LibraryViewers::navigationFor(*this));
  }
}

// ---- the download manager's reports ------------------------------------------------------------

void ProductRelatedFileController::progressed(const DownLoadRequestInfo& info) {
  MV_LOG("the filename is ", info.fileName, ",the percent is ", info.downloadPercent);
  for (std::size_t i = 0; i < libfilesArray_.size(); ++i) {
    if (libfilesArray_[i].file_name != info.fileName) continue;
    if (auto cell = cellAt(i)) cell->progressView().setProgress(info.downloadPercent);
  }
}

void ProductRelatedFileController::finished(const DownloadRst& result) {
  if (result.status == "200") {
    if (grid_) grid_->reloadData();
    return;
  }
  // Every related-files screen alive hears of the failure (the product's own
  // strip under a full-screen list, too): the user is told once.
  ScreenAlert{0, text("FILEDOWNLOADFAILED"), result.message, text("OK"), {}}.showOnce({});
}

}  // namespace mv
