#include "library/LibraryViewers.hpp"

#include <map>

#include "platform/base/MainThread.hpp"
#include "services/DocumentInteractionController.hpp"
#include "shell/frame/ScreenAlert.hpp"
#include "shell/settings/Language.hpp"

namespace mv {
namespace {

std::map<LibraryOpenAction, LibraryViewers::Maker>& makers() {
  static std::map<LibraryOpenAction, LibraryViewers::Maker> table;
  return table;
}

void failed(const std::string& messageKey) {
  auto text = [](const std::string& key) { return textOrEmpty(Language::stringWithName(key)); };
  ScreenAlert{LibraryFileOpener::kFailureAlertTag, text(LibraryFileOpener::kFailureTitleKey), text(messageKey),
              text(LibraryFileOpener::kFailureButtonKey), {}}
      .show({});
}

}  // namespace

void LibraryViewers::install(LibraryOpenAction action, Maker maker) {
  MV_ASSERT_MAIN_THREAD();
  if (maker) {
    makers()[action] = std::move(maker);
  } else {
    makers().erase(action);
  }
}

bool LibraryViewers::has(LibraryOpenAction action) { return makers().count(action) != 0; }

bool LibraryViewers::open(const LibraryOpenDecision& decision, const std::string& title,
                          ui::NavigationController* nav) {
  MV_ASSERT_MAIN_THREAD();
  if (decision.action == LibraryOpenAction::OpenIn) {
    if (svc::DocumentInteractionController::shared()->presentOpenInMenu(decision.path, {})) return true;
    failed(decision.failureMessageKey);
    return false;
  }
  auto at = makers().find(decision.action);
  if (at == makers().end() || !nav) {
    failed(kNoViewerKey);
    return false;
  }
  auto viewer = at->second(decision.path, title);
  if (!viewer) {
    failed(decision.failureMessageKey.empty() ? "THEFILEISCORRUPTED" : decision.failureMessageKey);
    return false;
  }
  nav->pushViewController(viewer, true);
  return true;
}

}  // namespace mv
