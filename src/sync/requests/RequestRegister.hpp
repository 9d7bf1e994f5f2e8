#pragma once
// Signs up a new company account (command 257).
#include <string>

#include "sync/RegisterInfo.hpp"
#include "sync/requests/RequestInterfaceBase.hpp"

namespace mv {

// Status, detail and message only.
class RegisterRst : public NetBaseRst {};

class RequestRegister : public RequestInterfaceBase {
 public:
  RequestRegister();
  explicit RequestRegister(const RegisterInfo& info);

  std::string companyName;
  std::string companyId;
  std::string userName;
  // The password as typed; it is sent enciphered.
  std::string passWord;
  std::string email;
  std::string phone;

  std::optional<std::string> RequestEncode() const override;
  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;
};

}  // namespace mv
