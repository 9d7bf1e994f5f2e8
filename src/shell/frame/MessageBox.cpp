#include "shell/frame/MessageBox.hpp"

#include <cmath>

#include "platform/base/MainThread.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Window.hpp"
#include "shell/config/Language.hpp"
#include "sync/BlockWaitBox.hpp"
#include "widgets/ProgressHUD.hpp"

namespace mv {
namespace {

// The cancel button's place: centred under the box's text.
constexpr double kCancelWidth = 120;
constexpr double kCancelHeight = 36;
constexpr double kCancelBelowCentre = 70;

// A box that offers a way out closes on Escape, as a dialog does. One that
// offers none takes Escape and does nothing: the screens under it stay, for
// the work it waits for may still need them to tell its outcome.
class WaitBoxHUD : public ProgressHUD {
 public:
  WaitBoxHUD(const ui::Rect& frame, int tag) : ProgressHUD(frame), boxTag_(tag) {}
  bool escapePressed() override {
    if (MessageBox::sharedInstance().isCancellable(boxTag_)) return MessageBox::sharedInstance().cancelCurrent();
    return MessageBox::sharedInstance().isShowing(boxTag_);
  }

 private:
  int boxTag_;
};

class WaitBoxForSync : public BlockWaitBox {
 public:
  int BeginBlockWait(const std::string& text, double timeout, std::function<void()> onCancel) override {
    return MessageBox::sharedInstance().BeginBlockWait(text, timeout, std::move(onCancel));
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

int MessageBox::BeginBlockWait(const std::string& text, double timeout, std::function<void()> onCancel) {
  MV_ASSERT_MAIN_THREAD();
  const int tag = ++counter_;
  EndBlockWait();
  const bool cancellable = static_cast<bool>(onCancel);
  auto hud = present(tag, text);
  ChildMsgBox& box = msgBoxDic_[tag];
  box.text = text;
  box.onCancel = std::move(onCancel);
  if (cancellable && hud) {
    auto button = ui::Button::buttonWithType(ui::ButtonType::RoundedRect);
    const ui::Rect b = hud->bounds();
    button->setFrame({(b.size.width - kCancelWidth) / 2, b.size.height / 2 + kCancelBelowCentre, kCancelWidth,
                      kCancelHeight});
    button->setTitle(textOrEmpty(Language::stringWithName("CANCEL")));
    button->addAction([this, tag](ui::Control&, const ui::Event*) { cancel(tag); }, ui::ControlEventTouchUpInside);
    hud->addSubview(button);
    box.cancelButton = std::move(button);
  }
  box.hud = std::move(hud);
  waitMsgBoxtag_ = tag;
  const double whole = timeout > 0 ? std::trunc(timeout) : 0;
  box.timer = timeouts_.after(whole, [this, tag] { close(tag, true); });
  return tag;
}

std::shared_ptr<ProgressHUD> MessageBox::present(int tag, const std::string& text) {
  auto window = hostWindow();
  if (!window) return nullptr;  // no window (headless tools): the box is only a record
  auto hud = std::make_shared<WaitBoxHUD>(window->bounds(), tag);
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

void MessageBox::withdrawCancel(int tag) {
  MV_ASSERT_MAIN_THREAD();
  auto it = msgBoxDic_.find(tag);
  if (it == msgBoxDic_.end()) return;
  it->second.onCancel = nullptr;
  if (it->second.cancelButton) it->second.cancelButton->removeFromSuperview();
  it->second.cancelButton.reset();
}

bool MessageBox::isCancellable(int tag) const {
  MV_ASSERT_MAIN_THREAD();
  auto it = msgBoxDic_.find(tag);
  return it != msgBoxDic_.end() && it->second.onCancel;
}

bool MessageBox::cancelCurrent() {
  MV_ASSERT_MAIN_THREAD();
  const int tag = waitMsgBoxtag_;
  if (!isCancellable(tag)) return false;
  cancel(tag);
  return true;
}

void MessageBox::cancel(int tag) {
  auto it = msgBoxDic_.find(tag);
  if (it == msgBoxDic_.end() || !it->second.onCancel) return;
  // The box goes first: the action may begin another box or show an alert.
  auto action = std::move(it->second.onCancel);
  close(tag, false);
  action();
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
