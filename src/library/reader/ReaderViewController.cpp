#include "library/reader/ReaderViewController.hpp"

#include <algorithm>

#include "library/LibraryViewers.hpp"
#include "library/reader/ReaderThumbCache.hpp"
#include "library/reader/ReaderThumbQueue.hpp"
#include "platform/base/Date.hpp"
#include "platform/base/FileIO.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "services/DocumentInteractionController.hpp"
#include "services/MailComposer.hpp"
#include "services/PrintInteractionController.hpp"
#include "shell/frame/SharingNotices.hpp"
#include "util/OpenableLink.hpp"
#include "util/TextLookup.hpp"

namespace mv {

namespace {

double now() { return base::RunLoop::main().now(); }

// Pops a library reader off the navigation controller that shows it:
// animated, as the library closes its viewers.
class ReaderCloser : public ReaderViewControllerDelegate {
 public:
  void dismissReaderViewController(ReaderViewController& reader) override {
    if (auto* nav = reader.navigationController()) nav->popViewControllerAnimated(true);
  }
};

}  // namespace

// --- decisions -------------------------------------------------------------------

std::pair<long, long> ReaderViewController::pageWindow(long page, long count) {
  if (count <= kMaxPages) return {1, std::max(count, 0L)};
  if (page <= 1) return {1, kMaxPages};
  if (page >= count) return {count - kMaxPages + 1, count};
  return {page - 1, page + 1};
}

long ReaderViewController::pageSlot(long page, long count) {
  if (count >= kMaxPages) return page >= count ? 2 : (page <= 1 ? 0 : 1);
  return page == 2 ? 1 : 0;
}

ReaderViewController::TapZone ReaderViewController::singleTapZone(ui::Point p, ui::Size size) {
  ui::Rect content{kTapAreaSize, 0, size.width - 2 * kTapAreaSize, size.height};
  if (content.contains(p)) return TapZone::Content;
  if (ui::Rect{size.width - kTapAreaSize, 0, kTapAreaSize, size.height}.contains(p)) return TapZone::Right;
  if (ui::Rect{0, 0, kTapAreaSize, size.height}.contains(p)) return TapZone::Left;
  return TapZone::None;
}

ReaderViewController::TapZone ReaderViewController::doubleTapZone(ui::Point p, ui::Size size) {
  ui::Rect zoom = ui::Rect{0, 0, size.width, size.height}.inset(kTapAreaSize, kTapAreaSize);
  if (zoom.contains(p)) return TapZone::Zoom;
  if (ui::Rect{size.width - kTapAreaSize, 0, kTapAreaSize, size.height}.contains(p)) return TapZone::Right;
  if (ui::Rect{0, 0, kTapAreaSize, size.height}.contains(p)) return TapZone::Left;
  return TapZone::None;
}

std::optional<std::string> ReaderViewController::linkAddressToOpen(const std::string& address) {
  std::string url = address;
  auto colon = url.find(':');
  std::string scheme = colon == std::string::npos ? "" : url.substr(0, colon);
  bool schemeLike = !scheme.empty() && std::all_of(scheme.begin(), scheme.end(), [](unsigned char c) {
    return std::isalnum(c) || c == '+' || c == '-' || c == '.';
  });
  if (!schemeLike) {
    if (url.rfind("www", 0) != 0) return std::nullopt;
    url = "http://" + url;
  }
  // A link in a downloaded file opens web pages and mail, nothing else on the device.
  return openableLink(url);
}

// --- life ------------------------------------------------------------------------

std::shared_ptr<ReaderViewController> ReaderViewController::initWithReaderDocument(
    std::shared_ptr<ReaderDocument> document, const std::string& documentName) {
  MV_ASSERT_MAIN_THREAD();
  if (!document) return nullptr;
  std::shared_ptr<ReaderViewController> r(new ReaderViewController());
  std::weak_ptr<ReaderViewController> weak = r;
  auto save = [weak](const base::Notification&) {
    if (auto self = weak.lock()) self->applicationWill();
  };
  r->observations_.emplace_back(ui::Application::WillTerminateNotification, nullptr, save);
  r->observations_.emplace_back(ui::Application::WillResignActiveNotification, nullptr, save);
  document->updateProperties();
  r->document_ = std::move(document);
  ReaderThumbCache::touchThumbCacheWithGUID(r->document_->guid());
  ReaderThumbCache::purgeOldThumbCachesOncePerStart();
  r->docName_ = documentName;
  return r;
}

std::shared_ptr<ReaderViewController> ReaderViewController::forLibraryFile(const std::filesystem::path& path,
                                                                          const std::string& title) {
  auto document = ReaderDocument::withDocumentFilePath(path);
  if (document) document->updateProperties();
  if (!document || document->pageCount().value_or(0) < 1) return nullptr;
  // Pages without a size show nothing at all: no document to read.
  auto pdf = ReaderOpenPDFDocument(document->fileURL(), document->password());
  if (!pdf || !ReaderContentPage::anyPageDrawable(*pdf)) return nullptr;
  static const auto closer = std::make_shared<ReaderCloser>();
  auto reader = initWithReaderDocument(document, title);
  reader->setDelegate(closer);
  return reader;
}

void ReaderViewController::installAsLibraryViewer() {
  LibraryViewers::install(LibraryOpenAction::PdfReader, &ReaderViewController::forLibraryFile);
}

ReaderViewController::~ReaderViewController() = default;

std::shared_ptr<ReaderViewController> ReaderViewController::selfPtr() {
  return std::static_pointer_cast<ReaderViewController>(shared_from_this());
}

void ReaderViewController::viewDidLoad() {
  auto v = view();
  auto self = selfPtr();
  v->setBackgroundColor(gfx::Color::scrollViewTexturedBackgroundColor());
  const ui::Rect b = v->bounds();

  theScrollView_ = std::make_shared<ui::ScrollView>(b);
  theScrollView_->setPagingEnabled(true);
  theScrollView_->setScrollsToTop(false);
  theScrollView_->setShowsVerticalScrollIndicator(false);
  theScrollView_->setShowsHorizontalScrollIndicator(false);
  theScrollView_->setDelaysContentTouches(false);
  theScrollView_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
  theScrollView_->setBackgroundColor(gfx::Color::clear());
  theScrollView_->setAutoresizesSubviews(false);
  theScrollView_->setDelegate(std::shared_ptr<ui::ScrollViewDelegate>(self, self.get()));
  v->addSubview(theScrollView_);

  mainToolbar_ = ReaderMainToolbar::initWithFrame({b.x(), b.y(), b.width(), kToolbarHeight}, docName_);
  mainToolbar_->setDelegate(std::shared_ptr<ReaderMainToolbarDelegate>(self, self.get()));
  v->addSubview(mainToolbar_);
  mainPagebar_ = ReaderMainPagebar::initWithFrame({b.x(), b.height() - kPagebarHeight, b.width(), kPagebarHeight},
                                                  document_);
  mainPagebar_->setDelegate(std::shared_ptr<ReaderMainPagebarDelegate>(self, self.get()));
  v->addSubview(mainPagebar_);

  std::weak_ptr<ReaderViewController> weak = self;
  auto onlyScrollViews = [](ui::GestureRecognizer&, const ui::Touch& touch) {
    return dynamic_cast<ui::ScrollView*>(touch.view()) != nullptr;
  };
  auto singleTap = std::make_shared<ui::TapGestureRecognizer>([weak](ui::GestureRecognizer& g) {
    if (auto s = weak.lock(); s && g.state() == ui::GestureRecognized)
      s->handleSingleTap(static_cast<ui::TapGestureRecognizer&>(g));
  });
  auto doubleTapOne = std::make_shared<ui::TapGestureRecognizer>([weak](ui::GestureRecognizer& g) {
    if (auto s = weak.lock(); s && g.state() == ui::GestureRecognized)
      s->handleDoubleTap(static_cast<ui::TapGestureRecognizer&>(g));
  });
  doubleTapOne->numberOfTapsRequired = 2;
  auto doubleTapTwo = std::make_shared<ui::TapGestureRecognizer>([weak](ui::GestureRecognizer& g) {
    if (auto s = weak.lock(); s && g.state() == ui::GestureRecognized)
      s->handleDoubleTap(static_cast<ui::TapGestureRecognizer&>(g));
  });
  doubleTapTwo->numberOfTapsRequired = 2;
  doubleTapTwo->numberOfTouchesRequired = 2;
  singleTap->requireGestureRecognizerToFail(doubleTapOne);
  for (auto& g : {singleTap, doubleTapOne, doubleTapTwo}) {
    g->shouldReceiveTouch = onlyScrollViews;
    v->addGestureRecognizer(g);
  }
  contentViews_.clear();
  lastHideTime_ = now();
}

void ReaderViewController::viewWillAppear(bool /*animated*/) {
  ui::Application::sharedInstance().setStatusBarHidden(true);
  ui::Size size = view()->bounds().size;
  if (!(lastAppearSize_ == ui::Size{}) && !(lastAppearSize_ == size)) updateScrollViewContentViews();
  lastAppearSize_ = {};
}

void ReaderViewController::viewDidAppear(bool /*animated*/) {
  if (theScrollView_->contentSize() == ui::Size{}) {
    std::weak_ptr<ReaderViewController> weak = selfPtr();
    tracker_.after(kFirstShowDelay, [weak] {
      if (auto s = weak.lock()) s->showDocument();
    });
  }
}

void ReaderViewController::viewWillDisappear(bool /*animated*/) {
  ui::Application::sharedInstance().setStatusBarHidden(false);
  lastAppearSize_ = view()->bounds().size;
}

void ReaderViewController::viewDidUnload() {
  mainToolbar_.reset();
  mainPagebar_.reset();
  theScrollView_.reset();
  contentViews_.clear();
  lastAppearSize_ = {};
  currentPage_ = 0;
}

// --- paging ----------------------------------------------------------------------

void ReaderViewController::showDocument() {
  updateScrollViewContentSize();
  showDocumentPage(document_->pageNumber());
  document_->setLastOpen(base::Date::now());
  isVisible_ = true;
}

void ReaderViewController::updateScrollViewContentSize() {
  ui::Size s = theScrollView_->bounds().size;
  theScrollView_->setContentSize({s.width * std::min(std::max(pageCount(), 0L), kMaxPages), s.height});
}

void ReaderViewController::showDocumentPage(long page) {
  const long count = pageCount();
  if (page == currentPage_ || page < 1 || page > count) return;
  auto [first, last] = pageWindow(page, count);
  const ui::Size size = theScrollView_->bounds().size;
  auto unclaimed = contentViews_;
  std::vector<long> made;
  ui::Rect frame{{0, 0}, size};
  for (long p = first; p <= last; ++p, frame.origin.x += size.width) {
    if (auto it = contentViews_.find(p); it != contentViews_.end()) {
      it->second->setFrame(frame);
      it->second->zoomReset();
      unclaimed.erase(p);
    } else {
      auto v = ReaderContentView::initWithFrame(frame, document_->fileURL(), p, document_->password());
      auto self = selfPtr();
      v->setMessage(std::shared_ptr<ReaderContentViewDelegate>(self, self.get()));
      theScrollView_->addSubview(v);
      contentViews_[p] = v;
      made.push_back(p);
    }
  }
  for (auto& [p, v] : unclaimed) {
    v->removeFromSuperview();
    contentViews_.erase(p);
  }
  ui::Point offset{pageSlot(page, count) * size.width, 0};
  if (!(theScrollView_->contentOffset() == offset)) theScrollView_->setContentOffset(offset);
  if (document_->pageNumber() != page) document_->setPageNumber(page);

  // The page asked for first, then the new neighbours from the top down.
  const auto& guid = document_->guid();
  if (std::find(made.begin(), made.end(), page) != made.end())
    contentViews_[page]->showPageThumb(document_->fileURL(), page, document_->password(), guid);
  std::sort(made.rbegin(), made.rend());
  for (long p : made)
    if (p != page) contentViews_[p]->showPageThumb(document_->fileURL(), p, document_->password(), guid);

  mainPagebar_->updatePagebar();
  updateToolbarBookmarkIcon();
  currentPage_ = page;
}

void ReaderViewController::updateScrollViewContentViews() {
  updateScrollViewContentSize();
  const ui::Size size = theScrollView_->bounds().size;
  ui::Rect frame{{0, 0}, size};
  ui::Point offset;
  for (auto& [p, v] : contentViews_) {  // ascending pages
    v->setFrame(frame);
    if (p == document_->pageNumber()) offset = frame.origin;
    frame.origin.x += size.width;
  }
  if (!(theScrollView_->contentOffset() == offset)) theScrollView_->setContentOffset(offset);
}

void ReaderViewController::incrementPageNumber() {
  if (theScrollView_->tag() != 0 || pageCount() < 2 || currentPage_ >= pageCount()) return;
  ui::Point offset = theScrollView_->contentOffset();
  offset.x += theScrollView_->bounds().width();
  theScrollView_->setTag(currentPage_ + 1);
  theScrollView_->setContentOffset(offset, true);
}

void ReaderViewController::decrementPageNumber() {
  if (theScrollView_->tag() != 0 || pageCount() < 2 || currentPage_ <= 1) return;
  ui::Point offset = theScrollView_->contentOffset();
  offset.x -= theScrollView_->bounds().width();
  theScrollView_->setTag(currentPage_ - 1);
  theScrollView_->setContentOffset(offset, true);
}

bool ReaderViewController::pageKeyPressed(const ui::KeyPress& press) {
  if (!isVisible_) return false;
  if (press.key == ui::KeyPress::Key::Home || press.key == ui::KeyPress::Key::End) {
    if (pageCount() > 0) showDocumentPage(press.key == ui::KeyPress::Key::Home ? 1 : pageCount());
    return true;
  }
  if (press.step() > 0)
    incrementPageNumber();
  else
    decrementPageNumber();
  return true;
}

void ReaderViewController::scrollViewDidEndDecelerating(ui::ScrollView& scrollView) {
  const double x = scrollView.contentOffset().x;
  for (auto& [p, v] : contentViews_) {
    if (v->frame().x() == x) {
      showDocumentPage(p);
      return;
    }
  }
}

void ReaderViewController::scrollViewDidEndScrollingAnimation(ui::ScrollView& scrollView) {
  long target = scrollView.tag();
  scrollView.setTag(0);
  if (target != 0) showDocumentPage(target);
}

void ReaderViewController::updateToolbarBookmarkIcon() {
  mainToolbar_->setBookmarkState(document_->bookmarks().contains(static_cast<std::size_t>(document_->pageNumber())));
}

ReaderContentView* ReaderViewController::currentContentView() const {
  auto it = contentViews_.find(currentPage_);
  return it == contentViews_.end() ? nullptr : it->second.get();
}

// --- touches ---------------------------------------------------------------------

void ReaderViewController::handleSingleTap(ui::TapGestureRecognizer& recognizer) {
  const ui::Size size = view()->bounds().size;
  const ui::Point p = recognizer.locationInView(view().get());
  switch (singleTapZone(p, size)) {
    case TapZone::Content: {
      ReaderLinkTarget target;
      if (auto* page = currentContentView()) target = page->processSingleTap(recognizer);
      if (auto* address = std::get_if<std::string>(&target)) {
        // No browser or mail program to take the link: the user hears why
        // nothing opened.
        if (auto url = linkAddressToOpen(*address); url && !ui::Application::sharedInstance().openURL(*url))
          showAlert("LINKOPENFAILED", "NOAPPFORLINK");
      } else if (auto* number = std::get_if<long>(&target)) {
        showDocumentPage(*number);
      } else if (now() - lastHideTime_ > kShowBarsGuard &&
                 (mainToolbar_->isHidden() || mainPagebar_->isHidden())) {
        mainToolbar_->showToolbar();
        mainPagebar_->showPagebar();
      }
      break;
    }
    case TapZone::Right: incrementPageNumber(); break;
    case TapZone::Left: decrementPageNumber(); break;
    default: break;
  }
}

void ReaderViewController::handleDoubleTap(ui::TapGestureRecognizer& recognizer) {
  const ui::Point p = recognizer.locationInView(view().get());
  switch (doubleTapZone(p, view()->bounds().size)) {
    case TapZone::Zoom:
      if (auto* page = currentContentView()) page->loopZoom();
      break;
    case TapZone::Right: incrementPageNumber(); break;
    case TapZone::Left: decrementPageNumber(); break;
    default: break;
  }
}

void ReaderViewController::contentView(ReaderContentView& /*view*/, const ui::TouchSet& touches) {
  if (mainToolbar_->isHidden() && mainPagebar_->isHidden()) return;
  if (touches.size() == 1) {
    ui::Point p = touches.front()->locationInView(view().get());
    if (!view()->bounds().inset(kTapAreaSize, kTapAreaSize).contains(p)) return;
  }
  mainToolbar_->hideToolbar();
  mainPagebar_->hidePagebar();
  lastHideTime_ = now();
}

// --- bars ------------------------------------------------------------------------

void ReaderViewController::tappedInToolbarDoneButton(ReaderMainToolbar&, ui::Button&) {
  if (!document_->saveReaderDocument()) MV_LOG("Reader record not saved: ", document_->fileName());
  ReaderThumbQueue::sharedInstance().cancelOperationsWithGUID(document_->guid());
  ReaderThumbCache::sharedInstance().removeAllObjects();
  dismissPopControllers();
  if (auto d = delegate()) d->dismissReaderViewController(*this);
}

void ReaderViewController::tappedInToolbarThumbsButton(ReaderMainToolbar&, ui::Button&) {
  dismissPopControllers();
  auto thumbs = ThumbsViewController::initWithReaderDocument(document_, docName_);
  auto self = selfPtr();
  thumbs->setDelegate(std::shared_ptr<ThumbsViewControllerDelegate>(self, self.get()));
  thumbs->setTitle(title());
  thumbs->setModalTransitionStyle(ui::ModalTransitionStyle::CrossDissolve);
  thumbs->setModalPresentationStyle(ui::ModalPresentationStyle::FullScreen);
  thumbs_ = thumbs;
  presentViewController(thumbs, false);
}

void ReaderViewController::tappedInToolbarMarkButton(ReaderMainToolbar& toolbar, ui::Button&) {
  dismissPopControllers();
  const auto page = static_cast<std::size_t>(currentPage_);
  if (page == 0) return;
  if (document_->bookmarks().contains(page)) {
    toolbar.setBookmarkState(false);
    document_->bookmarks().remove(page);
  } else {
    toolbar.setBookmarkState(true);
    document_->bookmarks().add(page);
  }
}

void ReaderViewController::tappedInToolbarShareButton(ReaderMainToolbar&, ui::Button& button) {
  if (!shareSheet_) {
    auto self = selfPtr();
    shareSheet_ = std::make_shared<ui::ActionSheet>(
        "", std::shared_ptr<ui::ActionSheetDelegate>(self, self.get()), std::nullopt, std::nullopt,
        std::vector<std::string>{text("EMAIL"), text("PRINT"), text("OPENINOTHERAPP")});
  }
  if (shareSheet_->isVisible()) return;
  rectToShow_ = button.convertRectToView(button.bounds(), view().get());
  shareSheet_->showFromRect(rectToShow_, view().get(), true);
}

void ReaderViewController::actionSheetClickedButtonAtIndex(ui::ActionSheet&, long buttonIndex) {
  switch (buttonIndex) {
    case ShareEmail: email(); break;
    case SharePrint: print(); break;
    case ShareOpenIn: openWithApp(); break;
    default: break;
  }
}

void ReaderViewController::pagebar(ReaderMainPagebar&, long gotoPage) { showDocumentPage(gotoPage); }

void ReaderViewController::thumbsViewController(ThumbsViewController&, long gotoPage) { showDocumentPage(gotoPage); }

void ReaderViewController::dismissThumbsViewController(ThumbsViewController&) {
  updateToolbarBookmarkIcon();
  dismissViewControllerAnimated(false);
}

void ReaderViewController::dismissReaderViewController() {
  tappedInToolbarDoneButton(*mainToolbar_, *mainToolbar_->doneButton());
}

// --- sharing ---------------------------------------------------------------------

void ReaderViewController::showAlert(const std::string& titleKey, const std::string& messageKey) {
  LibraryViewers::showNotice(titleKey, messageKey);
}

void ReaderViewController::email() {
  auto composer = svc::MailComposer::shared();
  if (!composer || !composer->canSendMail()) {
    showAlert("NOEMAILACCOUNT", "NOEMAILCONFIG");
    return;
  }
  // Too large to go by mail: said, not silently dropped.
  if (isTooLargeToMail(document_->fileSize())) {
    showAlert("MAILFAILED", "FILETOOLARGETOEMAIL");
    return;
  }
  auto bytes = base::readFileBytes(document_->fileURL(), kMailSizeLimit);
  if (!bytes) {
    MV_LOG("Reader file not read for mail: ", document_->fileName());
    return;
  }
  svc::Mail mail;
  mail.subject = document_->fileName();
  mail.attachments.push_back({std::move(*bytes), "application/pdf", document_->fileName()});
  std::weak_ptr<ReaderViewController> weak = selfPtr();
  composer->compose(std::move(mail), [weak](const svc::MailOutcome& outcome) {
    if (weak.lock()) SharingNotices::showMailOutcome(outcome);
  });
}

void ReaderViewController::print() {
  auto controller = svc::PrintInteractionController::sharedPrintController();
  svc::PrintingItem item = document_->fileURL();
  if (!controller || !controller->isPrintingAvailable() || !controller->canPrint(item)) {
    showAlert("PRINT", "PRINTFAILED");
    return;
  }
  svc::PrintInfo info;
  info.outputType = svc::PrintOutputType::General;
  info.duplex = svc::PrintDuplex::LongEdge;
  info.jobName = document_->fileName();
  std::weak_ptr<ui::ViewController> weak = weak_from_this();
  controller->print(std::move(item), info, [weak](const svc::PrintOutcome& outcome) {
    // A reader closed meanwhile has nobody to tell.
    if (weak.lock()) SharingNotices::showPrintOutcome(outcome);
  });
}

void ReaderViewController::openWithApp() {
  auto controller = svc::DocumentInteractionController::interactionControllerWithURL(document_->fileURL());
  controller->setUTI("com.adobe.pdf");
  // The file was the user's to open: told even when the reader closed meanwhile.
  controller->setRefusedHandler([] { LibraryViewers::showNotice("FILEOPENFAILED", "PLEASEDOWNLOADREADER"); });
  if (!controller->presentOpenInMenuFromBarButtonItem(nullptr, true)) showAlert("FILEOPENFAILED", "PLEASEDOWNLOADREADER");
}

void ReaderViewController::dismissPopControllers() {
  if (shareSheet_ && shareSheet_->isVisible()) shareSheet_->dismissWithClickedButtonIndex(shareSheet_->cancelButtonIndex(), false);
}

void ReaderViewController::applicationWill() {
  if (!document_->saveReaderDocument()) MV_LOG("Reader record not saved: ", document_->fileName());
}

}  // namespace mv
