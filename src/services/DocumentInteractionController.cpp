#include "services/DocumentInteractionController.hpp"

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/RunLoop.hpp"
#include "services/DesktopLauncher.hpp"

namespace svc {
namespace {

DocumentInteractionController::Opener& currentOpener() {
  static DocumentInteractionController::Opener opener;
  return opener;
}

}  // namespace

std::shared_ptr<DocumentInteractionController> DocumentInteractionController::interactionControllerWithURL(
    std::filesystem::path file) {
  return std::shared_ptr<DocumentInteractionController>(new DocumentInteractionController(std::move(file)));
}

void DocumentInteractionController::setOpener(Opener opener) {
  MV_ASSERT_MAIN_THREAD();
  currentOpener() = std::move(opener);
}

bool DocumentInteractionController::presentPreviewAnimated(bool) { return false; }
void DocumentInteractionController::dismissPreviewAnimated(bool) {}
void DocumentInteractionController::dismissMenuAnimated(bool) {}

bool DocumentInteractionController::presentOpenInMenuFromRect(const ui::Rect&, ui::View*, bool) {
  return presentOpenInMenu();
}

bool DocumentInteractionController::presentOpenInMenuFromBarButtonItem(ui::BarButtonItem*, bool) {
  return presentOpenInMenu();
}

bool DocumentInteractionController::presentOpenInMenu() {
  MV_ASSERT_MAIN_THREAD();
  // A copy: the opener may install another.
  const Opener opener = currentOpener();
  std::error_code ec;
  if (!opener || !std::filesystem::is_regular_file(url_, ec)) return false;
  auto application = opener(url_, uti_, refused_);
  if (!application) return false;
  std::weak_ptr<DocumentInteractionController> weak = weak_from_this();
  base::RunLoop::main().post([weak, app = *application] {
    auto self = weak.lock();
    if (!self) return;
    if (auto d = self->delegate()) d->documentInteractionControllerWillBeginSendingToApplication(*self, app);
    if (auto d = self->delegate()) d->documentInteractionControllerDidEndSendingToApplication(*self, app);
  });
  return true;
}

std::optional<std::string> DocumentInteractionController::openWithDesktop(const std::filesystem::path& file,
                                                                          const std::string&, Refused refused) {
  // The opener answers at once; xdg-open's status (3: no application for
  // the file) comes later.
  DesktopLauncher::launch({"xdg-open", file.string()}, [refused = std::move(refused)](int status) {
    if (status == 0) return;
    MV_LOG("open-in: xdg-open ended with ", status);
    if (refused) refused();
  });
  return std::string("xdg-open");
}

}  // namespace svc
