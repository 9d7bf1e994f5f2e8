#include "services/DocumentInteractionController.hpp"

#include <spawn.h>
#include <sys/wait.h>

#include <thread>

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/RunLoop.hpp"

extern char** environ;

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
  auto application = opener(url_, uti_);
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
                                                                          const std::string&) {
  const std::string path = file.string();
  char program[] = "xdg-open";
  char* argv[] = {program, const_cast<char*>(path.c_str()), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0) {
    MV_LOG("open-in: xdg-open cannot be started");
    return std::nullopt;
  }
  // The opener returns as soon as it has handed the file on; nobody waits on the main thread.
  std::thread([pid] {
    int status = 0;
    ::waitpid(pid, &status, 0);
  }).detach();
  return std::string("xdg-open");
}

}  // namespace svc
