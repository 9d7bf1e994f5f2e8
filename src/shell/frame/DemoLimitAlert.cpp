#include "shell/frame/DemoLimitAlert.hpp"

#include "platform/ui/Application.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace mv {

std::shared_ptr<ui::AlertView> DemoLimitAlert::show() {
  auto alert = std::make_shared<ui::AlertView>(text("FUNCTIONLIMITED"), text("DEMOMODELOGIN"),
                                               std::weak_ptr<ui::AlertViewDelegate>(), text("ISEE"),
                                               std::vector<std::string>{text("SIGNUPNOW")});
  alert->setTag(kTag);
  alert->onClicked = [](ui::AlertView& shown, long buttonIndex) {
    if (buttonIndex == shown.firstOtherButtonIndex()) ui::Application::sharedInstance().openURL(signUpPageURL());
  };
  alert->show();
  return alert;
}

std::string DemoLimitAlert::signUpPageURL() {
  return "http://" + percentEscapeURL(PublicFunction::GetServer().imageUrlStr()) + kSignUpPath;
}

}  // namespace mv
