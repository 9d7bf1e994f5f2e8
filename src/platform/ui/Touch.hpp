#pragma once
#include <memory>
#include <vector>

#include "platform/base/Geometry.hpp"

namespace ui {

class View;
class Window;
class GestureRecognizer;

enum class TouchPhase { Began, Moved, Stationary, Ended, Cancelled };

// One finger on the screen, from touch-down to lift. It stays bound to the
// view hit at touch-down; locations are kept in window coordinates.
class Touch {
 public:
  Touch(long identifier, base::Point windowPoint, double timestamp);

  long identifier() const { return id_; }
  TouchPhase phase() const { return phase_; }
  double timestamp() const { return timestamp_; }
  int tapCount() const { return tapCount_; }
  // The view hit at touch-down (nothing once that view is gone).
  View* view() const;
  std::shared_ptr<View> viewPtr() const { return view_.lock(); }
  Window* window() const;
  // Location in `v`'s coordinates; nothing (nullptr) means the window's.
  base::Point locationInView(const View* v) const;
  base::Point previousLocationInView(const View* v) const;
  base::Point windowLocation() const { return location_; }
  // Recognisers that receive this touch, in delivery order.
  std::vector<std::shared_ptr<GestureRecognizer>> gestureRecognizers() const;

  // Set by the window while delivering.
  void setView(const std::shared_ptr<View>& v);
  void setWindow(const std::shared_ptr<Window>& w);
  void update(TouchPhase phase, base::Point windowPoint, double timestamp);
  void setTapCount(int n) { tapCount_ = n; }
  void addGestureRecognizer(const std::shared_ptr<GestureRecognizer>& g);
  void removeGestureRecognizer(const GestureRecognizer* g);
  // Once cancelled for its view (a recogniser took it over), the view hears
  // nothing more of it.
  bool isDeliveryCancelled() const { return deliveryCancelled_; }
  void setDeliveryCancelled() { deliveryCancelled_ = true; }
  // Set once the view has been told the touch ended or was cancelled.
  bool isDeliveryFinished() const { return deliveryFinished_; }
  void setDeliveryFinished() { deliveryFinished_ = true; }
  // The window point where the touch began.
  base::Point startLocation() const { return start_; }

 private:
  long id_;
  TouchPhase phase_ = TouchPhase::Began;
  base::Point location_, previous_, start_;
  double timestamp_;
  int tapCount_ = 1;
  std::weak_ptr<View> view_;
  std::weak_ptr<Window> window_;
  std::vector<std::weak_ptr<GestureRecognizer>> recognizers_;
  bool deliveryCancelled_ = false;
  bool deliveryFinished_ = false;
};

}  // namespace ui
