#pragma once
// The server settings: the message service (host, port, path) and the file
// endpoint (host, port, path) that images and library files come from.
#include <cstdint>
#include <string>

namespace mv {

struct ServerInfo {
  std::string strIP;
  std::string websiteServer;
  std::string imageIP;
  std::string imageWebsiteServer;
  std::int64_t httpPort = 0;
  std::int64_t imageHttpPort = 0;

  // Factory values, also written for any setting missing from the user defaults.
  static constexpr const char* kDefaultIP = "127.0.0.1";
  static constexpr std::int64_t kDefaultPort = 48080;
  static constexpr const char* kDefaultPath = "MarvistoSaas";
  static constexpr const char* kDefaultImageIP = "127.0.0.1";
  static constexpr std::int64_t kDefaultImagePort = 480;
  static constexpr const char* kDefaultImagePath = "marvisto_saas";

  // The file endpoint's part of a URL (unescaped): the host, ":port" unless the
  // port is below 1 or 80, "/path" unless the path is blank.
  std::string imageUrlStr() const;
  // The address of a message request: "http://host:port/path/head",
  // percent-escaped as UTF-8 with the URL delimiters (";" and "?" among them)
  // kept, so a head such as "Vendor?" or "SyncClient;" reaches the server as is.
  std::string msgURLWithHeader(const std::string& head) const;

  friend bool operator==(const ServerInfo&, const ServerInfo&) = default;
};

}  // namespace mv
