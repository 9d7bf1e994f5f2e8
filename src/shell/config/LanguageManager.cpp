#include "shell/config/LanguageManager.hpp"

#include <algorithm>

#include "platform/base/MainThread.hpp"
#include "platform/base/UserDefaults.hpp"
#include "shell/config/Language.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"

namespace mv {

LanguageManager& LanguageManager::sharedInstance() {
  // Never destroyed: screens may still ask for texts while the process ends.
  static LanguageManager* instance = new LanguageManager();
  return *instance;
}

LanguageManager::LanguageManager() {
  defaultsObservation_ = base::Observation(base::UserDefaults::DidChangeNotification, nullptr,
                                           [this](const base::Notification&) { defaultsDidChanged(); });
  installLookups();
}

void LanguageManager::installLookups() {
  // The lower layers look texts and the language up through these.
  setTextLookup([](const std::string& key) { return Language::stringWithName(key); });
  PublicFunction::setInterfaceLanguageProvider([] {
    const int language = LanguageManager::sharedInstance().currentLanguage();
    return language == 2 ? 2 : 1;
  });
}

void LanguageManager::setCurrentLanguage(int language) {
  MV_ASSERT_MAIN_THREAD();
  auto& defaults = base::UserDefaults::standard();
  if (language == 0) {
    const int picked = PublicFunction::getPreferredLanguage() == "zh-Hans" ? 2 : 1;
    // The change notification of this write is ours.
    isSettingByCode_ = true;
    defaults.setInteger("language", picked);
    isSettingByCode_ = false;
    defaults.synchronize();
    currentLanguage_ = picked;
    return;
  }
  if (language == currentLanguage_) return;
  currentLanguage_ = language;
  Language::resetLanguageCache();
  // A snapshot: listeners may register or unregister while they are told.
  const auto snapshot = languageNotifications_;
  for (const auto& weak : snapshot) {
    if (auto listener = weak.lock()) listener->notifiChangelanguage();
  }
  isSettingByCode_ = true;
  defaults.setInteger("language", language);
  isSettingByCode_ = false;
  defaults.synchronize();
}

void LanguageManager::defaultsDidChanged() {
  MV_ASSERT_MAIN_THREAD();
  if (isSettingByCode_) return;
  auto value = base::UserDefaults::standard().objectForKey("language");
  if (!value) return;
  const int stored = static_cast<int>(base::UserDefaults::standard().integerForKey("language"));
  // Only a language another part of the application wrote is taken over; a
  // removed or unreadable value leaves the current one.
  if (stored == 1 || stored == 2) setCurrentLanguage(stored);
}

void LanguageManager::registerLanugageNotification(const std::shared_ptr<LanguageManagerDelegate>& listener) {
  MV_ASSERT_MAIN_THREAD();
  if (!listener) return;
  languageNotifications_.erase(std::remove_if(languageNotifications_.begin(), languageNotifications_.end(),
                                              [](const auto& w) { return w.expired(); }),
                               languageNotifications_.end());
  for (const auto& w : languageNotifications_) {
    if (w.lock() == listener) return;
  }
  languageNotifications_.push_back(listener);
}

void LanguageManager::unRegisterLanugageNotification(const LanguageManagerDelegate* listener) {
  MV_ASSERT_MAIN_THREAD();
  if (!listener) return;
  languageNotifications_.erase(std::remove_if(languageNotifications_.begin(), languageNotifications_.end(),
                                              [listener](const auto& w) {
                                                auto l = w.lock();
                                                return !l || l.get() == listener;
                                              }),
                               languageNotifications_.end());
}

void LanguageManager::removeAllLanugageNotification() { languageNotifications_.clear(); }

std::size_t LanguageManager::listenerCount() const {
  return static_cast<std::size_t>(std::count_if(languageNotifications_.begin(), languageNotifications_.end(),
                                                [](const auto& w) { return !w.expired(); }));
}

void LanguageManager::resetForTesting() {
  currentLanguage_ = 0;
  isSettingByCode_ = false;
  languageNotifications_.clear();
  Language::resetLanguageCache();
  // A test before may have put lookups of its own in their place.
  installLookups();
}

}  // namespace mv
