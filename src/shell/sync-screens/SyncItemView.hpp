#pragma once
// A plain white panel of the Sync tab with a heading and a rule under it.
// Made through `create` (or a subclass's), which runs `initializationView`
// once the panel is owned by a shared pointer.
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/View.hpp"

namespace mv {

class SyncItemView : public ui::View {
 public:
  static std::shared_ptr<SyncItemView> create(const ui::Rect& frame);

  std::string title() const { return lblTitle_ ? lblTitle_->text() : std::string(); }
  // Nothing writes "".
  void setTitle(const std::optional<std::string>& title);
  ui::Rect viewFrame() const { return frame(); }
  ui::Label* titleLabel() const { return lblTitle_.get(); }

 protected:
  explicit SyncItemView(const ui::Rect& frame) : ui::View(frame) {}
  virtual void initializationView(const ui::Rect& frame);

  std::shared_ptr<ui::Label> lblTitle_;
  std::shared_ptr<ui::ImageView> imatitle_;
};

}  // namespace mv
