#include "sync/requests/RequestLogin.hpp"

#include "platform/base/Paths.hpp"
#include "platform/base/UserDefaults.hpp"
#include "sync/ReplyValues.hpp"
#include "sync/requests/RequestBody.hpp"
#include "util/Crypto.hpp"
#include "util/Json.hpp"
#include "util/Session.hpp"

namespace mv {

RequestLogin::RequestLogin()
    : userName(Session::current().acountID),
      passWord(Session::current().password),
      clientID(Session::current().clientID),
      deviceID(Session::current().deviceID) {
  cmdCode = kCmdLogin;
  requestHead = "Vendor?";
  methodName = "login";
}

std::string RequestLogin::passwordDigest(const std::string& password) { return md5Hex(password, HexCase::Lower); }

std::optional<std::string> RequestLogin::RequestEncode() const {
  RequestBody body = makeBody();
  body.addElemValue(base::Bundle::shortVersion(), "version");
  body.addElemValue(userName, "accountId");
  body.addElemValue(deviceID, "deviceId");
  body.addElemValue(passwordDigest(passWord), "password");
  body.addElemValue(clientID, "clientId");
  // A client whose library was synced before on this device is not new here.
  auto synced = base::UserDefaults::standard().objectForKey(Session::current().clientID + "-FileSynced");
  body.addElemValue(synced && synced->is_string() ? "NO" : "YES", "firstLogin");
  return body.requestStr();
}

std::shared_ptr<NetBaseRst> RequestLogin::RequestDecode(const base::Value* recData) const {
  auto result = makeResult<LoginRst>(recData);
  if (!result->isSuccess()) return result;
  const base::Value* content = contentObject(recData);
  if (!content) {
    markMalformedReply(*result, "no content object");
    return result;
  }
  // A sign-in without a session, or for an account that is not a name, is
  // no sign-in: nothing of it may become the user's session.
  const base::Value* sessionId = member(*content, "sessionId");
  if (!sessionId || !sessionId->is_string() || sessionId->get<std::string>().empty()) {
    markMalformedReply(*result, "no session id text");
    return result;
  }
  const base::Value* vendorRecord = objectMember(*content, "vendor");
  if (const base::Value* account = vendorRecord ? member(*vendorRecord, "account") : nullptr;
      account && !account->is_string()) {
    markMalformedReply(*result, "an account that is not text");
    return result;
  }
  result->sessionId = sessionId->get<std::string>();
  result->needUpdate = int64Of(*content, "dataUpdated") != 0;
  result->needUpdateSkin = int64Of(*content, "skinUpdated") != 0;
  result->needSyncAll = int64Of(*content, "syncAll") != 0;
  result->email = textOf(*content, "email");
  result->companyName = textOf(*content, "company_name");
  result->companyLink = textOf(*content, "link");
  result->userAccess = int64Of(*content, "user_access");
  if (const base::Value* vendor = objectMember(*content, "vendor")) {
    result->account = textOf(*vendor, "account");
    result->clientId = textOf(*vendor, "clientId");
    result->device_id = textOf(*vendor, "device_id");
    result->device_token = textOf(*vendor, "device_token");
    result->discount = textOf(*vendor, "discount");
    result->is_locked = textOf(*vendor, "is_locked");
    result->password = textOf(*vendor, "password");
    result->phone = textOf(*vendor, "phone");
    result->username = textOf(*vendor, "username");
    result->vendor_group_id = textOf(*vendor, "vendor_group_id");
    result->vendor_id = textOf(*vendor, "vendor_id");
    result->vendor_state_id = textOf(*vendor, "vendor_state_id");
    result->hasBackup = boolValue(member(*vendor, "hasBackup"));
    result->lastBackupDate = doubleValue(member(*vendor, "lastBackupDate"));
  }
  return result;
}

}  // namespace mv
