#pragma once
// The image browser: a product's pictures full screen, one page each, that
// page sideways, zoom by pinching or double tapping, hide and show their
// controls on a tap, show the product's information panel, move on to the
// previous or next product of the product screen's list (by the arrows or by
// pulling past the first or last page), and play the slide show. Pages near
// the one on display are loaded from their thumbnails first and pages two
// away are dropped.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalog/ProductBigImageView.hpp"
#include "catalog/ProductInfoView.hpp"
#include "platform/base/CancelTracker.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/ScrollView.hpp"
#include "shell/frame/PopBaseController.hpp"
#include "shell/frame/PopControllerDelegate.hpp"
#include "widgets/PageControl.hpp"

namespace mv {

class SlideShowController;

// The product screen as the browser sees it.
class ProductDetailImageDelegate : public PopControllerDelegate {
 public:
  // Load the previous (1) or next (2) product into the browser before
  // returning; during a slide show the product after the last is the first.
  virtual void changeProduct(int direction, bool slideshow) = 0;
};

class ProductDetailImageController : public PopBaseController,
                                     public ui::ScrollViewDelegate,
                                     public ProductBigImageViewScroller,
                                     public ProductInfoViewDelegate,
                                     public PopControllerDelegate {
 public:
  static constexpr double kChromeDelay = 0.5;
  static constexpr double kChromeDuration = 0.3;
  static constexpr double kInfoFadeDuration = 0.35;
  static constexpr double kProductChangeDuration = 0.5;
  static constexpr double kSlideInterval = 8.5;
  // Room kept between the title and the title bar's buttons.
  static constexpr double kTitleGap = 12;
  inline static const ui::Size kPageArea{1024, 768};

  ProductDetailImageController() = default;
  ~ProductDetailImageController() override;

  // ---- what the product screen sets ---------------------------------------------------------
  void setBrowserDelegate(std::weak_ptr<ProductDetailImageDelegate> d);
  void setImagesArray(std::vector<std::string> names) { ImagesArray_ = std::move(names); }
  void setThumbImagesArray(std::vector<std::string> names) { thumbImagesArray_ = std::move(names); }
  const std::vector<std::string>& imagesArray() const { return ImagesArray_; }
  void setProductEntity(const marvisto_product_Entity& product) { productEntity_ = product; }
  const marvisto_product_Entity& productEntity() const { return productEntity_; }
  void setProductPrice(std::string price) { productPrice_ = std::move(price); }
  void setProductDiscountPrice(std::string price) { productDiscountPrice_ = std::move(price); }
  void setProductTitle(std::string title) { productTitle_ = std::move(title); }
  // The page to start on.
  void setTag(long tag) { tag_ = tag; }
  // A picture already decoded for page `index` (the product screen's).
  void setCurrentImageCache(gfx::ImagePtr image, long index);
  ui::Button& btnLeft() const { return *btnLeft_; }
  ui::Button& btnRight() const { return *btnRight_; }

  // ---- actions -------------------------------------------------------------------------------
  void previousProduct();
  void nextProduct();
  void changePage();
  void toggleChromeDisplay();
  void btnProductInfoClick();
  void startSlideShow();
  void endSlideShow();
  // One tick of the slide show's timer.
  void slideShowTick();

  void toggleChromeSoon() override;
  void cancelChromeToggle() override;
  void productInfoViewClose() override;
  void dismissPopController(bool animated) override;

  // ---- state (tests) ---------------------------------------------------------------------------
  long currentIndex() const { return currentIndex_; }
  long imageCount() const { return imageCount_; }
  ui::ScrollView& myScrollView() const { return *myScrollView_; }
  PageControl& pageControl() const { return *pageControl_; }
  ui::Button& btnProductInfo() const { return *btnProductInfo_; }
  ui::Button& btnSlideShow() const { return *btnSlideShow_; }
  ProductInfoView& productInfoView() const { return *productInfoView_; }
  // The page's view while it is loaded.
  std::shared_ptr<ProductBigImageView> pageView(long index) const;
  bool isChromeHidden() const { return isChromeHidden_; }
  bool slideShow() const { return slideShow_; }
  bool pageCurling() const { return pageCurling_; }
  const std::shared_ptr<SlideShowController>& slideShowController() const { return slideShowController_; }

  // ---- the screen's life -------------------------------------------------------------------------
  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidDisappear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;
  void scrollViewDidScroll(ui::ScrollView& scrollView) override;
  void scrollViewWillBeginDragging(ui::ScrollView& scrollView) override;
  void scrollViewDidEndScrollingAnimation(ui::ScrollView& scrollView) override;
  // The page keys turn the pages as the page control does (see ui::KeyPress).
  bool pageKeyPressed(const ui::KeyPress& press) override;

  // The full picture of a page as the browser shows it: the cached one, else
  // the file, else the stock picture, scaled down to the page area.
  gfx::ImagePtr fullImage(long index) const;
  // The page's thumbnail grown to stand where its picture will; the stock
  // picture when either size is unknown.
  gfx::ImagePtr enlargedThumbnail(long index) const;
  // The same from the files themselves, on any thread.
  static gfx::ImagePtr readEnlargedThumbnail(const std::optional<std::filesystem::path>& thumbFile,
                                             const std::optional<std::filesystem::path>& fullFile);

 private:
  std::shared_ptr<ui::ScrollView> makeScrollView();
  void setupPages();
  ui::Rect pageFrame(long index) const;
  void setCurrentIndex(long index, bool withNeighbours = true);
  void loadPageNow(long index);
  void loadPageAsync(long index, bool thumbnailOnly);
  void loadFullLater(long index, bool unique);
  void showInSlideShow(long index);
  void unloadPage(long index);
  std::shared_ptr<ProductBigImageView> makePage(long index);
  void scrollToPage(long index, bool animated);
  void loadProduct(int direction);
  void refreshView(int direction);
  bool thumbnailFirst() const;
  void hideChrome(bool hide);

  std::weak_ptr<ProductDetailImageDelegate> browserDelegate_;
  std::vector<std::string> ImagesArray_;
  std::vector<std::string> thumbImagesArray_;
  long tag_ = 0;
  marvisto_product_Entity productEntity_;
  std::string productPrice_;
  std::string productDiscountPrice_;
  std::string productTitle_;
  std::shared_ptr<ui::ScrollView> myScrollView_;
  std::shared_ptr<ui::Button> btnLeft_, btnRight_, btnSlideShow_, btnProductInfo_;
  std::shared_ptr<ProductInfoView> productInfoView_;
  std::shared_ptr<PageControl> pageControl_;
  std::vector<std::shared_ptr<ProductBigImageView>> bigImageViews_;
  long startWithIndex_ = 0;
  long currentIndex_ = 0;
  long imageCount_ = 1;
  long cachedImageIndex_ = -1;
  gfx::ImagePtr currentImageCache_;
  double leftTransition_ = 0;
  double rightTransition_ = 0;
  bool isPageMoving_ = false;
  bool pageControlUsed_ = false;
  bool pageCurling_ = false;
  bool isAnimating_ = false;
  bool isChromeHidden_ = false;
  bool slideShow_ = false;
  // Where the controls stand while shown.
  struct ChromeFrames {
    ui::Rect bar, left, right, dots, info;
  };
  ChromeFrames shownChrome_;
  std::shared_ptr<SlideShowController> slideShowController_;
  // The slide show's timer, the pending chrome toggle and the delayed loads:
  // all of them end with the browser.
  base::CancelTracker timers_;
  base::CancelTracker::Id chromeToggle_ = 0;
  base::CancelTracker::Id fullLoad_ = 0;
  base::CancelTracker slideShowTimer_;
  // Pictures being read for pages, by page; a dropped page's read is cancelled.
  std::vector<base::CancelFlag> reads_;
  // The slide show's next picture, read on a worker.
  base::CancelFlag slideRead_;
};

}  // namespace mv
