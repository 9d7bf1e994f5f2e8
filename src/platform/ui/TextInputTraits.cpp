#include "platform/ui/TextInputTraits.hpp"

#include <algorithm>

#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/TextRange.hpp"

namespace ui {

std::string TextInputTraits::fitting(std::string typed, std::size_t textBytes, std::size_t replaced,
                                     const void* input) const {
  const std::size_t kept = textBytes - std::min(replaced, textBytes);
  // A text set longer by code is held to its own length: what the user
  // replaces in it goes in, so long as it grows no longer.
  const std::size_t most = std::max(maximumTextBytes_, textBytes);
  const std::size_t room = most > kept ? most - kept : 0;
  if (typed.size() <= room) return typed;
  typed.resize(codePointBoundary(typed, room));
  base::NotificationCenter::defaultCenter().post(TextCutNotification, input);
  return typed;
}

}  // namespace ui
