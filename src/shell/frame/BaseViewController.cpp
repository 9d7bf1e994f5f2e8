#include "shell/frame/BaseViewController.hpp"

#include <cstdio>
#include <sstream>
#include <vector>

#include "platform/base/Log.hpp"
#include "util/PublicFunction.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

std::vector<long> versionParts(const std::string& v) {
  std::vector<long> parts;
  std::stringstream in(v);
  std::string part;
  while (std::getline(in, part, '.')) {
    long n = 0;
    for (char c : part) {
      if (c < '0' || c > '9') break;
      n = n * 10 + (c - '0');
    }
    parts.push_back(n);
  }
  return parts;
}

std::string deviceVersionText() {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", PublicFunction::getDeviceVersion());
  return text;
}

}  // namespace

BaseViewController::BaseViewController() = default;

BaseViewController::~BaseViewController() {
  LanguageManager::sharedInstance().unRegisterLanugageNotification(this);
}

std::shared_ptr<LanguageManagerDelegate> BaseViewController::languageListener() {
  return std::shared_ptr<LanguageManagerDelegate>(shared_from_this(), static_cast<LanguageManagerDelegate*>(this));
}

void BaseViewController::viewDidLoad() {
  ui::ViewController::viewDidLoad();
  LanguageManager::sharedInstance().registerLanugageNotification(languageListener());
}

void BaseViewController::viewDidAppear(bool animated) {
  ui::ViewController::viewDidAppear(animated);
  bViewAppear_ = true;
}

void BaseViewController::viewDidDisappear(bool animated) {
  ui::ViewController::viewDidDisappear(animated);
  bViewAppear_ = false;
}

void BaseViewController::didReceiveMemoryWarning() {
  ui::ViewController::didReceiveMemoryWarning();
  // The platform has no memory-pressure levels to report; the warning itself is the level.
  MV_LOG("~~~~~~~~~~~~~~level~~~~~~~~~~~~~~~ ", 1);
  hightVersionViewDidUnload();
}

int BaseViewController::compareVersions(const std::string& a, const std::string& b) {
  auto pa = versionParts(a), pb = versionParts(b);
  const std::size_t n = std::max(pa.size(), pb.size());
  for (std::size_t i = 0; i < n; ++i) {
    const long x = i < pa.size() ? pa[i] : 0;
    const long y = i < pb.size() ? pb[i] : 0;
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

void BaseViewController::addStatusBarBGForVersion7(bool bringToFront) {
  addStatusBarBGForVersion7WithColor(std::nullopt, bringToFront);
}

void BaseViewController::addStatusBarBGForVersion7WithColor(const std::optional<gfx::Color>& color,
                                                           bool bringToFront) {
  if (compareVersions(deviceVersionText(), "7.0") < 0) return;
  auto root = view();
  auto strip = std::make_shared<ui::View>(ui::Rect{0, 0, root->bounds().width(), kStatusBarStripHeight});
  strip->setBackgroundColor(color.value_or(ViewStyle::colorOfMainTheme()));
  strip->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleBottomMargin);
  strip->setTag(kStatusBarStripTag);
  root->addSubview(strip);
  if (bringToFront) root->bringSubviewToFront(strip.get());
}

}  // namespace mv
