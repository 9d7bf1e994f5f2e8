#pragma once
// One row of the order list: number, customer, signed badge, amount, time,
// note and the submit button, with a tint over the whole row while it is
// touched or its copy/delete popover is open.
#include <memory>
#include <string>

#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/TableViewCell.hpp"

namespace mv {

class QuoteOrderHistoryTableViewCell : public ui::TableViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "historyOrdersTableViewCell";
  static constexpr double kRowHeight = 50;
  inline static const ui::Rect kCustomerFrame{245, 0, 150, 50};
  inline static const ui::Rect kBadgeFrame{340, 10, 62, 30};
  // Between a signed order's customer name and its stamp.
  static constexpr double kStampGap = 4;
  static constexpr double kCustomerMinimumFontSize = 11;

  QuoteOrderHistoryTableViewCell();

  void setOderNumber(const std::string& number) { number_->setText(number); }
  void setCustomer(const std::string& name);
  void setStrPrice(const std::string& price) { price_->setText(price); }
  // The time as "HH:mm" and the short date; "" when it cannot be read.
  void setStrOrderTime(const std::string& time) { time_->setText(time); }
  void setNote(const std::string& note) { note_->setText(note); }
  bool isSigned() const { return isSigned_; }
  void setIsSigned(bool isSigned);
  void showTouched(bool touched) { tint_->setHidden(!touched); }
  bool isTouched() const { return !tint_->isHidden(); }

  ui::Label& numberLabel() const { return *number_; }
  ui::Label& customerLabel() const { return *customer_; }
  ui::Label& priceLabel() const { return *price_; }
  ui::Label& timeLabel() const { return *time_; }
  ui::Label& noteLabel() const { return *note_; }
  ui::Button& submitButton() const { return *submit_; }
  ui::ImageView& signedBadge() const { return *badge_; }

 private:
  std::shared_ptr<ui::Label> number_, customer_, price_, time_, note_;
  std::shared_ptr<ui::ImageView> badge_;
  std::shared_ptr<ui::Button> submit_;
  std::shared_ptr<ui::View> tint_;
  bool isSigned_ = false;
};

}  // namespace mv
