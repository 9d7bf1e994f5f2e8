#pragma once
// The pages of a PDF (an Office file's converted pages) one under the other
// in a scroll view that zooms: at the fit scale each page is as wide as the
// widest page fits the view. Only the pages on screen and their neighbours
// have page views (each with its own tiles), so memory follows what is shown,
// not the length of the document. Main thread only.
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include "library/reader/ReaderContentPage.hpp"
#include "platform/ui/ScrollView.hpp"

namespace mv {

class OfficePagesView : public ui::ScrollView, public ui::ScrollViewDelegate {
 public:
  static constexpr double kPageGap = 12;
  static constexpr double kMaximumZoom = 4;

  static std::shared_ptr<OfficePagesView> make(const ui::Rect& frame);
  ~OfficePagesView() override;

  // Shows the file's pages from the top; false (and nothing shown) when it
  // does not open or has no page with an area.
  bool showPdf(const std::filesystem::path& pdf);
  void clear();

  const std::filesystem::path& pdfPath() const { return pdf_; }
  int pageCount() const { return static_cast<int>(frames_.size()); }
  // Where each page lies in the unzoomed content (points).
  const std::vector<ui::Rect>& pageFrames() const { return frames_; }
  // The page views alive now, by page number (1-based).
  const std::map<int, std::shared_ptr<ReaderContentPage>>& livePages() const { return live_; }
  // Some page on screen still waits for tiles being drawn.
  bool tilesPending() const;
  // The page at the top of what is shown (1-based; 0 without pages).
  int currentPage() const;
  // Scrolls page `number` (1-based, kept within the document) to the top,
  // as far as the content lets it go.
  void showPage(int number);
  // Scrolls to the end of the last page.
  void showEnd();
  // The zoom at which the widest page fills the view's width.
  double fitScale() const { return fitScale_; }

  void setFrame(const ui::Rect& frame) override;
  void layoutSubviews() override;
  ui::View* viewForZoomingInScrollView(ui::ScrollView& scrollView) override;
  void scrollViewDidScroll(ui::ScrollView& scrollView) override;
  void scrollViewDidZoom(ui::ScrollView& scrollView) override;

 private:
  explicit OfficePagesView(const ui::Rect& frame) : ui::ScrollView(frame) {}
  void updateZoomLimits();
  // Makes the page views that meet the visible band (a screen above and
  // below included) and lets the others go.
  void updateLivePages();

  std::filesystem::path pdf_;
  std::shared_ptr<ui::View> container_;
  std::vector<ui::Rect> frames_;
  std::map<int, std::shared_ptr<ReaderContentPage>> live_;
  double contentWidth_ = 0;
  double fitScale_ = 1;
};

}  // namespace mv
