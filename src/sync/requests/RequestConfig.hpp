#pragma once
// The company's configuration: which tabs are shown, date format, price
// editing, left panel and order method (command 260).
#include <string>
#include <vector>

#include "store/Entities.hpp"
#include "sync/requests/RequestInterfaceBase.hpp"

namespace mv {

// Configuration rows: "configuration" (the seven tab switches in tab order:
// home, category, customer, inventory, library, order, sync), "date_format",
// "modify_price", "left_panel" and "order_method".
class ConfigRst : public NetBaseRst {
 public:
  std::vector<ConfigEntity> configTable;
};

class RequestConfig : public RequestInterfaceBase {
 public:
  RequestConfig();

  std::string clientId;

  std::optional<std::string> RequestEncode() const override;
  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;

  // The rows of a configuration reply; `withLayout` also reads the tab
  // switches and the "settings" (the runtime configuration carries neither).
  static void decodeConfiguration(ConfigRst& result, const base::Value& content, bool withLayout);

 protected:
  // Whether replies carry the tab switches and the "settings".
  bool withLayout_ = true;
};

}  // namespace mv
