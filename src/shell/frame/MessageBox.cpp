#include "shell/frame/MessageBox.hpp"

#include <cmath>

#include "platform/ui/Application.hpp"
#include "platform/ui/Window.hpp"
#include "shell/frame/MarvistoAppDelegate.hpp"
#include "sync/BlockWaitBox.hpp"
#include "widgets/ProgressHUD.hpp"

namespace mv {
namespace {

std::shared_ptr<ui::Window> boxWindow() {
  if (auto app = MarvistoAppDelegate::current()) {
    if (auto w = app->window()) return w;
  }
  return ui::Application::sharedInstance().keyWindowPtr();
}

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

MessageBox& MessageBox::sharedInstance() {
  static MessageBox* instance = new MessageBox();
  return *instance;
}

int MessageBox::BeginBlockWait(const std::string& text, double timeout) {
  int tag = 0;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    tag = ++counter_;
  }
  EndBlockWait();
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    ChildMsgBox box;
    box.text = text;
    msgBoxDic_[tag] = std::move(box);
    waitMsgBoxtag_ = tag;
  }
  auto& loop = base::RunLoop::main();
  if (loop.isMainThread()) {
    present(tag);
  } else {
    loop.post([this, tag] { present(tag); });
  }
  const double whole = timeout > 0 ? std::trunc(timeout) : 0;
  auto schedule = [this, tag, whole] {
    const base::TimerId id = base::RunLoop::main().after(whole, [this, tag] { close(tag, true); });
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto it = msgBoxDic_.find(tag);
    if (it != msgBoxDic_.end()) {
      it->second.timer = id;
    } else {
      base::RunLoop::main().cancel(id);
    }
  };
  if (loop.isMainThread()) {
    schedule();
  } else {
    loop.post(schedule);
  }
  return tag;
}

void MessageBox::present(int tag) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto it = msgBoxDic_.find(tag);
  if (it == msgBoxDic_.end() || it->second.hud) return;
  auto window = boxWindow();
  if (!window) return;  // no window (headless tools): the box is only a record
  auto hud = ProgressHUD::initWithWindow(*window);
  hud->setTag(tag);
  hud->setLabelText(it->second.text);
  hud->setOpacity(0.7);
  hud->setDimBackground(true);
  hud->setRemoveFromSuperViewOnHide(true);
  window->addSubview(hud);
  hud->show(true);
  it->second.hud = std::move(hud);
}

void MessageBox::ChangeWaitMessage(const std::string& text) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto it = msgBoxDic_.find(waitMsgBoxtag_);
  if (it == msgBoxDic_.end()) return;
  it->second.text = text;
  if (it->second.hud) it->second.hud->setLabelText(text);
}

void MessageBox::EndBlockWait() {
  int tag = 0;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    tag = waitMsgBoxtag_;
    waitMsgBoxtag_ = 0;
  }
  if (tag) close(tag, false);
}

void MessageBox::EndBlockWait(int tag) {
  if (tag <= 0) return;
  close(tag, false);
}

void MessageBox::close(int tag, bool byTimeout) {
  ChildMsgBox box;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto it = msgBoxDic_.find(tag);
    if (it == msgBoxDic_.end()) return;
    box = std::move(it->second);
    msgBoxDic_.erase(it);
    // A box that goes away, by its time-out too, is no longer current: a
    // later text change must not go to a box nobody sees.
    if (waitMsgBoxtag_ == tag) waitMsgBoxtag_ = 0;
  }
  if (!byTimeout && box.timer) base::RunLoop::main().cancel(box.timer);
  if (box.hud) {
    auto hud = box.hud;
    if (base::RunLoop::main().isMainThread()) {
      hud->hide(true);
    } else {
      base::RunLoop::main().post([hud] { hud->hide(true); });
    }
  }
}

int MessageBox::waitMsgBoxtag() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return waitMsgBoxtag_;
}

bool MessageBox::isShowing(int tag) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return msgBoxDic_.count(tag) != 0;
}

std::optional<std::string> MessageBox::currentText() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto it = msgBoxDic_.find(waitMsgBoxtag_);
  if (it == msgBoxDic_.end()) return std::nullopt;
  return it->second.text;
}

std::size_t MessageBox::boxCount() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return msgBoxDic_.size();
}

void MessageBox::resetForTesting() {
  std::map<int, ChildMsgBox> boxes;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    boxes.swap(msgBoxDic_);
    waitMsgBoxtag_ = 0;
  }
  for (auto& [tag, box] : boxes) {
    if (box.timer) base::RunLoop::main().cancel(box.timer);
    if (box.hud) box.hud->removeFromSuperview();
  }
}

}  // namespace mv
