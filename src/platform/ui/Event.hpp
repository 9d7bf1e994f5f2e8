#pragma once
#include <memory>
#include <vector>

#include "platform/ui/Responder.hpp"

namespace ui {

class View;
class GestureRecognizer;

// The touches of one moment: every finger currently down, the one that
// changed among them.
class Event {
 public:
  enum class Type { Touches, Motion };

  Event(double timestamp, TouchSet allTouches, Type type = Type::Touches)
      : timestamp_(timestamp), all_(std::move(allTouches)), type_(type) {}

  Type type() const { return type_; }
  double timestamp() const { return timestamp_; }
  const TouchSet& allTouches() const { return all_; }
  TouchSet touchesForView(const View* view) const;
  TouchSet touchesForGestureRecognizer(const GestureRecognizer* g) const;

 private:
  double timestamp_;
  TouchSet all_;
  Type type_;
};

}  // namespace ui
