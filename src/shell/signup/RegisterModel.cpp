#include "shell/signup/RegisterModel.hpp"

#include "platform/base/MainThread.hpp"
#include "sync/CommandCode.hpp"
#include "sync/NetBaseRst.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/requests/RequestRegister.hpp"

namespace mv {

std::shared_ptr<RegisterModel> RegisterModel::sharedInstance() {
  MV_ASSERT_MAIN_THREAD();
  static const std::shared_ptr<RegisterModel> instance(new RegisterModel());
  return instance;
}

void RegisterModel::clearDelegate(const RegisterModelDelegate* delegate) {
  MV_ASSERT_MAIN_THREAD();
  auto current = delegate_.lock();
  if (!current || current.get() == delegate) delegate_.reset();
}

int RegisterModel::registerWithInfo(const RegisterInfo& info) {
  MV_ASSERT_MAIN_THREAD();
  auto request = std::make_shared<RequestRegister>(info);
  request->setReceiveDelegete(shared_from_this());
  return NetworkModel::sharedInstance().sendRequest(request);
}

void RegisterModel::ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& result) {
  MV_ASSERT_MAIN_THREAD();
  if (!result || result->cmdCode != kCmdRegister) return;
  auto d = delegate();
  if (!d) return;
  if (result->isSuccess()) {
    d->registerSuccess(*this, result->message);
  } else {
    d->registerFaild(*this, result->message);
  }
}

}  // namespace mv
