#pragma once
// One library file in a grid: its cover, the format badge, the title, the
// "new" or "update" ribbon, the download progress under a dimming overlay,
// the favourite mark, the information button and, in edit mode, the delete
// button and a wiggle. It reports taps, a long press and its buttons to its
// owner; the owner sets every part for each file (see `LibraryCellState`).
// The file grid and a product's related materials use it.
#include <cstdint>
#include <memory>

#include "library/LibraryCellState.hpp"
#include "widgets/PictureLoader.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/ProgressView.hpp"
#include "store/Entities.hpp"
#include "widgets/grid/GridView.hpp"
#include "widgets/grid/GridViewCell.hpp"

namespace mv {

class LibraryDetailCellDelegate {
 public:
  virtual ~LibraryDetailCellDelegate() = default;
  virtual void didSelectedInfoButton(const marvisto_library_files_Entity& file) = 0;
  virtual void didSelectedCell(const marvisto_library_files_Entity& file, std::int64_t cellIndex) = 0;
  virtual void didSelectedDeleteButton(const marvisto_library_files_Entity& /*file*/) {}
  virtual void didCellLongPressed() {}
};

class LibraryDetailCell : public GridViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "CellIdentifier";
  inline static const ui::Rect kFrame{0, 0, 180, 240};
  static constexpr double kLongPress = 0.7;

  // Call `init` once held by a shared pointer.
  LibraryDetailCell(const ui::Rect& frame, std::string reuseIdentifier);
  void init();
  // A free cell of `gridView`, or a new one.
  static std::shared_ptr<LibraryDetailCell> dequeue(GridView& gridView);

  // Shows `file` at `index` of its grid in `state`, its cover fading in when
  // `animation`, and reports the cell's taps to `delegate`.
  void show(const marvisto_library_files_Entity& file, const LibraryCellState& state, std::int64_t index,
            std::weak_ptr<LibraryDetailCellDelegate> delegate, bool animation);

  std::shared_ptr<LibraryDetailCellDelegate> detailDelegate() const { return detailDelegate_.lock(); }
  void setDetailDelegate(std::weak_ptr<LibraryDetailCellDelegate> d) { detailDelegate_ = std::move(d); }
  const marvisto_library_files_Entity& file() const { return file_; }
  void setFile(const marvisto_library_files_Entity& file) { file_ = file; }
  std::int64_t cellIndex() const { return cellIndex_; }
  void setCellIndex(std::int64_t index) { cellIndex_ = index; }

  // 1 new, 2 update, anything else none.
  void setRibbon(int ribbon);
  int ribbon() const { return ribbon_; }
  bool shaking() const { return shaking_; }
  void setShaking(bool shaking);
  // Shows the file as the state says: background, ribbon, info button and
  // title width, the overlay with its progress, the favourite mark, the
  // badge and the delete button.
  void apply(const LibraryCellState& state);
  void loadFileImageAsyncWithName(const std::string& coverName, int fileType, bool animation);

  ui::ImageView& backGroundImageView() const { return *backGroundImageView_; }
  ui::Label& titleLabel() const { return *titleLabel_; }
  ui::Label& formatLabel() const { return *formatLabel_; }
  ui::ImageView& fileImageView() const { return *fileImageView_; }
  ui::ImageView& ribbonView() const { return *ribbonView_; }
  ui::ImageView& markImageView() const { return *markImageView_; }
  ui::Button& infoButton() const { return *infoButton_; }
  ui::ProgressView& progressView() const { return *progressView_; }
  ui::ImageView& pauseView() const { return *pauseView_; }
  ui::Label& downloadingLabel() const { return *downloadingLabel_; }
  ui::Button& deleteButton() const { return *deleteButton_; }

 private:
  std::weak_ptr<LibraryDetailCellDelegate> detailDelegate_;
  marvisto_library_files_Entity file_;
  std::int64_t cellIndex_ = 0;
  int ribbon_ = 0;
  bool shaking_ = false;
  std::shared_ptr<ui::View> shakingView_;
  std::shared_ptr<ui::ImageView> backGroundImageView_, fileImageView_, ribbonView_, markImageView_, pauseView_;
  std::shared_ptr<ui::Label> titleLabel_, formatLabel_, downloadingLabel_;
  std::shared_ptr<ui::Button> infoButton_, deleteButton_;
  std::shared_ptr<ui::ProgressView> progressView_;
  std::shared_ptr<PictureLoader> cover_;
};

}  // namespace mv
