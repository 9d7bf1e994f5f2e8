#pragma once
// The file grid of the library screen, one per tab: tab 0 shows every
// published file, tab 1 the files on the device, downloading or paused. A
// head bar holds the search field, the filter and sort pickers and the
// download-all button (update all on tab 1, cancel all while a download-all
// runs). Each cell shows its file's state; a tap pauses, resumes, shows the
// file's card, offers its update or opens it by its type. Downloads start
// from here through the session's download manager, after the demo,
// offline and cellular checks. On tab 1 a long press starts the edit mode
// whose cells delete their files. A sideways pan shows or hides the
// category panel. The list itself is the `LibraryListModel`.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "library/FileDescriptionViewController.hpp"
#include "library/LibraryDetailCell.hpp"
#include "library/LibraryDownloadButton.hpp"
#include "library/LibraryDownloads.hpp"
#include "library/LibraryListModel.hpp"
#include "library/LibraryPanTracker.hpp"
#include "platform/base/CancelTracker.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/PanGestureRecognizer.hpp"
#include "platform/ui/SearchBar.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "shell/frame/BaseViewController.hpp"
#include "library/LibraryDownloadObserver.hpp"
#include "widgets/OrderingController.hpp"
#include "widgets/grid/GridView.hpp"

namespace mv {

class LibraryCatalogController;
class SaleslibraryModel;

class LibraryDetailController : public BaseViewController,
                                public GridViewDataSource,
                                public GridViewDelegate,
                                public LibraryDetailCellDelegate,
                                public FileDescripionDelegate,
                                public OrderingControllerDelegate,
                                public LibraryDownloadObserver,
                                public ui::SearchBarDelegate,
                                public ui::AlertViewDelegate {
 public:
  inline static const ui::Size kCellSize{200, 290};
  static constexpr double kDeleteDelay = 0.5;
  static constexpr long kRequireLoginTag = 1009;
  static constexpr long kRefreshFailedTag = 1010;

  // The frames of the grid's parts with the category panel shown or hidden.
  struct Layout {
    ui::Rect grid;
    double inset = 0;
    ui::Rect headView;
    ui::Rect filterButton;
    ui::Rect sortButton;
    ui::Rect downloadAllButton;
  };
  static Layout layoutFor(bool masterHide);

  // Shows the files of the manager's store (never null).
  LibraryDetailController(std::shared_ptr<SaleslibraryModel> manager, int libraryTab);
  ~LibraryDetailController() override;

  // Set before the view loads.
  void setMasterHide(bool hide) { masterHide_ = hide; }
  bool masterHide() const { return masterHide_; }
  // The panel whose "display_catalog" this grid follows.
  void setCatalogController(std::weak_ptr<LibraryCatalogController> tree) { tree_ = std::move(tree); }

  void loadView() override;
  void viewDidLoad() override;
  void viewAfterFirstDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;

  // The one refresh: the list is rebuilt, the grid reloaded, and with
  // `post` the category panel is told ("reloadlibrarycatalog").
  void reloadDataWithPostNoti(bool post, bool changeTab);
  void displayCatalog(const LibraryCatalogController& tree);
  // Puts the grid's parts where the panel's state wants them.
  void applyLayout(bool masterHide);

  // ---- grid --------------------------------------------------------------------------
  std::size_t numberOfItemsInGridView(GridView& gridView) override;
  std::shared_ptr<GridViewCell> gridViewCellForItemAtIndex(GridView& gridView, std::size_t index) override;
  std::optional<base::Size> portraitGridCellSizeForGridView(GridView& gridView) override;

  // ---- cells and the card ---------------------------------------------------------------
  void didSelectedCell(const marvisto_library_files_Entity& file, std::int64_t cellIndex) override;
  void didSelectedInfoButton(const marvisto_library_files_Entity& file) override;
  void didSelectedDeleteButton(const marvisto_library_files_Entity& file) override;
  void didCellLongPressed() override;
  void actionButtonPressed(const marvisto_library_files_Entity& file) override;
  void descriptionViewDeleteButtonPressed(const marvisto_library_files_Entity& file) override;
  void markButtonPressed() override;
  void selectShowInfo(const marvisto_library_files_Entity& file);
  // Ends the edit mode of the collection tab.
  void handleSingleTap();

  // ---- head bar --------------------------------------------------------------------------
  void orderingDidSelected(OrderingController& controller, std::size_t selectedIndex) override;
  void searchBarTextDidBeginEditing(ui::SearchBar& bar) override;
  void searchBarTextDidChange(ui::SearchBar& bar, const std::string& searchText) override;
  void panMove(ui::PanGestureRecognizer& pan);

  // ---- downloads ------------------------------------------------------------------------------
  // One file, after the demo, offline and cellular checks; a paused file resumes.
  void selectedFileToDownload(const marvisto_library_files_Entity& file);
  void pauseDownload(const marvisto_library_files_Entity& file);
  // The head bar button.
  void downloadAll();
  void downloadAllFiles();
  void updateAllFiles();
  void startDownloadAll();
  void startUpdateAll();
  void cancelAllDownloads();
  void updateBtnDownlaodOrUpdate();
  void setBtnStatusToCancel(bool cancel);
  void progressed(const DownLoadRequestInfo& info) override;
  void finished(const DownloadRst& reply) override;

  // ---- opening ---------------------------------------------------------------------------------
  // Opens a file on the device by its name and the type word stored for it.
  void selectDownloadedFile(const std::string& fileName, const std::string& type);

  void alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) override;

  // ---- state -------------------------------------------------------------------------------------
  int libraryTab() const { return model_.libraryTab(); }
  const LibraryListModel& listModel() const { return model_; }
  const std::vector<marvisto_library_files_Entity>& libfilesArray() const { return model_.libfilesArray; }
  const std::vector<marvisto_library_files_Entity>& catalogDisplayFileArray() const {
    return model_.catalogDisplayFileArray;
  }
  int selectedCategory() const { return model_.selectedCategory; }
  int selectedRow() const { return model_.selectedRow; }
  bool isEditing() const { return model_.isEditing; }
  bool showCellShaking() const { return showCellShaking_; }
  const LibraryDownloadButton& downloadButton() const { return button_; }
  GridView& productShowView() const { return *productShowView_; }
  ui::View& headView() const { return *headView_; }
  ui::SearchBar& searchBar() const { return *searchBar_; }
  ui::Button& btnDownloadAll() const { return *btnDownloadAll_; }
  OrderingController& filterController() const { return *filterController_; }
  OrderingController& orderController() const { return *orderController_; }
  const std::shared_ptr<FileDescriptionViewController>& descriptionController() const { return description_; }
  // The cell showing item `index`, when it is on screen.
  std::shared_ptr<LibraryDetailCell> cellAt(std::size_t index) const;

 private:
  // The session's checks before a download; true when it may go on now.
  // `cellularTag` names the question asked on a cellular network.
  bool checkBeforeDownload(long cellularTag);
  void sendDownload(const marvisto_library_files_Entity& file);
  void offerUpdate(const marvisto_library_files_Entity& file, std::size_t index);
  void answerUpdateOffer(long tag, long buttonIndex);
  void openPresentFile(marvisto_library_files_Entity file);
  void deleteFile(const marvisto_library_files_Entity& file);
  void showAlert(long tag, const std::string& titleKey, const std::string& message, const std::string& cancelKey,
                 const std::vector<std::string>& otherKeys = {});
  void endEditMode();
  void dataDownloadAtPercent(const std::string& fileName, float percent);
  // A failed download told as the head bar button decides (see
  // LibraryDownloadButton::failure).
  void tellFailure(const std::string& message);
  // The list, the catalogue counts and the head bar button, once for every
  // download that ended since the last time (see kEndedReloadDelay).
  void reloadForEndedDownloads();
  std::optional<std::size_t> indexOfFile(int fileId) const;

  LibraryFileState stateOf(const marvisto_library_files_Entity& file) const;

  std::shared_ptr<SaleslibraryModel> manager_;
  LibraryListModel model_;
  LibraryDownloadButton button_;
  LibraryPanTracker pan_;
  bool masterHide_ = false;
  bool showCellShaking_ = false;
  std::weak_ptr<LibraryCatalogController> tree_;
  std::shared_ptr<GridView> productShowView_;
  std::shared_ptr<ui::View> headView_;
  std::shared_ptr<ui::SearchBar> searchBar_;
  std::shared_ptr<ui::Button> btnDownloadAll_;
  std::shared_ptr<OrderingController> filterController_;
  std::shared_ptr<OrderingController> orderController_;
  std::shared_ptr<ui::TapGestureRecognizer> tapGesture_;
  std::shared_ptr<FileDescriptionViewController> description_;
  std::weak_ptr<ui::AlertView> alertCancel_;
  // The failure alert of the running download-all, while it is up.
  std::weak_ptr<ui::AlertView> failureAlert_;
  // The file waiting for the cellular question, by id.
  std::optional<int> downloadFile_;
  // The file each update offer still shown stands for, by its alert's tag.
  std::map<long, int> updateOffers_;
  std::vector<base::Observation> observations_;
  base::CancelTracker tracker_;
  // The reload waiting for the downloads that ended meanwhile; 0 when none.
  base::CancelTracker::Id endedReload_ = 0;
};

}  // namespace mv
