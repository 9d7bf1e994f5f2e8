#pragma once
// The overview of the open document: a grid of page thumbnails under a
// toolbar, all pages or the bookmarked ones, each list keeping its own scroll
// position. A tap goes to the page and closes the overview; a long press sets
// or clears the page's bookmark; View returns to the reader, Back closes the
// reader too. Main thread only.
#include <memory>
#include <string>
#include <vector>

#include "library/reader/ReaderDocument.hpp"
#include "library/reader/ReaderThumbsView.hpp"
#include "library/reader/ThumbsMainToolbar.hpp"
#include "platform/ui/ViewController.hpp"

namespace mv {

class ThumbsViewController;

class ThumbsViewControllerDelegate {
 public:
  virtual ~ThumbsViewControllerDelegate() = default;
  virtual void thumbsViewController(ThumbsViewController& controller, long gotoPage) = 0;
  virtual void dismissThumbsViewController(ThumbsViewController& controller) = 0;
  virtual void dismissReaderViewController() = 0;
};

class ThumbsViewController : public ui::ViewController,
                             public ThumbsMainToolbarDelegate,
                             public ReaderThumbsViewDelegate {
 public:
  static constexpr double kToolbarHeight = 44;

  // Nothing without a record.
  static std::shared_ptr<ThumbsViewController> initWithReaderDocument(std::shared_ptr<ReaderDocument> document,
                                                                      const std::string& documentName);

  std::shared_ptr<ThumbsViewControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<ThumbsViewControllerDelegate> d) { delegate_ = std::move(d); }

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void viewDidUnload() override;

  // The cell size: 256 on an iPad, 160 elsewhere; the thumbnail box inside
  // it: 240 or 144, the page view's own, whose thumbnails it shares.
  static ui::Size cellSize();
  // The page an item shows in the list shown now.
  long pageForItem(long index) const;
  bool showBookmarked() const { return showBookmarked_; }
  const std::vector<long>& bookmarked() const { return bookmarked_; }

  const std::shared_ptr<ThumbsMainToolbar>& mainToolbar() const { return mainToolbar_; }
  const std::shared_ptr<ReaderThumbsView>& theThumbsView() const { return theThumbsView_; }

  // ThumbsMainToolbarDelegate
  void tappedInToolbarDoneButton(ThumbsMainToolbar& toolbar, ui::Button& button) override;
  void tappedInToolbarViewButton(ThumbsMainToolbar& toolbar, ui::Button& button) override;
  void tappedInToolbarShowControl(ThumbsMainToolbar& toolbar, ui::SegmentedControl& control) override;
  // ReaderThumbsViewDelegate
  std::uint64_t numberOfThumbsInThumbsView(ReaderThumbsView& view) override;
  std::shared_ptr<ReaderThumbView> thumbCellWithFrame(ReaderThumbsView& view, const ui::Rect& frame) override;
  void updateThumbCell(ReaderThumbsView& view, ReaderThumbView& cell, long index) override;
  void didSelectThumbWithIndex(ReaderThumbsView& view, long index) override;
  void refreshThumbCell(ReaderThumbsView& view, ReaderThumbView& cell, long index) override;
  void didPressThumbWithIndex(ReaderThumbsView& view, long index) override;

 private:
  ThumbsViewController() = default;
  std::shared_ptr<ReaderDocument> document_;
  std::shared_ptr<ThumbsMainToolbar> mainToolbar_;
  std::shared_ptr<ReaderThumbsView> theThumbsView_;
  std::vector<long> bookmarked_;
  ui::Point thumbsOffset_, markedOffset_;
  bool updateBookmarked_ = true;
  bool showBookmarked_ = false;
  std::string docName_;
  std::weak_ptr<ThumbsViewControllerDelegate> delegate_;
};

}  // namespace mv
