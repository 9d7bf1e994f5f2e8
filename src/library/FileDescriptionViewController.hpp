#pragma once
// The small card that describes one library file before the user acts on it:
// cover, title, date, format and size, video duration and description, with
// a button that opens, downloads or updates the file, a favourite toggle and
// a delete button. It acts on nothing itself but the favourite mark: it
// closes and hands the file to its owner. A tap outside the card closes it.
#include <memory>

#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "platform/ui/TextView.hpp"
#include "shell/frame/BaseViewController.hpp"
#include "store/Entities.hpp"
#include "widgets/PictureLoader.hpp"

namespace mv {

class SaleslibraryModel;

class FileDescripionDelegate {
 public:
  virtual ~FileDescripionDelegate() = default;
  virtual void descriptionViewDeleteButtonPressed(const marvisto_library_files_Entity& /*file*/) {}
  virtual void actionButtonPressed(const marvisto_library_files_Entity& /*file*/) {}
  // The favourite mark changed or was tried.
  virtual void markButtonPressed() {}
};

class FileDescriptionViewController : public BaseViewController {
 public:
  // Where owners put the card on the screen.
  inline static const ui::Rect kContainerFrame{220, 150, 619, 450};

  // Shows a file of the manager's store (never null).
  explicit FileDescriptionViewController(std::shared_ptr<SaleslibraryModel> manager) : manager_(std::move(manager)) {}

  const marvisto_library_files_Entity& fileEntity() const { return fileEntity_; }
  void setFileEntity(const marvisto_library_files_Entity& file) { fileEntity_ = file; }
  void setDelagate(std::weak_ptr<FileDescripionDelegate> d) { delagate_ = std::move(d); }
  bool isMarked() const { return isMarked_; }

  // The action button's text key for a file: "DOWNLOAD" while it is not on
  // the device, "UPDATE" with a pending update, else "OPEN".
  static const char* actionKey(bool present, bool pendingUpdate);

  void loadView() override;
  void viewDidLoad() override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  void actionButtonPressed();
  void deleteButtonPressed();
  void markButtonPressed();
  // A tap of the window outside the card closes it.
  void handleTapBehind(ui::Point inWindow);

  // The cover, read on a worker at this view's size once the view is loaded.
  ui::ImageView& imageView() const { return *imageView_; }
  ui::Label& nameLabel() const { return *nameLabel_; }
  ui::Label& dateLabel() const { return *dateLabel_; }
  ui::Label& formatLabel() const { return *formatLabel_; }
  ui::Label& videoDurationLabel() const { return *videoDurationLabel_; }
  ui::TextView& descTextView() const { return *descTextView_; }
  ui::Button& actionButton() const { return *actionButton_; }
  ui::Button& favButton() const { return *favButton_; }
  ui::Button& delButton() const { return *delButton_; }

 private:
  void close(const std::function<void(FileDescripionDelegate&)>& then);
  void dropTapBehind();

  std::shared_ptr<SaleslibraryModel> manager_;
  marvisto_library_files_Entity fileEntity_;
  std::weak_ptr<FileDescripionDelegate> delagate_;
  bool isMarked_ = false;
  std::shared_ptr<ui::TapGestureRecognizer> tapGesture_;
  std::shared_ptr<ui::ImageView> imageView_;
  std::shared_ptr<PictureLoader> cover_;
  std::shared_ptr<ui::Label> nameLabel_, dateLabel_, formatLabel_, videoDurationLabel_;
  std::shared_ptr<ui::TextView> descTextView_;
  std::shared_ptr<ui::Button> actionButton_, favButton_, delButton_;
};

}  // namespace mv
