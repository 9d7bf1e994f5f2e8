#include "sync/requests/RequestConfig.hpp"

#include "sync/ReplyValues.hpp"
#include "sync/requests/RequestBody.hpp"
#include "util/Json.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"
#include "util/Text.hpp"

namespace mv {

RequestConfig::RequestConfig() {
  cmdCode = kCmdConfig;
  requestHead = "Component?";
  methodName = "loadConfigurationData";
}

std::optional<std::string> RequestConfig::RequestEncode() const {
  RequestBody body = makeBody();
  body.addElemValue(clientId, "clientId");
  return body.requestStr();
}

void RequestConfig::decodeConfiguration(ConfigRst& result, const base::Value& content, bool withLayout) {
  const std::string clientId = Session::current().clientID;
  const std::string now = PublicFunction::currentTime();
  auto add = [&](const char* type, std::string desc) {
    ConfigEntity entry;
    entry.clientid = clientId;
    entry.update_date = now;
    entry.configType = type;
    entry.desc = std::move(desc);
    result.configTable.push_back(std::move(entry));
  };

  if (withLayout) {
    if (const base::Value* switches = objectMember(content, "configuration")) {
      auto home = optionalTextOf(*switches, "home");
      auto category = optionalTextOf(*switches, "category");
      auto customer = optionalTextOf(*switches, "customer");
      auto inventory = optionalTextOf(*switches, "inventory");
      auto library = optionalTextOf(*switches, "library");
      auto sync = optionalTextOf(*switches, "sync");
      if (home && category && customer && inventory && library && sync) {
        // A missing "order" switch keeps the placeholder the tab bar reads as off.
        std::string order = optionalTextOf(*switches, "order").value_or("(null)");
        add("configuration", *home + "," + *category + "," + *customer + "," + *inventory + "," + *library + "," +
                                 order + "," + *sync);
      }
    }
  }
  if (const base::Value* app = objectMember(content, "appConfiguration")) {
    std::string dateFormat = textOf(*app, "dateformat");
    add("date_format", dateFormat.empty() ? std::string("MM/dd/yy") : dateFormat);
    auto modifyPrice = optionalTextOf(*app, "modifyprice");
    add("modify_price", modifyPrice && !trimWhitespaceAndNewlines(*modifyPrice).empty() ? *modifyPrice : "0");
  }
  if (withLayout) {
    if (const base::Value* settings = objectMember(content, "settings")) {
      if (auto viewType = optionalTextOf(*settings, "view_type")) add("left_panel", *viewType);
      if (auto orderMethod = optionalTextOf(*settings, "order_method")) add("order_method", *orderMethod);
    }
  }
}

std::shared_ptr<NetBaseRst> RequestConfig::RequestDecode(const base::Value* recData) const {
  auto result = makeResult<ConfigRst>(recData);
  if (!result->isSuccess()) return result;
  const base::Value* content = contentObject(recData);
  if (!content) {
    markMalformedReply(*result, "no content object");
    return result;
  }
  decodeConfiguration(*result, *content, withLayout_);
  return result;
}

}  // namespace mv
