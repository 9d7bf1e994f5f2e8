#pragma once
// Hands a file to another application: the open-in menu. Which applications
// take files is the opener's business: the desktop's (the system's default
// application for the file, through xdg-open) when the application runs in a
// window, none without one. An opener may learn only later that no
// application took the file; the controller's refused handler hears it then.
// The preview of the file shows nothing here.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/BarButtonItem.hpp"
#include "platform/ui/View.hpp"

namespace svc {

class DocumentInteractionController;

// Every operation is optional.
class DocumentInteractionControllerDelegate {
 public:
  virtual ~DocumentInteractionControllerDelegate() = default;
  virtual void documentInteractionControllerDidEndPreview(DocumentInteractionController& /*controller*/) {}
  virtual void documentInteractionControllerWillBeginSendingToApplication(DocumentInteractionController& /*controller*/,
                                                                          const std::string& /*application*/) {}
  virtual void documentInteractionControllerDidEndSendingToApplication(DocumentInteractionController& /*controller*/,
                                                                        const std::string& /*application*/) {}
  virtual void documentInteractionControllerDidDismissOpenInMenu(DocumentInteractionController& /*controller*/) {}
};

class DocumentInteractionController : public std::enable_shared_from_this<DocumentInteractionController> {
 public:
  // Runs on the main thread when the file turned out not to be taken.
  using Refused = std::function<void()>;
  // Hands the file over: the application it went to, or nothing when none
  // takes it. An application that answers later that nothing opened the
  // file calls `refused`.
  using Opener = std::function<std::optional<std::string>(const std::filesystem::path& file, const std::string& uti,
                                                          Refused refused)>;

  static std::shared_ptr<DocumentInteractionController> interactionControllerWithURL(std::filesystem::path file);

  const std::filesystem::path& URL() const { return url_; }
  const std::string& name() const { return name_; }
  void setName(std::string name) { name_ = std::move(name); }
  const std::string& UTI() const { return uti_; }
  void setUTI(std::string uti) { uti_ = std::move(uti); }
  std::shared_ptr<DocumentInteractionControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<DocumentInteractionControllerDelegate> d) { delegate_ = std::move(d); }
  // What tells the user when the application the file went to answers that
  // it took nothing; it outlives the controller.
  void setRefusedHandler(Refused refused) { refused_ = std::move(refused); }

  // No preview is shown: false.
  bool presentPreviewAnimated(bool animated);
  // Offers the file to the applications that take it: YES when it went to
  // one (the delegate hears will-begin and did-end sending on the next turn
  // of the main loop; the refused handler, should that one answer later that
  // nothing opened it), NO when none takes it, and then nothing is shown.
  bool presentOpenInMenuFromRect(const ui::Rect& rect, ui::View* inView, bool animated);
  bool presentOpenInMenuFromBarButtonItem(ui::BarButtonItem* item, bool animated);
  void dismissMenuAnimated(bool animated);
  void dismissPreviewAnimated(bool animated);

  // The process-wide opener (nothing: no application takes files). Set and
  // used on the main thread.
  static void setOpener(Opener opener);
  // The desktop's opener: the file goes to the system's default application
  // for it through xdg-open (DesktopLauncher); xdg-open missing or ending
  // with a failure (no application for the file) is refused.
  static std::optional<std::string> openWithDesktop(const std::filesystem::path& file, const std::string& uti,
                                                    Refused refused);

 private:
  explicit DocumentInteractionController(std::filesystem::path file) : url_(std::move(file)) {}
  bool presentOpenInMenu();

  std::filesystem::path url_;
  std::string name_;
  std::string uti_;
  std::weak_ptr<DocumentInteractionControllerDelegate> delegate_;
  Refused refused_;
};

}  // namespace svc
