#pragma once
// The EPUB reader: a downloaded book of the library, one unit at a time in an
// EPUBView under a top bar with a back button, the book's title and a share
// button that offers the .epub file to another application. Pushed on the
// navigation stack by the library's viewers (`installAsViewer`); the back
// button pops it. A book that cannot be read says so in an alert, and answering it
// leaves the reader.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "library/epub/EPUBBook.hpp"
#include "library/epub/EPUBView.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/ActionSheet.hpp"
#include "platform/ui/ActivityIndicatorView.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/PopoverController.hpp"
#include "platform/ui/ViewController.hpp"
#include "services/DocumentInteractionController.hpp"

namespace mv {

class EPUBViewController : public ui::ViewController,
                           public EPubViewDelegate,
                           public ui::AlertViewDelegate,
                           public ui::ActionSheetDelegate,
                           public svc::DocumentInteractionControllerDelegate {
 public:
  explicit EPUBViewController(std::filesystem::path bookPath);
  ~EPUBViewController() override;

  // Makes this reader the viewer of EPUB files for every screen that opens
  // library files; `uninstallViewer` takes it away again.
  static void installAsViewer();
  static void uninstallViewer();

  const std::filesystem::path& bookPath() const { return bookPath_; }
  const std::string& bookTitle() const { return bookTitle_; }
  void setBookTitle(std::string title) { bookTitle_ = std::move(title); }

  // Made on first use.
  EPUBBook& book();
  const std::shared_ptr<EPUBView>& bookView();

  // Loads the book (unpacking it off the main thread, under the wait box)
  // and shows its first unit, or the failure alert.
  void openInView();
  // The book is being unpacked and read.
  bool isOpening() const { return opening_; }
  // Makes that unit the current one and loads it; where it lands is the
  // view's turn direction's business.
  void gotoPage(std::int64_t page, std::int64_t spineIndex);
  void gotoPageInCurrentSpine(int page);
  std::uint64_t currentSpineIndex() const { return currentSpineIndex_; }

  // EPubViewDelegate
  void gotoPrevSpine() override;
  void gotoNextSpine() override;
  void epubViewLoadFinished() override;
  // The book's page took more memory than a page may: the reader says the
  // book is too large and goes back.
  void epubViewPageTooLarge() override;
  bool gotoLinkedSpine(const std::filesystem::path& unit) override;

  // The page keys turn the book's pages as the swipes do (see ui::KeyPress):
  // the left and right arrows show the page on that side, the others read
  // on or back in the book's own direction.
  bool pageKeyPressed(const ui::KeyPress& press) override;

  // Actions.
  void btnBackClick();
  void openInOther();
  void openInOtherAction();
  // The unit list in a popover from the bar item (no control shows it).
  void showSpines(ui::BarButtonItem& item);

  void loadView() override;
  void viewDidLoad() override;
  void viewWillDisappear(bool animated) override;

  void alertViewDidDismissWithButtonIndex(ui::AlertView& alert, long buttonIndex) override;
  void actionSheetClickedButtonAtIndex(ui::ActionSheet& sheet, long buttonIndex) override;
  void documentInteractionControllerDidEndSendingToApplication(svc::DocumentInteractionController& controller,
                                                                const std::string& application) override;

  ui::Label* lbtitle() const { return lbtitle_.get(); }
  ui::ImageView* titleBackGround() const { return titleBackGround_.get(); }
  ui::Button* backButton() const { return backButton_.get(); }
  ui::Button* shareButton() const { return shareButton_.get(); }
  const std::shared_ptr<ui::ActionSheet>& actionSheet() const { return actionSheet_; }
  const std::shared_ptr<svc::DocumentInteractionController>& documentController() const { return documentController_; }
  const std::shared_ptr<ui::PopoverController>& popController() const { return popController_; }

  static constexpr const char* kFailureTitleKey = "FILEOPENFAILED";
  static constexpr const char* kFailureMessageKey = "PLEASEDOWNLOADIBOOKS";
  static constexpr const char* kTooLargeMessageKey = "BOOKTOOLARGE";
  static constexpr const char* kNoRoomMessageKey = "BOOKNOROOM";
  static constexpr const char* kDamagedMessageKey = "THEFILEISCORRUPTED";

 private:
  void showFailure(const char* messageKey = kFailureMessageKey);
  void bookLoaded(bool loaded);
  void endOpening();

  std::filesystem::path bookPath_;
  std::string bookTitle_;
  std::shared_ptr<EPUBBook> book_;
  bool opening_ = false;
  base::CancelFlag openFlag_;
  // Turns over the page while the book unpacks; the bar above stays live.
  std::shared_ptr<ui::ActivityIndicatorView> openingDial_;
  std::shared_ptr<EPUBView> bookView_;
  std::uint64_t currentSpineIndex_ = 0;
  std::int64_t gotoPage_ = 0;
  std::shared_ptr<ui::Label> lbtitle_;
  std::shared_ptr<ui::ImageView> titleBackGround_;
  std::shared_ptr<ui::Button> backButton_, shareButton_;
  std::shared_ptr<ui::PopoverController> popController_;
  std::shared_ptr<svc::DocumentInteractionController> documentController_;
  std::shared_ptr<ui::ActionSheet> actionSheet_;
  std::shared_ptr<ui::AlertView> failureAlert_;
};

}  // namespace mv
