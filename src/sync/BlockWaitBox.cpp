#include "sync/BlockWaitBox.hpp"

#include "platform/base/MainThread.hpp"

namespace mv {
namespace {

std::shared_ptr<BlockWaitBox>& slot() {
  static std::shared_ptr<BlockWaitBox> box;
  return box;
}

}  // namespace

void BlockWaitBox::install(std::shared_ptr<BlockWaitBox> box) {
  MV_ASSERT_MAIN_THREAD();
  slot() = std::move(box);
}

std::shared_ptr<BlockWaitBox> BlockWaitBox::installed() {
  MV_ASSERT_MAIN_THREAD();
  return slot();
}

}  // namespace mv
