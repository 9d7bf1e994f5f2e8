#include "library/reader/ThumbsViewController.hpp"

#include "library/reader/ReaderThumbCache.hpp"
#include "library/reader/ReaderThumbRequest.hpp"
#include "library/reader/ThumbsPageThumb.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Device.hpp"

namespace mv {

namespace {
bool isPad() { return ui::Device::currentDevice().userInterfaceIdiom() == ui::UserInterfaceIdiom::Pad; }
// The platform's textured background behind scroll views.
gfx::Color texturedBackground() { return gfx::Color::rgb255(111, 113, 121); }
}  // namespace

std::shared_ptr<ThumbsViewController> ThumbsViewController::initWithReaderDocument(
    std::shared_ptr<ReaderDocument> document, const std::string& documentName) {
  if (!document) return nullptr;
  std::shared_ptr<ThumbsViewController> c(new ThumbsViewController());
  c->document_ = std::move(document);
  c->docName_ = documentName;
  return c;
}

ui::Size ThumbsViewController::cellSize() { return isPad() ? ui::Size{256, 256} : ui::Size{160, 160}; }

void ThumbsViewController::viewDidLoad() {
  MV_ASSERT_MAIN_THREAD();
  auto v = view();
  v->setBackgroundColor(texturedBackground());
  const ui::Rect b = v->bounds();
  mainToolbar_ = ThumbsMainToolbar::initWithFrame({0, 0, b.width(), kToolbarHeight}, docName_);
  auto self = std::static_pointer_cast<ThumbsViewController>(shared_from_this());
  mainToolbar_->setDelegate(std::shared_ptr<ThumbsMainToolbarDelegate>(self, self.get()));
  ui::Rect gridFrame = b;
  if (isPad()) {
    gridFrame.origin.y += kToolbarHeight;
    gridFrame.size.height -= kToolbarHeight;
  }
  theThumbsView_ = ReaderThumbsView::initWithFrame(gridFrame);
  if (!isPad()) {
    theThumbsView_->setContentInset({kToolbarHeight, 0, 0, 0});
    theThumbsView_->setScrollIndicatorInsets({kToolbarHeight, 0, 0, 0});
  }
  theThumbsView_->setThumbsDelegate(std::shared_ptr<ReaderThumbsViewDelegate>(self, self.get()));
  theThumbsView_->setThumbSize(cellSize());
  v->addSubview(theThumbsView_);
  v->addSubview(mainToolbar_);
}

void ThumbsViewController::viewWillAppear(bool /*animated*/) {
  ui::Application::sharedInstance().setStatusBarHidden(true);
  theThumbsView_->reloadThumbsCenterOnIndex(document_->pageNumber() - 1);
}

void ThumbsViewController::viewWillDisappear(bool /*animated*/) {
  ui::Application::sharedInstance().setStatusBarHidden(false);
}

void ThumbsViewController::viewDidUnload() {
  mainToolbar_.reset();
  theThumbsView_.reset();
}

long ThumbsViewController::pageForItem(long index) const {
  if (showBookmarked_) return index >= 0 && index < static_cast<long>(bookmarked_.size()) ? bookmarked_[index] : 0;
  return index + 1;
}

// --- toolbar ---------------------------------------------------------------------

void ThumbsViewController::tappedInToolbarDoneButton(ThumbsMainToolbar&, ui::Button&) {
  auto d = delegate();
  if (!d) return;
  d->dismissThumbsViewController(*this);
  d->dismissReaderViewController();
}

void ThumbsViewController::tappedInToolbarViewButton(ThumbsMainToolbar&, ui::Button&) {
  if (auto d = delegate()) d->dismissThumbsViewController(*this);
}

void ThumbsViewController::tappedInToolbarShowControl(ThumbsMainToolbar&, ui::SegmentedControl& control) {
  switch (control.selectedSegmentIndex()) {
    case 1:
      showBookmarked_ = true;
      thumbsOffset_ = theThumbsView_->insetContentOffset();
      if (updateBookmarked_) {
        bookmarked_.clear();
        for (std::size_t page : document_->bookmarks()) bookmarked_.push_back(static_cast<long>(page));
        markedOffset_ = {};
        updateBookmarked_ = false;
      }
      theThumbsView_->reloadThumbsContentOffset(markedOffset_);
      break;
    case 0:
      showBookmarked_ = false;
      markedOffset_ = theThumbsView_->insetContentOffset();
      theThumbsView_->reloadThumbsContentOffset(thumbsOffset_);
      break;
    default:
      break;
  }
}

// --- grid ------------------------------------------------------------------------

std::uint64_t ThumbsViewController::numberOfThumbsInThumbsView(ReaderThumbsView&) {
  if (showBookmarked_) return bookmarked_.size();
  return static_cast<std::uint64_t>(std::max(0L, document_->pageCount().value_or(0)));
}

std::shared_ptr<ReaderThumbView> ThumbsViewController::thumbCellWithFrame(ReaderThumbsView&, const ui::Rect& frame) {
  return std::make_shared<ThumbsPageThumb>(frame);
}

void ThumbsViewController::updateThumbCell(ReaderThumbsView&, ReaderThumbView& cell, long index) {
  auto* thumb = dynamic_cast<ThumbsPageThumb*>(&cell);
  if (!thumb) return;
  const long page = pageForItem(index);
  thumb->showText(std::to_string(page));
  thumb->showBookmark(document_->bookmarks().contains(static_cast<std::size_t>(page)));
  auto self = std::static_pointer_cast<ReaderThumbView>(thumb->self());
  auto request = ReaderThumbRequest::newForView(self, document_->fileURL(), document_->password(),
                                                document_->guid(), page, thumb->maximumContentSize());
  if (auto image = ReaderThumbCache::sharedInstance().thumbRequest(request, true)) thumb->showImage(image);
}

void ThumbsViewController::refreshThumbCell(ReaderThumbsView&, ReaderThumbView& cell, long index) {
  if (auto* thumb = dynamic_cast<ThumbsPageThumb*>(&cell))
    thumb->showBookmark(document_->bookmarks().contains(static_cast<std::size_t>(pageForItem(index))));
}

void ThumbsViewController::didSelectThumbWithIndex(ReaderThumbsView&, long index) {
  auto d = delegate();
  if (!d) return;
  d->thumbsViewController(*this, pageForItem(index));
  d->dismissThumbsViewController(*this);
}

void ThumbsViewController::didPressThumbWithIndex(ReaderThumbsView& view, long index) {
  const auto page = static_cast<std::size_t>(pageForItem(index));
  if (page == 0) return;
  if (document_->bookmarks().contains(page))
    document_->bookmarks().remove(page);
  else
    document_->bookmarks().add(page);
  updateBookmarked_ = true;
  view.refreshThumbWithIndex(index);
}

}  // namespace mv
