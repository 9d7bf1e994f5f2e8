#include "sync/BlockWaitBox.hpp"

namespace mv {
namespace {

std::shared_ptr<BlockWaitBox>& slot() {
  static std::shared_ptr<BlockWaitBox> box;
  return box;
}

}  // namespace

void BlockWaitBox::install(std::shared_ptr<BlockWaitBox> box) { slot() = std::move(box); }

std::shared_ptr<BlockWaitBox> BlockWaitBox::installed() { return slot(); }

}  // namespace mv
