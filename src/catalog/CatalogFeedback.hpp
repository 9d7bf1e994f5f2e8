#pragma once
// The catalogue screens' texts and short messages: a text key's text in the
// interface language, a toast of it, and the plain one-button alerts.
#include <memory>
#include <string>

#include "platform/ui/AlertView.hpp"

namespace mv {

class CatalogFeedback {
 public:
  // The key's text; empty for a key the table lacks.
  static std::string text(const std::string& key);
  // A toast of the key's text.
  static void toast(const std::string& key);
  // An alert of two keys' texts with the one button "OK" and no delegate.
  static std::shared_ptr<ui::AlertView> alert(const std::string& titleKey, const std::string& messageKey);
  // The same with a message that is already text.
  static std::shared_ptr<ui::AlertView> alertWithMessage(const std::string& titleKey, const std::string& message);
  // Tells that the store kept refusing a list's read, once however many
  // lists gave up at the same time.
  static void tellReadRefused();
};

}  // namespace mv
