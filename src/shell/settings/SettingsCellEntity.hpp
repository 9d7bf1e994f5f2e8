#pragma once
// One row of a settings page: its kind, the text key of its title, and its
// value (a text, a switch state, the rows of a sub-page or the names of the
// languages, by kind).
#include <string>
#include <vector>

namespace mv {

class SettingsCellEntity {
 public:
  // Kinds on the main page.
  static constexpr int kAccount = 0;
  static constexpr int kShowAllCustomer = 1;
  static constexpr int kFullSync = 2;
  static constexpr int kBackupAndRestore = 3;
  static constexpr int kLanguage = 4;
  static constexpr int kCheckVersion = 6;
  static constexpr int kAbout = 7;
  static constexpr int kLogout = 8;
  // Kinds on the account page.
  static constexpr int kCompanyName = 0;
  static constexpr int kUserName = 1;
  static constexpr int kOpenCms = 2;

  SettingsCellEntity() = default;
  SettingsCellEntity(int type, std::string titleKey) : cellType(type), cellTitle(std::move(titleKey)) {}

  int cellType = 0;
  // The text key of the title (shown in the interface language of the moment).
  std::string cellTitle;
  std::string textValue;
  bool boolValue = false;
  std::vector<SettingsCellEntity> items;
  std::vector<std::string> texts;

  std::string title() const;
};

}  // namespace mv
