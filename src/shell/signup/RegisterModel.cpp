#include "shell/signup/RegisterModel.hpp"

#include "platform/base/MainThread.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/requests/RequestRegister.hpp"

namespace mv {

RegisterModel::RegisterModel(std::shared_ptr<RequestSender> sender)
    : sender_(sender ? std::move(sender) : NetworkModel::sharedSender()) {
  MV_ASSERT_MAIN_THREAD();
}

void RegisterModel::setSender(std::shared_ptr<RequestSender> sender) {
  MV_ASSERT_MAIN_THREAD();
  request_.cancelAll();
  sender_ = sender ? std::move(sender) : NetworkModel::sharedSender();
}

void RegisterModel::clearDelegate(const RegisterModelDelegate* delegate) {
  MV_ASSERT_MAIN_THREAD();
  auto current = delegate_.lock();
  if (!current || current.get() == delegate) delegate_.reset();
}

void RegisterModel::abandon() {
  MV_ASSERT_MAIN_THREAD();
  request_.cancelAll();
}

int RegisterModel::registerWithInfo(const RegisterInfo& info) {
  MV_ASSERT_MAIN_THREAD();
  request_.cancelAll();
  return sender_->sendFor<RegisterRst>(std::make_shared<RequestRegister>(info), request_,
                                       [this](const RegisterRst& result) { registered(result); });
}

void RegisterModel::registered(const RegisterRst& result) {
  auto d = delegate();
  if (!d) return;
  // The status the service answers for a client id it already has.
  static const std::string kClientIdTaken = "409";
  if (result.isSuccess()) {
    d->registerSuccess(*this, result.message);
  } else if (result.status == kClientIdTaken) {
    d->registerTaken(*this, result.message);
  } else {
    d->registerFaild(*this, result.message);
  }
}

}  // namespace mv
