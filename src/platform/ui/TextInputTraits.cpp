#include "platform/ui/TextInputTraits.hpp"

#include <algorithm>

#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/TextRange.hpp"

namespace ui {

std::string TextInputTraits::fitting(std::string typed, std::size_t textBytes, std::size_t replaced,
                                     const void* input) const {
  const std::size_t kept = textBytes - std::min(replaced, textBytes);
  const std::size_t room = maximumTextBytes_ > kept ? maximumTextBytes_ - kept : 0;
  if (typed.size() <= room) return typed;
  typed.resize(codePointBoundary(typed, room));
  base::NotificationCenter::defaultCenter().post(TextCutNotification, input);
  return typed;
}

}  // namespace ui
