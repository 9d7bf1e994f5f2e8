#pragma once
// What the sign-in panel asks of the screen that holds it.
#include <string>

#include "store/LoginInfo.hpp"

namespace mv {

class LoginDelegate {
 public:
  virtual ~LoginDelegate() = default;
  // Sign in with the record (typed, or from a saved shortcut).
  virtual void login(const LoginInfo& /*info*/, bool /*isFromInput*/, bool /*isAutoLogin*/) {}
  // Sign in to a demo company.
  virtual void login(const std::string& /*clientId*/) {}
  virtual void openURLInWebView(const std::string& /*url*/) {}
  virtual void registerBtnClick() {}
};

}  // namespace mv
