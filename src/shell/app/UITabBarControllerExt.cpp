#include "shell/app/UITabBarControllerExt.hpp"

#include <algorithm>
#include <filesystem>

#include "platform/ui/LongPressGestureRecognizer.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/app/HomeViewController.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/app/MarvistoAppDelegate.hpp"
#include "shell/settings/SettingsViewController.hpp"
#include "shell/config/SkinManager.hpp"
#include "widgets/ViewStyle.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/SessionServices.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {

struct TabLook {
  const char* image;
  const char* focus;
};

constexpr TabLook kLooks[UITabBarControllerExt::kButtonCount] = {
    {"btn-home.png", "btn-home-on.png"},         {"btn-catalog.png", "btn-catalog-on.png"},
    {"btn-customer.png", "btn-customer-on.png"}, {"btn-inventory.png", "btn-inventory-on.png"},
    {"btn-sales.png", "btn-sales-on.png"},       {"btn-quote.png", "btn-quote-on.png"},
    {"btn-sync.png", "btn-sync-on.png"},         {"Icon_Settings_40x40.png", "Icon_Settings_On_40x40.png"},
};

}  // namespace

std::shared_ptr<UITabBarControllerExt> UITabBarControllerExt::create(std::shared_ptr<SessionServices> services) {
  std::shared_ptr<UITabBarControllerExt> tab(new UITabBarControllerExt());
  tab->services_ = std::move(services);
  tab->addViewControllers();
  tab->hideTabBar();
  return tab;
}

UITabBarControllerExt::~UITabBarControllerExt() {
  LanguageManager::sharedInstance().unRegisterLanugageNotification(this);
  if (logoutPopController_) logoutPopController_->setDelegate({});
}

std::shared_ptr<ui::ViewController> UITabBarControllerExt::rootViewController() {
  if (auto nav = navigation_.lock()) return nav;
  auto nav = std::make_shared<MarvistoNavigationController>(shared_from_this());
  nav->setNavigationBarHidden(true);
  navigation_ = nav;
  return nav;
}

void UITabBarControllerExt::addViewControllers() {
  // The features' screens are made for the session's services.
  actions_ = ShellActions::of(services_);
  // Every tab holds its place with an empty controller until its screen is
  // made: most sessions open few of the tabs, and the screens are the
  // heaviest part of a sign-in.
  std::vector<std::shared_ptr<ui::ViewController>> list;
  for (int tag = 0; tag < MainTabScreens::kTabCount; ++tag) list.push_back(std::make_shared<ui::ViewController>());
  setViewControllers(list);
  setCustomizableViewControllers({});
}

void UITabBarControllerExt::makeScreen(int tag) {
  if (tag < 0 || tag >= MainTabScreens::kTabCount || screens_[static_cast<std::size_t>(tag)]) return;
  auto app = MarvistoAppDelegate::current();
  FeatureWiring none;
  const FeatureWiring& wiring = app ? app->wiring() : none;
  auto screen = tag == MainTabScreens::kHome ? std::make_shared<HomeViewController>(actions_, services_)
                                             : wiring.makeScreen(tag, services_.get());
  screens_[static_cast<std::size_t>(tag)] = screen;
  std::shared_ptr<ui::ViewController> child = screen;
  if (tag != MainTabScreens::kHome) {
    auto nav = std::make_shared<ui::NavigationController>(screen);
    if (tag == MainTabScreens::kCatalog || tag == MainTabScreens::kSync) nav->setNavigationBarHidden(true);
    child = nav;
  }
  auto list = viewControllers();
  list[static_cast<std::size_t>(tag)] = child;
  setViewControllers(list);
  // The bar along the bottom is the application's own: the screen fills the window.
  child->view()->setFrame({0, 0, 1024, 768});
  if (!appeared_) return;
  if (auto* config = dynamic_cast<ConfigDelegate*>(screen.get())) config->loadByConfig();
}

std::shared_ptr<ui::ViewController> UITabBarControllerExt::screen(int tag) {
  if (tag < 0 || tag >= MainTabScreens::kTabCount) return nullptr;
  makeScreen(tag);
  return screens_[static_cast<std::size_t>(tag)];
}

void UITabBarControllerExt::hideTabBar() {
  tabBar().setHidden(true);
  tabBar().setFrame({0, 768, 1024, 0});
}

void UITabBarControllerExt::viewDidLoad() {
  ui::TabBarController::viewDidLoad();
  view()->setBackgroundColor(gfx::Color::white());
  if (bViewHasLoad_) return;
  LanguageManager::sharedInstance().registerLanugageNotification(
      std::shared_ptr<LanguageManagerDelegate>(shared_from_this(), static_cast<LanguageManagerDelegate*>(this)));
  itmeButtonArray_.clear();
  addCustomElements();
  loadByConfig();
  selectTab(0);
  bViewHasLoad_ = true;
}

void UITabBarControllerExt::addCustomElements() {
  backgroundImage_ = std::make_shared<ui::ImageView>(ui::Rect{0, kBarY, 1024, kBarHeight});
  backgroundImage_->setImage(barImage());
  backgroundImage_->setUserInteractionEnabled(true);
  view()->addSubview(backgroundImage_);

  btnLogo_ = std::make_shared<ui::Button>(ui::Rect{15, 714.5, 225, 51});
  btnLogo_->setBackgroundColor(gfx::Color::clear());
  btnLogo_->setBackgroundImage(SkinManager::skinFromImageName("homelogo.png"), ui::ControlStateNormal);
  btnLogo_->setAccessibilityLabel(text("COMPANYLOGO"));
  btnLogo_->setBackgroundImage(SkinManager::skinFromImageName("homelogo_highlight.png"), ui::ControlStateHighlighted);
  auto weak = ui::weakAs<UITabBarControllerExt>(this);
  auto press = std::make_shared<ui::LongPressGestureRecognizer>();
  press->addTarget([weak](ui::GestureRecognizer& g) {
    if (g.state() != ui::GestureState::Began) return;
    if (auto self = weak.lock()) self->logoOnLongClick();
  });
  btnLogo_->addGestureRecognizer(press);
  view()->addSubview(btnLogo_);

  for (int tag = 0; tag < kButtonCount; ++tag) {
    auto item = std::make_shared<TabBarItemButton>();
    item->setTitle(text(MainTabScreens::titleKey(tag)));
    item->setButtonTag(tag);
    item->addTarget(
        [weak, tag](ui::Control&, const ui::Event*) {
          auto self = weak.lock();
          if (!self) return;
          if (tag == MainTabScreens::kSettings) {
            self->settingsBtnClicked();
          } else {
            self->buttonClicked(tag);
          }
        },
        ui::ControlEventTouchUpInside);
    backgroundImage_->addSubview(item);
    itmeButtonArray_.push_back(item);
  }
}

gfx::ImagePtr UITabBarControllerExt::barImage() {
  if (auto services = SessionServices::current()) {
    if (auto name = services->database().getFullImagePathByTitle(kBarImageTitle)) {
      // Icons live in the signed-in client's icon folder.
      if (auto path = PublicFunction::filePathWithName(*name, kFileTypeConfigImage)) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(*path, ec)) {
          if (auto image = gfx::Image::fromFile(*path)) return image;
        }
      }
    }
  }
  return SkinManager::skinFromImageName("btmbar-bg.png");
}

std::shared_ptr<ConfigManager> UITabBarControllerExt::config() const {
  return services_ ? services_->get<ConfigManager>() : nullptr;
}

void UITabBarControllerExt::loadByConfig() {
  auto config = this->config();
  int shown = 0;
  for (int i = 0; i < static_cast<int>(itmeButtonArray_.size()); ++i) {
    auto& item = itmeButtonArray_[static_cast<std::size_t>(i)];
    if (i == MainTabScreens::kSettings || (config && config->isOnShow(i))) {
      item->setHidden(false);
      item->setFrame({kFirstButtonX + kConfigPitch * shown, 0, kButtonWidth, kBarHeight});
      ++shown;
    } else {
      item->setHidden(true);
    }
  }
  setBackgroundView();
}

void UITabBarControllerExt::setBackgroundView() {
  gfx::ImagePtr bar = barImage();
  backgroundImage_->setImage(bar);
  // The titles take colours that read on whatever bar the skin gives, where
  // the titles stand on it.
  const std::vector<gfx::Color> ground = ViewStyle::colorsOfImage(
      bar, {1024, kBarHeight}, {kFirstButtonX - 10, kTitleTop, 1024 - kFirstButtonX + 10, kBarHeight - kTitleTop});
  const gfx::Color normal = ViewStyle::readableColor(TabBarItemButton::defaultTitleColor(), ground);
  const gfx::Color selected = ViewStyle::readableColor(TabBarItemButton::defaultSelectedTitleColor(), ground);
  for (auto& item : itmeButtonArray_) item->setTitleColors(normal, selected);
  for (int i = 0; i < static_cast<int>(itmeButtonArray_.size()); ++i) {
    auto& item = itmeButtonArray_[static_cast<std::size_t>(i)];
    if (item->isHidden()) continue;
    item->setImgNormal(SkinManager::skinFromImageName(kLooks[i].image));
    item->setImgFocus(SkinManager::skinFromImageName(kLooks[i].focus));
  }
}

double UITabBarControllerExt::movePitch(int shownCount) {
  // The wider pitch would put the last of eight buttons past the bar's end;
  // then every button keeps the narrower one.
  const double last = kFirstButtonX + kMovePitch * (shownCount - 1) + kButtonWidth;
  return last <= 1024 ? kMovePitch : kConfigPitch;
}

void UITabBarControllerExt::itemsMove(bool move) {
  if (!move) return;
  const int count = static_cast<int>(
      std::count_if(itmeButtonArray_.begin(), itmeButtonArray_.end(), [](const auto& item) { return !item->isHidden(); }));
  const double pitch = movePitch(count);
  int shown = 0;
  for (auto& item : itmeButtonArray_) {
    if (item->isHidden()) continue;
    item->setFrame({kFirstButtonX + pitch * shown, 0, kButtonWidth, kBarHeight});
    ++shown;
  }
  btnLogo_->setFrame({15, 714.5, 225, 51});
}

void UITabBarControllerExt::selectTab(int index) {
  if (index < 0 || index >= MainTabScreens::kTabCount) return;
  makeScreen(index);
  setSelectedIndex(static_cast<std::size_t>(index));
  // The screens that hear their tab's visits: the others leave first, then
  // the selected one enters.
  TabVisits* entered = nullptr;
  for (int tag = 0; tag < MainTabScreens::kTabCount; ++tag) {
    auto* visits = dynamic_cast<TabVisits*>(screens_[static_cast<std::size_t>(tag)].get());
    if (!visits) continue;
    if (tag == index) {
      entered = visits;
    } else {
      visits->tabLeft();
    }
  }
  if (entered) entered->tabEntered();
  if (index != MainTabScreens::kCatalog && index != MainTabScreens::kSalesLibrary) itemsMove(true);
  iPerSelectTab_ = iCurSelectTab_;
  iCurSelectTab_ = index;
  for (int i = 0; i < static_cast<int>(itmeButtonArray_.size()); ++i) {
    itmeButtonArray_[static_cast<std::size_t>(i)]->setSelected(i == index);
  }
}

void UITabBarControllerExt::buttonClicked(int tag) { selectTab(tag); }

void UITabBarControllerExt::returnPerselectTab() { buttonClicked(iPerSelectTab_); }

void UITabBarControllerExt::setBadgeValue(const std::optional<std::string>& value, int tag, bool animated) {
  auto it = std::find_if(itmeButtonArray_.begin(), itmeButtonArray_.end(),
                         [tag](const auto& item) { return item->buttonTag() == tag; });
  if (it == itmeButtonArray_.end()) return;
  std::optional<std::string> shown = value;
  if (tag == MainTabScreens::kQuoteOrder) {
    const long long count = value ? ConfigManager::integerValue(*value) : 0;
    if (count == 0) {
      shown.reset();
    } else if (count >= 1000) {
      shown = "999+";
    }
  }
  (*it)->setBadgeValue(shown, animated);
}

void UITabBarControllerExt::startSyncIconAnimation() {
  auto& sync = button(MainTabScreens::kSync);
  sync.stopBlinkIcon();
  sync.startBlinkIcon();
}

void UITabBarControllerExt::stopSyncIconAnimation() { button(MainTabScreens::kSync).stopBlinkIcon(); }

void UITabBarControllerExt::settingsBtnClicked() {
  auto settings = std::make_shared<SettingsViewController>(actions_, services_);
  settings->setDelegate(ui::weakAs<SettingsViewControllerDelegate>(this));
  auto nav = std::make_shared<ui::NavigationController>(settings);
  nav->setModalPresentationStyle(ui::ModalPresentationStyle::FormSheet);
  presentViewController(nav, true);
  button(MainTabScreens::kSettings).setSelected(true);
}

void UITabBarControllerExt::deselectButton() { button(MainTabScreens::kSettings).setSelected(false); }

void UITabBarControllerExt::logoOnLongClick() {
  auto pop = std::make_shared<LoginPopController>();
  pop->setDelegate(ui::weakAs<LoginPopControllerDelegate>(this));
  if (logoutPopController_) logoutPopController_->dismissPopoverAnimated(false);
  logoutPopController_ = std::make_shared<ui::PopoverController>(pop);
  logoutPopController_->setDelegate(ui::weakAs<ui::PopoverControllerDelegate>(this));
  const gfx::Color colour = gfx::Color::rgb255(64, 95, 131);
  pop->view()->setBackgroundColor(gfx::Color::clear());
  logoutPopController_->setBackgroundColor(colour);
  logoutPopController_->setPopoverContentSize({LoginPopController::kWidth, LoginPopController::kHeight});
  const ui::Rect logo = btnLogo_->frame();
  logoutPopController_->presentPopoverFromRect({logo.x() - 10, 705, 225, 51}, view().get(),
                                               ui::PopoverArrowDirectionAny, true);
}

void UITabBarControllerExt::popoverControllerDidDismissPopover(ui::PopoverController&) {}

void UITabBarControllerExt::goBackLoginView() {
  if (logoutPopController_) logoutPopController_->dismissPopoverAnimated(false);
  // The logout frees this tab bar; it runs once this call has returned.
  if (auto actions = actions_) actions->logOutLater();
}

void UITabBarControllerExt::dismissPresented() {
  if (logoutPopController_) logoutPopController_->dismissPopoverAnimated(false);
  if (auto home = std::dynamic_pointer_cast<HomeViewController>(screens_[MainTabScreens::kHome])) home->closeOverlays();
  if (presentedViewController()) dismissViewControllerAnimated(false);
}

void UITabBarControllerExt::notifiChangelanguage() {
  for (int tag = 0; tag < static_cast<int>(itmeButtonArray_.size()); ++tag) {
    itmeButtonArray_[static_cast<std::size_t>(tag)]->setTitle(
        text(MainTabScreens::titleKey(tag)));
  }
}

void UITabBarControllerExt::viewDidAppear(bool animated) {
  ui::TabBarController::viewDidAppear(animated);
  appeared_ = true;
  for (auto& child : viewControllers()) {
    ui::ViewController* target = child.get();
    if (auto* nav = dynamic_cast<ui::NavigationController*>(target)) {
      target = nav->childViewControllers().empty() ? nullptr : nav->childViewControllers().front().get();
    }
    if (auto* config = dynamic_cast<ConfigDelegate*>(target)) config->loadByConfig();
  }
  if (auto actions = actions_) actions->configurationChanged();
}

}  // namespace mv
