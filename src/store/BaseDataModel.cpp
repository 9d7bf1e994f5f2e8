#include "store/BaseDataModel.hpp"

#include "util/Session.hpp"
#include "util/Text.hpp"

namespace mv {

std::string BaseDataModel::likeContains(std::string_view text) {
  std::string pattern = "%";
  for (char c : text) {
    if (c == '%' || c == '_' || c == '\\') pattern += '\\';
    pattern += c;
  }
  return pattern + "%";
}

std::string BaseDataModel::displaySku(const std::string& storedSku, int productId) {
  std::string client = Session::current().clientID;
  if (client.empty() || storedSku.empty()) return storedSku;
  // Client ids name folders case-blind; the service may write either case.
  if (equalsIgnoringCase(storedSku, client + "_" + std::to_string(productId))) return "";
  return storedSku;
}

}  // namespace mv
