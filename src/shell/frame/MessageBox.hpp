#pragma once
// The blocking wait box: a progress indicator with a text over the whole
// window, the background dimmed, while a sign-in, sync step, upload, backup or
// restore runs. One box shows at a time; each has a tag that is never reused,
// and it closes when its work ends or after its time-out. One per process,
// never freed. Main thread only, like the screens and models that begin and
// end its boxes.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/CancelTracker.hpp"

namespace ui {
class View;
class Window;
}

namespace mv {

class ProgressHUD;

class MessageBox {
 public:
  static constexpr int kWaitBoxType = 2;

  static MessageBox& sharedInstance();
  // Makes the sync layer's wait boxes these boxes.
  static void installAsBlockWaitBox();
  // The window the boxes show in: the application's, which it sets at
  // launch; the key window while none is set.
  void setHostWindow(std::weak_ptr<ui::Window> window) { hostWindow_ = std::move(window); }
  std::shared_ptr<ui::Window> hostWindow() const;

  // Shows a box with the text, closing the current one, and schedules its own
  // closing after the time-out in whole seconds (0 or less: the next turn).
  // Answers the box's tag. A box given a cancel action offers a way out: a
  // "Cancel" button under its text, and Escape while it shows. Either closes
  // the box and then runs the action, which abandons the caller's work. A
  // box without one holds Escape back from the screens under it.
  int BeginBlockWait(const std::string& text, double timeout, std::function<void()> onCancel = {});
  // Takes the way out off the box of that tag (its work reached a step that
  // can no longer be abandoned); the box stays.
  void withdrawCancel(int tag);
  // Closes the current box and runs its cancel action, as its button does.
  // False when no box shows or it offers no way out.
  bool cancelCurrent();
  // Whether the box of that tag offers a way out.
  bool isCancellable(int tag) const;
  // Changes the current box's text; nothing when no box is current.
  void ChangeWaitMessage(const std::string& text);
  // Closes the current box; harmless when none is shown.
  void EndBlockWait();
  // Closes the box of that tag only (a later box stays).
  void EndBlockWait(int tag);
  // The current box's tag, 0 when none.
  int waitMsgBoxtag() const;

  // Whether the box of that tag is still up, and the current box's text.
  bool isShowing(int tag) const;
  std::optional<std::string> currentText() const;
  std::size_t boxCount() const;
  // Closes every box (tests).
  void resetForTesting();

  MessageBox(const MessageBox&) = delete;
  MessageBox& operator=(const MessageBox&) = delete;

 private:
  MessageBox() = default;
  std::weak_ptr<ui::Window> hostWindow_;
  struct ChildMsgBox {
    std::shared_ptr<ProgressHUD> hud;
    std::string text;
    int msgBoxType = kWaitBoxType;
    base::CancelTracker::Id timer = 0;
    std::function<void()> onCancel;
    std::shared_ptr<ui::View> cancelButton;
  };
  void close(int tag, bool byTimeout);
  std::shared_ptr<ProgressHUD> present(int tag, const std::string& text);
  void cancel(int tag);

  // The boxes' time-outs.
  base::CancelTracker timeouts_;
  std::map<int, ChildMsgBox> msgBoxDic_;
  int waitMsgBoxtag_ = 0;
  int counter_ = 0;
};

}  // namespace mv
