#pragma once
// The details of one account sign-up as the sign-up form collects them.
#include <string>

namespace mv {

struct RegisterInfo {
  std::string companyName;
  std::string companyId;
  std::string userName;
  std::string passWord;
  std::string email;
  std::string phone;
  std::string clientId;
};

}  // namespace mv
