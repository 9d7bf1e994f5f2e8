#include "platform/ui/BarButtonItem.hpp"

#include "platform/ui/View.hpp"

namespace ui {

BarButtonItem::BarButtonItem(std::string title, BarButtonItemStyle style, Action action)
    : title_(std::move(title)), style_(style), action_(std::move(action)) {}

BarButtonItem::BarButtonItem(std::string title, BarButtonItemStyle style, std::weak_ptr<void> target, Action action)
    : title_(std::move(title)), style_(style), action_(std::move(action)), hasTarget_(true), target_(std::move(target)) {}

BarButtonItem::BarButtonItem(gfx::ImagePtr image, BarButtonItemStyle style, Action action)
    : image_(std::move(image)), style_(style), action_(std::move(action)) {}

BarButtonItem::BarButtonItem(BarButtonSystemItem item, Action action)
    : title_(systemTitle(item)),
      style_(item == BarButtonSystemItem::Done ? BarButtonItemStyle::Done : BarButtonItemStyle::Bordered),
      system_(item),
      action_(std::move(action)) {}

BarButtonItem::BarButtonItem(std::shared_ptr<View> customView) : customView_(std::move(customView)) {}

std::string BarButtonItem::systemTitle(BarButtonSystemItem item) {
  switch (item) {
    case BarButtonSystemItem::Done: return "Done";
    case BarButtonSystemItem::Cancel: return "Cancel";
    case BarButtonSystemItem::Edit: return "Edit";
    case BarButtonSystemItem::Save: return "Save";
    case BarButtonSystemItem::Add: return "+";
    case BarButtonSystemItem::Search: return "Search";
    case BarButtonSystemItem::Refresh: return "Refresh";
    case BarButtonSystemItem::Stop: return "Stop";
    case BarButtonSystemItem::Trash: return "Delete";
    case BarButtonSystemItem::Undo: return "Undo";
    case BarButtonSystemItem::Redo: return "Redo";
    case BarButtonSystemItem::Reply: return "Reply";
    case BarButtonSystemItem::Action: return "Share";
    case BarButtonSystemItem::Compose: return "Compose";
    case BarButtonSystemItem::Organize: return "Organize";
    case BarButtonSystemItem::Bookmarks: return "Bookmarks";
    case BarButtonSystemItem::Camera: return "Camera";
    case BarButtonSystemItem::Play: return "Play";
    case BarButtonSystemItem::Pause: return "Pause";
    case BarButtonSystemItem::Rewind: return "Rewind";
    case BarButtonSystemItem::FastForward: return "Forward";
    case BarButtonSystemItem::FlexibleSpace:
    case BarButtonSystemItem::FixedSpace: return "";
  }
  return "";
}

void BarButtonItem::changed() {
  if (onChange_) {
    auto keep = onChange_;
    keep();
  }
}

void BarButtonItem::setTitle(std::string title) {
  title_ = std::move(title);
  changed();
}

void BarButtonItem::setImage(gfx::ImagePtr image) {
  image_ = std::move(image);
  changed();
}

void BarButtonItem::setStyle(BarButtonItemStyle style) {
  style_ = style;
  changed();
}

void BarButtonItem::setEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  changed();
}

void BarButtonItem::setCustomView(std::shared_ptr<View> v) {
  customView_ = std::move(v);
  changed();
}

void BarButtonItem::setAction(Action action) {
  action_ = std::move(action);
  hasTarget_ = false;
  target_.reset();
}

void BarButtonItem::setTarget(std::weak_ptr<void> target, Action action) {
  action_ = std::move(action);
  hasTarget_ = true;
  target_ = std::move(target);
}

bool BarButtonItem::trigger() {
  if (!enabled_ || !action_) return false;
  std::shared_ptr<void> target;
  if (hasTarget_) {
    target = target_.lock();
    if (!target) return false;
  }
  auto keep = weak_from_this().lock();
  auto action = action_;
  action(*this);
  return true;
}

View* BarButtonItem::view() const { return view_.lock().get(); }

void BarButtonItem::attach(std::weak_ptr<View> view, std::function<void()> onChange) {
  view_ = std::move(view);
  onChange_ = std::move(onChange);
}

}  // namespace ui
