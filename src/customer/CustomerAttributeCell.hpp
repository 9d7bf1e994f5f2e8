#pragma once
// One row of the customer form: the label, and the value as read-only text
// (view mode), as a text field (edit mode) or, for the "Active" row in edit
// mode, as a switch; a red star marks the rows that must be filled in. It
// reports every change of the text at once, the end of editing, the return
// key and the switch to its delegate, the form, which does the moving on.
// Main thread only.
#include <memory>
#include <string>

#include "platform/ui/Label.hpp"
#include "platform/ui/Switch.hpp"
#include "platform/ui/TableViewCell.hpp"
#include "platform/ui/TextField.hpp"

namespace mv {

class CustomerAttributeCell;

class CustomerAttributeCellDelegate {
 public:
  virtual ~CustomerAttributeCellDelegate() = default;
  virtual void customerAttributeCellTextFieldBegin(CustomerAttributeCell& cell) = 0;
  // The text the row holds now; `section` is the row's table section - 1.
  virtual void customerAttributeCellTextFieldcEnd(const std::string& value, long section, long row,
                                                  const std::string& label) = 0;
  virtual void customerAttributeCellSwitchViewAction(bool on) = 0;
  virtual void customerAttributeCellShouldReturn(long section, long row) = 0;
};

class CustomerAttributeCell : public ui::TableViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "Cell";
  static constexpr double kLabelX = 50, kLabelWidth = 200;
  static constexpr double kValueX = 270, kValueWidth = 340;
  static constexpr double kTextTop = 10, kTextHeight = 25;
  // Labels and values grow with their text up to this height.
  static constexpr double kMaxTextHeight = 250;

  CustomerAttributeCell();
  ~CustomerAttributeCell() override;

  ui::Label& lblFiledName() const { return *lblFiledName_; }
  ui::TextField& txtAttributeValue() const { return *txtAttributeValue_; }
  ui::Label& lblAttributeValueDefaul() const { return *lblAttributeValueDefaul_; }
  ui::Switch& switchValue() const { return *switchValue_; }
  ui::Label& redStarFlag() const { return *redStarFlag_; }

  long section() const { return section_; }
  long row() const { return row_; }
  void setPlace(long section, long row) {
    section_ = section;
    row_ = row;
  }
  void setDelegate(std::weak_ptr<CustomerAttributeCellDelegate> d) { delegate_ = std::move(d); }

  // The switch's action, as a tap on it sends it.
  void switchAction();

  void prepareForReuse() override;

 private:
  class FieldDelegate;
  friend class FieldDelegate;
  void report(const std::string& value);

  std::shared_ptr<ui::Label> lblFiledName_;
  std::shared_ptr<ui::TextField> txtAttributeValue_;
  std::shared_ptr<ui::Label> lblAttributeValueDefaul_;
  std::shared_ptr<ui::Switch> switchValue_;
  std::shared_ptr<ui::Label> redStarFlag_;
  std::shared_ptr<FieldDelegate> fieldDelegate_;
  long section_ = 0;
  long row_ = 0;
  std::weak_ptr<CustomerAttributeCellDelegate> delegate_;
};

}  // namespace mv
