#pragma once
// Sends a new company's sign-up to the service and tells the waiting form
// how it went. One per process, main thread only. The form is held weakly,
// so a reply that arrives after the form has closed reaches nobody.
#include <memory>
#include <string>

#include "sync/NetworkRecDelegate.hpp"
#include "sync/RegisterInfo.hpp"

namespace mv {

class RegisterModel;

class RegisterModelDelegate {
 public:
  virtual ~RegisterModelDelegate() = default;
  virtual void registerSuccess(RegisterModel& model, const std::string& message) = 0;
  virtual void registerFaild(RegisterModel& model, const std::string& message) = 0;
};

class RegisterModel : public NetworkRecDelegate, public std::enable_shared_from_this<RegisterModel> {
 public:
  static std::shared_ptr<RegisterModel> sharedInstance();

  std::shared_ptr<RegisterModelDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<RegisterModelDelegate> delegate) { delegate_ = std::move(delegate); }
  // Forgets the delegate when it is `delegate` (a form that closes).
  void clearDelegate(const RegisterModelDelegate* delegate);

  // Sends the sign-up; the request code, 0 when it could not be sent.
  int registerWithInfo(const RegisterInfo& info);

  void ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& result) override;

  RegisterModel(const RegisterModel&) = delete;
  RegisterModel& operator=(const RegisterModel&) = delete;

 private:
  RegisterModel() = default;
  std::weak_ptr<RegisterModelDelegate> delegate_;
};

}  // namespace mv
