#pragma once
// Sign-in with the service (command 258).
#include <cstdint>
#include <string>

#include "sync/requests/RequestInterfaceBase.hpp"

namespace mv {

class LoginRst : public NetBaseRst {
 public:
  std::string sessionId;
  std::string email;
  std::string companyName;
  std::string companyLink;
  std::int64_t userAccess = 0;
  bool needUpdate = false;
  bool needUpdateSkin = false;
  bool needSyncAll = false;
  // The vendor record.
  std::string account;
  std::string clientId;
  std::string device_id;
  std::string device_token;
  std::string discount;
  std::string is_locked;
  std::string password;
  std::string phone;
  std::string username;
  std::string vendor_group_id;
  std::string vendor_id;
  std::string vendor_state_id;
  bool hasBackup = false;
  // Seconds since 1970, kept at full precision: it is sent back to find the
  // backup again.
  double lastBackupDate = 0;
  std::string userId;
};

class RequestLogin : public RequestInterfaceBase {
 public:
  // Takes the user from the session.
  RequestLogin();

  std::string userName;
  // The password as typed; only its digest is sent.
  std::string passWord;
  std::string clientID;
  std::string deviceID;

  std::optional<std::string> RequestEncode() const override;
  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;

  // The digest sent as "password": 32 lower-case hexadecimal digits of the
  // MD5 of the UTF-8 password.
  static std::string passwordDigest(const std::string& password);
};

}  // namespace mv
