#include "widgets/WidgetSkin.hpp"

#include "platform/base/MainThread.hpp"

namespace mv {
namespace {

WidgetSkin::Provider& installedProvider() {
  static WidgetSkin::Provider provider;
  return provider;
}

}  // namespace

void WidgetSkin::setSkinImageProvider(Provider provider) {
  MV_ASSERT_MAIN_THREAD();
  installedProvider() = std::move(provider);
}

gfx::ImagePtr WidgetSkin::skinFromImageName(const std::string& name) {
  MV_ASSERT_MAIN_THREAD();
  if (name.empty()) return nullptr;
  // A copy: a skin lookup may load files and install another provider.
  const Provider provider = installedProvider();
  if (provider) return provider(name);
  return bundleImage(name);
}

gfx::ImagePtr WidgetSkin::bundleImage(const std::string& name) {
  if (name.empty()) return nullptr;
  return gfx::Image::named(name);
}

}  // namespace mv
