#include "util/ServerInfo.hpp"

#include "util/Text.hpp"

namespace mv {

std::string ServerInfo::imageUrlStr() const {
  std::string s = imageIP;
  if (imageHttpPort >= 1 && imageHttpPort != 80) s += ":" + std::to_string(imageHttpPort);
  if (!isBlank(imageWebsiteServer)) s += "/" + imageWebsiteServer;
  return s;
}

std::string ServerInfo::msgURLWithHeader(const std::string& head) const {
  return percentEscapeURL("http://" + strIP + ":" + std::to_string(httpPort) + "/" + websiteServer + "/" + head);
}

}  // namespace mv
