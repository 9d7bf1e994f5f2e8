#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/RunLoop.hpp"
#include "platform/base/Value.hpp"

namespace ui {

// Delayed calls on the main loop, named by target, selector and argument so
// they can be cancelled together. A call whose target is gone is skipped.
class PerformRequests {
 public:
  // Calls `task` after `delay` seconds (0: next turn).
  static base::TimerId perform(const std::shared_ptr<void>& target, const std::string& selector,
                               std::function<void()> task, double delay,
                               std::optional<base::Value> argument = std::nullopt);
  // Cancels the target's pending calls of `selector` whose argument equals
  // `argument` (nothing matches only nothing).
  static void cancel(const void* target, const std::string& selector,
                     const std::optional<base::Value>& argument = std::nullopt);
  // Cancels every pending call of the target.
  static void cancelAll(const void* target);
  static void cancel(base::TimerId id);
  static std::size_t pendingCount(const void* target);
};

}  // namespace ui
