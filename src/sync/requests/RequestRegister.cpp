#include "sync/requests/RequestRegister.hpp"

#include "platform/base/Log.hpp"
#include "sync/requests/RequestBody.hpp"
#include "util/Crypto.hpp"

namespace mv {

RequestRegister::RequestRegister() {
  cmdCode = kCmdRegister;
  requestHead = "Vendor?";
  methodName = "register";
}

RequestRegister::RequestRegister(const RegisterInfo& info) : RequestRegister() {
  companyName = info.companyName;
  companyId = info.companyId;
  userName = info.userName;
  passWord = info.passWord;
  email = info.email;
  phone = info.phone;
}

std::optional<std::string> RequestRegister::RequestEncode() const {
  auto enciphered = tripleDES(passWord, kTripleDESEncrypt);
  if (!enciphered) {
    MV_LOG("sign-up password could not be enciphered");
    return std::nullopt;
  }
  RequestBody body = makeBody();
  body.addElemValue(companyName, "companyname");
  body.addElemValue(companyId, "companyid");
  body.addElemValue(userName, "username");
  body.addElemValue(*enciphered, "password");
  body.addElemValue(email, "email");
  body.addElemValue(phone, "phone");
  return body.requestStr();
}

std::shared_ptr<NetBaseRst> RequestRegister::RequestDecode(const base::Value* recData) const {
  return makeResult<RegisterRst>(recData);
}

}  // namespace mv
