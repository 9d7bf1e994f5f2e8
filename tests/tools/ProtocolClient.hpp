#pragma once
// A scripted client for the local sales service: plain HTTP with the request
// envelope the application sends, not the application's own protocol code.
#include <httplib.h>

#include <string>

#include "platform/base/Value.hpp"
#include "sales-service/SalesService.hpp"
#include "sales-service/ServiceCrypto.hpp"

namespace mv::test {

struct Reply {
  int http = 0;            // 0: no HTTP answer at all
  std::string body;
  base::Value json;        // discarded when the body is not JSON
  std::string setCookie;

  std::string status() const {
    if (!json.is_object() || !json.contains("results") || !json["results"].is_array() || json["results"].empty()) return "";
    return json["results"].back().value("status", std::string());
  }
  const base::Value& content() const { return json["content"]; }
};

class ProtocolClient {
 public:
  explicit ProtocolClient(sales::SalesService& service)
      : http_(service.host(), service.messagePort()) {
    http_.set_read_timeout(10, 0);
  }

  std::string deviceId = "0123456789abcdef0123456789abcdef01234567";
  std::string clientId = "acme";
  std::string accountId = "rep";
  std::string cookie;  // "JSESSIONID=..." after a login

  // Sends the parameters under the head; ";" heads get accountId, clientId and the cookie.
  Reply send(const std::string& head, base::Value parameters) {
    if (!head.empty() && head.back() == ';') {
      if (!parameters.contains("accountId")) parameters["accountId"] = accountId;
      if (!parameters.contains("clientId")) parameters["clientId"] = clientId;
    }
    base::Value body = {{"root", {{"parameters", parameters}}}};
    return sendBody(head, body.dump(), head.back() == ';' ? cookie : std::string());
  }

  Reply sendBody(const std::string& head, const std::string& body, const std::string& cookieHeader) {
    httplib::Headers headers;
    if (!cookieHeader.empty()) headers.emplace("Cookie", cookieHeader);
    auto res = http_.Post(("/MarvistoSaas/" + head).c_str(), headers, body, "applicatioin/bin;charset=UTF-8");
    Reply r;
    if (!res) return r;
    r.http = res->status;
    r.body = res->body;
    r.setCookie = res->get_header_value("Set-Cookie");
    r.json = base::Value::parse(r.body, nullptr, false);
    return r;
  }

  Reply login(const std::string& password = "secret") {
    Reply r = send("Vendor?", {{"methodName", "login"},
                               {"version", "1.0.0"},
                               {"accountId", accountId},
                               {"deviceId", deviceId},
                               {"password", sales::ServiceCrypto::md5Hex(password)},
                               {"clientId", clientId},
                               {"firstLogin", "YES"}});
    if (!r.setCookie.empty()) cookie = r.setCookie.substr(0, r.setCookie.find(';'));
    return r;
  }

  Reply syncTables(const std::string& type, bool full) {
    return send("SyncServer;", {{"methodName", "syncData"},
                                {"deviceId", deviceId},
                                {"syncType", type},
                                {"isFull", full ? "true" : "false"}});
  }

  Reply acknowledge(const std::string& tableType) {
    return send("SyncServer;", {{"methodName", "syncDataFinished"}, {"tableType", tableType}});
  }

  Reply upload(const base::Value& document) {
    return send("SyncClient;", {{"methodName", "syncData"}, {"syncData", document.dump()}});
  }

 private:
  httplib::Client http_;
};

}  // namespace mv::test
