#pragma once
// What the pull-to-refresh edge views read from and change on the scroll
// view they sit in: its offset, sizes, insets and whether a finger drags it.
// The edge views work through this interface, so their state machines run
// the same on a table and on a stand-in fed with offsets.
#include "platform/base/Geometry.hpp"

namespace ui {
class ScrollView;
}

namespace mv {

class ScrollViewProxy {
 public:
  virtual ~ScrollViewProxy() = default;
  virtual base::Point contentOffset() const = 0;
  virtual base::Size contentSize() const = 0;
  virtual base::Size boundsSize() const = 0;
  virtual base::EdgeInsets contentInset() const = 0;
  virtual bool isDragging() const = 0;
  virtual void setContentInset(base::EdgeInsets insets) = 0;
  virtual void setContentOffset(base::Point offset, bool animated) = 0;
};

// The proxy of a real scroll view.
class ScrollViewReference final : public ScrollViewProxy {
 public:
  explicit ScrollViewReference(ui::ScrollView& scrollView) : scrollView_(scrollView) {}
  base::Point contentOffset() const override;
  base::Size contentSize() const override;
  base::Size boundsSize() const override;
  base::EdgeInsets contentInset() const override;
  bool isDragging() const override;
  void setContentInset(base::EdgeInsets insets) override;
  void setContentOffset(base::Point offset, bool animated) override;

 private:
  ui::ScrollView& scrollView_;
};

}  // namespace mv
