#include "widgets/ScrollViewProxy.hpp"

#include "platform/ui/ScrollView.hpp"

namespace mv {

base::Point ScrollViewReference::contentOffset() const { return scrollView_.contentOffset(); }
base::Size ScrollViewReference::contentSize() const { return scrollView_.contentSize(); }
base::Size ScrollViewReference::boundsSize() const { return scrollView_.bounds().size; }
base::EdgeInsets ScrollViewReference::contentInset() const { return scrollView_.contentInset(); }
bool ScrollViewReference::isDragging() const { return scrollView_.isDragging(); }
void ScrollViewReference::setContentInset(base::EdgeInsets insets) { scrollView_.setContentInset(insets); }
void ScrollViewReference::setContentOffset(base::Point offset, bool animated) {
  scrollView_.setContentOffset(offset, animated);
}

}  // namespace mv
