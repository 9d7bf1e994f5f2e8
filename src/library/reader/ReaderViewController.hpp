#pragma once
// The full-screen PDF reader: pages one at a time across a paging scroll
// view that keeps at most three page views (the current page and its
// neighbours), zoom on double tap, links inside pages, page turns from taps
// at the left and right edges, the top bar and the page bar that hide and
// show, bookmarks, the thumbnails screen, and sharing by mail, print or
// another application. Its state lives in the document record, saved when
// the user leaves and when the application stops being active. Main thread
// only.
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "library/reader/ReaderContentView.hpp"
#include "library/reader/ReaderDocument.hpp"
#include "library/reader/ReaderMainPagebar.hpp"
#include "library/reader/ReaderMainToolbar.hpp"
#include "library/reader/ThumbsViewController.hpp"
#include "platform/base/CancelTracker.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/ActionSheet.hpp"
#include "platform/ui/ScrollView.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "platform/ui/ViewController.hpp"

namespace mv {

class ReaderViewController;

class ReaderViewControllerDelegate {
 public:
  virtual ~ReaderViewControllerDelegate() = default;
  virtual void dismissReaderViewController(ReaderViewController& reader) = 0;
};

class ReaderViewController : public ui::ViewController,
                             public ui::ScrollViewDelegate,
                             public ui::ActionSheetDelegate,
                             public ReaderMainToolbarDelegate,
                             public ReaderMainPagebarDelegate,
                             public ReaderContentViewDelegate,
                             public ThumbsViewControllerDelegate {
 public:
  static constexpr double kToolbarHeight = 44;
  static constexpr double kPagebarHeight = 48;
  static constexpr double kTapAreaSize = 48;
  static constexpr long kMaxPages = 3;
  static constexpr double kShowBarsGuard = 0.75;
  static constexpr double kFirstShowDelay = 0.02;
  // Files this large or larger are not mailed (25 x 2 MiB).
  static constexpr std::uint64_t kMailSizeLimit = 52'428'800;
  // The share menu's choices, in order.
  enum ShareChoice : long { ShareEmail = 0, SharePrint = 1, ShareOpenIn = 2 };

  // --- decisions (open for tests) ---
  // The pages kept alive around `page` of `count`: at most three.
  static std::pair<long, long> pageWindow(long page, long count);
  // Which of the (at most three) page slots `page` sits in.
  static long pageSlot(long page, long count);
  enum class TapZone { Content, Left, Right, Zoom, None };
  // Where a single (or double) tap lands in a view of `size`.
  static TapZone singleTapZone(ui::Point p, ui::Size size);
  static TapZone doubleTapZone(ui::Point p, ui::Size size);
  // The address a link opens: "www..." without a scheme gets "http://";
  // only http, https and mailto addresses are opened.
  static std::optional<std::string> linkAddressToOpen(const std::string& text);
  static bool isTooLargeToMail(std::uint64_t fileSize) { return fileSize >= kMailSizeLimit; }

  // Nothing without a record.
  static std::shared_ptr<ReaderViewController> initWithReaderDocument(std::shared_ptr<ReaderDocument> document,
                                                                      const std::string& documentName);
  // The reader of a library file, which pops itself off its navigation
  // controller when it closes; nothing when the file has no page to show
  // (it does not open, or stays locked).
  static std::shared_ptr<ReaderViewController> forLibraryFile(const std::filesystem::path& path,
                                                              const std::string& title);
  // Makes it the viewer library PDFs open in.
  static void installAsLibraryViewer();
  ~ReaderViewController() override;

  std::shared_ptr<ReaderViewControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<ReaderViewControllerDelegate> d) { delegate_ = std::move(d); }

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void viewDidUnload() override;

  void showDocument();
  void showDocumentPage(long page);
  void updateScrollViewContentSize();
  void updateScrollViewContentViews();
  void incrementPageNumber();
  void decrementPageNumber();
  void updateToolbarBookmarkIcon();

  void handleSingleTap(ui::TapGestureRecognizer& recognizer);
  void handleDoubleTap(ui::TapGestureRecognizer& recognizer);

  void email();
  void print();
  void openWithApp();
  void dismissPopControllers();
  // The application is about to end or stop being active.
  void applicationWill();

  const std::shared_ptr<ReaderDocument>& document() const { return document_; }
  long currentPage() const { return currentPage_; }
  const std::shared_ptr<ui::ScrollView>& theScrollView() const { return theScrollView_; }
  const std::shared_ptr<ReaderMainToolbar>& mainToolbar() const { return mainToolbar_; }
  const std::shared_ptr<ReaderMainPagebar>& mainPagebar() const { return mainPagebar_; }
  const std::map<long, std::shared_ptr<ReaderContentView>>& contentViews() const { return contentViews_; }
  const std::shared_ptr<ui::ActionSheet>& shareSheet() const { return shareSheet_; }
  bool isVisible() const { return isVisible_; }

  // Page Down, Space and the right and down arrows turn to the next page;
  // Page Up, Shift+Space and the left and up arrows to the one before.
  bool pageKeyPressed(const ui::KeyPress& press) override;

  // ScrollViewDelegate (the paging scroll view)
  void scrollViewDidEndDecelerating(ui::ScrollView& scrollView) override;
  void scrollViewDidEndScrollingAnimation(ui::ScrollView& scrollView) override;
  // ActionSheetDelegate
  void actionSheetClickedButtonAtIndex(ui::ActionSheet& sheet, long buttonIndex) override;
  // ReaderMainToolbarDelegate
  void tappedInToolbarDoneButton(ReaderMainToolbar& toolbar, ui::Button& button) override;
  void tappedInToolbarThumbsButton(ReaderMainToolbar& toolbar, ui::Button& button) override;
  void tappedInToolbarMarkButton(ReaderMainToolbar& toolbar, ui::Button& button) override;
  void tappedInToolbarShareButton(ReaderMainToolbar& toolbar, ui::Button& button) override;
  // ReaderMainPagebarDelegate
  void pagebar(ReaderMainPagebar& pagebar, long gotoPage) override;
  // ReaderContentViewDelegate
  void contentView(ReaderContentView& view, const ui::TouchSet& touchesBegan) override;
  // ThumbsViewControllerDelegate
  void thumbsViewController(ThumbsViewController& controller, long gotoPage) override;
  void dismissThumbsViewController(ThumbsViewController& controller) override;
  void dismissReaderViewController() override;

 private:
  ReaderViewController() = default;
  std::shared_ptr<ReaderViewController> selfPtr();
  long pageCount() const { return document_->pageCount().value_or(0); }
  ReaderContentView* currentContentView() const;
  void showAlert(const std::string& titleKey, const std::string& messageKey);

  std::shared_ptr<ReaderDocument> document_;
  std::shared_ptr<ui::ScrollView> theScrollView_;
  std::shared_ptr<ReaderMainToolbar> mainToolbar_;
  std::shared_ptr<ReaderMainPagebar> mainPagebar_;
  std::map<long, std::shared_ptr<ReaderContentView>> contentViews_;
  long currentPage_ = 0;
  ui::Size lastAppearSize_;
  double lastHideTime_ = 0;
  bool isVisible_ = false;
  std::shared_ptr<ui::ActionSheet> shareSheet_;
  ui::Rect rectToShow_;
  std::string docName_;
  std::weak_ptr<ThumbsViewController> thumbs_;
  std::weak_ptr<ReaderViewControllerDelegate> delegate_;
  base::CancelTracker tracker_;
  std::vector<base::Observation> observations_;
};

}  // namespace mv
