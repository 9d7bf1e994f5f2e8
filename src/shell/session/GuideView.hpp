#pragma once
// The four-page introduction shown over the welcome screen once per
// installed version, with "take the tour", "skip" and "get started" buttons.
#include <memory>

#include "platform/ui/Button.hpp"
#include "platform/ui/ScrollView.hpp"

namespace mv {

class GuideView : public ui::View, public ui::ScrollViewDelegate {
 public:
  static constexpr int kPageCount = 4;
  static constexpr long kFirstPageTag = 1600;
  static constexpr double kEndAnimationDuration = 0.6;
  // Dragging the last page further than this closes the guide.
  static constexpr double kOverscrollToClose = 10;

  explicit GuideView(const ui::Rect& frame = {0, 0, 1024, 768});

  // Lays the pages and buttons into the scroll view.
  void initializeScrollView();
  void pressButton(ui::Button& sender);
  // Fades and grows the guide away, then removes it.
  void endShowGuide();
  bool isEnding() const { return ending_; }

  void scrollViewDidScroll(ui::ScrollView& scrollView) override;
  void didMoveToSuperview() override;

  ui::ScrollView& guideImageScorllView() const { return *guideImageScorllView_; }
  const std::shared_ptr<ui::Button>& detailButton() const { return detailButton_; }
  const std::shared_ptr<ui::Button>& skipButton() const { return skipButton_; }
  const std::shared_ptr<ui::Button>& startButton() const { return startButton_; }

 private:
  std::shared_ptr<ui::Button> makeButton(const ui::Rect& frame, const char* image, const char* highlighted,
                                         const char* titleKey);
  std::shared_ptr<ui::ScrollView> guideImageScorllView_;
  std::shared_ptr<ui::Button> detailButton_, skipButton_, startButton_;
  bool ending_ = false;
};

}  // namespace mv
