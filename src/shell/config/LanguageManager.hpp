#pragma once
// The interface language (0 not set, 1 English, 2 Simplified Chinese): kept in
// the user defaults as "language", picked from the device's preferred language
// on the first launch, and broadcast to the registered screens when it changes.
// One per process, never freed; main thread only.
#include <memory>
#include <string>
#include <vector>

#include "platform/base/NotificationCenter.hpp"

namespace mv {

class LanguageManagerDelegate {
 public:
  virtual ~LanguageManagerDelegate() = default;
  virtual void notifiChangelanguage() = 0;
};

class LanguageManager {
 public:
  static LanguageManager& sharedInstance();

  int currentLanguage() const { return currentLanguage_; }
  // "zh" for Chinese, else "en" (the language parameter of web addresses).
  std::string curStringLanguage() const { return currentLanguage_ == 2 ? "zh" : "en"; }
  void setCurrentLanguage(int language);
  bool isSettingByCode() const { return isSettingByCode_; }

  // Listeners are held weakly: one that is gone is skipped and dropped.
  void registerLanugageNotification(const std::shared_ptr<LanguageManagerDelegate>& listener);
  void unRegisterLanugageNotification(const LanguageManagerDelegate* listener);
  void removeAllLanugageNotification();
  // Listeners still alive.
  std::size_t listenerCount() const;

  // Back to "not set" with no listeners, and the lookups of texts and of
  // the language its own again (tests).
  void resetForTesting();

  LanguageManager(const LanguageManager&) = delete;
  LanguageManager& operator=(const LanguageManager&) = delete;

 private:
  LanguageManager();
  void installLookups();
  void defaultsDidChanged();

  int currentLanguage_ = 0;
  bool isSettingByCode_ = false;
  std::vector<std::weak_ptr<LanguageManagerDelegate>> languageNotifications_;
  base::Observation defaultsObservation_;
};

}  // namespace mv
