#include "catalog/CatalogFeedback.hpp"

#include "shell/frame/ScreenAlert.hpp"
#include "shell/frame/UIToast.hpp"
#include "shell/config/Language.hpp"

namespace mv {

std::string CatalogFeedback::text(const std::string& key) { return textOrEmpty(Language::stringWithName(key)); }

void CatalogFeedback::toast(const std::string& key) {
  auto toast = std::make_shared<UIToast>();
  toast->show(text(key));
}

std::shared_ptr<ui::AlertView> CatalogFeedback::alert(const std::string& titleKey, const std::string& messageKey) {
  return alertWithMessage(titleKey, text(messageKey));
}

std::shared_ptr<ui::AlertView> CatalogFeedback::alertWithMessage(const std::string& titleKey,
                                                                 const std::string& message) {
  return ScreenAlert{0, text(titleKey), message, text("OK"), {}}.show({});
}

void CatalogFeedback::tellReadRefused() {
  ScreenAlert{0, text("CATALOGNOTREADTITLE"), text("CATALOGNOTREAD"), text("OK"), {}}.showOnce({});
}

}  // namespace mv
