#pragma once
// A product's related materials: its linked library files in a sideways
// strip of small file cells with each file's download state. A tap pauses a
// download, resumes a paused one, offers a pending update, opens a file on
// the device in its viewer, or shows a file's information; downloads go
// through the sales library's download manager, whose progress and outcomes
// the strip follows.
#include <memory>
#include <vector>

#include "library/FileDescriptionViewController.hpp"
#include "library/LibraryDetailCell.hpp"
#include "library/LibraryFileState.hpp"
#include "platform/ui/AlertView.hpp"
#include "shell/frame/PopBaseController.hpp"
#include "library/LibraryDownloadObserver.hpp"
#include "sync/SessionServices.hpp"
#include "widgets/grid/GridView.hpp"

namespace mv {

class SaleslibraryModel;

class ProductRelatedFileController : public PopBaseController,
                                     public GridViewDataSource,
                                     public GridViewDelegate,
                                     public LibraryDetailCellDelegate,
                                     public FileDescripionDelegate,
                                     public LibraryDownloadObserver,
                                     public ui::AlertViewDelegate {
 public:
  static constexpr long kOfflineAlertTag = 1001;
  static constexpr long kUpdateButton = 0;
  inline static const ui::Size kSlotSize{118, 144};
  static constexpr double kCellScale = 0.6;

  // Reads the files from the session's database and downloads through the
  // session's library (none when the library is not installed: the strip
  // lists the files and fetches none).
  explicit ProductRelatedFileController(SessionServices& services) : services_(services.shared_from_this()) {}
  ~ProductRelatedFileController() override;

  const std::vector<marvisto_library_files_Entity>& libfilesArray() const { return libfilesArray_; }
  void setLibfilesArray(std::vector<marvisto_library_files_Entity> files) { libfilesArray_ = std::move(files); }
  // Another product's files; the pending updates read again.
  void reloadRelatdFiles(std::vector<marvisto_library_files_Entity> files);
  // Full screen, the strip shows its title bar and close button.
  void setFullScreen(bool fullScreen) { fullScreen_ = fullScreen; }
  // How a file's state is read (tests replace it).
  using StateReader = std::function<LibraryFileState(const marvisto_library_files_Entity&)>;
  void setStateReader(StateReader reader) { stateReader_ = std::move(reader); }

  // ---- what a tap does ---------------------------------------------------------------------
  void selectedFileToDownload(const marvisto_library_files_Entity& file);
  void pauseDownload(const marvisto_library_files_Entity& file);
  void selectFileToUpdateWithIndex(long index);
  void selectDownloadedFile(const std::string& fileName, const std::string& type);
  void selectShowInfo(const marvisto_library_files_Entity& file);
  bool isInFilesIDS(const marvisto_library_files_Entity& file) const;

  void didSelectedCell(const marvisto_library_files_Entity& file, std::int64_t cellIndex) override;
  void didSelectedInfoButton(const marvisto_library_files_Entity& file) override;
  void actionButtonPressed(const marvisto_library_files_Entity& file) override;
  void markButtonPressed() override;
  void progressed(const DownLoadRequestInfo& info) override;
  void finished(const DownloadRst& reply) override;
  void alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) override;

  std::size_t numberOfItemsInGridView(GridView& gridView) override;
  std::shared_ptr<GridViewCell> gridViewCellForItemAtIndex(GridView& gridView, std::size_t index) override;
  std::optional<base::Size> portraitGridCellSizeForGridView(GridView& gridView) override;

  GridView& grid() const { return *grid_; }
  std::shared_ptr<LibraryDetailCell> cellAt(std::size_t index) const;
  const std::vector<int>& libFilesArrayIDS() const { return libFilesArrayIDS_; }

  void loadView() override;
  void viewDidLoad() override;
  void viewAfterFirstDidLoad() override;
  void updateLanguage(ui::ViewController& sender) override;

 private:
  LibraryFileState stateOf(const marvisto_library_files_Entity& file) const;
  void readPendingUpdates();
  DataAccessManager& store() const { return services_->database(); }
  std::shared_ptr<SaleslibraryModel> library() const;
  std::string fileTypeOf(const std::string& fileName) const;

  std::shared_ptr<SessionServices> services_;
  std::vector<marvisto_library_files_Entity> libfilesArray_;
  std::vector<int> libFilesArrayIDS_;
  std::shared_ptr<GridView> grid_;
  StateReader stateReader_;
  bool fullScreen_ = false;
  // The update offer on show: its tag is the file's index.
  std::shared_ptr<ui::AlertView> updateAlert_;
  std::weak_ptr<SaleslibraryModel> library_;
};

}  // namespace mv
