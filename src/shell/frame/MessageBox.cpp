#include "shell/frame/MessageBox.hpp"

#include <cmath>

#include "platform/base/MainThread.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Window.hpp"
#include "sync/BlockWaitBox.hpp"
#include "widgets/ProgressHUD.hpp"

namespace mv {
namespace {

class WaitBoxForSync : public BlockWaitBox {
 public:
  int BeginBlockWait(const std::string& text, double timeout) override {
    return MessageBox::sharedInstance().BeginBlockWait(text, timeout);
  }
  void EndBlockWait(int tag) override { MessageBox::sharedInstance().EndBlockWait(tag); }
};

}  // namespace

void MessageBox::installAsBlockWaitBox() {
  if (!std::dynamic_pointer_cast<WaitBoxForSync>(BlockWaitBox::installed())) {
    BlockWaitBox::install(std::make_shared<WaitBoxForSync>());
  }
}

std::shared_ptr<ui::Window> MessageBox::hostWindow() const {
  if (auto window = hostWindow_.lock()) return window;
  return ui::Application::sharedInstance().keyWindowPtr();
}

MessageBox& MessageBox::sharedInstance() {
  static MessageBox* instance = new MessageBox();
  return *instance;
}

int MessageBox::BeginBlockWait(const std::string& text, double timeout) {
  MV_ASSERT_MAIN_THREAD();
  const int tag = ++counter_;
  EndBlockWait();
  auto hud = present(tag, text);
  ChildMsgBox& box = msgBoxDic_[tag];
  box.text = text;
  box.hud = std::move(hud);
  waitMsgBoxtag_ = tag;
  const double whole = timeout > 0 ? std::trunc(timeout) : 0;
  box.timer = timeouts_.after(whole, [this, tag] { close(tag, true); });
  return tag;
}

std::shared_ptr<ProgressHUD> MessageBox::present(int tag, const std::string& text) {
  auto window = hostWindow();
  if (!window) return nullptr;  // no window (headless tools): the box is only a record
  auto hud = ProgressHUD::initWithWindow(*window);
  hud->setTag(tag);
  hud->setLabelText(text);
  hud->setOpacity(0.7);
  hud->setDimBackground(true);
  hud->setRemoveFromSuperViewOnHide(true);
  window->addSubview(hud);
  hud->show(true);
  return hud;
}

void MessageBox::ChangeWaitMessage(const std::string& text) {
  MV_ASSERT_MAIN_THREAD();
  auto it = msgBoxDic_.find(waitMsgBoxtag_);
  if (it == msgBoxDic_.end()) return;
  it->second.text = text;
  if (it->second.hud) it->second.hud->setLabelText(text);
}

void MessageBox::EndBlockWait() {
  MV_ASSERT_MAIN_THREAD();
  const int tag = waitMsgBoxtag_;
  waitMsgBoxtag_ = 0;
  if (tag) close(tag, false);
}

void MessageBox::EndBlockWait(int tag) {
  MV_ASSERT_MAIN_THREAD();
  if (tag <= 0) return;
  close(tag, false);
}

void MessageBox::close(int tag, bool byTimeout) {
  auto it = msgBoxDic_.find(tag);
  if (it == msgBoxDic_.end()) return;
  // Taken out first: hiding the box may run code that begins another.
  ChildMsgBox box = std::move(it->second);
  msgBoxDic_.erase(it);
  // A box that goes away, by its time-out too, is no longer current: a
  // later text change must not go to a box nobody sees.
  if (waitMsgBoxtag_ == tag) waitMsgBoxtag_ = 0;
  if (!byTimeout) timeouts_.cancel(box.timer);
  if (box.hud) box.hud->hide(true);
}

int MessageBox::waitMsgBoxtag() const {
  MV_ASSERT_MAIN_THREAD();
  return waitMsgBoxtag_;
}

bool MessageBox::isShowing(int tag) const {
  MV_ASSERT_MAIN_THREAD();
  return msgBoxDic_.count(tag) != 0;
}

std::optional<std::string> MessageBox::currentText() const {
  MV_ASSERT_MAIN_THREAD();
  auto it = msgBoxDic_.find(waitMsgBoxtag_);
  if (it == msgBoxDic_.end()) return std::nullopt;
  return it->second.text;
}

std::size_t MessageBox::boxCount() const {
  MV_ASSERT_MAIN_THREAD();
  return msgBoxDic_.size();
}

void MessageBox::resetForTesting() {
  MV_ASSERT_MAIN_THREAD();
  std::map<int, ChildMsgBox> boxes;
  boxes.swap(msgBoxDic_);
  waitMsgBoxtag_ = 0;
  timeouts_.cancelAll();
  for (auto& [tag, box] : boxes) {
    if (box.hud) box.hud->removeFromSuperview();
  }
}

}  // namespace mv
