#pragma once
// The paged strip of login shortcuts under the sign-in fields: the two demo
// companies (unless their shortcuts were deleted) and the saved logins marked
// as shortcuts, four to a page at most. A long press puts every shortcut into
// delete mode.
#include <memory>
#include <vector>

#include "platform/base/NotificationCenter.hpp"
#include "platform/base/Value.hpp"
#include "platform/ui/LongPressGestureRecognizer.hpp"
#include "platform/ui/ScrollView.hpp"
#include "shell/session/LoginItem.hpp"

namespace mv {

class LoginItemListDelegate {
 public:
  virtual ~LoginItemListDelegate() = default;
  virtual void loginItemClick(LoginItem& item) = 0;
  // The shortcut has been deleted (and taken off the strip).
  virtual void loginItemDelete(LoginItem& item) = 0;
};

class LoginItemList : public ui::ScrollView, public LoginItemDelegate {
 public:
  static constexpr double kPageWidth = 674;
  static constexpr int kItemsPerPage = 4;
  static constexpr double kItemY = 10;

  explicit LoginItemList(const ui::Rect& frame = {});
  ~LoginItemList() override;

  std::shared_ptr<LoginItemListDelegate> itemListDelegate() const { return itemListDelegate_.lock(); }
  void setItemListDelegate(std::weak_ptr<LoginItemListDelegate> d) { itemListDelegate_ = std::move(d); }

  // The saved logins ("Login_Info_Array"); rebuilds the shortcuts.
  const base::Value& loginArry() const { return loginArry_; }
  void setLoginArry(const base::Value& logins);
  int page() const;
  // Leaves delete mode.
  void stopSharking();
  // Every shortcut unselected.
  void resetItemStatus();

  const std::vector<std::shared_ptr<LoginItem>>& itemList() const { return itemList_; }
  bool isShaking() const { return isShaking_; }
  bool isShowZDuvo() const { return isShowZDuvo_; }
  bool isShowTolvaren() const { return isShowTolvaren_; }

  // The frame of shortcut `index` of `count` on the strip.
  static ui::Rect itemFrame(int index, int count);
  static int pageCount(int count);
  // A saved login is shown as a shortcut.
  static bool isShortcutEntry(const base::Value& entry);

  // A shortcut's tap; ignored while it shakes.
  void loginItemClick(LoginItem& item);
  // Delete mode for every shortcut.
  void addDeleteItemBtn();
  void btnDeleteClick(LoginItem& item) override;

 private:
  void reConstructAttributes();
  void layoutItems();
  void demoSwitchesMayHaveChanged();
  void setItemsShaking(bool shaking);

  std::weak_ptr<LoginItemListDelegate> itemListDelegate_;
  std::vector<std::shared_ptr<LoginItem>> itemList_;
  base::Value loginArry_ = base::Value::array();
  bool isShowZDuvo_ = false;
  bool isShowTolvaren_ = false;
  bool isShaking_ = false;
  base::Observation defaultsObservation_;
  base::Observation backgroundObservation_;
  base::Observation foregroundObservation_;
};

}  // namespace mv
