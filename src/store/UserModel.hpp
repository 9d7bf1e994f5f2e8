#pragma once
#include <optional>
#include <string>

#include "store/BaseDataModel.hpp"
#include "store/LoginInfo.hpp"

namespace mv {

// Users who signed in on this device, for offline sign-in. Passwords are kept
// only as salted hashes.
class UserModel : public BaseDataModel {
 public:
  using BaseDataModel::BaseDataModel;
  // Also turns passwords of an older table into hashes.
  [[nodiscard]] bool updateVersion() override;

  [[nodiscard]] bool saveUserInfo(const LoginInfo& info);
  // "210" no user of the client id (case ignored), "201" none of that client
  // and device, "202" the user name is unknown there, "206" the password
  // differs, "200" all match.
  std::string checkLocalUserInfo(const LoginInfo& info);
  // The user of that name (case ignored); its password is not returned.
  std::optional<LoginInfo> getUserInfo(const std::string& userName);
};

}  // namespace mv
