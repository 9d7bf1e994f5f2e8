#include "shell/frame/ShellActions.hpp"

#include "platform/base/MainThread.hpp"
#include "platform/base/Paths.hpp"
#include "sync/SessionServices.hpp"

namespace mv {

std::shared_ptr<ShellActions> ShellActions::of(SessionServices* services) {
  MV_ASSERT_MAIN_THREAD();
  return services ? services->get<ShellActions>() : nullptr;
}

std::string ShellActions::appVersion() const { return base::Bundle::shortVersion(); }

}  // namespace mv
