#include "shell/session/LoginItemList.hpp"

#include <algorithm>
#include <cmath>

#include "platform/base/UserDefaults.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/Text.hpp"

namespace mv {
namespace {

std::string member(const base::Value& entry, const char* key) {
  if (!entry.is_object()) return {};
  auto it = entry.find(key);
  return it != entry.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

LoginItemList::LoginItemList(const ui::Rect& frame) : ui::ScrollView(frame) {
  setPagingEnabled(true);
  setShowsHorizontalScrollIndicator(false);
  auto& defaults = base::UserDefaults::standard();
  isShowZDuvo_ = defaults.boolForKey("Z_DUVO_SHORTCUT");
  isShowTolvaren_ = defaults.boolForKey("TOLVAREN_SHORTCUT");
  defaultsObservation_ = base::Observation(base::UserDefaults::DidChangeNotification, nullptr,
                                           [this](const base::Notification&) { demoSwitchesMayHaveChanged(); });
  // Shaking pauses while the application is in the background.
  backgroundObservation_ = base::Observation("AppWillEnterBackgound", nullptr, [this](const base::Notification&) {
    if (isShaking_) setItemsShaking(false);
  });
  foregroundObservation_ = base::Observation("AppWillEnterForegroud", nullptr, [this](const base::Notification&) {
    if (isShaking_) setItemsShaking(true);
  });
}

LoginItemList::~LoginItemList() = default;

bool LoginItemList::isShortcutEntry(const base::Value& entry) {
  const std::string flag = member(entry, "INPUT_USESHORTCUT");
  return !isBlank(trimWhitespaceAndNewlines(flag)) && flag != "NO";
}

void LoginItemList::setLoginArry(const base::Value& logins) {
  loginArry_ = logins.is_array() ? logins : base::Value::array();
  reConstructAttributes();
}

void LoginItemList::demoSwitchesMayHaveChanged() {
  auto& defaults = base::UserDefaults::standard();
  const bool zDuvo = defaults.boolForKey("Z_DUVO_SHORTCUT");
  const bool tolvaren = defaults.boolForKey("TOLVAREN_SHORTCUT");
  if (zDuvo == isShowZDuvo_ && tolvaren == isShowTolvaren_) return;
  isShowZDuvo_ = zDuvo;
  isShowTolvaren_ = tolvaren;
  reConstructAttributes();
}

void LoginItemList::reConstructAttributes() {
  for (auto& item : itemList_) item->removeFromSuperview();
  itemList_.clear();
  auto addDemo = [this](const char* clientId, const char* image) {
    auto item = std::make_shared<LoginItem>();
    item->setIsDemo(true);
    item->setClientId(clientId);
    auto picture = SkinManager::skinFromImageName(image);
    item->setImage(picture, ui::ControlStateNormal);
    item->setImage(picture, ui::ControlStateHighlighted);
    item->setImageEdgeInsets({5, 15, 5, 57.72});
    item->setHasNoLogo(true);
    itemList_.push_back(item);
  };
  if (isShowZDuvo_) addDemo(SkinManager::kDemoClientZDuvo, "icon_quimbeset.png");
  if (isShowTolvaren_) addDemo(SkinManager::kDemoClientTolvaren, "icon_tolvaren.png");
  for (const base::Value& entry : loginArry_) {
    if (!isShortcutEntry(entry)) continue;
    auto item = std::make_shared<LoginItem>();
    item->setIsDemo(false);
    item->setAccountId(member(entry, "Input_UserID"));
    item->setPassWord(member(entry, "Input_PassWord"));
    item->setClientId(member(entry, "Input_ClientID"));
    gfx::ImagePtr picture = SkinManager::getLogoWithClientId(item->clientId());
    if (picture) {
      item->setImageEdgeInsets({8, 10, 8, 10});
    } else {
      item->setHasNoLogo(true);
      picture = SkinManager::skinFromImageName("icon-default_shortchut.png");
      item->setImageEdgeInsets({8, 10, 8, 104});
    }
    item->setImage(picture, ui::ControlStateNormal);
    item->setImage(picture, ui::ControlStateHighlighted);
    itemList_.push_back(item);
  }
  for (auto& item : itemList_) {
    LoginItem* raw = item.get();
    item->addAction(
        [this, raw](ui::Control&, const ui::Event*) {
          auto keep = self();
          loginItemClick(*raw);
        },
        ui::ControlEventTouchUpInside);
    addSubview(item);
  }
  layoutItems();
}

int LoginItemList::pageCount(int count) {
  if (count <= 0) return 1;
  const int k = std::min(count, kItemsPerPage);
  return (count + k - 1) / k;
}

ui::Rect LoginItemList::itemFrame(int index, int count) {
  const int k = std::min(count, kItemsPerPage);
  if (k <= 0 || index < 0) return {};
  const double gap = (kPageWidth - LoginItem::kWidth * k) / (k + 3);
  const int pageOfItem = index / k + 1;  // ceil((index + 1) / k)
  const double x = 2 * gap + (LoginItem::kWidth + gap) * index + 3 * gap * (pageOfItem - 1);
  return {x, kItemY, LoginItem::kWidth, LoginItem::kHeight};
}

int LoginItemList::page() const { return pageCount(static_cast<int>(itemList_.size())); }

void LoginItemList::layoutItems() {
  const int n = static_cast<int>(itemList_.size());
  if (n == 0) return;
  for (int i = 0; i < n; ++i) {
    auto& item = itemList_[static_cast<std::size_t>(i)];
    item->setFrame(itemFrame(i, n));
    item->setDelegate(ui::weakAs<LoginItemDelegate>(this));
    // One recogniser per shortcut, made anew with each layout.
    for (auto& g : std::vector<std::shared_ptr<ui::GestureRecognizer>>(item->gestureRecognizers())) {
      if (dynamic_cast<ui::LongPressGestureRecognizer*>(g.get())) item->removeGestureRecognizer(g.get());
    }
    auto press = std::make_shared<ui::LongPressGestureRecognizer>();
    press->addTarget([this](ui::GestureRecognizer& g) {
      if (g.state() == ui::GestureState::Began) addDeleteItemBtn();
    });
    item->addGestureRecognizer(press);
    item->setShaking(isShaking_);
  }
  setContentSize({page() * kPageWidth, frame().height()});
}

void LoginItemList::loginItemClick(LoginItem& item) {
  if (item.shaking()) return;
  if (auto d = itemListDelegate()) d->loginItemClick(item);
}

void LoginItemList::setItemsShaking(bool shaking) {
  for (auto& item : itemList_) item->setShaking(shaking);
}

void LoginItemList::addDeleteItemBtn() {
  setItemsShaking(true);
  isShaking_ = true;
}

void LoginItemList::stopSharking() {
  setItemsShaking(false);
  isShaking_ = false;
}

void LoginItemList::resetItemStatus() {
  for (auto& item : itemList_) item->setSelected(false);
}

void LoginItemList::btnDeleteClick(LoginItem& item) {
  auto it = std::find_if(itemList_.begin(), itemList_.end(), [&](const auto& p) { return p.get() == &item; });
  if (it == itemList_.end()) return;
  std::shared_ptr<LoginItem> keep = *it;
  keep->removeFromSuperview();
  itemList_.erase(it);
  layoutItems();

  auto& defaults = base::UserDefaults::standard();
  if (keep->isDemo()) {
    if (keep->clientId() == SkinManager::kDemoClientZDuvo) {
      // The copy first, so that the change notification finds nothing to rebuild.
      isShowZDuvo_ = false;
      defaults.setBool("Z_DUVO_SHORTCUT", false);
    } else if (keep->clientId() == SkinManager::kDemoClientTolvaren) {
      isShowTolvaren_ = false;
      defaults.setBool("TOLVAREN_SHORTCUT", false);
    }
  } else {
    base::Value logins = defaults.arrayForKey("Login_Info_Array");
    base::Value kept = base::Value::array();
    bool found = false;
    for (const base::Value& entry : logins) {
      if (!found && member(entry, "Input_ClientID") == keep->clientId() &&
          member(entry, "Input_UserID") == keep->accountId()) {
        found = true;
        continue;
      }
      kept.push_back(entry);
    }
    if (found) {
      // The login stays for completion, at the end and no longer a shortcut.
      kept.push_back({{"Input_UserID", keep->accountId()},
                      {"Input_PassWord", keep->passWord()},
                      {"Input_ClientID", keep->clientId()},
                      {"INPUT_USESHORTCUT", "NO"}});
    }
    defaults.setObject("Login_Info_Array", kept);
    loginArry_ = kept;
  }
  defaults.synchronize();
  if (auto d = itemListDelegate()) d->loginItemDelete(*keep);
}

}  // namespace mv
