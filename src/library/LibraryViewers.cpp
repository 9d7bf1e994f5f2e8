#include "library/LibraryViewers.hpp"

#include <map>

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Window.hpp"
#include "platform/ui/AlertView.hpp"
#include "services/DocumentInteractionController.hpp"
#include "shell/frame/ScreenAlert.hpp"
#include "store/DataAccessManager.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {

std::map<LibraryOpenAction, LibraryViewers::Maker>& makers() {
  static std::map<LibraryOpenAction, LibraryViewers::Maker> table;
  return table;
}

}  // namespace

void LibraryViewers::showFailure(const std::string& messageKey) {
  ScreenAlert{LibraryFileOpener::kFailureAlertTag, text(LibraryFileOpener::kFailureTitleKey), text(messageKey),
              text(LibraryFileOpener::kFailureButtonKey), {}}
      .show({});
}

void LibraryViewers::showNotice(const std::string& titleKey, const std::string& messageKey) {
  MV_ASSERT_MAIN_THREAD();
  const std::string title = text(titleKey), message = messageKey.empty() ? std::string() : text(messageKey);
  for (const auto& shown : ui::AlertView::showingAlerts())
    if (shown->title() == title && shown->message() == message) return;
  ScreenAlert{0, title, message, text("OK"), {}}.show({});
}

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
  if (decision.action == LibraryOpenAction::None) {
    showFailure(decision.failureMessageKey);
    return false;
  }
  if (decision.action == LibraryOpenAction::OpenIn) {
    auto controller = svc::DocumentInteractionController::interactionControllerWithURL(decision.path);
    controller->setRefusedHandler([key = decision.failureMessageKey] { showFailure(key); });
    if (controller->presentOpenInMenuFromRect({}, nullptr, true)) return true;
    showFailure(decision.failureMessageKey);
    return false;
  }
  auto at = makers().find(decision.action);
  if (at == makers().end() || !nav) {
    showFailure(kNoViewerKey);
    return false;
  }
  auto viewer = at->second(decision.path, title);
  if (!viewer) {
    showFailure(decision.failureMessageKey.empty() ? "THEFILEISCORRUPTED" : decision.failureMessageKey);
    return false;
  }
  nav->pushViewController(viewer, true);
  return true;
}

bool LibraryViewers::openFile(DataAccessManager& store, const std::string& fileName, const std::string& typeText,
                              ui::NavigationController* nav) {
  MV_ASSERT_MAIN_THREAD();
  auto decision = LibraryFileOpener::decideForFile(fileName, typeText);
  if (!decision) {
    showFailure("THEFILEISCORRUPTED");
    return false;
  }
  const std::string title = store.getTitleByFileName(fileName).value_or(fileName);
  return open(*decision, title, nav);
}

ui::NavigationController* LibraryViewers::navigationFor(ui::ViewController& screen) {
  ui::ViewController* top = &screen;
  while (top->parentViewController()) top = top->parentViewController();
  if (auto* nav = dynamic_cast<ui::NavigationController*>(top)) return nav;
  ui::Window* window = screen.isViewLoaded() ? screen.view()->window() : nullptr;
  if (!window) window = ui::Application::sharedInstance().keyWindow();
  return window ? dynamic_cast<ui::NavigationController*>(window->rootViewController().get()) : nullptr;
}

}  // namespace mv
