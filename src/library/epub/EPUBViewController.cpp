#include "library/epub/EPUBViewController.hpp"

#include <cmath>

#include "library/epub/EPUBSpinesViewController.hpp"
#include "library/LibraryViewers.hpp"
#include "platform/base/FolderWriters.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/NavigationBar.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

bool hidesStatusBar() { return PublicFunction::getDeviceVersion() >= 7.0; }

}  // namespace

EPUBViewController::EPUBViewController(fs::path bookPath) : bookPath_(std::move(bookPath)) {}

EPUBViewController::~EPUBViewController() {
  if (failureAlert_) failureAlert_->setDelegate({});
  if (actionSheet_) actionSheet_->setDelegate({});
}

void EPUBViewController::installAsViewer() {
  // The reader is always made: a book that cannot be read says so itself
  // once shown, and answering that alert leaves the reader.
  LibraryViewers::install(LibraryOpenAction::EpubReader, [](const fs::path& path, const std::string& title) {
    auto reader = std::make_shared<EPUBViewController>(path);
    reader->setBookTitle(title);
    return std::shared_ptr<ui::ViewController>(std::move(reader));
  });
}

void EPUBViewController::uninstallViewer() { LibraryViewers::install(LibraryOpenAction::EpubReader, {}); }

EPUBBook& EPUBViewController::book() {
  if (!book_) book_ = std::make_shared<EPUBBook>(bookPath_);
  return *book_;
}

const std::shared_ptr<EPUBView>& EPUBViewController::bookView() {
  if (!bookView_) {
    ui::View* v = viewIfLoaded();
    bookView_ = EPUBView::create(v ? v->bounds() : ui::Rect{0, 0, 1024, 724});
    bookView_->setDelegate(ui::weakAs<EPubViewDelegate>(this));
  }
  return bookView_;
}

void EPUBViewController::loadView() {
  ui::ViewController::loadView();
  // The screen's view is the book's.
  setView(bookView());
}

void EPUBViewController::viewDidLoad() {
  MV_ASSERT_MAIN_THREAD();
  if (hidesStatusBar()) ui::Application::sharedInstance().setStatusBarHidden(true, false);
  view()->setBackgroundColor(gfx::Color::white());
  auto* nav = navigationController();
  if (nav) nav->setNavigationBarHidden(false);

  auto weak = ui::weakAs<EPUBViewController>(this);
  backButton_ = std::make_shared<ui::Button>(ui::Rect{0, 0, 60, 34});
  backButton_->setTitle(text("BACK"));
  ViewStyle::initializeToBackButtonHeight34(*backButton_);
  backButton_->addAction(
      [weak](ui::Control&, const ui::Event*) {
        if (auto self = weak.lock()) self->btnBackClick();
      },
      ui::ControlEventTouchUpInside);
  navigationItem().setLeftBarButtonItem(std::make_shared<ui::BarButtonItem>(backButton_));

  titleBackGround_ = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 1024, 44});
  titleBackGround_->setImage(SkinManager::skinFromImageName("topbar-bg.png"));
  if (nav) nav->navigationBar().insertSubview(titleBackGround_, 1);

  shareButton_ = std::make_shared<ui::Button>(ui::Rect{0, 0, 34, 34});
  shareButton_->setBackgroundColor(std::nullopt);
  shareButton_->setBackgroundImage(SkinManager::skinFromImageName("btn-share.png"));
  shareButton_->setAccessibilityLabel(text("SHARE"));
  shareButton_->addAction(
      [weak](ui::Control&, const ui::Event*) {
        if (auto self = weak.lock()) self->openInOther();
      },
      ui::ControlEventTouchUpInside);
  navigationItem().setRightBarButtonItem(std::make_shared<ui::BarButtonItem>(shareButton_));

  lbtitle_ = std::make_shared<ui::Label>(ui::Rect{312, 2, 400, 40});
  lbtitle_->setFont(gfx::Font::systemFont(17));
  lbtitle_->setBackgroundColor(std::nullopt);
  lbtitle_->setTextAlignment(gfx::TextAlignment::Center);
  lbtitle_->setTextColor(gfx::Color::white());
  lbtitle_->setText(bookTitle_);
  titleBackGround_->addSubview(lbtitle_);

  openInView();
}

void EPUBViewController::viewWillDisappear(bool animated) {
  ui::ViewController::viewWillDisappear(animated);
  if (titleBackGround_) titleBackGround_->removeFromSuperview();
  if (auto* nav = navigationController()) nav->setNavigationBarHidden(true);
  if (popController_) popController_->dismissPopoverAnimated(false);
  // Leaving: the book is not opened any further, and no wait stays behind.
  if (opening_) {
    openFlag_.cancel();
    endOpening();
  }
  if (bookView_) bookView_->stopLoading();
}

void EPUBViewController::openInView() {
  MV_ASSERT_MAIN_THREAD();
  if (opening_) return;
  opening_ = true;
  // Unpacking a large book takes a while: the page waits under a dial at
  // its centre, and Back, above it, leaves the unpacking behind.
  if (!openingDial_) openingDial_ = std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::Gray);
  const ui::Rect area = view()->bounds();
  openingDial_->setCenter({std::round(area.midX()), std::round(area.midY())});
  openingDial_->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleTopMargin |
                                    ui::FlexibleBottomMargin);
  ViewStyle::showDial(*view(), openingDial_);
  std::shared_ptr<EPUBBook> bookToLoad = std::make_shared<EPUBBook>(bookPath_);
  auto weak = ui::weakAs<EPUBViewController>(this);
  openFlag_ = base::WorkQueue::global().async<bool>(
      [bookToLoad](const base::CancelFlag& flag) {
        // The book unpacks into its account's folder: deleting that folder
        // stops the unpacking and waits for it, and none starts after.
        auto pass = base::FolderWriters::shared().enter(bookToLoad->folderPath(), flag);
        return pass && bookToLoad->load(flag);
      },
      [weak, bookToLoad](bool loaded) {
        auto self = weak.lock();
        if (!self) return;
        self->book_ = bookToLoad;
        self->bookLoaded(loaded);
      });
}

void EPUBViewController::endOpening() {
  opening_ = false;
  if (openingDial_ && viewIfLoaded()) ViewStyle::hideDial(*viewIfLoaded(), openingDial_);
}

void EPUBViewController::bookLoaded(bool loaded) {
  endOpening();
  if (!loaded) {
    MV_LOG("epub: cannot open ", bookPath_.string(), ": ", book().lastError());
    showFailure(book().isShortOfRoom() ? kNoRoomMessageKey
                : book().isTooLarge()  ? kTooLargeMessageKey
                : book().isDamaged()   ? kDamagedMessageKey
                                       : kFailureMessageKey);
    return;
  }
  bookView()->setBookFolder(book().folderPath());
  bookView()->setRightToLeft(book().isRightToLeft());
  bookView()->loadSpine(book().spines().front());
}

void EPUBViewController::showFailure(const char* messageKey) {
  if (failureAlert_ && failureAlert_->superview()) return;
  failureAlert_ = std::make_shared<ui::AlertView>(text(kFailureTitleKey), text(messageKey),
                                                  ui::weakAs<ui::AlertViewDelegate>(this), std::nullopt,
                                                  std::vector<std::string>{text("OK")});
  failureAlert_->show();
}

void EPUBViewController::alertViewDidDismissWithButtonIndex(ui::AlertView& alert, long) {
  if (&alert != failureAlert_.get()) return;
  failureAlert_.reset();
  btnBackClick();
}

void EPUBViewController::gotoPage(std::int64_t page, std::int64_t spineIndex) {
  const auto& spines = book().spines();
  if (spineIndex < 0 || static_cast<std::size_t>(spineIndex) >= spines.size()) return;
  gotoPage_ = page;
  currentSpineIndex_ = static_cast<std::uint64_t>(spineIndex);
  bookView()->loadSpine(spines[currentSpineIndex_]);
}

void EPUBViewController::gotoPageInCurrentSpine(int page) { bookView()->gotoPage(page); }

bool EPUBViewController::pageKeyPressed(const ui::KeyPress& press) {
  if (!bookView_ || opening_) return false;
  auto& v = *bookView_;
  // Home and End open the book's first page and its last (the last unit
  // opens at its end).
  if (press.key == ui::KeyPress::Key::Home || press.key == ui::KeyPress::Key::End) {
    const auto count = static_cast<std::int64_t>(book().spines().size());
    if (count == 0) return true;
    const bool first = press.key == ui::KeyPress::Key::Home;
    v.setNext(first);
    gotoPage(0, first ? 0 : count - 1);
    return true;
  }
  // The side arrows show what lies that side, as a swipe the other way
  // does; the other keys read on or back whichever way the pages follow.
  if (press.key == ui::KeyPress::Key::Left) {
    v.rSwipe();
  } else if (press.key == ui::KeyPress::Key::Right) {
    v.lSwipe();
  } else if ((press.step() > 0) != v.isRightToLeft()) {
    v.lSwipe();
  } else {
    v.rSwipe();
  }
  return true;
}

void EPUBViewController::gotoPrevSpine() {
  if (currentSpineIndex_ == 0) return;
  gotoPage(0, static_cast<std::int64_t>(currentSpineIndex_) - 1);
}

void EPUBViewController::gotoNextSpine() {
  const auto count = book().spines().size();
  if (count == 0 || currentSpineIndex_ >= count - 1) return;
  gotoPage(0, static_cast<std::int64_t>(currentSpineIndex_) + 1);
}

void EPUBViewController::epubViewPageTooLarge() { showFailure(kTooLargeMessageKey); }

void EPUBViewController::epubViewLoadFinished() {
  auto& v = *bookView();
  v.gotoPage(v.isNext() ? 0 : v.pageCount() - 1);
}

bool EPUBViewController::gotoLinkedSpine(const fs::path& unit) {
  const auto& spines = book().spines();
  for (const auto& s : spines) {
    if (s.path.lexically_normal() != unit.lexically_normal()) continue;
    // The linked unit opens on its first page unless the link names a place.
    bookView()->setNext(true);
    gotoPage(0, s.index);
    return true;
  }
  return false;
}

void EPUBViewController::btnBackClick() {
  if (auto* nav = navigationController()) nav->popViewControllerAnimated(true);
  if (hidesStatusBar()) ui::Application::sharedInstance().setStatusBarHidden(false, false);
}

void EPUBViewController::openInOther() {
  if (actionSheet_ && actionSheet_->isVisible()) return;
  if (documentController_) documentController_->dismissMenuAnimated(false);
  actionSheet_ = std::make_shared<ui::ActionSheet>(
      "", ui::weakAs<ui::ActionSheetDelegate>(this), std::nullopt, std::nullopt,
      std::vector<std::string>{text("OPENINOTHERAPP")});
  actionSheet_->showFromRect(shareButton_->frame(), view().get(), true);
}

void EPUBViewController::actionSheetClickedButtonAtIndex(ui::ActionSheet& sheet, long buttonIndex) {
  if (&sheet != actionSheet_.get()) return;
  auto keep = actionSheet_;
  actionSheet_.reset();
  // A tap beside the sheet closes it without a choice.
  if (buttonIndex != sheet.firstOtherButtonIndex()) return;
  sheet.dismissWithClickedButtonIndex(buttonIndex, false);
  openInOtherAction();
}

void EPUBViewController::openInOtherAction() {
  documentController_ = svc::DocumentInteractionController::interactionControllerWithURL(bookPath_);
  documentController_->setDelegate(ui::weakAs<svc::DocumentInteractionControllerDelegate>(this));
  documentController_->setRefusedHandler([weak = ui::weakAs<EPUBViewController>(this)] {
    if (auto self = weak.lock()) self->showFailure();
  });
  documentController_->presentPreviewAnimated(true);
  if (!documentController_->presentOpenInMenuFromBarButtonItem(navigationItem().rightBarButtonItem().get(), true)) {
    documentController_.reset();
    showFailure();
  }
}

void EPUBViewController::documentInteractionControllerDidEndSendingToApplication(
    svc::DocumentInteractionController& controller, const std::string&) {
  if (&controller != documentController_.get()) return;
  documentController_->dismissPreviewAnimated(false);
  documentController_.reset();
}

void EPUBViewController::showSpines(ui::BarButtonItem& item) {
  if (popController_ && popController_->isPopoverVisible()) {
    popController_->dismissPopoverAnimated(true);
    return;
  }
  auto weak = ui::weakAs<EPUBViewController>(this);
  auto list = std::make_shared<EPUBSpinesViewController>(book().spines(), [weak](const EPUBSpine& spine) {
    auto self = weak.lock();
    if (!self) return;
    // A unit chosen from the list is read from its start.
    self->bookView()->setNext(true);
    self->gotoPage(0, spine.index);
    if (self->popController_ && self->popController_->isPopoverVisible()) self->popController_->dismissPopoverAnimated(true);
  });
  popController_ = std::make_shared<ui::PopoverController>(list);
  popController_->presentPopoverFromBarButtonItem(item, ui::PopoverArrowDirectionAny, true);
}

}  // namespace mv
