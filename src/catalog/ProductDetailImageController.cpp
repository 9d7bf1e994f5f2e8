#include "catalog/ProductDetailImageController.hpp"

#include <filesystem>

#include "catalog/CatalogFeedback.hpp"
#include "catalog/ImageBrowserLayout.hpp"
#include "catalog/SlideShowController.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/gfx/PictureCache.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/FitCGRect.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ImageLoadOperation.hpp"
#include "widgets/ImageLoadQueueManager.hpp"
#include "widgets/PictureLoader.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

using Self = ProductDetailImageController;

std::optional<std::filesystem::path> productFile(const std::vector<std::string>& names, long index) {
  if (index < 0 || static_cast<std::size_t>(index) >= names.size()) return std::nullopt;
  return PublicFunction::filePathWithName(names[static_cast<std::size_t>(index)], kFileTypeProductImage);
}

// A product picture at the page area's pixels, through the picture cache
// (shrunk as it is read: a large picture is never held whole); the stock
// picture when the file is missing or is no picture. Any thread.
gfx::ImagePtr readPicture(const std::optional<std::filesystem::path>& path) {
  const auto [width, height] = PictureLoader::pixelBox(ProductDetailImageController::kPageArea);
  if (path) {
    if (auto picture = gfx::PictureCache::shared().picture(*path, width, height)) return picture;
  }
  return PublicFunction::getLocalPicture("", kFileTypeProductImage, width, height);
}

base::Size fileDimensions(const std::optional<std::filesystem::path>& path) {
  if (!path) return {};
  const auto size = gfx::ImageData::dimensionsOfFile(*path);
  return size ? base::Size{static_cast<double>(size->first), static_cast<double>(size->second)} : base::Size{};
}

}  // namespace

ProductDetailImageController::~ProductDetailImageController() {
  for (auto& read : reads_) read.cancel();
  slideRead_.cancel();
  if (myScrollView_) myScrollView_->setDelegate({});
}

void ProductDetailImageController::setBrowserDelegate(std::weak_ptr<ProductDetailImageDelegate> d) {
  browserDelegate_ = d;
  if (auto strong = d.lock()) setDelegate(std::static_pointer_cast<PopControllerDelegate>(strong));
}

void ProductDetailImageController::setCurrentImageCache(gfx::ImagePtr image, long index) {
  currentImageCache_ = std::move(image);
  cachedImageIndex_ = currentImageCache_ ? index : -1;
}

// ---- building -----------------------------------------------------------------------------

void ProductDetailImageController::loadView() {
  setView(std::make_shared<ui::View>(ui::Rect{0, 0, kPageArea.width, kPageArea.height}));
}

void ProductDetailImageController::viewDidLoad() {
  PopBaseController::viewDidLoad();
  MV_ASSERT_MAIN_THREAD();
  auto root = view();
  root->setBackgroundColor(gfx::Color::black());
  const auto& fit = FitCGRect::sharedInstance();
  auto weak = ui::weakAs<Self>(this);
  auto action = [weak](void (Self::*step)()) {
    return [weak, step](ui::Control&, const ui::Event*) {
      if (auto self = weak.lock()) ((*self).*step)();
    };
  };

  btnSlideShow_ = std::make_shared<ui::Button>(fit.fitCGRectBy(15, 25, 60, 34), ui::ButtonType::Custom);
  ViewStyle::initializeToButtonHeight34(*btnSlideShow_);
  btnSlideShow_->setImage(gfx::Image::named("icon_slideshow.png"));
  btnSlideShow_->setAccessibilityLabel(text("SLIDESHOW"));
  btnSlideShow_->addAction(action(&Self::startSlideShow), ui::ControlEventTouchUpInside);
  titlebar()->addSubview(btnSlideShow_);

  btnLeft_ = std::make_shared<ui::Button>(ui::Rect{13, 340, 23, 87}, ui::ButtonType::Custom);
  btnLeft_->setImage(SkinManager::skinFromImageName("Icon_Arrow_Left_23x87.png"));
  btnLeft_->setAccessibilityLabel(text("PREVIOUSPICTURE"));
  btnLeft_->setImage(SkinManager::skinFromImageName("Icon_Arrow_Left_Highlighted_23x87.png"),
                     ui::ControlStateHighlighted);
  btnLeft_->addAction(action(&Self::previousProduct), ui::ControlEventTouchUpInside);
  btnRight_ = std::make_shared<ui::Button>(ui::Rect{988, 340, 23, 87}, ui::ButtonType::Custom);
  btnRight_->setImage(SkinManager::skinFromImageName("Icon_Arrow_Right_23x87.png"));
  btnRight_->setAccessibilityLabel(text("NEXTPICTURE"));
  btnRight_->setImage(SkinManager::skinFromImageName("Icon_Arrow_Right_Highlighted_23x87.png"),
                      ui::ControlStateHighlighted);
  btnRight_->addAction(action(&Self::nextProduct), ui::ControlEventTouchUpInside);

  btnProductInfo_ = std::make_shared<ui::Button>(fit.fitCGRectBy(975, 718, 50, 50), ui::ButtonType::Custom);
  btnProductInfo_->setImage(SkinManager::skinFromImageName("product-info-off.png"));
  btnProductInfo_->setAccessibilityLabel(text("PRODUCTINFO"));
  btnProductInfo_->setImage(SkinManager::skinFromImageName("product-info-on.png"), ui::ControlStateSelected);
  btnProductInfo_->addAction(action(&Self::btnProductInfoClick), ui::ControlEventTouchUpInside);

  productInfoView_ = std::make_shared<ProductInfoView>(fit.fitCGRectBy(0, 20, 1024, 768));
  productInfoView_->init();
  productInfoView_->setDelegate(ui::weakAs<ProductInfoViewDelegate>(this));

  pageControl_ = std::make_shared<PageControl>(ui::Rect{262, 722, 500, 36});
  pageControl_->setAlignment(PageControlAlignmentCenter);
  pageControl_->setPageIndicatorTintColor(gfx::Color::darkGray());
  pageControl_->setCurrentPageIndicatorTintColor(ViewStyle::colorOfMainTheme());
  pageControl_->addAction(action(&Self::changePage), ui::ControlEventValueChanged);

  for (ui::View* chrome : {static_cast<ui::View*>(titlebar().get()), static_cast<ui::View*>(btnLeft_.get()),
                           static_cast<ui::View*>(btnRight_.get()), static_cast<ui::View*>(btnProductInfo_.get())}) {
    chrome->setAlpha(0.8);
  }
  setupPages();
  myScrollView_ = makeScrollView();
  root->insertSubview(myScrollView_, 0);
  for (const std::shared_ptr<ui::View>& part :
       std::vector<std::shared_ptr<ui::View>>{btnLeft_, btnRight_, pageControl_, btnProductInfo_}) {
    root->addSubview(part);
  }
  root->bringSubviewToFront(titlebar().get());
  setCurrentIndex(startWithIndex_);
  scrollToPage(startWithIndex_, false);
  if (auto* title = lblTittle()) {
    // Between the slide-show button and Close, so that a long name ends in
    // an ellipsis instead of running under them.
    ui::Rect between = title->frame();
    const double inset = btnSlideShow_->frame().maxX() + kTitleGap;
    between.origin.x = inset;
    between.size.width = std::max(0.0, kPageArea.width - 2 * inset);
    title->setFrame(between);
    title->setLineBreakMode(gfx::LineBreakMode::TailTruncation);
    title->setText(productTitle_);
  }
  pageCurling_ = false;
  isPageMoving_ = false;
}

std::shared_ptr<ui::ScrollView> ProductDetailImageController::makeScrollView() {
  auto scroll = std::make_shared<ui::ScrollView>(ui::Rect{0, 0, kPageArea.width, kPageArea.height});
  scroll->setPagingEnabled(true);
  scroll->setShowsHorizontalScrollIndicator(false);
  scroll->setShowsVerticalScrollIndicator(false);
  scroll->setScrollsToTop(false);
  scroll->setAlwaysBounceHorizontal(true);
  scroll->setBackgroundColor(gfx::Color::white());
  scroll->setContentSize({kPageArea.width * static_cast<double>(imageCount_), kPageArea.height / 2});
  scroll->setDelegate(ui::weakAs<ui::ScrollViewDelegate>(this));
  return scroll;
}

void ProductDetailImageController::setupPages() {
  startWithIndex_ = tag_;
  imageCount_ = std::max<long>(1, static_cast<long>(ImagesArray_.size()));
  if (startWithIndex_ < 0 || startWithIndex_ >= imageCount_) startWithIndex_ = 0;
  pageControl_->setNumberOfPages(imageCount_);
  pageControl_->setCurrentPage(startWithIndex_);
  for (auto& read : reads_) read.cancel();
  bigImageViews_.assign(static_cast<std::size_t>(imageCount_), nullptr);
  reads_.assign(static_cast<std::size_t>(imageCount_), base::CancelFlag{});
  leftTransition_ = ImageBrowserLayout::leftTransition();
  rightTransition_ = ImageBrowserLayout::rightTransition(kPageArea.width, imageCount_);
}

ui::Rect ProductDetailImageController::pageFrame(long index) const {
  return {kPageArea.width * static_cast<double>(index), 0, kPageArea.width, kPageArea.height};
}

void ProductDetailImageController::viewWillAppear(bool animated) {
  PopBaseController::viewWillAppear(animated);
  isChromeHidden_ = false;
  isAnimating_ = false;
  slideShow_ = false;
}

void ProductDetailImageController::viewDidDisappear(bool animated) {
  PopBaseController::viewDidDisappear(animated);
  // Dismissed (by its close button or by a logout taking every screen
  // down): nothing of it may fire any more.
  if (!presentingViewController()) {
    slideShowTimer_.cancelAll();
    slideShow_ = false;
    timers_.cancelAll();
  }
}

void ProductDetailImageController::updateLanguage(ui::ViewController&) {
  PopBaseController::updateLanguage();
  if (productInfoView_) productInfoView_->updateLanguage();
}

// ---- pictures -----------------------------------------------------------------------------------

gfx::ImagePtr ProductDetailImageController::fullImage(long index) const {
  if (index == cachedImageIndex_ && currentImageCache_) return currentImageCache_;
  return readPicture(productFile(ImagesArray_, index));
}

gfx::ImagePtr ProductDetailImageController::enlargedThumbnail(long index) const {
  return readEnlargedThumbnail(productFile(thumbImagesArray_, index), productFile(ImagesArray_, index));
}

gfx::ImagePtr ProductDetailImageController::readEnlargedThumbnail(const std::optional<std::filesystem::path>& thumbFile,
                                                                  const std::optional<std::filesystem::path>& fullFile) {
  auto thumb = readPicture(thumbFile);
  const base::Size full = fileDimensions(fullFile);
  const auto stock = [] { return PublicFunction::getLocalPicture("", kFileTypeProductImage, 1, 1); };
  const auto scale = thumb ? ImageBrowserLayout::enlargementScale(kPageArea, full,
                                                                  {static_cast<double>(thumb->pixelWidth()),
                                                                   static_cast<double>(thumb->pixelHeight())})
                           : std::nullopt;
  if (!scale) return stock();
  const int w = static_cast<int>(*scale * thumb->pixelWidth());
  const int h = static_cast<int>(*scale * thumb->pixelHeight());
  if (w <= 0 || h <= 0) return stock();
  return thumb->scaledToSize({static_cast<double>(w), static_cast<double>(h)});
}

std::shared_ptr<ProductBigImageView> ProductDetailImageController::pageView(long index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= bigImageViews_.size()) return nullptr;
  return bigImageViews_[static_cast<std::size_t>(index)];
}

std::shared_ptr<ProductBigImageView> ProductDetailImageController::makePage(long index) {
  auto page = ProductBigImageView::create(pageFrame(index), index, ui::weakAs<ProductBigImageViewScroller>(this));
  myScrollView_->addSubview(page);
  bigImageViews_[static_cast<std::size_t>(index)] = page;
  return page;
}

void ProductDetailImageController::setCurrentIndex(long index, bool withNeighbours) {
  currentIndex_ = index;
  pageControl_->setCurrentPage(index);
  const auto plan = ImageBrowserLayout::loadPlan(index, imageCount_);
  if (plan.now) loadPageNow(*plan.now);
  if (!withNeighbours) return;
  for (long i : plan.async) loadPageAsync(i, false);
  for (long i : plan.unload) unloadPage(i);
}

void ProductDetailImageController::loadPageNow(long index) {
  if (index < 0 || index >= imageCount_) return;
  if (auto existing = pageView(index)) {
    existing->resetZoom();
    return;
  }
  auto page = makePage(index);
  // The picture the product screen shows is there already, at that screen's
  // size: it stands in until the page's own size is read on a worker.
  if (index == cachedImageIndex_ && currentImageCache_) page->setImage(currentImageCache_);
  loadFullLater(index, true);
}

void ProductDetailImageController::loadPageAsync(long index, bool thumbnailOnly) {
  if (index < 0 || index >= imageCount_) return;
  if (auto existing = pageView(index)) {
    existing->resetZoom();
    return;
  }
  auto page = makePage(index);
  page->imageView().setContentMode(ui::ContentMode::Center);
  const auto thumbFile = productFile(thumbImagesArray_, index);
  const auto fullFile = productFile(ImagesArray_, index);
  auto weak = ui::weakAs<Self>(this);
  std::weak_ptr<ProductBigImageView> weakPage = page;
  reads_[static_cast<std::size_t>(index)].cancel();
  reads_[static_cast<std::size_t>(index)] = base::WorkQueue::global().async<gfx::ImagePtr>(
      [thumbFile, fullFile](const base::CancelFlag&) { return readEnlargedThumbnail(thumbFile, fullFile); },
      [weak, weakPage, index, thumbnailOnly](gfx::ImagePtr thumb) {
        auto self = weak.lock();
        auto target = weakPage.lock();
        if (!self || !target || self->pageView(index) != target) return;
        // The thumbnail first, then the picture itself.
        if (!target->imageView().image()) target->imageView().setImage(std::move(thumb));
        if (!thumbnailOnly) self->loadFullLater(index, false);
      });
}

void ProductDetailImageController::loadFullLater(long index, bool unique) {
  auto page = pageView(index);
  if (!page) return;
  const auto path = productFile(ImagesArray_, index);
  reads_[static_cast<std::size_t>(index)].cancel();
  std::weak_ptr<ProductBigImageView> weakPage = page;
  reads_[static_cast<std::size_t>(index)] = base::WorkQueue::global().async<gfx::ImagePtr>(
      [path](const base::CancelFlag&) { return readPicture(path); },
      [weakPage, unique](gfx::ImagePtr picture) {
        auto target = weakPage.lock();
        if (!target || !picture) return;
        auto operation = ImageLoadOperation::initWithImageName(std::move(picture), target->imageViewPtr(), false);
        ImageLoadQueueManager::sharedInstance().loadImageWithOperation(operation, unique);
      });
}

void ProductDetailImageController::unloadPage(long index) {
  auto page = pageView(index);
  if (!page) return;
  reads_[static_cast<std::size_t>(index)].cancel();
  page->imageView().setImage(nullptr);
  page->removeFromSuperview();
  bigImageViews_[static_cast<std::size_t>(index)] = nullptr;
}

void ProductDetailImageController::scrollToPage(long index, bool animated) {
  isPageMoving_ = true;
  myScrollView_->setContentOffset({pageFrame(index).x(), 0}, animated);
  isPageMoving_ = false;
}

// ---- paging -----------------------------------------------------------------------------------------

void ProductDetailImageController::scrollViewDidScroll(ui::ScrollView& scrollView) {
  if (&scrollView != myScrollView_.get() || pageControlUsed_ || pageCurling_ || isPageMoving_) return;
  const double offset = scrollView.contentOffset().x;
  const long page = ImageBrowserLayout::pageForOffset(offset, kPageArea.width);
  if (page != currentIndex_) {
    if (page >= 0 && page < imageCount_) setCurrentIndex(page);
    return;
  }
  if (page == 0 && offset < leftTransition_ && !btnLeft_->isHidden()) {
    previousProduct();
  } else if (page == imageCount_ - 1 && offset > rightTransition_ && !btnRight_->isHidden()) {
    nextProduct();
  }
}

void ProductDetailImageController::scrollViewWillBeginDragging(ui::ScrollView&) { pageControlUsed_ = false; }

// The page control's turn has arrived: the wheel and drags count pages again.
void ProductDetailImageController::scrollViewDidEndScrollingAnimation(ui::ScrollView&) { pageControlUsed_ = false; }

bool ProductDetailImageController::pageKeyPressed(const ui::KeyPress& press) {
  if (pageCurling_ || slideShow_) return false;
  const long page = currentIndex_ + press.step();
  if (page >= 0 && page < imageCount_) {
    pageControl_->setCurrentPage(page);
    changePage();
  }
  return true;
}

void ProductDetailImageController::changePage() {
  const long page = static_cast<long>(pageControl_->currentPage());
  setCurrentIndex(page);
  scrollToPage(page, true);
  pageControlUsed_ = true;
}

// ---- another product ------------------------------------------------------------------------------

void ProductDetailImageController::previousProduct() { loadProduct(1); }

void ProductDetailImageController::nextProduct() { loadProduct(2); }

void ProductDetailImageController::loadProduct(int direction) {
  if (pageCurling_) return;
  myScrollView_->setScrollEnabled(false);
  pageCurling_ = true;
  cachedImageIndex_ = -1;
  currentImageCache_.reset();
  auto d = browserDelegate_.lock();
  if (!d) {
    pageCurling_ = false;
    myScrollView_->setScrollEnabled(true);
    return;
  }
  auto keep = shared_from_this();
  btnLeft_->setEnabled(false);
  btnRight_->setEnabled(false);
  d->changeProduct(direction, slideShow_);
  if (lblTittle()) lblTittle()->setText(productTitle_);
  refreshView(direction);
}

bool ProductDetailImageController::thumbnailFirst() const {
  const auto path = productFile(ImagesArray_, currentIndex_);
  std::error_code ec;
  const std::uintmax_t size = path ? std::filesystem::file_size(*path, ec) : 0;
  return ImageBrowserLayout::showsThumbnailFirst(ec ? 0 : size, PublicFunction::getDeviceType());
}

void ProductDetailImageController::refreshView(int direction) {
  auto root = view();
  auto old = myScrollView_;
  old->layer().removeAllAnimations();
  old->setDelegate({});
  setupPages();
  myScrollView_ = makeScrollView();
  currentIndex_ = startWithIndex_;
  pageControl_->setCurrentPage(currentIndex_);
  myScrollView_->setContentOffset({pageFrame(currentIndex_).x(), 0});
  const bool thumbFirst = thumbnailFirst();
  if (thumbFirst) {
    loadPageAsync(currentIndex_, true);
  } else {
    loadPageNow(currentIndex_);
  }
  auto overlay = std::make_shared<ui::View>(ui::Rect{0, 0, kPageArea.width, kPageArea.height});
  overlay->setBackgroundColor(gfx::Color::black());
  overlay->setUserInteractionEnabled(false);
  auto fresh = myScrollView_;
  const auto shrunk = ui::AffineTransform::scale(0.95, 0.95);
  if (direction == 1) {
    root->insertSubviewBelow(fresh, old.get());
    fresh->setTransform(shrunk);
    overlay->setAlpha(0.5);
    root->insertSubviewAbove(overlay, fresh.get());
  } else {
    ui::Rect start = fresh->frame();
    start.origin.x = kPageArea.width;
    fresh->setFrame(start);
    root->insertSubviewAbove(overlay, old.get());
    overlay->setAlpha(0);
    root->insertSubviewAbove(fresh, overlay.get());
  }
  auto weak = ui::weakAs<Self>(this);
  btnLeft_->setEnabled(true);
  btnRight_->setEnabled(true);
  ui::View::animate(
      kProductChangeDuration, 0, ui::AnimationOptionAllowUserInteraction,
      [direction, fresh, old, overlay, shrunk] {
        if (direction == 1) {
          fresh->setTransform(ui::AffineTransform::identity());
          ui::Rect away = old->frame();
          away.origin.x = kPageArea.width;
          old->setFrame(away);
          overlay->setAlpha(0);
        } else {
          fresh->setFrame({0, 0, kPageArea.width, kPageArea.height});
          old->setTransform(shrunk);
          overlay->setAlpha(0.5);
        }
      },
      [weak, fresh, old, overlay, thumbFirst](bool finished) {
        overlay->removeFromSuperview();
        old->removeFromSuperview();
        fresh->setTransform(ui::AffineTransform::identity());
        auto self = weak.lock();
        if (!self || self->myScrollView_ != fresh) return;
        self->pageCurling_ = false;
        if (!finished && !self->slideShow_) return;
        if (thumbFirst) {
          self->timers_.cancel(self->fullLoad_);
          self->fullLoad_ = self->timers_.after(0, [self = self.get()] {
            if (auto page = self->pageView(0)) {
              page->resetZoom();
            } else {
              self->makePage(0);
            }
            self->loadFullLater(0, true);
          });
          self->loadPageAsync(self->currentIndex_ + 1, false);
        } else {
          self->loadPageNow(self->currentIndex_ + 1);
        }
      });
}

// ---- chrome and information -----------------------------------------------------------------------

void ProductDetailImageController::toggleChromeSoon() {
  timers_.cancel(chromeToggle_);
  chromeToggle_ = timers_.after(kChromeDelay, [this] {
    chromeToggle_ = 0;
    toggleChromeDisplay();
  });
}

void ProductDetailImageController::cancelChromeToggle() {
  timers_.cancel(chromeToggle_);
  chromeToggle_ = 0;
}

void ProductDetailImageController::toggleChromeDisplay() {
  if (isAnimating_) return;
  hideChrome(!isChromeHidden_);
}

void ProductDetailImageController::hideChrome(bool hide) {
  if (hide == isChromeHidden_) return;
  isChromeHidden_ = hide;
  isAnimating_ = true;
  auto bar = titlebar();
  auto left = btnLeft_, right = btnRight_, info = btnProductInfo_;
  auto dots = pageControl_;
  // The hidden frames say nothing about where the controls stood, so the
  // frames they had when shown are kept and restored.
  if (hide) shownChrome_ = {bar->frame(), left->frame(), right->frame(), dots->frame(), info->frame()};
  const ChromeFrames shown = shownChrome_;
  auto weak = ui::weakAs<Self>(this);
  const double bottom = kPageArea.height;
  ui::View::animate(
      kChromeDuration, 0, hide ? ui::AnimationOptionCurveEaseIn : ui::AnimationOptionCurveEaseOut,
      [=] {
        if (!hide) {
          bar->setFrame(shown.bar);
          left->setFrame(shown.left);
          right->setFrame(shown.right);
          dots->setFrame(shown.dots);
          info->setFrame(shown.info);
          left->setAlpha(1);
          return;
        }
        auto moved = [](ui::Rect f, double dx, double dy) {
          f.origin.x += dx;
          f.origin.y += dy;
          return f;
        };
        bar->setFrame(moved(shown.bar, 0, -shown.bar.maxY()));
        left->setFrame(moved(shown.left, -shown.left.maxX(), 0));
        right->setFrame(moved(shown.right, kPageArea.width - shown.right.x(), 0));
        dots->setFrame(moved(shown.dots, 0, bottom - shown.dots.y()));
        info->setFrame(moved(shown.info, 0, bottom - shown.info.y()));
        left->setAlpha(0);
      },
      [weak](bool) {
        if (auto self = weak.lock()) self->isAnimating_ = false;
      });
}

void ProductDetailImageController::btnProductInfoClick() {
  if (btnProductInfo_->isSelected()) {
    productInfoView_->productInfoViewClose();
    return;
  }
  productInfoView_->setProductEntity(productEntity_);
  productInfoView_->setLabelPrice(productPrice_, productDiscountPrice_);
  productInfoView_->setAlpha(0);
  view()->insertSubviewBelow(productInfoView_, btnProductInfo_.get());
  auto panel = productInfoView_;
  ui::View::animate(kInfoFadeDuration, 0, ui::AnimationOptionCurveEaseIn, [panel] { panel->setAlpha(1); });
  btnProductInfo_->setSelected(true);
}

void ProductDetailImageController::productInfoViewClose() { btnProductInfo_->setSelected(false); }

void ProductDetailImageController::dismissPopController(bool animated) {
  if (presentedViewController()) dismissViewControllerAnimated(animated);
}

// ---- slide show -------------------------------------------------------------------------------------

void ProductDetailImageController::startSlideShow() {
  endSlideShow();
  CatalogFeedback::toast("SLIDESHOWBEGIN");
  slideShowController_ = std::make_shared<SlideShowController>();
  slideShowController_->setDetailImageController(std::static_pointer_cast<Self>(shared_from_this()));
  slideShowController_->setModalTransitionStyle(ui::ModalTransitionStyle::CrossDissolve);
  presentViewController(slideShowController_, true);
  // The show starts from the file, not from the picture the product screen handed over.
  showInSlideShow(currentIndex_);
  const auto timer = base::RunLoop::main().every(kSlideInterval, slideShowTimer_.guard([this] { slideShowTick(); }));
  slideShowTimer_.track([timer] { base::RunLoop::main().cancel(timer); });
  slideShow_ = true;
}

void ProductDetailImageController::slideShowTick() {
  if (!slideShow_) return;
  const auto tick = ImageBrowserLayout::slideShowTick(pageControlUsed_ || pageCurling_ || isPageMoving_,
                                                      myScrollView_->contentOffset().x,
                                                      myScrollView_->contentSize().width, kPageArea.width);
  if (tick == ImageBrowserLayout::Tick::Wait) return;
  // The show follows the page the browser moves to: an animated scroll
  // reports its new page only later.
  long shown = 0;
  if (tick == ImageBrowserLayout::Tick::NextPage) {
    const double target = myScrollView_->contentOffset().x + kPageArea.width;
    shown = ImageBrowserLayout::pageForOffset(target, kPageArea.width);
    isPageMoving_ = true;
    myScrollView_->setContentOffset({target, 0}, true);
    isPageMoving_ = false;
  } else {
    nextProduct();
    shown = currentIndex_;
  }
  showInSlideShow(shown);
}

void ProductDetailImageController::showInSlideShow(long index) {
  slideRead_.cancel();
  if (!slideShowController_) return;
  const auto file = productFile(ImagesArray_, index);
  auto weak = ui::weakAs<Self>(this);
  slideRead_ = base::WorkQueue::global().async<gfx::ImagePtr>(
      [file](const base::CancelFlag&) { return readPicture(file); },
      [weak](gfx::ImagePtr picture) {
        auto self = weak.lock();
        if (self && self->slideShowController_) self->slideShowController_->showImage(picture);
      });
}

void ProductDetailImageController::endSlideShow() {
  if (!slideShow_) return;
  slideShowTimer_.cancelAll();
  slideRead_.cancel();
  slideShow_ = false;
  CatalogFeedback::toast("SLIDESHOWSTOP");
}

}  // namespace mv
