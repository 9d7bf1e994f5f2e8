#pragma once
// One page of the reader: a zooming scroll view holding, in a white
// shadowed container, the page's thumbnail under the page itself, so a
// picture shows at once and the sharp tiles fill in over it. Its tag is its
// page number. A page that cannot be made (no size to draw) shows a line
// saying so instead. Main thread only.
#include <filesystem>
#include <memory>
#include <string>

#include "library/reader/ReaderContentPage.hpp"
#include "library/reader/ReaderThumbView.hpp"
#include "library/reader/ReaderZoom.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/ScrollView.hpp"

namespace mv {

class ReaderContentView;

// The reader hears of every touch that begins on a page.
class ReaderContentViewDelegate {
 public:
  virtual ~ReaderContentViewDelegate() = default;
  virtual void contentView(ReaderContentView& view, const ui::TouchSet& touchesBegan) = 0;
};

// The thumbnail under a page: filled by aspect, clipped to its bounds.
class ReaderContentThumb : public ReaderThumbView {
 public:
  explicit ReaderContentThumb(const ui::Rect& frame);
};

class ReaderContentView : public ui::ScrollView, public ui::ScrollViewDelegate {
 public:
  static constexpr double kContainerInset = 4;
  static constexpr double kShadowRadius = 4;
  static constexpr double kNoticeInset = 40;
  static constexpr double kNoticeFontSize = 20;

  static std::shared_ptr<ReaderContentView> initWithFrame(const ui::Rect& frame, const std::filesystem::path& fileURL,
                                                          long page, const std::string& password);
  ~ReaderContentView() override;

  // Asks for the page's thumbnail (240 x 240 on an iPad, 144 x 144 elsewhere).
  void showPageThumb(const std::filesystem::path& fileURL, long page, const std::string& password,
                     const std::string& guid);
  // The link target under a tap (window coordinates of the recogniser).
  ReaderLinkTarget processSingleTap(const ui::GestureRecognizer& recognizer) const;

  void zoomIncrement();
  void zoomDecrement();
  void loopZoom();
  void zoomReset();
  void updateMinimumMaximumZoom();
  double zoomAmount() const { return zoom_.amount; }

  const std::shared_ptr<ReaderContentPage>& theContentView() const { return page_; }
  const std::shared_ptr<ReaderContentThumb>& theThumbView() const { return thumb_; }
  const std::shared_ptr<ui::View>& theContainerView() const { return container_; }
  // The line shown in place of a page that cannot be made; nothing otherwise.
  const std::shared_ptr<ui::Label>& noticeLabel() const { return notice_; }

  std::shared_ptr<ReaderContentViewDelegate> message() const { return message_.lock(); }
  void setMessage(std::weak_ptr<ReaderContentViewDelegate> m) { message_ = std::move(m); }

  // A new size keeps a page shown at its fit scale fitted, and a page zoomed
  // past the new maximum at that maximum.
  void setFrame(const ui::Rect& frame) override;
  void layoutSubviews() override;
  void touchesBegan(const ui::TouchSet& touches, const ui::Event& event) override;
  ui::View* viewForZoomingInScrollView(ui::ScrollView& scrollView) override;

 private:
  explicit ReaderContentView(const ui::Rect& frame) : ui::ScrollView(frame) {}
  std::shared_ptr<ReaderContentPage> page_;
  std::shared_ptr<ReaderContentThumb> thumb_;
  std::shared_ptr<ui::View> container_;
  std::shared_ptr<ui::Label> notice_;
  ReaderZoom zoom_;
  std::weak_ptr<ReaderContentViewDelegate> message_;
};

}  // namespace mv
