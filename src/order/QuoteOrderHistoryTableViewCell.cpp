#include "order/QuoteOrderHistoryTableViewCell.hpp"

#include "shell/config/LanguageManager.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

QuoteOrderHistoryTableViewCell::QuoteOrderHistoryTableViewCell()
    : ui::TableViewCell(ui::TableViewCellStyle::Default, kReuseIdentifier) {
  setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  setAccessoryType(ui::TableViewCellAccessoryType::DisclosureIndicator);
  auto label = [this](const ui::Rect& frame, gfx::TextAlignment alignment) {
    auto l = std::make_shared<ui::Label>(frame);
    l->setFont(gfx::Font::systemFont(15));
    l->setTextAlignment(alignment);
    l->setBackgroundColor(gfx::Color::clear());
    contentView().addSubview(l);
    return l;
  };
  number_ = label({5, 10, 235, 30}, gfx::TextAlignment::Center);
  customer_ = label(kCustomerFrame, gfx::TextAlignment::Center);
  // Two lines, in a smaller size if need be: a name beside the signed
  // stamp has less room.
  customer_->setNumberOfLines(2);
  customer_->setLineBreakMode(gfx::LineBreakMode::TailTruncation);
  customer_->setAdjustsFontSizeToFitWidth(true);
  customer_->setMinimumFontSize(kCustomerMinimumFontSize);
  badge_ = std::make_shared<ui::ImageView>(kBadgeFrame);
  badge_->setHidden(true);
  contentView().addSubview(badge_);
  price_ = label({395, 10, 120, 30}, gfx::TextAlignment::Right);
  price_->setAdjustsFontSizeToFitWidth(true);
  price_->setMinimumFontSize(10);
  time_ = label({540, 10, 120, 30}, gfx::TextAlignment::Center);
  note_ = label({680, 0, 150, 50}, gfx::TextAlignment::Center);
  note_->setNumberOfLines(2);
  submit_ = std::make_shared<ui::Button>(ui::Rect{860, 10, 90, 30});
  ViewStyle::initializeToButtonHeight30(*submit_);
  submit_->titleLabel().setFont(gfx::Font::boldSystemFont(14));
  submit_->setTitle(textForKey("SUBMIT").value_or("SUBMIT"));
  submit_->setEnabled(false);
  contentView().addSubview(submit_);
  tint_ = std::make_shared<ui::View>(ui::Rect{0, 0, 1024, kRowHeight});
  tint_->setBackgroundColor(ViewStyle::colorOfMainTheme().withAlphaComponent(0.5));
  tint_->setUserInteractionEnabled(false);
  tint_->setHidden(true);
  addSubview(tint_);
}

void QuoteOrderHistoryTableViewCell::setCustomer(const std::string& name) {
  customer_->setText(name);
  submit_->setEnabled(!isBlank(name));
}

void QuoteOrderHistoryTableViewCell::setIsSigned(bool isSigned) {
  isSigned_ = isSigned;
  const bool chinese = PublicFunction::interfaceLanguage() == kLanguageChinese;
  badge_->setImage(WidgetSkin::skinFromImageName(chinese ? "icon_signed_small_cn.png" : "icon_signed_small_en.png"));
  badge_->setHidden(!isSigned);
  // The stamp stands at the right of the customer's column: the name keeps
  // to the room left of it.
  ui::Rect customer = kCustomerFrame;
  if (isSigned) customer.size.width = kBadgeFrame.x() - kStampGap - customer.x();
  customer_->setFrame(customer);
}

}  // namespace mv
