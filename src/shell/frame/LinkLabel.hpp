#pragma once
// An underlined label that reports a touch to its delegate, like a link.
#include <memory>

#include "platform/ui/Label.hpp"

namespace mv {

class LinkLabel;

class LinkLabelDelegate {
 public:
  virtual ~LinkLabelDelegate() = default;
  virtual void linkLabelTouche(LinkLabel& label, long tag) = 0;
};

class LinkLabel : public ui::Label {
 public:
  explicit LinkLabel(const ui::Rect& frame = {});

  std::shared_ptr<LinkLabelDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<LinkLabelDelegate> delegate) { delegate_ = std::move(delegate); }

  // Where the underline runs, in the label's bounds.
  std::pair<ui::Point, ui::Point> underline() const;

  void drawRect(gfx::Context& ctx, const ui::Rect& rect) override;
  void touchesBegan(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesEnded(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesCancelled(const ui::TouchSet& touches, const ui::Event& event) override;

 private:
  void touchFinished();
  std::weak_ptr<LinkLabelDelegate> delegate_;
};

}  // namespace mv
