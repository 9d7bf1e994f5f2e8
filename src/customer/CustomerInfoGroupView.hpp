#pragma once
// The title header of one group of the customer form: the group's title, the
// check box that makes it the primary address or contact, and in edit mode
// the button that removes it. It reports both to its delegate, the form.
// Main thread only.
#include <memory>
#include <string>

#include "platform/ui/Button.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/View.hpp"

namespace mv {

class CustomerInfoGroupViewDelegate {
 public:
  virtual ~CustomerInfoGroupViewDelegate() = default;
  // `type`: 0 base information, 1 address, 2 contact.
  virtual void groupViewClick(int indexId, int type) = 0;
  virtual void deleteSection(int indexId, int type) = 0;
};

class CustomerInfoGroupView : public ui::View {
 public:
  static constexpr double kHeight = 50;

  explicit CustomerInfoGroupView(const ui::Rect& frame);

  ui::Label& lblGroupName() const { return *lblGroupName_; }
  ui::Button& btnSelect() const { return *btnSelect_; }
  ui::Button& deleteButton() const { return *deleteButton_; }

  int indexId() const { return indexId_; }
  void setIndexId(int id) { indexId_ = id; }
  int type() const { return type_; }
  void setType(int type) { type_ = type; }
  bool isSelect() const { return isSelect_; }
  // The primary group's check box shows "on" and takes no taps.
  void setIsSelect(bool selected);
  bool selectButtonHidden() const { return btnSelect_->isHidden(); }
  void setSelectButtonHidden(bool hidden) { btnSelect_->setHidden(hidden); }
  void setDelegate(std::weak_ptr<CustomerInfoGroupViewDelegate> d) { delegate_ = std::move(d); }

  // The controls' actions, as they send them.
  void click();
  void deleteSectionAction();

 private:
  std::shared_ptr<ui::Label> lblGroupName_;
  std::shared_ptr<ui::Button> btnSelect_;
  std::shared_ptr<ui::Button> deleteButton_;
  int indexId_ = 0;
  int type_ = 0;
  bool isSelect_ = false;
  std::weak_ptr<CustomerInfoGroupViewDelegate> delegate_;
};

}  // namespace mv
