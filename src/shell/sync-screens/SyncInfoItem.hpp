#pragma once
// One row of the Sync tab's panel: the part's title, the time of the last
// sync, an image progress bar and the progress text under the time.
#include <memory>
#include <string>

#include "platform/ui/Label.hpp"
#include "platform/ui/View.hpp"
#include "widgets/MVProgressView.hpp"

namespace mv {

class SyncInfoItem : public ui::View {
 public:
  static constexpr double kBarWidth = 800;
  static constexpr double kBarHeight = 8;

  explicit SyncInfoItem(const ui::Rect& frame);

  float progress() const { return progress_->progress(); }
  // Sets the bar; a whole bar reads "COMPLETED".
  void setProgress(float progress);
  std::string lbprogressTxt() const { return lbprogressTxt_->text(); }
  void setLbprogressTxt(const std::string& text) { lbprogressTxt_->setText(text); }
  // The last sync time shown in the row.
  void setDateValue(const std::string& text) { lbDatevalue_->setText(text); }

  // The row's texts in the interface language; the date shows "NORECORD"
  // until the screen writes the last sync time again.
  void notifiChangelanguage();

  ui::Label& lbTittle() const { return *lbTittle_; }
  ui::Label& lbDateTag() const { return *lbDateTag_; }
  ui::Label& lbDatevalue() const { return *lbDatevalue_; }
  ui::Label& lbprogressTxtLabel() const { return *lbprogressTxt_; }
  MVProgressView& progressView() const { return *progress_; }

 private:
  std::shared_ptr<ui::Label> lbTittle_;
  std::shared_ptr<ui::Label> lbDateTag_;
  std::shared_ptr<ui::Label> lbDatevalue_;
  std::shared_ptr<MVProgressView> progress_;
  std::shared_ptr<ui::Label> lbprogressTxt_;
};

}  // namespace mv
