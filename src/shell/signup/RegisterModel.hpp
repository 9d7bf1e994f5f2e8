#pragma once
// Sends a new company's sign-up to the service and tells the waiting form
// how it went. The sign-up form owns one, made by whoever opens the form
// (no session exists yet), so it goes with the form and a reply that comes
// later reaches nobody. Main thread only.
#include <memory>
#include <string>

#include "platform/base/CancelTracker.hpp"
#include "sync/RegisterInfo.hpp"

namespace mv {

class RegisterModel;
class RegisterRst;
class RequestSender;

class RegisterModelDelegate {
 public:
  virtual ~RegisterModelDelegate() = default;
  virtual void registerSuccess(RegisterModel& model, const std::string& message) = 0;
  virtual void registerFaild(RegisterModel& model, const std::string& message) = 0;
  // The service already has the client id: perhaps the user's own, from a
  // sign-up abandoned after the service took it. A failure unless the
  // delegate offers more.
  virtual void registerTaken(RegisterModel& model, const std::string& message) { registerFaild(model, message); }
};

class RegisterModel {
 public:
  // Sends through `sender`; the network model's when none is given.
  explicit RegisterModel(std::shared_ptr<RequestSender> sender = nullptr);

  std::shared_ptr<RegisterModelDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<RegisterModelDelegate> delegate) { delegate_ = std::move(delegate); }
  // Forgets the delegate when it is `delegate` (a form that closes).
  void clearDelegate(const RegisterModelDelegate* delegate);

  // Sends the sign-up; the request code, -1 when it could not be sent. A
  // sign-up sent again replaces the one on its way.
  int registerWithInfo(const RegisterInfo& info);
  // The user gave up waiting: the sign-up on its way is dropped and its
  // answer, should it still come, reaches no one.
  void abandon();
  // Who carries the sign-up: the network model unless a test says otherwise.
  void setSender(std::shared_ptr<RequestSender> sender);

  RegisterModel(const RegisterModel&) = delete;
  RegisterModel& operator=(const RegisterModel&) = delete;

 private:
  void registered(const RegisterRst& result);

  std::weak_ptr<RegisterModelDelegate> delegate_;
  std::shared_ptr<RequestSender> sender_;
  // The sign-up on its way.
  base::CancelTracker request_;
};

}  // namespace mv
