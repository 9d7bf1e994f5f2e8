#include "widgets/WidgetSkin.hpp"

#include <mutex>

namespace mv {
namespace {

struct Hook {
  std::mutex mutex;
  WidgetSkin::Provider provider;
};

Hook& hook() {
  static Hook h;
  return h;
}

}  // namespace

void WidgetSkin::setSkinImageProvider(Provider provider) {
  std::lock_guard<std::mutex> lock(hook().mutex);
  hook().provider = std::move(provider);
}

gfx::ImagePtr WidgetSkin::skinFromImageName(const std::string& name) {
  if (name.empty()) return nullptr;
  Provider provider;
  {
    std::lock_guard<std::mutex> lock(hook().mutex);
    provider = hook().provider;
  }
  // The provider runs outside the lock: a skin lookup may load files and
  // consult the hook again.
  if (provider) return provider(name);
  return bundleImage(name);
}

gfx::ImagePtr WidgetSkin::bundleImage(const std::string& name) {
  if (name.empty()) return nullptr;
  return gfx::Image::named(name);
}

}  // namespace mv
